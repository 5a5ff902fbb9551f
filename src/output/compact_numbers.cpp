#include "output/compact_numbers.hpp"

#include <charconv>
#include <cmath>

namespace elipses {

std::string fixed_point_field(double value, int width, int decimals) {
  const std::string overflow(static_cast<std::size_t>(width), '*');
  if (!std::isfinite(value)) return overflow;
  // to_chars is exact and ignores the locale: the point is always the separator.
  char digits[400];
  const auto result = std::to_chars(digits, digits + sizeof digits, std::fabs(value), std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return overflow;
  std::string magnitude(digits, result.ptr);
  if (magnitude.size() > 1 && magnitude[0] == '0' && magnitude[1] == '.') magnitude.erase(0, 1);
  const bool rounds_to_zero = magnitude.find_first_not_of("0.") == std::string::npos;
  const std::string text = (value < 0.0 && !rounds_to_zero) ? "-" + magnitude : magnitude;
  if (text.size() > static_cast<std::size_t>(width)) return overflow;
  return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

std::string text_field(const std::string& text, int width) {
  const std::size_t w = static_cast<std::size_t>(width);
  return text.size() >= w ? text : std::string(w - text.size(), ' ') + text;
}

std::string compact_number(double x) {
  // Boundaries belong to the wider class: 1 and -1 take a digit before the point.
  if (x <= -100000.0) return fixed_point_field(x, 11, 3);
  if (x <= -10000.0) return fixed_point_field(x, 10, 3);
  if (x <= -1000.0) return fixed_point_field(x, 9, 3);
  if (x <= -100.0) return fixed_point_field(x, 8, 3);
  if (x <= -10.0) return fixed_point_field(x, 7, 3);
  if (x <= -1.0) return fixed_point_field(x, 6, 3);
  if (x < 0.0) return "-0" + fixed_point_field(std::fabs(x), 4, 3);
  if (x < 1.0) return "0" + fixed_point_field(std::fabs(x), 4, 3);
  if (x < 10.0) return fixed_point_field(x, 5, 3);
  if (x < 100.0) return fixed_point_field(x, 6, 3);
  if (x < 1000.0) return fixed_point_field(x, 7, 3);
  if (x < 10000.0) return fixed_point_field(x, 8, 3);
  if (x < 100000.0) return fixed_point_field(x, 9, 3);
  return fixed_point_field(x, 10, 3);  // also a NaN, which no comparison holds for
}

bool write_compact_number(std::ostream& script, double x) {
  const std::string text = compact_number(x);
  script << text << "\r\n";
  return text.find('*') == std::string::npos;
}

bool write_coordinate_pair(std::ostream& script, double m, double p) {
  const std::string line = compact_number(m) + ',' + compact_number(p);
  script << line << "\r\n";
  return line.find('*') == std::string::npos;
}

}  // namespace elipses
