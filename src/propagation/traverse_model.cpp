#include "propagation/traverse_model.hpp"

#include <cmath>

namespace elipses {

double leg_length(double dm, double dp) { return std::sqrt(square(dp) + square(dm)); }

Leg leg_geometry(const PointList& points, std::int32_t i) {
  const Point& from = points.at(i);
  const Point& to = points.at(i + 1);
  Leg leg;
  leg.dm = to.m - from.m;
  leg.dp = to.p - from.p;
  leg.length = leg_length(leg.dm, leg.dp);
  return leg;
}

double distance_variance(const ObservationPrecision& precision, double length_m) {
  return square(precision.distance_ppm * length_m * 1e-6) +
         square(precision.distance_fixed_mm * 0.001);
}

double direction_sigma(const ObservationPrecision& precision) {
  if (precision.angle_unit == AngleUnit::centesimal_seconds) return precision.angle_seconds / 10000.0 * pi / 200.0;
  return precision.angle_seconds / 3600.0 * pi / 180.0;
}

double angle_variance(const ObservationPrecision& precision) {
  return 2.0 * square(direction_sigma(precision));
}

double bearing_variance(const ObservationPrecision& precision) {
  if (precision.angle_unit == AngleUnit::centesimal_seconds) return square(pi / 200.0 * (precision.angle_seconds / 10000.0));
  return square(pi / 180.0 * (precision.angle_seconds / 3600.0));
}

Covariance2 start_covariance(const EndpointCovariance& endpoint) {
  return Covariance2{square(endpoint.s_m), square(endpoint.s_p), endpoint.s_mp};
}

Matrix2 matrix_of(const Covariance2& c) { return Matrix2{c.var_m, c.cov_mp, c.cov_mp, c.var_p}; }

Matrix2 product(const Matrix2& x, const Matrix2& y) {
  return Matrix2{x.mm * y.mm + x.mp * y.pm, x.mm * y.mp + x.mp * y.pp, x.pm * y.mm + x.pp * y.pm,
                 x.pm * y.mp + x.pp * y.pp};
}

Matrix2 transposed(const Matrix2& x) { return Matrix2{x.mm, x.pm, x.mp, x.pp}; }

Matrix2 sum(const Matrix2& x, const Matrix2& y) { return Matrix2{x.mm + y.mm, x.mp + y.mp, x.pm + y.pm, x.pp + y.pp}; }

Covariance2 covariance_of(const Matrix2& x) { return Covariance2{x.mm, x.pp, 0.5 * (x.mp + x.pm)}; }

bool is_zero(const EndpointCovariance& endpoint) {
  return endpoint.s_m == 0.0 && endpoint.s_p == 0.0 && endpoint.s_mp == 0.0;
}

}  // namespace elipses
