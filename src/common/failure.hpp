#pragma once
// What ends a run early: input that cannot be taken, or an output file that cannot be
// written. One message in plain Portuguese, said once where the run is driven; the
// earlier results stay as they were.
#include <stdexcept>

namespace elipses {

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace elipses
