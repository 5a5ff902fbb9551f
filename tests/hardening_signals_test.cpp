// An interrupt while the program waits for an answer (Ctrl-C, a terminal closing, a
// SIGTERM from a session manager): the temporary outputs are removed, one line says so,
// the exit status is 128 + the signal, and the earlier results are byte for byte as they
// were.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "test_support.hpp"

namespace elipses::testing {
namespace {

namespace fs = std::filesystem;

struct SignalCase {
  int signal_number;
  const char* typed;       // what is typed before the signal
  const char* waiting_for; // the prompt the program is waiting at
};

class SignalTest : public ::testing::TestWithParam<SignalCase> {};

TEST_P(SignalTest, RemovesTemporariesAndKeepsEarlierResults) {
  const SignalCase& c = GetParam();
  TempDir dir;
  fs::copy_file(std::string(ELIPSES_SOURCE_DIR) + "/examples/poligonal.txt", dir.file("poligonal.txt"));
  write_file(dir.file("elipses.txt"), "earlier table\r\n");
  write_file(dir.file("elipses.scr"), "earlier script\r\n");
  int input[2];
  ASSERT_EQ(pipe(input), 0);
  const std::string out_path = (dir.path().parent_path() / (dir.path().filename().string() + ".out")).string();
  const std::string err_path = out_path + ".err";
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (chdir(dir.path().c_str()) != 0) _exit(99);
    dup2(input[0], 0);
    close(input[1]);
    dup2(open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    dup2(open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    execl(ELIPSES_EXECUTABLE, ELIPSES_EXECUTABLE, static_cast<char*>(nullptr));
    _exit(98);
  }
  close(input[0]);
  const std::string typed = c.typed;
  ASSERT_EQ(write(input[1], typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
  // Wait until the program shows the prompt it will wait at.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (read_file(out_path).find(c.waiting_for) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_NE(read_file(out_path).find(c.waiting_for), std::string::npos);
  kill(pid, c.signal_number);
  int raw = 0;
  ASSERT_EQ(waitpid(pid, &raw, 0), pid);
  close(input[1]);
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 128 + c.signal_number);
  const std::string err = read_file(err_path);
  EXPECT_NE(err.find("interrompido"), std::string::npos) << err;
  EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line: " << err;
  EXPECT_EQ(read_file(dir.file("elipses.txt")), "earlier table\r\n");
  EXPECT_EQ(read_file(dir.file("elipses.scr")), "earlier script\r\n");
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path())) names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"elipses.scr", "elipses.txt", "poligonal.txt"}));
  fs::remove(out_path);
  fs::remove(err_path);
}

INSTANTIATE_TEST_SUITE_P(
    WhileWaiting, SignalTest,
    ::testing::Values(SignalCase{SIGINT, "poligonal.txt\n", "Opcao: "},
                      SignalCase{SIGTERM, "poligonal.txt\n5\n2000\n", "Altura do texto: "},
                      SignalCase{SIGHUP, "poligonal.txt\n5\n2000\n2.5\ng\nf\n3\n2\n5\n0.005\n0.005\n0\n0.008\n",
                                 "ponto final (m): Desvio padrao da coordenada P do ponto final (m): "}));

}  // namespace
}  // namespace elipses::testing
