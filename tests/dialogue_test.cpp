// The whole dialogue in-process: the five outcomes, the letters, the option stop, the
// waits on empty lines and the refusals with their untouched files.
#include <gtest/gtest.h>

#include "test_support.hpp"

namespace elipses {
namespace {

using elipses::testing::crlf_lines;
using elipses::testing::run_session;
using elipses::testing::run_session_in;
using elipses::testing::Session;
using elipses::testing::TempDir;
using elipses::testing::write_file;

const char* const square = "\"A\" 0 0\n\"B\" 100 0\n\"C\" 100 100\n\"D\" 0 100\n";

const std::string banner =
    "***************************************************\n"
    "*   Calculo da matriz de variancias-covariancias  *\n"
    "*  associada ao calculo das coordenadas de pontos *\n"
    "*  ao longo de uma poligonal aberta ou fechada    *\n"
    "* do ponto de vista matematico. Estes valores sao *\n"
    "*  utilizados para a obtencao dos parametros das  *\n"
    "* elipses de erro ou de confianca, escrevendo-se  *\n"
    "*  o resultado num ficheiro de extensao .scr que  *\n"
    "*         pode ser importado no Autocad.          *\n"
    "*                                                 *\n"
    "*    O formato do ficheiro de coordenadas e:      *\n"
    "*            \"nome de ponto\", M, P                *\n"
    "*            \"nome de ponto\", M, P                *\n"
    "*                    ...                          *\n"
    "*            \"nome de ponto\", M, P                *\n"
    "***************************************************\n"
    "\n";

const std::string menu =
    "Nome do ficheiro de coordenadas: \n"
    "1. Elipse de erro 1 sigma (39.4%)\n"
    "2. Elipse de confianca 1.177 sigma (50%)\n"
    "3. Elipse de confianca 1.410 sigma (63.2%)\n"
    "4. Elipse de confianca 2.146 sigma (90%)\n"
    "5. Elipse de confianca 2.447 sigma (95%)\n"
    "6. Elipse de confianca 2.760 sigma (97.5%)\n"
    "7. Elipse de confianca 3.035 sigma (99%)\n"
    "8. Elipse de confianca 3.500 sigma (99.8%): \n"
    "Opcao: ";

const std::string letters =
    "\nModulo da escala de desenho das elipses: Altura do texto: \n"
    "Modo goniometrico (g) ou modo declinado (d): \n"
    "Poligonal matematicamente aberta (a) ou fechada (f) (coord.  do ponto final conhecidas): ";

std::string precision(const char* angle) {
  return std::string("Incerteza na medicao das: \n   Distancias:\n\t  Componente fixa (mm): \t  Componente variavel (ppm): ") +
         angle + "\n";
}

const std::string initial =
    "Desvio padrao da coordenada M do ponto inicial (m): Desvio padrao da coordenada P do ponto inicial (m): "
    "Covariancia das coordenadas M e P do ponto inicial (m2): \n";
const std::string final_point =
    "Desvio padrao da coordenada M do ponto final (m): Desvio padrao da coordenada P do ponto final (m): "
    "Covariancia das coordenadas M e P do ponto final (m2): ";

struct OutcomeCase {
  const char* label;
  const char* answers;
  std::string shown_after_letters;
  std::size_t records;
};

class OutcomeTest : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(OutcomeTest, AsksWhatItsBranchNeeds) {
  const Session s = run_session(square, GetParam().answers);
  EXPECT_EQ(s.status, 0) << s.err;
  EXPECT_NE(s.err.find("elipses: escritos elipses.txt e elipses.scr na pasta "), std::string::npos) << s.err;
  EXPECT_EQ(s.out, banner + menu + letters + GetParam().shown_after_letters + "\n");
  EXPECT_EQ(crlf_lines(s.table).size(), 1 + GetParam().records);
}

const std::string goniometric = precision("   Direccoes azimutais (\"): ");
const std::string declined = precision("  Rumos (\"): ");

INSTANTIATE_TEST_SUITE_P(
    FiveOutcomes, OutcomeTest,
    ::testing::Values(
        OutcomeCase{"goniometric open", "1\n500\n2.5\ng\na\n5\n3\n7\n0.01\n0.015\n0.00005\n",
                    "\n" + goniometric + initial, 3},
        OutcomeCase{"goniometric closed", "1\n500\n2.5\nG\nf\n5\n3\n7\n0.01\n0.015\n0.00005\n0.02\n0.01\n0\n",
                    "\n" + goniometric + initial + final_point, 2},
        OutcomeCase{"goniometric closed by any letter", "1\n500\n2.5\ngoniometrico\nx\n5\n3\n7\n0\n0\n0\n0\n0\n0\n",
                    "\n" + goniometric + initial + final_point, 2},
        OutcomeCase{"declined open", "1\n500\n2.5\nD\nA\n5\n3\n7\n0.01\n0.015\n0.00005\n",
                    "\n" + declined + initial, 3},
        OutcomeCase{"declined closed", "1\n500\n2.5\nd\n\n5\n3\n7\n", "\n" + declined, 6},
        OutcomeCase{"invalid mode with a leading blank", "1\n500\n2.5\n g\na\n", "\n Modo nao existente.\n", 0},
        OutcomeCase{"empty mode line", "1\n500\n2.5\n\nf\n", "\n Modo nao existente.\n", 0}));

TEST(Dialogue, InvalidOptionStopsWithHeaderOnlyAndEmptyScript) {
  for (const char* option : {"0", "9", "-1", "2147483647"}) {
    const Session s = run_session(square, std::string(option) + "\n");
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.out, banner + menu + "\n    Opcao invalida.\n\nStop - Program terminated.\n");
    EXPECT_EQ(s.table, "nome         M(m)        P(m)      a(m)      b(m)     teta(gon)   sM(m)   sP(m) sMP(m2)\r\n");
    EXPECT_TRUE(s.script_exists);
    EXPECT_EQ(s.script, "");
  }
}

TEST(Dialogue, EmptyLinesAtANumericPromptAreWaitedThrough) {
  const Session waited = run_session(square, "\n\n  \n1\n\n500\n2.5\ng\na\n\n5\n3\n7\n0\n0\n0\n");
  const Session direct = run_session(square, "1\n500\n2.5\ng\na\n5\n3\n7\n0\n0\n0\n");
  EXPECT_EQ(waited.status, 0) << waited.err;
  EXPECT_EQ(waited.out, direct.out);
  EXPECT_EQ(waited.table, direct.table);
  EXPECT_EQ(waited.script, direct.script);
}

TEST(Dialogue, FreeFormAnswersAndNullValues) {
  // The value ends at a blank, comma or slash; a lone comma or slash leaves zero.
  const Session free_form = run_session(square, "1 junk\n500,0\n2.5/\ng\na\n5 mm\n3\n7\n,\n/\n ,9\n");
  const Session plain = run_session(square, "1\n500\n2.5\ng\na\n5\n3\n7\n0\n0\n0\n");
  EXPECT_EQ(free_form.status, 0) << free_form.err;
  EXPECT_EQ(free_form.script, plain.script);
  EXPECT_EQ(free_form.table, plain.table);
}

TEST(Dialogue, CrLfAnswersReadLikeLf) {
  const Session crlf = run_session(square, "1\r\n500\r\n2.5\r\ng\r\nf\r\n5\r\n3\r\n7\r\n0\r\n0\r\n0\r\n0.01\r\n0.01\r\n0\r\n");
  const Session lf = run_session(square, "1\n500\n2.5\ng\nf\n5\n3\n7\n0\n0\n0\n0.01\n0.01\n0\n");
  EXPECT_EQ(crlf.status, 0) << crlf.err;
  EXPECT_EQ(crlf.out, lf.out);
  EXPECT_EQ(crlf.script, lf.script);
  EXPECT_NE(crlf.script.find("Poligonal fechada obs. em modo goniometrico"), std::string::npos);
}

struct BadAnswerCase {
  const char* answers;
  const char* message;
};

class BadAnswerTest : public ::testing::TestWithParam<BadAnswerCase> {};

TEST_P(BadAnswerTest, EndsWithAMessageAndNonZeroStatus) {
  const Session s = run_session(square, GetParam().answers);
  EXPECT_EQ(s.status, 1);
  EXPECT_NE(s.err.find(GetParam().message), std::string::npos) << s.err;
  EXPECT_EQ(s.err.find('\n'), s.err.size() - 1) << "one line: " << s.err;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, BadAnswerTest,
    ::testing::Values(BadAnswerCase{"abc\n", "resposta a \"Opcao\": esperava-se um número inteiro de 1 a 8"},
                      BadAnswerCase{"2.5\n", "encontrou-se \"2.5\""}, BadAnswerCase{"3.0\n", "número inteiro"},
                      BadAnswerCase{"1\nnan\n", "\"Modulo da escala de desenho das elipses\": esperava-se um número"},
                      BadAnswerCase{"1\n500\ninf\n", "Altura do texto"},
                      BadAnswerCase{"1\n500\n2.5\ng\na\n5\nx\n", "\"Componente variavel (ppm)\": esperava-se um número"},
                      BadAnswerCase{"", "a entrada terminou sem resposta a \"Opcao\""},
                      BadAnswerCase{"1\n500\n", "a entrada terminou sem resposta a \"Altura do texto\""},
                      BadAnswerCase{"1\n500\n2.5\ng\n", "a entrada terminou sem resposta a \"Poligonal"},
                      BadAnswerCase{"1\n500\n2.5\ng\na\n5\n3\n7\n0.01\n0.02\n", "ponto inicial (m2)"},
                      BadAnswerCase{"1\n1e999\n", "um número de grandeza aceitável"}));

TEST(Dialogue, ADecimalCommaIsNotTakenForThePointButIsNamed) {
  // "2,5" reads as 2 at the text height prompt (the comma ends the value), as in the file,
  // and the surveyor is told which value was taken.
  const Session comma = run_session(square, "1\n500\n2,5\ng\na\n0\n0\n0\n0,010\n0\n0\n");
  const Session two = run_session(square, "1\n500\n2\ng\na\n0\n0\n0\n0\n0\n0\n");
  EXPECT_EQ(comma.status, 0);
  EXPECT_EQ(comma.out, two.out);
  EXPECT_EQ(comma.script, two.script);
  EXPECT_NE(comma.err.find("aviso: na resposta \"2,5\" a \"Altura do texto\" foi lido o número 2 "), std::string::npos)
      << comma.err;
  EXPECT_NE(comma.err.find("\"0,010\" a \"Desvio padrao da coordenada M do ponto inicial (m)\" foi lido o número 0"),
            std::string::npos);
  EXPECT_NE(comma.err.find("o separador decimal é o ponto"), std::string::npos);
}

TEST(Dialogue, PartsPerMillionMayHaveAFraction) {
  // sigmaD uses the value as typed; the legend truncates it as it does the millimetres.
  const Session fraction = run_session(square, "1\n500\n2.5\nd\na\n3\n1.5E0\n5\n0\n0\n0\n");
  const Session whole = run_session(square, "1\n500\n2.5\nd\na\n3\n1\n5\n0\n0\n0\n");
  EXPECT_EQ(fraction.status, 0) << fraction.err;
  EXPECT_NE(fraction.table, whole.table);
  const std::string legend = "        Incerteza das obs. de distancia=3 mm+1 ppm";
  EXPECT_NE(fraction.script.find(legend), std::string::npos);
  EXPECT_NE(whole.script.find(legend), std::string::npos);
}

struct BadFileCase {
  const char* label;
  const char* content;  // nullptr: the file does not exist
  const char* message;
};

class BadFileTest : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(BadFileTest, RefusedBeforeAnyOutputFileChanges) {
  TempDir dir;
  write_file(dir.file("elipses.txt"), "earlier table\r\n");
  write_file(dir.file("elipses.scr"), "earlier script\r\n");
  if (GetParam().content) write_file(dir.file("pontos.txt"), GetParam().content);
  const Session s = run_session_in(dir, dir.file("pontos.txt") + "\n1\n500\n2.5\ng\na\n5\n3\n7\n0\n0\n0\n");
  EXPECT_EQ(s.status, 1);
  EXPECT_EQ(s.out, banner + "Nome do ficheiro de coordenadas: ");
  EXPECT_NE(s.err.find(GetParam().message), std::string::npos) << s.err;
  EXPECT_NE(s.err.find("pontos.txt"), std::string::npos) << s.err;
  EXPECT_EQ(s.table, "earlier table\r\n");
  EXPECT_EQ(s.script, "earlier script\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFileTest,
    ::testing::Values(BadFileCase{"missing", nullptr, "não foi possível abrir o ficheiro de coordenadas"},
                      BadFileCase{"bad record", "\"A\" 1 2\n\"B\" x 4\n", "linha 2"},
                      BadFileCase{"no point", "\n\n", "não tem nenhum ponto"},
                      BadFileCase{"zero-length leg", "\"A\" 1 2\n\"B\" 1 2\n", "comprimento nulo"},
                      BadFileCase{"partial point", "\"A\" 1 2\n\"B\" 3\n", "termina a meio do ponto 2"}));

TEST(Dialogue, MissingFileLeavesNoOutputFiles) {
  TempDir dir;
  const Session s = run_session_in(dir, dir.file("nada.txt") + "\n");
  EXPECT_EQ(s.status, 1);
  EXPECT_FALSE(s.table_exists);
  EXPECT_FALSE(s.script_exists);
}

TEST(Dialogue, FileNameKeepsLeadingBlanksAndDropsTrailingOnes) {
  TempDir dir;
  write_file(dir.file(" lead.txt"), square);
  const Session trailing = run_session_in(dir, dir.file(" lead.txt") + "  \t\r\n1\n500\n2.5\nx\na\n");
  EXPECT_EQ(trailing.status, 0) << trailing.err;
  // Between double quotes, as "Copiar como caminho" gives it: tried without them, and a
  // name that still does not open is quoted as typed, not in a second pair.
  const Session quoted = run_session_in(dir, "\"" + dir.file(" lead.txt") + "\"\n1\n500\n2.5\nx\na\n");
  EXPECT_EQ(quoted.status, 0) << quoted.err;
  const Session missing = run_session_in(dir, "\"" + dir.file("nada.txt") + "\"\n");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("coordenadas \"" + dir.file("nada.txt") + "\"\n"), std::string::npos) << missing.err;
}

TEST(Dialogue, AnEarlierLongerRunLeavesNoTrace) {
  TempDir dir;
  write_file(dir.file("pontos.txt"), square);
  write_file(dir.file("elipses.txt"), std::string(100000, 'x'));
  write_file(dir.file("elipses.scr"), std::string(100000, 'y'));
  const Session s = run_session_in(dir, dir.file("pontos.txt") + "\n1\n500\n2.5\nq\na\n");
  EXPECT_EQ(s.status, 0);
  EXPECT_EQ(s.table.find('x'), std::string::npos);
  EXPECT_EQ(s.script.find('y'), std::string::npos);
  EXPECT_EQ(crlf_lines(s.script).front(), "COLOR");
}

TEST(Dialogue, OnePointIsAValidTraverse) {
  const Session s = run_session("\"A\" 10 20\n", "1\n500\n2.5\ng\na\n5\n3\n7\n0.01\n0.02\n0\n");
  EXPECT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(crlf_lines(s.table).size(), 1U);
  const std::vector<std::string> lines = crlf_lines(s.script);
  // Label block, colour 1 and the start ellipse, then the legend and a one-vertex polyline.
  EXPECT_EQ(lines[7], "COLOR");
  EXPECT_EQ(lines[8], "1");
  EXPECT_EQ(lines[9], "ELLIPSE");
  EXPECT_EQ(lines[lines.size() - 2], "10.000,20.000");
  EXPECT_EQ(lines[lines.size() - 3], "PLINE");
}

}  // namespace
}  // namespace elipses

