// An interrupt (Ctrl-C, a terminal closing, a SIGTERM from a session manager) at the first
// question, at a later one, while a long run computes and writes, and while the new files
// are being swapped for the earlier ones: the folder is left exactly as it was (the earlier
// results byte for byte, no temporary file), one line says so, and the exit status is
// 128 + the signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "dialogue/output_files.hpp"
#include "dialogue/platform.hpp"
#include "test_support.hpp"

namespace elipses::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kept_message = "elipses: interrompido; os ficheiros de resultados anteriores ficam como estavam\n";

// Every file of a folder and its bytes.
std::map<std::string, std::string> folder_contents(const fs::path& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : fs::directory_iterator(folder)) {
    contents[entry.path().filename().string()] = read_file(entry.path().string());
  }
  return contents;
}

// A closed traverse of 10,000 points in rows of 100, legs of about 150 m, with names
// unique in their first four characters: its reliability takes seconds, long after its
// table has been written to the temporary file.
std::string large_traverse() {
  const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::ostringstream text;
  for (int i = 0; i < 10000; ++i) {
    const int row = i / 100;
    const int column = row % 2 == 0 ? i % 100 : 99 - i % 100;
    text << 'A' << digits[i / 1296 % 36] << digits[i / 36 % 36] << digits[i % 36] << ' ' << 100000 + 150 * column
         << ' ' << 200000 + 150 * row + (i % 5) * 3 << '\n';
  }
  return text.str();
}

struct SignalCase {
  const char* label;
  int signal_number;
  std::vector<std::string> arguments;  // empty: the dialogue
  const char* typed;                   // what is typed before the signal
  const char* waiting_for;             // the prompt it waits at; empty: until the table is being written
  const char* said;                    // the whole error stream
};

void PrintTo(const SignalCase& c, std::ostream* os) { *os << c.label; }

bool table_being_written(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    std::error_code error;
    if (name.rfind(".elipses.txt.", 0) == 0 && fs::file_size(entry.path(), error) > 0) return true;
  }
  return false;
}

class SignalTest : public ::testing::TestWithParam<SignalCase> {};

