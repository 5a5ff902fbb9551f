// The built executable on the bundled example, with standard input from a file: the
// console bytes, both files and the exit status, compared with golden copies.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "test_support.hpp"

namespace elipses {
namespace {

using elipses::testing::read_file;
using elipses::testing::TempDir;

struct GoldenCase {
  const char* answers;  // examples/<answers>.txt
  int status;
};

class GoldenRunTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenRunTest, MatchesTheGoldenFiles) {
  const std::string source = ELIPSES_SOURCE_DIR;
  const std::string answers = GetParam().answers;
  TempDir dir;
  const std::string command = "cd '" + dir.path().string() + "' && cp '" + source +
                              "/examples/poligonal.txt' . && LANG=pt_PT.UTF-8 LC_ALL=pt_PT.UTF-8 '" +
                              ELIPSES_EXECUTABLE + "' < '" + source + "/examples/" + answers +
                              ".txt' > consola.txt 2> erros.txt";
  const int raw = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), GetParam().status);
  const std::string golden = source + "/tests/golden/" + answers;
  EXPECT_EQ(read_file(dir.file("consola.txt")), read_file(golden + ".consola"));
  // Standard error says only what was written, or nothing after the stop on an invalid option.
  const std::string said = read_file(dir.file("erros.txt"));
  EXPECT_EQ(said.find("aviso"), std::string::npos) << said;
  EXPECT_EQ(said.empty(), answers == "respostas-opcao-invalida") << said;
  EXPECT_EQ(read_file(dir.file("elipses.txt")), read_file(golden + ".txt"));
  EXPECT_EQ(read_file(dir.file("elipses.scr")), read_file(golden + ".scr"));
}

INSTANTIATE_TEST_SUITE_P(Examples, GoldenRunTest,
                         ::testing::Values(GoldenCase{"respostas-goniometrica-aberta", 0},
                                           GoldenCase{"respostas-goniometrica-fechada", 0},
                                           GoldenCase{"respostas-declinada-aberta", 0},
                                           GoldenCase{"respostas-declinada-fechada", 0},
                                           GoldenCase{"respostas-opcao-invalida", 0}));

}  // namespace
}  // namespace elipses
