#pragma once
// Plays a drawing script of elipses the way the CAD program runs it, line after line,
// and keeps what it draws. The script language is small and fixed:
//
//   COLOR    then the colour number on its own line: 7, 1, 5 or 3;
//   TEXT     then the start point M,P, the height, the rotation (always 0.000) and the
//            text line (any characters, leading and trailing blanks included);
//   ELLIPSE  then C (the centre option), the centre M,P, the end point M,P of one axis
//            and the distance from the centre to the other axis;
//   PLINE    then one or more vertices M,P, ended by a blank line.
//
// Every number has an optional minus sign, digits, a point and exactly three decimals,
// with no blank anywhere (0.250, -0.500, 523456.789). Lines end in CR LF; a bare LF is
// taken as well. Anything else, or a command that the file cuts short, is refused.
#include <stdexcept>
#include <string>
#include <string_view>

#include "pictures/drawing.hpp"

namespace elipses::pictures {

// A script that cannot be played; the message names the line (1-based) and says what
// was expected there and what was found.
struct ScriptError : std::runtime_error {
  ScriptError(std::size_t line_number, const std::string& message);
  std::size_t line;
};

// Plays the whole script text. Throws ScriptError at the first line that does not fit.
Drawing play_drawing_script(std::string_view script);

}  // namespace elipses::pictures
