#pragma once
// An independent reference for the propagation checks: the traverse is computed forward
// from its observations, the Jacobian of every point's coordinates is taken by central
// differences of that computation, and the covariance is J·Σ·Jᵀ. Nothing here borrows the
// closed-form sums of the program; the two meet only in their results.
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
struct Precision {
  double fixed_mm = 0.0;   // mm
  std::int32_t ppm = 0;    // parts per million
  double seconds = 0.0;    // one direction (goniometric) or one bearing (declined)
};
struct StartCov {
  double s_m = 0.0, s_p = 0.0, s_mp = 0.0;  // m, m, m^2
};
struct Cov {
  double var_m = 0.0, var_p = 0.0, cov_mp = 0.0;  // m^2
};

enum class Survey { goniometric, declined };

// Observations: start M, P; per leg an angle (station angle, or bearing) and a length.
// The first station angle is taken from an arbitrary, error-free reference direction.
constexpr long double kReferenceDirection = 0.7L;
struct Observations {
  long double m0 = 0.0L, p0 = 0.0L;
  std::vector<long double> angle, length;
};

inline Observations observe(const Plan& plan, Survey survey) {
  Observations obs{plan.m[0], plan.p[0], {}, {}};
  long double previous = kReferenceDirection;
  for (std::size_t i = 0; i + 1 < plan.size(); ++i) {
    const long double dm = static_cast<long double>(plan.m[i + 1]) - plan.m[i];
    const long double dp = static_cast<long double>(plan.p[i + 1]) - plan.p[i];
    const long double bearing = std::atan2(dm, dp);  // from +P towards +M
    obs.angle.push_back(survey == Survey::goniometric ? bearing - previous : bearing);
    obs.length.push_back(std::hypot(dm, dp));
    previous = bearing;
  }
  return obs;
}

// Leg i adds D·(sin t, cos t); in goniometric mode t is the reference direction plus the
// station angles so far, in declined mode the leg's own bearing.
inline void walk(const Observations& obs, Survey survey, std::vector<long double>& m, std::vector<long double>& p) {
  m.assign(1, obs.m0);
  p.assign(1, obs.p0);
  long double offset_m = 0.0L, offset_p = 0.0L, direction = kReferenceDirection;
  for (std::size_t i = 0; i < obs.length.size(); ++i) {
    direction = survey == Survey::goniometric ? direction + obs.angle[i] : obs.angle[i];
    offset_m += obs.length[i] * std::sin(direction);
    offset_p += obs.length[i] * std::cos(direction);
    m.push_back(obs.m0 + offset_m);
    p.push_back(obs.p0 + offset_p);
  }
}

// J·Σ·Jᵀ for every point (index 0 is the start point). Σ holds the start covariance, the
// angle variance (2·σdir² for a station angle, the difference of two directions; σdir²
// for a bearing observed alone) and σD² = (p·D·1e-6)² + (f·0.001)² of each leg.
inline std::vector<Cov> full_propagation(const Plan& plan, Survey survey, const Precision& precision,
                                         const StartCov& start) {
  Observations obs = observe(plan, survey);
  const std::size_t legs = obs.length.size();
  const long double sigma_dir = precision.seconds / 3600.0L * kPi / 180.0L;
  const long double angle_var = (survey == Survey::goniometric ? 2.0L : 1.0L) * sigma_dir * sigma_dir;

  // Columns of J by central differences: d(M_j, P_j) / d(observation k).
  std::vector<std::vector<long double>> jm, jp;
  std::vector<long double> variance;  // the diagonal of Σ after the start block
  auto column = [&](long double& observation, long double step) {
    std::vector<long double> m_up, p_up, m_down, p_down;
    const long double kept = observation;
    observation = kept + step;
    walk(obs, survey, m_up, p_up);
    observation = kept - step;
    walk(obs, survey, m_down, p_down);
    observation = kept;
    jm.emplace_back();
    jp.emplace_back();
    for (std::size_t j = 0; j <= legs; ++j) {
      jm.back().push_back((m_up[j] - m_down[j]) / (2.0L * step));
      jp.back().push_back((p_up[j] - p_down[j]) / (2.0L * step));
    }
  };
  column(obs.m0, 1e-3L);
  column(obs.p0, 1e-3L);
  for (std::size_t i = 0; i < legs; ++i) {
    column(obs.angle[i], 1e-6L);
    variance.push_back(angle_var);
    column(obs.length[i], 1e-3L);
    const long double proportional = precision.ppm * obs.length[i] * 1e-6L;
    const long double fixed = precision.fixed_mm * 1e-3L;
    variance.push_back(proportional * proportional + fixed * fixed);
  }

  const long double s_m2 = static_cast<long double>(start.s_m) * start.s_m;
  const long double s_p2 = static_cast<long double>(start.s_p) * start.s_p;
  std::vector<Cov> result;
  for (std::size_t j = 0; j <= legs; ++j) {
    const long double gm0 = jm[0][j], gm1 = jm[1][j], gp0 = jp[0][j], gp1 = jp[1][j];
    long double vm = gm0 * gm0 * s_m2 + gm1 * gm1 * s_p2 + 2.0L * gm0 * gm1 * start.s_mp;
    long double vp = gp0 * gp0 * s_m2 + gp1 * gp1 * s_p2 + 2.0L * gp0 * gp1 * start.s_mp;
    long double cmp = gm0 * gp0 * s_m2 + gm1 * gp1 * s_p2 + (gm0 * gp1 + gm1 * gp0) * start.s_mp;
    for (std::size_t k = 0; k < variance.size(); ++k) {
      vm += jm[k + 2][j] * jm[k + 2][j] * variance[k];
      vp += jp[k + 2][j] * jp[k + 2][j] * variance[k];
      cmp += jm[k + 2][j] * jp[k + 2][j] * variance[k];
    }
    result.push_back(Cov{static_cast<double>(vm), static_cast<double>(vp), static_cast<double>(cmp)});
  }
  return result;
}

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
