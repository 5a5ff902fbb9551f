#pragma once
// elipses.scr: a CAD command script, one command or answer per line (CR LF). It writes
// each point's name, draws each ellipse magnified by the drawing scale modulus, writes
// the legend under the first point of the drawn order and draws the traverse as a
// polyline.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "output/presentation.hpp"
#include "output/text_output.hpp"
#include "propagation/analysis.hpp"

namespace elipses {

// What the drawing takes from the answers.
struct DrawingSettings {
  double scale = 0.0;          // drawing scale modulus: ellipse axes drawn s times larger
  double text_height = 0.0;    // drawing units
  double text_rotation = 0.0;  // never asked; always 0
  std::int32_t ellipse_option = 0;  // 1..8
  double k = 0.0;                   // the option's factor
  bool has_mode = false;            // false after a mode letter that is neither g nor d
  ObservationMode mode = ObservationMode::goniometric;
  TraverseTitle title = TraverseTitle::none;
  bool adjusted = false;            // the drawing of the closed traverse adjusted by least squares
  // The precisions for the legend's figures, and the centring and sets for a legend line of
  // their own when not the defaults.
  InstrumentUse use;
};

// The drawing of a run: the answers' scale, text, level, mode and traverse title.
DrawingSettings drawing_settings(const AnalysisRequest& request, const Presentation& presentation);

// One number line or point line of the script, formatted once where it is written
// again and again (the text height, a point's position).
struct ScriptNumberLine {
  char text[80] = {};
  std::size_t size = 0;
  bool fits = true;
};

struct DrawingScriptWriter {
  explicit DrawingScriptWriter(std::ostream& file) : text(file) {}
  TextOutput text;
  std::size_t lines_not_fitting = 0;  // number lines written as asterisks
  // The text height and rotation of every text command, formatted once.
  bool text_lines_ready = false;
  double text_height = 0.0;
  double text_rotation = 0.0;
  ScriptNumberLine height_line;
  ScriptNumberLine rotation_line;
};

// Where the ellipse of a point at (m, p) goes in the drawing, in drawing units.
struct EllipseScriptGeometry {
  double centre_m = 0.0;
  double centre_p = 0.0;
  double axis_end_m = 0.0;  // end point of the a axis
  double axis_end_p = 0.0;
  double other_axis = 0.0;  // distance from the centre to the other axis, s * b
  bool drawn = false;       // only an ellipse with a > 0 and b > 0 is drawn
};

// The single-precision 0.1 that the drawing has always added to the a-axis end point,
// widened to double (0.10000000149011612).
inline const double axis_end_offset = static_cast<double>(0.1F);

// The ellipse magnified by the scale modulus s: a-axis end at M + s·a·sin(teta) + 0.1,
// P + s·a·cos(teta) + 0.1 (the offset left out only where a block variant says so).
EllipseScriptGeometry ellipse_script_geometry(double m, double p, const EllipseParams& params, double scale,
                                              bool with_axis_offset = true);

// COLOR 7, then TEXT with the point as start point, height h, rotation r and the name.
void write_label_block(DrawingScriptWriter& script, const DrawingSettings& settings, std::string_view name, double m,
                       double p);

// COLOR and its number: '1' before an ellipse, '5' before the legend, '3' before the polyline.
void write_colour(DrawingScriptWriter& script, char colour);

// ELLIPSE by its centre, the end point of one axis and the distance to the other axis.
void write_ellipse_command(DrawingScriptWriter& script, const EllipseScriptGeometry& geometry);

// TEXT at (m, p) in the current colour, with the settings' height and rotation.
void write_text_at(DrawingScriptWriter& script, const DrawingSettings& settings, double m, double p,
                   std::string_view text);

// PLINE through the points in their order, ended by a line of 63 blanks.
void write_traverse_polyline(DrawingScriptWriter& script, const PointList& points);

// The blocks of every point of a pass: the start point's name, and its ellipse unless it
// is taken as exact; then each computed point's name and ellipse.
void write_pass_blocks(DrawingScriptWriter& script, const DrawingSettings& settings, const PointList& walked,
                       const Pass& pass);

// elipses.scr: every pass's blocks, then the legend and the traverse in the order the last
// pass walked it. Returns the number of lines written as asterisks.
std::size_t write_drawing_script(std::ostream& file, const PreAnalysis& analysis, const DrawingSettings& settings);

// elipses-ajustada.scr: the closed traverse adjusted by least squares, in file order, each
// point's name once with its adjusted ellipse, the known ends with their own unless taken
// as exact; the legend below the final point.
std::size_t write_adjusted_script(std::ostream& file, const PreAnalysis& analysis, const DrawingSettings& settings);

// The legend below point 1 of `drawn_order`, then the traverse polyline through its
// points in that order, ended by a line of 63 blanks.
void write_closing_block(DrawingScriptWriter& script, const DrawingSettings& settings, const PointList& drawn_order);
// The same with the legend below `legend_point`: the adjusted drawing puts it where the
// drawing of the halves has it, below the final point.
void write_closing_block(DrawingScriptWriter& script, const DrawingSettings& settings, const PointList& drawn_order,
                         const Point& legend_point);

// The legend line of the centring and the sets: "Centragem do instrumento=2mm, dos
// alvos=1.5mm; 3 giros", the figures as given.
std::string centring_legend(const InstrumentUse& use);

// The six-character figure of the scale modulus in the legend.
std::string scale_figure(double scale);
// The figures of the precision lines: two characters for 0..99 (the value truncated),
// the whole value as it needs otherwise.
std::string truncated_figure(double value);
std::string whole_seconds_figure(double seconds);

}  // namespace elipses
