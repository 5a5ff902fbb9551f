// The command line's actions, and the further questions at a terminal against the options.
// Usage errors (status 2, one line, nothing written) are the cases tests/cases/uso-*; that
// the dialogue and the options give the same files is held by the case pairs
// dialogo-igual-* and opcoes-igual-*.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dialogue/command_line.hpp"
#include "dialogue/program_driver.hpp"
#include "test_support.hpp"

namespace elipses {
namespace {

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

// At a terminal the further questions give what the options give: the same files as the
// command line with the options of the valid answers. An answer that cannot stand (a
// negative centring, a decimal comma, 0 or 100 sets, a relative tolerance of nothing at
// all, typed or taken by Enter, a point tolerance of 0) is explained and asked again.
struct TerminalSession {
  const char* label;
  const char* typed;                    // after the traverse's answers
  std::vector<const char*> explained;   // in order, one line each
  const char* options;                  // the same answers as options
};

void PrintTo(const TerminalSession& c, std::ostream* os) { *os << c.label; }

class TerminalQuestions : public ::testing::TestWithParam<TerminalSession> {};

TEST_P(TerminalQuestions, GiveWhatTheOptionsGive) {
  const TerminalSession& c = GetParam();
  const std::string coordinates = read_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt");
  TempDir typed_dir;
  write_file(typed_dir.file("p.txt"), coordinates);
  const std::string traverse = "\n5\n1000\n2.5\ng\nf\n3\n2\n5\n0.005\n0.005\n0\n0\n0\n0\n";
  std::istringstream in(typed_dir.file("p.txt") + traverse + c.typed);
  std::ostringstream out, err;
  RunSettings given;
  given.output_directory = typed_dir.path().string();
  ASSERT_EQ(run_program(in, out, err, given, true), 0) << err.str();
  const std::string said_typed = err.str();
  std::size_t at = 0;
  for (const char* explanation : c.explained) {
    at = said_typed.find(explanation, at);
    ASSERT_NE(at, std::string::npos) << explanation << "\n" << said_typed;
  }
  std::size_t refused = 0;
  for (std::size_t from = said_typed.find(" serve como resposta"); from != std::string::npos; ++refused) {
    from = said_typed.find(" serve como resposta", from + 1);
  }
  EXPECT_EQ(refused, c.explained.size()) << said_typed;

  TempDir options_dir;
  write_file(options_dir.file("p.txt"), coordinates);
  std::vector<std::string> arguments =
      words("--modo g --poligonal f --mm 3 --ppm 2 --segundos 5 --inicial 0.005,0.005,0 --final 0,0,0 " +
            std::string(c.options) + " --saida " + options_dir.path().string());
  arguments.insert(arguments.begin(), options_dir.file("p.txt"));
  const CommandLine line = read_command_line(arguments);
  std::ostringstream said;
  ASSERT_EQ(run_with_answers(line.settings, said), 0) << said.str();
  const auto names = [](const TempDir& dir) {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir.path())) found.insert(entry.path().filename().string());
    return found;
  };
  std::set<std::string> option_files = names(options_dir);
  EXPECT_EQ(names(typed_dir), option_files);
  option_files.erase("elipses-relatorio.html");  // it names the folder of its run
  for (const std::string& name : option_files) {
    EXPECT_TRUE(read_file(typed_dir.file(name)) == read_file(options_dir.file(name))) << name;
  }
}

