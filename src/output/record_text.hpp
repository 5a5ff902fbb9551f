#pragma once
// The pieces of the records of the further files, whose values are separated by blanks so
// that they split on blanks: point names, plain fixed-point numbers, and figures written
// as the user gave them.
#include <string>
#include <string_view>

namespace elipses {

// A point's name in a blank-separated record: without the blanks that fill it to four
// characters; in double quotes (a quote inside doubled) where it still holds a blank or a
// quote, or is empty, so that the record still splits on blanks.
std::string record_name(std::string_view name);

// `value` with `decimals` decimals, rounded as the tables round, a digit before the point
// and "-" only where the rounded value is not zero ("0.500", "-1.250", "0.000").
std::string plain_fixed(double value, int decimals);

// The shortest decimal text that reads back as `value`, as a user would type it: 2.5,
// 1.5, 3, 0.0001; asterisks for a value that is not finite.
std::string given_figure(double value);

}  // namespace elipses
