// Arbitrary bytes as everything typed after the file name of a small valid traverse:
// the whole dialogue, the computations and the two output files.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_checks.hpp"
#include "fuzz_target_main.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string answers(reinterpret_cast<const char*>(data), size);
  elipses::fuzzing::report_fault(elipses::fuzzing::check_session(answers, elipses::fuzzing::scratch_directory()));
  return 0;
}
