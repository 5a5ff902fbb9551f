#include "propagation/ellipse.hpp"

#include <algorithm>
#include <cmath>

namespace elipses {

double ellipse_factor(std::int32_t option) {
  constexpr double factors[8] = {1.0, 1.177, 1.41, 2.146, 2.447, 2.76, 3.035, 3.5};
  return option >= 1 && option <= 8 ? factors[option - 1] : 0.0;
}

EllipseParams ellipse_parameters(const Covariance2& covariance, double k, double pi) {
  const double sum = covariance.var_m + covariance.var_p;
  const double determinant = covariance.var_m * covariance.var_p - square(covariance.cov_mp);
  const double root = std::sqrt(std::max(0.0, square(sum) - 4.0 * determinant));
  EllipseParams params;
  params.a = k * std::sqrt(std::max(0.0, (sum + root) / 2.0));
  params.b = k * std::sqrt(std::max(0.0, (sum - root) / 2.0));
  if (covariance.cov_mp == 0.0) {
    // Axis-aligned; a circle is taken as oriented along +P.
    params.teta = covariance.var_m > covariance.var_p ? pi / 2.0 : 0.0;
  } else {
    params.teta = 0.5 * std::atan2(2.0 * covariance.cov_mp, covariance.var_p - covariance.var_m);
  }
  return params;
}

EllipseScriptGeometry ellipse_script_geometry(double m, double p, const EllipseParams& params, double scale,
                                              bool with_axis_offset) {
  EllipseScriptGeometry geometry;
  geometry.centre_m = m;
  geometry.centre_p = p;
  geometry.axis_end_m = m + scale * params.a * std::sin(params.teta);
  geometry.axis_end_p = p + scale * params.a * std::cos(params.teta);
  if (with_axis_offset) {
    geometry.axis_end_m = geometry.axis_end_m + axis_end_offset;
    geometry.axis_end_p = geometry.axis_end_p + axis_end_offset;
  }
  geometry.other_axis = scale * params.b;
  geometry.drawn = params.a > 0.0 && params.b > 0.0;
  return geometry;
}

}  // namespace elipses
