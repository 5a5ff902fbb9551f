#pragma once
// What the writers take beyond the pre-analysis: how the results are drawn and named.
#include <cstdint>
#include <string>

namespace elipses {

// The traverse line of the legend: decided from the typed letters (a/A open, f/F
// closed); any other letter computes as closed but names no traverse.
enum class TraverseTitle { none, open, closed };

struct Presentation {
  std::int32_t ellipse_option = 0;  // 1..8: the level named in legends and messages
  double scale = 0.0;               // drawing scale modulus: ellipse axes drawn s times larger
  double text_height = 0.0;         // drawing units
  TraverseTitle title = TraverseTitle::none;
  std::string coordinate_file;      // as the user named it, for the report
  std::string folder = ".";         // the results' folder as given, for the report
};

}  // namespace elipses
