#include "dialogue/further_questions.hpp"

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "dialogue/platform.hpp"
#include "input/free_form.hpp"
#include "common/text_encoding.hpp"
#include "output/record_text.hpp"

namespace elipses {

namespace {

// A line as typed, without the blanks around it.
std::string typed_answer(Console& console, const std::string& prompt) {
  std::string line = read_file_name_answer(console, prompt);
  line.erase(0, line.find_first_not_of(" \t"));
  return line;
}

void explain(Console& console, const std::string& question, const std::string& typed, const std::string& expected) {
  console.out.flush();
  console.err << "\"" << quote_for_message(typed) << "\" não serve como resposta a \"" << question << "\": " << expected
              << ".\n";
  console.err.flush();
}

bool ask_yes_no(Console& console, const std::string& question, bool default_answer) {
  const std::string prompt = " " + question + " (s/n) [" + (default_answer ? "s" : "n") + "]: ";
  for (;;) {
    const std::string typed = typed_answer(console, prompt);
    if (typed.empty()) return default_answer;
    if (typed == "s" || typed == "S" || typed == "sim" || typed == "Sim") return true;
    if (typed == "n" || typed == "N" || typed == "não" || typed == "nao" || typed == "Não") return false;
    explain(console, question, typed, "responda s (sim) ou n (não)");
  }
}

// A number; an empty answer keeps `current` (nothing: "nenhuma") where it will do.
// `acceptable` says whether a value will do, `expected` what to write instead.
std::optional<double> ask_number(Console& console, const std::string& question, std::optional<double> current,
                                 const std::function<bool(double)>& acceptable, const std::string& expected) {
  const std::string prompt = " " + question + " [" + (current ? given_figure(*current) : std::string("nenhuma")) + "]: ";
  for (;;) {
    const std::string typed = typed_answer(console, prompt);
    // A default that an earlier answer made unacceptable (0 ppm after 0 mm) is asked again.
    if (typed.empty() && (!current || acceptable(*current))) return current;
    if (const std::optional<std::string> pointed = decimal_comma_as_point(typed)) {
      explain(console, question, typed, "o separador decimal é o ponto; escreva " + *pointed);
      continue;
    }
    const std::optional<double> number = parse_real(typed);
    if (number && acceptable(*number)) return number;
    explain(console, question, typed, "escreva " + expected);
  }
}

bool not_negative(double value) { return value >= 0.0; }
bool positive(double value) { return value > 0.0; }

// Whether to compute the heights, and then how they are observed.
void ask_height_questions(Console& console, const FurtherQuestions& asked, RunSettings& settings) {
  HeightRequest& heights = settings.heights;
  heights.asked = ask_yes_no(console, "Calcular também as alturas (nivelamento trigonométrico)?", heights.asked);
  if (!heights.asked) return;
  const ObservationPrecision& directions = settings.use.precision;
  const bool cc = directions.angle_unit == AngleUnit::centesimal_seconds;
  heights.zenith = ask_number(console, std::string("Ângulos zenitais, desvio padrão (") + (cc ? "cc" : "segundos") + ")",
                              heights.zenith.value_or(directions.angle_seconds), not_negative,
                              "um número não negativo, por exemplo 5");
  const std::string measured = "um número não negativo de milímetros, por exemplo 1";
  heights.instrument_height_mm = *ask_number(console, "Medição da altura do instrumento, desvio padrão (mm)",
                                             heights.instrument_height_mm, not_negative, measured);
  heights.target_height_mm = *ask_number(console, "Medição da altura dos alvos, desvio padrão (mm)",
                                         heights.target_height_mm, not_negative, measured);
  heights.refraction = *ask_number(
      console, "Coeficiente de refração (-1 a 1)", heights.refraction,
      [](double v) { return v >= -1.0 && v <= 1.0; }, "um número de -1 a 1, por exemplo 0.13");
  heights.refraction_sigma = *ask_number(console, "Coeficiente de refração, desvio padrão", heights.refraction_sigma,
                                         not_negative, "um número não negativo, por exemplo 0.05");
  heights.reciprocal = ask_yes_no(console, "Cada lado observado nos dois sentidos (recíprocas)?", heights.reciprocal);
  const std::string known = "um número não negativo de metros, por exemplo 0.005";
  heights.start_sigma_m = *ask_number(console, "Altura do ponto inicial, desvio padrão (m)", heights.start_sigma_m,
                                      not_negative, known);
  // An open traverse knows its start only; a loop's one point is both ends.
  if (asked.closed && !asked.loop) {
    heights.end_sigma_m = ask_number(console, "Altura do ponto final, desvio padrão (m)",
                                     heights.end_sigma_m.value_or(0.0), not_negative, known);
  }
  const std::optional<double> tolerance_mm =
      ask_number(console, "Tolerância vertical entre pontos, parte fixa (mm)",
                 heights.tolerance ? std::optional<double>(heights.tolerance->mm) : std::nullopt, not_negative,
                 "um número não negativo de milímetros, por exemplo 10, ou Enter para nenhuma");
  if (!tolerance_mm) return;
  HeightTolerance tolerance = heights.tolerance.value_or(HeightTolerance{});
  tolerance.mm = *tolerance_mm;
  tolerance.ppm = *ask_number(console, "Tolerância vertical, parte proporcional (ppm)", tolerance.ppm,
                              [&](double v) { return v >= 0.0 && v + tolerance.mm > 0.0; },
                              "um número não negativo de ppm, por exemplo 10 (não ambas as partes nulas)");
  heights.tolerance = tolerance;
}

}  // namespace

void ask_further_questions(Console& console, const FurtherQuestions& asked, RunSettings& settings) {
  const bool closed = asked.closed;
  FurtherResults& further = settings.further;
  InstrumentUse& use = settings.use;
  show_line(console, " Resultados adicionais (Enter aceita o valor entre parênteses retos):");
  const char* question = closed ? "Calcular a poligonal ajustada, as elipses relativas e a fiabilidade?"
                                : "Calcular as elipses relativas entre pontos vizinhos?";
  const bool had_further = closed ? further.adjusted && further.relative && further.reliability : further.relative;
  if (ask_yes_no(console, question, had_further)) {
    further.relative = true;
    further.adjusted = further.adjusted || closed;
    further.reliability = further.reliability || closed;
  }
  const std::string centring = "um número não negativo de milímetros, por exemplo 2";
  use.instrument_centring_mm =
      *ask_number(console, "Centragem do instrumento, desvio padrão (mm)", use.instrument_centring_mm, not_negative,
                  centring);
  use.target_centring_mm =
      *ask_number(console, "Centragem dos alvos, desvio padrão (mm)", use.target_centring_mm, not_negative, centring);
  use.sets = static_cast<std::int32_t>(*ask_number(
      console, "Número de séries de direções (1 a 99)", static_cast<double>(use.sets),
      [](double v) { return v >= 1.0 && v <= 99.0 && v == static_cast<double>(static_cast<std::int32_t>(v)); },
      "um número inteiro de 1 a 99, por exemplo 2"));

  Tolerances& tolerances = further.tolerances;
  const std::optional<double> relative_mm =
      ask_number(console, "Tolerância relativa entre pontos, parte fixa (mm)",
                 tolerances.relative ? std::optional<double>(tolerances.relative_mm) : std::nullopt, not_negative,
                 "um número não negativo de milímetros, por exemplo 20, ou Enter para nenhuma");
  if (relative_mm) {
    tolerances.relative = true;
    tolerances.relative_mm = *relative_mm;
    tolerances.relative_ppm =
        *ask_number(console, "Tolerância relativa, parte proporcional (ppm)", tolerances.relative_ppm,
                    [&](double v) { return v >= 0.0 && v + tolerances.relative_mm > 0.0; },
                    "um número não negativo de ppm, por exemplo 50 (não ambas as partes nulas)");
    further.relative = true;  // the legs are tested in the relative table
  }
  const std::optional<double> point_mm =
      ask_number(console, "Tolerância de cada ponto (mm)",
                 tolerances.point ? std::optional<double>(tolerances.point_mm) : std::nullopt, positive,
                 "um número positivo de milímetros, por exemplo 30, ou Enter para nenhuma");
  if (point_mm) {
    tolerances.point = true;
    tolerances.point_mm = *point_mm;
  }
  if (asked.heights_offered) ask_height_questions(console, asked, settings);
  further.design = ask_yes_no(console, "Escrever a folha de projeto (elipses-projeto.txt)?", further.design);
  further.report = ask_yes_no(console, "Escrever o relatório (elipses-relatorio.html)?", further.report);
  show_empty_line(console);
}

void offer_to_open_report(Console& console, const std::string& path) {
  if (!ask_yes_no(console, "Abrir o relatório no navegador?", true)) return;
  if (!open_with_default_program(path)) {
    console.err << "elipses: não foi possível abrir " << quote_for_message(path) << " no navegador\n";
  }
}

}  // namespace elipses
