#pragma once
// The error or confidence ellipse of one point's covariance.
#include "propagation/traverse_model.hpp"

namespace elipses {

// Semi-axes a >= b (metres, the level's factor k included) and teta, the azimuth of the
// a axis in radians from +P towards +M, in (-pi/2, pi/2].
struct EllipseParams {
  double a = 0.0;
  double b = 0.0;
  double teta = 0.0;
};

// Eigenvalues of the covariance (m^2) scaled by k. Radicands that rounding (or a typed
// start covariance that is not positive semi-definite) makes negative are taken as zero.
EllipseParams ellipse_parameters(const Covariance2& covariance, double k);

// The semi-major axis alone (m), the very value of ellipse_parameters(covariance, k).a,
// for sweeps over millions of pairs that need no orientation.
double semi_major_axis(const Covariance2& covariance, double k);

// teta in gon (400 to the circle), as the table reports it: teta * 200 / pi.
inline double gon_from_radians(double radians) { return radians * 200.0 / pi; }

}  // namespace elipses
