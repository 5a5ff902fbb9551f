// Hostile input through the built executable: binary garbage, very long lines, files
// and answer streams cut short, a folder given as the coordinate file. Each ends with a
// message and status 1, never a crash or a hang, and a refused file leaves the output
// files of an earlier run as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>
#include <ostream>
#include <string>
#include <vector>

#include "hardening_process.hpp"
#include "test_support.hpp"

namespace elipses::testing {
namespace {

namespace fs = std::filesystem;

const std::string open_answers = "1\n1000\n2.5\nd\na\n3\n2\n20\n0.005\n0.005\n0\n";

std::string random_bytes(std::size_t size, unsigned seed, bool with_nul) {
  std::mt19937 random(seed);
  std::string bytes(size, ' ');
  for (char& c : bytes) {
    c = static_cast<char>(random() & 0xFF);
    if (!with_nul && c == '\0') c = '\x01';
  }
  return bytes;
}

struct HostileFileCase {
  const char* label;
  std::string content;
};

void PrintTo(const HostileFileCase& c, std::ostream* os) { *os << c.label; }

std::string case_label(const ::testing::TestParamInfo<HostileFileCase>& case_info) { return case_info.param.label; }

class HostileFileTest : public ::testing::TestWithParam<HostileFileCase> {};

TEST_P(HostileFileTest, IsRefusedLeavingEarlierFilesAlone) {
  TempDir dir;
  write_file(dir.file("pontos.txt"), GetParam().content);
  write_file(dir.file("elipses.txt"), "earlier table\r\n");
  write_file(dir.file("elipses.scr"), "earlier script\r\n");
  const ProcessRun run = run_executable(dir.path().string(), "pontos.txt\n" + open_answers);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.rfind("elipses: ", 0), 0U) << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err.substr(0, 300);
  EXPECT_LT(run.err.size(), 400U) << "the message quotes a short excerpt only";
  EXPECT_EQ(read_file(dir.file("elipses.txt")), "earlier table\r\n");
  EXPECT_EQ(read_file(dir.file("elipses.scr")), "earlier script\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Files, HostileFileTest,
    ::testing::Values(
        HostileFileCase{"binary_garbage", random_bytes(1 << 20, 1, true)},
        HostileFileCase{"binary_garbage_without_nul", random_bytes(1 << 20, 2, false)},
        HostileFileCase{"nul_after_valid_points", "A 100 200\nB 150 260\n" + std::string(1, '\0') + "\n"},
        HostileFileCase{"very_long_number", "A " + std::string(8 << 20, '7') + " 200\nB 150 260\n"},
        HostileFileCase{"very_long_name_then_nothing", std::string(8 << 20, 'N')},
        HostileFileCase{"very_long_quoted_name_unclosed", "\"" + std::string(8 << 20, 'q')},
        HostileFileCase{"cut_in_the_middle_of_a_point", "A 100 200\nB 150 260\nC 300"},
        HostileFileCase{"cut_in_the_middle_of_a_number", "A 100 200\nB 150 2.6e"},
        HostileFileCase{"cut_in_a_quoted_name", "A 100 200\n\"B"},
        HostileFileCase{"only_line_ends", std::string(100000, '\n')},
        HostileFileCase{"empty", ""}),
    case_label);

TEST(HostileInput, AFolderGivenAsTheCoordinateFileIsRefused) {
  TempDir dir;
  fs::create_directory(dir.file("pasta"));
  const ProcessRun run = run_executable(dir.path().string(), "pasta\n" + open_answers);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("pasta"), std::string::npos) << run.err;
  EXPECT_FALSE(file_exists(dir.file("elipses.txt")));
  EXPECT_FALSE(file_exists(dir.file("elipses.scr")));
}

// A device that never ends, given (through a link) as the coordinate file, is refused at
// its first NUL byte rather than read until memory runs out.
class EndlessDeviceTest : public ::testing::TestWithParam<const char*> {};

TEST_P(EndlessDeviceTest, IsRefusedAtOnce) {
  TempDir dir;
  fs::create_symlink(GetParam(), dir.file("pontos.txt"));
  write_file(dir.file("elipses.txt"), "earlier table\r\n");
  const ProcessRun run = run_executable(dir.path().string(), "pontos.txt\n" + open_answers);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("byte nulo"), std::string::npos) << run.err;
  EXPECT_EQ(read_file(dir.file("elipses.txt")), "earlier table\r\n");
  EXPECT_FALSE(file_exists(dir.file("elipses.scr")));
}

INSTANTIATE_TEST_SUITE_P(Devices, EndlessDeviceTest, ::testing::Values("/dev/zero", "/dev/full"));

