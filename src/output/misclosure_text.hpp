#pragma once
// The predicted misclosure of a closed traverse in words: what standard error says after
// the adjusted run, and elipses-fecho.txt (the same lines, CR LF) so that it outlives
// the console window.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "propagation/adjustment.hpp"

namespace elipses {

// The lines, without line ends: the length, the level, the angular misclosure
// (goniometric mode, in the unit the directions were given in) and the linear one, at
// 1 sigma and at the level of option 1..8.
std::vector<std::string> misclosure_lines(const PredictedMisclosure& closure, ObservationMode mode,
                                          std::int32_t ellipse_option, AngleUnit unit = AngleUnit::arc_seconds);

// The lines as elipses-fecho.txt holds them, each ended by CR LF.
void write_misclosure_file(std::ostream& file, const std::vector<std::string>& lines);

}  // namespace elipses
