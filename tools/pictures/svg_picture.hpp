#pragma once
// The picture of a played drawing script as an SVG document that any browser opens.
// M grows to the right and P upwards, as on a plan: the picture's y is -P.
#include <string>
#include <string_view>

#include "pictures/drawing.hpp"

namespace elipses::pictures {

// How big the picture is on screen: the whole drawing fits in a screen of
// `screen_width` by `screen_height` pixels, and every text is shown at least
// `legible_text_pixels` high there (a name of 2.5 m on a plan of 3 km would be a dot):
// a text grows from its start point, and the legend's lines follow one another at
// `legend_line_pitch` times their shown height below the first one.
constexpr double screen_width = 1600.0;
constexpr double screen_height = 1000.0;
constexpr double legible_text_pixels = 8.0;
constexpr double legend_line_pitch = 1.5;
// Every line is drawn this wide on screen, whatever the drawing's extent.
constexpr double stroke_pixels = 1.5;
// Empty space around the drawing, as a share of its longer side.
constexpr double margin_share = 0.04;

// The colour of the CAD program's colour number on the picture's light background.
std::string_view svg_colour(ColourNumber colour);

// The drawing as the picture shows it at `pixels_per_metre`: texts grown to be legible and
// the legend's lines stacked; everything else as drawn.
Drawing drawing_as_shown(const Drawing& drawing, double pixels_per_metre);

// The whole SVG document; `title` names the script it was played from.
std::string svg_picture(const Drawing& drawing, std::string_view title);

}  // namespace elipses::pictures
