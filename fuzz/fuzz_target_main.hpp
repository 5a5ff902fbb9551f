#pragma once
// What the fuzz targets share: a scratch directory of their own, made once in memory
// (/dev/shm) where there is such a folder and removed at the end, and the abort that turns
// a fault into a finding libFuzzer keeps.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace elipses::fuzzing {

inline const std::string& scratch_directory() {
  // Never destroyed: the removal registered with atexit may run after the destructors.
  static const std::string& directory = *[] {
    // Thousands of runs a second write their files here: memory spares the disk.
    auto* name = new std::string(std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp");
    *name += "/elipses-fuzz-XXXXXX";
    if (mkdtemp(name->data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    static_cast<void>(std::atexit([] {
      std::error_code ignored;  // what cannot be removed is left to the system's cleaning
      std::filesystem::remove_all(scratch_directory(), ignored);
    }));
    return name;
  }();
  return directory;
}

inline void report_fault(const std::string& fault) {
  if (fault.empty()) return;
  static_cast<void>(std::fprintf(stderr, "\nelipses fuzz fault: %s\n", fault.c_str()));
  std::abort();
}

}  // namespace elipses::fuzzing
