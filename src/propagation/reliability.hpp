#pragma once
// How well each observation of a closed traverse is checked by the others (internal
// reliability), and what a blunder that passes unnoticed would do to the points (external
// reliability), from the adjusted model with the known ends held fixed and sigma0 = 1.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "propagation/adjusted_traverse.hpp"
#include "propagation/progress.hpp"

namespace elipses {

// delta0 of the test of one observation: a blunder found with probability beta0 = 80 %
// by a two-sided test at alpha0 = 0.1 %.
constexpr double detection_delta0 = 4.13;

// Redundancy numbers below this leave an observation weakly checked: a blunder in it
// must be large, against its own precision, to be found.
constexpr double weak_redundancy = 0.1;

struct ObservationReliability {
  ObservationKind kind = ObservationKind::distance;
  std::int32_t back = reference_direction;  // as in Observation
  std::int32_t station = 0;
  std::int32_t forward = 0;
  double sigma = 0.0;            // sqrt of its variance in Sigma_l, centring included: m or rad
  double redundancy = 0.0;       // r = (Q_vv P)_ii
  double minimal_bias = 0.0;     // delta0 / sqrt(c^T P Q_vv P c): m or rad; infinite where r is 0
  double largest_shift = 0.0;    // m: the largest 2-D shift of a point by that bias
  std::int32_t shifted_point = 0;  // the point so shifted (0 where none moves)

  bool weak() const { return redundancy < weak_redundancy; }
};

struct TraverseReliability {
  std::vector<ObservationReliability> observations;  // station by station, as the model lists them
  double redundancy = 0.0;  // the sum of the r: observations less unknowns
  std::size_t weak = 0;     // observations with r below weak_redundancy
  // The observations whose smallest detectable blunder is largest (an undetectable one
  // first): among the distances, and among the angles or bearings; -1 where there is none.
  std::ptrdiff_t worst_distance = -1;
  std::ptrdiff_t worst_direction = -1;
  bool shifts = true;  // the largest shifts computed (not for a traverse too long for them)
};

// Each observation's largest shift costs a banded solve, a time that grows with the square
// of the points: up to this many points they are computed, beyond only r and the blunder.
constexpr std::int32_t longest_shift_search = 30000;

// The closed traverse adjusted (points 2..n-1 unknown); nothing for an open one, which
// has no redundancy.
TraverseReliability traverse_reliability(const AdjustedTraverse& traverse, Progress* progress = nullptr);

}  // namespace elipses
