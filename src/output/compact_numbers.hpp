#pragma once
// Numbers of the table and of the drawing script. A fixed-point field has a fixed width;
// a script number has three decimals and no blank anywhere, so that CAD reads every line
// as typed: each gets a field exactly as wide as its magnitude.
#include <string>
#include <string_view>

namespace elipses {

// Room enough for any field or script number the program writes.
inline constexpr std::size_t number_room = 32;
// How a free-width number that is not finite is written.
inline constexpr std::size_t not_finite_stars = 8;

// Fixed-point field of width w (at most 30) with d decimals: rounded to nearest,
// right-justified, "-" only when the rounded value is not zero, no digit before the
// point when the whole part is zero (.500), and w asterisks when it does not fit or is
// not finite. Writes at `out` and returns the end; `fits` turns false on asterisks.
char* put_fixed_point_field(char* out, double value, int width, int decimals, bool& fits);
// The same through the C library's exact conversion alone: what the fast path above
// must agree with, digit for digit.
char* put_fixed_point_field_general(char* out, double value, int width, int decimals, bool& fits);

// The characters of one number by its magnitude class (9.5 -> "9.500", -0.5 -> "-0.500",
// 100000 -> "100000.000"); asterisks where rounding carries it out of its class.
char* put_compact_number(char* out, double x, bool& fits);

// The same as text, for callers that are not in a hurry.
std::string fixed_point_field(double value, int width, int decimals);
std::string compact_number(double x);

// The exact decimal expansion of `value` rounded to `decimals` decimals, ties to even
// (2.5 -> "2", -0.125 with 2 -> "-0.12"), as std::to_chars gives it in fixed notation;
// an infinity or a NaN as `not_finite_stars` asterisks. Writes at `out`, at most `room` - 1
// characters and a NUL, and returns the end (`out` itself when the room is too small).
char* put_exact_decimals(char* out, std::size_t room, double value, int decimals);
std::string exact_decimals_text(double value, int decimals);

// The fewest significant digits that read back as the very same double, plain or with an
// exponent, whichever is shorter (0.5, 100, 1e+20, 1.5e-07), as std::to_chars gives them.
std::string shortest_round_trip_text(double value);

// A text right-justified in a field of the given width (a longer text is kept whole).
std::string text_field(std::string_view text, int width);

}  // namespace elipses
