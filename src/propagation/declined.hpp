#pragma once
// Declined traverse: a length and an independent bearing observed on every leg. A
// bearing error moves the end of its leg across the leg and every later point by the
// same amount, without turning the rest of the chain, so each leg adds a fixed
// covariance of its own.
#include <cstdint>

#include "propagation/goniometric.hpp"

namespace elipses {

// The covariance one leg adds, m^2: length error along the leg, bearing error across it
// with lever arm D. The same whichever way the leg is walked.
Covariance2 declined_leg_covariance(const Leg& leg, const ObservationPrecision& precision, double bearing_var);

// Covariance of point j (2 <= j <= n): the start covariance plus the legs 1..j-1.
Covariance2 propagate_declined(const PointList& points, std::int32_t j, const Covariance2& start,
                               const ObservationPrecision& precision, double pi);

void run_declined_open(const RunSettings& settings, PointList& points, OutputWriters& writers);

// Both ends taken as exact: a whole pass from each end, the second over the list
// reloaded in reverse. The list stays reversed.
void run_declined_closed(const RunSettings& settings, PointList& points, OutputWriters& writers,
                         CoordinateFile& file);

}  // namespace elipses
