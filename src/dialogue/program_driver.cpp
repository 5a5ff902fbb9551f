#include "dialogue/program_driver.hpp"

#include <cmath>
#include <istream>
#include <memory>
#include <new>
#include <ostream>
#include <sstream>

#include "dialogue/console.hpp"
#include "dialogue/further_questions.hpp"
#include "dialogue/output_files.hpp"
#include "dialogue/platform.hpp"
#include "dialogue/run_report.hpp"
#include "input/coordinate_file.hpp"
#include "input/input_error.hpp"
#include "input/text_encoding.hpp"
#include "output/compact_numbers.hpp"
#include "output/drawing_script.hpp"
#include "output/ellipse_levels.hpp"
#include "output/ellipse_table.hpp"
#include "output/legend_text.hpp"
#include "output/misclosure_text.hpp"
#include "output/record_text.hpp"
#include "output/relative_drawing.hpp"
#include "output/relative_table.hpp"
#include "output/reliability_table.hpp"
#include "output/report.hpp"
#include "output/design_files.hpp"
#include "propagation/adjustment.hpp"
#include "propagation/reliability.hpp"
#include "propagation/design.hpp"
#include "propagation/ellipse.hpp"
#include "propagation/chain.hpp"

namespace elipses {

namespace {

constexpr const char* banner[16] = {
    "***************************************************",
    "*   Calculo da matriz de variancias-covariancias  *",
    "*  associada ao calculo das coordenadas de pontos *",
    "*  ao longo de uma poligonal aberta ou fechada    *",
    "* do ponto de vista matematico. Estes valores sao *",
    "*  utilizados para a obtencao dos parametros das  *",
    "* elipses de erro ou de confianca, escrevendo-se  *",
    "*  o resultado num ficheiro de extensao .scr que  *",
    "*         pode ser importado no Autocad.          *",
    "*                                                 *",
    "*    O formato do ficheiro de coordenadas e:      *",
    "*            \"nome de ponto\", M, P                *",
    "*            \"nome de ponto\", M, P                *",
    "*                    ...                          *",
    "*            \"nome de ponto\", M, P                *",
    "***************************************************",
};

struct EndpointPrompts {
  const char* s_m;
  const char* s_p;
  const char* s_mp;
};
constexpr EndpointPrompts initial_prompts = {
    " Desvio padrao da coordenada M do ponto inicial (m): ",
    " Desvio padrao da coordenada P do ponto inicial (m): ",
    " Covariancia das coordenadas M e P do ponto inicial (m2): ",
};
constexpr EndpointPrompts final_prompts = {
    " Desvio padrao da coordenada M do ponto final (m): ",
    " Desvio padrao da coordenada P do ponto final (m): ",
    " Covariancia das coordenadas M e P do ponto final (m2): ",
};

void read_observation_precision(Console& console, ObservationPrecision& precision, const char* angle_prompt) {
  show_line(console, " Incerteza na medicao das: ");
  show_line(console, "    Distancias:");
  read_real_answer(console, "\t\t  Componente fixa (mm): ", precision.distance_fixed_mm);
  read_real_answer(console, "\t\t  Componente variavel (ppm): ", precision.distance_ppm);
  read_real_answer(console, angle_prompt, precision.angle_seconds);
}

void read_endpoint_covariance(Console& console, EndpointCovariance& endpoint, const EndpointPrompts& prompts) {
  read_real_answer(console, prompts.s_m, endpoint.s_m);
  read_real_answer(console, prompts.s_p, endpoint.s_p);
  read_real_answer(console, prompts.s_mp, endpoint.s_mp);
}

// The coordinate file, read and checked before any output file exists.
struct OpenTraverse {
  CoordinateFile file;
  std::int32_t n = 0;
};

void open_traverse(OpenTraverse& traverse, const std::string& name, std::ostream& err) {
  open_coordinate_file(traverse.file, name);
  traverse.n = count_points(traverse.file);
  check_traverse(traverse.file, traverse.n);
  for (const std::string& warning : reading_warnings(traverse.file)) err << "elipses: aviso: " << warning << '\n';
}

// The worst computed point of one computation, for the summary at the end.
struct WorstPoint {
  std::string computation;  // where it was computed, as the summary says it
  double a = -1.0;          // m, at the chosen level; negative: no point computed
  std::string name;
};

// The two files every run writes, in the folder asked for, and what the summary and the
// report gather on the way.
struct RunOutputs {
  explicit RunOutputs(const RunExtras& extras)
      : files(extras.output_directory), table(files.create("elipses.txt")), script(files.create("elipses.scr")) {
    write_table_header(table);
    if (extras.report) report = std::make_unique<Report>();
  }
  OutputFiles files;
  EllipseTableWriter table;
  DrawingScriptWriter script;
  std::vector<WorstPoint> worst;   // each computation of a closed traverse
  std::unique_ptr<Report> report;  // with --relatorio

