// An output file that cannot be written completely or put in place: the run says so on
// the error stream, naming the file, ends with a non-zero status, and leaves the earlier
// results byte for byte as they were, with no temporary file behind. A full disk is
// stood in for by a limit on the size of the files the run writes; a file that cannot be
// replaced by a directory of its name (the suite may run as root, for whom permissions
// block nothing); a move of the final swap that fails halfway, by a failing move stood in
// for the system's.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <set>
#include <string>

#include "dialogue/output_files.hpp"
#include "dialogue/platform.hpp"
#include "hardening_process.hpp"
#include "test_support.hpp"

namespace elipses::testing {
namespace {

namespace fs = std::filesystem;

struct FailedWriteCase {
  const char* label;
  const char* named;       // the file the message names
  long file_size_limit;    // bytes; 0: the named file is blocked by a directory instead
  const char* answers;     // examples/respostas-<answers>.txt
};

std::string example_answers(const std::string& name) {
  return read_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/respostas-" + name + ".txt");
}

std::set<std::string> listing(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path())) names.insert(entry.path().filename().string());
  return names;
}

void PrintTo(const FailedWriteCase& c, std::ostream* os) { *os << c.label; }

class FailedWriteTest : public ::testing::TestWithParam<FailedWriteCase> {};

TEST_P(FailedWriteTest, IsReportedAndKeepsTheEarlierResults) {
  const FailedWriteCase& c = GetParam();
  TempDir dir;
  fs::copy_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt", dir.file("poligonal.txt"));
  if (c.file_size_limit == 0) {
    fs::create_directory(dir.file(c.named));
  } else {
    write_file(dir.file("elipses.txt"), "earlier table\r\n");
    write_file(dir.file("elipses.scr"), "earlier script\r\n");
  }
  write_file(dir.file(".stdin"), "");
  const std::set<std::string> before = listing(dir);
  const ProcessRun run = run_executable(dir.path().string(), example_answers(c.answers), "/dev/null", c.file_size_limit);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
  if (c.file_size_limit != 0) {
    EXPECT_EQ(read_file(dir.file("elipses.txt")), "earlier table\r\n");
    EXPECT_EQ(read_file(dir.file("elipses.scr")), "earlier script\r\n");
  }
  std::set<std::string> after = listing(dir);
  after.erase(".stderr");
  EXPECT_EQ(after, before) << "a temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, FailedWriteTest,
    ::testing::Values(
        // The tables (1 to 2 KiB) and the scripts (2 to 3.5 KiB) of the bundled traverse.
        FailedWriteCase{"table_full_goniometric_open", "elipses.txt", 512, "goniometrica-aberta"},
        FailedWriteCase{"table_full_declined_closed", "elipses.txt", 512, "declinada-fechada"},
        FailedWriteCase{"script_full_goniometric_closed", "elipses.scr", 1536, "goniometrica-fechada"},
        FailedWriteCase{"script_full_declined_open", "elipses.scr", 1536, "declinada-aberta"},
        FailedWriteCase{"table_cannot_be_replaced", "elipses.txt", 0, "declinada-aberta"},
        FailedWriteCase{"script_cannot_be_replaced", "elipses.scr", 0, "goniometrica-fechada"}),
    [](const ::testing::TestParamInfo<FailedWriteCase>& param_info) { return std::string(param_info.param.label); });

// The one move of the swap that fails: the file it moves and where to, by their endings.
struct FailingMove {
  const char* label;
  const char* from;
  const char* to;
};

FailingMove failing_move;

bool ends_with(const std::string& text, const char* end) {
  const std::string tail(end);
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string move_failing_once(const std::string& from, const std::string& to) {
  if (ends_with(from, failing_move.from) && ends_with(to, failing_move.to)) return "falha simulada";
  return replace_file(from, to);
}

void PrintTo(const FailingMove& c, std::ostream* os) { *os << c.label; }

class FailedSwapTest : public ::testing::TestWithParam<FailingMove> {};

TEST_P(FailedSwapTest, LeavesTheEarlierFilesAsTheyWere) {
  failing_move = GetParam();
  TempDir dir;
  write_file(dir.file("elipses.txt"), "earlier table\r\n");
  write_file(dir.file("elipses.scr"), "earlier script\r\n");
  const std::set<std::string> before = listing(dir);
  {
    OutputFiles files(dir.path().string(), move_failing_once);
    files.create("elipses.txt") << "new table\r\n";
    files.create("elipses.scr") << "new script\r\n";
    EXPECT_THROW(files.finish(), OutputError);
  }
  EXPECT_EQ(read_file(dir.file("elipses.txt")), "earlier table\r\n");
  EXPECT_EQ(read_file(dir.file("elipses.scr")), "earlier script\r\n");
  EXPECT_EQ(listing(dir), before) << "a temporary or set-aside file was left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Swap, FailedSwapTest,
    ::testing::Values(FailingMove{"second_earlier_file_not_set_aside", "/elipses.scr", ".anterior"},
                      FailingMove{"first_new_file_not_moved_in", ".tmp", "/elipses.txt"},
                      FailingMove{"second_new_file_not_moved_in", ".tmp", "/elipses.scr"}),
    [](const ::testing::TestParamInfo<FailingMove>& param_info) { return std::string(param_info.param.label); });

TEST(FailedWrite, ConsoleOnAFullDeviceIsNotASuccess) {
  TempDir dir;
  fs::copy_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt", dir.file("poligonal.txt"));
  const ProcessRun run = run_executable(dir.path().string(), example_answers("declinada-aberta"), "/dev/full");
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("saída padrão"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace elipses::testing
