#include "output/compact_numbers.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace elipses {

namespace {

// GCC and Clang, the compilers of every build (MinGW's included), have 128-bit integers.
__extension__ typedef unsigned __int128 Unsigned128;

constexpr std::uint64_t powers_of_ten[7] = {1, 10, 100, 1000, 10000, 100000, 1000000};
// 10^1 .. 10^19: the bounds of 1 .. 19 digits.
constexpr std::uint64_t powers_of_ten_wide[19] = {
    10U, 100U, 1000U, 10000U, 100000U, 1000000U, 10000000U, 100000000U, 1000000000U, 10000000000U, 100000000000U,
    1000000000000U, 10000000000000U, 100000000000000U, 1000000000000000U, 10000000000000000U,
    100000000000000000U, 1000000000000000000U, 10000000000000000000U};

// |value| rounded to `decimals` (0..6) decimals as a whole number of units of the last
// decimal, exactly as the decimal expansion of the double rounds, ties to even; false
// when the magnitude is beyond the fast path (the caller then takes the general one).
// The double is m·2^e with m a 53-bit whole number, so |value|·10^d = m·10^d·2^e is
// shifted exactly in 128-bit arithmetic.
bool rounded_units(double magnitude, int decimals, std::uint64_t& units) {
  if (!(magnitude < 1e12)) return false;
  std::uint64_t bits = 0;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const auto biased_exponent = static_cast<int>(bits >> 52);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  // magnitude = mantissa·2^-shift (a subnormal has no hidden bit)
  const std::uint64_t mantissa = biased_exponent == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
  const int shift = biased_exponent == 0 ? 1074 : 1075 - biased_exponent;
  if (shift <= 0) return false;  // 2^53 and more: never in a field
  const Unsigned128 scaled = static_cast<Unsigned128>(mantissa) * powers_of_ten[decimals];
  if (shift >= 127) {
    units = 0;  // below 2^73·2^-127: far below half a unit
    return true;
  }
  const Unsigned128 one = 1;
  const Unsigned128 remainder = scaled & ((one << shift) - 1);
  const Unsigned128 half = one << (shift - 1);
  units = static_cast<std::uint64_t>(scaled >> shift);
  if (remainder > half || (remainder == half && (units & 1U) != 0)) ++units;
  return true;
}

}  // namespace

namespace {

constexpr char digit_pairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The field of `units` units of the Decimals-th decimal, right to left straight into the
// field: the decimals, the point, the whole digits two at a time, the sign, the blanks.
// No digit before the point when the whole part is zero (.500).
template <int Decimals>
char* put_units_field(char* out, std::uint64_t units, bool minus, int width, bool& fits) {
  constexpr std::uint64_t scale = powers_of_ten[Decimals];
  std::uint64_t whole = units / scale;
  std::uint64_t fraction = units % scale;
  int whole_digits = whole != 0 || Decimals == 0 ? 1 : 0;
  while (whole_digits >= 1 && whole_digits < 20 && whole >= powers_of_ten_wide[whole_digits - 1]) ++whole_digits;
  const int length = whole_digits + (Decimals > 0 ? Decimals + 1 : 0) + (minus ? 1 : 0);
  const auto w = static_cast<std::size_t>(width);
  if (length > width) {
    std::memset(out, '*', w);
    fits = false;
    return out + w;
  }
  char* at = out + w;
  int left = Decimals;
  for (; left >= 2; left -= 2) {
    const auto pair = static_cast<std::size_t>(fraction % 100) * 2;
    fraction /= 100;
    *--at = digit_pairs[pair + 1];
    *--at = digit_pairs[pair];
  }
  if (left == 1) *--at = static_cast<char>('0' + fraction);
  if (Decimals > 0) *--at = '.';
  int digits = whole_digits;
  for (; digits >= 2; digits -= 2) {
    const auto pair = static_cast<std::size_t>(whole % 100) * 2;
    whole /= 100;
    *--at = digit_pairs[pair + 1];
    *--at = digit_pairs[pair];
  }
  if (digits == 1) *--at = static_cast<char>('0' + whole);
  if (minus) *--at = '-';
  while (at != out) *--at = ' ';
  return out + w;
}

}  // namespace

char* put_fixed_point_field(char* out, double value, int width, int decimals, bool& fits) {
  std::uint64_t units = 0;
  if (decimals < 0 || decimals > 6 || !std::isfinite(value) || !rounded_units(std::fabs(value), decimals, units)) {
    return put_fixed_point_field_general(out, value, width, decimals, fits);
  }
  const bool minus = value < 0.0 && units != 0;  // no sign for a value that rounds to zero
  switch (decimals) {
    case 0: return put_units_field<0>(out, units, minus, width, fits);
    case 1: return put_units_field<1>(out, units, minus, width, fits);
    case 2: return put_units_field<2>(out, units, minus, width, fits);
    case 3: return put_units_field<3>(out, units, minus, width, fits);
    case 4: return put_units_field<4>(out, units, minus, width, fits);
    case 5: return put_units_field<5>(out, units, minus, width, fits);
    default: return put_units_field<6>(out, units, minus, width, fits);
  }
}

