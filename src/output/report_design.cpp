// The design sheet as a person reads it: the limits in sentences beside what the plan
// uses, where the worst point's and pair's error comes from as bar charts, the largest
// sources named as a surveyor names them, and the catalogue of instrument classes as a
// matrix coloured by verdict.
#include "output/legend_text.hpp"
#include "output/record_text.hpp"
#include "output/report_html.hpp"
#include "output/verdict_text.hpp"

namespace elipses {

namespace {

std::string limit_figure(double value, const char* unit) { return decimal_figure(value, 1) + unit; }

std::string source_name(const PointList& points, const SourceShare& share) {
  const auto name = [&](std::int32_t point) {
    return point == reference_direction ? std::string("a direção de referência") : point_name(points, point);
  };
  switch (share.source) {
    case SourceKind::instrument_centring:
      return "centragem do instrumento em " + name(share.station);
    case SourceKind::target_centring:
      return "centragem dos alvos vistos de " + name(share.station);
    case SourceKind::observation:
      break;
  }
  switch (share.observation) {
    case ObservationKind::angle:
      return "ângulo em " + name(share.station);
    case ObservationKind::distance:
      return "distância " + name(share.station) + "–" + name(share.forward);
    case ObservationKind::bearing:
      break;
  }
  return "rumo " + name(share.station) + "–" + name(share.forward);
}

std::vector<ReportLimit> limits_of(const DesignSheet& sheet, const AnalysisRequest& request) {
  const InstrumentUse& use = request.use;
  const bool cc = use.precision.angle_unit == AngleUnit::centesimal_seconds;
  const char* angle_unit = cc ? " cc" : "\"";
  const bool bearings = request.mode == ObservationMode::declined;
  const auto row = [](std::string precision, const std::optional<double>& limit, const std::string& found,
                      const std::string& none, std::string plan) {
    return ReportLimit{std::move(precision), limit ? found : none, std::move(plan), limit.has_value()};
  };
  std::vector<ReportLimit> limits;
  limits.push_back(row(bearings ? "Precisão dos rumos" : "Precisão das direções", sheet.limit_seconds,
                       sheet.limit_seconds ? "até " + limit_figure(*sheet.limit_seconds, angle_unit) : "",
                       std::string("nenhuma basta sozinha: mesmo com 0.1") + angle_unit + " o plano não cumpre",
                       angle_precision_text(use.precision)));
  limits.push_back(row("Distâncias, parte fixa", sheet.limit_mm,
                       sheet.limit_mm ? "até " + limit_figure(*sheet.limit_mm, " mm") : "",
                       "nenhuma basta sozinha: mesmo quase sem parte fixa o plano não cumpre",
                       given_figure(use.precision.distance_fixed_mm) + " mm"));
  limits.push_back(row("Distâncias, parte proporcional", sheet.limit_ppm,
                       sheet.limit_ppm ? "até " + limit_figure(*sheet.limit_ppm, " ppm") : "",
                       "nenhuma basta sozinha: mesmo quase sem parte proporcional o plano não cumpre",
                       given_figure(use.precision.distance_ppm) + " ppm"));
  limits.push_back(row("Centragem do instrumento e dos alvos (desvio-padrão por coordenada)", sheet.limit_centring,
                       sheet.limit_centring ? "até " + limit_figure(*sheet.limit_centring, " mm") : "",
                       "nenhuma basta sozinha: mesmo com centragem quase perfeita o plano não cumpre",
                       "instrumento " + given_figure(use.instrument_centring_mm) + " mm, alvos " +
                           given_figure(use.target_centring_mm) + " mm"));
  const std::optional<double> sets =
      sheet.fewest_sets ? std::optional<double>(*sheet.fewest_sets) : std::optional<double>();
  limits.push_back(row("Séries de direções", sets,
                       sheet.fewest_sets ? std::to_string(*sheet.fewest_sets) +
                                               (*sheet.fewest_sets == 1 ? " série basta" : " séries bastam")
                                         : "",
                       "nem 20 séries bastam", std::to_string(use.sets)));
  return limits;
}

// A horizontal bar chart of the sources, each bar's percentage written on it.
void write_budget_chart(std::ostream& out, const ReportBudget& budget) {
  using report_html::svg_number;
  constexpr double label_width = 230.0, bar_room = 330.0, row = 24.0;
  const double rows = static_cast<double>(budget.percent.size());
  out << "<figure class=\"parcelas\">\n<figcaption>" << html_text(budget.title) << "</figcaption>\n";
  out << "<svg viewBox=\"0 0 " << svg_number(label_width + bar_room + 70.0) << ' ' << svg_number(rows * row)
      << "\" role=\"img\" aria-label=\"" << html_text(budget.title) << "\">\n";
  for (std::size_t i = 0; i < budget.percent.size(); ++i) {
    const auto& [source, share] = budget.percent[i];
    const double y = static_cast<double>(i) * row;
    const double width = bar_room * std::max(0.0, share) / 100.0;
    const std::string percent = decimal_figure(share, 1);
    out << "<text x=\"" << svg_number(label_width - 8.0) << "\" y=\"" << svg_number(y + 16.0)
        << "\" text-anchor=\"end\">" << html_text(source) << "</text>";
    out << "<rect class=\"barra\" x=\"" << svg_number(label_width) << "\" y=\"" << svg_number(y + 4.0) << "\" width=\""
        << svg_number(width) << "\" height=\"16\" fill=\"#1a3fc0\" data-percentagem=\"" << percent << "\"/>";
    // The percentage inside a long bar, after a short one.
    const bool inside = width > 60.0;
    out << "<text x=\"" << svg_number(inside ? label_width + width - 6.0 : label_width + width + 6.0) << "\" y=\""
        << svg_number(y + 16.0) << "\"" << (inside ? " text-anchor=\"end\" fill=\"#fff\"" : "") << ">" << percent
        << " %</text>\n";
  }
  out << "</svg>\n</figure>\n";
}

std::vector<std::pair<std::string, double>> horizontal_bars(const ErrorSources& shares, const char* directions) {
  return {{directions, shares.directions},
          {"distâncias, parte fixa", shares.distances_fixed},
          {"distâncias, parte proporcional", shares.distances_ppm},
          {"centragem do instrumento", shares.instrument_centring},
          {"centragem dos alvos", shares.target_centring},
          {"pontos conhecidos", shares.known_points}};
}

std::vector<std::pair<std::string, double>> height_bars(const HeightBudget& shares) {
  return {{"distâncias inclinadas", shares.distances},
          {"ângulos zenitais", shares.zenith_angles},
          {"refração", shares.refraction},
          {"alturas do instrumento", shares.instrument_heights},
          {"alturas dos alvos", shares.target_heights},
          {"alturas conhecidas", shares.known_heights}};
}

}  // namespace

ReportDesign design_section(const PreAnalysis& analysis) {
  ReportDesign design;
  const DesignSheet& sheet = *analysis.design;
  const AnalysisRequest& request = analysis.request;
  const PointList& points = analysis.points.forward;
  const char* directions = request.mode == ObservationMode::goniometric ? "ângulos" : "rumos";
  if (sheet.limits_sought) design.limits = limits_of(sheet, request);
  if (analysis.heights && analysis.heights->design && analysis.heights->design->limited) {
    const HeightResults& heights = *analysis.heights;
    const std::optional<double>& zenith = heights.design->limit_zenith;
    const bool cc = heights.precision.zenith_unit == AngleUnit::centesimal_seconds;
    design.limits.push_back(ReportLimit{
        "Precisão dos ângulos zenitais",
        zenith ? "até " + limit_figure(*zenith, cc ? " cc" : "\"")
               : std::string("nenhuma basta sozinha: mesmo com 0.1") + (cc ? " cc" : "\"") +
                     " a tolerância vertical não se cumpre",
        given_figure(heights.precision.zenith_seconds) + (cc ? " cc" : "\""), zenith.has_value()});
  }
  if (sheet.worst_point != 0) {
    design.budgets.push_back({"Pior ponto: " + point_name(points, sheet.worst_point) + ", a = " +
                                  decimal_figure(sheet.worst_point_a, 4) + " m",
                              horizontal_bars(sheet.point_budget, directions)});
  }
  if (sheet.worst_pair.from != 0) {
    design.budgets.push_back({"Pior par: " + point_name(points, sheet.worst_pair.from) + "–" +
                                  point_name(points, sheet.worst_pair.to) + ", a = " +
                                  decimal_figure(sheet.worst_pair.a, 4) + " m",
                              horizontal_bars(sheet.pair_budget, directions)});
  }
  if (analysis.heights && analysis.heights->design && analysis.heights->worst != 0) {
    const HeightResults& heights = *analysis.heights;
    design.budgets.push_back({"Pior altura: " + point_name(points, heights.worst) + ", sH = " +
                                  decimal_figure(heights.computed.sigma[static_cast<std::size_t>(heights.worst - 1)], 4) +
                                  " m",
                              height_bars(heights.design->percent)});
  }
  for (const SourceShare& share : analysis.largest_sources) {
    design.largest_sources.push_back({source_name(points, share), share.percent});
  }
  const ObservationPrecision& plan = request.use.precision;
  bool plan_found = false;
  for (const CatalogueClass& c : sheet.catalogue) {
    ReportClass cell{c.seconds, c.mm, c.ppm, c.ratio, meets(c.ratio), false, false};
    cell.cheapest = sheet.cheapest && sheet.cheapest->seconds == c.seconds && sheet.cheapest->mm == c.mm &&
                    sheet.cheapest->ppm == c.ppm;
    cell.plan = plan.angle_unit == AngleUnit::arc_seconds && plan.angle_seconds == c.seconds &&
                plan.distance_fixed_mm == c.mm && plan.distance_ppm == c.ppm;
    plan_found = plan_found || cell.plan;
    design.catalogue.push_back(cell);
  }
  if (!sheet.catalogue.empty() && !plan_found) {
    design.plan_note = "O instrumento do plano (" + angle_precision_text(plan) + " e " +
                       distance_precision_text(plan) + ") não é uma das classes do catálogo" +
                       (plan.angle_unit == AngleUnit::centesimal_seconds ? ", que está em segundos de arco." : ".");
  }
  return design;
}

namespace report_html {

void write_design_section(std::ostream& out, const Report& report) {
  if (!report.design) return;
  const ReportDesign& design = *report.design;
  out << "<section id=\"projeto\">\n<h2>Como cumprir: a folha de projeto</h2>\n";
  if (!design.limits.empty()) {
    out << "<h3>Limites, cada precisão mudada sozinha</h3>\n<p>O maior valor de cada precisão, com o resto como no "
           "plano, para o qual todas as tolerâncias se cumprem.</p>\n";
    out << "<div class=\"rolar\"><table class=\"frases\">\n<tr><th>Precisão</th><th>Limite</th><th>No plano</th></tr>\n";
    for (const ReportLimit& limit : design.limits) {
      out << "<tr class=\"" << (limit.found ? "limite" : "limite nenhum") << "\"><td>" << html_text(limit.precision)
          << "</td><td>" << html_text(limit.limit) << "</td><td>" << html_text(limit.plan) << "</td></tr>\n";
    }
    write_table_end(out);
  }
  if (!design.budgets.empty()) {
    out << "<h3>De onde vem o erro</h3>\n<p>A variância ao longo do eixo maior, repartida pelas suas fontes.</p>\n";
    for (const ReportBudget& budget : design.budgets) write_budget_chart(out, budget);
  }
  if (!design.largest_sources.empty()) {
    out << "<h3>O que mais pesa no pior ponto</h3>\n<ol class=\"fontes\">\n";
    for (const ReportSource& source : design.largest_sources) {
      out << "<li>" << html_text(source.name) << ": " << decimal_figure(source.percent, 1) << " %</li>\n";
    }
    out << "</ol>\n";
  }
  if (!design.catalogue.empty()) {
    out << "<h3>Catálogo de classes de instrumentos</h3>\n<p>Em cada célula, a pior razão de todas as tolerâncias "
           "com a classe da linha (direções) e da coluna (distâncias): até 1 cumpre. ★ a classe mais económica que "
           "cumpre; ◆ o instrumento do plano.</p>\n";
    std::vector<std::string> headers = {"Direções \\ distâncias"};
    std::vector<std::pair<double, double>> columns;
    for (const ReportClass& c : design.catalogue) {
      if (c.seconds != design.catalogue.front().seconds) break;
      columns.emplace_back(c.mm, c.ppm);
      headers.push_back(given_figure(c.mm) + " mm + " + given_figure(c.ppm) + " ppm");
    }
    out << "<div class=\"rolar\"><table class=\"catalogo\">\n<tr>";
    for (const std::string& header : headers) out << "<th>" << html_text(header) << "</th>";
    out << "</tr>\n";
    for (std::size_t i = 0; i < design.catalogue.size(); ++i) {
      const ReportClass& c = design.catalogue[i];
      if (i % columns.size() == 0) out << "<tr><th>" << html_text(given_figure(c.seconds) + "\"") << "</th>";
      out << "<td class=\"n " << (c.passes ? "cumpre" : "excede") << (c.cheapest ? " mais-economica" : "")
          << (c.plan ? " plano" : "") << "\" data-segundos=\"" << given_figure(c.seconds) << "\" data-mm=\""
          << given_figure(c.mm) << "\" data-ppm=\"" << given_figure(c.ppm) << "\">" << (c.cheapest ? "★ " : "")
          << (c.plan ? "◆ " : "") << table_number(c.ratio, 3) << "</td>";
      if ((i + 1) % columns.size() == 0) out << "</tr>\n";
    }
    out << "</table></div>\n";
    if (!design.plan_note.empty()) out << "<p>" << html_text(design.plan_note) << "</p>\n";
  }
  out << "</section>\n";
}

}  // namespace report_html

}  // namespace elipses
