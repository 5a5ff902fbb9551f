#include "dialogue/coordinate_file.hpp"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string_view>
#include <optional>
#include <limits>

#include "dialogue/free_form.hpp"
#include "dialogue/input_error.hpp"
#include "propagation/traverse_model.hpp"

namespace elipses {

namespace {

constexpr const char* value_description[3] = {"o nome do ponto", "a coordenada M", "a coordenada P"};

std::string location(const CoordinateFile& file, std::int32_t line) {
  return "ficheiro de coordenadas \"" + file.name + "\", linha " + std::to_string(line) + ": ";
}

[[noreturn]] void refuse(const CoordinateFile& file, std::int32_t line, const std::string& what) {
  throw InputError(location(file, line) + what);
}

// Every pass reads the file again from its start. A NUL byte means it is not a text
// file: the reading stops there, so a device that never ends is refused as well.
void start_pass(CoordinateFile& file) {
  file.stream.clear();
  file.stream.seekg(0, std::ios::beg);
  if (file.stream.fail()) {
    // A pipe can be read only once, and a closed traverse reads the points again.
    throw InputError("o ficheiro de coordenadas \"" + file.name +
                     "\" nao pode ser lido de novo desde o inicio; use um ficheiro comum");
  }
  file.text.clear();
  std::int32_t line = 1;
  char chunk[65536];
  for (;;) {
    file.stream.read(chunk, sizeof chunk);
    const std::streamsize got = file.stream.gcount();
    if (got <= 0) break;
    const std::string_view piece(chunk, static_cast<std::size_t>(got));
    const std::size_t nul = piece.find('\0');
    if (nul != std::string_view::npos) {
      line += static_cast<std::int32_t>(std::count(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(nul), '\n'));
      refuse(file, line, "contem um byte nulo; nao e um ficheiro de texto");
    }
    line += static_cast<std::int32_t>(std::count(piece.begin(), piece.end(), '\n'));
    file.text.append(piece);
  }
  if (file.stream.bad()) {
    throw InputError("nao foi possivel ler o ficheiro de coordenadas \"" + file.name + "\"");
  }
  // A byte order mark, as some editors write at the start of a UTF-8 file, is not part
  // of the first name.
  file.position = file.text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  file.line = 1;
}

bool at_end(const CoordinateFile& file) { return file.position >= file.text.size(); }

// Blanks and line ends between values.
void skip_white_space(CoordinateFile& file) {
  while (!at_end(file)) {
    const char c = file.text[file.position];
    if (c == '\n') {
      ++file.line;
    } else if (!is_blank(c)) {
      return;
    }
    ++file.position;
  }
}

// Once a point is complete, the rest of its line is ignored.
void skip_rest_of_line(CoordinateFile& file) {
  while (!at_end(file)) {
    const char c = file.text[file.position++];
    if (c == '\n') {
      ++file.line;
      return;
    }
  }
}

std::string read_bare_token(CoordinateFile& file) {
  const std::size_t first = file.position;
  while (!at_end(file) && !ends_value(file.text[file.position])) ++file.position;
  return file.text.substr(first, file.position - first);
}

void read_name(CoordinateFile& file, std::int32_t number) {
  const char opening = file.text[file.position];
  std::string name;
  if (opening == '"' || opening == '\'') {
    ++file.position;
    for (;;) {
      if (at_end(file) || file.text[file.position] == '\n') {
        refuse(file, file.line, "o nome do ponto " + std::to_string(number) + " abre aspas que nao fecham na mesma linha");
      }
      const char c = file.text[file.position++];
      if (c != opening) {
        name += c;
      } else if (!at_end(file) && file.text[file.position] == opening) {
        name += opening;  // a doubled quote stands for one quote character
        ++file.position;
      } else {
        break;
      }
    }
    if (!at_end(file) && !ends_value(file.text[file.position])) {
      std::string rest = read_bare_token(file);
      refuse(file, file.line, "depois do nome do ponto " + std::to_string(number) +
                                  " esperava-se uma virgula, um espaco ou o fim da linha, encontrou-se \"" +
                                  quote_for_message(rest) + "\"");
    }
  } else {
    name = read_bare_token(file);
    if (is_number_syntax(name)) {
      refuse(file, file.line, "esperava-se o nome do ponto " + std::to_string(number) + ", encontrou-se o numero \"" +
                                  quote_for_message(name) + "\"");
    }
  }
  file.reading.name = four_character_name(name);
}

void read_coordinate(CoordinateFile& file, std::int32_t number, int index) {
  const std::int32_t line = file.line;
  const std::string token = read_bare_token(file);
  const std::optional<double> value = parse_real(token);
  if (!value) {
    const std::string expected = std::string(value_description[index]) + " do ponto " + std::to_string(number);
    if (is_number_syntax(token)) {
      refuse(file, line, expected + " esta fora do alcance de um numero real: \"" + quote_for_message(token) + "\"");
    }
    refuse(file, line, "esperava-se " + expected + " (um numero), encontrou-se \"" + quote_for_message(token) + "\"");
  }
  (index == 1 ? file.reading.m : file.reading.p) = *value;
}

// One point into the reading variables: name, M and P, separated by commas, blanks or
// line ends. A comma with nothing before it is a null value and a slash ends the point
// at once; both leave the values not read as the point before left them.
void read_point(CoordinateFile& file, std::int32_t number) {
  int index = 0;
  bool after_value = false;  // a comma right after a value is only its separator
  while (index < 3) {
    skip_white_space(file);
    if (at_end(file)) {
      refuse(file, file.line, "o ficheiro termina a meio do ponto " + std::to_string(number) + ": falta " +
                                  value_description[index]);
    }
    const char c = file.text[file.position];
    if (c == '/') {
      ++file.position;
      break;
    }
    if (c == ',') {
      ++file.position;
      if (after_value) {
        after_value = false;
      } else {
        ++index;
      }
      continue;
    }
    if (index == 0) {
      read_name(file, number);
    } else {
      read_coordinate(file, number, index);
    }
    ++index;
    after_value = true;
  }
  skip_rest_of_line(file);
}

std::string trimmed(const std::string& name) {
  const std::size_t last = name.find_last_not_of(' ');
  return last == std::string::npos ? std::string() : name.substr(0, last + 1);
}

}  // namespace

std::string four_character_name(const std::string& name) {
  std::string out;
  int characters = 0;
  std::size_t i = 0;
  while (i < name.size() && characters < 4) {
    const auto lead = static_cast<unsigned char>(name[i]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    // A byte that does not begin a whole UTF-8 character counts as one character.
    bool whole = i + length <= name.size();
    for (std::size_t k = 1; whole && k < length; ++k) {
      whole = (static_cast<unsigned char>(name[i + k]) & 0xC0) == 0x80;
    }
    if (!whole) length = 1;
    out.append(name, i, length);
    i += length;
    ++characters;
  }
  out.append(static_cast<std::size_t>(4 - characters), ' ');
  return out;
}

void open_coordinate_file(CoordinateFile& file, const std::string& name) {
  file.name = name;
  std::error_code ignored;
  if (std::filesystem::is_directory(std::filesystem::u8path(name), ignored)) {  // names are UTF-8
    throw InputError("\"" + name + "\" e uma pasta, nao um ficheiro de coordenadas");
  }
  file.stream.open(name, std::ios::in | std::ios::binary);
  if (!file.stream.is_open()) {
    throw InputError("nao foi possivel abrir o ficheiro de coordenadas \"" + name + "\"");
  }
}

std::int32_t count_points(CoordinateFile& file) {
  start_pass(file);
  std::int32_t n = 0;
  for (;;) {
    skip_white_space(file);
    if (at_end(file)) break;
    if (n == std::numeric_limits<std::int32_t>::max()) {
      refuse(file, file.line, "demasiados pontos");
    }
    read_point(file, n + 1);
    ++n;
  }
  return n;  // the next pass starts again from the start of the file
}

void check_traverse(CoordinateFile& file, std::int32_t n) {
  if (n == 0) {
    throw InputError("o ficheiro de coordenadas \"" + file.name + "\" nao tem nenhum ponto");
  }
  const Point saved = file.reading;
  start_pass(file);
  Point previous;
  std::int32_t previous_line = 0;
  for (std::int32_t i = 1; i <= n; ++i) {
    skip_white_space(file);
    const std::int32_t line = file.line;
    read_point(file, i);
    const Point& current = file.reading;
    if (i > 1 && leg_length(current.m - previous.m, current.p - previous.p) == 0.0) {
      refuse(file, line, "a perna do ponto " + std::to_string(i - 1) + " \"" + trimmed(previous.name) +
                             "\" (linha " + std::to_string(previous_line) + ") ao ponto " + std::to_string(i) +
                             " \"" + trimmed(current.name) + "\" tem comprimento nulo; a sua direccao e indefinida");
    }
    previous = current;
    previous_line = line;
  }
  file.reading = saved;
}

PointList load_points(CoordinateFile& file, std::int32_t n) {
  start_pass(file);
  PointList list;
  list.n = n;
  list.points.resize(static_cast<std::size_t>(n));
  for (std::int32_t i = 1; i <= n; ++i) {
    read_point(file, i);
    list.at(i) = file.reading;
  }
  return list;
}

void reverse_point_list(CoordinateFile& file, PointList& points) {
  start_pass(file);
  for (std::int32_t i = 1; i <= points.n; ++i) {
    read_point(file, i);
    points.at(points.n + 1 - i) = file.reading;
  }
}

}  // namespace elipses