TEST_P(SignalTest, LeavesTheFolderAsItWas) {
  const SignalCase& c = GetParam();
  TempDir dir;
  fs::copy_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt", dir.file("poligonal.txt"));
  if (!c.arguments.empty()) write_file(dir.file("grande.txt"), large_traverse());
  write_file(dir.file("elipses.txt"), "earlier table\r\n");
  write_file(dir.file("elipses.scr"), "earlier script\r\n");
  write_file(dir.file("elipses-fiabilidade.txt"), "earlier reliability\r\n");
  const auto before = folder_contents(dir.path());
  int input[2];
  ASSERT_EQ(pipe(input), 0);
  const std::string out_path = (dir.path().parent_path() / (dir.path().filename().string() + ".out")).string();
  const std::string err_path = out_path + ".err";
  std::vector<char*> argv{const_cast<char*>(ELIPSES_EXECUTABLE)};
  for (const std::string& argument : c.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (chdir(dir.path().c_str()) != 0) _exit(99);
    dup2(input[0], 0);
    close(input[1]);
    dup2(open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    dup2(open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    execv(ELIPSES_EXECUTABLE, argv.data());
    _exit(98);
  }
  close(input[0]);
  const std::string typed = c.typed;
  ASSERT_EQ(write(input[1], typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
  const std::string waiting_for = c.waiting_for;
  const auto reached = [&] {
    return waiting_for.empty() ? table_being_written(dir.path())
                               : read_file(out_path).find(waiting_for) != std::string::npos;
  };
  // The long run writes its table only after the whole pre-analysis, reliability included:
  // about 8 s of a Release build, 15 s under the sanitizers, more on a busy machine.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!reached() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const bool was_reached = reached();
  kill(pid, c.signal_number);
  int raw = 0;
  ASSERT_EQ(waitpid(pid, &raw, 0), pid);
  close(input[1]);
  ASSERT_TRUE(was_reached) << "never reached: " << (waiting_for.empty() ? "the table being written" : waiting_for);
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 128 + c.signal_number);
  EXPECT_EQ(read_file(err_path), c.said);
  EXPECT_EQ(folder_contents(dir.path()), before);
  fs::remove(out_path);
  fs::remove(err_path);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, SignalTest,
    ::testing::Values(
        SignalCase{"int_at_the_first_question", SIGINT, {}, "", "Nome do ficheiro de coordenadas: ",
                   "elipses: interrompido\n"},
        SignalCase{"int_at_the_level_menu", SIGINT, {}, "poligonal.txt\n", "Opcao: ", kept_message},
        SignalCase{"term_at_the_text_height", SIGTERM, {}, "poligonal.txt\n5\n2000\n", "Altura do texto: ",
                   kept_message},
        SignalCase{"hup_at_the_final_point",
                   SIGHUP,
                   {},
                   "poligonal.txt\n5\n2000\n2.5\ng\nf\n3\n2\n5\n0.005\n0.005\n0\n0.008\n",
                   "ponto final (m): Desvio padrao da coordenada P do ponto final (m): ",
                   kept_message},
        SignalCase{"int_during_a_long_run",
                   SIGINT,
                   {"grande.txt", "--modo", "g", "--poligonal", "f", "--mm", "3", "--ppm", "2", "--segundos", "5",
                    "--inicial", "0.005,0.005,0", "--final", "0.005,0.005,0", "--fiabilidade"},
                   "",
                   "",
                   kept_message}),
    [](const ::testing::TestParamInfo<SignalCase>& param_info) { return std::string(param_info.param.label); });

// An interrupt during the swap, made to come at one of its moves (SIGINT raised from
// within the move), with the earlier files a run may find. Three files: the table, the
// script, and a further result.
struct SwapCase {
  const char* label;
  std::vector<const char*> earlier;  // the files there before the run
  int interrupted_move;              // 1, 2, ...: the move during which SIGINT comes
  int failing_move;                  // 0, or a move that fails as well
};

void PrintTo(const SwapCase& c, std::ostream* os) { *os << c.label; }

SwapCase swap_case;
int moves_made = 0;

std::string move_interrupted(const std::string& from, const std::string& to) {
  ++moves_made;
  if (moves_made == swap_case.interrupted_move) raise(SIGINT);
  if (moves_made == swap_case.failing_move) return "falha simulada";
  return replace_file(from, to);
}

class SwapSignalTest : public ::testing::TestWithParam<SwapCase> {};

TEST_P(SwapSignalTest, PutsTheEarlierFilesBack) {
  swap_case = GetParam();
  TempDir dir;
  for (const char* name : swap_case.earlier) write_file(dir.file(name), std::string("earlier ") + name + "\r\n");
  const auto before = folder_contents(dir.path());
  const auto run = [&] {
    remove_temporaries_on_interrupt();
    moves_made = 0;
    OutputFiles files(dir.path().string(), move_interrupted);
    files.create("elipses.txt") << "new table\r\n";
    files.create("elipses.scr") << "new script\r\n";
    files.create("elipses-fiabilidade.txt") << "new reliability\r\n";
    try {
      files.finish();
    } catch (const OutputError&) {
      _exit(1);
    }
    _exit(0);
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(128 + SIGINT), ::testing::Eq(std::string(kept_message)));
  EXPECT_EQ(folder_contents(dir.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Swap, SwapSignalTest,
    ::testing::Values(
        // The moves with both earlier files: set aside the table (1) and the script (2),
        // then move in the table (3), the script (4) and the reliability (5).
        SwapCase{"setting_aside_the_first", {"elipses.txt", "elipses.scr"}, 1, 0},
        SwapCase{"moving_in_the_first", {"elipses.txt", "elipses.scr"}, 3, 0},
        SwapCase{"moving_in_the_last", {"elipses.txt", "elipses.scr"}, 5, 0},
        SwapCase{"every_file_new", {}, 2, 0},
        SwapCase{"only_the_further_result_earlier", {"elipses-fiabilidade.txt"}, 4, 0},
        SwapCase{"and_a_move_that_fails", {"elipses.txt", "elipses.scr"}, 1, 4}),
    [](const ::testing::TestParamInfo<SwapCase>& param_info) { return std::string(param_info.param.label); });

}  // namespace
}  // namespace elipses::testing
