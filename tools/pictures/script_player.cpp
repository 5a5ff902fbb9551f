#include "pictures/script_player.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "common/text_encoding.hpp"

namespace elipses::pictures {

namespace {

std::string line_prefix(std::size_t line_number) { return "linha " + std::to_string(line_number) + ": "; }

// The found line as it can be shown in a message: control characters escaped, cut short.
std::string shown(std::string_view text) { return "\"" + quote_for_message(text) + "\""; }

bool is_blank_line(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

struct ScriptLine {
  std::string_view text;  // without its line end
  std::size_t number = 0;
};

// The script cut into its lines. A line ends at LF, a CR just before the LF belonging to
// the line end. Text after the last line end is a line the CAD program would never see
// entered, so a script that ends without its line end is refused.
std::vector<ScriptLine> split_lines(std::string_view script) {
  std::vector<ScriptLine> lines;
  std::size_t start = 0;
  while (start < script.size()) {
    const std::size_t end = script.find('\n', start);
    const std::size_t number = lines.size() + 1;
    if (end == std::string_view::npos) {
      throw ScriptError(number, "a última linha, " + shown(script.substr(start)) +
                                    ", não termina com fim de linha: o programa de CAD nunca a receberia");
    }
    std::string_view text = script.substr(start, end - start);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    lines.push_back({text, number});
    start = end + 1;
  }
  return lines;
}

// An optional minus sign, one or more digits, the point and exactly three decimals.
bool has_number_form(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && text[i] == '-') ++i;
  const std::size_t first_digit = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  if (i == first_digit || i >= text.size() || text[i] != '.') return false;
  ++i;
  for (int decimal = 0; decimal < 3; ++decimal, ++i) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
  }
  return i == text.size();
}

class Player {
 public:
  explicit Player(std::string_view script) : lines_(split_lines(script)) {}

  Drawing play() {
    while (next_ < lines_.size()) play_command(lines_[next_++]);
    return std::move(drawing_);
  }

 private:
  void play_command(const ScriptLine& command) {
    if (command.text == "COLOR") {
      play_colour(command);
    } else if (command.text == "TEXT") {
      play_text(command);
    } else if (command.text == "ELLIPSE") {
      play_ellipse(command);
    } else if (command.text == "PLINE") {
      play_polyline(command);
    } else if (is_blank_line(command.text)) {
      throw ScriptError(command.number,
                        "linha em branco onde se esperava um comando (COLOR, TEXT, ELLIPSE ou PLINE); "
                        "o programa de CAD repetiria o comando anterior");
    } else {
      throw ScriptError(command.number, "esperava-se um comando (COLOR, TEXT, ELLIPSE ou PLINE), encontrou-se " +
                                            shown(command.text));
    }
  }

  // The line that answers the next prompt of `command`; the end of the file here cuts
  // the command short.
  const ScriptLine& answer(const ScriptLine& command, const char* what) {
    if (next_ >= lines_.size()) {
      throw ScriptError(command.number, "o comando " + std::string(command.text) +
                                            " ficou incompleto: o ficheiro termina onde se esperava " + what);
    }
    return lines_[next_++];
  }

  static double number_value(const ScriptLine& line, std::string_view text, const char* what) {
    if (text.find('*') != std::string_view::npos) {
      throw ScriptError(line.number, std::string(what) + " " + shown(text) +
                                         " é um valor que não coube no seu campo (asteriscos); "
                                         "o programa de CAD também não o poderia usar");
    }
    double value = 0.0;
    if (has_number_form(text)) {
      const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
      if (result.ec == std::errc() && std::isfinite(value)) return value;
    }
    throw ScriptError(line.number, "esperava-se " + std::string(what) +
                                       " (um número com três decimais, sem espaços), encontrou-se " + shown(text));
  }

  static PlanPoint point_value(const ScriptLine& line, const char* what) {
    const std::size_t comma = line.text.find(',');
    if (comma == std::string_view::npos || line.text.find(',', comma + 1) != std::string_view::npos) {
      throw ScriptError(line.number,
                        "esperava-se " + std::string(what) + " na forma M,P, encontrou-se " + shown(line.text));
    }
    const std::string m_what = std::string("a coordenada M d") + what;
    const std::string p_what = std::string("a coordenada P d") + what;
    return {number_value(line, line.text.substr(0, comma), m_what.c_str()),
            number_value(line, line.text.substr(comma + 1), p_what.c_str())};
  }

  void warn(std::size_t line_number, const std::string& message) {
    drawing_.warnings.push_back(line_prefix(line_number) + message);
  }

  void play_colour(const ScriptLine& command) {
    const ScriptLine& line = answer(command, "o número da cor");
    if (line.text == "7" || line.text == "1" || line.text == "5" || line.text == "3") {
      colour_ = line.text[0] - '0';
      return;
    }
    throw ScriptError(line.number, "esperava-se o número da cor (7, 1, 5 ou 3), encontrou-se " + shown(line.text));
  }

