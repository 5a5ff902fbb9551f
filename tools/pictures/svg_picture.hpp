#pragma once
// The picture of a played drawing script as an SVG document that any browser opens.
// M grows to the right and P upwards, as on a plan: the picture's y is -P.
#include <string>
#include <string_view>

#include "pictures/drawing.hpp"

namespace elipses::pictures {

// How big the picture is on screen. The whole drawing fits in `overview_pixels` on its
// longer side, unless that makes the smallest text shorter than `smallest_text_pixels`:
// then the picture grows until the names can be read, up to `largest_pixels`.
constexpr double overview_pixels = 1200.0;
constexpr double smallest_text_pixels = 8.0;
constexpr double largest_pixels = 10000.0;
// Every line is drawn this wide on screen, whatever the drawing's extent.
constexpr double stroke_pixels = 1.5;
// Empty space around the drawing, as a share of its longer side.
constexpr double margin_share = 0.04;

// The colour of the CAD program's colour number on the picture's light background.
std::string_view svg_colour(ColourNumber colour);

// The whole SVG document; `title` names the script it was played from.
std::string svg_picture(const Drawing& drawing, std::string_view title);

}  // namespace elipses::pictures
