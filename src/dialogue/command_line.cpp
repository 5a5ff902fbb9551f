#include "dialogue/command_line.hpp"

#include <CLI/CLI.hpp>

#include <optional>
#include <string_view>
#include <tuple>
#include <utility>

#include "input/free_form.hpp"
#include "common/text_encoding.hpp"
#include "output/ellipse_levels.hpp"

namespace elipses {

namespace {

[[noreturn]] void refuse(const std::string& reason) { throw UsageError{reason}; }

// The command line reader's own message quotes the argument as typed: its control
// characters (a line end, an escape) written as \xHH, as every message quotes a value,
// so that the message stays one line and the terminal is not driven by it.
std::string shown_in_one_line(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      constexpr char hex[] = "0123456789ABCDEF";
      out += "\\x";
      out += hex[byte >> 4];
      out += hex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

// Each option is collected whole, so that one given twice is told, not overwritten.
struct Given {
  std::vector<std::string> values;
  const char* name;

  bool present() const { return !values.empty(); }
  const std::string& value() const {
    if (values.size() > 1) refuse("a opção " + std::string(name) + " foi dada mais de uma vez");
    return values.front();
  }
};

double real_value(const Given& option, const std::string& text, const char* what) {
  const std::optional<double> number = parse_real(text);
  if (!number) {
    refuse("a opção " + std::string(option.name) + " espera " + what + ", encontrou-se \"" + quote_for_message(text) +
           "\"" + (text.find(',') != std::string::npos ? " (o separador decimal é o ponto)" : ""));
  }
  return *number;
}

// One of two letters, in either case ("gGdD").
char letter_value(const Given& option, const std::string& letters) {
  const std::string& text = option.value();
  if (text.size() != 1 || letters.find(text[0]) == std::string::npos) {
    refuse("a opção " + std::string(option.name) + " espera " + letters[0] + " ou " + letters[2] +
           ", encontrou-se \"" + quote_for_message(text) + "\"");
  }
  return text[0];
}

std::vector<std::string> comma_parts(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (;;) {
    const std::size_t comma = text.find(',', from);
    parts.push_back(text.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return parts;
}

EndpointCovariance endpoint_value(const Given& option) {
  const std::string& text = option.value();
  const std::vector<std::string> parts = comma_parts(text);
  if (parts.size() != 3) {
    refuse("a opção " + std::string(option.name) + " espera três números separados por vírgulas (sM,sP,sMP)" +
           ", encontrou-se \"" + quote_for_message(text) + "\"");
  }
  const char* what = "três números separados por vírgulas (sM,sP,sMP)";
  return EndpointCovariance{real_value(option, parts[0], what), real_value(option, parts[1], what),
                            real_value(option, parts[2], what)};
}

// Two numbers, not negative, separated by a comma ("2,1.5"); `what` says which.
std::pair<double, double> two_values(const Given& option, const char* what, const char* refused) {
  const std::string& text = option.value();
  const std::vector<std::string> parts = comma_parts(text);
  if (parts.size() != 2) {
    refuse("a opção " + std::string(option.name) + " espera " + what + ", encontrou-se \"" + quote_for_message(text) +
           "\"");
  }
  const std::pair<double, double> values{real_value(option, parts[0], what), real_value(option, parts[1], what)};
  if (!(values.first >= 0.0) || !(values.second >= 0.0) || (refused != nullptr && values.first + values.second == 0.0)) {
    refuse("a opção " + std::string(option.name) + " espera " + (refused != nullptr ? refused : "valores não negativos") +
           ", encontrou-se \"" + quote_for_message(text) + "\"");
  }
  return values;
}

// --centragem I,T: two standard deviations in millimetres.
void read_centring(const Given& option, InstrumentUse& use) {
  std::tie(use.instrument_centring_mm, use.target_centring_mm) = two_values(
      option, "dois números separados por vírgula, a centragem do instrumento e a dos alvos em mm (I,T)", nullptr);
}

// --tolerancia MM,PPM: the relative tolerance, mm + ppm of the distance, not both nothing.
void read_relative_tolerance(const Given& option, Tolerances& tolerances) {
  tolerances.relative = true;
  std::tie(tolerances.relative_mm, tolerances.relative_ppm) =
      two_values(option, "dois números separados por vírgula, a parte fixa em mm e a proporcional em ppm (MM,PPM)",
                 "valores não negativos, não ambos nulos");
}

// A standard deviation: one number, not negative.
double sigma_value(const Given& option, const char* what) {
  const double value = real_value(option, option.value(), what);
  if (!(value >= 0.0)) {
    refuse("a opção " + std::string(option.name) + " espera " + what + ", encontrou-se \"" +
           quote_for_message(option.value()) + "\"");
  }
  return value;
}

// --refracao K,SK: the coefficient of the day, within [-1, 1], and its standard deviation.
void read_refraction(const Given& option, HeightRequest& heights) {
  const char* what = "dois números separados por vírgula, o coeficiente de refração e o seu desvio padrão (K,SK)";
  const std::string& text = option.value();
  const std::vector<std::string> parts = comma_parts(text);
  if (parts.size() != 2) {
    refuse("a opção --refracao espera " + std::string(what) + ", encontrou-se \"" + quote_for_message(text) + "\"");
  }
  heights.refraction = real_value(option, parts[0], what);
  heights.refraction_sigma = real_value(option, parts[1], what);
  if (!(heights.refraction >= -1.0 && heights.refraction <= 1.0)) {
    refuse("a opção --refracao espera um coeficiente de refração de -1 a 1, encontrou-se \"" +
           quote_for_message(parts[0]) + "\"");
  }
  if (!(heights.refraction_sigma >= 0.0)) {
    refuse("a opção --refracao espera um desvio padrão do coeficiente não negativo, encontrou-se \"" +
           quote_for_message(parts[1]) + "\"");
  }
}

// The options of the heights; each but --alturas itself needs --alturas.
struct HeightOptions {
  int asked = 0;
  int reciprocal = 0;
  Given zenith{{}, "--zenital"};
  Given measurement{{}, "--medicao-alturas"};
  Given refraction{{}, "--refracao"};
  Given start{{}, "--altura-inicial"};
  Given end{{}, "--altura-final"};
  Given tolerance{{}, "--tolerancia-altura"};
};

void read_heights(const HeightOptions& options, HeightRequest& heights) {
  for (const Given* option : {&options.zenith, &options.measurement, &options.refraction, &options.start, &options.end,
                              &options.tolerance}) {
    if (option->present() && options.asked == 0) refuse("a opção " + std::string(option->name) + " pede --alturas");
  }
  if (options.reciprocal > 0 && options.asked == 0) refuse("a opção --reciprocas pede --alturas");
  heights.asked = options.asked > 0;
  heights.reciprocal = options.reciprocal > 0;
  if (options.zenith.present()) {
    heights.zenith = sigma_value(options.zenith,
                                 "um número não negativo, o desvio padrão de um ângulo zenital na unidade das "
                                 "direções (segundos de arco, ou cc com --cc)");
  }
  if (options.measurement.present()) {
    std::tie(heights.instrument_height_mm, heights.target_height_mm) =
        two_values(options.measurement,
                   "dois números separados por vírgula, os desvios-padrão da medição da altura do instrumento e da "
                   "dos alvos em mm (I,T)",
                   nullptr);
  }
  if (options.refraction.present()) read_refraction(options.refraction, heights);
  if (options.start.present()) {
    heights.start_sigma_m =
        sigma_value(options.start, "um número não negativo, o desvio padrão da altura do ponto inicial em m");
  }
  if (options.end.present()) {
    heights.end_sigma_m =
        sigma_value(options.end, "um número não negativo, o desvio padrão da altura do ponto final em m");
  }
  if (options.tolerance.present()) {
    HeightTolerance tolerance;
    std::tie(tolerance.mm, tolerance.ppm) =
        two_values(options.tolerance, "dois números separados por vírgula, a parte fixa em mm e a proporcional em ppm (MM,PPM)",
                   "valores não negativos, não ambos nulos");
    heights.tolerance = tolerance;
  }
}

}  // namespace

CommandLine read_command_line(const std::vector<std::string>& arguments) {
  CLI::App app;
  app.set_help_flag();
  app.allow_extras();
  Given file{{}, "FICHEIRO"};
  Given mode{{}, "--modo"};
  Given traverse{{}, "--poligonal"};
  Given fixed{{}, "--mm"};
  Given ppm{{}, "--ppm"};
  Given seconds{{}, "--segundos"};
  Given level{{}, "--nivel"};
  Given scale{{}, "--escala"};
  Given height{{}, "--altura"};
  Given initial{{}, "--inicial"};
  Given final_point{{}, "--final"};
  Given folder{{}, "--saida"};
  Given cc{{}, "--cc"};
  Given centring{{}, "--centragem"};
  Given sets{{}, "--series"};
  Given tolerance{{}, "--tolerancia"};
  Given point_tolerance{{}, "--tolerancia-ponto"};
  HeightOptions heights;
  const std::initializer_list<Given*> valued = {&mode,    &traverse,    &fixed,  &ppm, &seconds,  &cc,
                                                &level,   &scale,       &height, &initial, &final_point,
                                                &folder, &centring, &sets, &tolerance, &point_tolerance,
                                                &heights.zenith, &heights.measurement, &heights.refraction,
                                                &heights.start, &heights.end, &heights.tolerance};
  for (Given* option : valued) {
    app.add_option(option->name, option->values)->take_all()->allow_extra_args(false);
  }
  app.add_option("ficheiro", file.values);
  int help = 0;
  int version = 0;
  int adjusted = 0;
  int relative = 0;
  int reliability = 0;
  int design = 0;
  int report = 0;
  app.add_flag("-h,--help", help);
  app.add_flag("-V,--version", version);
  app.add_flag("--ajustada", adjusted);
  app.add_flag("--relativas", relative);
  app.add_flag("--fiabilidade", reliability);
  app.add_flag("--projetar", design);
  app.add_flag("--relatorio", report);
  app.add_flag("--alturas", heights.asked);
  app.add_flag("--reciprocas", heights.reciprocal);

  // "--fiabilidade=sim": a yes-or-no option takes no value; the reader would only say it
  // could not convert one.
  for (const std::string& argument : arguments) {
    const std::size_t equals = argument.find('=');
    if (argument.rfind("--", 0) != 0 || equals == std::string::npos) continue;
    const std::string name = argument.substr(0, equals);
    for (const char* flag : {"--help", "--version", "--ajustada", "--relativas", "--fiabilidade", "--projetar",
                             "--relatorio", "--alturas", "--reciprocas"}) {
      if (name == flag) {
        refuse("a opção " + name + " não leva valor, encontrou-se \"" + quote_for_message(argument) + "\"");
      }
    }
  }
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ArgumentMismatch& error) {
    const std::string what = error.what();
    refuse("a opção " + what.substr(0, what.find(':')) + " precisa de um valor");
  } catch (const CLI::ParseError& error) {
    refuse("linha de comandos inválida: " + shown_in_one_line(error.what()));
  }
  for (const Given* option : valued) {
    if (option->values.size() > 1) refuse("a opção " + std::string(option->name) + " foi dada mais de uma vez");
    // "--mm --ppm 2": the next option taken for a value means the value is missing.
    if (option->present() && option->values.front().rfind("--", 0) == 0) {
      refuse("a opção " + std::string(option->name) + " precisa de um valor");
    }
  }
  if (!app.remaining().empty()) {
    const std::string unknown = app.remaining().front();
    refuse((unknown.rfind('-', 0) == 0 ? "opção desconhecida \"" : "argumento a mais \"") + quote_for_message(unknown) +
           "\"");
  }
  for (const auto& [count, name] : {std::pair<int, const char*>{help, "--help"}, {version, "--version"},
                                    {adjusted, "--ajustada"}, {relative, "--relativas"},
                                    {reliability, "--fiabilidade"}, {design, "--projetar"},
                                    {report, "--relatorio"}, {heights.asked, "--alturas"},
                                    {heights.reciprocal, "--reciprocas"}}) {
    if (count > 1) refuse("a opção " + std::string(name) + " foi dada mais de uma vez");
  }

  CommandLine line;
  if (help > 0) {
    line.action = CommandLine::Action::help;
    return line;
  }
  if (version > 0) {
    line.action = CommandLine::Action::version;
    return line;
  }
  FurtherResults& further = line.settings.further;
  further.adjusted = adjusted > 0;
  further.relative = relative > 0;
  further.report = report > 0;
  further.reliability = reliability > 0;
  if (centring.present()) read_centring(centring, line.settings.use);
  further.design = design > 0;
  if (tolerance.present()) {
    read_relative_tolerance(tolerance, further.tolerances);
    further.relative = true;  // the legs are tested in the relative table
  }
  if (point_tolerance.present()) {
    Tolerances& tolerances = further.tolerances;
    tolerances.point = true;
    tolerances.point_mm = real_value(point_tolerance, point_tolerance.value(), "um número positivo (milímetros)");
    if (!(tolerances.point_mm > 0.0)) {
      refuse("a opção --tolerancia-ponto espera um número positivo (milímetros), encontrou-se \"" +
             quote_for_message(point_tolerance.value()) + "\"");
    }
  }
  if (sets.present()) {
    const std::optional<std::int32_t> count = parse_whole(sets.value());
    if (!count || *count < 1 || *count > 99) {
      refuse("a opção --series espera um número inteiro de 1 a 99, encontrou-se \"" + quote_for_message(sets.value()) +
             "\"");
    }
    line.settings.use.sets = *count;
  }
  read_heights(heights, line.settings.heights);
  if (folder.present()) {
    line.settings.output_directory = folder.value();
    if (line.settings.output_directory.empty()) refuse("a opção --saida espera o nome de uma pasta");
  }

  const Given* answers[] = {&mode, &traverse, &fixed, &ppm, &seconds, &cc, &level, &scale, &height, &initial, &final_point};
  if (!file.present()) {
    for (const Given* option : answers) {
      if (option->present()) refuse("a opção " + std::string(option->name) + " pede o nome do ficheiro de coordenadas");
    }
    return line;  // the dialogue asks everything
  }
  if (file.values.size() > 1) refuse("argumento a mais \"" + quote_for_message(file.values[1]) + "\"");
  for (const Given* option : {&mode, &traverse, &fixed, &ppm}) {
    if (!option->present()) refuse("falta a opção " + std::string(option->name));
  }
  if (seconds.present() == cc.present()) {
    refuse(seconds.present() ? "as opções --segundos e --cc excluem-se: dê a incerteza das direções numa só unidade"
                             : "falta a opção --segundos (ou --cc)");
  }

  line.action = CommandLine::Action::answers;
  RunSettings& settings = line.settings;
  settings.coordinate_file_name = file.value();
  settings.mode = letter_value(mode, "gGdD");
  settings.traverse = letter_value(traverse, "aAfF");
  settings.use.precision.distance_fixed_mm = real_value(fixed, fixed.value(), "um número (milímetros)");
  settings.use.precision.distance_ppm = real_value(ppm, ppm.value(), "um número (partes por milhão)");
  if (seconds.present()) {
    settings.use.precision.angle_seconds = real_value(seconds, seconds.value(), "um número (segundos de arco)");
  } else {
    settings.use.precision.angle_seconds = real_value(cc, cc.value(), "um número (segundos centesimais)");
    settings.use.precision.angle_unit = AngleUnit::centesimal_seconds;
  }
  settings.ellipse_option = default_level;
  if (level.present()) {
    const std::optional<std::int32_t> option = parse_whole(level.value());
    if (!option || !is_ellipse_option(*option)) {
      refuse("a opção --nivel espera um número inteiro de 1 a 8, encontrou-se \"" + quote_for_message(level.value()) + "\"");
    }
    settings.ellipse_option = *option;
  }
  settings.scale = scale.present() ? real_value(scale, scale.value(), "um número") : default_scale;
  settings.text_height = height.present() ? real_value(height, height.value(), "um número") : default_text_height;

  // Exactly what the dialogue would ask: the initial point for a goniometric traverse
  // or a declined open one, the final point for a goniometric closed one.
  const bool goniometric = is_goniometric(settings.mode);
  const bool open = is_open(settings.traverse);
  const bool wants_initial = goniometric || open;
  const bool wants_final = goniometric && !open;
  if (wants_initial && !initial.present()) refuse("falta a opção --inicial (desvios-padrão e covariância do ponto inicial)");
  if (wants_final && !final_point.present()) refuse("falta a opção --final (desvios-padrão e covariância do ponto final)");
  if (!wants_initial && initial.present()) {
    refuse("a opção --inicial não se aplica a uma poligonal fechada em modo declinado, cujos extremos são exatos");
  }
  if (!wants_final && final_point.present()) {
    refuse(open ? "a opção --final não se aplica a uma poligonal aberta"
                : "a opção --final não se aplica a uma poligonal fechada em modo declinado, cujos extremos são exatos");
  }
  if (open && heights.end.present()) {
    refuse("a opção --altura-final não se aplica a uma poligonal aberta, que só conhece a altura do ponto inicial");
  }
  if (wants_initial) settings.initial_point = endpoint_value(initial);
  if (wants_final) settings.final_point = endpoint_value(final_point);
  return line;
}

std::string help_text() {
  return R"(Uso:
  elipses [--saida PASTA] [--ajustada] [--relativas] [--fiabilidade] [--relatorio]
          [--centragem I,T] [--series N]
          [--tolerancia MM,PPM] [--tolerancia-ponto MM] [--projetar]
          [--alturas [--zenital S] [--medicao-alturas I,T] [--refracao K,SK] [--reciprocas]
                     [--altura-inicial SH] [--altura-final SH] [--tolerancia-altura MM,PPM]]
      o diálogo de sempre: o programa pergunta cada valor
  elipses FICHEIRO --modo g|d --poligonal a|f --mm F --ppm P (--segundos S | --cc C)
          [--nivel N] [--escala S] [--altura H]
          [--inicial sM,sP,sMP] [--final sM,sP,sMP]
          [--centragem I,T] [--series N]
          [--tolerancia MM,PPM] [--tolerancia-ponto MM] [--projetar]
          [--saida PASTA] [--ajustada] [--relativas] [--fiabilidade] [--relatorio]
          [--alturas [--zenital S] [--medicao-alturas I,T] [--refracao K,SK] [--reciprocas]
                     [--altura-inicial SH] [--altura-final SH] [--tolerancia-altura MM,PPM]]
      sem diálogo: cada resposta vem das opções
  elipses --help | -h
  elipses --version | -V

Previsão da precisão dos pontos de uma poligonal planeada: elipses de erro ou de
confiança de cada ponto, em elipses.txt (tabela) e elipses.scr (script de CAD).

FICHEIRO            ficheiro de coordenadas: um ponto por registo, "nome", M, P (metros);
                      ou, de uma folha de cálculo, nome;M;P em cada linha; com --alturas
                      cada registo tem ainda a altura H (m) depois de P (nome;M;P;H)
--modo g|d          g: goniométrico (ângulo em cada estação); d: declinado (rumo de cada lado)
--poligonal a|f     a: aberta; f: fechada (coordenadas do ponto final conhecidas)
--mm F              componente fixa da incerteza das distâncias, em milímetros
--ppm P             componente variável das distâncias, em partes por milhão (pode ter decimais)
--segundos S        incerteza das direções (modo g) ou dos rumos (modo d), em segundos de arco
--cc C              a mesma incerteza em segundos centesimais (1 cc = 0,0001 gon), em vez de --segundos
--nivel N           nível das elipses, 1 a 8 (por omissão 5):
                      1 erro 1 sigma (39.4%)   2 50%   3 63.2%   4 90%
                      5 95%   6 97.5%   7 99%   8 99.8%
--escala S          módulo da escala de desenho das elipses (por omissão 1000)
--altura H          altura do texto no desenho, em unidades do desenho (por omissão 2.5)
--inicial sM,sP,sMP desvios-padrão de M e P (m) e covariância (m2) do ponto inicial;
                      obrigatória em modo g e na poligonal aberta em modo d
--final sM,sP,sMP   o mesmo para o ponto final; obrigatória na poligonal fechada em modo g
--saida PASTA       pasta dos ficheiros de resultados (criada se não existir; por omissão
                      a pasta de trabalho); também com o diálogo
--ajustada          poligonal fechada ajustada pelo método dos mínimos quadrados:
                      elipses-ajustada.txt e elipses-ajustada.scr, e o fecho previsto
                      (também em elipses-fecho.txt)
--relativas         elipses relativas entre pontos vizinhos: elipses-relativas.txt e o
                      seu desenho, elipses-relativas.scr
--centragem I,T     erro de centragem do instrumento (I) e dos alvos (T), desvio padrão por
                      coordenada em mm (por omissão 0,0); cada estação e cada alvo têm o seu
--series N          número de séries (giros) de direções, 1 a 99 (por omissão 1): divide por N
                      a variância das direções ou dos rumos; não reduz a centragem
--fiabilidade       poligonal fechada: números de redundância, menor erro detetável de cada
                      observação e o seu efeito nos pontos, em elipses-fiabilidade.txt
--tolerancia MM,PPM tolerância relativa entre dois pontos quaisquer, MM mm + PPM ppm da
                      distância, testada ao nível escolhido: elipses-pares.txt (todos os
                      pares) e o veredicto de cada lado em elipses-relativas.txt
--tolerancia-ponto MM
                    tolerância do semieixo maior de cada ponto, em mm, ao nível escolhido
--projetar          folha de projeto elipses-projeto.txt: pior ponto e pior par, de onde vem
                      o erro, as cinco observações que mais pesam e, com uma tolerância, os
                      limites de cada precisão, o número de séries e um catálogo de classes
--relatorio         relatório de uma página, elipses-relatorio.html: o que foi calculado,
                      o desenho e as tabelas de tudo o que se aplica à poligonal (com ou sem as
                      outras opções); abre-se num navegador e imprime-se em A4
--alturas           também as alturas, por nivelamento trigonométrico (ângulo zenital e
                      distância inclinada em cada lado): elipses-alturas.txt, com o
                      desvio padrão e o semi-intervalo de cada altura e o desvio padrão
                      do desnível de cada lado; com --projetar, a pior altura e de onde
                      vem o seu erro na folha de projeto
--zenital S         incerteza dos ângulos zenitais, na unidade das direções (segundos, ou cc
                      com --cc); por omissão a das direções; --series divide-a como a elas
--medicao-alturas I,T
                    medição da altura do instrumento (I) e da dos alvos (T) acima da marca,
                      desvio padrão em mm (por omissão 1,1)
--refracao K,SK     coeficiente de refração, de -1 a 1, e o seu desvio padrão, um só para
                      toda a poligonal (por omissão 0.13,0.05); raio da Terra 6371000 m
--reciprocas        cada lado observado dos dois extremos (a média): a refração anula-se
--altura-inicial SH desvio padrão da altura conhecida do ponto inicial, m (por omissão 0)
--altura-final SH   o mesmo do ponto final; só na poligonal fechada (o anel só tem um ponto
                      conhecido)
--tolerancia-altura MM,PPM
                    tolerância vertical entre dois pontos, MM mm + PPM ppm da distância
                      horizontal, testada em cada lado e em todos os pares:
                      elipses-pares-alturas.txt
-h, --help          esta ajuda
-V, --version       a versão do programa

Os números escrevem-se com ponto decimal (2.5), ou com expoente (25E-1).
Os ficheiros anteriores só são substituídos quando o cálculo termina bem.

Estado de saída: 0 sucesso; 1 erro de leitura ou de escrita; 2 erro na linha de comandos.

Exemplos:
  Comparar um instrumento de 5" e um de 2" numa poligonal aberta, em duas pastas:
    elipses poligonal.txt --modo g --poligonal a --mm 3 --ppm 2 --segundos 5 --inicial 0.005,0.005,0 --saida inst-5s
    elipses poligonal.txt --modo g --poligonal a --mm 2 --ppm 2 --segundos 2 --inicial 0.005,0.005,0 --saida inst-2s
  Poligonal fechada em modo goniométrico, ajustada, com elipses relativas a 95%:
    elipses poligonal.txt --modo g --poligonal f --mm 3 --ppm 2 --segundos 5 --inicial 0.005,0.005,0 --final 0.008,0.006,0.00001 --ajustada --relativas
)";
}

}  // namespace elipses
