#pragma once
// Declined traverse: a length and an independent bearing observed on every leg. A
// bearing error moves the end of its leg across the leg and every later point by the
// same amount, without turning the rest of the chain, so each leg adds a fixed
// covariance of its own.
#include <vector>

#include "propagation/traverse_model.hpp"

namespace elipses {

// The covariance one leg adds, m^2: length error along the leg, bearing error across it
// with lever arm D; bearing_var in rad^2. The same whichever way the leg is walked.
Covariance2 declined_leg_covariance(const Leg& leg, const ObservationPrecision& precision, double bearing_var);

// Covariances (m^2) of points 2..n of the list in its current order: the start
// covariance plus legs 1..j-1, carried as a running sum (the same additions in order).
std::vector<Covariance2> propagate_declined(const PointList& points, const Covariance2& start,
                                            const ObservationPrecision& precision);

}  // namespace elipses
