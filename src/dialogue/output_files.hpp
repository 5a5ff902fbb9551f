#pragma once
// The output files of a run. Each is written to a temporary file beside the one it will
// replace, and all are moved into place together only when the run ends as it should:
// an input error, the end of the input, an interrupt (even one during the swap itself)
// or a failed write leaves the earlier results byte for byte as they were, and no
// temporary file behind.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "common/failure.hpp"
#include "dialogue/platform.hpp"

namespace elipses {

// An output file that could not be created, written completely or put in place.
struct OutputError : Failure {
  using Failure::Failure;
};

class OutputFiles {
 public:
  // How a finished file is moved over another: the empty text on success, else the
  // reason. The system's (replace_file) unless a test stands a failing one in for it.
  using MoveFile = std::string (*)(const std::string& from, const std::string& to);

  // The folder is created when missing.
  explicit OutputFiles(std::string directory, MoveFile move = nullptr);
  ~OutputFiles();  // removes every temporary file not moved into place
  OutputFiles(const OutputFiles&) = delete;
  OutputFiles& operator=(const OutputFiles&) = delete;

  // A new temporary file that will become `name` in the folder.
  std::ostream& create(const std::string& name);
  // Completes every file, then moves each over its final name. An interrupt that comes
  // meanwhile is held back until the swap is over, then undoes it: the earlier files
  // come back, the new ones go, and the run ends with the interrupt's status.
  void finish();

  // The folder as the user reads it, and the names of the files created.
  std::string directory_for_messages() const;
  std::vector<std::string> names() const;

 private:
  struct File {
    std::string name;
    std::string final_path;
    std::string temporary_path;
    OutputFileBuffer buffer;
    std::ostream stream{&buffer};
    int slot = -1;  // its place among the files an interrupt puts back as they were
  };
  std::string directory_;
  MoveFile move_;
  std::vector<std::unique_ptr<File>> files_;
};

// Until a run's files are in place, an interrupt (Ctrl-C, SIGTERM, SIGHUP; on Windows also
// Ctrl-Break and the console window closing) removes the temporary files, says so in one
// line and ends with status 128 + the signal number.
void remove_temporaries_on_interrupt();

}  // namespace elipses
