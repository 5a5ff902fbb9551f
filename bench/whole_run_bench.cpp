// Whole runs of the dialogue over planned traverses of 10 to 100,000 points, in each of
// the four computations: reading the coordinate file (three passes for a closed
// traverse), propagation, and writing both output files; and whole runs of the command
// line with the further results and the design sheet. Each case also runs the built
// executable once as a child process and reports its peak resident memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "dialogue/program_driver.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Computation {
  const char* name;
  const char* answers;  // typed after the file name
};

constexpr Computation computations[4] = {
    {"goniometric_open", "5\n2000\n2.5\ng\na\n3\n2\n5\n0.005\n0.005\n0\n"},
    {"goniometric_closed", "5\n2000\n2.5\ng\nf\n3\n2\n5\n0.005\n0.005\n0\n0.008\n0.006\n0.00001\n"},
    {"declined_open", "5\n2000\n2.5\nd\na\n3\n2\n20\n0.005\n0.005\n0\n"},
    {"declined_closed", "5\n2000\n2.5\nd\nf\n3\n2\n20\n"},
};

const fs::path& work_directory() {
  static const fs::path directory = [] {
    char name[] = "/tmp/elipses-bench-XXXXXX";
    if (mkdtemp(name) == nullptr) std::abort();
    return fs::path(name);
  }();
  return directory;
}

// A planned traverse of n points wandering north-east, legs of 100 to 600 m, written
// once per size.
std::string traverse_file(long n) {
  static std::map<long, std::string> written;
  auto found = written.find(n);
  if (found != written.end()) return found->second;
  const std::string path = (work_directory() / ("poligonal-" + std::to_string(n) + ".txt")).string();
  std::ofstream file(path, std::ios::binary);
  double m = 150000.0;
  double p = 230000.0;
  unsigned state = 12345;
  for (long i = 1; i <= n; ++i) {
    file << "\"P" << i << "\", " << std::fixed << m << ", " << p << "\r\n";
    state = state * 1103515245U + 12345U;
    const double length = 100.0 + static_cast<double>((state >> 8) % 500);
    const double bearing = 0.2 + 1.2 * static_cast<double>((state >> 4) % 1000) / 1000.0;
    m += length * std::sin(bearing);
    p += length * std::cos(bearing);
  }
  written[n] = path;
  return path;
}

// The executable the child runs start: the one built beside the benchmark, or another
// named in ELIPSES_BENCH_EXECUTABLE (an earlier build, for figures before a change).
std::string executable() {
  const char* other = std::getenv("ELIPSES_BENCH_EXECUTABLE");
  return other != nullptr && *other != '\0' ? other : ELIPSES_EXECUTABLE;
}

// The peak resident memory, in KiB, of one run of the built executable, as GNU time
// reports it. Not taken from wait4 here: a child spawned from this process carries the
// benchmark's own high-water mark across its exec, while time forks the program from
// its own small image.
long child_peak_kib(const std::string& input_path, const std::vector<std::string>& arguments = {}) {
  const std::string report = (work_directory() / "peak.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, work_directory().c_str());
  char time_program[] = "/usr/bin/time";
  char format_option[] = "-f";
  char format[] = "%M";
  char output_option[] = "-o";
  std::string report_path = report;
  std::string program = executable();
  std::vector<std::string> words = arguments;
  std::vector<char*> argv = {time_program, format_option, format, output_option, report_path.data(), program.data()};
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, time_program, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  long kib = -1;
  std::ifstream(report) >> kib;
  return kib;
}

void whole_run(benchmark::State& state, const Computation& computation) {
  const long n = state.range(0);
  const std::string typed = traverse_file(n) + "\n" + computation.answers;
  const std::string output_directory = work_directory().string();
  for (auto _ : state) {
    std::istringstream in(typed);
    std::ostringstream out;
    std::ostringstream err;
    elipses::RunSettings given;
    given.output_directory = output_directory;
    const int status = elipses::run_program(in, out, err, given);
    if (status != 0) {
      state.SkipWithError(err.str().c_str());
      break;
    }
    benchmark::DoNotOptimize(status);
  }
  const std::string input_path = (work_directory() / "respostas.txt").string();
  std::ofstream(input_path, std::ios::binary) << typed;
  state.counters["points"] = static_cast<double>(n);
  state.counters["peak_KiB"] = static_cast<double>(child_peak_kib(input_path));
  state.SetItemsProcessed(state.iterations() * n);
}

// One child process, its standard input and output given; returns its wall time in
// seconds, or a negative value when it failed.
double timed_child(const std::vector<std::string>& command, const std::string& input_path, const std::string& output_path) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, work_directory().c_str());
  std::vector<std::string> words = command;
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return -1.0;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1.0;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The whole declined closed run of the built executable against the floor of what it
// does: cat writing the same output bytes (both files) to a file. Each iteration times
// both, one after the other, so that both meet the same machine.
void versus_cat(benchmark::State& state) {
  const long n = state.range(0);
  const std::string input_path = (work_directory() / "respostas-cat.txt").string();
  std::ofstream(input_path, std::ios::binary) << traverse_file(n) << "\n" << computations[3].answers;
  const std::string console = (work_directory() / "consola.txt").string();
  const std::string copy = (work_directory() / "copia.txt").string();
  double run_seconds = 0.0;
  double cat_seconds = 0.0;
  for (auto _ : state) {
    const double run = timed_child({executable()}, input_path, console);
    const double cat = timed_child({"/bin/cat", "elipses.txt", "elipses.scr"}, "/dev/null", copy);
    if (run < 0.0 || cat < 0.0) {
      state.SkipWithError("a child process failed");
      break;
    }
    state.SetIterationTime(run);
    run_seconds += run;
    cat_seconds += cat;
  }
  state.counters["cat_ms"] = 1000.0 * cat_seconds / static_cast<double>(state.iterations());
  state.counters["ratio_to_cat"] = run_seconds / cat_seconds;
  state.counters["peak_KiB"] = static_cast<double>(child_peak_kib(input_path));
}

