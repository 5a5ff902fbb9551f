#pragma once
// The quantities both observation modes share: legs between consecutive points, the
// a-priori precision of the observations and the covariance of a known end point.
// Lengths in metres, variances in square metres, angles in radians.
#include <cstdint>

#include "dialogue/coordinate_file.hpp"

namespace elipses {

// The precision typed by the user, before conversion.
struct ObservationPrecision {
  double distance_fixed_mm = 0.0;          // f, millimetres
  std::int32_t distance_ppm = 0;           // p, parts per million of the leg length
  double angle_seconds = 0.0;              // s, arc seconds (a direction, or a bearing)
  std::int32_t angle_whole_seconds = 0;    // s truncated toward zero, for the legend
};

// A known end point: standard deviations sM, sP (m) and covariance sMP (m^2).
struct EndpointCovariance {
  double s_m = 0.0;
  double s_p = 0.0;
  double s_mp = 0.0;
};

// The 2x2 covariance of one point's coordinates, m^2.
struct Covariance2 {
  double var_m = 0.0;
  double var_p = 0.0;
  double cov_mp = 0.0;
};

// Leg i runs from point i to point i+1 of the current order; metres.
struct Leg {
  double dm = 0.0;
  double dp = 0.0;
  double length = 0.0;
};

constexpr double square(double x) { return x * x; }

// sqrt(dP^2 + dM^2), metres. Zero for a leg of no length (refused when the file is read).
double leg_length(double dm, double dp);

// Leg i (1 <= i <= n-1) of the list in its current order.
Leg leg_geometry(const PointList& points, std::int32_t i);

// sigmaD^2 = (p * D * 1e-6)^2 + (f * 0.001)^2, m^2: ppm and millimetres in quadrature.
double distance_variance(const ObservationPrecision& precision, double length_m);

// sigma of one direction, radians: s / 3600 * pi / 180.
double direction_sigma(const ObservationPrecision& precision, double pi);

// Variance of a station angle, rad^2: the difference of two directions, 2 * sigma^2.
double angle_variance(const ObservationPrecision& precision, double pi);

// Variance of one observed bearing, rad^2: ((pi / 180) * (s / 3600))^2, no factor 2.
double bearing_variance(const ObservationPrecision& precision, double pi);

// varM = sM^2, varP = sP^2, covMP = sMP.
Covariance2 start_covariance(const EndpointCovariance& endpoint);

// True when sM, sP and sMP are all exactly zero: the point is taken as error-free.
bool is_zero(const EndpointCovariance& endpoint);

}  // namespace elipses
