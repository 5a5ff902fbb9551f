#pragma once
// The part of the plane that a drawing covers, and how its texts are measured. Shared by
// the SVG picture (its view) and the DXF file (its extents).
#include <string>
#include <string_view>

#include "pictures/drawing.hpp"

namespace elipses::pictures {

// The CAD program's text height is the height of the capital letters. The picture writes
// its texts in a monospaced font (the legend is right-aligned with leading blanks, which
// only lines up when every character is as wide as a blank): DejaVu Sans Mono, the
// common such font, has capitals 0.729 of its em high and every character 0.602 em wide.
constexpr double font_size_per_text_height = 1.0 / 0.729;
constexpr double character_width_per_font_size = 0.602;
// Below the base line the descenders reach about a quarter of the capitals' height.
constexpr double descent_per_text_height = 0.25;

struct Extent {
  bool empty = true;
  double min_m = 0.0;
  double min_p = 0.0;
  double max_m = 0.0;
  double max_p = 0.0;

  void include(const PlanPoint& point);
  double width() const { return max_m - min_m; }
  double height() const { return max_p - min_p; }
};

// The text as Unicode code points: valid UTF-8 is taken as it is, any other byte as the
// Windows-1252 character it stands for (files from Portuguese Windows machines), and
// control characters, which neither picture format can hold, become U+FFFD.
std::u32string readable_text(std::string_view bytes);

// The box of everything drawn: ellipses exactly, texts by their font's measures.
Extent drawing_extent(const Drawing& drawing);

}  // namespace elipses::pictures
