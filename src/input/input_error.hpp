#pragma once
// The one failure of the program's input layer: something typed or read from the
// coordinate file that cannot be taken. The driver reports it on standard error and
// ends the run with a non-zero status; no computation ever raises it.
#include <stdexcept>
#include <string>

namespace elipses {

struct InputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace elipses
