// The report's drawing: the traverse, each computation's ellipses, the legs' relative
// ellipses with their tolerance and verdict, the pairs that exceed drawn as lines, the
// scale bars and the north arrow; each layer switched by a box, and a key whose swatches
// are the colours drawn, printed with the page.
#include <algorithm>
#include <cmath>

#include "output/legend_text.hpp"
#include "output/record_text.hpp"
#include "output/report_html.hpp"
#include "propagation/ellipse.hpp"

namespace elipses::report_html {

namespace {

// Names stay legible: their height is this share of the drawing's longer side.
constexpr double name_share = 1.0 / 55.0;
constexpr double margin_share = 0.06;

// 1, 2 or 5 times a power of ten, the largest not above `value`.
double round_length(double value) {
  if (!(value > 0.0)) return 1.0;
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (const double step : {5.0, 2.0, 1.0}) {
    if (step * power <= value) return step * power;
  }
  return power;
}

std::string length_words(double metres) {
  if (metres >= 1.0) return given_figure(metres) + " m";
  if (metres >= 0.01) return given_figure(std::round(metres * 1000.0) / 10.0) + " cm";
  return given_figure(std::round(metres * 1e6) / 1000.0) + " mm";
}

// The drawing's frame: plan coordinates (M right, P up) to the picture's (y down),
// x = M - origin_m and y = origin_p - P, the origin a whole metre so that a reader of the
// picture can take its coordinates back to the plan exactly.
struct Frame {
  double origin_m = 0.0;
  double origin_p = 0.0;
  double margin = 0.0;
  double width = 0.0;
  double height = 0.0;
  double name_height = 0.0;
  double x(double m) const { return m - origin_m; }
  double y(double p) const { return origin_p - p; }
};

struct Box {
  bool empty = true;
  double min_m = 0.0, max_m = 0.0, min_p = 0.0, max_p = 0.0;
  void include(double m, double p, double reach = 0.0) {
    if (empty) {
      min_m = m - reach, max_m = m + reach, min_p = p - reach, max_p = p + reach;
      empty = false;
      return;
    }
    min_m = std::min(min_m, m - reach), max_m = std::max(max_m, m + reach);
    min_p = std::min(min_p, p - reach), max_p = std::max(max_p, p + reach);
  }
};

struct Midpoint {
  double m, p;
};
Midpoint leg_midpoint(const PointList& points, std::int32_t i) {
  return {(points.at(i).m + points.at(i + 1).m) / 2.0, (points.at(i).p + points.at(i + 1).p) / 2.0};
}

Frame drawing_frame(const Report& report) {
  Box box;
  for (std::int32_t i = 1; i <= report.points.n; ++i) box.include(report.points.at(i).m, report.points.at(i).p);
  for (const ReportComputation& computation : report.computations) {
    for (const ReportEllipse& e : computation.ellipses) {
      const Point& point = report.points.at(e.point);
      box.include(point.m, point.p, report.scale * ellipse_parameters(e.covariance, report.k).a);
    }
  }
  for (const ReportLeg& leg : report.legs) {
    const Midpoint mid = leg_midpoint(report.points, leg.from);
    const double tolerance = leg.tolerance ? leg.tolerance->tolerance : 0.0;
    box.include(mid.m, mid.p, report.scale * std::max(ellipse_parameters(leg.relative, report.k).a, tolerance));
  }
  if (box.empty) box.include(0.0, 0.0);
  double longer = std::max(box.max_m - box.min_m, box.max_p - box.min_p);
  if (!(longer > 0.0)) longer = 100.0;
  Frame frame;
  frame.name_height = longer * name_share;
  frame.margin = longer * margin_share + 2.0 * frame.name_height;
  frame.origin_m = std::floor(box.min_m - frame.margin);
  frame.origin_p = std::ceil(box.max_p + frame.margin);
  frame.width = box.max_m - frame.origin_m + frame.margin + 4.0 * frame.name_height;  // names run to the right
  frame.height = frame.origin_p - box.min_p + frame.margin + 4.0 * frame.name_height;  // room for the scale bars
  return frame;
}

// An ellipse of the plan as an SVG element; teta is the azimuth of the a axis from +P
// towards +M, and the picture's x axis turned by teta - 90 degrees (y down) lies along it.
std::string ellipse_element(const Frame& frame, double m, double p, const EllipseParams& params, double scale,
                            const std::string& attributes) {
  const std::string cx = svg_number(frame.x(m));
  const std::string cy = svg_number(frame.y(p));
  const double degrees = params.teta * 180.0 / pi - 90.0;
  return "<ellipse cx=\"" + cx + "\" cy=\"" + cy + "\" rx=\"" + svg_number(scale * params.a) + "\" ry=\"" +
         svg_number(scale * params.b) + "\" transform=\"rotate(" + svg_number(degrees) + " " + cx + " " + cy + ")\" " +
         attributes + "/>\n";
}

// The places a selection shows, in order: every one of `size` unless abridged.
std::vector<std::size_t> drawn_places(const Selection& selection, std::size_t size) {
  if (selection.abridged) return selection.kept;
  std::vector<std::size_t> all(size);
  for (std::size_t i = 0; i < size; ++i) all[i] = i;
  return all;
}

// Every `every`-th point of n, and the last.
bool every_nth(std::int32_t point, std::int32_t n, std::size_t every) {
  return every <= 1 || point == n || static_cast<std::size_t>(point - 1) % every == 0;
}

bool any_tolerance(const Report& report) {
  return std::any_of(report.legs.begin(), report.legs.end(),
                     [](const ReportLeg& leg) { return leg.tolerance.has_value(); });
}

void write_svg(std::ostream& out, const Report& report) {
  const Frame frame = drawing_frame(report);
  const double h = frame.name_height;
  out << "<svg viewBox=\"0 0 " << svg_number(frame.width) << ' ' << svg_number(frame.height)
      << "\" data-origem-m=\"" << svg_number(frame.origin_m) << "\" data-origem-p=\"" << svg_number(frame.origin_p)
      << "\" role=\"img\" aria-label=\"Desenho da poligonal e das elipses\">\n";
  out << "<desc>x = M - " << svg_number(frame.origin_m) << ", y = " << svg_number(frame.origin_p)
      << " - P (metros); elipses ampliadas " << given_figure(report.scale) << " vezes.</desc>\n";
  out << "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
  out << "<g class=\"poligonal\" stroke=\"" << traverse_colour << "\"><polyline points=\"";
  for (std::int32_t i = 1; i <= report.points.n; ++i) {
    if (!every_nth(i, report.points.n, report.vertex_every)) continue;
    out << (i > 1 ? " " : "") << svg_number(frame.x(report.points.at(i).m)) << ','
        << svg_number(frame.y(report.points.at(i).p));
  }
  out << "\"/></g>\n";
  for (std::size_t c = 0; c < report.computations.size(); ++c) {
    const ReportComputation& computation = report.computations[c];
    out << "<g class=\"camada-" << c + 1 << "\" stroke=\"" << layer_colours[c % 4] << "\">\n";
    for (const std::size_t place : drawn_places(computation.drawn, computation.ellipses.size())) {
      const ReportEllipse& e = computation.ellipses[place];
      const Point& point = report.points.at(e.point);
      out << ellipse_element(frame, point.m, point.p, ellipse_parameters(e.covariance, report.k), report.scale,
                             "class=\"absoluta\" data-ponto=\"" + html_text(shown_name(point.name)) + "\"");
    }
    out << "</g>\n";
  }
  if (!report.legs.empty()) {
    out << "<g class=\"camada-relativas\">\n";
    for (const std::size_t place : drawn_places(report.legs_drawn, report.legs.size())) {
      const ReportLeg& leg = report.legs[place];
      const Midpoint mid = leg_midpoint(report.points, leg.from);
      const std::string names = "data-de=\"" + html_text(shown_name(report.points.at(leg.from).name)) +
                                "\" data-para=\"" + html_text(shown_name(report.points.at(leg.from + 1).name)) + "\"";
      if (leg.tolerance && leg.tolerance->tolerance > 0.0) {
        out << "<circle class=\"tolerancia\" stroke=\"" << tolerance_colour << "\" cx=\"" << svg_number(frame.x(mid.m))
            << "\" cy=\"" << svg_number(frame.y(mid.p)) << "\" r=\""
            << svg_number(report.scale * leg.tolerance->tolerance) << "\" " << names << "/>\n";
      }
      std::string attributes = "class=\"relativa";
      attributes += !leg.tolerance ? "" : leg.tolerance->passes ? " cumpre" : " excede";
      attributes += "\" stroke=\"";
      attributes += !leg.tolerance ? relative_colour : leg.tolerance->passes ? passes_colour : exceeds_colour;
      attributes += "\" " + names;
      out << ellipse_element(frame, mid.m, mid.p, ellipse_parameters(leg.relative, report.k), report.scale, attributes);
    }
    out << "</g>\n";
  }
  if (!report.exceeding_pairs.empty()) {
    out << "<g class=\"camada-pares\" stroke=\"" << exceeds_colour << "\">\n";
    for (const ReportPair& pair : report.exceeding_pairs) {
      const Point& from = report.points.at(pair.from);
      const Point& to = report.points.at(pair.to);
      out << "<line class=\"par-excede\" x1=\"" << svg_number(frame.x(from.m)) << "\" y1=\"" << svg_number(frame.y(from.p))
          << "\" x2=\"" << svg_number(frame.x(to.m)) << "\" y2=\"" << svg_number(frame.y(to.p)) << "\" data-de=\""
          << html_text(shown_name(from.name)) << "\" data-para=\"" << html_text(shown_name(to.name)) << "\" data-razao=\""
          << table_number(pair.ratio, 3) << "\"/>\n";
    }
    out << "</g>\n";
  }
  out << "<g class=\"nomes\" font-size=\"" << svg_number(h) << "\" stroke-width=\"" << svg_number(h / 4.0) << "\">\n";
  for (std::int32_t i = 1; i <= report.points.n; ++i) {
    if (!every_nth(i, report.points.n, report.label_every)) continue;
    const Point& point = report.points.at(i);
    out << "<circle class=\"marca\" cx=\"" << svg_number(frame.x(point.m)) << "\" cy=\"" << svg_number(frame.y(point.p))
        << "\" r=\"" << svg_number(h / 5.0) << "\"/><text x=\"" << svg_number(frame.x(point.m) + h / 2.0) << "\" y=\""
        << svg_number(frame.y(point.p) - h / 2.0) << "\">" << html_text(shown_name(point.name)) << "</text>\n";
  }
  out << "</g>\n";
  // The scale bars, bottom left: the ground, and the ellipses' magnification.
  const double ground = round_length((frame.width - 2.0 * frame.margin) / 4.0);
  const double bar_y = frame.height - 1.5 * h;
  const double bar_x = h;
  const auto bar = [&](double y, double length, const std::string& words, const char* css) {
    out << "<g class=\"" << css << "\"><path d=\"M" << svg_number(bar_x) << ' ' << svg_number(y - h / 2.0) << "v"
        << svg_number(h / 2.0) << "h" << svg_number(length) << "v" << svg_number(-h / 2.0) << "\"/><text x=\""
        << svg_number(bar_x + length + h / 2.0) << "\" y=\"" << svg_number(y) << "\" font-size=\"" << svg_number(h)
        << "\">" << html_text(words) << "</text></g>\n";
  };
  bar(bar_y, ground, length_words(ground) + " no terreno", "escala-terreno");
  const double ellipse_length = round_length(ground / report.scale);
  bar(bar_y - 2.0 * h, ellipse_length * report.scale,
      length_words(ellipse_length) + " nas elipses (ampliadas " + given_figure(report.scale) + " vezes)",
      "escala-elipses");
  // The north arrow, top right: P grows to the north.
  const double north_x = frame.width - 2.0 * h;
  out << "<g class=\"norte\"><path d=\"M" << svg_number(north_x) << ' ' << svg_number(4.0 * h) << "V"
      << svg_number(1.6 * h) << "M" << svg_number(north_x - h / 2.0) << ' ' << svg_number(2.4 * h) << "L"
      << svg_number(north_x) << ' ' << svg_number(1.4 * h) << "L" << svg_number(north_x + h / 2.0) << ' '
      << svg_number(2.4 * h) << "\"/><text x=\"" << svg_number(north_x - h / 3.0) << "\" y=\"" << svg_number(5.2 * h)
      << "\" font-size=\"" << svg_number(h) << "\">N</text></g>\n";
  out << "</svg>\n";
}

// A swatch of the key: the mark drawn, in the colour drawn.
std::string swatch(const char* shape, const char* colour, bool dashed = false) {
  std::string mark = std::string(shape) == "ellipse"
                         ? "<ellipse cx=\"14\" cy=\"6\" rx=\"11\" ry=\"4.5\""
                         : "<line x1=\"2\" y1=\"6\" x2=\"26\" y2=\"6\"";
  return "<svg class=\"amostra\" width=\"28\" height=\"12\" viewBox=\"0 0 28 12\" aria-hidden=\"true\">" + mark +
         " fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"2\"" +
         (dashed ? std::string(" stroke-dasharray=\"4 3\"") : std::string()) + "/></svg>";
}

// A layer's switch, standing before the drawing so that a style rule can hide the layer
// whose box is unticked (no script needed); its label is the key's entry.
void write_switch(std::ostream& out, const std::string& id, const std::string& marks, const std::string& words) {
  out << "<input type=\"checkbox\" id=\"mostrar-" << id << "\" checked><label for=\"mostrar-" << id
      << "\" class=\"chave\">" << marks << ' ' << html_text(words) << "</label><br>\n";
}

}  // namespace

std::string layer_switch_rules(const Report& report) {
  std::string rules;
  for (std::size_t c = 0; c < report.computations.size(); ++c) {
    rules += "#mostrar-" + std::to_string(c + 1) + ":not(:checked) ~ svg .camada-" + std::to_string(c + 1) +
             " { display: none; }\n";
  }
  rules += "#mostrar-relativas:not(:checked) ~ svg .camada-relativas { display: none; }\n";
  rules += "#mostrar-pares:not(:checked) ~ svg .camada-pares { display: none; }\n";
  return rules;
}

void write_drawing_section(std::ostream& out, const Report& report) {
  out << "<section id=\"desenho\">\n<h2>Desenho</h2>\n<figure>\n";
  out << "<span class=\"chave\">" << swatch("line", traverse_colour) << " Poligonal</span><br>\n";
  for (std::size_t c = 0; c < report.computations.size(); ++c) {
    write_switch(out, std::to_string(c + 1), swatch("ellipse", layer_colours[c % 4]), report.computations[c].title);
  }
  const bool tolerance = any_tolerance(report);
  if (!report.legs.empty()) {
    write_switch(out, "relativas",
                 tolerance ? swatch("ellipse", passes_colour) + swatch("ellipse", exceeds_colour) +
                                 swatch("ellipse", tolerance_colour, true)
                           : swatch("ellipse", relative_colour),
                 tolerance ? "Elipses relativas dos lados: verde cumpre, vermelha excede; a tracejado, o círculo "
                             "da tolerância"
                           : "Elipses relativas dos lados");
  }
  if (!report.exceeding_pairs.empty()) {
    std::string words = "Pares que excedem a tolerância relativa: " +
                        std::to_string(report.exceeding_pairs.size()) + " linhas, do pior para o melhor";
    if (report.exceeding_not_drawn > 0) {
      words += "; " + std::to_string(report.exceeding_not_drawn) + " não desenhados (todos em elipses-pares.txt)";
    }
    write_switch(out, "pares", swatch("line", exceeds_colour), words);
  }
  write_svg(out, report);
  out << "<figcaption>Elipses de " << html_text(report.level) << ", ampliadas " << html_text(given_figure(report.scale))
      << " vezes em relação ao terreno; M para a direita, P para cima (norte).";
  if (!report.legs.empty()) out << " Elipses relativas no meio de cada lado.";
  bool abridged = report.legs_drawn.abridged;
  std::size_t drawn = report.legs_drawn.abridged ? report.legs_drawn.kept.size() : report.legs.size();
  std::size_t all = report.legs.size();
  for (const ReportComputation& computation : report.computations) {
    abridged = abridged || computation.drawn.abridged;
    drawn += computation.drawn.abridged ? computation.drawn.kept.size() : computation.ellipses.size();
    all += computation.ellipses.size();
  }
  if (abridged) {
    out << " Desenho simplificado para a página: de cada cálculo, as " << worst_ellipses_drawn
        << " piores elipses e outras a intervalos regulares (" << drawn << " de " << all
        << "); o nome de um ponto em cada " << report.label_every << " e a poligonal por um vértice em cada "
        << report.vertex_every << ". Todas as elipses estão em elipses.txt e elipses.scr e nos ficheiros de cada "
           "resultado.";
  }
  out << "</figcaption>\n</figure>\n</section>\n";
}

}  // namespace elipses::report_html
