#include "output/design_files.hpp"

#include <cmath>
#include <string>

#include "output/record_text.hpp"
#include "output/text_output.hpp"
#include "propagation/ellipse.hpp"

namespace elipses {

namespace {

const char* verdict(double ratio) { return ratio <= 1.0 ? "cumpre" : "excede"; }

std::string name_of(const PointList& points, std::int32_t point) {
  return point == reference_direction ? std::string("REF") : record_name(points.at(point).name);
}

std::string pair_record(const PointList& points, const PairTest& pair) {
  return name_of(points, pair.from) + ' ' + name_of(points, pair.to) + ' ' + plain_fixed(pair.distance, 3) + ' ' +
         plain_fixed(pair.a, 4) + ' ' + plain_fixed(pair.tolerance, 4) + ' ' + plain_fixed(pair.ratio, 3) + ' ' +
         verdict(pair.ratio);
}

// An observation as elipses-fiabilidade.txt names it: A back station forward; D or R from to.
std::string observation_names(const PointList& points, const Observation& o) {
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

}  // namespace

double ellipse_probability_percent(double k) { return 100.0 * (1.0 - std::exp(-k * k / 2.0)); }

void write_pairs_file(std::ostream& file, const PointList& points, const PairSweep& sweep,
                      const Tolerances& tolerances, const char* level_title) {
  TextOutput text(file);
  text.put_line("# tolerância relativa " + given_figure(tolerances.relative_mm) + " mm + " +
                given_figure(tolerances.relative_ppm) + " ppm, " + level_title);
  text.put_line("# pares testados: " + std::to_string(sweep.tested));
  text.put_line("# pares que excedem: " + std::to_string(sweep.exceeding));
  text.put_line("# listados: os que excedem, o pior primeiro (até " + std::to_string(max_listed_exceeding) +
                "), e depois os " + std::to_string(max_listed_passing) + " que cumprem com maior razão");
  text.put_line("# de para D(m) a(m) tolerancia(m) razao cumpre|excede");
  for (const PairTest& pair : sweep.worst_exceeding) text.put_line(pair_record(points, pair));
  for (const PairTest& pair : sweep.worst_passing) text.put_line(pair_record(points, pair));
  text.flush();
}

void write_design_file(std::ostream& file, const PointList& points, const DesignSheet& sheet,
                       const DesignFileInput& input) {
  TextOutput text(file);
  const bool cc = input.unit == AngleUnit::centesimal_seconds;
  text.put_line("# folha de projeto: cada linha começa pela sua palavra-chave; a em m, percentagens com uma casa");
  text.put_line("nivel " + std::to_string(input.level) + ' ' + plain_fixed(input.k, 3) + ' ' +
                plain_fixed(ellipse_probability_percent(input.k), 1));
  if (input.tolerances.point) {
    const double tolerance = input.tolerances.point_mm / 1000.0;
    for (std::int32_t i = 1; i <= points.n; ++i) {
      const double a = ellipse_parameters(input.joint->point(i), input.k).a;
      const double ratio = tolerance_ratio(a, tolerance);
      text.put_line("ponto " + name_of(points, i) + ' ' + plain_fixed(a, 4) + ' ' + plain_fixed(tolerance, 4) + ' ' +
                    plain_fixed(ratio, 3) + ' ' + verdict(ratio));
    }
  }
  if (sheet.worst_point != 0) {
    text.put_line("pior ponto " + name_of(points, sheet.worst_point) + ' ' + plain_fixed(sheet.worst_point_a, 4));
  }
  if (sheet.worst_pair.from != 0) {
    text.put_line("pior par " + name_of(points, sheet.worst_pair.from) + ' ' + name_of(points, sheet.worst_pair.to) +
                  ' ' + plain_fixed(sheet.worst_pair.distance, 3) + ' ' + plain_fixed(sheet.worst_pair.a, 4));
  }
  text.put_line("# parcela: de onde vem a variância do pior ponto e do pior par ao longo do eixo maior, em %");
  const char* directions = input.model->shape.mode == ObservationMode::goniometric ? "angulos" : "rumos";
  const auto put_budget = [&](const char* what, const BudgetShares& b) {
    const std::pair<const char*, double> groups[] = {
        {directions, b.directions},           {"distancias-mm", b.distances_fixed},
        {"distancias-ppm", b.distances_ppm},  {"centragem-instrumento", b.instrument_centring},
        {"centragem-alvo", b.target_centring}, {"extremos", b.known_points}};
    for (const auto& [group, percent] : groups) {
      text.put_line(std::string("parcela ") + what + ' ' + group + ' ' + plain_fixed(percent, 1));
    }
  };
  if (sheet.worst_point != 0) put_budget("ponto", sheet.point_budget);
  if (sheet.worst_pair.from != 0) put_budget("par", sheet.pair_budget);
  for (const ObservationShare& share : sheet.contributions) {
    const Observation& o = input.model->setups[share.setup].observations[share.observation];
    text.put_line("contribuicao ponto " + observation_names(points, o) + ' ' + plain_fixed(share.percent, 1));
  }
  if (input.tolerances.any()) {
    text.put_line("# limites: o maior valor, com o resto como dado, para o qual todas as tolerâncias se cumprem");
    text.put_line(std::string("limite ") + (cc ? "cc " : "segundos ") + limit_text(sheet.limit_seconds));
    text.put_line("limite mm " + limit_text(sheet.limit_mm));
    text.put_line("limite ppm " + limit_text(sheet.limit_ppm));
    text.put_line("limite centragem " + limit_text(sheet.limit_centring));
    text.put_line("series " + (sheet.fewest_sets ? std::to_string(*sheet.fewest_sets) : std::string("nenhum")));
    text.put_line("# classes de instrumentos: segundos, mm, ppm, a pior razão de todas as tolerâncias");
    for (const CatalogueClass& c : sheet.catalogue) {
      text.put_line("classe " + given_figure(c.seconds) + ' ' + given_figure(c.mm) + ' ' + given_figure(c.ppm) + ' ' +
                    plain_fixed(c.ratio, 3) + ' ' + verdict(c.ratio));
    }
  }
  text.flush();
}

}  // namespace elipses
