// Whole runs of the dialogue over planned traverses of 10 to 100,000 points, in each of
// the four computations: reading the coordinate file (three passes for a closed
// traverse), propagation, and writing both output files. Each case also runs the built
// executable once as a child process and reports its peak resident memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

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

// The peak resident memory, in KiB, of one run of the built executable, as GNU time
// reports it. Not taken from wait4 here: a child spawned from this process carries the
// benchmark's own high-water mark across its exec, while time forks the program from
// its own small image.
long child_peak_kib(const std::string& input_path) {
  const std::string report = (work_directory() / "peak.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, work_directory().c_str());
  char time_program[] = "/usr/bin/time";
  char format_option[] = "-f";
  char format[] = "%M";
  char output_option[] = "-o";
  std::string report_path = report;
  char executable[] = ELIPSES_EXECUTABLE;
  char* argv[] = {time_program, format_option, format, output_option, report_path.data(), executable, nullptr};
  pid_t pid = 0;
  const int error = posix_spawn(&pid, time_program, &actions, nullptr, argv, environ);
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
    const int status = elipses::run_program(in, out, err, elipses::RunExtras{output_directory});
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

void register_cases() {
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
