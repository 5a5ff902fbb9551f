#include "output/verdict_text.hpp"

#include "output/compact_numbers.hpp"
#include "output/ellipse_levels.hpp"
#include "output/legend_text.hpp"
#include "output/record_text.hpp"

namespace elipses {

namespace {

std::string ratio_text(double ratio) { return exact_decimals_text(ratio, 3); }

std::string count_text(std::uint64_t exceeding, std::uint64_t tested, const char* what) {
  return std::string(what) + " que excedem: " + std::to_string(exceeding) + " de " + std::to_string(tested);
}

// How the plan would pass, each precision changed alone: the limits that exist, in the
// unit the precision was given in, and plain words where there is none.
std::string design_line(const DesignSheet& sheet, const PreAnalysis& analysis, bool meets) {
  const AnalysisRequest& request = analysis.request;
  const bool cc = request.use.precision.angle_unit == AngleUnit::centesimal_seconds;
  const bool bearings = request.mode == ObservationMode::declined;
  std::vector<std::string> parts;
  // The horizontal limits and the catalogue are sought against a horizontal tolerance.
  if (sheet.limits_sought) {
    parts.push_back(sheet.limit_seconds ? std::string(bearings ? "rumos" : "direções") + " até " +
                                              exact_decimals_text(*sheet.limit_seconds, 1) + (cc ? " cc" : "\"")
                                        : std::string("nenhuma precisão ") + (bearings ? "dos rumos" : "das direções") +
                                              " basta sozinha");
    if (!sheet.limit_mm && !sheet.limit_ppm) {
      parts.emplace_back("nenhuma precisão das distâncias basta sozinha");
    } else {
      parts.push_back(sheet.limit_mm ? "distâncias, parte fixa até " + exact_decimals_text(*sheet.limit_mm, 1) + " mm"
                                     : std::string("nenhuma parte fixa das distâncias basta sozinha"));
      parts.push_back(sheet.limit_ppm
                          ? "distâncias, parte proporcional até " + exact_decimals_text(*sheet.limit_ppm, 1) + " ppm"
                          : std::string("nenhuma parte proporcional das distâncias basta sozinha"));
    }
    parts.push_back(sheet.limit_centring ? "centragem até " + exact_decimals_text(*sheet.limit_centring, 1) + " mm"
                                         : std::string("nenhuma centragem basta sozinha"));
    parts.push_back(sheet.fewest_sets ? std::to_string(*sheet.fewest_sets) +
                                            (*sheet.fewest_sets == 1 ? " série" : " séries")
                                      : std::string("nem 20 séries bastam"));
  }
  if (analysis.heights && analysis.heights->design && analysis.heights->design->limited) {
    const std::optional<double>& zenith = analysis.heights->design->limit_zenith;
    parts.push_back(zenith ? "ângulos zenitais até " + exact_decimals_text(*zenith, 1) + (cc ? " cc" : "\"")
                           : std::string("nenhuma precisão dos ângulos zenitais basta sozinha"));
  }
  if (sheet.limits_sought) {
    parts.push_back(sheet.cheapest ? "a classe mais económica do catálogo que cumpre é " +
                                         given_figure(sheet.cheapest->seconds) + "\" e " +
                                         given_figure(sheet.cheapest->mm) + " mm + " +
                                         given_figure(sheet.cheapest->ppm) + " ppm"
                                   : std::string("nenhuma classe do catálogo cumpre"));
  }
  if (parts.empty()) return {};
  std::string line = meets ? "com o resto como dado, cumpre ainda com: " : "para cumprir, com o resto como dado: ";
  for (std::size_t i = 0; i < parts.size(); ++i) line += (i == 0 ? "" : "; ") + parts[i];
  return line;
}

}  // namespace

std::string point_name(const PointList& points, std::int32_t point) {
  std::string name = points.at(point).name;
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

std::vector<std::string> verdict_lines(const PreAnalysis& analysis, const Presentation& presentation) {
  std::vector<std::string> lines;
  if (!analysis.verdict) return lines;
  const Verdict& verdict = *analysis.verdict;
  const AnalysisRequest& request = analysis.request;
  const Tolerances& tolerances = request.further.tolerances;
  const PointList& points = analysis.points.forward;
  const std::string level = level_percent(presentation.ellipse_option);
  lines.push_back(verdict.meets ? "veredicto: o plano cumpre as tolerâncias"
                                : "veredicto: o plano não cumpre as tolerâncias");
  if (tolerances.relative && analysis.pairs) {
    std::string line = "tolerância relativa " + given_figure(tolerances.relative_mm) + " mm + " +
                       given_figure(tolerances.relative_ppm) + " ppm a " + level + ": " +
                       (verdict.relative_meets ? "cumpre" : "não cumpre") + "; ";
    if (analysis.legs) line += count_text(analysis.legs->exceeding, analysis.legs->legs.size(), "lados") + "; ";
    if (analysis.pairs->every_pair) {
      line += count_text(analysis.pairs->exceeding, analysis.pairs->tested, "pares");
    } else {
      line += "pares: só os lados foram testados, por serem " + std::to_string(points.n) + " pontos";
    }
    if (analysis.pairs->worst) {
      const PairTest& worst = *analysis.pairs->worst;
      line += "; o pior par é " + point_name(points, worst.from) + " " + point_name(points, worst.to) + ", razão " +
              ratio_text(worst.ratio);
    }
    lines.push_back(line);
  }
  if (tolerances.point && analysis.point_tests) {
    const PointTests& tests = *analysis.point_tests;
    std::string line = "tolerância de cada ponto " + given_figure(tolerances.point_mm) + " mm a " + level + ": " +
                       (verdict.point_meets ? "cumpre" : "não cumpre") + "; " +
                       count_text(tests.exceeding, tests.points.size(), "pontos");
    if (tests.worst != 0) {
      line += "; o pior é " + point_name(points, tests.worst) + ", razão " +
              ratio_text(tests.points[static_cast<std::size_t>(tests.worst - 1)].ratio);
    }
    lines.push_back(line);
  }
  if (analysis.heights && analysis.heights->test) {
    const HeightResults& heights = *analysis.heights;
    const HeightToleranceTest& test = *heights.test;
    const HeightTolerance& tolerance = *request.heights.tolerance;
    std::string line = "tolerância vertical " + given_figure(tolerance.mm) + " mm + " + given_figure(tolerance.ppm) +
                       " ppm a " + level + " (fator " + exact_decimals_text(heights.factor, 3) + "): " +
                       (verdict.heights_meets ? "cumpre" : "não cumpre") + "; " +
                       count_text(test.legs_exceeding, test.legs.size(), "lados");
    if (test.pairs_tested > 0) {
      line += "; " + count_text(test.pairs_exceeding, test.pairs_tested, "pares");
    } else if (!sweeps_every_pair(points.n)) {
      line += "; pares: só os lados foram testados, por serem " + std::to_string(points.n) + " pontos";
    }
    if (test.worst) {
      line += "; o pior é " + point_name(points, test.worst->from) + " " + point_name(points, test.worst->to) +
              ", razão " + ratio_text(test.worst->ratio);
    }
    lines.push_back(line);
  }
  if (analysis.design) {
    const std::string line = design_line(*analysis.design, analysis, verdict.meets);
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

}  // namespace elipses
