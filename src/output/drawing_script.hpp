#pragma once
// elipses.scr: a CAD command script, one command or answer per line (CR LF). It writes
// each point's name, draws each ellipse magnified by the drawing scale modulus, writes
// the legend under point 1 of the list and draws the traverse as a polyline.
#include <ostream>
#include <string>

#include "input/coordinate_file.hpp"
#include "dialogue/run_settings.hpp"

namespace elipses {

struct DrawingScriptWriter {
  std::ostream& file;
  std::size_t lines_not_fitting = 0;  // number lines written as asterisks
};

// COLOR 7, then TEXT with the point as start point, height h, rotation r and the name.
void write_label_block(DrawingScriptWriter& script, const RunSettings& settings, const std::string& name, double m,
                       double p);

// COLOR and its number: "1" before an ellipse, "5" before the legend, "3" before the polyline.
void write_colour(DrawingScriptWriter& script, const std::string& colour);

// ELLIPSE by its centre, the end point of one axis and the distance to the other axis.
void write_ellipse_command(DrawingScriptWriter& script, double centre_m, double centre_p, double axis_end_m,
                           double axis_end_p, double other_axis);

// The legend below point 1 of the list in its current order, then the traverse polyline
// through all points in that order, ended by a line of 63 blanks.
void write_closing_block(DrawingScriptWriter& script, const RunSettings& settings, const PointList& points);

// The six-character figure of the scale modulus in the legend.
std::string scale_figure(double scale);
// The figures of the precision lines: two characters for 0..99, the whole value as it
// needs otherwise.
std::string millimetre_figure(double fixed_mm);
std::string whole_figure(std::int32_t value);

}  // namespace elipses
