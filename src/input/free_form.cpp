#include "input/free_form.hpp"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace elipses {

namespace {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Splits a number into the plain pieces strtod reads: no '+' sign, an 'e' exponent, and
// at least one digit on each side of a written point (strtod alone would also take
// hexadecimal, "inf" and "nan", which are no coordinates).
std::optional<std::string> normalised_number(std::string_view text) {
  std::string out;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') out += '-';
    ++i;
  }
  std::string whole;
  std::string fraction;
  while (i < text.size() && is_digit(text[i])) whole += text[i++];
  bool point = false;
  if (i < text.size() && text[i] == '.') {
    point = true;
    ++i;
    while (i < text.size() && is_digit(text[i])) fraction += text[i++];
  }
  if (whole.empty() && fraction.empty()) return std::nullopt;
  out += whole.empty() ? "0" : whole;
  if (point && !fraction.empty()) out += "." + fraction;
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    ++i;
    out += 'e';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) out += text[i++];
    std::size_t first_exponent_digit = i;
    while (i < text.size() && is_digit(text[i])) out += text[i++];
    if (i == first_exponent_digit) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  return out;
}

}  // namespace

bool is_number_syntax(std::string_view text) { return normalised_number(text).has_value(); }

namespace {

// A plain decimal, "-123.456" or "123" (digits on both sides of a written point), of at
// most 15 significant digits and 22 decimals: a whole number and a power of ten that are
// both exact doubles, so one division gives the correctly rounded value, the very double
// strtod reads. Most coordinates and answers look so. False otherwise.
bool read_short_decimal(std::string_view text, double& value) {
  constexpr double powers[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const bool negative = !text.empty() && text[0] == '-';
  std::size_t i = negative ? 1 : 0;
  std::uint64_t whole = 0;
  int significant = 0;
  const std::size_t first_digit = i;
  while (i < text.size() && is_digit(text[i])) {
    significant += (whole != 0 || text[i] != '0') ? 1 : 0;
    whole = whole * 10 + static_cast<std::uint64_t>(text[i++] - '0');
  }
  if (i == first_digit) return false;
  std::size_t decimals = 0;
  if (i < text.size()) {
    if (text[i] != '.') return false;
    const std::size_t first_decimal = ++i;
    while (i < text.size() && is_digit(text[i])) {
      significant += (whole != 0 || text[i] != '0') ? 1 : 0;
      whole = whole * 10 + static_cast<std::uint64_t>(text[i++] - '0');
    }
    decimals = i - first_decimal;
    if (i != text.size() || decimals == 0) return false;
  }
  if (significant > 15 || decimals > 22) return false;
  value = static_cast<double>(whole) / powers[decimals];
  if (negative) value = -value;
  return true;
}

}  // namespace

std::optional<double> parse_real(std::string_view text) {
  double value = 0.0;
  if (read_short_decimal(text, value)) return value;
  const std::optional<std::string> number = normalised_number(text);
  if (!number) return std::nullopt;
  // strtod is correctly rounded, and the program never calls setlocale: in the "C" locale
  // the point is the separator. Beyond the largest double it gives infinity, which is
  // refused; a value too small becomes zero or subnormal.
  value = std::strtod(number->c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::int32_t> parse_whole(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return std::nullopt;
  for (std::size_t k = i; k < text.size(); ++k) {
    if (!is_digit(text[k])) return std::nullopt;
  }
  std::int64_t magnitude = 0;
  for (std::size_t k = i; k < text.size(); ++k) {
    magnitude = magnitude * 10 + (text[k] - '0');
    if (magnitude > 2147483648LL) return std::nullopt;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > 2147483647LL) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::optional<std::string> decimal_comma_as_point(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t comma = text.find(',', i);
  if (comma == std::string_view::npos || comma == i || comma + 1 == text.size()) return std::nullopt;
  for (std::size_t k = i; k < text.size(); ++k) {
    if (k != comma && !is_digit(text[k])) return std::nullopt;
  }
  std::string pointed(text);
  pointed[comma] = '.';
  return pointed;
}

}  // namespace elipses
