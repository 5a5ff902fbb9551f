#include "output/height_files.hpp"

#include <cmath>

#include "output/ellipse_levels.hpp"
#include "output/record_text.hpp"
#include "output/text_output.hpp"

namespace elipses {

namespace {

// The fields of one record; `fits` turns false on a value no field can hold (1e30 m or
// more, or none at all), which plain_fixed writes as asterisks.
struct RecordFields {
  std::string text;
  bool fits = true;

  void word(const std::string& value) { text += (text.empty() ? "" : " ") + value; }
  void number(double value, int decimals) {
    if (!(std::fabs(value) < 1e30)) fits = false;
    word(plain_fixed(value, decimals));
  }
};

std::string seconds_text(double value, AngleUnit unit) {
  return given_figure(value) + (unit == AngleUnit::centesimal_seconds ? " cc" : "\"");
}

std::string shape_text(const HeightResults& heights) {
  const std::string start = given_figure(heights.ends.start_sigma_m) + " m";
  switch (heights.shape) {
    case HeightShape::closed:
      return "poligonal fechada: conhecidas as alturas dos pontos inicial e final, desvios-padrão " + start + " e " +
             given_figure(heights.ends.end_sigma_m) + " m; as outras ajustadas pelo método dos mínimos quadrados";
    case HeightShape::loop:
      return "poligonal em anel: conhecida a altura do ponto inicial, que é também o final, desvio padrão " + start +
             "; as outras ajustadas pelo método dos mínimos quadrados";
    case HeightShape::open:
      break;
  }
  return "poligonal aberta: conhecida a altura do ponto inicial, desvio padrão " + start +
         "; as outras transportadas a partir dele";
}

const char* verdict(const HeightPairTest& test) { return test.passes() ? "cumpre" : "excede"; }

std::string tolerance_text(const HeightTolerance& tolerance) {
  return "tolerância vertical " + given_figure(tolerance.mm) + " mm + " + given_figure(tolerance.ppm) +
         " ppm da distância horizontal";
}

}  // namespace

std::string height_level_text(std::int32_t ellipse_option, double factor) {
  return level_and_factor(ellipse_option) + ": semi-intervalo = " + plain_fixed(factor, 3) + " sigma";
}

std::size_t write_heights_file(std::ostream& file, const PreAnalysis& analysis, std::int32_t ellipse_option) {
  TextOutput text(file);
  const HeightResults& heights = *analysis.heights;
  const HeightPrecision& precision = heights.precision;
  const PointList& points = analysis.points.forward;
  const std::optional<HeightTolerance>& tolerance = analysis.request.heights.tolerance;
  text.put_line("# alturas por nivelamento trigonométrico, ao nível de " +
                height_level_text(ellipse_option, heights.factor));
  text.put_line("# " + shape_text(heights));
  text.put_line("# ângulos zenitais: desvio padrão " + seconds_text(precision.zenith_seconds, precision.zenith_unit) +
                ", em " + std::to_string(precision.sets) + (precision.sets == 1 ? " série" : " séries"));
  text.put_line("# distâncias inclinadas: " + given_figure(precision.distance_fixed_mm) + " mm + " +
                given_figure(precision.distance_ppm) + " ppm");
  text.put_line("# medição das alturas acima das marcas, desvio padrão: instrumento " +
                given_figure(precision.instrument_height_mm) + " mm, alvos " +
                given_figure(precision.target_height_mm) + " mm");
  text.put_line("# refração: coeficiente " + given_figure(precision.refraction) + ", desvio padrão " +
                given_figure(precision.refraction_sigma) + ", um só para toda a poligonal; raio da Terra " +
                given_figure(earth_radius_m) + " m");
  text.put_line(precision.reciprocal ? "# cada lado observado nos dois sentidos (recíprocas), a média dos dois"
                                     : "# cada lado observado num só sentido, do seu primeiro ponto");
  if (tolerance) text.put_line("# " + tolerance_text(*tolerance));
  text.put_line("# ponto nome H(m) sigma(m) semi-intervalo(m)");
  text.put_line(tolerance ? "# lado de para D(m) dH(m) sigma(m) tolerancia(m) razao cumpre|excede"
                          : "# lado de para D(m) dH(m) sigma(m)");
  std::size_t records_not_fitting = 0;
  const auto put_record = [&](const RecordFields& record) {
    if (!record.fits) ++records_not_fitting;
    text.put_line(record.text);
  };
  for (std::int32_t i = 1; i <= points.n; ++i) {
    RecordFields record;
    record.word("ponto");
    record.word(record_name(points.at(i).name));
    record.number(points.at(i).h, 3);
    record.number(heights.computed.sigma[static_cast<std::size_t>(i - 1)], 4);
    record.number(heights.half_interval(i), 4);
    put_record(record);
  }
  for (std::int32_t i = 1; i < points.n; ++i) {
    const HeightLeg& leg = heights.computed.legs[static_cast<std::size_t>(i - 1)];
    RecordFields record;
    record.word("lado");
    record.word(record_name(points.at(i).name));
    record.word(record_name(points.at(i + 1).name));
    record.number(leg.distance, 3);
    record.number(leg.rise, 3);
    record.number(leg.sigma, 4);
    if (heights.test) {
      const HeightPairTest& test = heights.test->legs[static_cast<std::size_t>(i - 1)];
      record.number(test.tolerance, 4);
      record.number(test.ratio, 3);
      record.word(verdict(test));
    }
    put_record(record);
  }
  text.flush();
  return records_not_fitting;
}

void write_height_pairs_file(std::ostream& file, const PointList& points, const HeightToleranceTest& test,
                             const HeightTolerance& tolerance, const std::string& level) {
  TextOutput text(file);
  text.put_line("# " + tolerance_text(tolerance) + ", a " + level);
  text.put_line("# pares testados: " + std::to_string(test.pairs_tested) +
                (test.pairs_tested == 0 && points.n > longest_pair_sweep
                     ? " (só os lados: com " + std::to_string(points.n) +
                           " pontos, todos os pares seriam demasiados para os testar)"
                     : std::string()));
  text.put_line("# pares que excedem: " + std::to_string(test.pairs_exceeding));
  text.put_line("# listados: os que excedem, o pior primeiro (até " + std::to_string(max_listed_exceeding) +
                "), e depois os " + std::to_string(max_listed_passing) + " que cumprem com maior razão");
  text.put_line("# de para D(m) semi-intervalo(m) tolerancia(m) razao cumpre|excede");
  const auto put_pair = [&](const HeightPairTest& pair) {
    text.put_line(record_name(points.at(pair.from).name) + ' ' + record_name(points.at(pair.to).name) + ' ' +
                  plain_fixed(pair.distance, 3) + ' ' + plain_fixed(pair.half_interval, 4) + ' ' +
                  plain_fixed(pair.tolerance, 4) + ' ' + plain_fixed(pair.ratio, 3) + ' ' + verdict(pair));
  };
  for (const HeightPairTest& pair : test.worst_exceeding) put_pair(pair);
  for (const HeightPairTest& pair : test.worst_passing) put_pair(pair);
  text.flush();
}

}  // namespace elipses
