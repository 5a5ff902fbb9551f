#include "hardening_process.hpp"

#include <sys/wait.h>

#include <cstdlib>

#include "test_support.hpp"

namespace elipses::testing {

namespace {

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

ProcessRun run_executable(const std::string& directory, const std::string& input, const std::string& stdout_path,
                          long file_size_limit) {
  const std::string in = directory + "/.stdin";
  const std::string out = directory + "/.stdout";
  const std::string err = directory + "/.stderr";
  write_file(in, input);
  // A run that hangs is ended after two minutes (status 124) instead of holding the suite.
  // sh counts the file size limit in blocks of 512 bytes; a write past it fails (the
  // signal it would raise is ignored, as a full disk raises none).
  const std::string limit =
      file_size_limit > 0 ? "trap '' XFSZ && ulimit -f " + std::to_string(file_size_limit / 512) + " && " : "";
  const std::string command = "cd " + quoted(directory) + " && " + limit + "timeout -k 5 120 " + quoted(ELIPSES_EXECUTABLE) +
                              " < " + quoted(in) +
                              " > " + quoted(stdout_path.empty() ? out : stdout_path) + " 2> " + quoted(err);
  const int raw = std::system(command.c_str());
  ProcessRun run;
  run.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  if (stdout_path.empty()) run.out = read_file(out);
  run.err = read_file(err);
  return run;
}

}  // namespace elipses::testing
