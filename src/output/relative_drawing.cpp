#include "output/relative_drawing.hpp"

#include "output/legend_text.hpp"

namespace elipses {

namespace {

// The legend starts where the first line of elipses.scr's legend stands, 100 drawing
// units below its point, and its lines follow one another at this many text heights.
constexpr double legend_first_line_drop = 100.0;
constexpr double legend_line_pitch = 1.6;

}  // namespace

EllipseScriptGeometry relative_ellipse_geometry(const PointList& points, std::int32_t i, const EllipseParams& params,
                                                double scale) {
  const Point& from = points.at(i);
  const Point& to = points.at(i + 1);
  return ellipse_script_geometry((from.m + to.m) / 2.0, (from.p + to.p) / 2.0, params, scale, false);
}

std::vector<std::string> relative_legend_lines(const RelativeDrawingSettings& settings) {
  const DrawingSettings& drawing = settings.drawing;
  std::vector<std::string> lines;
  lines.push_back(std::string("Elipses relativas dos lados, poligonal ") + (settings.closed ? "fechada" : "aberta") +
                  (drawing.mode == ObservationMode::goniometric ? " em modo goniométrico" : " em modo declinado"));
  lines.push_back("Elipses de " + level_words(drawing.ellipse_option));
  lines.push_back("Módulo da escala das elipses: " + given_figure(drawing.scale));
  lines.push_back("Incerteza das distâncias: " + distance_precision_text(drawing.use.precision));
  lines.push_back(std::string("Incerteza ") + angle_observation_words(drawing.mode) + ": " +
                  angle_precision_text(drawing.use.precision));
  if (!drawing.use.is_plain()) lines.push_back(centring_legend(drawing.use));
  for (const std::string& line : settings.extra_legend_lines) lines.push_back(line);
  if (settings.tolerance_legend) {
    lines.push_back("Tolerância relativa: " + given_figure(settings.tolerance_legend->fixed_mm) + " mm + " +
                    given_figure(settings.tolerance_legend->ppm) + " ppm (círculo; elipse verde cumpre, vermelha excede)");
  }
  return lines;
}

void write_relative_drawing(DrawingScriptWriter& script, const RelativeDrawingSettings& settings,
                            const PointList& points, const LegTests& legs) {
  const DrawingSettings& drawing = settings.drawing;
  for (std::int32_t i = 1; i <= points.n; ++i) {
    write_label_block(script, drawing, points.at(i).name, points.at(i).m, points.at(i).p);
  }
  for (std::int32_t i = 1; i < points.n; ++i) {
    const LegEllipse& leg = legs.legs[static_cast<std::size_t>(i - 1)];
    const EllipseScriptGeometry ellipse = relative_ellipse_geometry(points, i, leg.ellipse, drawing.scale);
    const std::optional<LegTest>& test = leg.test;
    if (test && test->tolerance > 0.0) {
      write_colour(script, settings.tolerance_colour);
      const EllipseParams circle{test->tolerance, test->tolerance, pi / 2.0};
      write_ellipse_command(script, relative_ellipse_geometry(points, i, circle, drawing.scale));
    }
    if (!ellipse.drawn) continue;
    write_colour(script, !test ? settings.ellipse_colour : test->passes ? settings.passes_colour : settings.exceeds_colour);
    write_ellipse_command(script, ellipse);
  }
  const Point& anchor = points.n == 0 ? Point{} : settings.closed ? points.at(points.n) : points.at(1);
  write_colour(script, '5');
  const std::vector<std::string> legend = relative_legend_lines(settings);
  for (std::size_t line = 0; line < legend.size(); ++line) {
    const double drop = legend_first_line_drop + legend_line_pitch * static_cast<double>(line) * drawing.text_height;
    write_text_at(script, drawing, anchor.m, anchor.p - drop, legend[line]);
  }
  write_colour(script, '3');
  write_traverse_polyline(script, points);
}

}  // namespace elipses
