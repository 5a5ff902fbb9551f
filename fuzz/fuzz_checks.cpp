#include "fuzz_checks.hpp"

#include <charconv>
#include <cmath>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "input/coordinate_file.hpp"
#include "input/input_error.hpp"
#include "dialogue/command_line.hpp"
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

// ---- A whole command line ----

namespace fs = std::filesystem;

// The command line target's limits: a run with every further result over a few dozen
// points takes milliseconds; more arguments than every option twice add nothing.
constexpr std::int32_t most_points_run = 40;
constexpr std::size_t most_arguments = 64;

struct CommandLineInput {
  std::vector<std::string> arguments;
  std::string coordinate_file;
  std::string typed;  // standard input
};

// The arguments one a line (an empty line is an empty argument), NUL, the coordinate
// file, NUL, standard input: the layout of tests/cases (args, files/, stdin) in one input.
CommandLineInput split_command_line_input(const std::string& bytes) {
  CommandLineInput input;
  const std::size_t first = bytes.find('\0');
  const std::string listed = bytes.substr(0, first);
  if (first != std::string::npos) {
    const std::size_t second = bytes.find('\0', first + 1);
    input.coordinate_file = bytes.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    if (second != std::string::npos) input.typed = bytes.substr(second + 1);
  }
  std::size_t from = 0;
  while (from < listed.size()) {
    const std::size_t end = listed.find('\n', from);
    input.arguments.push_back(listed.substr(from, end == std::string::npos ? std::string::npos : end - from));
    if (end == std::string::npos) break;
    from = end + 1;
  }
  return input;
}

// A relative path without "..": whatever the run makes of it stays in the scratch folder.
bool stays_inside(const std::string& path) {
  const fs::path given = fs::u8path(path);
  if (given.has_root_path()) return false;
  for (const fs::path& part : given) {
    if (part == "..") return false;
  }
  return true;
}

bool is_plain_name(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

std::string trimmed(const std::string& text) {
  const char* blanks = " \t\r\v\f\"";
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The dialogue's answers, the file name among them: none may lead out of the folder.
bool answers_stay_inside(const std::string& typed) {
  for (const std::string& line : lines_of(typed)) {
    const std::string answer = trimmed(line);
    if (!answer.empty() && (answer[0] == '/' || answer.find("..") != std::string::npos)) return false;
  }
  return true;
}

// The name the dialogue reads first: its first line holding more than blanks.
std::string first_answer(const std::string& typed) {
  for (const std::string& line : lines_of(typed)) {
    const std::string answer = trimmed(line);
    if (!answer.empty()) return answer;
  }
  return {};
}

// Every regular file under `folder`, by its path there, with its bytes.
std::map<std::string, std::string> files_under(const fs::path& folder) {
  std::map<std::string, std::string> files;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::string bytes;
    if (it->is_regular_file(error) && read_bytes(it->path().string(), bytes)) {
      files.emplace(it->path().lexically_relative(folder).string(), std::move(bytes));
    }
  }
  return files;
}

void empty_folder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  for (const auto& entry : fs::directory_iterator(folder, error)) fs::remove_all(entry.path(), error);
}

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// "nan", "inf" or "infinity" standing as a word, as a stream or printf writes a value
// that is not finite; "inferior" and "infinito" of the report's texts are words of their own.
bool has_non_finite_word(const std::string& text) {
  const std::string lower = lower_case(text);
  for (const char* word : {"nan", "inf", "infinity"}) {
    const std::string sought = word;
    for (std::size_t at = lower.find(sought); at != std::string::npos; at = lower.find(sought, at + 1)) {
      const bool starts = at == 0 || !is_letter(lower[at - 1]);
      const std::size_t after = at + sought.size();
      if (starts && (after == lower.size() || !is_letter(lower[after]))) return true;
    }
  }
  return false;
}

