#pragma once
// Free-form values, shared by the coordinate file and by the numeric answers typed at
// the console: a value ends at a blank, a tab, a CR, a comma, a slash or the line end.
// Numbers are read with the point as decimal separator whatever the user's locale.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace elipses {

// Blank, tab and CR separate values like a space (CR LF and LF files read alike).
constexpr bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// A character that ends an unquoted value.
constexpr bool ends_value(char c) { return is_blank(c) || c == ',' || c == '/' || c == '\n'; }

// True when the text is a number in ordinary notation: optional sign, digits with an
// optional decimal point (".5" and "5." included), optional exponent after E, e, D or d.
bool is_number_syntax(std::string_view text);

// The double of a number written as is_number_syntax accepts; nothing when the text is
// not such a number or its magnitude is beyond the range of a double.
std::optional<double> parse_real(std::string_view text);

// A whole number: optional sign and digits only, within 32 bits.
std::optional<std::int32_t> parse_whole(std::string_view text);

// A number written with a decimal comma and nothing else, "2,5" or "-0,00001" (optional
// sign, digits, one comma, digits): the same text with a point ("2.5"). Nothing for any
// other text.
std::optional<std::string> decimal_comma_as_point(std::string_view text);

}  // namespace elipses
