#pragma once
// Every answer of a run, from the dialogue or from the command line. Numeric fields start
// at zero, and a value the chosen branch never asks for stays zero (a declined closed
// traverse starts from ends taken as exactly known).
#include <cstdint>
#include <string>

#include "propagation/design.hpp"

namespace elipses {

struct RunSettings {
  std::string coordinate_file_name;
  std::int32_t ellipse_option = 0;  // 1..8
  double scale = 0.0;               // drawing scale modulus: ellipse axes are drawn s times larger
  double text_height = 0.0;         // drawing units
  char mode = ' ';                  // 'g'/'G' goniometric, 'd'/'D' declined, as typed
  char traverse = ' ';              // 'a'/'A' open; anything else closed, as typed
  ObservationPrecision precision;
  EndpointCovariance initial_point;
  EndpointCovariance final_point;   // goniometric closed traverse only
};

// What the run writes beside the two files of every run, and where.
struct RunExtras {
  std::string output_directory = ".";
  bool adjusted = false;     // a closed traverse adjusted by least squares
  bool relative = false;     // relative ellipses between neighbouring points
  bool reliability = false;  // redundancy numbers and detectable blunders of a closed traverse
  bool report = false;       // elipses-relatorio.html: everything that applies, in one page
  // How the instruments are used: centring of the instrument and of the targets (sigma per
  // coordinate, mm) and the number of sets of directions. The defaults change nothing.
  double instrument_centring_mm = 0.0;
  double target_centring_mm = 0.0;
  std::int32_t sets = 1;
  // The tolerances to test (a relative one brings the relative ellipses), and the design
  // sheet.
  Tolerances tolerances{};
  bool design = false;

  bool plain_use() const { return instrument_centring_mm == 0.0 && target_centring_mm == 0.0 && sets == 1; }
};

constexpr bool is_goniometric(char mode) { return mode == 'g' || mode == 'G'; }
constexpr bool is_declined(char mode) { return mode == 'd' || mode == 'D'; }
constexpr bool is_open(char traverse) { return traverse == 'a' || traverse == 'A'; }
constexpr bool is_named_closed(char traverse) { return traverse == 'f' || traverse == 'F'; }

}  // namespace elipses
