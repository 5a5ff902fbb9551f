#include "propagation/ellipse.hpp"

#include <algorithm>
#include <cmath>

namespace elipses {

namespace {

// The eigenvalues' sum and the root of the discriminant, in the one order of operations.
struct Eigen {
  double sum;
  double root;
};

Eigen eigen_of(const Covariance2& covariance) {
  const double sum = covariance.var_m + covariance.var_p;
  const double determinant = covariance.var_m * covariance.var_p - square(covariance.cov_mp);
  return Eigen{sum, std::sqrt(std::max(0.0, square(sum) - 4.0 * determinant))};
}

}  // namespace

double semi_major_axis(const Covariance2& covariance, double k) {
  const Eigen e = eigen_of(covariance);
  return k * std::sqrt(std::max(0.0, (e.sum + e.root) / 2.0));
}

EllipseParams ellipse_parameters(const Covariance2& covariance, double k) {
  const Eigen e = eigen_of(covariance);
  const double sum = e.sum;
  const double root = e.root;
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
