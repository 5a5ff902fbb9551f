#include "output/report.hpp"

#include <algorithm>
#include <cmath>

#include "common/text_encoding.hpp"
#include "output/compact_numbers.hpp"
#include "output/ellipse_levels.hpp"
#include "output/legend_text.hpp"
#include "output/misclosure_text.hpp"
#include "output/record_text.hpp"
#include "output/reliability_table.hpp"
#include "propagation/ellipse.hpp"

namespace elipses {

namespace {

// The colours of the computations' layers, in turn; the relative ellipses and verdicts.
constexpr const char* layer_colours[] = {"#c81010", "#1a3fc0", "#7a1fa2", "#b86a00"};
constexpr const char* relative_colour = "#b05000";

// Names stay legible: their height is this share of the drawing's longer side.
constexpr double name_share = 1.0 / 55.0;
constexpr double margin_share = 0.06;

// A number for the SVG: plain decimals, enough for a thousandth of a millimetre.
std::string svg_number(double value) {
  std::string text = decimal_figure(value, 4);
  if (text == "-0.0000") text = "0.0000";
  return text;
}

// A number as the text files write it: the same field, without its leading blanks.
std::string table_number(double value, int decimals) {
  std::string field = fixed_point_field(value, 30, decimals);
  field.erase(0, field.find_first_not_of(' '));
  return field;
}

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

void write_svg(std::ostream& out, const Report& report) {
  const Frame frame = drawing_frame(report);
  const double h = frame.name_height;
  out << "<svg viewBox=\"0 0 " << svg_number(frame.width) << ' '
      << svg_number(frame.height) << "\" data-origem-m=\"" << svg_number(frame.origin_m) << "\" data-origem-p=\""
      << svg_number(frame.origin_p) << "\" role=\"img\" aria-label=\"Desenho da poligonal e das elipses\">\n";
  out << "<desc>x = M - " << svg_number(frame.origin_m) << ", y = " << svg_number(frame.origin_p)
      << " - P (metros); elipses ampliadas " << given_figure(report.scale) << " vezes.</desc>\n";
  out << "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
  out << "<g class=\"poligonal\"><polyline points=\"";
  for (std::int32_t i = 1; i <= report.points.n; ++i) {
    out << (i > 1 ? " " : "") << svg_number(frame.x(report.points.at(i).m)) << ','
        << svg_number(frame.y(report.points.at(i).p));
  }
  out << "\"/></g>\n";
  for (std::size_t c = 0; c < report.computations.size(); ++c) {
    const ReportComputation& computation = report.computations[c];
    out << "<g class=\"camada-" << c + 1 << "\" stroke=\"" << layer_colours[c % 4] << "\">\n";
    for (const ReportEllipse& e : computation.ellipses) {
      const Point& point = report.points.at(e.point);
      out << ellipse_element(frame, point.m, point.p, ellipse_parameters(e.covariance, report.k), report.scale,
                             "class=\"absoluta\" data-ponto=\"" + html_text(shown_name(point.name)) + "\"");
    }
    out << "</g>\n";
  }
  if (!report.legs.empty()) {
    out << "<g class=\"camada-relativas\">\n";
    for (const ReportLeg& leg : report.legs) {
      const Midpoint mid = leg_midpoint(report.points, leg.from);
      const std::string names = "data-de=\"" + html_text(shown_name(report.points.at(leg.from).name)) +
                                "\" data-para=\"" + html_text(shown_name(report.points.at(leg.from + 1).name)) + "\"";
      if (leg.tolerance && leg.tolerance->tolerance > 0.0) {
        out << "<circle class=\"tolerancia\" cx=\"" << svg_number(frame.x(mid.m)) << "\" cy=\""
            << svg_number(frame.y(mid.p)) << "\" r=\"" << svg_number(report.scale * leg.tolerance->tolerance) << "\" "
            << names << "/>\n";
      }
      std::string attributes = "class=\"relativa";
      attributes += !leg.tolerance ? "" : leg.tolerance->passes ? " cumpre" : " excede";
      attributes += "\" ";
      attributes += names;
      out << ellipse_element(frame, mid.m, mid.p, ellipse_parameters(leg.relative, report.k), report.scale, attributes);
    }
    out << "</g>\n";
  }
  out << "<g class=\"nomes\" font-size=\"" << svg_number(h) << "\" stroke-width=\"" << svg_number(h / 4.0) << "\">\n";
  for (std::int32_t i = 1; i <= report.points.n; ++i) {
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

constexpr const char* style = R"(@page { size: A4; margin: 14mm 12mm; }
* { box-sizing: border-box; }
body { font-family: "DejaVu Sans", Arial, sans-serif; font-size: 11pt; color: #202020; margin: 1.5em auto; max-width: 62em; padding: 0 1em; }
h1 { font-size: 1.5em; margin: 0 0 .3em; }
h2 { font-size: 1.2em; margin: 1.4em 0 .4em; border-bottom: 1px solid #bbb; }
h3 { font-size: 1em; margin: 1em 0 .3em; }
table { border-collapse: collapse; font-size: .85em; margin: .3em 0 1em; }
th, td { border: 1px solid #ccc; padding: .15em .5em; }
td.n { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
th { background: #f0f0f0; }
table.factos th { text-align: left; font-weight: normal; background: none; }
.cumpre { color: #108a10; } .excede { color: #d01010; font-weight: bold; }
figure { margin: 0; }
figure svg { width: 100%; height: auto; max-height: 80vh; border: 1px solid #ccc; display: block; }
.camadas label { margin-right: 1.2em; white-space: nowrap; }
.camadas span { display: inline-block; width: 1.6em; height: .35em; vertical-align: middle; margin-right: .3em; }
svg polyline { fill: none; stroke: #108a10; stroke-width: 1.5; vector-effect: non-scaling-stroke; }
svg ellipse, svg circle.tolerancia { fill: none; stroke-width: 1.5; vector-effect: non-scaling-stroke; }
svg .relativa { stroke: #b05000; } svg .relativa.cumpre { stroke: #108a10; } svg .relativa.excede { stroke: #d01010; }
svg circle.tolerancia { stroke: #1a3fc0; stroke-dasharray: 4 3; }
svg .nomes text { fill: #202020; stroke: #fff; paint-order: stroke; }
svg circle.marca { fill: #202020; }
svg .escala-terreno path, svg .escala-elipses path, svg .norte path { fill: none; stroke: #202020; stroke-width: 1.5; vector-effect: non-scaling-stroke; }
svg .escala-elipses path { stroke: #c81010; }
svg text { font-family: "DejaVu Sans", Arial, sans-serif; }
pre { font-size: .9em; }
footer { margin-top: 2em; font-size: .8em; color: #666; }
@media print { body { margin: 0; max-width: none; font-size: 9pt; } .camadas, figure input { display: none; } figure svg { max-height: 150mm; border: none; } h2 { break-after: avoid; } tr { break-inside: avoid; } }
)";

void write_facts(std::ostream& out, const Report& report) {
  out << "<section id=\"calculo\">\n<h2>O que foi calculado</h2>\n<table class=\"factos\">\n";
  for (const ReportFact& fact : report.facts) {
    out << "<tr><th>" << html_text(fact.label) << "</th><td>" << html_text(fact.value) << "</td></tr>\n";
  }
  out << "</table>\n</section>\n";
}

void write_drawing(std::ostream& out, const Report& report) {
  out << "<section id=\"desenho\">\n<h2>Desenho</h2>\n<figure>\n";
  // The switches stand before the drawing, beside it in the figure, so that a style rule
  // can hide a layer whose switch is off (no script needed).
  for (std::size_t c = 0; c < report.computations.size(); ++c) {
    out << "<input type=\"checkbox\" id=\"mostrar-" << c + 1 << "\" checked><label for=\"mostrar-" << c + 1
        << "\" class=\"camadas\"><span style=\"background:" << layer_colours[c % 4] << "\"></span>"
        << html_text(report.computations[c].title) << "</label>\n";
  }
  if (!report.legs.empty()) {
    out << "<input type=\"checkbox\" id=\"mostrar-relativas\" checked><label for=\"mostrar-relativas\" "
           "class=\"camadas\"><span style=\"background:"
        << relative_colour << "\"></span>Elipses relativas dos lados</label>\n";
  }
  write_svg(out, report);
  out << "<figcaption>Elipses de " << html_text(report.level) << ", ampliadas " << html_text(given_figure(report.scale))
      << " vezes em relação ao terreno; M para a direita, P para cima (norte).";
  if (!report.legs.empty()) {
    out << " Elipses relativas no meio de cada lado";
    bool tolerance = false;
    for (const ReportLeg& leg : report.legs) tolerance = tolerance || leg.tolerance.has_value();
    if (tolerance) out << ", com o círculo da tolerância (tracejado): verde cumpre, vermelha excede";
    out << ".";
  }
  out << "</figcaption>\n</figure>\n</section>\n";
}

void write_table_head(std::ostream& out, const std::vector<std::string>& headers) {
  out << "<table>\n<tr>";
  for (const std::string& header : headers) out << "<th>" << html_text(header) << "</th>";
  out << "</tr>\n";
}

void write_cell(std::ostream& out, const std::string& text, bool number) {
  const char* css = text == "cumpre" ? " class=\"cumpre\"" : text == "excede" ? " class=\"excede\"" : number ? " class=\"n\"" : "";
  out << "<td" << css << ">" << html_text(text) << "</td>";
}

void write_points(std::ostream& out, const Report& report) {
  if (report.computations.empty()) return;
  out << "<section id=\"pontos\">\n<h2>Pontos</h2>\n<p>Elipses de " << html_text(report.level)
      << "; teta é o azimute do semieixo maior a, em grados.</p>\n";
  for (const ReportComputation& computation : report.computations) {
    out << "<h3>" << html_text(computation.title) << "</h3>\n";
    write_table_head(out, {"Ponto", "M (m)", "P (m)", "a (m)", "b (m)", "teta (gon)", "sM (m)", "sP (m)", "sMP (m²)"});
    for (const ReportEllipse& e : computation.ellipses) {
      const Point& point = report.points.at(e.point);
      const EllipseParams params = ellipse_parameters(e.covariance, report.k);
      out << "<tr>";
      write_cell(out, shown_name(point.name), false);
      for (const std::string& value :
           {table_number(point.m, 3), table_number(point.p, 3), table_number(params.a, 3), table_number(params.b, 3),
            table_number(gon_from_radians(params.teta), 4), table_number(std::sqrt(e.covariance.var_m), 6),
            table_number(std::sqrt(e.covariance.var_p), 6), table_number(e.covariance.cov_mp, 6)}) {
        write_cell(out, value, true);
      }
      out << "</tr>\n";
    }
    out << "</table>\n";
  }
  out << "</section>\n";
}

void write_legs(std::ostream& out, const Report& report) {
  if (report.legs.empty()) return;
  bool tolerance = false;
  for (const ReportLeg& leg : report.legs) tolerance = tolerance || leg.tolerance.has_value();
  out << "<section id=\"lados\">\n<h2>Elipses relativas dos lados</h2>\n<p>" << html_text(report.relative_title)
      << "; elipses de " << html_text(report.level) << ".</p>\n";
  std::vector<std::string> headers = {"De",     "Para",   "D (m)",  "a (m)",    "b (m)",
                                      "teta (gon)", "sM (m)", "sP (m)", "sMP (m²)", "a/D (ppm)"};
  if (tolerance) headers.insert(headers.end(), {"tolerância (m)", "a/tolerância", "veredicto"});
  write_table_head(out, headers);
  for (const ReportLeg& leg : report.legs) {
    const Leg geometry = leg_geometry(report.points, leg.from);
    const EllipseParams params = ellipse_parameters(leg.relative, report.k);
    out << "<tr>";
    write_cell(out, shown_name(report.points.at(leg.from).name), false);
    write_cell(out, shown_name(report.points.at(leg.from + 1).name), false);
    for (const std::string& value :
         {table_number(geometry.length, 3), table_number(params.a, 4), table_number(params.b, 4),
          table_number(gon_from_radians(params.teta), 4), table_number(std::sqrt(leg.relative.var_m), 6),
          table_number(std::sqrt(leg.relative.var_p), 6), table_number(leg.relative.cov_mp, 6),
          table_number(params.a / geometry.length * 1e6, 1)}) {
      write_cell(out, value, true);
    }
    if (tolerance) {
      if (leg.tolerance) {
        write_cell(out, table_number(leg.tolerance->tolerance, 4), true);
        write_cell(out, leg.tolerance->tolerance > 0.0 ? table_number(params.a / leg.tolerance->tolerance, 3) : "", true);
        write_cell(out, leg.tolerance->passes ? "cumpre" : "excede", false);
      } else {
        out << "<td></td><td></td><td></td>";
      }
    }
    out << "</tr>\n";
  }
  out << "</table>\n</section>\n";
}

void write_misclosure(std::ostream& out, const Report& report) {
  if (report.misclosure.empty()) return;
  out << "<section id=\"fecho\">\n<h2>Fecho previsto</h2>\n<pre>";
  for (const std::string& line : report.misclosure) out << html_text(line) << '\n';
  out << "</pre>\n</section>\n";
}

void write_extra_table(std::ostream& out, const ReportTable& table) {
  out << "<section>\n<h2>" << html_text(table.title) << "</h2>\n";
  if (!table.note.empty()) out << "<p>" << html_text(table.note) << "</p>\n";
  write_table_head(out, table.headers);
  for (const std::vector<std::string>& row : table.rows) {
    out << "<tr>";
    for (const std::string& cell : row) {
      const bool number = !cell.empty() && cell.find_first_not_of("0123456789.-+ ") == std::string::npos;
      write_cell(out, cell, number);
    }
    out << "</tr>\n";
  }
  out << "</table>\n</section>\n";
}

}  // namespace

std::string html_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    i += decode_utf8_or_windows_1252(text, i, c);
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default:
        append_utf8(out, (c < 0x20 && c != '\t') || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0xFFFE || c == 0xFFFF
                             ? 0xFFFD
                             : c);
    }
  }
  return out;
}

std::string shown_name(std::string_view name) {
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return std::string(name);
}

ReportTable reliability_section(const PointList& points, const TraverseReliability& reliability, AngleUnit unit) {
  const std::string angle_unit = unit == AngleUnit::centesimal_seconds ? "cc" : "\"";
  ReportTable table;
  table.title = "Fiabilidade: observações fracas";
  table.headers = {"Tipo", "Observação", "sigma", "r", "Menor erro detetável", "Maior deslocamento (m)", "Ponto"};
  const auto name = [&](std::int32_t point) {
    return point == reference_direction ? std::string("REF") : shown_name(points.at(point).name);
  };
  std::size_t weak = 0;
  for (const ObservationReliability& item : reliability.observations) {
    if (!item.weak()) continue;
    ++weak;
    const bool length = item.kind == ObservationKind::distance;
    const auto in_unit = [&](double value) {
      return length ? plain_fixed(value, 4) + " m" : plain_fixed(angle_in_unit(value, unit), 2) + angle_unit;
    };
    std::vector<std::string> row = {
        item.kind == ObservationKind::angle ? "ângulo" : length ? "distância" : "rumo",
        (item.kind == ObservationKind::angle ? name(item.back) + " " : std::string()) + name(item.station) + " " +
            name(item.forward),
        in_unit(item.sigma), plain_fixed(item.redundancy, 3)};
    if (std::isfinite(item.minimal_bias)) {
      row.push_back(in_unit(item.minimal_bias));
      row.push_back(plain_fixed(item.largest_shift, 4));
      row.push_back(item.shifted_point > 0 ? name(item.shifted_point) : "-");
    } else {
      row.insert(row.end(), {"nenhum seria detetado", "-", "-"});
    }
    table.rows.push_back(std::move(row));
  }
  table.note = "Redundância " + decimal_figure(reliability.redundancy, 0) + "; " + std::to_string(weak) + " de " +
               std::to_string(reliability.observations.size()) +
               " observações com número de redundância r < 0.1: um erro grosseiro nelas só se deteta se for grande "
               "(alfa0 = 0.1 %, beta0 = 80 %). Todas as observações estão em elipses-fiabilidade.txt (--fiabilidade).";
  return table;
}

ReportTable pairs_section(const PointList& points, const PairSweep& sweep) {
  constexpr std::size_t shown_pairs = 100;
  ReportTable table;
  table.title = "Pares que excedem a tolerância relativa";
  table.note = std::to_string(sweep.tested) + " pares testados, " + std::to_string(sweep.exceeding) +
               " excedem" + (sweep.worst_exceeding.size() > shown_pairs ? "; os primeiros cem, do pior para o melhor" : "") +
               ". Todos em elipses-pares.txt.";
  table.headers = {"De", "Para", "D (m)", "a (m)", "tolerância (m)", "a/tolerância", "veredicto"};
  for (std::size_t i = 0; i < sweep.worst_exceeding.size() && i < shown_pairs; ++i) {
    const PairTest& pair = sweep.worst_exceeding[i];
    table.rows.push_back({shown_name(points.at(pair.from).name), shown_name(points.at(pair.to).name),
                          plain_fixed(pair.distance, 3), plain_fixed(pair.a, 4), plain_fixed(pair.tolerance, 4),
                          plain_fixed(pair.ratio, 3), "excede"});
  }
  return table;
}

ReportTable design_section(const std::vector<SheetLine>& lines) {
  ReportTable table;
  table.title = "Folha de projeto";
  table.note = "Como em elipses-projeto.txt: o nível, os piores ponto e par, de onde vem o erro e, com uma "
               "tolerância, os limites de cada precisão e o catálogo de classes de instrumentos.";
  table.headers = {"", "Valores"};
  for (const SheetLine& line : lines) {
    if (line.keyword == "#") continue;
    table.rows.push_back({line.keyword, line.rest});
  }
  return table;
}

namespace {

std::string endpoint_words(const EndpointCovariance& endpoint) {
  if (is_zero(endpoint)) return "exato";
  return "sM " + given_figure(endpoint.s_m) + " m, sP " + given_figure(endpoint.s_p) + " m, sMP " +
         given_figure(endpoint.s_mp) + " m²";
}

// A pass's points in file order: `reversed` when the pass walked the file backwards.
ReportComputation computation_of(std::string title, const PreAnalysis& analysis, const Pass& pass) {
  ReportComputation computation;
  computation.title = std::move(title);
  const std::int32_t n = analysis.walked(pass).n;
  for (std::size_t i = 0; i < pass.chain.computed.size(); ++i) {
    const std::int32_t position = Chain::position_of(i);
    computation.ellipses.push_back({pass.walks_backward ? n + 1 - position : position, pass.chain.computed[i]});
  }
  return computation;
}

}  // namespace

std::vector<ReportFact> report_facts(const PreAnalysis& analysis, const Presentation& presentation) {
  const AnalysisRequest& request = analysis.request;
  const InstrumentUse& use = request.use;
  std::vector<ReportFact> facts;
  facts.push_back({"Ficheiro de coordenadas", presentation.coordinate_file});
  facts.push_back({"Pontos", std::to_string(analysis.points.forward.n) + ", " +
                                 decimal_figure(analysis.traverse_length, 3) + " m de poligonal"});
  const bool goniometric = request.has_mode && request.mode == ObservationMode::goniometric;
  const bool declined = request.has_mode && request.mode == ObservationMode::declined;
  const bool open = !request.closed;
  facts.push_back({"Modo", goniometric ? "goniométrico (um ângulo em cada estação)"
                           : declined  ? "declinado (o rumo de cada lado)"
                                       : "não existente: nada foi calculado"});
  facts.push_back({"Poligonal", open            ? "aberta"
                                : analysis.loop ? "fechada, em anel (começa e acaba no mesmo ponto conhecido)"
                                                : "fechada (coordenadas do ponto final conhecidas)"});
  if (goniometric || declined) {
    facts.push_back({"Incerteza das distâncias", distance_precision_text(use.precision)});
    facts.push_back({std::string("Incerteza ") + angle_observation_words(request.mode),
                     angle_precision_text(use.precision)});
    facts.push_back({"Centragem", "instrumento " + given_figure(use.instrument_centring_mm) + " mm, alvos " +
                                      given_figure(use.target_centring_mm) + " mm (desvio padrão por coordenada)"});
    facts.push_back({"Séries de direções", std::to_string(use.sets)});
    // A declined closed traverse starts from ends taken as exactly known.
    if (goniometric || open) facts.push_back({"Ponto inicial", endpoint_words(request.initial_point)});
    if (goniometric && !open) facts.push_back({"Ponto final", endpoint_words(request.final_point)});
    if (declined && !open) facts.push_back({"Extremos", "exatos"});
  }
  if (is_ellipse_option(presentation.ellipse_option)) {
    const double k = ellipse_level(presentation.ellipse_option).k;
    facts.push_back({"Nível", "elipses de " + level_words(presentation.ellipse_option) + "; fator k = " +
                                  decimal_figure(k, 3) + ", que dá de facto " +
                                  decimal_figure(ellipse_probability_percent(k), 1) + " % a duas dimensões"});
  }
  const Tolerances& tolerances = request.further.tolerances;
  if (tolerances.relative) {
    facts.push_back({"Tolerância relativa", given_figure(tolerances.relative_mm) + " mm + " +
                                                given_figure(tolerances.relative_ppm) +
                                                " ppm da distância entre os dois pontos, no nível das elipses"});
  }
  if (tolerances.point) {
    facts.push_back({"Tolerância de cada ponto", given_figure(tolerances.point_mm) + " mm, no nível das elipses"});
  }
  facts.push_back({"Módulo da escala das elipses", given_figure(presentation.scale)});
  return facts;
}

Report report_of(const PreAnalysis& analysis, const Presentation& presentation) {
  Report report;
  const AnalysisRequest& request = analysis.request;
  const PointList& forward = analysis.points.forward;
  report.points = forward;
  report.facts = report_facts(analysis, presentation);
  report.coordinate_file = presentation.coordinate_file;
  // The folder is named as it was given: a report handed to others says nothing of the
  // machine it was made on, and the page in a browser writes the same bytes.
  report.folder = presentation.folder;
  if (is_ellipse_option(presentation.ellipse_option)) {
    report.k = ellipse_level(presentation.ellipse_option).k;
    report.level = level_words(presentation.ellipse_option);
  }
  report.scale = presentation.scale > 0.0 ? presentation.scale : 1.0;
  for (const Pass& pass : analysis.passes) {
    const char* title = pass.chain.start_end == PassStart::open_traverse ? "Poligonal aberta (elipses.txt)"
                        : pass.chain.start_end == PassStart::initial_point
                            ? "Cálculo a partir do ponto inicial (elipses.txt)"
                            : "Cálculo a partir do ponto final (elipses.txt)";
    report.computations.push_back(computation_of(title, analysis, pass));
  }
  if (analysis.notices.further_undefined) {
    report.facts.push_back({"Poligonal ajustada e elipses relativas",
                            "não calculadas: uma observação sem erro teria peso infinito"});
  }
  if (!analysis.further) return report;
  if (request.closed) {
    ReportComputation adjusted;
    adjusted.title = "Poligonal ajustada (elipses-ajustada.txt)";
    for (std::int32_t i = 2; i < forward.n; ++i) {
      adjusted.ellipses.push_back({i, analysis.joint.points[static_cast<std::size_t>(i - 1)]});
    }
    report.computations.push_back(std::move(adjusted));
    if (analysis.misclosure) {
      report.misclosure = misclosure_lines(*analysis.misclosure, request.mode, presentation.ellipse_option,
                                           request.use.precision.angle_unit);
    }
  }
  if (analysis.pairs) report.tables.push_back(pairs_section(forward, *analysis.pairs));
  if (analysis.design) report.tables.push_back(design_section(design_sheet_lines(analysis, presentation.ellipse_option)));
  report.relative_title = request.closed ? "Da poligonal ajustada" : "Da propagação da poligonal aberta";
  if (analysis.legs) {
    for (std::int32_t i = 1; i < forward.n; ++i) {
      const LegEllipse& leg = analysis.legs->legs[static_cast<std::size_t>(i - 1)];
      report.legs.push_back({i, leg.relative, leg.test});
    }
  }
  if (analysis.notices.reliability_too_large) {
    report.facts.push_back({"Fiabilidade", "não calculada para mais de 5000 pontos sem --fiabilidade"});
  }
  if (analysis.reliability) {
    report.tables.push_back(reliability_section(forward, *analysis.reliability, request.use.precision.angle_unit));
  }
  return report;
}

void write_report(std::ostream& file, const Report& report) {
  file << "<!DOCTYPE html>\n<html lang=\"pt\">\n<head>\n<meta charset=\"utf-8\">\n"
          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>"
       << html_text(report.title) << " — " << html_text(report.coordinate_file) << "</title>\n<style>\n"
       << style;
  for (std::size_t c = 0; c < report.computations.size(); ++c) {
    file << "#mostrar-" << c + 1 << ":not(:checked) ~ svg .camada-" << c + 1 << " { display: none; }\n";
  }
  file << "#mostrar-relativas:not(:checked) ~ svg .camada-relativas { display: none; }\n</style>\n</head>\n<body>\n";
  file << "<header>\n<h1>" << html_text(report.title) << "</h1>\n<p>Ficheiro de coordenadas: <strong>"
       << html_text(report.coordinate_file) << "</strong>; resultados na pasta "
       << (report.folder == "." ? std::string("de trabalho") : "<strong>" + html_text(report.folder) + "</strong>")
       << ".</p>\n</header>\n";
  write_facts(file, report);
  write_drawing(file, report);
  write_points(file, report);
  write_legs(file, report);
  write_misclosure(file, report);
  for (const ReportTable& table : report.tables) write_extra_table(file, table);
  file << "<footer>Escrito pelo elipses: pré-análise da precisão de uma poligonal planeada, a partir das "
          "coordenadas planeadas e da precisão dos instrumentos.</footer>\n</body>\n</html>\n";
}

}  // namespace elipses
