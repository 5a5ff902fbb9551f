#include "dialogue/run_report.hpp"

#include <cmath>

#include "output/ellipse_levels.hpp"
#include "output/legend_text.hpp"
#include "output/record_text.hpp"
#include "propagation/observation_model.hpp"

namespace elipses {

namespace {

std::string endpoint_words(const EndpointCovariance& endpoint) {
  if (is_zero(endpoint)) return "exato";
  return "sM " + given_figure(endpoint.s_m) + " m, sP " + given_figure(endpoint.s_p) + " m, sMP " +
         given_figure(endpoint.s_mp) + " m²";
}

}  // namespace

std::vector<ReportFact> report_facts(const RunSettings& settings, const RunExtras& extras, const PointList& points) {
  std::vector<ReportFact> facts;
  facts.push_back({"Ficheiro de coordenadas", settings.coordinate_file_name});
  double length = 0.0;
  for (std::int32_t i = 1; i < points.n; ++i) length += leg_geometry(points, i).length;
  facts.push_back({"Pontos", std::to_string(points.n) + ", " + decimal_figure(length, 3) + " m de poligonal"});
  const bool goniometric = is_goniometric(settings.mode);
  const bool declined = is_declined(settings.mode);
  const bool open = is_open(settings.traverse);
  facts.push_back({"Modo", goniometric ? "goniométrico (um ângulo em cada estação)"
                           : declined  ? "declinado (o rumo de cada lado)"
                                       : "não existente: nada foi calculado"});
  facts.push_back({"Poligonal", open              ? "aberta"
                                : is_loop(points) ? "fechada, em anel (começa e acaba no mesmo ponto conhecido)"
                                                  : "fechada (coordenadas do ponto final conhecidas)"});
  if (goniometric || declined) {
    facts.push_back({"Incerteza das distâncias", distance_precision_text(settings.precision)});
    facts.push_back({std::string("Incerteza ") +
                         angle_observation_words(goniometric ? ObservationMode::goniometric : ObservationMode::declined),
                     angle_precision_text(settings.precision)});
    facts.push_back({"Centragem", "instrumento " + given_figure(extras.instrument_centring_mm) + " mm, alvos " +
                                      given_figure(extras.target_centring_mm) + " mm (desvio padrão por coordenada)"});
    facts.push_back({"Séries de direções", std::to_string(extras.sets)});
    // A declined closed traverse starts from ends taken as exactly known.
    if (goniometric || open) facts.push_back({"Ponto inicial", endpoint_words(settings.initial_point)});
    if (goniometric && !open) facts.push_back({"Ponto final", endpoint_words(settings.final_point)});
    if (declined && !open) facts.push_back({"Extremos", "exatos"});
  }
  if (is_ellipse_option(settings.ellipse_option)) {
    const double k = ellipse_level(settings.ellipse_option).k;
    facts.push_back({"Nível", "elipses de " + level_words(settings.ellipse_option) + "; fator k = " +
                                  decimal_figure(k, 3) + ", que dá de facto " +
                                  decimal_figure(100.0 * (1.0 - std::exp(-k * k / 2.0)), 1) + " % a duas dimensões"});
  }
  if (extras.tolerances.relative) {
    facts.push_back({"Tolerância relativa", given_figure(extras.tolerances.relative_mm) + " mm + " +
                                                given_figure(extras.tolerances.relative_ppm) +
                                                " ppm da distância entre os dois pontos, no nível das elipses"});
  }
  if (extras.tolerances.point) {
    facts.push_back({"Tolerância de cada ponto", given_figure(extras.tolerances.point_mm) + " mm, no nível das elipses"});
  }
  facts.push_back({"Módulo da escala das elipses", given_figure(settings.scale)});
  return facts;
}

}  // namespace elipses
