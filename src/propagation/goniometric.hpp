#pragma once
// Goniometric traverse: a length measured on every leg and an angle at every station,
// the first taken from an error-free reference direction. An angle error at station i
// turns the rest of the chain about station i; a length error shifts it along leg i.
#include <cstdint>
#include <vector>

#include "propagation/traverse_model.hpp"

namespace elipses {

// Covariances (m^2) of points 2..last of the list in its current order, each from the
// start covariance: for each leg and station i = 1..j-1 the length term plus the angle
// term, whose lever arm is the vector from station i to point j. The additions keep
// that order, so the cost grows with the square of the points.
std::vector<Covariance2> propagate_goniometric(const PointList& points, std::int32_t last, const Covariance2& start,
                                               const ObservationPrecision& precision);

// The last point of each half of a closed traverse of n points: the pass from the
// initial point takes the middle point of an odd traverse.
constexpr std::int32_t last_of_initial_half(std::int32_t n) { return n % 2 == 1 ? n / 2 + 1 : n / 2; }
constexpr std::int32_t last_of_final_half(std::int32_t n) { return n / 2; }

}  // namespace elipses
