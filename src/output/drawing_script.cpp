#include "output/drawing_script.hpp"

#include <cmath>
#include <limits>

#include "output/compact_numbers.hpp"
#include "output/record_text.hpp"
#include "output/ellipse_levels.hpp"

namespace elipses {

namespace {

// Every number of the script goes through these two, which count the lines whose value
// did not fit (a coordinate of a million metres or more, say).
ScriptNumberLine number_text(double x) {
  ScriptNumberLine line;
  line.size = static_cast<std::size_t>(put_compact_number(line.text, x, line.fits) - line.text);
  return line;
}

ScriptNumberLine pair_text(double m, double p) {
  ScriptNumberLine line;
  char* end = put_compact_number(line.text, m, line.fits);
  *end++ = ',';
  end = put_compact_number(end, p, line.fits);
  line.size = static_cast<std::size_t>(end - line.text);
  return line;
}

void put_number_line(DrawingScriptWriter& script, const ScriptNumberLine& line) {
  if (!line.fits) ++script.lines_not_fitting;
  script.text.put_line(std::string_view(line.text, line.size));
}

void number_line(DrawingScriptWriter& script, double x) {
  bool fits = true;
  char* end = put_compact_number(script.text.room(number_room + 2), x, fits);
  if (!fits) ++script.lines_not_fitting;
  end[0] = '\r';
  end[1] = '\n';
  script.text.advance(end + 2);
}

void point_line(DrawingScriptWriter& script, double m, double p) {
  bool fits = true;
  char* end = put_compact_number(script.text.room(2 * number_room + 3), m, fits);
  *end++ = ',';
  end = put_compact_number(end, p, fits);
  if (!fits) ++script.lines_not_fitting;
  end[0] = '\r';
  end[1] = '\n';
  script.text.advance(end + 2);
}

char digit(double d) { return static_cast<char>('0' + static_cast<int>(d)); }

// TEXT at a start point already formatted, with the height and rotation of every text.
void write_text_command(DrawingScriptWriter& script, const DrawingSettings& settings, const ScriptNumberLine& start,
                        std::string_view text) {
  if (!script.text_lines_ready || script.text_height != settings.text_height ||
      script.text_rotation != settings.text_rotation) {
    script.height_line = number_text(settings.text_height);
    script.rotation_line = number_text(settings.text_rotation);
    script.text_height = settings.text_height;
    script.text_rotation = settings.text_rotation;
    script.text_lines_ready = true;
  }
  script.text.put_line("TEXT");
  put_number_line(script, start);
  put_number_line(script, script.height_line);
  put_number_line(script, script.rotation_line);
  script.text.put_line(text);
}

void write_text_command(DrawingScriptWriter& script, const DrawingSettings& settings, double m, double p,
                        std::string_view text) {
  write_text_command(script, settings, pair_text(m, p), text);
}

// A point's name at the point, and its ellipse when drawn, with the point's position
// formatted once for both.
void write_point_block(DrawingScriptWriter& script, const DrawingSettings& settings, const Point& point,
                       const EllipseScriptGeometry& geometry, bool colour) {
  const ScriptNumberLine position = pair_text(point.m, point.p);
  script.text.put_line("COLOR");
  script.text.put_line("7");
  write_text_command(script, settings, position, point.name);
  if (colour) {
    script.text.put_line("COLOR");
    script.text.put_line("1");
  }
  if (!geometry.drawn) return;
  script.text.put_line("ELLIPSE");
  script.text.put_line("C");
  put_number_line(script, geometry.centre_m == point.m && geometry.centre_p == point.p
                              ? position
                              : pair_text(geometry.centre_m, geometry.centre_p));
  point_line(script, geometry.axis_end_m, geometry.axis_end_p);
  number_line(script, geometry.other_axis);
}

const char* traverse_title(const DrawingSettings& settings) {
  if (!settings.has_mode || settings.title == TraverseTitle::none) return nullptr;
  if (settings.adjusted) {
    return settings.mode == ObservationMode::goniometric ? " Poligonal fechada ajustada obs. em modo goniometrico"
                                                         : "    Poligonal fechada ajustada obs. em modo declinado";
  }
  const bool open = settings.title == TraverseTitle::open;
  if (settings.mode == ObservationMode::goniometric) {
    return open ? "Poligonal aberta obs. em modo goniometrico" : "Poligonal fechada obs. em modo goniometrico";
  }
  return open ? "Poligonal aberta obs. em modo declinado" : "Poligonal fechada obs. em modo declinado";
}

std::string whole_part_in_decimal(double value) { return exact_decimals_text(std::trunc(value), 0); }

// The drawing variants of the goniometric closed traverse, which its drawings have
// always had: with an even number of points the pass from the initial point colours
// only the ellipses it draws; with an odd number the initial point's ellipse has no
// offset at its axis end and the final point's ellipse keeps the label's colour.
struct BlockStyle {
  bool start_axis_offset = true;
  bool start_colour = true;
  bool colour_only_when_drawn = false;
};

BlockStyle block_style(const Chain& chain, std::int32_t n) {
  BlockStyle style;
  if (chain.mode != ObservationMode::goniometric) return style;
  const bool odd = n % 2 == 1;
  if (chain.start_end == PassStart::initial_point) {
    style.start_axis_offset = !odd;
    style.colour_only_when_drawn = !odd;
  } else if (chain.start_end == PassStart::final_point) {
    style.start_colour = !odd;
  }
  return style;
}

}  // namespace

EllipseScriptGeometry ellipse_script_geometry(double m, double p, const EllipseParams& params, double scale,
                                              bool with_axis_offset) {
  EllipseScriptGeometry geometry;
  geometry.centre_m = m;
  geometry.centre_p = p;
  geometry.axis_end_m = m + scale * params.a * std::sin(params.teta);
  geometry.axis_end_p = p + scale * params.a * std::cos(params.teta);
  if (with_axis_offset) {
    geometry.axis_end_m = geometry.axis_end_m + axis_end_offset;
    geometry.axis_end_p = geometry.axis_end_p + axis_end_offset;
  }
  geometry.other_axis = scale * params.b;
  geometry.drawn = params.a > 0.0 && params.b > 0.0;
  return geometry;
}

std::string scale_figure(double s) {
  std::string figure;
  if (99.0 <= s && s <= 999.0) {
    const double d1 = std::trunc(s / 100.0);
    const double d2 = std::trunc((s - 100.0 * d1) / 10.0);
    const double d3 = std::trunc(s - 100.0 * d1 - 10.0 * d2);
    figure = {digit(d1), digit(d2), digit(d3), ' ', ' ', ' '};
  }
  if (999.0 <= s && s <= 9999.0) {
    const double d1 = std::trunc(s / 1000.0);
    const double d2 = std::trunc((s - 1000.0 * d1) / 100.0);
    const double d3 = std::trunc((s - 1000.0 * d1 - 100.0 * d2) / 10.0);
    const double d4 = std::trunc(s - 1000.0 * d1 - 100.0 * d2 - 10.0 * d3);
    figure = {digit(d1), digit(d2), digit(d3), digit(d4), ' ', ' '};
  }
  if (9999.0 <= s && s <= 99999.0) {
    const double d1 = std::trunc(s / 10000.0);
    const double d2 = std::trunc((s - 10000.0 * d1) / 1000.0);
    const double d3 = std::trunc((s - 10000.0 * d1 - 1000.0 * d2) / 100.0);
    const double d4 = std::trunc((s - 10000.0 * d1 - 1000.0 * d2 - 100.0 * d3) / 10.0);
    const double d5 = std::trunc(s - 10000.0 * d1 - 1000.0 * d2 - 100.0 * d3 - 10.0 * d4);
    figure = {digit(d1), digit(d2), digit(d3), digit(d4), digit(d5), ' '};
  }
  if (figure.empty()) {
    // Outside 99..99999: the whole modulus in plain digits when it has one to six.
    const double whole = std::trunc(s);
    figure = (whole >= 1.0 && whole <= 999999.0) ? whole_part_in_decimal(whole) : "";
    figure.resize(6, ' ');
  }
  return figure;
}

std::string truncated_figure(double value) {
  const double m = std::trunc(value);
  if (m >= 0.0 && m <= 99.0) {
    if (m < 10.0) return {digit(m), ' '};
    const double t = std::trunc(value / 10.0);
    return {digit(t), digit(m - 10.0 * t)};
  }
  return whole_part_in_decimal(m);
}

std::string whole_seconds_figure(double seconds) {
  // The whole seconds, truncated toward zero and kept within 32 bits.
  const double whole = std::trunc(seconds);
  constexpr double lowest = std::numeric_limits<std::int32_t>::min();
  constexpr double highest = std::numeric_limits<std::int32_t>::max();
  const auto g = static_cast<std::int32_t>(whole < lowest ? lowest : whole > highest ? highest : whole);
  if (g >= 0 && g <= 99) {
    if (g < 10) return {static_cast<char>('0' + g), ' '};
    const std::int32_t tens = g / 10;
    return {static_cast<char>('0' + tens), static_cast<char>('0' + (g - 10 * tens))};
  }
  return std::to_string(g);
}

void write_label_block(DrawingScriptWriter& script, const DrawingSettings& settings, std::string_view name, double m,
                       double p) {
  write_colour(script, '7');
  write_text_command(script, settings, m, p, name);
}

void write_colour(DrawingScriptWriter& script, char colour) {
  script.text.put_line("COLOR");
  script.text.put_line(std::string_view(&colour, 1));
}

void write_ellipse_command(DrawingScriptWriter& script, const EllipseScriptGeometry& geometry) {
  script.text.put_line("ELLIPSE");
  script.text.put_line("C");
  point_line(script, geometry.centre_m, geometry.centre_p);
  point_line(script, geometry.axis_end_m, geometry.axis_end_p);
  number_line(script, geometry.other_axis);
}

void write_pass_blocks(DrawingScriptWriter& script, const DrawingSettings& settings, const PointList& walked,
                       const Pass& pass) {
  if (walked.n < 1) return;
  const Chain& chain = pass.chain;
  const BlockStyle style = block_style(chain, walked.n);
  const Point& start = walked.at(1);
  write_label_block(script, settings, start.name, start.m, start.p);
  if (!is_zero(chain.start)) {
    if (style.start_colour) write_colour(script, '1');
    const EllipseScriptGeometry g =
        ellipse_script_geometry(start.m, start.p, pass.start_ellipse, settings.scale, style.start_axis_offset);
    if (g.drawn) write_ellipse_command(script, g);
  }
  for (std::size_t i = 0; i < pass.ellipses.size(); ++i) {
    const Point& point = walked.at(Chain::position_of(i));
    const EllipseScriptGeometry g = ellipse_script_geometry(point.m, point.p, pass.ellipses[i], settings.scale);
    write_point_block(script, settings, point, g, !style.colour_only_when_drawn || g.drawn);
  }
}

std::size_t write_drawing_script(std::ostream& file, const PreAnalysis& analysis, const DrawingSettings& settings) {
  DrawingScriptWriter script(file);
  for (const Pass& pass : analysis.passes) write_pass_blocks(script, settings, analysis.walked(pass), pass);
  // The legend and the polyline follow the order the last pass walked.
  write_closing_block(script, settings,
                      analysis.passes.empty() ? analysis.points.forward : analysis.walked(analysis.passes.back()));
  script.text.flush();
  return script.lines_not_fitting;
}

std::size_t write_adjusted_script(std::ostream& file, const PreAnalysis& analysis, const DrawingSettings& settings) {
  DrawingScriptWriter script(file);
  DrawingSettings adjusted = settings;
  adjusted.adjusted = true;
  adjusted.title = TraverseTitle::closed;
  const PointList& points = analysis.points.forward;
  for (std::int32_t i = 1; i <= points.n; ++i) {
    const Point& point = points.at(i);
    write_label_block(script, adjusted, point.name, point.m, point.p);
    const bool end = i == 1 || i == points.n;
    if (end && is_zero(i == 1 ? analysis.initial_end : analysis.final_end)) continue;
    const EllipseScriptGeometry g = ellipse_script_geometry(
        point.m, point.p, analysis.joint_ellipses[static_cast<std::size_t>(i - 1)], adjusted.scale);
    write_colour(script, '1');
    if (g.drawn) write_ellipse_command(script, g);
  }
  // The legend stands where the drawing of the halves has it, below the final point.
  write_closing_block(script, adjusted, points, points.n > 0 ? points.at(points.n) : Point{});
  script.text.flush();
  return script.lines_not_fitting;
}

DrawingSettings drawing_settings(const AnalysisRequest& request, const Presentation& presentation) {
  DrawingSettings drawing;
  drawing.scale = presentation.scale;
  drawing.text_height = presentation.text_height;
  drawing.text_rotation = 0.0;
  drawing.ellipse_option = presentation.ellipse_option;
  drawing.k = request.k;
  drawing.has_mode = request.has_mode;
  drawing.mode = request.mode;
  drawing.title = presentation.title;
  drawing.use = request.use;
  return drawing;
}

void write_text_at(DrawingScriptWriter& script, const DrawingSettings& settings, double m, double p,
                   std::string_view text) {
  write_text_command(script, settings, m, p, text);
}

void write_traverse_polyline(DrawingScriptWriter& script, const PointList& points) {
  script.text.put_line("PLINE");
  for (std::int32_t i = 1; i <= points.n; ++i) point_line(script, points.at(i).m, points.at(i).p);
  script.text.put_line(std::string(63, ' '));
}

std::string centring_legend(const InstrumentUse& use) {
  return "Centragem do instrumento=" + given_figure(use.instrument_centring_mm) + "mm, dos alvos=" +
         given_figure(use.target_centring_mm) + "mm; " + std::to_string(use.sets) + (use.sets == 1 ? " giro" : " giros");
}

void write_closing_block(DrawingScriptWriter& script, const DrawingSettings& settings, const PointList& drawn_order) {
  write_closing_block(script, settings, drawn_order, drawn_order.n > 0 ? drawn_order.at(1) : Point{});
}

void write_closing_block(DrawingScriptWriter& script, const DrawingSettings& settings, const PointList& drawn_order,
                         const Point& legend_point) {
  const double m1 = legend_point.m;
  const double p1 = legend_point.p;
  write_colour(script, '5');
  if (const char* title = traverse_title(settings)) {
    write_text_command(script, settings, m1, p1 - 100.0,
                       settings.adjusted ? std::string(title)
                                         : text_field(title, settings.title == TraverseTitle::open ? 43 : 44));
  }
  const char* level = is_ellipse_option(settings.ellipse_option) ? ellipse_level(settings.ellipse_option).legend_title : "";
  write_text_command(script, settings, m1, p1 - 200.0, text_field(level, 44));
  write_text_command(script, settings, m1, p1 - 300.0, text_field("Escala das elipses=" + scale_figure(settings.scale), 44));
  if (settings.has_mode) {
    // The adjusted drawing writes the precisions as they were given (2.5 mm + 1.5 ppm,
    // 1.5"); the drawing of the two passes keeps the whole figures it has always had.
    const ObservationPrecision& precision = settings.use.precision;
    const std::string distance = settings.adjusted ? given_figure(precision.distance_fixed_mm) + " mm + " +
                                                         given_figure(precision.distance_ppm) + " ppm"
                                                   : truncated_figure(precision.distance_fixed_mm) + "mm+" +
                                                         truncated_figure(precision.distance_ppm) + "ppm";
    const std::string angle =
        settings.adjusted ? given_figure(precision.angle_seconds) : whole_seconds_figure(precision.angle_seconds);
    const bool in_cc = precision.angle_unit == AngleUnit::centesimal_seconds;
    write_text_command(script, settings, m1, p1 - 400.0, text_field("Incerteza das obs. de distancia=" + distance, 50));
    write_text_command(script, settings, m1, p1 - 500.0,
                       text_field("Incerteza das obs. de direccao=" + angle + (in_cc ? "cc" : "\""), 50));
    if (!settings.use.is_plain()) write_text_command(script, settings, m1, p1 - 600.0, centring_legend(settings.use));
  }
  write_colour(script, '3');
  write_traverse_polyline(script, drawn_order);
}

}  // namespace elipses
