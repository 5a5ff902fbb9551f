// Arbitrary bytes as a whole command line, its coordinate file and standard input: the
// options, the dialogue they lead to, every further result, run as main() runs them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_checks.hpp"
#include "fuzz_target_main.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  elipses::fuzzing::report_fault(elipses::fuzzing::check_options(bytes, elipses::fuzzing::scratch_directory()));
  return 0;
}
