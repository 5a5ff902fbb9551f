// The command line against the dialogue: the same answers give the same files, byte for
// byte, whichever way they come; usage errors are refused with their reason (the whole
// run, status 2 and nothing written, is in tests/cases/uso-*); the further results
// (adjusted traverse, relative ellipses) land in the asked folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "dialogue/command_line.hpp"
#include "dialogue/program_driver.hpp"
#include "test_support.hpp"

namespace elipses {
namespace {

using elipses::testing::crlf_lines;
using elipses::testing::read_file;
using elipses::testing::TempDir;
using elipses::testing::write_file;

namespace fs = std::filesystem;

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

struct BothWays {
  const char* options;  // after the file name
  const char* answers;  // the dialogue's, after the file name
  const char* further = "";  // options that work both ways, beyond the folder and the two files
};

class BothWaysTest : public ::testing::TestWithParam<BothWays> {};

TEST_P(BothWaysTest, GiveTheSameFiles) {
  const std::string coordinates = read_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt");
  TempDir dialogue_dir;
  write_file(dialogue_dir.file("p.txt"), coordinates);
  std::istringstream in(dialogue_dir.file("p.txt") + "\n" + GetParam().answers);
  std::ostringstream out;
  std::ostringstream err;
  std::vector<std::string> dialogue_options = words(GetParam().further);
  for (const char* extra : {"--ajustada", "--relativas", "--saida"}) dialogue_options.emplace_back(extra);
  dialogue_options.push_back(dialogue_dir.path().string());
  const CommandLine dialogue = read_command_line(dialogue_options);
  ASSERT_EQ(dialogue.action, CommandLine::Action::dialogue);
  ASSERT_EQ(run_program(in, out, err, dialogue.settings), 0) << err.str();

  TempDir options_dir;
  write_file(options_dir.file("p.txt"), coordinates);
  std::vector<std::string> arguments = words(GetParam().options);
  // Between double quotes, as a path copied on Windows may come: tried without them.
  arguments.insert(arguments.begin(), "\"" + options_dir.file("p.txt") + "\"");
  for (const std::string& further : words(GetParam().further)) arguments.push_back(further);
  for (const char* extra : {"--saida", "", "--ajustada", "--relativas"}) arguments.emplace_back(extra);
  arguments[arguments.size() - 3] = options_dir.file("resultados");
  const CommandLine line = read_command_line(arguments);
  ASSERT_EQ(line.action, CommandLine::Action::answers);
  std::ostringstream said;
  ASSERT_EQ(run_with_answers(line.settings, said), 0) << said.str();

  for (const char* name : {"elipses.txt", "elipses.scr", "elipses-ajustada.txt", "elipses-ajustada.scr",
                           "elipses-relativas.txt", "elipses-relativas.scr", "elipses-fecho.txt", "elipses-fiabilidade.txt", "elipses-pares.txt",
                           "elipses-projeto.txt"}) {
    const bool written = fs::exists(dialogue_dir.file(name));
    EXPECT_EQ(fs::exists(options_dir.file(std::string("resultados/") + name)), written) << name;
    if (written) {
      EXPECT_EQ(read_file(options_dir.file(std::string("resultados/") + name)), read_file(dialogue_dir.file(name))) << name;
    }
  }
}

// At a terminal the further questions give what the options give: the same files as the
// command line with --ajustada --relativas --fiabilidade --centragem 2,1.5 --series 3
// --tolerancia 20,50 --tolerancia-ponto 40 --projetar.
TEST(TerminalQuestions, GiveWhatTheOptionsGive) {
  const std::string coordinates = read_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt");
  TempDir typed_dir;
  write_file(typed_dir.file("p.txt"), coordinates);
  std::istringstream in(typed_dir.file("p.txt") + "\n5\n1000\n2.5\ng\nf\n3\n2\n5\n0.005\n0.005\n0\n0\n0\n0\n" +
                        "s\n2\n1.5\n3\n20\n50\n40\ns\ns\n");
  std::ostringstream out, err;
  RunSettings given;
  given.output_directory = typed_dir.path().string();
  ASSERT_EQ(run_program(in, out, err, given, true), 0) << err.str();

  TempDir options_dir;
  write_file(options_dir.file("p.txt"), coordinates);
  std::vector<std::string> arguments = words(
      "--modo g --poligonal f --mm 3 --ppm 2 --segundos 5 --inicial 0.005,0.005,0 --final 0,0,0 --ajustada --relativas "
      "--fiabilidade --centragem 2,1.5 --series 3 --tolerancia 20,50 --tolerancia-ponto 40 --projetar --saida");
  arguments.insert(arguments.begin(), options_dir.file("p.txt"));
  arguments.push_back(options_dir.path().string());
  const CommandLine line = read_command_line(arguments);
  std::ostringstream said;
  ASSERT_EQ(run_with_answers(line.settings, said), 0) << said.str();
  for (const char* name : {"elipses.txt", "elipses.scr", "elipses-ajustada.txt", "elipses-ajustada.scr",
                           "elipses-relativas.txt", "elipses-fiabilidade.txt", "elipses-pares.txt",
                           "elipses-projeto.txt"}) {
    ASSERT_TRUE(fs::exists(typed_dir.file(name))) << name;
    EXPECT_EQ(read_file(typed_dir.file(name)), read_file(options_dir.file(name))) << name;
  }
  EXPECT_TRUE(fs::exists(typed_dir.file("elipses-relatorio.html")));
}

INSTANTIATE_TEST_SUITE_P(
    AnswerSets, BothWaysTest,
    ::testing::Values(
        BothWays{"--modo g --poligonal a --mm 3 --ppm 2 --segundos 5 --inicial 0.005,0.005,0",
                 "5\n1000\n2.5\ng\na\n3\n2\n5\n0.005\n0.005\n0\n"},
        BothWays{"--modo G --poligonal F --mm 1.5E0 --ppm 1.5 --segundos 7.9 --nivel 8 --escala 2000 --altura 1 "
                 "--inicial 0.01,0.015,5D-5 --final 0.008,0.006,0.00001",
                 "8\n2000\n1\nG\nF\n1.5E0\n1.5\n7.9\n0.01\n0.015\n5D-5\n0.008\n0.006\n0.00001\n"},
        BothWays{"--modo d --poligonal a --mm 5 --ppm 3 --segundos 20 --nivel 1 --inicial 0,0,0",
                 "1\n1000\n2.5\nd\na\n5\n3\n20\n0\n0\n0\n"},
        BothWays{"--modo D --poligonal f --mm 2 --ppm 0 --segundos 10 --nivel 6 --escala 500 --altura 3",
                 "6\n500\n3\nD\nf\n2\n0\n10\n"},
        BothWays{"--modo g --poligonal f --mm 10 --ppm 5 --segundos 1 --nivel 3 --escala 99 --altura .5 "
                 "--inicial 0,0,0 --final 0,0,0",
                 "3\n99\n.5\ng\nf\n10\n5\n1\n0\n0\n0\n0\n0\n0\n"},
        BothWays{"--modo g --poligonal f --mm 3 --ppm 2 --segundos 5 --inicial 0.005,0.005,0 --final 0,0,0",
                 "5\n1000\n2.5\ng\nf\n3\n2\n5\n0.005\n0.005\n0\n0\n0\n0\n",
                 "--centragem 2,1.5 --series 3 --fiabilidade"},
        BothWays{"--modo d --poligonal f --mm 2 --ppm 2 --segundos 10", "5\n1000\n2.5\nd\nf\n2\n2\n10\n",
                 "--fiabilidade --centragem 0,1 --tolerancia 10,20 --projetar"},
        BothWays{"--modo d --poligonal a --mm 5 --ppm 3 --segundos 20 --inicial 0,0,0",
                 "5\n1000\n2.5\nd\na\n5\n3\n20\n0\n0\n0\n", "--series 4 --tolerancia-ponto 50 --projetar"}));

struct UsageCase {
  const char* arguments;
  const char* reason;  // a part of the message
};

class UsageErrorTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrorTest, IsRefusedBeforeAnything) {
  try {
    read_command_line(words(GetParam().arguments));
    FAIL() << "accepted: " << GetParam().arguments;
  } catch (const UsageError& error) {
    EXPECT_NE(error.reason.find(GetParam().reason), std::string::npos) << error.reason;
    EXPECT_EQ(error.reason.find('\n'), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, UsageErrorTest,
    ::testing::Values(UsageCase{"--desconhecida", "opção desconhecida \"--desconhecida\""},
                      UsageCase{"a.txt b.txt --modo g", "argumento a mais \"b.txt\""},
                      UsageCase{"--modo g", "pede o nome do ficheiro"},
                      UsageCase{"p.txt --modo g --poligonal a --mm 3 --ppm 2", "falta a opção --segundos"},
                      UsageCase{"p.txt --modo g --modo d --poligonal a", "--modo foi dada mais de uma vez"},
                      UsageCase{"p.txt --modo x --poligonal a --mm 3 --ppm 2 --segundos 5", "espera g ou d"},
                      UsageCase{"p.txt --modo g --poligonal z --mm 3 --ppm 2 --segundos 5", "espera a ou f"},
                      UsageCase{"p.txt --modo g --poligonal a --mm 2,5 --ppm 2 --segundos 5 --inicial 0,0,0",
                                "o separador decimal é o ponto"},
                      UsageCase{"p.txt --modo g --poligonal a --mm 3 --ppm dois --segundos 5 --inicial 0,0,0", "--ppm"},
                      UsageCase{"p.txt --modo g --poligonal a --mm 3 --ppm 2 --segundos 5", "falta a opção --inicial"},
                      UsageCase{"p.txt --modo g --poligonal f --mm 3 --ppm 2 --segundos 5 --inicial 0,0,0",
                                "falta a opção --final"},
                      UsageCase{"p.txt --modo g --poligonal a --mm 3 --ppm 2 --segundos 5 --inicial 0,0,0 --final 0,0,0",
                                "--final não se aplica a uma poligonal aberta"},
                      UsageCase{"p.txt --modo d --poligonal f --mm 3 --ppm 2 --segundos 5 --inicial 0,0,0",
                                "--inicial não se aplica"},
                      UsageCase{"p.txt --modo g --poligonal a --mm 3 --ppm 2 --segundos 5 --inicial 0,0", "três números"},
                      UsageCase{"p.txt --modo g --poligonal a --mm 3 --ppm 2 --segundos 5 --inicial 0,0,0 --nivel 9",
                                "1 a 8"},
                      UsageCase{"p.txt --modo g --poligonal a --mm 3 --ppm 2 --segundos 5 --inicial 0,0,0 --nivel 2.5",
                                "1 a 8"},
                      UsageCase{"--ajustada --ajustada", "--ajustada foi dada mais de uma vez"},
                      UsageCase{"p.txt --mm", "--mm precisa de um valor"},
                      UsageCase{"p.txt --modo d --poligonal f --mm 3 --ppm 2 --segundos 5 --cc 15", "excluem-se"},
                      UsageCase{"--cc 15", "pede o nome do ficheiro"},
                      UsageCase{"--series 0", "--series espera um número inteiro de 1 a 99"},
                      UsageCase{"--series 2.5", "--series espera um número inteiro de 1 a 99"},
                      UsageCase{"--centragem 2", "--centragem espera dois números"},
                      UsageCase{"--centragem 2,-1", "não negativos"},
                      UsageCase{"--fiabilidade --fiabilidade", "--fiabilidade foi dada mais de uma vez"},
                      UsageCase{"--tolerancia 20", "--tolerancia espera dois números"},
                      UsageCase{"--tolerancia 0,0", "não ambos nulos"},
                      UsageCase{"--tolerancia-ponto 0", "--tolerancia-ponto espera um número positivo"},
                      UsageCase{"p.txt --modo g --poligonal a --mm --ppm 2 --segundos 5", "--mm precisa de um valor"},
                      // A value given to a flag, quoted by the reader itself: its escape shown, not sent
                      UsageCase{"p.txt --fiabilidade=\x1b[2J", "--fiabilidade = \\x1B[2J"}));

TEST(CommandLine, HelpNamesEveryOptionAndVersionIsTheProjects) {
  const std::string help = help_text();
  for (const char* option : {"--modo", "--poligonal", "--mm", "--ppm", "--segundos", "--nivel", "--escala", "--altura",
                             "--inicial", "--final", "--saida", "--ajustada", "--relativas", "--relatorio", "--help", "--version", "--cc",
                             "--centragem", "--series", "--fiabilidade", "--tolerancia",
                             "--tolerancia-ponto", "--projetar"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(read_command_line({"-V"}).action, CommandLine::Action::version);
  EXPECT_EQ(read_command_line({"--help"}).action, CommandLine::Action::help);
  const CommandLine dialogue = read_command_line({"--saida", "obra", "--relativas"});
  EXPECT_EQ(dialogue.action, CommandLine::Action::dialogue);
  EXPECT_EQ(dialogue.settings.output_directory, "obra");
  EXPECT_TRUE(dialogue.settings.further.relative);
}

// The further results of a closed traverse, asked one at a time and together: each file
// holds a record for every point or leg it is about (a fault that computed them on an
// empty point list wrote header-only files), the same bytes whichever other option is
// given, and the two files of every run as the dialogue writes them.
struct FurtherCase {
  const char* label;
  const char* mode;
  std::vector<std::string> further;  // --ajustada, --relativas or both
};

void PrintTo(const FurtherCase& c, std::ostream* os) { *os << c.label; }

class FurtherResultsTest : public ::testing::TestWithParam<FurtherCase> {};

TEST_P(FurtherResultsTest, AClosedTraverseHasRecordsForItsPoints) {
  const FurtherCase& c = GetParam();
  const std::string coordinates = read_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt");
  const bool goniometric = std::string(c.mode) == "g";
  const elipses::testing::Session s = elipses::testing::run_session(
      coordinates, goniometric ? "5\n2000\n2.5\ng\nf\n3\n2\n5\n0.005\n0.005\n0\n0.008\n0.006\n0.00001\n"
                               : "5\n2000\n2.5\nd\nf\n3\n2\n5\n");
  ASSERT_EQ(s.status, 0);
  TempDir dir;
  write_file(dir.file("p.txt"), coordinates);
  const auto run = [&](const std::string& folder, const std::vector<std::string>& further) {
    std::vector<std::string> arguments = {dir.file("p.txt"), "--modo", c.mode, "--poligonal", "f", "--mm", "3", "--ppm",
                                          "2", "--segundos", "5", "--escala", "2000", "--saida", dir.file(folder)};
    if (goniometric) {
      for (const char* more : {"--inicial", "0.005,0.005,0", "--final", "0.008,0.006,0.00001"}) arguments.emplace_back(more);
    }
    arguments.insert(arguments.end(), further.begin(), further.end());
    const CommandLine line = read_command_line(arguments);
    std::ostringstream said;
    EXPECT_EQ(run_with_answers(line.settings, said), 0) << said.str();
    return said.str();
  };
  const std::string said = run("novo/obra", c.further);
  run("ambas", {"--ajustada", "--relativas"});
  EXPECT_EQ(read_file(dir.file("novo/obra/elipses.txt")), s.table);
  EXPECT_EQ(read_file(dir.file("novo/obra/elipses.scr")), s.script);
  const bool adjusted = std::find(c.further.begin(), c.further.end(), "--ajustada") != c.further.end();
  const bool relative = std::find(c.further.begin(), c.further.end(), "--relativas") != c.further.end();
  for (const char* name : {"elipses-ajustada.txt", "elipses-ajustada.scr", "elipses-relativas.txt"}) {
    const bool asked = std::string(name).find("ajustada") != std::string::npos ? adjusted : relative;
    ASSERT_EQ(fs::exists(dir.file(std::string("novo/obra/") + name)), asked) << name;
    if (asked) {
      EXPECT_EQ(read_file(dir.file(std::string("novo/obra/") + name)), read_file(dir.file(std::string("ambas/") + name)))
          << name;
    }
  }
  if (adjusted) {
    const std::vector<std::string> table = crlf_lines(read_file(dir.file("novo/obra/elipses-ajustada.txt")));
    ASSERT_EQ(table.size(), 1U + 8U);  // the points between the two known ends
    EXPECT_EQ(table[0], crlf_lines(s.table)[0]);
    for (std::size_t i = 1; i < table.size(); ++i) EXPECT_EQ(table[i].size(), 106U) << table[i];
    const std::string script = read_file(dir.file("novo/obra/elipses-ajustada.scr"));
    EXPECT_NE(script.find(goniometric ? " Poligonal fechada ajustada obs. em modo goniometrico\r\n"
                                      : "    Poligonal fechada ajustada obs. em modo declinado\r\n"),
              std::string::npos);
    EXPECT_GE(std::count(script.begin(), script.end(), '\n'), 10 * 6) << "a label and an ellipse for every point";
    EXPECT_NE(said.find("fecho previsto"), std::string::npos) << said;
  }
  if (relative) {
    const std::vector<std::string> table = crlf_lines(read_file(dir.file("novo/obra/elipses-relativas.txt")));
    ASSERT_EQ(table.size(), 1U + 9U);  // one record per leg
    for (const std::string& record : table) EXPECT_EQ(record.size(), table[0].size()) << record;
    EXPECT_EQ(table[1].substr(0, 9), "E01  P1  ");
  }
}

INSTANTIATE_TEST_SUITE_P(
    OneByOneAndTogether, FurtherResultsTest,
    ::testing::Values(FurtherCase{"goniometric_adjusted", "g", {"--ajustada"}},
                      FurtherCase{"goniometric_relative", "g", {"--relativas"}},
                      FurtherCase{"goniometric_both", "g", {"--relativas", "--ajustada"}},
                      FurtherCase{"declined_adjusted", "d", {"--ajustada"}},
                      FurtherCase{"declined_relative", "d", {"--relativas"}},
                      FurtherCase{"declined_both", "d", {"--ajustada", "--relativas"}}),
    [](const ::testing::TestParamInfo<FurtherCase>& param_info) { return std::string(param_info.param.label); });

}  // namespace
}  // namespace elipses