// Makes `folder` the working folder while it lives, as the program's own is when run.
class WorkingFolder {
 public:
  explicit WorkingFolder(const fs::path& folder) : previous_(fs::current_path()) { fs::current_path(folder); }
  ~WorkingFolder() {
    std::error_code ignored;  // the folder it came from cannot have gone
    fs::current_path(previous_, ignored);
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

 private:
  fs::path previous_;
};

// Earlier results in the folder every run writes to by default: a failure must leave them.
void write_earlier_results(const fs::path& folder) {
  for (const char* name : {"elipses.txt", "elipses.scr", "elipses-ajustada.txt", "elipses-relatorio.html"}) {
    write_bytes((folder / name).string(), std::string("resultado anterior: ") + name + "\r\n");
  }
}

// What the error stream must look like whatever the status: lines of their own, each
// "elipses: ..." (a message, a warning, what was written), none of an exception the
// program did not expect.
std::string error_stream_fault(const std::string& err) {
  if (!err.empty() && err.back() != '\n') return "the error stream does not end with a line end";
  for (const std::string& line : lines_of(err)) {
    if (line.rfind("elipses: ", 0) != 0) return "a line on the error stream is not a message: \"" + line + "\"";
    if (line.rfind("elipses: erro inesperado", 0) == 0) return "an unexpected exception: \"" + line + "\"";
  }
  return {};
}

int run_as_main(const CommandLine& line, const std::string& typed, std::string& err) {
  std::ostringstream out;
  std::ostringstream errors;
  int status = 0;
  if (line.action == CommandLine::Action::answers) {
    status = run_with_answers(line.settings, errors);
  } else {
    std::istringstream in(typed);
    status = run_program(in, out, errors, line.settings, false);
  }
  err = errors.str();
  return status;
}

std::string check_run(const CommandLine& line, const CommandLineInput& input, const fs::path& work) {
  const bool dialogue = line.action == CommandLine::Action::dialogue;
  const std::string coordinate_file_name = dialogue ? first_answer(input.typed) : line.settings.coordinate_file_name;
  if (!stays_inside(line.settings.output_directory) || !stays_inside(coordinate_file_name) ||
      (dialogue && !answers_stay_inside(input.typed))) {
    return {};
  }
  empty_folder(work);
  write_earlier_results(work);
  if (is_plain_name(coordinate_file_name)) {
    const std::string path = (work / coordinate_file_name).string();
    write_bytes(path, input.coordinate_file);
    try {
      CoordinateFile file;
      open_coordinate_file(file, path);
      if (count_points(file) > most_points_run) return {};
    } catch (const InputError&) {
      // the run refuses it too, which is checked below
    }
  }
  const std::map<std::string, std::string> before = files_under(work);

  int status = 0;
  std::string err;
  try {
    const WorkingFolder inside(work);
    status = run_as_main(line, input.typed, err);
  } catch (const std::exception& error) {
    return std::string("exception escaped the run: ") + error.what();
  } catch (...) {
    return "an exception of unknown type escaped the run";
  }

  if (status != 0 && status != 1) return "exit status " + std::to_string(status);
  std::string fault = error_stream_fault(err);
  if (!fault.empty()) return fault;
  const std::map<std::string, std::string> after = files_under(work);
  if (status == 1) {
    if (err.empty()) return "status 1 without a message";
    for (const auto& [name, bytes] : before) {
      const auto kept = after.find(name);
      if (kept == after.end()) return "a failed run removed " + name;
      if (kept->second != bytes) return "a failed run changed " + name;
    }
    for (const auto& [name, bytes] : after) {
      if (before.count(name) == 0) return "a failed run left " + name;
    }
    return {};
  }
  if (!dialogue && after.count((fs::path(line.settings.output_directory) / "elipses.txt").lexically_normal().string()) == 0) {
    return "status 0 without elipses.txt in the output folder";
  }
  std::string given = input.coordinate_file + input.typed;
  for (const std::string& argument : input.arguments) given += argument + "\n";
  // A name or a folder of the input may spell the words themselves.
  const bool words_given = lower_case(given).find("nan") != std::string::npos ||
                           lower_case(given).find("inf") != std::string::npos;
  if (!words_given && has_non_finite_word(err)) return "the error stream shows a value that is not finite";
  for (const auto& [name, bytes] : after) {
    const auto earlier = before.find(name);
    if (earlier != before.end() && earlier->second == bytes) continue;
    const std::string file_name = fs::path(name).filename().string();
    if (file_name.front() == '.' && file_name.size() > 4 && file_name.compare(file_name.size() - 4, 4, ".tmp") == 0) {
      return "a temporary was left: " + name;
    }
    if (bytes.find('\0') != std::string::npos) return name + " holds a NUL byte";
    if (!words_given && has_non_finite_word(bytes)) return name + " holds a value that is not finite";
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

std::string check_options(const std::string& bytes, const std::string& work_directory) {
  const CommandLineInput input = split_command_line_input(bytes);
  if (input.arguments.size() > most_arguments) return {};
  CommandLine line;
  try {
    line = read_command_line(input.arguments);
  } catch (const UsageError& error) {
    // main() writes it as one line with the pointer to --help, and stops with status 2.
    if (error.reason.empty()) return "a usage error without a reason";
    for (const char c : error.reason) {
      if (static_cast<unsigned char>(c) < 0x20) return "a usage error with a control character: " + error.reason;
    }
    return {};
  } catch (const std::exception& error) {
    return std::string("exception other than a usage error from the command line: ") + error.what();
  } catch (...) {
    return "an exception of unknown type escaped the command line";
  }
  if (line.action == CommandLine::Action::help || line.action == CommandLine::Action::version) return {};
  return check_run(line, input, fs::u8path(work_directory));
}

}  // namespace elipses::fuzzing