  void play_text(const ScriptLine& command) {
    DrawnText text;
    text.line = command.number;
    text.colour = colour_;
    text.start = point_value(answer(command, "o ponto de inserção do texto"), "o ponto de inserção do texto");
    const ScriptLine& height = answer(command, "a altura do texto");
    text.height = number_value(height, height.text, "a altura do texto");
    const ScriptLine& rotation = answer(command, "a rotação do texto");
    if (number_value(rotation, rotation.text, "a rotação do texto") != 0.0) {
      throw ScriptError(rotation.number, "esperava-se a rotação do texto 0.000, encontrou-se " + shown(rotation.text));
    }
    text.text = std::string(answer(command, "o texto").text);
    if (!(text.height > 0.0)) {
      warn(height.number, "a altura do texto " + shown(height.text) +
                              " não é positiva; o programa de CAD não a aceitaria e o texto não se vê");
    }
    drawing_.entities.emplace_back(std::move(text));
  }

  void play_ellipse(const ScriptLine& command) {
    const ScriptLine& option = answer(command, "a opção C (centro)");
    if (option.text != "C") {
      throw ScriptError(option.number, "esperava-se a opção C (centro) da elipse, encontrou-se " + shown(option.text));
    }
    DrawnEllipse ellipse;
    ellipse.line = command.number;
    ellipse.colour = colour_;
    ellipse.centre = point_value(answer(command, "o centro da elipse"), "o centro da elipse");
    ellipse.axis_end = point_value(answer(command, "o extremo do eixo da elipse"), "o extremo do eixo da elipse");
    const ScriptLine& distance = answer(command, "a distância ao outro eixo");
    ellipse.other_axis = number_value(distance, distance.text, "a distância ao outro eixo");
    if (ellipse.axis_end.m == ellipse.centre.m && ellipse.axis_end.p == ellipse.centre.p) {
      warn(command.number, "o extremo do eixo da elipse coincide com o centro; o programa de CAD não a desenharia");
    }
    if (!(ellipse.other_axis > 0.0)) {
      warn(distance.number, "a distância ao outro eixo " + shown(distance.text) +
                                " não é positiva; o programa de CAD não a aceitaria (aumente o módulo da escala)");
    }
    drawing_.entities.emplace_back(ellipse);
  }

  void play_polyline(const ScriptLine& command) {
    DrawnPolyline polyline;
    polyline.line = command.number;
    polyline.colour = colour_;
    for (;;) {
      const ScriptLine& line = answer(command, "um vértice M,P ou a linha em branco que termina a poligonal");
      if (is_blank_line(line.text)) {
        if (polyline.vertices.empty()) {
          throw ScriptError(line.number, "o comando PLINE precisa de pelo menos um vértice antes da linha em branco");
        }
        break;
      }
      polyline.vertices.push_back(point_value(line, "o vértice da poligonal"));
    }
    drawing_.entities.emplace_back(std::move(polyline));
  }

  std::vector<ScriptLine> lines_;
  std::size_t next_ = 0;
  ColourNumber colour_ = default_colour;
  Drawing drawing_;
};

}  // namespace

ScriptError::ScriptError(std::size_t line_number, const std::string& message)
    : std::runtime_error(line_prefix(line_number) + message), line(line_number) {}

Drawing play_drawing_script(std::string_view script) { return Player(script).play(); }

EllipseShape ellipse_shape(const DrawnEllipse& ellipse) {
  const double dm = ellipse.axis_end.m - ellipse.centre.m;
  const double dp = ellipse.axis_end.p - ellipse.centre.p;
  return {std::hypot(dm, dp), std::fabs(ellipse.other_axis), std::atan2(dp, dm)};
}

std::vector<PlanPoint> ellipse_outline(const DrawnEllipse& ellipse, int count) {
  EllipseShape shape = ellipse_shape(ellipse);
  // An axis end point on the centre gives no direction: the outline is then the circle of
  // the other axis, the only shape the command still names.
  if (shape.first_semi_axis == 0.0) shape = {shape.second_semi_axis, shape.second_semi_axis, 0.0};
  const double cos_axis = std::cos(shape.direction);
  const double sin_axis = std::sin(shape.direction);
  const double two_pi = 8.0 * std::atan(1.0);
  std::vector<PlanPoint> outline;
  outline.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const double t = two_pi * i / count;
    const double along = shape.first_semi_axis * std::cos(t);
    const double across = shape.second_semi_axis * std::sin(t);
    outline.push_back({ellipse.centre.m + along * cos_axis - across * sin_axis,
                       ellipse.centre.p + along * sin_axis + across * cos_axis});
  }
  return outline;
}

}  // namespace elipses::pictures
