#pragma once
// The error or confidence ellipse of one point's covariance, and where the drawing puts it.
#include <cstdint>

#include "propagation/traverse_model.hpp"

namespace elipses {

// Factor k of the chosen ellipse level (1 sigma up to 3.5 sigma); fixed constants,
// not computed from the percentages. Option outside 1..8 gives 0.
double ellipse_factor(std::int32_t option);

// Semi-axes a >= b (metres, k included) and teta, the azimuth of the a axis in radians
// from +P towards +M, in (-pi/2, pi/2].
struct EllipseParams {
  double a = 0.0;
  double b = 0.0;
  double teta = 0.0;
};

// Eigenvalues of the covariance scaled by k. Radicands that rounding (or a typed start
// covariance that is not positive semi-definite) makes negative are taken as zero.
EllipseParams ellipse_parameters(const Covariance2& covariance, double k, double pi);

struct EllipseScriptGeometry {
  double centre_m = 0.0;
  double centre_p = 0.0;
  double axis_end_m = 0.0;    // end point of the a axis, drawing units
  double axis_end_p = 0.0;
  double other_axis = 0.0;    // distance from the centre to the other axis, s * b
  bool drawn = false;         // only an ellipse with a > 0 and b > 0 is drawn
};

// The single-precision 0.1 that the drawing adds to the a-axis end point, widened to
// double (0.10000000149011612).
inline const double axis_end_offset = static_cast<double>(0.1F);

// The ellipse of a point at (m, p) magnified by the drawing scale modulus s. The
// offset of the a-axis end point is left out only where a drawing variant asks it.
EllipseScriptGeometry ellipse_script_geometry(double m, double p, const EllipseParams& params, double scale,
                                              bool with_axis_offset = true);

}  // namespace elipses
