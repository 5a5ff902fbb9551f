#include "output/drawing_script.hpp"

#include <charconv>
#include <cmath>

#include "output/compact_numbers.hpp"

namespace elipses {

namespace {

// Every number of the script goes through these two, which count the lines whose value
// did not fit (a coordinate of a million metres or more, say).
void number_line(DrawingScriptWriter& script, double x) {
  if (!write_compact_number(script.file, x)) ++script.lines_not_fitting;
}

void point_line(DrawingScriptWriter& script, double m, double p) {
  if (!write_coordinate_pair(script.file, m, p)) ++script.lines_not_fitting;
}

char digit(double d) { return static_cast<char>('0' + static_cast<int>(d)); }

void write_text_command(DrawingScriptWriter& script, const RunSettings& settings, double m, double p,
                        const std::string& text) {
  script.file << "TEXT\r\n";
  point_line(script, m, p);
  number_line(script, settings.text_height);
  number_line(script, settings.text_rotation);
  script.file << text << "\r\n";
}

const char* traverse_title(char mode, char traverse) {
  const bool open = traverse == 'a' || traverse == 'A';
  const bool closed = traverse == 'f' || traverse == 'F';
  if (is_goniometric(mode) && open) return "Poligonal aberta obs. em modo goniometrico";
  if (is_goniometric(mode) && closed) return "Poligonal fechada obs. em modo goniometrico";
  if (is_declined(mode) && open) return "Poligonal aberta obs. em modo declinado";
  if (is_declined(mode) && closed) return "Poligonal fechada obs. em modo declinado";
  return nullptr;
}

int traverse_title_field(char traverse) { return (traverse == 'a' || traverse == 'A') ? 43 : 44; }

const char* level_title(std::int32_t option) {
  constexpr const char* titles[8] = {
      "Elipses de erro 1 sigma (39.4%)",          "Elipses de confianca 1.177 sigma (50%)",
      "Elipses de confianca 1.410 sigma (63.2%)", "Elipses de confianca 2.146 sigma (90%)",
      "Elipses de confianca 2.447 sigma (95%)",   "Elipses de confianca 2.760 sigma (97.5%)",
      "Elipses de confianca 3.035 sigma (99%)",   "Elipses de confianca 3.500 sigma (99.8%)"};
  return option >= 1 && option <= 8 ? titles[option - 1] : "";
}

std::string whole_part_in_decimal(double value) {
  char digits[400];
  const auto result = std::to_chars(digits, digits + sizeof digits, std::trunc(value), std::chars_format::fixed, 0);
  return std::string(digits, result.ptr);
}

}  // namespace

std::string scale_figure(double s) {
  std::string figure;
  if (99.0 <= s && s <= 999.0) {
    const double d1 = std::trunc(s / 100.0);
    const double d2 = std::trunc((s - 100.0 * d1) / 10.0);
    const double d3 = std::trunc(s - 100.0 * d1 - 10.0 * d2);
    figure = {digit(d1), digit(d2), digit(d3), ' ', ' ', ' '};
  }
  if (999.0 <= s && s <= 9999.0) {
    const double d1 = std::trunc(s / 1000.0);
    const double d2 = std::trunc((s - 1000.0 * d1) / 100.0);
    const double d3 = std::trunc((s - 1000.0 * d1 - 100.0 * d2) / 10.0);
    const double d4 = std::trunc(s - 1000.0 * d1 - 100.0 * d2 - 10.0 * d3);
    figure = {digit(d1), digit(d2), digit(d3), digit(d4), ' ', ' '};
  }
  if (9999.0 <= s && s <= 99999.0) {
    const double d1 = std::trunc(s / 10000.0);
    const double d2 = std::trunc((s - 10000.0 * d1) / 1000.0);
    const double d3 = std::trunc((s - 10000.0 * d1 - 1000.0 * d2) / 100.0);
    const double d4 = std::trunc((s - 10000.0 * d1 - 1000.0 * d2 - 100.0 * d3) / 10.0);
    const double d5 = std::trunc(s - 10000.0 * d1 - 1000.0 * d2 - 100.0 * d3 - 10.0 * d4);
    figure = {digit(d1), digit(d2), digit(d3), digit(d4), digit(d5), ' '};
  }
  if (figure.empty()) {
    // Outside 99..99999: the whole modulus in plain digits when it has one to six.
    const double whole = std::trunc(s);
    figure = (whole >= 1.0 && whole <= 999999.0) ? whole_part_in_decimal(whole) : "";
    figure.resize(6, ' ');
  }
  return figure;
}

std::string millimetre_figure(double fixed_mm) {
  const double m = std::trunc(fixed_mm);
  if (m >= 0.0 && m <= 99.0) {
    if (m < 10.0) return {digit(m), ' '};
    const double t = std::trunc(fixed_mm / 10.0);
    return {digit(t), digit(m - 10.0 * t)};
  }
  return whole_part_in_decimal(m);
}

std::string whole_figure(std::int32_t value) {
  if (value >= 0 && value <= 99) {
    if (value < 10) return {static_cast<char>('0' + value), ' '};
    const std::int32_t tens = value / 10;
    return {static_cast<char>('0' + tens), static_cast<char>('0' + (value - 10 * tens))};
  }
  return std::to_string(value);
}

void write_label_block(DrawingScriptWriter& script, const RunSettings& settings, const std::string& name, double m,
                       double p) {
  write_colour(script, "7");
  write_text_command(script, settings, m, p, name);
}

void write_colour(DrawingScriptWriter& script, const std::string& colour) {
  script.file << "COLOR\r\n" << colour << "\r\n";
}

void write_ellipse_command(DrawingScriptWriter& script, double centre_m, double centre_p, double axis_end_m,
                           double axis_end_p, double other_axis) {
  script.file << "ELLIPSE\r\nC\r\n";
  point_line(script, centre_m, centre_p);
  point_line(script, axis_end_m, axis_end_p);
  number_line(script, other_axis);
}

void write_closing_block(DrawingScriptWriter& script, const RunSettings& settings, const PointList& points) {
  const double m1 = points.n > 0 ? points.at(1).m : 0.0;
  const double p1 = points.n > 0 ? points.at(1).p : 0.0;
  write_colour(script, "5");
  if (const char* title = traverse_title(settings.mode, settings.traverse)) {
    write_text_command(script, settings, m1, p1 - 100.0, text_field(title, traverse_title_field(settings.traverse)));
  }
  write_text_command(script, settings, m1, p1 - 200.0, text_field(level_title(settings.ellipse_option), 44));
  write_text_command(script, settings, m1, p1 - 300.0,
                     text_field("Escala das elipses=" + scale_figure(settings.scale), 44));
  if (is_goniometric(settings.mode) || is_declined(settings.mode)) {
    const ObservationPrecision& precision = settings.precision;
    write_text_command(script, settings, m1, p1 - 400.0,
                       text_field("Incerteza das obs. de distancia=" + millimetre_figure(precision.distance_fixed_mm) +
                                      "mm+" + whole_figure(precision.distance_ppm) + "ppm",
                                  50));
    write_text_command(script, settings, m1, p1 - 500.0,
                       text_field("Incerteza das obs. de direccao=" + whole_figure(precision.angle_whole_seconds) + "\"",
                                  50));
  }
  write_colour(script, "3");
  script.file << "PLINE\r\n";
  for (std::int32_t i = 1; i <= points.n; ++i) point_line(script, points.at(i).m, points.at(i).p);
  script.file << std::string(63, ' ') << "\r\n";
}

}  // namespace elipses
