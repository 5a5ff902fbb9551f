#include "propagation/goniometric.hpp"

namespace elipses {

std::vector<Covariance2> propagate_goniometric(const PointList& points, std::int32_t last, const Covariance2& start,
                                               const ObservationPrecision& precision) {
  std::vector<Covariance2> computed;
  if (last < 2) return computed;
  computed.reserve(static_cast<std::size_t>(last - 1));
  // The length terms of every leg, (dM^2/D^2)·sigmaD^2 and its kin, once per pass
  // instead of once per point: the same values.
  const std::size_t legs = static_cast<std::size_t>(last - 1);
  std::vector<Covariance2> length_terms(legs);
  for (std::int32_t i = 1; i < last; ++i) {
    const Leg leg = leg_geometry(points, i);
    const double length_var = distance_variance(precision, leg.length);
    const double length_squared = square(leg.length);
    Covariance2& term = length_terms[static_cast<std::size_t>(i - 1)];
    term.var_m = square(leg.dm) / length_squared * length_var;
    term.var_p = square(leg.dp) / length_squared * length_var;
    term.cov_mp = leg.dm * leg.dp / length_squared * length_var;
  }
  const double angle_var = angle_variance(precision);
  for (std::int32_t j = 2; j <= last; ++j) {
    Covariance2 c = start;
    const Point& target = points.at(j);
    for (std::int32_t i = 1; i < j; ++i) {
      const Point& station = points.at(i);
      const Covariance2& term = length_terms[static_cast<std::size_t>(i - 1)];
      const double to_target_m = target.m - station.m;
      const double to_target_p = target.p - station.p;
      c.var_m += term.var_m + square(to_target_p) * angle_var;
      c.var_p += term.var_p + square(to_target_m) * angle_var;
      c.cov_mp += term.cov_mp - to_target_m * to_target_p * angle_var;
    }
    computed.push_back(c);
  }
  return computed;
}

}  // namespace elipses
