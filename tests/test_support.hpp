#pragma once
// Shared by the suites: a temporary working directory and whole sessions of the
// dialogue run in-process.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "propagation/traverse_model.hpp"

namespace elipses::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

void write_file(const std::string& path, const std::string& content);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

struct Session {
  int status = -1;
  std::string out;
  std::string err;
  std::string table;   // elipses.txt, empty when absent
  std::string script;  // elipses.scr, empty when absent
  bool table_exists = false;
  bool script_exists = false;
};

// Writes `coordinates` as the coordinate file of a fresh directory and runs the whole
// dialogue there; `answers` are the lines typed after the file name.
Session run_session(const std::string& coordinates, const std::string& answers);
// The same in a given directory, the file name typed as given.
Session run_session_in(const TempDir& dir, const std::string& typed_input);

// The CR LF lines of a file, without their line ends.
std::vector<std::string> crlf_lines(const std::string& text);

// A traverse of points named "P" at the given (M, P), in metres.
PointList list_of(const std::vector<std::pair<double, double>>& coordinates);

}  // namespace elipses::testing
