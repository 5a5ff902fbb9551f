#include "fuzz_checks.hpp"

#include <charconv>
#include <cmath>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "input/coordinate_file.hpp"
#include "input/input_error.hpp"
#include "dialogue/program_driver.hpp"

namespace elipses::fuzzing {

namespace {

// Above this many points the goniometric computations (quadratic in the points) would
// slow the fuzzer down for nothing the reader passes have not already shown.
constexpr std::int32_t most_points_computed = 64;

// A small traverse of realistic legs; its names hold none of the letters sought below.
constexpr const char* small_traverse =
    "\"E01\", 152384.215, 234961.730\r\n"
    "\"P1\", 152522.571, 235215.742\r\n"
    "\"P2\", 152448.627, 235639.237\r\n"
    "\"P3\", 152306.163, 235991.984\r\n"
    "\"E02\", 152242.550, 236154.948\r\n";

std::string path_in(const std::string& directory, const char* name) { return directory + "/" + name; }

void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool read_bytes(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return false;
  std::ostringstream content;
  content << in.rdbuf();
  bytes = content.str();
  return true;
}

std::string lower_case(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// A NaN or an infinity printed as text, or a NUL byte, in an output file.
std::string output_file_fault(const std::string& path) {
  std::string bytes;
  if (!read_bytes(path, bytes)) return {};
  if (bytes.find('\0') != std::string::npos) return path + " holds a NUL byte";
  const std::string lower = lower_case(bytes);
  if (lower.find("nan") != std::string::npos) return path + " holds \"nan\"";
  if (lower.find("inf") != std::string::npos) return path + " holds \"inf\"";
  return {};
}

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
  std::string fault;  // an exception that escaped, or a fault in an output file
};

RunResult run_whole_session(const std::string& typed, const std::string& directory) {
  const std::string table = path_in(directory, "elipses.txt");
  const std::string script = path_in(directory, "elipses.scr");
  std::error_code ignored;  // absent already is as good as removed
  std::filesystem::remove(table, ignored);
  std::filesystem::remove(script, ignored);
  RunResult result;
  std::istringstream in(typed);
  std::ostringstream out;
  std::ostringstream err;
  try {
    RunSettings given;
    given.output_directory = directory;
    result.status = run_program(in, out, err, given);
  } catch (const std::exception& error) {
    result.fault = std::string("exception escaped the run: ") + error.what();
    return result;
  } catch (...) {
    result.fault = "an exception of unknown type escaped the run";
    return result;
  }
  result.out = out.str();
  result.err = err.str();
  result.fault = output_file_fault(table);
  if (result.fault.empty()) result.fault = output_file_fault(script);
  return result;
}

bool same_value(double a, double b) { return a == b && std::signbit(a) == std::signbit(b); }

// Both passes read the same characters, so they must agree to the sign of a zero.
bool same_point(const Point& a, const Point& b) {
  return a.name == b.name && same_value(a.m, b.m) && same_value(a.p, b.p);
}

std::string shortest_text(double value) {
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  return std::string(digits, result.ptr);
}

// The loaded points again, renamed P1, P2, ... and written with the shortest text that
// reads back as the same double, so that the output files can be searched for NaN text
// without a point name getting in the way.
std::string renamed_traverse(const PointList& points) {
  std::string text;
  for (std::int32_t i = 1; i <= points.n; ++i) {
    text += "P" + std::to_string(i) + " " + shortest_text(points.at(i).m) + " " + shortest_text(points.at(i).p) + "\n";
  }
  return text;
}

// The answers after the file name for each of the four computations.
std::string computation_answers(char mode, char traverse, int option) {
  std::string answers = std::to_string(option) + "\n1000\n2.5\n" + mode + "\n" + traverse + "\n3\n2\n5\n";
  const bool goniometric = mode == 'g';
  const bool open = traverse == 'a';
  if (goniometric || open) answers += "0.005\n0.005\n0\n";
  if (goniometric && !open) answers += "0.008\n0.006\n0.00001\n";
  return answers;
}

std::string check_computations(const PointList& points, const std::string& directory, int option) {
  const std::string file = path_in(directory, "renomeados.txt");
  write_bytes(file, renamed_traverse(points));
  for (const char mode : {'g', 'd'}) {
    for (const char traverse : {'a', 'f'}) {
      const RunResult run = run_whole_session(file + "\n" + computation_answers(mode, traverse, option), directory);
      const std::string which = std::string("computation ") + mode + traverse + ": ";
      if (!run.fault.empty()) return which + run.fault;
      if (run.status != 0) return which + "status " + std::to_string(run.status) + " on an accepted file: " + run.err;
    }
  }
  return {};
}

}  // namespace

std::string check_coordinate_file(const std::string& bytes, const std::string& work_directory) {
  const std::string path = path_in(work_directory, "coordenadas.txt");
  write_bytes(path, bytes);
  PointList loaded;
  try {
    CoordinateFile file;
    open_coordinate_file(file, path);
    const std::int32_t n = count_points(file);
    check_traverse(file, n);
    loaded = load_points(file, n);
    if (loaded.n != n || loaded.points.size() != static_cast<std::size_t>(n)) return "load_points stored a wrong count";
    const PointList reversed = load_points_reversed(file, n);
    for (std::int32_t i = 1; i <= n; ++i) {
      const Point& point = loaded.at(i);
      if (!std::isfinite(point.m) || !std::isfinite(point.p)) {
        return "point " + std::to_string(i) + " was loaded with a coordinate that is not finite";
      }
      if (point.name.size() < 4 || point.name.size() > 16) {
        return "point " + std::to_string(i) + " has a name of " + std::to_string(point.name.size()) + " bytes";
      }
      if (!same_point(point, reversed.at(n + 1 - i))) {
        return "the reverse pass read point " + std::to_string(i) + " differently from the load pass";
      }
    }
  } catch (const InputError&) {
    return {};  // refused with a message: what a bad file must get
  } catch (const std::exception& error) {
    return std::string("exception other than an input error: ") + error.what();
  } catch (...) {
    return "an exception of unknown type escaped the reader";
  }
  if (loaded.n > most_points_computed) return {};
  return check_computations(loaded, work_directory, 1 + static_cast<int>(bytes.size() % 8));
}

std::string check_session(const std::string& answers, const std::string& work_directory) {
  const std::string file = path_in(work_directory, "pontos.txt");
  write_bytes(file, small_traverse);
  const RunResult run = run_whole_session(file + "\n" + answers, work_directory);
  if (!run.fault.empty()) return run.fault;
  if (run.status != 0 && run.status != 1) return "exit status " + std::to_string(run.status);
  if (run.status == 1 && (run.err.rfind("elipses: ", 0) != 0 || run.err.back() != '\n')) {
    return "status 1 without a message on the error stream";
  }
  return {};
}

}  // namespace elipses::fuzzing