// A file whose every record carries a height: at a terminal the heights are offered among
// the further questions (bad answers asked again), and the answers give what the options
// give, the file read again with its heights. Said no, the third values are passed over
// with the warning of every run, which waits for the answer.
TEST(TerminalQuestions, OfferTheHeightsOfAFileThatHasThem) {
  const std::string coordinates = "E1 5000 8000 100.2\nA 5210.4 8105.3 104.75\nB 5380.25 8320.9 99.1\n"
                                  "C 5420.7 8590.15 110.4\nE2 5290.3 8801.6 108\n";
  const std::string traverse = "5\n1000\n2.5\ng\nf\n3\n2\n5\n0.005\n0.005\n0\n0\n0\n0\n\n\n\n2\n\n\n";
  TempDir typed_dir;
  write_file(typed_dir.file("p.txt"), coordinates);
  std::istringstream in(typed_dir.file("p.txt") + "\n" + traverse +
                        "s\n3\n0.5\n\n1.5\n0.2\n-1\n0.1\ns\n0.002\n0.004\n5\n10\ns\nn\n");
  std::ostringstream out, err;
  RunSettings given;
  given.output_directory = typed_dir.path().string();
  ASSERT_EQ(run_program(in, out, err, given, true), 0) << err.str();
  EXPECT_EQ(err.str().find("depois de P"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("\"1.5\" não serve como resposta a \"Coeficiente de refração (-1 a 1)\""), std::string::npos);
  EXPECT_NE(out.str().find("Altura do ponto final, desvio padrão (m) [0]"), std::string::npos) << out.str();

  TempDir options_dir;
  write_file(options_dir.file("p.txt"), coordinates);
  std::vector<std::string> arguments = words(
      "--modo g --poligonal f --mm 3 --ppm 2 --segundos 5 --inicial 0.005,0.005,0 --final 0,0,0 --series 2 --alturas "
      "--zenital 3 --medicao-alturas 0.5,1 --refracao 0.2,0.1 --reciprocas --altura-inicial 0.002 --altura-final "
      "0.004 --tolerancia-altura 5,10 --projetar --saida");
  arguments.insert(arguments.begin(), options_dir.file("p.txt"));
  arguments.push_back(options_dir.path().string());
  std::ostringstream said;
  ASSERT_EQ(run_with_answers(read_command_line(arguments).settings, said), 0) << said.str();
  for (const char* name : {"elipses.txt", "elipses-projeto.txt", "elipses-alturas.txt", "elipses-pares-alturas.txt"}) {
    ASSERT_TRUE(fs::exists(typed_dir.file(name))) << name;
    EXPECT_EQ(read_file(typed_dir.file(name)), read_file(options_dir.file(name))) << name;
  }

  TempDir declined_dir;
  write_file(declined_dir.file("p.txt"), coordinates);
  std::istringstream no(declined_dir.file("p.txt") + "\n" + traverse + "n\n\n\n");
  std::ostringstream no_out, no_err;
  given.output_directory = declined_dir.path().string();
  ASSERT_EQ(run_program(no, no_out, no_err, given, true), 0) << no_err.str();
  EXPECT_NE(no_err.str().find("5 registos com mais valores depois de P"), std::string::npos) << no_err.str();
  EXPECT_FALSE(fs::exists(declined_dir.file("elipses-alturas.txt")));
  EXPECT_EQ(no_out.str().find("Ângulos zenitais"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, TerminalQuestions,
    ::testing::Values(
        TerminalSession{"every_answer_valid", "s\n2\n1.5\n3\n20\n50\n40\ns\ns\n", {},
                        "--ajustada --relativas --fiabilidade --centragem 2,1.5 --series 3 --tolerancia 20,50 "
                        "--tolerancia-ponto 40 --projetar --relatorio"},
        TerminalSession{"edge_values_asked_again",
                        "s\n-1\n2\n1,5\n1.5\n0\n100\n3\n0\n0\n\n50\n0\n40\ns\nn\n",
                        {"\"-1\" não serve como resposta a \"Centragem do instrumento, desvio padrão (mm)\": escreva um "
                         "número não negativo",
                         "\"1,5\" não serve como resposta a \"Centragem dos alvos, desvio padrão (mm)\": o separador "
                         "decimal é o ponto; escreva 1.5.",
                         "\"0\" não serve como resposta a \"Número de séries de direções (1 a 99)\"",
                         "\"100\" não serve como resposta a \"Número de séries de direções (1 a 99)\"",
                         "\"0\" não serve como resposta a \"Tolerância relativa, parte proporcional (ppm)\": escreva "
                         "um número não negativo de ppm, por exemplo 50 (não ambas as partes nulas)",
                         "\"\" não serve como resposta a \"Tolerância relativa, parte proporcional (ppm)\"",
                         "\"0\" não serve como resposta a \"Tolerância de cada ponto (mm)\": escreva um número positivo"},
                        "--ajustada --relativas --fiabilidade --centragem 2,1.5 --series 3 --tolerancia 0,50 "
                        "--tolerancia-ponto 40 --projetar"},
        TerminalSession{"no_further_results", "n\n\n\n\n\n\n\n\n", {}, ""}),
    [](const ::testing::TestParamInfo<TerminalSession>& row) { return std::string(row.param.label); });

// The help text itself is the case tests/cases/ajuda.
TEST(CommandLine, VersionHelpAndTheDialogueWithOptions) {
  EXPECT_EQ(read_command_line({"-V"}).action, CommandLine::Action::version);
  EXPECT_EQ(read_command_line({"--help"}).action, CommandLine::Action::help);
  const CommandLine dialogue = read_command_line({"--saida", "obra", "--relativas"});
  EXPECT_EQ(dialogue.action, CommandLine::Action::dialogue);
  EXPECT_EQ(dialogue.settings.output_directory, "obra");
  EXPECT_TRUE(dialogue.settings.further.relative);
}

}  // namespace
}  // namespace elipses
