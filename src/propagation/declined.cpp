#include "propagation/declined.hpp"

namespace elipses {

Covariance2 declined_leg_covariance(const Leg& leg, const ObservationPrecision& precision, double bearing_var) {
  const double length_var = distance_variance(precision, leg.length);
  const double length_squared = square(leg.length);
  Covariance2 c;
  c.var_m = square(leg.dm) / length_squared * length_var + square(leg.dp) * bearing_var;
  c.var_p = square(leg.dp) / length_squared * length_var + square(leg.dm) * bearing_var;
  c.cov_mp = leg.dm * leg.dp / length_squared * length_var - leg.dm * leg.dp * bearing_var;
  return c;
}

std::vector<Covariance2> propagate_declined(const PointList& points, const Covariance2& start,
                                            const ObservationPrecision& precision) {
  std::vector<Covariance2> computed;
  if (points.n < 2) return computed;
  computed.reserve(static_cast<std::size_t>(points.n - 1));
  const double bearing_var = bearing_variance(precision);
  Covariance2 running = start;
  for (std::int32_t j = 2; j <= points.n; ++j) {
    const Covariance2 leg = declined_leg_covariance(leg_geometry(points, j - 1), precision, bearing_var);
    running.var_m += leg.var_m;
    running.var_p += leg.var_p;
    running.cov_mp += leg.cov_mp;
    computed.push_back(running);
  }
  return computed;
}

}  // namespace elipses
