#pragma once
// What the two fuzz targets share: a scratch directory of their own, made once, and the
// abort that turns a fault into a finding libFuzzer keeps.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace elipses::fuzzing {

inline const std::string& scratch_directory() {
  static const std::string directory = [] {
    char name[] = "/tmp/elipses-fuzz-XXXXXX";
    if (mkdtemp(name) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    return std::string(name);
  }();
  return directory;
}

inline void report_fault(const std::string& fault) {
  if (fault.empty()) return;
  static_cast<void>(std::fprintf(stderr, "\nelipses fuzz fault: %s\n", fault.c_str()));
  std::abort();
}

}  // namespace elipses::fuzzing
