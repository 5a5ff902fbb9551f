#include "propagation/ellipse.hpp"

#include <algorithm>
#include <cmath>

namespace elipses {

EllipseParams ellipse_parameters(const Covariance2& covariance, double k) {
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

}  // namespace elipses
