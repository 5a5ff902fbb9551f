// Arbitrary bytes as the coordinate file: count, check, load and reverse passes, then
// the four computations over what was accepted.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_checks.hpp"
#include "fuzz_target_main.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  elipses::fuzzing::report_fault(elipses::fuzzing::check_coordinate_file(bytes, elipses::fuzzing::scratch_directory()));
  return 0;
}
