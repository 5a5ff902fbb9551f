#pragma once
// The failure of the program's input layer: something typed or read from the coordinate
// file that cannot be taken.
#include "common/failure.hpp"

namespace elipses {

struct InputError : Failure {
  using Failure::Failure;
};

}  // namespace elipses
