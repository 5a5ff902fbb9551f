#pragma once
// Numbers of the drawing script: three decimals and no blank anywhere, so that CAD reads
// every line as typed. Each number gets a fixed field exactly as wide as its magnitude.
#include <ostream>
#include <string>

namespace elipses {

// Fixed-point field of width w with d decimals: rounded to nearest, right-justified,
// "-" only when the rounded value is not zero, no digit before the point when the whole
// part is zero (.500), and w asterisks when it does not fit or is not finite.
std::string fixed_point_field(double value, int width, int decimals);

// A text right-justified in a field of the given width (a longer text is kept whole).
std::string text_field(const std::string& text, int width);

// The characters of one number by its magnitude class (9.5 -> "9.500", -0.5 -> "-0.500",
// 100000 -> "100000.000"); asterisks where rounding carries it out of its class.
std::string compact_number(double x);

// One line: x by its magnitude class, then CR LF. False when x did not fit and the
// line holds asterisks.
bool write_compact_number(std::ostream& script, double x);

// One line: "M,P", each value by its own magnitude class, then CR LF. False when either
// value did not fit.
bool write_coordinate_pair(std::ostream& script, double m, double p);

}  // namespace elipses