  // The report asked for at the terminal, after the outputs were opened.
  void start_report(const RunExtras& extras) {
    if (extras.report && !report) report = std::make_unique<Report>();
  }

  // Hands the gathered text to both files, completes them and puts them in place.
  void finish() {
    table.text.flush();
    script.text.flush();
    files.finish();
  }
};

DrawingSettings drawing_settings(const RunSettings& settings, const RunExtras& extras) {
  DrawingSettings drawing;
  drawing.scale = settings.scale;
  drawing.text_height = settings.text_height;
  drawing.text_rotation = 0.0;
  drawing.ellipse_option = settings.ellipse_option;
  drawing.k = ellipse_level(settings.ellipse_option).k;
  drawing.has_mode = is_goniometric(settings.mode) || is_declined(settings.mode);
  drawing.mode = is_declined(settings.mode) ? ObservationMode::declined : ObservationMode::goniometric;
  drawing.title = is_open(settings.traverse)           ? TraverseTitle::open
                  : is_named_closed(settings.traverse) ? TraverseTitle::closed
                                                       : TraverseTitle::none;
  drawing.precision = settings.precision;
  drawing.instrument_centring_mm = extras.instrument_centring_mm;
  drawing.target_centring_mm = extras.target_centring_mm;
  drawing.sets = extras.sets;
  return drawing;
}

InstrumentUse instrument_use(const RunSettings& settings, const RunExtras& extras) {
  InstrumentUse use;
  use.precision = settings.precision;
  use.instrument_centring_m = extras.instrument_centring_mm * 0.001;
  use.target_centring_m = extras.target_centring_mm * 0.001;
  use.sets = extras.sets;
  return use;
}

// An observation with no uncertainty at all would have an infinite weight.
void refuse_observations_without_error(ObservationMode mode, bool plain) {
  const bool goniometric = mode == ObservationMode::goniometric;
  if (plain) {
    throw InputError("o ajustamento pede incertezas não nulas das distâncias e dos " +
                     std::string(goniometric ? "ângulos" : "rumos") + ": uma observação sem erro teria peso infinito");
  }
  throw InputError("o cálculo pede incertezas não nulas das distâncias e dos " +
                   std::string(goniometric ? "ângulos" : "rumos") +
                   " (ou uma centragem que lhas dê): uma observação sem erro teria peso infinito");
}

// A pass's points in file order, for the summary and the report: `reversed` when the
// pass walked the file backwards.
ReportComputation computation_of(std::string title, const PointList& walked, const Chain& chain, bool reversed) {
  ReportComputation computation;
  computation.title = std::move(title);
  for (std::size_t i = 0; i < chain.computed.size(); ++i) {
    const std::int32_t position = Chain::position_of(i);
    computation.ellipses.push_back({reversed ? walked.n + 1 - position : position, chain.computed[i]});
  }
  return computation;
}

// The largest semi-major axis among a pass's computed points.
WorstPoint worst_of(std::string words, const PointList& walked, const Chain& chain, double k) {
  WorstPoint worst{std::move(words), -1.0, ""};
  for (std::size_t i = 0; i < chain.computed.size(); ++i) {
    const double a = ellipse_parameters(chain.computed[i], k).a;
    if (a > worst.a) {
      worst.a = a;
      worst.name = walked.at(Chain::position_of(i)).name;
    }
  }
  return worst;
}

// Writes a pass to both files; a closed traverse's pass is remembered for the summary
// under the words that say where it started, and every pass for the report.
void write_chain(RunOutputs& outputs, const DrawingSettings& drawing, const PointList& walked, const Chain& chain,
                 const char* start_words = nullptr) {
  write_chain_records(outputs.table, walked, chain, drawing.k);
  write_chain_blocks(outputs.script, drawing, walked, chain);
  if (start_words != nullptr) {
    outputs.worst.push_back(worst_of(std::string("no cálculo a partir do ") + start_words, walked, chain, drawing.k));
  }
  if (outputs.report) {
    outputs.report->computations.push_back(
        computation_of(start_words == nullptr ? std::string("Poligonal aberta (elipses.txt)")
                                              : std::string("Cálculo a partir do ") + start_words + " (elipses.txt)",
                       walked, chain, chain.start_end == PassStart::final_point));
  }
}

std::string fixed_text(double value, int decimals) { return exact_decimals_text(value, decimals); }

void warn_about_records(std::ostream& err, std::size_t count, const char* file) {
  if (count > 0) {
    err << "elipses: aviso: " << count << " registo(s) do " << file
        << " tem valores que não cabem na coluna, escritos como asteriscos\n";
  }
}

std::string trimmed_name(const Point& point) { return shown_name(point.name); }

// What standard error says of the reliability: the redundancy, the weak observations, and
// the largest blunder that could pass unnoticed in a distance and in an angle or bearing.
std::string reliability_report(const TraverseReliability& reliability, const PointList& points, AngleUnit unit) {
  std::size_t weak = 0;
  const ObservationReliability* worst_distance = nullptr;
  const ObservationReliability* worst_direction = nullptr;
  for (const ObservationReliability& item : reliability.observations) {
    if (item.redundancy < weak_redundancy) ++weak;
    const ObservationReliability*& worst =
        item.kind == ObservationKind::distance ? worst_distance : worst_direction;
    if (worst == nullptr || item.minimal_bias > worst->minimal_bias) worst = &item;
  }
  const auto where = [&](const ObservationReliability& item) {
    const auto name = [&](std::int32_t point) {
      return point == reference_direction ? std::string("REF") : trimmed_name(points.at(point));
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
  std::string report = "elipses: fiabilidade: redundância " + decimal_figure(reliability.redundancy, 0) + "; " +
                       std::to_string(weak) + " observaç" + (weak == 1 ? "ão" : "ões") + " com r < 0.1\n";
  if (worst_distance != nullptr) {
    report += "elipses:   maior erro não detetável numa distância: " + bias(*worst_distance) + ", " +
              where(*worst_distance) + "\n";
  }
  if (worst_direction != nullptr) {
    report += std::string("elipses:   maior erro não detetável num ") +
              (worst_direction->kind == ObservationKind::angle ? "ângulo: " : "rumo: ") + bias(*worst_direction) +
              ", " + where(*worst_direction) + "\n";
  }
  return report;
}

// The level the tolerances were tested at, and a warning below 95 %: tolerances are
// usually written at 95 %.
std::string tolerance_level_report(const RunSettings& settings) {
  std::string report = "elipses: tolerâncias testadas ao nível de " + level_and_factor(settings.ellipse_option) + "\n";
  if (settings.ellipse_option < 5) {
    report += "elipses: aviso: o nível escolhido é inferior a 95%; as tolerâncias costumam especificar-se a 95% "
              "(nível 5)\n";
  }
  return report;
}

std::string exceeding_line(const char* what, std::uint64_t exceeding, std::uint64_t tested, const std::string& worst,
                           double ratio) {
  return std::string("elipses: ") + what + ": " + std::to_string(exceeding) + " de " + std::to_string(tested) +
         " excede" + (exceeding == 1 ? "" : "m") + " a tolerância; o pior é " + worst + ", razão " +
         fixed_text(ratio, 3) + "\n";
}

// The limits of the design sheet and the cheapest-looking class of the catalogue that
// passes (the largest seconds, then the largest millimetres).
std::string design_report(const DesignSheet& sheet, AngleUnit unit) {
  const auto limit = [](const std::optional<double>& value, const char* unit_text) {
    return value ? fixed_text(*value, 1) + unit_text : std::string("nenhum");
  };
  std::string report = "elipses: projeto: limites, com o resto como dado: direções " +
                       limit(sheet.limit_seconds, unit == AngleUnit::centesimal_seconds ? " cc" : "\"") +
                       "; distâncias, parte fixa " + limit(sheet.limit_mm, " mm") + "; parte proporcional " +
                       limit(sheet.limit_ppm, " ppm") + "; centragem " + limit(sheet.limit_centring, " mm") +
                       "; séries " + (sheet.fewest_sets ? std::to_string(*sheet.fewest_sets) : std::string("nenhum")) +
                       "\n";
  const CatalogueClass* cheapest = nullptr;
  for (const CatalogueClass& c : sheet.catalogue) {
    if (c.ratio > 1.0) continue;
    if (cheapest == nullptr || c.seconds > cheapest->seconds ||
        (c.seconds == cheapest->seconds && (c.mm > cheapest->mm || (c.mm == cheapest->mm && c.ppm > cheapest->ppm)))) {
      cheapest = &c;
    }
  }
  report += cheapest == nullptr
                ? std::string("elipses: projeto: nenhuma classe do catálogo cumpre as tolerâncias\n")
                : "elipses: projeto: a classe mais económica do catálogo que cumpre: " + given_figure(cheapest->seconds) +
                      "\" e " + given_figure(cheapest->mm) + " mm + " + given_figure(cheapest->ppm) + " ppm\n";
  return report;
}

// The pairs against the relative tolerance, the points against theirs and the design
// sheet, each when asked. Returns what is to be said.
std::string write_decision(const RunSettings& settings, const RunExtras& extras, const DrawingSettings& drawing,
                           const PointList& forward, const ObservationModel& model, const EndpointCovariance& initial,
                           const EndpointCovariance& final_end, RunOutputs& outputs) {
  const Tolerances& tolerances = extras.tolerances;
  const JointCovariance joint(forward, model, initial, final_end);
  std::string report;
  if (!tolerances.relative && tolerances.point) report += tolerance_level_report(settings);
  std::optional<PairTest> worst_pair;
  if (tolerances.relative) {
    const PairSweep sweep = sweep_pairs(forward, joint, drawing.k, tolerances);
    write_pairs_file(outputs.files.create("elipses-pares.txt"), forward, sweep, tolerances,
                     level_and_factor(settings.ellipse_option));
    worst_pair = sweep.worst;
    if (outputs.report) outputs.report->tables.push_back(pairs_section(forward, sweep));
    if (sweep.worst) {
      report += exceeding_line("pares", sweep.exceeding, sweep.tested,
                               trimmed_name(forward.at(sweep.worst->from)) + " " +
                                   trimmed_name(forward.at(sweep.worst->to)),
                               sweep.worst->ratio);
    }
  }
  if (tolerances.point) {
    const double tolerance = tolerances.point_mm / 1000.0;
    std::uint64_t exceeding = 0;
    std::int32_t worst = 0;
    double worst_ratio_found = 0.0;
    for (std::int32_t i = 1; i <= forward.n; ++i) {
      const double ratio = tolerance_ratio(ellipse_parameters(joint.point(i), drawing.k).a, tolerance);
      if (ratio > 1.0) ++exceeding;
      if (!joint.is_known(i) && (worst == 0 || ratio > worst_ratio_found)) {
        worst = i;
        worst_ratio_found = ratio;
      }
    }
    if (worst != 0) {
      report += exceeding_line("pontos", exceeding, static_cast<std::uint64_t>(forward.n),
                               trimmed_name(forward.at(worst)), worst_ratio_found);
    }
  }
  // The report shows the design sheet whenever a tolerance is given.
  if (extras.design || (outputs.report && tolerances.any())) {
    const DesignInput input{model.shape, instrument_use(settings, extras), initial, final_end, drawing.k, tolerances};
    const DesignSheet sheet = design_sheet(forward, joint, input, worst_pair);
    DesignFileInput file_input;
    file_input.level = settings.ellipse_option;
    file_input.k = drawing.k;
    file_input.unit = settings.precision.angle_unit;
    file_input.tolerances = tolerances;
    file_input.joint = &joint;
    file_input.model = &model;
    if (outputs.report) {
      std::ostringstream text;
      write_design_file(text, forward, sheet, file_input);
      outputs.report->tables.push_back(design_section(text.str()));
    }
    if (extras.design) {
      write_design_file(outputs.files.create("elipses-projeto.txt"), forward, sheet, file_input);
      if (tolerances.any()) report += design_report(sheet, settings.precision.angle_unit);
    }
  }
  return report;
}

// The closed traverse adjusted by least squares, the relative ellipses, the reliability
// and the report's share of them, when asked. Returns what is to be said once the files
// are in place.
std::string write_further_results(const RunSettings& settings, const RunExtras& extras, const DrawingSettings& drawing,
                                  const PointList& forward, RunOutputs& outputs, std::ostream& err) {
  const bool deciding = extras.tolerances.any() || extras.design;
  const bool asked = extras.adjusted || extras.relative || extras.reliability || deciding;
  if (!asked && !extras.report) return {};
  if (!drawing.has_mode) {
    if (asked) {
      err << "elipses: aviso: sem modo de observação nada é calculado: nem poligonal ajustada, nem elipses relativas, "
             "nem fiabilidade, nem tolerâncias, nem folha de projeto\n";
    }
    return {};
  }
  const bool open = is_open(settings.traverse);
  // A declined closed traverse has exact ends, as in the computation by halves.
  const EndpointCovariance initial = open || drawing.mode == ObservationMode::goniometric ? settings.initial_point
                                                                                          : EndpointCovariance{};
  const EndpointCovariance final_point = drawing.mode == ObservationMode::goniometric ? settings.final_point
                                                                                      : EndpointCovariance{};
  if (open && extras.adjusted) {
    err << "elipses: aviso: uma poligonal aberta não tem nada a ajustar; não se escreve elipses-ajustada.txt nem "
           "elipses-ajustada.scr\n";
  }
  if (open && extras.reliability) {
    err << "elipses: fiabilidade: uma poligonal aberta não tem observações redundantes: nenhum erro grosseiro seria "
           "detetado; não se escreve elipses-fiabilidade.txt\n";
  }
  const TraverseShape shape{drawing.mode, !open, !open && is_loop(forward)};
  const InstrumentUse use = instrument_use(settings, extras);
  const ObservationModel model = build_observation_model(forward, shape, use);
  const bool undefined = (!open && use.is_plain() && !adjustment_is_defined(drawing.mode, settings.precision)) ||
                         ((!open || !use.is_plain() || deciding) && !model_is_defined(model));
  if (undefined) {
    if (asked) refuse_observations_without_error(drawing.mode, use.is_plain() && !open);
    // The report alone does not fail a run for what it cannot add.
    outputs.report->facts.push_back({"Poligonal ajustada e elipses relativas",
                                     "não calculadas: uma observação sem erro teria peso infinito"});
    return {};
  }
  // A loop's one point is both ends: the initial covariance serves for both.
  const EndpointCovariance& final_end = shape.loop ? initial : final_point;
  const TraverseCovariance joint = open && use.is_plain() ? propagate_open_joint(forward, drawing.mode, settings.precision, initial)
                                                          : model_covariance(forward, model, initial, final_end);
  std::string said;
  if (!open) {
    ReportComputation adjusted_points;
    adjusted_points.title = "Poligonal ajustada (elipses-ajustada.txt)";
    for (std::int32_t i = 2; i < forward.n; ++i) {
      adjusted_points.ellipses.push_back({i, joint.points[static_cast<std::size_t>(i - 1)]});
    }
    WorstPoint worst{"na poligonal ajustada", -1.0, ""};
    for (const ReportEllipse& e : adjusted_points.ellipses) {
      const double a = ellipse_parameters(e.covariance, drawing.k).a;
      if (a > worst.a) worst = {worst.computation, a, forward.at(e.point).name};
    }
    const bool shown = extras.adjusted || outputs.report;
    if (shown) outputs.worst.push_back(worst);
    const std::vector<std::string> closure =
        shown ? misclosure_lines(predicted_misclosure(forward, model, initial, final_end), drawing.mode,
                                 settings.ellipse_option, settings.precision.angle_unit)
              : std::vector<std::string>();
    if (extras.adjusted) {
      EllipseTableWriter table(outputs.files.create("elipses-ajustada.txt"));
      write_table_header(table);
      for (const ReportEllipse& e : adjusted_points.ellipses) {
        write_point_record(table, forward.at(e.point), e.covariance, drawing.k);
      }
      table.text.flush();
      warn_about_records(err, table.records_not_fitting, "elipses-ajustada.txt");
      DrawingScriptWriter script(outputs.files.create("elipses-ajustada.scr"));
      DrawingSettings adjusted = drawing;
      adjusted.adjusted = true;
      adjusted.title = TraverseTitle::closed;
      write_adjusted_blocks(script, adjusted, forward, joint.points, initial, final_end);
      write_closing_block(script, adjusted, forward, forward.at(forward.n));
      script.text.flush();
      write_misclosure_file(outputs.files.create("elipses-fecho.txt"), closure);
      for (const std::string& line : closure) said += "elipses: " + line + "\n";
    }
    if (outputs.report) {
      outputs.report->computations.push_back(std::move(adjusted_points));
      outputs.report->misclosure = closure;
    }
  }
  if (extras.relative) {
    RelativeTableWriter table(outputs.files.create("elipses-relativas.txt"));
    const Tolerances* tolerances = extras.tolerances.relative ? &extras.tolerances : nullptr;
    write_relative_header(table, tolerances != nullptr);
    write_relative_records(table, forward, joint, drawing.k, tolerances);
    table.text.flush();
    warn_about_records(err, table.records_not_fitting, "elipses-relativas.txt");
    if (tolerances != nullptr && table.worst_leg.from != 0) {
      said += tolerance_level_report(settings);
      said += exceeding_line("lados", table.legs_exceeding, static_cast<std::uint64_t>(forward.n - 1),
                             trimmed_name(forward.at(table.worst_leg.from)) + " " +
                                 trimmed_name(forward.at(table.worst_leg.to)),
                             table.worst_leg.ratio);
    }
    DrawingScriptWriter script(outputs.files.create("elipses-relativas.scr"));
    RelativeDrawingSettings relative;
    relative.drawing = drawing;
    relative.closed = !open;
    if (tolerances != nullptr) {
      relative.tolerances = leg_tolerances(forward, joint, drawing.k, *tolerances);
      relative.tolerance_legend = ToleranceLegend{tolerances->relative_mm, tolerances->relative_ppm};
    }
    write_relative_drawing(script, relative, forward, joint);
    script.text.flush();
  }
  if (deciding) said += write_decision(settings, extras, drawing, forward, model, initial, final_end, outputs);
  if (outputs.report) {
    Report& report = *outputs.report;
    report.relative_title = open ? "Da propagação da poligonal aberta" : "Da poligonal ajustada";
    const std::vector<std::optional<LegTolerance>> tested =
        extras.tolerances.relative ? leg_tolerances(forward, joint, drawing.k, extras.tolerances)
                                   : std::vector<std::optional<LegTolerance>>();
    for (std::int32_t i = 1; i < forward.n; ++i) {
      const std::size_t leg = static_cast<std::size_t>(i - 1);
      report.legs.push_back({i, relative_covariance(joint, i), leg < tested.size() ? tested[leg] : std::nullopt});
    }
  }
  // The largest shifts cost one solve per observation, a time that grows with the square of
  // the points: the report adds the reliability of its own accord only where that is quick.
  constexpr std::int32_t report_reliability_points = 5000;
  const bool reliability_for_report = outputs.report && forward.n <= report_reliability_points;
  if (!open && outputs.report && !extras.reliability && !reliability_for_report) {
    outputs.report->facts.push_back({"Fiabilidade", "não calculada para mais de 5000 pontos sem --fiabilidade"});
  }
  if (!open && (extras.reliability || reliability_for_report)) {
    const TraverseReliability reliability = traverse_reliability(model, forward.n);
    if (extras.reliability) {
      write_reliability_table(outputs.files.create("elipses-fiabilidade.txt"), forward, reliability,
                              settings.precision.angle_unit);
      said += reliability_report(reliability, forward, settings.precision.angle_unit);
    }
    if (outputs.report) {
      outputs.report->tables.push_back(reliability_section(forward, reliability, settings.precision.angle_unit));
    }
  }
  return said;
}

// A closed traverse that starts and ends on one known point: said once, and the final
// point's covariance, when given and different, said not to be used.
std::string loop_report(const RunSettings& settings, const DrawingSettings& drawing, const RunExtras& extras,
                        const PointList& forward) {
  if (!drawing.has_mode || is_open(settings.traverse) || !is_loop(forward)) return {};
  std::string report = "elipses: poligonal em anel: começa e acaba no ponto " + trimmed_name(forward.at(1)) + "\n";
  const EndpointCovariance& a = settings.initial_point;
  const EndpointCovariance& b = settings.final_point;
  const bool further = extras.adjusted || extras.relative || extras.reliability || extras.report;
  if (further && drawing.mode == ObservationMode::goniometric && (a.s_m != b.s_m || a.s_p != b.s_p || a.s_mp != b.s_mp)) {
    report += "elipses: aviso: na poligonal em anel o ponto final é o inicial: a covariância dada ao ponto final não "
              "é usada no ajustamento, nas elipses relativas, no fecho nem na fiabilidade\n";
  }
  return report;
}

// Computes what the answers ask, pass by pass, and writes each pass as it comes (a
// pass's covariances are let go once written, unless the report keeps them), then the
// legend and the traverse, then what the options ask beyond. Returns what is to be said
// at the end.
std::string compute_and_write(const RunSettings& settings, const RunExtras& extras, OpenTraverse& traverse,
                              PointList forward, RunOutputs& outputs, std::ostream& err) {
  const DrawingSettings drawing = drawing_settings(settings, extras);
  if (outputs.report) {
    outputs.report->points = forward;
    outputs.report->facts = report_facts(settings, extras, forward);
  }
  if (!drawing.has_mode) {
    write_closing_block(outputs.script, drawing, forward);
    return write_further_results(settings, extras, drawing, forward, outputs, err);
  }
  TraverseInput input;
  input.mode = drawing.mode;
  input.precision = settings.precision;
  input.initial_point = settings.initial_point;
  input.final_point = settings.final_point;
  const InstrumentUse use = instrument_use(settings, extras);
  input.instrument_centring_m = use.instrument_centring_m;
  input.target_centring_m = use.target_centring_m;
  input.sets = use.sets;
  if (!use.is_plain()) {
    // With centring or sets each pass is a least-squares solution of its observations.
    const TraverseShape shape{drawing.mode, !is_open(settings.traverse), false};
    if (!model_is_defined(build_observation_model(forward, shape, use))) refuse_observations_without_error(drawing.mode, false);
  }
  const std::string said_first = loop_report(settings, drawing, extras, forward);
  if (is_open(settings.traverse)) {
    write_chain(outputs, drawing, forward, propagate_open_traverse(forward, input));
    write_closing_block(outputs.script, drawing, forward);
    return said_first + write_further_results(settings, extras, drawing, forward, outputs, err);
  }
  write_chain(outputs, drawing, forward, propagate_closed_from_initial(forward, input), "ponto inicial");
  // The further results read the file order; it is let go only when none is asked.
  const bool further = extras.adjusted || extras.relative || extras.reliability || extras.report ||
                       extras.tolerances.any() || extras.design;
  if (!further) forward = PointList();
  {
    // The pass from the final point walks the file read again in reverse, and the
    // drawing's legend and polyline follow that order.
    const PointList backward = load_points_reversed(traverse.file, traverse.n);
    write_chain(outputs, drawing, backward, propagate_closed_from_final(backward, input), "ponto final");
    write_closing_block(outputs.script, drawing, backward);
  }
  return said_first + write_further_results(settings, extras, drawing, forward, outputs, err);
}

// The report, once everything it shows has been computed.
// The folder is named as it was given: a report handed to others says nothing of the
// machine it was made on, and the page in a browser writes the same bytes.
void write_report_file(const RunSettings& settings, const RunExtras& extras, RunOutputs& outputs) {
  if (!outputs.report) return;
  Report& report = *outputs.report;
  report.coordinate_file = settings.coordinate_file_name;
  report.folder = extras.output_directory;
  if (is_ellipse_option(settings.ellipse_option)) {
    report.k = ellipse_level(settings.ellipse_option).k;
    report.level = level_words(settings.ellipse_option);
  }
  report.scale = settings.scale > 0.0 ? settings.scale : 1.0;
  write_report(outputs.files.create("elipses-relatorio.html"), report);
}

// Values too wide for their columns are written as asterisks, as they always were; the
// run still succeeds, but the surveyor is told, since CAD cannot use such a script line.
void warn_about_asterisks(std::ostream& err, const RunOutputs& outputs) {
  if (outputs.table.records_not_fitting > 0) {
    err << "elipses: aviso: " << outputs.table.records_not_fitting
        << " registo(s) do elipses.txt tem valores que não cabem na coluna, escritos como asteriscos\n";
  }
  if (outputs.script.lines_not_fitting > 0) {
    err << "elipses: aviso: " << outputs.script.lines_not_fitting
        << " linha(s) do elipses.scr tem números de um milhão ou mais (em valor absoluto), escritos como"
           " asteriscos, que o programa de CAD não pode usar\n";
  }
}

// What a finished run leaves, said once the files are in place.
void report_success(std::ostream& err, const RunSettings& settings, const RunOutputs& outputs) {
  const std::vector<std::string> names = outputs.files.names();
  err << "elipses: escritos ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    err << (i == 0 ? "" : i + 1 == names.size() ? " e " : ", ") << names[i];
  }
  err << " na pasta " << outputs.files.directory_for_messages() << '\n';
  if (outputs.table.largest_a < 0.0) {
    err << "elipses: nenhum ponto calculado\n";
    return;
  }
  std::string level = ellipse_level(settings.ellipse_option).menu_line;
  level = level.substr(4);
  while (!level.empty() && (level.back() == ' ' || level.back() == ':')) level.pop_back();
  const std::size_t old_spelling = level.find("confianca");  // the menu's, which a message does not keep
  if (old_spelling != std::string::npos) level.replace(old_spelling, 9, "confiança");
  std::string name = outputs.table.largest_a_name;
  while (!name.empty() && name.back() == ' ') name.pop_back();
  err << "elipses: maior semieixo a: " << decimal_figure(outputs.table.largest_a, 4) << " m, no ponto " << name
      << " (" << level << ")\n";
  // A closed traverse has more than one computation: the worst point of each.
  for (const WorstPoint& worst : outputs.worst) {
    if (worst.a < 0.0) continue;
    err << "elipses: maior semieixo a: " << decimal_figure(worst.a, 4) << " m, no ponto " << shown_name(worst.name)
        << ", " << worst.computation << '\n';
  }
}

void warn_about_traverse_letter(std::ostream& err, const RunSettings& settings, const std::string& line) {
  if (!(is_goniometric(settings.mode) || is_declined(settings.mode))) return;
  if (is_open(settings.traverse) || is_named_closed(settings.traverse)) return;
  const std::string typed = line.empty() ? "uma linha vazia" : "\"" + quote_for_message(line) + "\"";
  err << "elipses: aviso: a resposta à poligonal foi " << typed
      << ", que não é a nem f: a poligonal é calculada como fechada (e a legenda não diz qual é)\n";
}

int run_dialogue(Console& console, const RunExtras& extras) {
  for (const char* line : banner) show_free_line(console, line);
  show_empty_line(console);

  RunSettings settings;
  OpenTraverse traverse;
  for (;;) {
    settings.coordinate_file_name = read_file_name_answer(console, " Nome do ficheiro de coordenadas: ");
    try {
      open_traverse(traverse, settings.coordinate_file_name, console.err);
      break;
    } catch (const InputError& error) {
      // At a terminal a file that cannot be used is explained and its name asked again.
      if (!console.interactive) throw;
      console.err << "elipses: " << error.what() << "; escreva o nome de outro ficheiro\n";
      traverse = OpenTraverse();
    }
  }
  RunOutputs outputs(extras);
  PointList forward = load_points(traverse.file, traverse.n);

  show_empty_line(console);
  for (const EllipseLevel& level : ellipse_levels) show_line(console, level.menu_line);
  read_whole_answer(console, " Opcao: ", settings.ellipse_option, "um número inteiro de 1 a 8");
  if (!is_ellipse_option(settings.ellipse_option)) {
    show_empty_line(console);
    show_free_line(console, "    Opcao invalida.");
    show_empty_line(console);
    console.out << "Stop - Program terminated.\n";
    console.out.flush();
    outputs.finish();
    return 0;
  }

  show_empty_line(console);
  read_real_answer(console, " Modulo da escala de desenho das elipses: ", settings.scale);
  read_real_answer(console, " Altura do texto: ", settings.text_height);
  show_empty_line(console);
  settings.mode = read_letter_answer(console, " Modo goniometrico (g) ou modo declinado (d): ");
  show_empty_line(console);
  std::string traverse_line;
  settings.traverse = read_letter_answer(
      console, " Poligonal matematicamente aberta (a) ou fechada (f) (coord.  do ponto final conhecidas): ",
      &traverse_line);
  show_empty_line(console);

  if (is_goniometric(settings.mode)) {
    read_observation_precision(console, settings.precision, "    Direccoes azimutais (\"): ");
    show_empty_line(console);
    read_endpoint_covariance(console, settings.initial_point, initial_prompts);
    show_empty_line(console);
    if (!is_open(settings.traverse)) read_endpoint_covariance(console, settings.final_point, final_prompts);
  } else if (is_declined(settings.mode)) {
    read_observation_precision(console, settings.precision, "   Rumos (\"): ");
    show_empty_line(console);
    if (is_open(settings.traverse)) {
      read_endpoint_covariance(console, settings.initial_point, initial_prompts);
      show_empty_line(console);
    }
  } else {
    show_free_line(console, " Modo nao existente.");
  }
  show_empty_line(console);
  console.out.flush();
  warn_about_traverse_letter(console.err, settings, traverse_line);

  // A person at a terminal is also asked what the options would say.
  RunExtras chosen = extras;
  if (console.interactive && (is_goniometric(settings.mode) || is_declined(settings.mode))) {
    ask_further_questions(console, !is_open(settings.traverse), chosen);
    console.out.flush();
    if (chosen.report) outputs.start_report(chosen);
  }
  const std::string closure = compute_and_write(settings, chosen, traverse, std::move(forward), outputs, console.err);
  write_report_file(settings, chosen, outputs);
  outputs.finish();
  warn_about_asterisks(console.err, outputs);
  report_success(console.err, settings, outputs);
  console.err << closure;
  // A window of its own closes when the run ends: the report is offered before it does.
  if (outputs.report && console.interactive && console_window_is_ours_alone()) {
    offer_to_open_report(console, outputs.files.directory_for_messages() + "/elipses-relatorio.html");
  }
  return 0;
}

// Every failure of a run ends here: one message, status 1, and the earlier results
// left as they were (the temporaries go with the outputs' destructor).
template <typename Run>
int guarded(std::ostream& out, std::ostream& err, Run run) {
  try {
    return run();
  } catch (const InputError& error) {
    out.flush();
    err << "elipses: " << error.what() << '\n';
  } catch (const OutputError& error) {
    out.flush();
    err << "elipses: " << error.what() << '\n';
  } catch (const std::bad_alloc&) {
    out.flush();
    err << "elipses: memória insuficiente para o ficheiro de coordenadas\n";
  } catch (const std::exception& error) {
    out.flush();
    err << "elipses: erro inesperado: " << error.what() << '\n';
  }
  err.flush();
  return 1;
}

}  // namespace

int run_program(std::istream& in, std::ostream& out, std::ostream& err, const RunExtras& extras, bool interactive) {
  Console console{in, out, err, interactive};
  return guarded(out, err, [&] { return run_dialogue(console, extras); });
}

int run_with_answers(const RunSettings& settings, std::ostream& err, const RunExtras& extras) {
  return guarded(err, err, [&] {
    OpenTraverse traverse;
    open_traverse(traverse, settings.coordinate_file_name, err);
    RunOutputs outputs(extras);
    PointList forward = load_points(traverse.file, traverse.n);
    const std::string closure = compute_and_write(settings, extras, traverse, std::move(forward), outputs, err);
    write_report_file(settings, extras, outputs);
    outputs.finish();
    warn_about_asterisks(err, outputs);
    report_success(err, settings, outputs);
    err << closure;
    return 0;
  });
}

}  // namespace elipses
