#include "input/free_form.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace elipses {

namespace {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Splits a number into the pieces std::from_chars accepts: no '+' sign, an 'e' exponent,
// and at least one digit on each side of a written point.
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

std::optional<double> parse_real(std::string_view text) {
  const std::optional<std::string> number = normalised_number(text);
  if (!number) return std::nullopt;
  double value = 0.0;
  const char* first = number->data();
  const char* last = first + number->size();
  const auto [end, error] = std::from_chars(first, last, value);
  if (error == std::errc::result_out_of_range) {
    // from_chars refuses both overflow and underflow; strtod (the program never leaves
    // the "C" locale) tells them apart: a value too small becomes zero or subnormal.
    value = std::strtod(number->c_str(), nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
  }
  if (error != std::errc() || end != last) return std::nullopt;
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

}  // namespace elipses