TEST(HostileInput, VeryLongAnswerLines) {
  TempDir dir;
  fs::copy_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt", dir.file("poligonal.txt"));
  // Eight million blanks before the option are passed over like a blank line.
  const ProcessRun blanks = run_executable(dir.path().string(), "poligonal.txt\n" + std::string(8 << 20, ' ') + open_answers);
  EXPECT_EQ(blanks.status, 0) << blanks.err;
  // Eight million digits cannot be a 32-bit option; the message quotes a short excerpt.
  const ProcessRun digits = run_executable(dir.path().string(), "poligonal.txt\n" + std::string(8 << 20, '9') + "\n");
  EXPECT_EQ(digits.status, 1);
  EXPECT_LT(digits.err.size(), 400U);
  // A file name of eight million characters names no file.
  TempDir empty;
  const ProcessRun name = run_executable(empty.path().string(), std::string(8 << 20, 'f') + "\n");
  EXPECT_EQ(name.status, 1);
  EXPECT_FALSE(file_exists(empty.file("elipses.txt")));
}

TEST(HostileInput, BinaryGarbageAsTheAnswers) {
  TempDir dir;
  fs::copy_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt", dir.file("poligonal.txt"));
  for (unsigned seed = 1; seed <= 4; ++seed) {
    const ProcessRun run = run_executable(dir.path().string(), "poligonal.txt\n" + random_bytes(4096, seed, true));
    EXPECT_TRUE(run.status == 0 || run.status == 1) << run.status;
    if (run.status == 1) {
      // Warnings may come first; the error itself is the last line.
      const std::size_t last = run.err.rfind('\n', run.err.size() - 2);
      EXPECT_EQ(run.err.find("elipses: aviso", last == std::string::npos ? 0 : last + 1), std::string::npos) << run.err;
    }
  }
}

std::set<std::string> listing(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path())) names.insert(entry.path().filename().string());
  return names;
}

// Answer streams that end before the dialogue does, at every prompt of each computation:
// a message, and the earlier results as they were, with no temporary file behind.
class CutAnswersTest : public ::testing::TestWithParam<const char*> {};

TEST_P(CutAnswersTest, EndWithAMessageAtEveryPromptKeepingEarlierResults) {
  const std::string answers = read_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/respostas-" + GetParam() + ".txt");
  const std::string coordinates = read_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt");
  // The first line names the file; every later line answers one prompt.
  std::vector<std::string> lines;
  for (std::size_t from = answers.find('\n') + 1; from < answers.size();) {
    const std::size_t end = answers.find('\n', from);
    lines.push_back(answers.substr(from, end - from + 1));
    from = end == std::string::npos ? answers.size() : end + 1;
  }
  std::string kept;
  for (const std::string& line : lines) {
    TempDir dir;
    write_file(dir.file("poligonal.txt"), coordinates);
    write_file(dir.file("elipses.txt"), "earlier table\r\n");
    write_file(dir.file("elipses.scr"), "earlier script\r\n");
    const std::set<std::string> before = listing(dir);
    const Session s = run_session_in(dir, dir.file("poligonal.txt") + "\n" + kept);
    EXPECT_EQ(s.status, 1) << "cut after: " << kept;
    EXPECT_NE(s.err.find("a entrada terminou"), std::string::npos) << s.err;
    EXPECT_EQ(s.err.find('\n'), s.err.size() - 1) << s.err;
    EXPECT_EQ(s.table, "earlier table\r\n");
    EXPECT_EQ(s.script, "earlier script\r\n");
    EXPECT_EQ(listing(dir), before);
    kept += line;
  }
  EXPECT_EQ(run_session(coordinates, kept).status, 0);
}

INSTANTIATE_TEST_SUITE_P(Examples, CutAnswersTest,
                         ::testing::Values("goniometrica-aberta", "goniometrica-fechada", "declinada-aberta",
                                           "declinada-fechada"));

TEST(HostileInput, ALargeTraverseRunsThrough) {
  // Fifty thousand points in declined mode: no limit hit, every point in the table.
  std::string coordinates;
  for (int i = 0; i < 50000; ++i) {
    coordinates += "P" + std::to_string(i) + " " + std::to_string(100000 + 150 * i) + " " +
                   std::to_string(200000 + (i % 2) * 80) + "\n";
  }
  TempDir dir;
  write_file(dir.file("grande.txt"), coordinates);
  const ProcessRun run = run_executable(dir.path().string(), "grande.txt\n1\n1000\n2.5\nd\nf\n3\n2\n20\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_GE(crlf_lines(read_file(dir.file("elipses.txt"))).size(), 50000U);
}

}  // namespace
}  // namespace elipses::testing
