// The report's heights: the profile of the traverse (the distance along it against the
// planned height) with each point's interval drawn as a band, magnified as the ellipses
// are so that millimetres show beside metres; then the tables of the points and the legs.
#include <algorithm>
#include <cmath>

#include "output/height_files.hpp"
#include "output/legend_text.hpp"
#include "output/record_text.hpp"
#include "output/report_html.hpp"
#include "output/verdict_text.hpp"

namespace elipses {

namespace {

// 1, 2 or 5 times a power of ten, the largest not above `value`.
double round_factor(double value) {
  if (!(value > 0.0) || !std::isfinite(value)) return 1.0;
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (const double step : {5.0, 2.0, 1.0}) {
    if (step * power <= value) return step * power;
  }
  return power;
}

}  // namespace

ReportHeights heights_section(const PreAnalysis& analysis, std::int32_t ellipse_option) {
  ReportHeights section;
  const HeightResults& heights = *analysis.heights;
  const PointList& points = analysis.points.forward;
  double along = 0.0;
  for (std::int32_t i = 1; i <= points.n; ++i) {
    if (i > 1) along += heights.computed.legs[static_cast<std::size_t>(i - 2)].distance;
    section.along.push_back(along);
    section.height.push_back(points.at(i).h);
    section.sigma.push_back(heights.computed.sigma[static_cast<std::size_t>(i - 1)]);
    section.half_interval.push_back(heights.half_interval(i));
  }
  section.factor = heights.factor;
  section.level = height_level_text(ellipse_option, heights.factor);
  section.tested = heights.test.has_value();
  for (std::int32_t i = 1; i < points.n; ++i) {
    const HeightLeg& leg = heights.computed.legs[static_cast<std::size_t>(i - 1)];
    section.leg_sigma.push_back(leg.sigma);
    section.leg_rise.push_back(leg.rise);
    section.legs.push_back(heights.test ? heights.test->legs[static_cast<std::size_t>(i - 1)]
                                        : HeightPairTest{i, i + 1, leg.distance, heights.factor * leg.sigma, 0.0, 0.0});
  }
  return section;
}

namespace report_html {

namespace {

// The profile: x the distance along the traverse, y the height (up), the planned line and
// around it the band of each point's interval, magnified.
void write_profile(std::ostream& out, const ReportHeights& heights) {
  const std::size_t n = heights.along.size();
  if (n < 2) return;
  const double length = std::max(heights.along.back(), 1.0);
  double low = heights.height.front(), high = low, widest = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    low = std::min(low, heights.height[i]);
    high = std::max(high, heights.height[i]);
    widest = std::max(widest, heights.half_interval[i]);
  }
  // The band at its widest a tenth of the picture's height (of the relief, or of a tenth of
  // the length on flat ground), at a round magnification.
  const double relief = std::max(high - low, length / 10.0);
  const double magnification = widest > 0.0 ? round_factor(relief / 10.0 / widest) : 1.0;
  low -= magnification * widest + relief / 20.0;
  high += magnification * widest + relief / 20.0;
  constexpr double width = 800.0, height = 260.0, left = 70.0, bottom = 40.0, top = 14.0, right = 16.0;
  const auto x = [&](double metres) { return left + (width - left - right) * metres / length; };
  const auto y = [&](double h) { return top + (height - top - bottom) * (high - h) / (high - low); };
  out << "<figure class=\"perfil\">\n<svg viewBox=\"0 0 " << svg_number(width) << ' ' << svg_number(height)
      << "\" role=\"img\" aria-label=\"Perfil da poligonal com o intervalo de cada altura\" data-ampliacao=\""
      << given_figure(magnification) << "\">\n";
  std::string upper, line;
  std::vector<std::string> lower;
  for (std::size_t i = 0; i < n; ++i) {
    if (heights.vertex_every > 1 && i % heights.vertex_every != 0 && i + 1 != n) continue;
    const std::string px = svg_number(x(heights.along[i]));
    upper += (upper.empty() ? "" : " ") + px + ',' +
             svg_number(y(heights.height[i] + magnification * heights.half_interval[i]));
    line += (line.empty() ? "" : " ") + px + ',' + svg_number(y(heights.height[i]));
    lower.push_back(px + ',' + svg_number(y(heights.height[i] - magnification * heights.half_interval[i])));
  }
  out << "<polygon class=\"faixa\" points=\"" << upper;
  for (auto at = lower.rbegin(); at != lower.rend(); ++at) out << ' ' << *at;
  out << "\" fill=\"#1a3fc0\" fill-opacity=\"0.25\" stroke=\"none\"/>\n";
  out << "<polyline class=\"perfil\" points=\"" << line << "\" fill=\"none\" stroke=\"" << traverse_colour
      << "\" stroke-width=\"1.5\"/>\n";
  // The axes' figures: the heights at the bottom and top, the length at the right.
  out << "<g class=\"eixos\" font-size=\"12\">";
  out << "<text x=\"" << svg_number(left - 6.0) << "\" y=\"" << svg_number(y(low) - 2.0) << "\" text-anchor=\"end\">"
      << decimal_figure(low, 1) << " m</text>";
  out << "<text x=\"" << svg_number(left - 6.0) << "\" y=\"" << svg_number(y(high) + 10.0) << "\" text-anchor=\"end\">"
      << decimal_figure(high, 1) << " m</text>";
  out << "<text x=\"" << svg_number(x(length)) << "\" y=\"" << svg_number(height - 8.0) << "\" text-anchor=\"end\">"
      << decimal_figure(length, 0) << " m ao longo da poligonal</text>";
  out << "<text x=\"" << svg_number(left) << "\" y=\"" << svg_number(height - 8.0) << "\">0 m</text></g>\n";
  out << "</svg>\n<figcaption>Perfil: a distância ao longo da poligonal e a altura planeada de cada ponto; a faixa é o "
         "intervalo de cada altura (± o semi-intervalo), ampliado "
      << given_figure(magnification) << " vezes.</figcaption>\n</figure>\n";
}

}  // namespace

void write_heights_section(std::ostream& out, const Report& report) {
  if (!report.heights) return;
  const ReportHeights& heights = *report.heights;
  out << "<section id=\"alturas\">\n<h2>Alturas</h2>\n<p>Nivelamento trigonométrico; " << html_text(heights.level)
      << ".</p>\n";
  write_profile(out, heights);
  out << "<h3>Pontos</h3>\n";
  write_table_head(out, {"Ponto", "H (m)", "sH (m)", "semi-intervalo (m)"});
  std::size_t next = 0;
  for (const std::size_t place : shown_places(heights.points_table, heights.height.size())) {
    write_gap(out, place - next, 4, "elipses-alturas.txt");
    next = place + 1;
    out << "<tr>";
    write_cell(out, shown_name(report.points.points[place].name), false);
    write_cell(out, table_number(heights.height[place], 3), true);
    write_cell(out, table_number(heights.sigma[place], 4), true);
    write_cell(out, table_number(heights.half_interval[place], 4), true);
    out << "</tr>\n";
  }
  write_gap(out, heights.height.size() - next, 4, "elipses-alturas.txt");
  write_table_end(out);
  out << "<h3>Lados</h3>\n";
  std::vector<std::string> headers = {"De", "Para", "D (m)", "dH (m)", "sigma (m)"};
  if (heights.tested) headers.insert(headers.end(), {"tolerância (m)", "razão", "veredicto"});
  write_table_head(out, headers);
  next = 0;
  for (const std::size_t place : shown_places(heights.legs_table, heights.legs.size())) {
    write_gap(out, place - next, headers.size(), "elipses-alturas.txt");
    next = place + 1;
    const HeightPairTest& leg = heights.legs[place];
    out << "<tr>";
    write_cell(out, shown_name(report.points.at(leg.from).name), false);
    write_cell(out, shown_name(report.points.at(leg.to).name), false);
    write_cell(out, table_number(leg.distance, 3), true);
    write_cell(out, table_number(heights.leg_rise[place], 3), true);
    write_cell(out, table_number(heights.leg_sigma[place], 4), true);
    if (heights.tested) {
      write_cell(out, table_number(leg.tolerance, 4), true);
      write_cell(out, table_number(leg.ratio, 3), true);
      write_cell(out, leg.passes() ? "cumpre" : "excede", false);
    }
    out << "</tr>\n";
  }
  write_gap(out, heights.legs.size() - next, headers.size(), "elipses-alturas.txt");
  write_table_end(out);
  out << "</section>\n";
}

}  // namespace report_html

}  // namespace elipses
