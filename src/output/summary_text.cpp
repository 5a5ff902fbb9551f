#include "output/summary_text.hpp"

#include <cmath>

#include "output/compact_numbers.hpp"
#include "output/ellipse_levels.hpp"
#include "output/legend_text.hpp"
#include "output/misclosure_text.hpp"
#include "output/record_text.hpp"
#include "output/reliability_table.hpp"
#include "output/verdict_text.hpp"

namespace elipses {

namespace {

std::string shown(const Point& point) {
  std::string name = point.name;
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

std::string shown(const std::string& four_characters) {
  std::string name = four_characters;
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

// The level the tolerances were tested at, and a warning below 95 %: tolerances are
// usually written at 95 %.
std::string tolerance_level_text(std::int32_t option) {
  std::string text = "elipses: tolerâncias testadas ao nível de " + level_and_factor(option) + "\n";
  if (option < 5) {
    text += "elipses: aviso: o nível escolhido é inferior a 95%; as tolerâncias costumam especificar-se a 95% "
            "(nível 5)\n";
  }
  return text;
}

std::string exceeding_text(const char* what, std::uint64_t exceeding, std::uint64_t tested, const std::string& worst,
                           double ratio) {
  return std::string("elipses: ") + what + ": " + std::to_string(exceeding) + " de " + std::to_string(tested) +
         " excede" + (exceeding == 1 ? "" : "m") + " a tolerância; o pior é " + worst + ", razão " +
         exact_decimals_text(ratio, 3) + "\n";
}

// The limits of the design sheet and the cheapest-looking class of the catalogue that
// passes.
std::string design_text(const DesignSheet& sheet, AngleUnit unit) {
  const auto limit = [](const std::optional<double>& value, const char* unit_text) {
    return value ? exact_decimals_text(*value, 1) + unit_text : std::string("nenhum");
  };
  std::string text = "elipses: projeto: limites, com o resto como dado: direções " +
                     limit(sheet.limit_seconds, unit == AngleUnit::centesimal_seconds ? " cc" : "\"") +
                     "; distâncias, parte fixa " + limit(sheet.limit_mm, " mm") + "; parte proporcional " +
                     limit(sheet.limit_ppm, " ppm") + "; centragem " + limit(sheet.limit_centring, " mm") +
                     "; séries " + (sheet.fewest_sets ? std::to_string(*sheet.fewest_sets) : std::string("nenhum")) +
                     "\n";
  text += !sheet.cheapest ? std::string("elipses: projeto: nenhuma classe do catálogo cumpre as tolerâncias\n")
                          : "elipses: projeto: a classe mais económica do catálogo que cumpre: " +
                                given_figure(sheet.cheapest->seconds) + "\" e " + given_figure(sheet.cheapest->mm) +
                                " mm + " + given_figure(sheet.cheapest->ppm) + " ppm\n";
  text += "elipses: projeto: o catálogo são " + std::to_string(sheet.catalogue.size()) +
          " classes de instrumentos (direções de 0.5\" a 20\", distâncias de 1 mm + 1 ppm a 5 mm + 3 ppm), cada uma "
          "com a sua razão nas linhas classe de elipses-projeto.txt\n";
  return text;
}

// The redundancy, the weak observations, and the largest blunder that could pass
// unnoticed in a distance and in an angle or bearing.
std::string reliability_text(const TraverseReliability& reliability, const PointList& points, AngleUnit unit) {
  const auto where = [&](const ObservationReliability& item) {
    const auto name = [&](std::int32_t point) {
      return point == reference_direction ? std::string("REF") : shown(points.at(point));
    };
    return item.kind == ObservationKind::angle ? "no ângulo " + name(item.back) + " " + name(item.station) + " " +
                                                     name(item.forward)
           : item.kind == ObservationKind::distance ? "na distância " + name(item.station) + " " + name(item.forward)
                                                    : "no rumo " + name(item.station) + " " + name(item.forward);
  };
  const auto bias = [&](const ObservationReliability& item) {
    if (!std::isfinite(item.minimal_bias)) return std::string("nenhum seria detetado");
    if (item.kind == ObservationKind::distance) return decimal_figure(item.minimal_bias, 4) + " m";
    return decimal_figure(angle_in_unit(item.minimal_bias, unit), 1) +
           (unit == AngleUnit::centesimal_seconds ? " cc" : "\"");
  };
  const std::size_t weak = reliability.weak;
  std::string text = "elipses: fiabilidade: redundância " + decimal_figure(reliability.redundancy, 0) + "; " +
                     std::to_string(weak) + " observaç" + (weak == 1 ? "ão" : "ões") + " com r < 0.1\n";
  if (reliability.worst_distance >= 0) {
    const ObservationReliability& item = reliability.observations[static_cast<std::size_t>(reliability.worst_distance)];
    text += "elipses:   maior erro não detetável numa distância: " + bias(item) + ", " + where(item) + "\n";
  }
  if (reliability.worst_direction >= 0) {
    const ObservationReliability& item =
        reliability.observations[static_cast<std::size_t>(reliability.worst_direction)];
    text += std::string("elipses:   maior erro não detetável num ") +
            (item.kind == ObservationKind::angle ? "ângulo: " : "rumo: ") + bias(item) + ", " + where(item) + "\n";
  }
  return text;
}

// The worst height: its sigma and half-interval at the level, and where.
std::string worst_height_text(const HeightResults& heights, const PointList& points) {
  if (heights.worst == 0) return "elipses: nenhuma altura calculada\n";
  return "elipses: pior altura: desvio padrão " +
         decimal_figure(heights.computed.sigma[static_cast<std::size_t>(heights.worst - 1)], 4) +
         " m, semi-intervalo " + decimal_figure(heights.half_interval(heights.worst), 4) + " m (fator " +
         exact_decimals_text(heights.factor, 3) + "), no ponto " + shown(points.at(heights.worst)) + "\n";
}

// The legs and pairs against the vertical tolerance, and with the design sheet the limit of
// the zenith angles.
std::string height_tolerance_text(const HeightResults& heights, const PreAnalysis& analysis, std::int32_t option) {
  const PointList& points = analysis.points.forward;
  const HeightToleranceTest& test = *heights.test;
  std::string text;
  // Said once: the horizontal tolerances' line, when there is one, names the same level.
  if (!analysis.request.further.tolerances.any()) text += tolerance_level_text(option);
  text += "elipses: tolerância vertical testada com o fator " + exact_decimals_text(heights.factor, 3) +
          " das alturas\n";
  if (heights.worst_leg != 0) {
    const HeightPairTest& leg = test.legs[static_cast<std::size_t>(heights.worst_leg - 1)];
    text += exceeding_text("lados, em altura", test.legs_exceeding, test.legs.size(),
                           shown(points.at(leg.from)) + " " + shown(points.at(leg.to)), leg.ratio);
  }
  if (test.pairs_tested > 0 && test.worst) {
    const HeightPairTest& worst = *test.worst;
    text += exceeding_text("pares, em altura", test.pairs_exceeding, test.pairs_tested,
                           shown(points.at(worst.from)) + " " + shown(points.at(worst.to)), worst.ratio);
  }
  if (analysis.request.further.design && heights.design && heights.design->limited) {
    const std::optional<double>& limit = heights.design->limit_zenith;
    const bool cc = heights.precision.zenith_unit == AngleUnit::centesimal_seconds;
    text += "elipses: projeto: limite dos ângulos zenitais, com o resto como dado: " +
            (limit ? exact_decimals_text(*limit, 1) + (cc ? " cc" : "\"") : std::string("nenhum")) + "\n";
  }
  return text;
}

}  // namespace

std::string planned_work_text(const AnalysisRequest& request, std::int32_t points) {
  if (!request.has_mode) return {};
  std::string text;
  const auto n = static_cast<std::uint64_t>(points);
  const bool pairs = request.further.tolerances.relative || (request.heights.asked && request.heights.tolerance);
  if (pairs && !sweeps_every_pair(points)) {
    text += "elipses: aviso: com " + std::to_string(points) + " pontos há " + std::to_string(n * (n - 1) / 2) +
            " pares de pontos, demasiados para os testar todos (levaria horas): testam-se só os " +
            std::to_string(n - 1) + " lados, que elipses-pares.txt" +
            (request.heights.asked && request.heights.tolerance ? " e elipses-pares-alturas.txt listam" : " lista") +
            (request.further.tolerances.relative && (request.further.design || request.further.report)
                 ? std::string("; a folha de projeto não procura limites nem classes, que pesariam outra vez todos "
                               "os pares para cada precisão")
                 : std::string()) +
            "\n";
  }
  if (request.closed && request.further.reliability && points > longest_shift_search) {
    text += "elipses: aviso: com " + std::to_string(points) + " pontos, o maior deslocamento que cada erro grosseiro "
            "causaria pede uma resolução por observação (levaria horas): elipses-fiabilidade.txt dá r e o menor "
            "erro detetável, sem o deslocamento\n";
  }
  return text;
}

namespace {

// The verdict, last of all.
std::string verdict_text(const PreAnalysis& analysis, const Presentation& presentation) {
  std::string text;
  const std::vector<std::string> verdict = verdict_lines(analysis, presentation);
  for (std::size_t i = 0; i < verdict.size(); ++i) text += (i == 0 ? "elipses: " : "elipses:   ") + verdict[i] + "\n";
  return text;
}

}  // namespace

std::string notices_text(const PreAnalysis& analysis) {
  std::string text;
  if (analysis.notices.nothing_without_mode) {
    text += "elipses: aviso: sem modo de observação nada é calculado: nem poligonal ajustada, nem elipses relativas, "
            "nem fiabilidade, nem tolerâncias, nem folha de projeto\n";
  }
  if (analysis.notices.open_nothing_to_adjust) {
    text += "elipses: aviso: uma poligonal aberta não tem nada a ajustar; não se escreve elipses-ajustada.txt nem "
            "elipses-ajustada.scr\n";
  }
  if (analysis.notices.heights_without_mode) {
    text += "elipses: aviso: sem modo de observação as alturas não são calculadas\n";
  }
  if (analysis.notices.open_final_height_unused) {
    text += "elipses: aviso: uma poligonal aberta só conhece a altura do ponto inicial: o desvio padrão dado à altura "
            "final não é usado\n";
  }
  if (analysis.notices.open_no_redundancy) {
    text += "elipses: fiabilidade: uma poligonal aberta não tem observações redundantes: nenhum erro grosseiro seria "
            "detetado; não se escreve elipses-fiabilidade.txt\n";
  }
  return text;
}

std::string refusal_text(const PreAnalysis& analysis) {
  if (analysis.refusal == Refusal::heights_out_of_range) {
    return "as alturas não se podem calcular: a partir do ponto " + std::to_string(analysis.height_out_of_range) +
           " \"" + shown(analysis.points.forward.at(analysis.height_out_of_range)) +
           "\" os desvios-padrão saem fora do alcance de um número; reveja as alturas do ficheiro e as precisões "
           "dadas às alturas";
  }
  const char* observed = analysis.request.mode == ObservationMode::goniometric ? "ângulos" : "rumos";
  if (analysis.refusal == Refusal::exact_plain_observation) {
    return std::string("o ajustamento pede incertezas não nulas das distâncias e dos ") + observed +
           ": uma observação sem erro teria peso infinito";
  }
  return std::string("o cálculo pede incertezas não nulas das distâncias e dos ") + observed +
         " (ou uma centragem que lhas dê): uma observação sem erro teria peso infinito";
}

std::string records_not_fitting_text(std::size_t count, const std::string& file) {
  if (count == 0) return {};
  return "elipses: aviso: " + std::to_string(count) + " registo(s) do " + file +
         " tem valores que não cabem na coluna, escritos como asteriscos\n";
}

std::string script_lines_not_fitting_text(std::size_t count) {
  if (count == 0) return {};
  return "elipses: aviso: " + std::to_string(count) +
         " linha(s) do elipses.scr tem números de um milhão ou mais (em valor absoluto), escritos como"
         " asteriscos, que o programa de CAD não pode usar\n";
}

std::string written_text(const PreAnalysis& analysis, const Presentation& presentation,
                         const std::vector<std::string>& names, const std::string& folder) {
  std::string text = "elipses: escritos ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == names.size() ? " e " : ", ") + names[i];
  }
  text += " na pasta " + folder + "\n";
  if (analysis.worst_written.a < 0.0) return text + "elipses: nenhum ponto calculado\n";
  std::string level = ellipse_level(presentation.ellipse_option).menu_line;
  level = level.substr(4);
  while (!level.empty() && (level.back() == ' ' || level.back() == ':')) level.pop_back();
  const std::size_t old_spelling = level.find("confianca");  // the menu's, which a message does not keep
  if (old_spelling != std::string::npos) level.replace(old_spelling, 9, "confiança");
  text += "elipses: maior semieixo a: " + decimal_figure(analysis.worst_written.a, 4) + " m, no ponto " +
          shown(analysis.worst_written.name) + " (" + level + ")\n";
  // A closed traverse has more than one computation: the worst point of each.
  const auto computation_line = [&](const WorstEllipse& worst, const char* computation) {
    if (worst.a < 0.0) return;
    text += "elipses: maior semieixo a: " + decimal_figure(worst.a, 4) + " m, no ponto " + shown(worst.name) + ", " +
            computation + "\n";
  };
  for (const Pass& pass : analysis.passes) {
    if (pass.chain.start_end == PassStart::initial_point) computation_line(pass.worst, "no cálculo a partir do ponto inicial");
    if (pass.chain.start_end == PassStart::final_point) computation_line(pass.worst, "no cálculo a partir do ponto final");
  }
  if (analysis.worst_adjusted) computation_line(*analysis.worst_adjusted, "na poligonal ajustada");
  if (analysis.heights) text += worst_height_text(*analysis.heights, analysis.points.forward);
  return text;
}

std::string decision_text(const PreAnalysis& analysis, const Presentation& presentation) {
  const AnalysisRequest& request = analysis.request;
  const FurtherResults& further = request.further;
  const Tolerances& tolerances = further.tolerances;
  const PointList& forward = analysis.points.forward;
  const AngleUnit unit = request.use.precision.angle_unit;
  std::string text;
  if (analysis.notices.loop) {
    text += "elipses: poligonal em anel: começa e acaba no ponto " + shown(forward.at(1)) + "\n";
    if (analysis.notices.loop_final_unused) {
      text += "elipses: aviso: na poligonal em anel o ponto final é o inicial: a covariância dada ao ponto final não "
              "é usada no ajustamento, nas elipses relativas, no fecho nem na fiabilidade\n";
    }
    if (analysis.notices.loop_final_height_unused) {
      text += "elipses: aviso: na poligonal em anel o ponto final é o inicial: o desvio padrão dado à altura final não "
              "é usado\n";
    }
  }
  const std::string heights = analysis.heights && analysis.heights->test
                                  ? height_tolerance_text(*analysis.heights, analysis, presentation.ellipse_option)
                                  : std::string();
  if (!analysis.further) return text + heights + verdict_text(analysis, presentation);
  if (request.closed && further.adjusted && analysis.misclosure) {
    for (const std::string& line :
         misclosure_lines(*analysis.misclosure, request.mode, presentation.ellipse_option, unit)) {
      text += "elipses: " + line + "\n";
    }
  }
  if (further.relative && tolerances.relative && analysis.legs && analysis.legs->worst) {
    const PairTest& worst = *analysis.legs->worst;
    text += tolerance_level_text(presentation.ellipse_option);
    text += exceeding_text("lados", analysis.legs->exceeding, static_cast<std::uint64_t>(forward.n - 1),
                           shown(forward.at(worst.from)) + " " + shown(forward.at(worst.to)), worst.ratio);
  }
  if (further.deciding()) {
    if (!tolerances.relative && tolerances.point) text += tolerance_level_text(presentation.ellipse_option);
    if (analysis.pairs && analysis.pairs->worst) {
      const PairTest& worst = *analysis.pairs->worst;
      text += exceeding_text("pares", analysis.pairs->exceeding, analysis.pairs->tested,
                             shown(forward.at(worst.from)) + " " + shown(forward.at(worst.to)), worst.ratio);
    }
    if (analysis.point_tests && analysis.point_tests->worst != 0) {
      const PointTests& points = *analysis.point_tests;
      text += exceeding_text("pontos", points.exceeding, static_cast<std::uint64_t>(forward.n),
                             shown(forward.at(points.worst)),
                             points.points[static_cast<std::size_t>(points.worst - 1)].ratio);
    }
    if (further.design && analysis.design && analysis.design->limits_sought) {
      text += design_text(*analysis.design, unit);
    }
  }
  if (request.closed && further.reliability && analysis.reliability) {
    text += reliability_text(*analysis.reliability, forward, unit);
  }
  return text + heights + verdict_text(analysis, presentation);
}

}  // namespace elipses
