#include "output/design_files.hpp"

#include <cmath>
#include <string>

#include "output/record_text.hpp"
#include "output/text_output.hpp"

namespace elipses {

namespace {

const char* verdict(double ratio) { return meets(ratio) ? "cumpre" : "excede"; }

std::string name_of(const PointList& points, std::int32_t point) {
  return point == reference_direction ? std::string("REF") : record_name(points.at(point).name);
}

std::string pair_record(const PointList& points, const PairTest& pair) {
  return name_of(points, pair.from) + ' ' + name_of(points, pair.to) + ' ' + plain_fixed(pair.distance, 3) + ' ' +
         plain_fixed(pair.a, 4) + ' ' + plain_fixed(pair.tolerance, 4) + ' ' + plain_fixed(pair.ratio, 3) + ' ' +
         verdict(pair.ratio);
}

// An observation as elipses-fiabilidade.txt names it: A back station forward; D or R from to.
std::string observation_names(const PointList& points, const ObservationShare& o) {
  switch (o.kind) {
    case ObservationKind::angle:
      return "A " + name_of(points, o.back) + ' ' + name_of(points, o.station) + ' ' + name_of(points, o.forward);
    case ObservationKind::distance:
      return "D " + name_of(points, o.station) + ' ' + name_of(points, o.forward);
    case ObservationKind::bearing:
      break;
  }
  return "R " + name_of(points, o.station) + ' ' + name_of(points, o.forward);
}

std::string limit_text(const std::optional<double>& limit) { return limit ? plain_fixed(*limit, 1) : "nenhum"; }

// The heights' part of the sheet: the worst height, where its variance comes from, and
// with a vertical tolerance the limit of the zenith angles' precision.
template <typename PutLine>
void put_height_lines(PutLine put_line, const HeightResults& heights, const PointList& points, bool cc) {
  const HeightDesign& design = *heights.design;
  put_line("#", "alturas: a pior altura (desvio padrão e semi-intervalo em m) e de onde vem a sua variância, em %");
  if (heights.worst != 0) {
    put_line("pior", "altura " + name_of(points, heights.worst) + ' ' +
                         plain_fixed(heights.computed.sigma[static_cast<std::size_t>(heights.worst - 1)], 4) + ' ' +
                         plain_fixed(heights.half_interval(heights.worst), 4));
    const HeightBudget& b = design.percent;
    const std::pair<const char*, double> groups[] = {
        {"distancias", b.distances},           {"zenitais", b.zenith_angles},
        {"refracao", b.refraction},            {"altura-instrumento", b.instrument_heights},
        {"altura-alvo", b.target_heights},     {"alturas-conhecidas", b.known_heights}};
    for (const auto& [group, percent] : groups) put_line("parcela", std::string("altura ") + group + ' ' + plain_fixed(percent, 1));
  }
  if (design.limited) {
    put_line("#", "limite zenital: o maior valor, com o resto como dado, para o qual a tolerância vertical se cumpre");
    put_line("limite", std::string("zenital ") + (cc ? "cc " : "segundos ") + limit_text(design.limit_zenith));
  }
}

}  // namespace

double ellipse_probability_percent(double k) { return 100.0 * (1.0 - std::exp(-k * k / 2.0)); }

void write_pairs_file(std::ostream& file, const PointList& points, const PairSweep& sweep,
                      const Tolerances& tolerances, const std::string& level) {
  TextOutput text(file);
  text.put_line("# tolerância relativa " + given_figure(tolerances.relative_mm) + " mm + " +
                given_figure(tolerances.relative_ppm) + " ppm, a " + level);
  text.put_line("# pares testados: " + std::to_string(sweep.tested) +
                (sweep.every_pair ? std::string()
                                  : " (só os lados: com " + std::to_string(points.n) +
                                        " pontos, todos os pares seriam demasiados para os testar)"));
  text.put_line("# pares que excedem: " + std::to_string(sweep.exceeding));
  text.put_line("# listados: os que excedem, o pior primeiro (até " + std::to_string(max_listed_exceeding) +
                "), e depois os " + std::to_string(max_listed_passing) + " que cumprem com maior razão");
  text.put_line("# de para D(m) a(m) tolerancia(m) razao cumpre|excede");
  for (const PairTest& pair : sweep.worst_exceeding) text.put_line(pair_record(points, pair));
  for (const PairTest& pair : sweep.worst_passing) text.put_line(pair_record(points, pair));
  text.flush();
}

std::vector<SheetLine> design_sheet_lines(const PreAnalysis& analysis, std::int32_t ellipse_option) {
  std::vector<SheetLine> lines;
  const auto put_line = [&](std::string keyword, std::string rest) {
    lines.push_back(SheetLine{std::move(keyword), std::move(rest)});
  };
  const PointList& points = analysis.points.forward;
  const DesignSheet& sheet = *analysis.design;
  const AnalysisRequest& request = analysis.request;
  const Tolerances& tolerances = request.further.tolerances;
  const double k = request.k;
  const bool cc = request.use.precision.angle_unit == AngleUnit::centesimal_seconds;
  put_line("#", "folha de projeto: cada linha começa pela sua palavra-chave; a em m, percentagens com uma casa");
  put_line("nivel", std::to_string(ellipse_option) + ' ' + plain_fixed(k, 3) + ' ' +
                        plain_fixed(ellipse_probability_percent(k), 1));
  if (analysis.point_tests) {
    for (std::int32_t i = 1; i <= points.n; ++i) {
      const PointTest& test = analysis.point_tests->points[static_cast<std::size_t>(i - 1)];
      put_line("ponto", name_of(points, i) + ' ' + plain_fixed(test.a, 4) + ' ' + plain_fixed(test.tolerance, 4) + ' ' +
                            plain_fixed(test.ratio, 3) + ' ' + verdict(test.ratio));
    }
  }
  if (sheet.worst_point != 0) {
    put_line("pior", "ponto " + name_of(points, sheet.worst_point) + ' ' + plain_fixed(sheet.worst_point_a, 4));
  }
  if (sheet.worst_pair.from != 0) {
    put_line("pior", "par " + name_of(points, sheet.worst_pair.from) + ' ' + name_of(points, sheet.worst_pair.to) +
                         ' ' + plain_fixed(sheet.worst_pair.distance, 3) + ' ' + plain_fixed(sheet.worst_pair.a, 4));
  }
  put_line("#", "parcela: de onde vem a variância do pior ponto e do pior par ao longo do eixo maior, em %");
  const char* directions = request.mode == ObservationMode::goniometric ? "angulos" : "rumos";
  const auto put_budget = [&](const char* what, const ErrorSources& b) {
    const std::pair<const char*, double> groups[] = {
        {directions, b.directions},           {"distancias-mm", b.distances_fixed},
        {"distancias-ppm", b.distances_ppm},  {"centragem-instrumento", b.instrument_centring},
        {"centragem-alvo", b.target_centring}, {"extremos", b.known_points}};
    for (const auto& [group, percent] : groups) {
      put_line("parcela", std::string(what) + ' ' + group + ' ' + plain_fixed(percent, 1));
    }
  };
  if (sheet.worst_point != 0) put_budget("ponto", sheet.point_budget);
  if (sheet.worst_pair.from != 0) put_budget("par", sheet.pair_budget);
  for (const ObservationShare& share : sheet.contributions) {
    put_line("contribuicao", "ponto " + observation_names(points, share) + ' ' + plain_fixed(share.percent, 1));
  }
  if (tolerances.any() && !sheet.limits_sought) {
    put_line("#", "limites e classes não procurados: com " + std::to_string(points.n) +
                      " pontos, pesar outra vez todos os pares para cada precisão levaria horas");
  }
  if (sheet.limits_sought) {
    put_line("#", "limites: o maior valor, com o resto como dado, para o qual todas as tolerâncias se cumprem");
    put_line("limite", std::string(cc ? "cc " : "segundos ") + limit_text(sheet.limit_seconds));
    put_line("limite", "mm " + limit_text(sheet.limit_mm));
    put_line("limite", "ppm " + limit_text(sheet.limit_ppm));
    put_line("limite", "centragem " + limit_text(sheet.limit_centring));
    put_line("series", sheet.fewest_sets ? std::to_string(*sheet.fewest_sets) : std::string("nenhum"));
    put_line("#", "classes de instrumentos: segundos, mm, ppm, a pior razão de todas as tolerâncias");
    for (const CatalogueClass& c : sheet.catalogue) {
      put_line("classe", given_figure(c.seconds) + ' ' + given_figure(c.mm) + ' ' + given_figure(c.ppm) + ' ' +
                             plain_fixed(c.ratio, 3) + ' ' + verdict(c.ratio));
    }
  }
  if (analysis.heights && analysis.heights->design) put_height_lines(put_line, *analysis.heights, points, cc);
  return lines;
}

void write_design_file(std::ostream& file, const std::vector<SheetLine>& lines) {
  TextOutput text(file);
  for (const SheetLine& line : lines) text.put_line(line.keyword + ' ' + line.rest);
  text.flush();
}

}  // namespace elipses
