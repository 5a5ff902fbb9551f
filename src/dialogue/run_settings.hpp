#pragma once
// Every answer and option of a run, from the dialogue or from the command line, in one
// record; it becomes the request of the computation and the presentation of the
// writers. Numeric fields start at zero, and a value the chosen branch never asks for
// stays zero (a declined closed traverse starts from ends taken as exactly known).
#include <cstdint>
#include <string>

#include "output/presentation.hpp"
#include "propagation/analysis.hpp"

namespace elipses {

struct RunSettings {
  // The questions of the traverse.
  std::string coordinate_file_name;
  std::int32_t ellipse_option = 0;  // 1..8
  double scale = 0.0;               // drawing scale modulus: ellipse axes are drawn s times larger
  double text_height = 0.0;         // drawing units
  char mode = ' ';                  // 'g'/'G' goniometric, 'd'/'D' declined, as typed
  char traverse = ' ';              // 'a'/'A' open; anything else closed, as typed
  EndpointCovariance initial_point;
  EndpointCovariance final_point;   // goniometric closed traverse only
  // The instruments: the precision is asked with the traverse; the centring and the sets
  // come from the options or the further questions (the defaults change nothing).
  InstrumentUse use;
  // What the run writes beside the two files of every run, and where.
  std::string output_directory = ".";
  FurtherResults further;
  // The heights: from the options, or at a terminal from the further questions when every
  // record of the file carries a height.
  HeightRequest heights;
};

constexpr bool is_goniometric(char mode) { return mode == 'g' || mode == 'G'; }
constexpr bool is_declined(char mode) { return mode == 'd' || mode == 'D'; }
constexpr bool is_open(char traverse) { return traverse == 'a' || traverse == 'A'; }
constexpr bool is_named_closed(char traverse) { return traverse == 'f' || traverse == 'F'; }

// What the computation is asked, and how its results are written.
AnalysisRequest request_of(const RunSettings& settings);
Presentation presentation_of(const RunSettings& settings);

}  // namespace elipses
