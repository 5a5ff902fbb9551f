#include "test_support.hpp"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

#include "dialogue/program_driver.hpp"

namespace elipses::testing {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  for (;;) {
    path_ = std::filesystem::temp_directory_path() /
            ("elipses-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool file_exists(const std::string& path) { return std::filesystem::exists(path); }

Session run_session_in(const TempDir& dir, const std::string& typed_input) {
  std::istringstream in(typed_input);
  std::ostringstream out;
  std::ostringstream err;
  Session session;
  RunSettings given;
  given.output_directory = dir.path().string();
  session.status = run_program(in, out, err, given);
  session.out = out.str();
  session.err = err.str();
  session.table_exists = file_exists(dir.file("elipses.txt"));
  session.script_exists = file_exists(dir.file("elipses.scr"));
  if (session.table_exists) session.table = read_file(dir.file("elipses.txt"));
  if (session.script_exists) session.script = read_file(dir.file("elipses.scr"));
  return session;
}

Session run_session(const std::string& coordinates, const std::string& answers) {
  TempDir dir;
  write_file(dir.file("pontos.txt"), coordinates);
  return run_session_in(dir, dir.file("pontos.txt") + "\n" + answers);
}

std::vector<std::string> crlf_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

PointList list_of(const std::vector<std::pair<double, double>>& coordinates) {
  PointList list;
  for (const auto& [m, p] : coordinates) list.points.push_back(Point{"P   ", m, p});
  list.n = static_cast<std::int32_t>(list.points.size());
  return list;
}

}  // namespace elipses::testing