namespace elipses {
namespace {

TEST(Dialogue, ValuesTooWideForTheScriptAreWrittenAsAsterisksWithAWarning) {
  const Session s = elipses::testing::run_session("\"N1\" 100000 4300000\n\"N2\" 100100 4300000\n",
                                                  "1\n1000\n2\ng\na\n3\n2\n5\n0\n0\n0\n");
  EXPECT_EQ(s.status, 0);
  EXPECT_NE(s.script.find("100000.000,**********\r\n"), std::string::npos);
  EXPECT_NE(s.err.find("aviso: 11 linha(s) do elipses.scr"), std::string::npos) << s.err;
  EXPECT_NE(s.table.find("   4300000.000"), std::string::npos);
}

}  // namespace
}  // namespace elipses

namespace elipses {
namespace {

struct FileWarningCase {
  const char* label;
  const char* coordinates;
  std::vector<const char*> said;  // parts of the warnings, in order
};

class FileWarningTest : public ::testing::TestWithParam<FileWarningCase> {};

// A file that reads, but not as its author likely meant: the run goes on, and says so.
TEST_P(FileWarningTest, NamesTheSuspiciousRecords) {
  const Session s = elipses::testing::run_session(GetParam().coordinates, "1\n500\n2.5\nd\nf\n3\n2\n5\n");
  EXPECT_EQ(s.status, 0) << s.err;
  std::size_t from = 0;
  for (const char* part : GetParam().said) {
    from = s.err.find(part, from);
    ASSERT_NE(from, std::string::npos) << part << "\n" << s.err;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, FileWarningTest,
    ::testing::Values(
        FileWarningCase{"decimal commas",
                        "\"1001\", -87026,429, -103213,155\n\"1002\", -86900,1, -103100,2\n\"1003\" -86800 -103000\n",
                        {"linha 1: há mais valores depois de P", "\"\"1001\", -87026,429, -103213,155\"",
                         "linha 2: há mais valores", "se há vírgulas decimais, use o ponto"}},
        FileWarningCase{"names cut to four characters",
                        "EST01 0 0\nEST02 100 0\nEST0 200 50\nP1 300 0\n",
                        {"linha 2: \"EST02 100 0\" fica com o mesmo nome que a linha 1",
                         "linha 3: \"EST0 200 50\" fica com o mesmo nome que a linha 1"}},
        FileWarningCase{"the header line of a semicolon file",
                        "Ponto;M (m);P (m)\nRV1;0;0\nRV2;100,5;0\nRV3;100,5;100;cota\n",
                        {"linha 1: \"Ponto;M (m);P (m)\" não tem coordenadas: é um cabeçalho, que foi ignorado",
                         "linha 4: há mais campos depois de P, que foram ignorados: \"RV3;100,5;100;cota\""}},
        FileWarningCase{"a first record that takes values from the pass before",
                        // The first point takes its name from the last of the pass before: EST0.
                        ", , 2\nEST01 3 4\nEST02 5 4\n",
                        {"linha 2: \"EST01 3 4\" fica com o mesmo nome que a linha 1 (\", , 2\")",
                         "linha 3: \"EST02 5 4\" fica com o mesmo nome que a linha 1"}}),
    [](const ::testing::TestParamInfo<FileWarningCase>& param_info) {
      std::string name = param_info.param.label;
      for (char& c : name) c = c == ' ' ? '_' : c;
      return name;
    });

TEST(Dialogue, ALetterOtherThanAOrFComputesClosedAndSaysSo) {
  const Session s = elipses::testing::run_session(square, "1\n500\n2.5\nd\n a\n3\n2\n5\n");
  EXPECT_EQ(s.status, 0);
  EXPECT_NE(s.err.find("aviso: a resposta à poligonal foi \" a\", que não é a nem f"), std::string::npos) << s.err;
  EXPECT_EQ(crlf_lines(s.table).size(), 1U + 6U);  // both passes of a closed declined traverse
}

}  // namespace
}  // namespace elipses
