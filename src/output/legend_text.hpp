#pragma once
// The words and figures that the newer files, drawings and the report share: a precision
// as the surveyor typed it, and the level of the ellipses in plain Portuguese.
#include <cstdint>
#include <string>

#include "output/record_text.hpp"
#include "propagation/traverse_model.hpp"

namespace elipses {

// A value with a fixed number of decimals, for messages and the newer files (12.346).
std::string decimal_figure(double value, int decimals);

// "confiança 2.447 sigma (95%)" or "erro 1 sigma (39.4%)" for a menu option 1..8.
std::string level_words(std::int32_t option);
// The level's percentage as the menu shows it: "95%", "39.4%".
std::string level_percent(std::int32_t option);

// "2.5 mm + 1.5 ppm" and "1.5\"" (or "1.5 cc"): the distances' and the directions' (or
// bearings') precision, the figures as given.
std::string distance_precision_text(const ObservationPrecision& precision);
std::string angle_precision_text(const ObservationPrecision& precision);
// "das direções" or "dos rumos", as the mode observes them.
const char* angle_observation_words(ObservationMode mode);

}  // namespace elipses
