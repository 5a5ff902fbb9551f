#include "dialogue/program_driver.hpp"

#include <cmath>
#include <fstream>
#include <istream>
#include <limits>
#include <new>
#include <ostream>

#include "dialogue/console.hpp"
#include "input/coordinate_file.hpp"
#include "input/input_error.hpp"
#include "dialogue/run_settings.hpp"
#include "output/drawing_script.hpp"
#include "output/ellipse_table.hpp"
#include "propagation/declined.hpp"
#include "propagation/ellipse.hpp"
#include "propagation/goniometric.hpp"

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

constexpr const char* menu[8] = {
    " 1. Elipse de erro 1 sigma (39.4%)",
    " 2. Elipse de confianca 1.177 sigma (50%)",
    " 3. Elipse de confianca 1.410 sigma (63.2%)",
    " 4. Elipse de confianca 2.146 sigma (90%)",
    " 5. Elipse de confianca 2.447 sigma (95%)",
    " 6. Elipse de confianca 2.760 sigma (97.5%)",
    " 7. Elipse de confianca 3.035 sigma (99%)",
    " 8. Elipse de confianca 3.500 sigma (99.8%): ",
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
  read_whole_answer(console, "\t\t  Componente variavel (ppm): ", precision.distance_ppm);
  read_real_answer(console, angle_prompt, precision.angle_seconds);
  // Whole seconds for the legend, truncated toward zero and kept within 32 bits.
  const double whole = std::trunc(precision.angle_seconds);
  constexpr double lowest = std::numeric_limits<std::int32_t>::min();
  constexpr double highest = std::numeric_limits<std::int32_t>::max();
  precision.angle_whole_seconds = static_cast<std::int32_t>(whole < lowest ? lowest : whole > highest ? highest : whole);
}

void read_endpoint_covariance(Console& console, EndpointCovariance& endpoint, const EndpointPrompts& prompts) {
  read_real_answer(console, prompts.s_m, endpoint.s_m);
  read_real_answer(console, prompts.s_p, endpoint.s_p);
  read_real_answer(console, prompts.s_mp, endpoint.s_mp);
}

std::string output_path(const std::string& directory, const char* name) {
  return directory.empty() || directory == "." ? std::string(name) : directory + "/" + name;
}

void create_output(std::ofstream& stream, const std::string& path) {
  stream.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
  if (!stream.is_open()) throw OutputError("nao foi possivel criar o ficheiro \"" + path + "\"");
}

void close_output(std::ofstream& stream, const std::string& path) {
  stream.close();
  if (stream.fail()) throw OutputError("nao foi possivel escrever completamente o ficheiro \"" + path + "\"");
}

// Values too wide for their columns are written as asterisks, as they always were; the
// run still succeeds, but the surveyor is told, since CAD cannot use such a script line.
void warn_about_asterisks(Console& console, const EllipseTableWriter& table, const DrawingScriptWriter& script) {
  if (table.records_not_fitting > 0) {
    console.err << "elipses: aviso: " << table.records_not_fitting
                << " registo(s) do elipses.txt tem valores que nao cabem na coluna, escritos como asteriscos\n";
  }
  if (script.lines_not_fitting > 0) {
    console.err << "elipses: aviso: " << script.lines_not_fitting
                << " linha(s) do elipses.scr tem numeros de um milhao ou mais (em valor absoluto), escritos como"
                   " asteriscos, que o programa de CAD nao pode usar\n";
  }
}

int run(Console& console, const std::string& output_directory) {
  for (const char* line : banner) show_free_line(console, line);
  show_empty_line(console);

  RunSettings settings;
  settings.pi = 4.0 * std::atan(1.0);

  settings.coordinate_file_name = read_file_name_answer(console, " Nome do ficheiro de coordenadas: ");
  CoordinateFile file;
  open_coordinate_file(file, settings.coordinate_file_name);
  const std::int32_t n = count_points(file);
  check_traverse(file, n);

  const std::string table_path = output_path(output_directory, "elipses.txt");
  const std::string script_path = output_path(output_directory, "elipses.scr");
  std::ofstream table_stream;
  create_output(table_stream, table_path);
  EllipseTableWriter table{table_stream};
  write_table_header(table);
  std::ofstream script_stream;
  create_output(script_stream, script_path);
  DrawingScriptWriter script{script_stream};
  OutputWriters writers{table, script};

  PointList points = load_points(file, n);

  show_empty_line(console);
  for (const char* line : menu) show_line(console, line);
  read_whole_answer(console, " Opcao: ", settings.ellipse_option);
  if (settings.ellipse_option < 1 || settings.ellipse_option > 8) {
    show_empty_line(console);
    show_free_line(console, "    Opcao invalida.");
    show_empty_line(console);
    console.out << "Stop - Program terminated.\n";
    close_output(script_stream, script_path);
    close_output(table_stream, table_path);
    return 0;
  }
  settings.k = ellipse_factor(settings.ellipse_option);

  show_empty_line(console);
  read_real_answer(console, " Modulo da escala de desenho das elipses: ", settings.scale);
  settings.text_rotation = 0.0;
  read_real_answer(console, " Altura do texto: ", settings.text_height);
  show_empty_line(console);
  settings.mode = read_letter_answer(console, " Modo goniometrico (g) ou modo declinado (d): ");
  show_empty_line(console);
  settings.traverse = read_letter_answer(
      console, " Poligonal matematicamente aberta (a) ou fechada (f) (coord.  do ponto final conhecidas): ");
  show_empty_line(console);

  if (is_goniometric(settings.mode)) {
    read_observation_precision(console, settings.precision, "    Direccoes azimutais (\"): ");
    show_empty_line(console);
    read_endpoint_covariance(console, settings.initial_point, initial_prompts);
    show_empty_line(console);
    if (is_open(settings.traverse)) {
      run_goniometric_open(settings, points, writers);
    } else {
      read_endpoint_covariance(console, settings.final_point, final_prompts);
      run_goniometric_closed(settings, points, writers, file);
    }
  } else if (is_declined(settings.mode)) {
    read_observation_precision(console, settings.precision, "   Rumos (\"): ");
    show_empty_line(console);
    if (is_open(settings.traverse)) {
      read_endpoint_covariance(console, settings.initial_point, initial_prompts);
      show_empty_line(console);
      run_declined_open(settings, points, writers);
    } else {
      run_declined_closed(settings, points, writers, file);
    }
  } else {
    show_free_line(console, " Modo nao existente.");
  }

  show_empty_line(console);
  write_closing_block(script, settings, points);
  close_output(script_stream, script_path);
  close_output(table_stream, table_path);
  console.out.flush();
  warn_about_asterisks(console, table, script);
  return 0;
}

}  // namespace

int run_program(std::istream& in, std::ostream& out, std::ostream& err, const std::string& output_directory) {
  Console console{in, out, err};
  try {
    return run(console, output_directory);
  } catch (const InputError& error) {
    out.flush();
    err << "elipses: " << error.what() << '\n';
  } catch (const OutputError& error) {
    out.flush();
    err << "elipses: " << error.what() << '\n';
  } catch (const std::bad_alloc&) {
    out.flush();
    err << "elipses: memoria insuficiente para o ficheiro de coordenadas\n";
  } catch (const std::exception& error) {
    out.flush();
    err << "elipses: erro inesperado: " << error.what() << '\n';
  }
  err.flush();
  return 1;
}

}  // namespace elipses
