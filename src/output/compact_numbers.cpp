#include "output/compact_numbers.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

namespace elipses {

char* put_fixed_point_field(char* out, double value, int width, int decimals, bool& fits) {
  const auto w = static_cast<std::size_t>(width);
  const auto overflow = [&] {
    std::memset(out, '*', w);
    fits = false;
    return out + w;
  };
  // No field is wider than 30 characters, so a magnitude of 1e30 or more never fits;
  // this also keeps every digit string below within its buffer.
  if (!std::isfinite(value) || std::fabs(value) >= 1e30) return overflow();
  // to_chars is exact and ignores the locale: the point is always the separator.
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof digits, std::fabs(value), std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return overflow();
  const char* first = digits;
  if (result.ptr - digits > 1 && digits[0] == '0' && digits[1] == '.') ++first;  // .500, not 0.500
  bool rounds_to_zero = true;
  for (const char* c = first; c != result.ptr; ++c) {
    if (*c != '0' && *c != '.') {
      rounds_to_zero = false;
      break;
    }
  }
  const bool minus = value < 0.0 && !rounds_to_zero;
  const auto length = static_cast<std::size_t>(result.ptr - first) + (minus ? 1 : 0);
  if (length > w) return overflow();
  std::memset(out, ' ', w - length);
  char* at = out + (w - length);
  if (minus) *at++ = '-';
  std::memcpy(at, first, static_cast<std::size_t>(result.ptr - first));
  return out + w;
}

char* put_compact_number(char* out, double x, bool& fits) {
  // Boundaries belong to the wider class: 1 and -1 take a digit before the point.
  if (x <= -100000.0) return put_fixed_point_field(out, x, 11, 3, fits);
  if (x <= -10000.0) return put_fixed_point_field(out, x, 10, 3, fits);
  if (x <= -1000.0) return put_fixed_point_field(out, x, 9, 3, fits);
  if (x <= -100.0) return put_fixed_point_field(out, x, 8, 3, fits);
  if (x <= -10.0) return put_fixed_point_field(out, x, 7, 3, fits);
  if (x <= -1.0) return put_fixed_point_field(out, x, 6, 3, fits);
  if (x < 0.0) {
    *out++ = '-';
    *out++ = '0';
    return put_fixed_point_field(out, std::fabs(x), 4, 3, fits);
  }
  if (x < 1.0) {
    *out++ = '0';
    return put_fixed_point_field(out, std::fabs(x), 4, 3, fits);
  }
  if (x < 10.0) return put_fixed_point_field(out, x, 5, 3, fits);
  if (x < 100.0) return put_fixed_point_field(out, x, 6, 3, fits);
  if (x < 1000.0) return put_fixed_point_field(out, x, 7, 3, fits);
  if (x < 10000.0) return put_fixed_point_field(out, x, 8, 3, fits);
  if (x < 100000.0) return put_fixed_point_field(out, x, 9, 3, fits);
  return put_fixed_point_field(out, x, 10, 3, fits);  // also a NaN, which no comparison holds for
}

std::string fixed_point_field(double value, int width, int decimals) {
  char text[number_room];
  bool fits = true;
  return std::string(text, put_fixed_point_field(text, value, width, decimals, fits));
}

std::string compact_number(double x) {
  char text[number_room];
  bool fits = true;
  return std::string(text, put_compact_number(text, x, fits));
}

std::string text_field(std::string_view text, int width) {
  const auto w = static_cast<std::size_t>(width);
  std::string field = text.size() >= w ? std::string() : std::string(w - text.size(), ' ');
  field.append(text);
  return field;
}

}  // namespace elipses
