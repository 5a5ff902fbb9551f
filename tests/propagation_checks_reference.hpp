#pragma once
// What the independent checks share: planned traverses (random ones as planned in the
// field), the covariances they compare and the axes of an ellipse worked out on their own.
// The dense survey of propagation_checks_dense_survey.hpp computes the covariances.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

namespace elipses::checks {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// Planned coordinates of a traverse in walking order, metres.
struct Plan {
  std::vector<double> m, p;
  std::size_t size() const { return m.size(); }
  Plan reversed() const { return Plan{{m.rbegin(), m.rend()}, {p.rbegin(), p.rend()}}; }
};
inline void PrintTo(const Plan& plan, std::ostream* os) { *os << plan.size() << " points"; }
struct StartCov {
  double s_m = 0.0, s_p = 0.0, s_mp = 0.0;  // m, m, m^2
};
struct Cov {
  double var_m = 0.0, var_p = 0.0, cov_mp = 0.0;  // m^2
};

// Semi-axes (k included) and the azimuth of the major axis, from the eigenvector of the
// larger eigenvalue turned into the half-plane P > 0 (or along +M): teta in (-pi/2, pi/2].
struct Axes {
  double a = 0.0, b = 0.0, teta = 0.0;  // m, m, radians from +P towards +M
};
inline Axes principal_axes(const Cov& c, double k) {
  const long double vm = c.var_m, vp = c.var_p, cmp = c.cov_mp;
  const long double mean = (vm + vp) / 2.0L, radius = std::hypot((vm - vp) / 2.0L, cmp);
  Axes axes{static_cast<double>(k * std::sqrt(mean + radius)),
            static_cast<double>(k * std::sqrt(std::max(0.0L, mean - radius))), 0.0};
  if (radius == 0.0L) return axes;  // a circle: its orientation is taken as +P
  // (covMP, major - varM) and (major - varP, covMP) both solve the eigen equation.
  long double em = cmp, ep = mean + radius - vm;
  if (std::fabs(mean + radius - vp) > std::fabs(ep)) em = mean + radius - vp, ep = cmp;
  if (ep < 0.0L || (ep == 0.0L && em < 0.0L)) em = -em, ep = -ep;
  axes.teta = static_cast<double>(std::atan2(em, ep));
  return axes;
}

// Uniform numbers from the raw engine output, the same with every standard library.
class Dice {
 public:
  explicit Dice(std::uint32_t seed) : engine_(seed) {}
  double uniform(double low, double high) { return low + (high - low) * (static_cast<double>(engine_()) / 4294967296.0); }

 private:
  std::mt19937 engine_;
};

// A traverse as planned in the field: national grid coordinates to the millimetre, legs
// of 40 to 900 m, turning by up to 160 degrees at each station.
inline Plan random_plan(Dice& dice, std::size_t n) {
  Plan plan;
  double m = dice.uniform(-120000.0, 160000.0), p = dice.uniform(-290000.0, 270000.0);
  double direction = dice.uniform(0.0, 6.283185307179586);
  for (std::size_t i = 0; i < n; ++i) {
    plan.m.push_back(std::round(m * 1000.0) / 1000.0);
    plan.p.push_back(std::round(p * 1000.0) / 1000.0);
    const double length = dice.uniform(40.0, 900.0);
    m += length * std::sin(direction);
    p += length * std::cos(direction);
    direction += dice.uniform(-160.0, 160.0) * 3.141592653589793 / 180.0;
  }
  return plan;
}

}  // namespace elipses::checks
