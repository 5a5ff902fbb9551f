#pragma once
// The built executable run as a separate process, as a person or a script runs it.
#include <string>

namespace elipses::testing {

struct ProcessRun {
  int status = -1;  // exit status; -1 when the process did not exit normally
  std::string out;
  std::string err;
};

// Runs the executable in `directory` with `input` as its standard input. Standard output
// goes to `stdout_path` when given (e.g. /dev/full), otherwise it is captured. A run
// still going after two minutes is ended and gets status 124. `file_size_limit` (bytes,
// a multiple of 512) stands in for a full disk: no file the run writes may grow past it.
ProcessRun run_executable(const std::string& directory, const std::string& input,
                          const std::string& stdout_path = "", long file_size_limit = 0);

}  // namespace elipses::testing