char* put_fixed_point_field_general(char* out, double value, int width, int decimals, bool& fits) {
  const auto w = static_cast<std::size_t>(width);
  const auto overflow = [&] {
    std::memset(out, '*', w);
    fits = false;
    return out + w;
  };
  // No field is wider than 30 characters, so a magnitude of 1e30 or more never fits;
  // this also keeps every digit string below within its buffer.
  if (!std::isfinite(value) || std::fabs(value) >= 1e30) return overflow();
  char digits[64];
  const char* last = put_exact_decimals(digits, sizeof digits, std::fabs(value), decimals);
  if (last == digits) return overflow();
  const char* first = digits;
  if (last - digits > 1 && digits[0] == '0' && digits[1] == '.') ++first;  // .500, not 0.500
  bool rounds_to_zero = true;
  for (const char* c = first; c != last; ++c) {
    if (*c != '0' && *c != '.') {
      rounds_to_zero = false;
      break;
    }
  }
  const bool minus = value < 0.0 && !rounds_to_zero;
  const auto length = static_cast<std::size_t>(last - first) + (minus ? 1 : 0);
  if (length > w) return overflow();
  std::memset(out, ' ', w - length);
  char* at = out + (w - length);
  if (minus) *at++ = '-';
  std::memcpy(at, first, static_cast<std::size_t>(last - first));
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

// The C library's conversions are exact and correctly rounded, ties to even, and the
// program never calls setlocale: in the "C" locale the point is always the separator.
// They stand in for std::to_chars, which not every C++ library has for doubles (the one
// of the web page's compiler has not).
char* put_exact_decimals(char* out, std::size_t room, double value, int decimals) {
  // A value beyond the doubles (a traverse of absurd extent overflows its squares) is
  // written as the fixed fields write what does not fit: asterisks, never "inf" or "nan".
  if (!std::isfinite(value)) {
    const std::size_t stars = room > not_finite_stars ? not_finite_stars : (room > 0 ? room - 1 : 0);
    for (std::size_t i = 0; i < stars; ++i) out[i] = '*';
    if (room > 0) out[stars] = '\0';
    return out + stars;
  }
  const int length = std::snprintf(out, room, "%.*f", decimals, value);
  if (length <= 0 || static_cast<std::size_t>(length) >= room) return out;
  return out + length;
}

std::string exact_decimals_text(double value, int decimals) {
  char text[400];  // 10^308 with a few decimals
  return std::string(text, put_exact_decimals(text, sizeof text, value, decimals));
}

namespace {

// A nonzero double as "digits times a power of ten": 1234.5 is {"12345", 3}.
struct SignificantDigits {
  std::string digits;
  int exponent = 0;  // of the first digit
};

// `count` significant digits of |value|, correctly rounded.
SignificantDigits significant_digits(double value, int count) {
  char text[48];  // at most 17 digits, the point and an exponent of three digits
  SignificantDigits d;
  if (std::snprintf(text, sizeof text, "%.*e", count - 1, std::fabs(value)) <= 0) return d;
  const char* c = text;
  for (; *c != 'e'; ++c) {
    if (*c != '.') d.digits += *c;
  }
  d.exponent = static_cast<int>(std::strtol(c + 1, nullptr, 10));
  return d;
}

double read_back(const SignificantDigits& d, bool negative) {
  const std::string text = (negative ? "-" : "") + d.digits + "e" +
                           std::to_string(d.exponent - static_cast<int>(d.digits.size()) + 1);
  return std::strtod(text.c_str(), nullptr);
}

// One more unit in the last digit, keeping the count: 1299 -> 1300, 999 -> 100 one power up.
SignificantDigits next_up(SignificantDigits d) {
  std::size_t i = d.digits.size();
  while (i > 0 && d.digits[i - 1] == '9') d.digits[--i] = '0';
  if (i > 0) {
    ++d.digits[i - 1];
  } else {
    d.digits.insert(0, 1, '1');
    d.digits.pop_back();
    ++d.exponent;
  }
  return d;
}

}  // namespace

std::string shortest_round_trip_text(double value) {
  const bool negative = std::signbit(value);
  if (!std::isfinite(value)) return negative ? (std::isnan(value) ? "-nan" : "-inf") : (std::isnan(value) ? "nan" : "inf");
  SignificantDigits d = significant_digits(value, 1);
  for (int count = 1; count < 17 && read_back(d, negative) != value; ++count) {
    // Just above a power of two the doubles below lie twice as close as those above: the
    // nearest digits may read back as the double below while the next ones up read back right.
    if (std::fabs(read_back(d, negative)) < std::fabs(value)) {
      const SignificantDigits up = next_up(d);
      if (read_back(up, negative) == value) {
        d = up;
        break;
      }
    }
    d = significant_digits(value, count + 1);
  }
  const std::string sign = negative ? "-" : "";
  const int count = static_cast<int>(d.digits.size());
  const char exponent_sign = d.exponent < 0 ? '-' : '+';
  const int exponent_size = std::abs(d.exponent);
  std::string scientific = sign + d.digits.substr(0, 1) + (count > 1 ? "." + d.digits.substr(1) : "") + "e" +
                           exponent_sign + (exponent_size < 10 ? "0" : "") + std::to_string(exponent_size);
  std::string plain;
  if (d.exponent >= count - 1) {
    // A whole number is written with all its digits, exact, as long as the shortest ones
    // would be with trailing zeros (616384570670097235968, not 616384570670097200000).
    plain = exact_decimals_text(value, 0);
  } else if (d.exponent < 0) {
    plain = sign + "0." + std::string(static_cast<std::size_t>(-d.exponent - 1), '0') + d.digits;
  } else {
    const auto whole = static_cast<std::size_t>(d.exponent) + 1;
    plain = sign + d.digits.substr(0, whole) + "." + d.digits.substr(whole);
  }
  return plain.size() <= scientific.size() ? plain : scientific;
}

}  // namespace elipses
