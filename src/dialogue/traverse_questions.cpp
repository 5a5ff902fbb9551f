#include "dialogue/traverse_questions.hpp"

#include "common/text_encoding.hpp"
#include "output/ellipse_levels.hpp"

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

}  // namespace

void show_banner(Console& console) {
  for (const char* line : banner) show_free_line(console, line);
  show_empty_line(console);
}

bool ask_level(Console& console, RunSettings& settings) {
  show_empty_line(console);
  for (const EllipseLevel& level : ellipse_levels) show_line(console, level.menu_line);
  read_whole_answer(console, " Opcao: ", settings.ellipse_option, "um número inteiro de 1 a 8");
  if (is_ellipse_option(settings.ellipse_option)) return true;
  show_empty_line(console);
  show_free_line(console, "    Opcao invalida.");
  show_empty_line(console);
  console.out << "Stop - Program terminated.\n";
  console.out.flush();
  return false;
}

std::string ask_traverse(Console& console, RunSettings& settings) {
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
    read_observation_precision(console, settings.use.precision, "    Direccoes azimutais (\"): ");
    show_empty_line(console);
    read_endpoint_covariance(console, settings.initial_point, initial_prompts);
    show_empty_line(console);
    if (!is_open(settings.traverse)) read_endpoint_covariance(console, settings.final_point, final_prompts);
  } else if (is_declined(settings.mode)) {
    read_observation_precision(console, settings.use.precision, "   Rumos (\"): ");
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
  return traverse_line;
}

void warn_about_traverse_letter(std::ostream& err, const RunSettings& settings, const std::string& line) {
  if (!(is_goniometric(settings.mode) || is_declined(settings.mode))) return;
  if (is_open(settings.traverse) || is_named_closed(settings.traverse)) return;
  const std::string typed = line.empty() ? "uma linha vazia" : "\"" + quote_for_message(line) + "\"";
  err << "elipses: aviso: a resposta à poligonal foi " << typed
      << ", que não é a nem f: a poligonal é calculada como fechada (e a legenda não diz qual é)\n";
}

}  // namespace elipses
