#pragma once
// elipses-relativas.scr: the relative ellipses drawn, in the script language of
// elipses.scr (COLOR, TEXT, ELLIPSE, PLINE; CR LF), so that a CAD program and
// elipses-svg play it. The traverse, each point's name, and each leg's relative ellipse
// at the leg's midpoint, magnified by the scale modulus; where a tolerance is tested, its
// circle around the same midpoint (an ellipse with equal axes) and the ellipse in the
// colour of its verdict; then the legend. No other ellipse is drawn.
#include <optional>
#include <string>
#include <vector>

#include "output/drawing_script.hpp"

namespace elipses {

// The relative tolerance as the surveyor gave it, for the legend.
struct ToleranceLegend {
  double fixed_mm = 0.0;
  double ppm = 0.0;
};

struct RelativeDrawingSettings {
  DrawingSettings drawing;  // scale modulus, text height, level, mode, precisions
  bool closed = false;      // the legend goes where elipses.scr has it: below the final point when closed
  std::optional<ToleranceLegend> tolerance_legend;
  // Legend lines after the precisions and the centring and sets, written as given.
  std::vector<std::string> extra_legend_lines;
  // CAD colour numbers: an ellipse without verdict, one that passes, one that exceeds,
  // the tolerance circle.
  char ellipse_colour = '1';
  char passes_colour = '3';
  char exceeds_colour = '1';
  char tolerance_colour = '5';
};

// Where a relative ellipse or its tolerance circle goes: centred at the midpoint of leg i.
EllipseScriptGeometry relative_ellipse_geometry(const PointList& points, std::int32_t i, const EllipseParams& params,
                                                double scale);

// The legend's lines, top to bottom.
std::vector<std::string> relative_legend_lines(const RelativeDrawingSettings& settings);

// The whole script, from the points in file order and their legs' relative ellipses and
// verdicts (a leg without a verdict is drawn without a tolerance).
void write_relative_drawing(DrawingScriptWriter& script, const RelativeDrawingSettings& settings,
                            const PointList& points, const LegTests& legs);

}  // namespace elipses
