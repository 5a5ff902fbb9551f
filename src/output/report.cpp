#include "output/report.hpp"

#include <algorithm>
#include <cmath>

#include "common/text_encoding.hpp"
#include "output/compact_numbers.hpp"
#include "output/design_files.hpp"
#include "output/ellipse_levels.hpp"
#include "output/legend_text.hpp"
#include "output/misclosure_text.hpp"
#include "output/record_text.hpp"
#include "output/reliability_table.hpp"
#include "output/report_html.hpp"
#include "output/verdict_text.hpp"
#include "propagation/ellipse.hpp"

namespace elipses {

namespace report_html {

std::string svg_number(double value) {
  std::string text = decimal_figure(value, 4);
  if (text == "-0.0000") text = "0.0000";
  return text;
}

std::string table_number(double value, int decimals) { return plain_fixed(value, decimals); }

void write_table_head(std::ostream& out, const std::vector<std::string>& headers) {
  out << "<div class=\"rolar\"><table>\n<tr>";
  for (const std::string& header : headers) out << "<th>" << html_text(header) << "</th>";
  out << "</tr>\n";
}

void write_table_end(std::ostream& out) { out << "</table></div>\n"; }

void write_cell(std::ostream& out, const std::string& text, bool number) {
  const char* css = text == "cumpre" ? " class=\"cumpre\"" : text == "excede" ? " class=\"excede\"" : number ? " class=\"n\"" : "";
  out << "<td" << css << ">" << html_text(text) << "</td>";
}

// The places a selection shows, in order: every one of `size` unless abridged.
std::vector<std::size_t> shown_places(const Selection& selection, std::size_t size) {
  if (selection.abridged) return selection.kept;
  std::vector<std::size_t> all(size);
  for (std::size_t i = 0; i < size; ++i) all[i] = i;
  return all;
}

// Before row `place`, the rows skipped since the last one shown, said in one row.
void write_gap(std::ostream& out, std::size_t skipped, std::size_t columns, const std::string& whole) {
  if (skipped == 0) return;
  out << "<tr class=\"resumo\"><td colspan=\"" << columns << "\">… " << skipped << " linhas em "
      << html_text(whole) << "</td></tr>\n";
}

}  // namespace report_html

namespace {

using report_html::shown_places;
using report_html::write_gap;
using report_html::table_number;
using report_html::write_cell;
using report_html::write_table_end;
using report_html::write_table_head;

// The page at any width from a phone's 390 px to A4: wide tables scroll inside their own
// box, the drawing fits the width, long lines wrap; printing keeps the key of the drawing.
constexpr const char* style = R"(@page { size: A4; margin: 14mm 12mm; }
* { box-sizing: border-box; }
body { font-family: "DejaVu Sans", Arial, sans-serif; font-size: 11pt; color: #202020; margin: 1.5em auto; max-width: 62em; padding: 0 1em; }
p, li, h1, figcaption, .chave, table.factos td, table.frases td { overflow-wrap: anywhere; }
h1 { font-size: 1.5em; margin: 0 0 .3em; }
h2 { font-size: 1.2em; margin: 1.4em 0 .4em; border-bottom: 1px solid #bbb; }
h3 { font-size: 1em; margin: 1em 0 .3em; }
.rolar { max-width: 100%; overflow-x: auto; }
.rolar th, .rolar td { white-space: nowrap; } .rolar table.frases td { white-space: normal; min-width: 8em; }
table { border-collapse: collapse; font-size: .85em; margin: .3em 0 1em; }
th, td { border: 1px solid #ccc; padding: .15em .5em; }
td.n { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
th { background: #f0f0f0; }
table.factos th { text-align: left; font-weight: normal; background: none; }
.cumpre { color: #108a10; } .excede { color: #d01010; font-weight: bold; }
td.cumpre { background: #e8f5e8; } td.excede { background: #fbe6e6; }
td.mais-economica { outline: 2px solid #108a10; } td.plano { text-decoration: underline; }
tr.nenhum td:nth-child(2) { color: #d01010; }
#veredicto { border: 2px solid #888; border-left-width: .6em; padding: .5em 1em; margin: 1em 0; background: #f6f6f6; }
#veredicto.cumpre { border-color: #108a10; background: #eef8ee; color: #202020; font-weight: normal; }
#veredicto.excede { border-color: #d01010; background: #fdeeee; color: #202020; font-weight: normal; }
#veredicto h2 { border: none; margin: 0 0 .3em; }
#veredicto .decisao { font-size: 1.15em; font-weight: bold; margin: 0 0 .3em; }
#veredicto ul { margin: .2em 0; padding-left: 1.2em; }
#veredicto p::first-letter, #veredicto li::first-letter { text-transform: uppercase; }
figure { margin: 0; }
figure > svg { width: 100%; height: auto; max-height: 80vh; border: 1px solid #ccc; display: block; }
.chave { margin: 0 0 .2em; }
.amostra { vertical-align: middle; }
figure.parcelas svg { max-width: 40em; width: 100%; height: auto; border: none; }
figure.parcelas svg text { font-size: 13px; }
svg polyline { fill: none; stroke-width: 1.5; vector-effect: non-scaling-stroke; }
svg ellipse, svg circle.tolerancia, svg line.par-excede { fill: none; stroke-width: 1.5; vector-effect: non-scaling-stroke; }
svg circle.tolerancia { stroke-dasharray: 4 3; }
svg .nomes text { fill: #202020; stroke: #fff; paint-order: stroke; }
svg circle.marca { fill: #202020; }
svg .escala-terreno path, svg .escala-elipses path, svg .norte path { fill: none; stroke: #202020; stroke-width: 1.5; vector-effect: non-scaling-stroke; }
svg text { font-family: "DejaVu Sans", Arial, sans-serif; }
pre { font-size: .9em; white-space: pre-wrap; }
footer { margin-top: 2em; font-size: .8em; color: #666; }
@media print { body { margin: 0; max-width: none; font-size: 9pt; } figure input { display: none; } figure > svg { max-height: 150mm; border: none; } .rolar { overflow: visible; } h2 { break-after: avoid; } tr { break-inside: avoid; } }
)";

std::string abridged_note(const Selection& selection, const std::string& whole, const char* worst) {
  if (!selection.abridged) return {};
  return " Mostram-se as primeiras " + std::to_string(first_rows_shown) + " linhas e as " +
         std::to_string(worst_rows_shown) + " " + worst + "; todas estão em " + whole + ".";
}

void write_verdict(std::ostream& out, const Report& report) {
  const ReportVerdict& verdict = report.verdict;
  out << "<section id=\"veredicto\" class=\"" << (!verdict.given ? "sem-tolerancia" : verdict.meets ? "cumpre" : "excede")
      << "\">\n<h2>Veredicto</h2>\n";
  for (std::size_t i = 0; i < verdict.lines.size(); ++i) {
    if (i == 0) {
      out << "<p class=\"decisao\">" << html_text(verdict.lines[0]) << "</p>\n";
      if (verdict.lines.size() > 1) out << "<ul>\n";
      continue;
    }
    out << "<li>" << html_text(verdict.lines[i]) << "</li>\n";
  }
  if (verdict.lines.size() > 1) out << "</ul>\n";
  out << "</section>\n";
}

void write_facts(std::ostream& out, const Report& report) {
  out << "<section id=\"calculo\">\n<h2>O que foi calculado</h2>\n<table class=\"factos\">\n";
  for (const ReportFact& fact : report.facts) {
    out << "<tr><th>" << html_text(fact.label) << "</th><td>" << html_text(fact.value) << "</td></tr>\n";
  }
  out << "</table>\n</section>\n";
}

void write_points(std::ostream& out, const Report& report) {
  if (report.computations.empty()) return;
  out << "<section id=\"pontos\">\n<h2>Pontos</h2>\n<p>Elipses de " << html_text(report.level)
      << "; teta é o azimute do semieixo maior a, em grados.</p>\n";
  for (const ReportComputation& computation : report.computations) {
    out << "<h3>" << html_text(computation.title) << "</h3>\n";
    const std::string note = abridged_note(computation.table, computation.whole, "de maior semieixo a");
    if (!note.empty()) out << "<p>" << html_text(note.substr(1)) << "</p>\n";
    write_table_head(out, {"Ponto", "M (m)", "P (m)", "a (m)", "b (m)", "teta (gon)", "sM (m)", "sP (m)", "sMP (m²)"});
    std::size_t next = 0;
    for (const std::size_t place : shown_places(computation.table, computation.ellipses.size())) {
      write_gap(out, place - next, 9, computation.whole);
      next = place + 1;
      const ReportEllipse& e = computation.ellipses[place];
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
    write_gap(out, computation.ellipses.size() - next, 9, computation.whole);
    write_table_end(out);
  }
  out << "</section>\n";
}

void write_legs(std::ostream& out, const Report& report) {
  if (report.legs.empty()) return;
  const bool tolerance = std::any_of(report.legs.begin(), report.legs.end(),
                                     [](const ReportLeg& leg) { return leg.tolerance.has_value(); });
  out << "<section id=\"lados\">\n<h2>Elipses relativas dos lados</h2>\n<p>" << html_text(report.relative_title)
      << "; elipses de " << html_text(report.level) << "."
      << html_text(abridged_note(report.legs_table, report.legs_whole,
                                 tolerance ? "de maior razão à tolerância" : "de maior semieixo a"))
      << "</p>\n";
  std::vector<std::string> headers = {"De",     "Para",   "D (m)",  "a (m)",    "b (m)",
                                      "teta (gon)", "sM (m)", "sP (m)", "sMP (m²)", "a/D (ppm)"};
  if (tolerance) headers.insert(headers.end(), {"tolerância (m)", "a/tolerância", "veredicto"});
  write_table_head(out, headers);
  std::size_t next = 0;
  for (const std::size_t place : shown_places(report.legs_table, report.legs.size())) {
    write_gap(out, place - next, headers.size(), report.legs_whole);
    next = place + 1;
    const ReportLeg& leg = report.legs[place];
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
        write_cell(out, table_number(leg.tolerance->ratio, 3), true);
        write_cell(out, leg.tolerance->passes ? "cumpre" : "excede", false);
      } else {
        out << "<td></td><td></td><td></td>";
      }
    }
    out << "</tr>\n";
  }
  write_gap(out, report.legs.size() - next, headers.size(), report.legs_whole);
  write_table_end(out);
  out << "</section>\n";
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
  write_table_end(out);
  out << "</section>\n";
}

// Without a tolerance there is no verdict: the box says so and names the plan's worst
// point and leg, what a surveyor looks at first.
std::vector<std::string> without_tolerance(const PreAnalysis& analysis, const Presentation& presentation) {
  const PointList& points = analysis.points.forward;
  std::vector<std::string> lines = {"nenhuma tolerância foi dada: não há veredicto"};
  const std::string level = is_ellipse_option(presentation.ellipse_option) ? level_percent(presentation.ellipse_option)
                                                                           : std::string();
  const WorstEllipse* worst = analysis.worst_point          ? &*analysis.worst_point
                              : analysis.worst_written.a >= 0.0 ? &analysis.worst_written
                                                              : nullptr;
  if (worst == nullptr) {
    lines.emplace_back("nenhum ponto foi calculado");
    return lines;
  }
  lines.push_back("o pior ponto é " + shown_name(worst->name) + ": semieixo maior a = " + decimal_figure(worst->a, 4) +
                  " m a " + level);
  if (analysis.legs && analysis.worst_leg != 0) {
    const LegEllipse& leg = analysis.legs->legs[static_cast<std::size_t>(analysis.worst_leg - 1)];
    lines.push_back("o pior lado é " + point_name(points, analysis.worst_leg) + "–" +
                    point_name(points, analysis.worst_leg + 1) + ": semieixo maior a = " +
                    decimal_figure(leg.ellipse.a, 4) + " m a " + level + " (" +
                    decimal_figure(leg.ellipse.a / leg.length * 1e6, 1) + " ppm do lado)");
  }
  return lines;
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
      row.push_back(reliability.shifts ? plain_fixed(item.largest_shift, 4) : std::string("-"));
      row.push_back(reliability.shifts && item.shifted_point > 0 ? name(item.shifted_point) : "-");
    } else {
      row.insert(row.end(), {"nenhum seria detetado", "-", "-"});
    }
    table.rows.push_back(std::move(row));
  }
  table.note = "Redundância " + decimal_figure(reliability.redundancy, 0) + "; " + std::to_string(weak) + " de " +
               std::to_string(reliability.observations.size()) +
               " observações com número de redundância r < 0.1: um erro grosseiro nelas só se deteta se for grande "
               "(alfa0 = 0.1 %, beta0 = 80 %). Todas as observações estão em elipses-fiabilidade.txt (--fiabilidade).";
  // A long list keeps its first rows: the page stays small whatever the traverse.
  if (table.rows.size() > longest_table) {
    const std::size_t skipped = table.rows.size() - first_rows_shown;
    table.rows.resize(first_rows_shown);
    table.rows.push_back({"… " + std::to_string(skipped) + " linhas em elipses-fiabilidade.txt", "", "", "", "", "", ""});
    table.note += " Mostram-se as primeiras " + std::to_string(first_rows_shown) + ".";
  }
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
  facts.push_back({"Ficheiro de coordenadas", last_name(presentation.coordinate_file)});
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
  if (analysis.heights) {
    const HeightResults& heights = *analysis.heights;
    const HeightPrecision& precision = heights.precision;
    const char* unit = precision.zenith_unit == AngleUnit::centesimal_seconds ? " cc" : "\"";
    facts.push_back({"Alturas", std::string(precision.reciprocal ? "nivelamento trigonométrico recíproco"
                                                                 : "nivelamento trigonométrico num só sentido") +
                                    "; ângulos zenitais " + given_figure(precision.zenith_seconds) + unit +
                                    (precision.sets > 1 ? " em " + std::to_string(precision.sets) + " séries" : "")});
    facts.push_back({"Medição das alturas", "instrumento " + given_figure(precision.instrument_height_mm) +
                                                " mm, alvos " + given_figure(precision.target_height_mm) + " mm"});
    facts.push_back({"Refração", "coeficiente " + given_figure(precision.refraction) + " ± " +
                                     given_figure(precision.refraction_sigma) + ", o mesmo em toda a poligonal"});
    facts.push_back({"Alturas conhecidas", heights.shape == HeightShape::closed
                                               ? "inicial ± " + given_figure(heights.ends.start_sigma_m) +
                                                     " m, final ± " + given_figure(heights.ends.end_sigma_m) + " m"
                                               : "inicial ± " + given_figure(heights.ends.start_sigma_m) + " m"});
    if (request.heights.tolerance) {
      facts.push_back({"Tolerância vertical", given_figure(request.heights.tolerance->mm) + " mm + " +
                                                  given_figure(request.heights.tolerance->ppm) +
                                                  " ppm da distância horizontal entre os dois pontos, no nível das "
                                                  "elipses"});
    }
  }
  facts.push_back({"Módulo da escala das elipses", given_figure(presentation.scale)});
  return facts;
}


namespace {

// A table of more than longest_table rows shows its first rows and its worst ones.
Selection table_selection(const std::vector<double>& worst_measure) {
  Selection selection;
  if (worst_measure.size() <= longest_table) return selection;
  selection.abridged = true;
  std::vector<std::size_t> kept = worst_places(worst_measure, worst_rows_shown);
  for (std::size_t i = 0; i < first_rows_shown; ++i) kept.push_back(i);
  std::sort(kept.begin(), kept.end());
  kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
  selection.kept = std::move(kept);
  return selection;
}

// A drawing of more than fullest_drawing points draws the worst ellipses and every n-th.
Selection drawing_selection(const std::vector<double>& worst_measure, std::int32_t points) {
  Selection selection;
  if (points <= fullest_drawing) return selection;
  selection.abridged = true;
  std::vector<std::size_t> kept = worst_places(worst_measure, worst_ellipses_drawn);
  const std::size_t every = (worst_measure.size() + (ellipses_drawn - worst_ellipses_drawn) - 1) /
                            (ellipses_drawn - worst_ellipses_drawn);
  for (std::size_t i = 0; i < worst_measure.size(); i += std::max<std::size_t>(every, 1)) kept.push_back(i);
  std::sort(kept.begin(), kept.end());
  kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
  selection.kept = std::move(kept);
  return selection;
}

std::vector<double> semi_major_axes(const std::vector<EllipseParams>& ellipses, std::size_t first, std::size_t last) {
  std::vector<double> a;
  for (std::size_t i = first; i < last && i < ellipses.size(); ++i) a.push_back(ellipses[i].a);
  return a;
}

}  // namespace

std::string last_name(std::string_view path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.remove_suffix(1);
  const std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

Report report_of(const PreAnalysis& analysis, const Presentation& presentation) {
  Report report;
  const AnalysisRequest& request = analysis.request;
  const PointList& forward = analysis.points.forward;
  report.points = forward;
  report.facts = report_facts(analysis, presentation);
  // Names without their folders: a report handed to others says nothing of the machine it
  // was made on.
  report.coordinate_file = last_name(presentation.coordinate_file);
  report.folder = presentation.folder == "." ? presentation.folder : last_name(presentation.folder);
  if (is_ellipse_option(presentation.ellipse_option)) {
    report.k = ellipse_level(presentation.ellipse_option).k;
    report.level = level_words(presentation.ellipse_option);
  }
  report.scale = presentation.scale > 0.0 ? presentation.scale : 1.0;
  report.verdict.given = analysis.verdict.has_value();
  report.verdict.meets = !analysis.verdict || analysis.verdict->meets;
  report.verdict.lines =
      analysis.verdict ? verdict_lines(analysis, presentation) : without_tolerance(analysis, presentation);
  for (const Pass& pass : analysis.passes) {
    const char* title = pass.chain.start_end == PassStart::open_traverse ? "Poligonal aberta (elipses.txt)"
                        : pass.chain.start_end == PassStart::initial_point
                            ? "Cálculo a partir do ponto inicial (elipses.txt)"
                            : "Cálculo a partir do ponto final (elipses.txt)";
    ReportComputation computation = computation_of(title, analysis, pass);
    computation.whole = "elipses.txt";
    const std::vector<double> a = semi_major_axes(pass.ellipses, 0, pass.ellipses.size());
    computation.table = table_selection(a);
    computation.drawn = drawing_selection(a, forward.n);
    report.computations.push_back(std::move(computation));
  }
  if (forward.n > fullest_drawing) {
    report.label_every = (static_cast<std::size_t>(forward.n) + names_written - 1) / names_written;
    report.vertex_every = (static_cast<std::size_t>(forward.n) + vertices_drawn - 1) / vertices_drawn;
  }
  if (analysis.heights) {
    report.heights = heights_section(analysis, presentation.ellipse_option);
    std::vector<double> worst_legs;
    for (const HeightPairTest& leg : report.heights->legs) {
      worst_legs.push_back(report.heights->tested ? leg.ratio : leg.half_interval);
    }
    report.heights->points_table = table_selection(report.heights->sigma);
    report.heights->legs_table = table_selection(worst_legs);
    if (forward.n > fullest_drawing) {
      report.heights->vertex_every = (static_cast<std::size_t>(forward.n) + vertices_drawn - 1) / vertices_drawn;
    }
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
    adjusted.whole = request.further.adjusted ? "elipses-ajustada.txt" : "elipses-ajustada.txt, com --ajustada";
    const std::vector<double> a =
        semi_major_axes(analysis.joint_ellipses, 1, forward.n > 1 ? static_cast<std::size_t>(forward.n - 1) : 1);
    adjusted.table = table_selection(a);
    adjusted.drawn = drawing_selection(a, forward.n);
    report.computations.push_back(std::move(adjusted));
    if (analysis.misclosure) {
      report.misclosure = misclosure_lines(*analysis.misclosure, request.mode, presentation.ellipse_option,
                                           request.use.precision.angle_unit);
    }
  }
  if (analysis.pairs) {
    report.tables.push_back(pairs_section(forward, *analysis.pairs));
    const std::vector<PairTest>& exceeding = analysis.pairs->worst_exceeding;
    for (std::size_t i = 0; i < exceeding.size() && i < drawn_exceeding_pairs; ++i) {
      report.exceeding_pairs.push_back({exceeding[i].from, exceeding[i].to, exceeding[i].ratio});
    }
    report.exceeding_not_drawn = analysis.pairs->exceeding - report.exceeding_pairs.size();
  }
  if (analysis.design) report.design = design_section(analysis);
  report.relative_title = request.closed ? "Da poligonal ajustada" : "Da propagação da poligonal aberta";
  if (analysis.legs) {
    std::vector<double> worst;
    for (std::int32_t i = 1; i < forward.n; ++i) {
      const LegEllipse& leg = analysis.legs->legs[static_cast<std::size_t>(i - 1)];
      report.legs.push_back({i, leg.relative, leg.test});
      worst.push_back(leg.test ? leg.test->ratio : leg.ellipse.a);
    }
    report.legs_whole = request.further.relative ? "elipses-relativas.txt" : "elipses-relativas.txt, com --relativas";
    report.legs_table = table_selection(worst);
    report.legs_drawn = drawing_selection(worst, forward.n);
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
       << style << report_html::layer_switch_rules(report) << "</style>\n</head>\n<body>\n";
  file << "<header>\n<h1>" << html_text(report.title) << "</h1>\n<p>Ficheiro de coordenadas: <strong>"
       << html_text(report.coordinate_file) << "</strong>; resultados na pasta "
       << (report.folder == "." ? std::string("de trabalho") : "<strong>" + html_text(report.folder) + "</strong>")
       << ".</p>\n</header>\n";
  write_verdict(file, report);
  write_facts(file, report);
  report_html::write_drawing_section(file, report);
  report_html::write_design_section(file, report);
  report_html::write_heights_section(file, report);
  write_points(file, report);
  write_legs(file, report);
  write_misclosure(file, report);
  for (const ReportTable& table : report.tables) write_extra_table(file, table);
  file << "<footer>Escrito pelo elipses: pré-análise da precisão de uma poligonal planeada, a partir das "
          "coordenadas planeadas e da precisão dos instrumentos.</footer>\n</body>\n</html>\n";
}

}  // namespace elipses
