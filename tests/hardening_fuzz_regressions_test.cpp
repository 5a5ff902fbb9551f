// Replays the fuzzers' seeds and every input a fuzzer ever reported (kept under
// tests/fuzz_regressions/) through the same checks the fuzz targets make.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "fuzz_checks.hpp"
#include "test_support.hpp"

namespace elipses::testing {
namespace {

namespace fs = std::filesystem;

struct Replay {
  std::string target;  // coordinate_file, session or options
  fs::path input;
};

std::vector<Replay> replays() {
  std::vector<Replay> all;
  const fs::path source = ELIPSES_SOURCE_DIR;
  for (const std::string target : {"coordinate_file", "session", "options"}) {
    for (const fs::path& folder : {source / "fuzz" / "seeds" / target, source / "tests" / "fuzz_regressions" / target}) {
      if (!fs::is_directory(folder)) continue;
      std::vector<fs::path> files;
      for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name != "README.md" && name.front() != '.') files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
      for (const fs::path& file : files) all.push_back({target, file});
    }
  }
  return all;
}

void PrintTo(const Replay& r, std::ostream* os) { *os << r.input.filename().string(); }

std::string test_name(const ::testing::TestParamInfo<Replay>& info) {
  std::string name = info.param.target + "_" + info.param.input.parent_path().parent_path().filename().string() + "_" +
                     info.param.input.filename().string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

class FuzzReplayTest : public ::testing::TestWithParam<Replay> {};

TEST_P(FuzzReplayTest, KeepsEveryProperty) {
  const Replay& replay = GetParam();
  const std::string bytes = read_file(replay.input.string());
  TempDir dir;
  const std::string fault = replay.target == "session"   ? fuzzing::check_session(bytes, dir.path().string())
                            : replay.target == "options" ? fuzzing::check_options(bytes, dir.path().string())
                                                         : fuzzing::check_coordinate_file(bytes, dir.path().string());
  EXPECT_EQ(fault, "") << replay.input;
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzReplayTest, ::testing::ValuesIn(replays()), test_name);

// The checks themselves must see what they are there to see.
TEST(FuzzChecks, SeeAnAcceptedTraverseThroughTheFourComputations) {
  TempDir dir;
  EXPECT_EQ(fuzzing::check_coordinate_file("A 100 200\nB 150 260\nC 1e150 -1e150\nD 4.9e-324 0\n", dir.path().string()), "");
  EXPECT_TRUE(file_exists(dir.file("elipses.txt")));
  EXPECT_TRUE(file_exists(dir.file("elipses.scr")));
}

}  // namespace
}  // namespace elipses::testing