// The closed traverse adjusted by least squares, with the relative ellipses, through the
// command line: what the further results cost over the two files of every run.
void adjusted_and_relative(benchmark::State& state) {
  const long n = state.range(0);
  const std::string file = traverse_file(n);
  const std::vector<std::string> arguments = {file,         "--modo", "d",  "--poligonal", "f", "--mm",
                                              "3",          "--ppm",  "2",  "--segundos",  "20", "--nivel",
                                              "5",          "--escala", "2000", "--ajustada", "--relativas"};
  std::vector<std::string> command = {executable()};
  command.insert(command.end(), arguments.begin(), arguments.end());
  const std::string console = (work_directory() / "consola.txt").string();
  for (auto _ : state) {
    const double run = timed_child(command, "/dev/null", console);
    if (run < 0.0) {
      state.SkipWithError("the run failed");
      break;
    }
    state.SetIterationTime(run);
  }
  state.counters["points"] = static_cast<double>(n);
  state.counters["peak_KiB"] = static_cast<double>(child_peak_kib("/dev/null", arguments));
}

// The design sheet of a closed goniometric traverse with centring, through the command
// line: the limits, the sets and the 45 classes of the catalogue, each an adjusted
// traverse of its own tested against every tolerance, beside the pair sweep and the
// files of every run.
struct DesignRun {
  bool sheet;            // false: the same run without the sheet, its floor
  bool point_tolerance;  // each point's own tolerance too, which decides on any long
                         // traverse; without it the pairs alone do, many close to the worst
};

void design_sheet(benchmark::State& state, DesignRun asked) {
  const long n = state.range(0);
  std::vector<std::string> arguments = {traverse_file(n), "--modo", "g", "--poligonal", "f", "--mm", "3", "--ppm", "2",
                                        "--segundos", "5", "--inicial", "0.005,0.005,0", "--final", "0.008,0.006,0.00001",
                                        "--centragem", "2,2", "--tolerancia", "20,50"};
  if (asked.point_tolerance) arguments.insert(arguments.end(), {"--tolerancia-ponto", "50"});
  if (asked.sheet) arguments.push_back("--projetar");
  std::vector<std::string> command = {executable()};
  command.insert(command.end(), arguments.begin(), arguments.end());
  const std::string console = (work_directory() / "consola.txt").string();
  for (auto _ : state) {
    const double run = timed_child(command, "/dev/null", console);
    if (run < 0.0) {
      state.SkipWithError("the run failed");
      break;
    }
    state.SetIterationTime(run);
  }
  state.counters["points"] = static_cast<double>(n);
  state.counters["peak_KiB"] = static_cast<double>(child_peak_kib("/dev/null", arguments));
}

void register_cases() {
  benchmark::RegisterBenchmark("design_sheet_floor", design_sheet, DesignRun{false, true})
      ->Arg(500)->Arg(2000)->Arg(4000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
  benchmark::RegisterBenchmark("design_sheet_points_and_pairs", design_sheet, DesignRun{true, true})
      ->Arg(500)->Arg(2000)->Arg(4000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
  benchmark::RegisterBenchmark("design_sheet_pairs_alone", design_sheet, DesignRun{true, false})
      ->Arg(500)->Arg(2000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
  benchmark::RegisterBenchmark("declined_closed_versus_cat", versus_cat)
      ->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
  benchmark::RegisterBenchmark("declined_closed_adjusted_relative", adjusted_and_relative)
      ->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
  for (const Computation& computation : computations) {
    auto* bench = benchmark::RegisterBenchmark(computation.name, whole_run, computation);
    bench->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
    if (computation.name[0] == 'd') bench->Arg(100000);
  }
}

}  // namespace

int main(int argc, char** argv) {
  register_cases();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(work_directory(), ignored);
  return 0;
}
