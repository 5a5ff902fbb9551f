#pragma once
// The fixed dialogue: the banner, and the questions of the traverse in their order and
// words, which have never changed: the ellipse level, the drawing's scale and text, the
// mode and the traverse, the precisions and the known ends each branch needs.
#include <ostream>
#include <string>

#include "dialogue/console.hpp"
#include "dialogue/run_settings.hpp"

namespace elipses {

void show_banner(Console& console);

// The menu of the eight levels and the option. False after an option outside 1..8, once
// the stop has been shown.
bool ask_level(Console& console, RunSettings& settings);

// The questions after the level, into `settings`. Returns the line typed for the
// traverse, for the warning about a letter that is neither a nor f.
std::string ask_traverse(Console& console, RunSettings& settings);

// A traverse letter that is neither a nor f computes as closed: said on the message
// stream, since the legend will not name the traverse.
void warn_about_traverse_letter(std::ostream& err, const RunSettings& settings, const std::string& line);

}  // namespace elipses
