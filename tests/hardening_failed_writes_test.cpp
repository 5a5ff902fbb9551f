// An output file that cannot be created or written completely: the run says so on the
// error stream, naming the file, and ends with a non-zero status. A disk that is full
// is stood in for by /dev/full; a file that cannot be created by a directory of its name
// (the suite may run as root, for whom permissions block nothing).
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>

#include "hardening_process.hpp"
#include "test_support.hpp"

namespace elipses::testing {
namespace {

namespace fs = std::filesystem;

enum class Block { full_device, directory };

struct FailedWriteCase {
  const char* label;
  const char* blocked;  // elipses.txt or elipses.scr
  Block block;
  const char* answers;  // examples/respostas-<answers>.txt
  int status;
};

std::string example_answers(const std::string& name) {
  return read_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/respostas-" + name + ".txt");
}

void prepare(const TempDir& dir, const FailedWriteCase& c) {
  fs::copy_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt", dir.file("poligonal.txt"));
  if (c.block == Block::full_device) {
    fs::create_symlink("/dev/full", dir.file(c.blocked));
  } else {
    fs::create_directory(dir.file(c.blocked));
  }
}

void PrintTo(const FailedWriteCase& c, std::ostream* os) { *os << c.label; }

std::string case_label(const ::testing::TestParamInfo<FailedWriteCase>& case_info) { return case_info.param.label; }

class FailedWriteTest : public ::testing::TestWithParam<FailedWriteCase> {};

TEST_P(FailedWriteTest, IsReportedNamingTheFile) {
  const FailedWriteCase& c = GetParam();
  TempDir dir;
  prepare(dir, c);
  const ProcessRun run = run_executable(dir.path().string(), example_answers(c.answers));
  EXPECT_EQ(run.status, c.status) << run.err;
  if (c.status == 0) {
    EXPECT_EQ(run.err, "");
  } else {
    EXPECT_NE(run.err.find(c.blocked), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, FailedWriteTest,
    ::testing::Values(
        FailedWriteCase{"table_full_goniometric_open", "elipses.txt", Block::full_device, "goniometrica-aberta", 1},
        FailedWriteCase{"table_full_goniometric_closed", "elipses.txt", Block::full_device, "goniometrica-fechada", 1},
        FailedWriteCase{"table_full_declined_open", "elipses.txt", Block::full_device, "declinada-aberta", 1},
        FailedWriteCase{"table_full_declined_closed", "elipses.txt", Block::full_device, "declinada-fechada", 1},
        // The header alone is written before the stop, and it must reach the disk too.
        FailedWriteCase{"table_full_invalid_option", "elipses.txt", Block::full_device, "opcao-invalida", 1},
        FailedWriteCase{"script_full_goniometric_open", "elipses.scr", Block::full_device, "goniometrica-aberta", 1},
        FailedWriteCase{"script_full_goniometric_closed", "elipses.scr", Block::full_device, "goniometrica-fechada", 1},
        FailedWriteCase{"script_full_declined_open", "elipses.scr", Block::full_device, "declinada-aberta", 1},
        FailedWriteCase{"script_full_declined_closed", "elipses.scr", Block::full_device, "declinada-fechada", 1},
        // The stop leaves the drawing script empty: nothing to write, nothing lost.
        FailedWriteCase{"script_full_invalid_option", "elipses.scr", Block::full_device, "opcao-invalida", 0},
        FailedWriteCase{"table_cannot_be_created", "elipses.txt", Block::directory, "declinada-aberta", 1},
        FailedWriteCase{"script_cannot_be_created", "elipses.scr", Block::directory, "goniometrica-fechada", 1}),
    case_label);

TEST(FailedWrite, UnwritableScriptLeavesTheTableComplete) {
  // The table is written to the end even when the drawing script cannot be: a surveyor
  // keeps the figures while freeing space for the drawing.
  TempDir blocked;
  fs::copy_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt", blocked.file("poligonal.txt"));
  fs::create_symlink("/dev/full", blocked.file("elipses.scr"));
  TempDir normal;
  fs::copy_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt", normal.file("poligonal.txt"));
  const std::string answers = example_answers("goniometrica-fechada");
  EXPECT_EQ(run_executable(blocked.path().string(), answers).status, 1);
  EXPECT_EQ(run_executable(normal.path().string(), answers).status, 0);
  EXPECT_EQ(read_file(blocked.file("elipses.txt")), read_file(normal.file("elipses.txt")));
}

TEST(FailedWrite, ConsoleOnAFullDeviceIsNotASuccess) {
  TempDir dir;
  fs::copy_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt", dir.file("poligonal.txt"));
  const ProcessRun run = run_executable(dir.path().string(), example_answers("declinada-aberta"), "/dev/full");
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("saida padrao"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace elipses::testing
