#pragma once
// Every answer of the dialogue for one run. Numeric fields start at zero, and a value
// the chosen branch never asks for stays zero (a declined closed traverse starts from
// an initial point taken as exactly known).
#include <cstdint>
#include <string>

#include "propagation/traverse_model.hpp"

namespace elipses {

struct RunSettings {
  double pi = 0.0;                    // 4 * atan(1), computed once after the banner
  std::string coordinate_file_name;
  std::int32_t ellipse_option = 0;    // 1..8
  double k = 0.0;                     // ellipse factor of the option
  double scale = 0.0;                 // drawing scale modulus: ellipse axes are drawn s times larger
  double text_rotation = 0.0;         // never asked; written after the text height
  double text_height = 0.0;           // drawing units
  char mode = ' ';                    // 'g'/'G' goniometric, 'd'/'D' declined, as typed
  char traverse = ' ';                // 'a'/'A' open; anything else closed, as typed
  ObservationPrecision precision;
  EndpointCovariance initial_point;
  EndpointCovariance final_point;     // goniometric closed traverse only
};

constexpr bool is_goniometric(char mode) { return mode == 'g' || mode == 'G'; }
constexpr bool is_declined(char mode) { return mode == 'd' || mode == 'D'; }
constexpr bool is_open(char traverse) { return traverse == 'a' || traverse == 'A'; }

}  // namespace elipses
