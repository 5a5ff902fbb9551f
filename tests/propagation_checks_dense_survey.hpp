#pragma once
// A dense, independent reference of the decision a pre-analysis is made for. From the
// planned coordinates alone it writes every observation the traverse is surveyed with as a
// formula of where the instrument and its targets stand, takes the derivatives by central
// differences, builds the full covariance of the observations (the instrument's own error,
// each setup's instrument and each target it sights displaced by their centring, the same
// displacement shared by the observations of the setup that use it), solves the least
// squares densely with the known ends held fixed and their covariance carried in, and from
// the dense covariance draws every figure the decision rests on: pairs, points, budgets,
// limits, catalogue and reliability. Nothing of the program is used; long double throughout.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "propagation_checks_reference.hpp"

namespace elipses::checks {

using Real = long double;
using Matrix = std::vector<std::vector<Real>>;

// The instruments and how they are used: mm + ppm for distances, one direction's standard
// deviation in arc seconds or cc, centring per coordinate in mm, sets of directions.
struct Instruments {
  double mm = 0.0, ppm = 0.0, seconds = 0.0;
  bool cc = false;
  double instrument_centring_mm = 0.0, target_centring_mm = 0.0;
  std::int32_t sets = 1;
};

struct Traverse {
  std::vector<double> m, p;  // planned, file order, m
  bool goniometric = true;
  bool closed = false;
  StartCov initial, final_point;  // as the surveyor gives them
  bool loop = false;              // closed, first and last records the same mark
  std::size_t size() const { return m.size(); }
};

enum class Kind { angle, distance, bearing };
constexpr std::int32_t reference_side = 0;  // an angle's side on the far reference direction

struct Sighting {
  Kind kind = Kind::distance;
  std::int32_t back = reference_side, station = 0, forward = 0;  // points 1..n
  std::size_t setup = 0;
};

// The survey: a goniometric traverse sets up over every station (the last of an open one
// excepted) and turns the angle from the point behind (the reference direction at the
// first station, and at the last of a closed one ahead) to the point ahead, and measures
// the leg ahead; a declined one sets up over every station but the last and measures the
// leg ahead and its bearing.
inline std::vector<Sighting> sightings(const Traverse& t) {
  const auto n = static_cast<std::int32_t>(t.size());
  std::vector<Sighting> all;
  const std::int32_t stations = t.goniometric && t.closed ? n : n - 1;
  for (std::int32_t i = 1; i <= stations; ++i) {
    const auto setup = static_cast<std::size_t>(i - 1);
    const std::int32_t back = i == 1 ? reference_side : i - 1, ahead = i < n ? i + 1 : reference_side;
    if (t.goniometric) all.push_back({Kind::angle, back, i, ahead, setup});
    if (i < n) all.push_back({Kind::distance, reference_side, i, i + 1, setup});
    if (!t.goniometric) all.push_back({Kind::bearing, reference_side, i, i + 1, setup});
  }
  return all;
}

// The value of a sighting with the points standing at `at` (M1, P1, M2, ...).
inline Real observed(const Sighting& s, const std::vector<Real>& at) {
  const auto towards = [&](std::int32_t to) -> Real {
    if (to == reference_side) return 0.7L;
    const auto i = static_cast<std::size_t>(2 * s.station - 2), j = static_cast<std::size_t>(2 * to - 2);
    return std::atan2(at[j] - at[i], at[j + 1] - at[i + 1]);
  };
  if (s.kind == Kind::distance) {
    const auto i = static_cast<std::size_t>(2 * s.station - 2), j = static_cast<std::size_t>(2 * s.forward - 2);
    return std::hypot(at[j] - at[i], at[j + 1] - at[i + 1]);
  }
  const Real angle = towards(s.forward) - (s.kind == Kind::angle ? towards(s.back) : 0.0L);
  return std::remainder(angle, 2.0L * kPi);
}

inline Matrix zeros(std::size_t rows, std::size_t columns) { return Matrix(rows, std::vector<Real>(columns, 0.0L)); }

inline Matrix multiply(const Matrix& a, const Matrix& b) {
  Matrix c = zeros(a.size(), b.empty() ? 0 : b[0].size());
  for (std::size_t i = 0; i < a.size(); ++i)
    for (std::size_t k = 0; k < b.size(); ++k)
      for (std::size_t j = 0; j < c[i].size(); ++j) c[i][j] += a[i][k] * b[k][j];
  return c;
}

inline Matrix transpose(const Matrix& a) {
  Matrix t = zeros(a.empty() ? 0 : a[0].size(), a.size());
  for (std::size_t i = 0; i < a.size(); ++i)
    for (std::size_t j = 0; j < a[i].size(); ++j) t[j][i] = a[i][j];
  return t;
}

// Gauss-Jordan with partial pivoting.
inline Matrix inverse(Matrix a) {
  const std::size_t n = a.size();
  Matrix x = zeros(n, n);
  for (std::size_t i = 0; i < n; ++i) x[i][i] = 1.0L;
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < n; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
    std::swap(a[c], a[pivot]);
    std::swap(x[c], x[pivot]);
    const Real d = a[c][c];
    for (std::size_t k = 0; k < n; ++k) a[c][k] /= d, x[c][k] /= d;
    for (std::size_t r = 0; r < n; ++r) {
      if (r == c) continue;
      const Real f = a[r][c];
      for (std::size_t k = 0; k < n; ++k) a[r][k] -= f * a[c][k], x[r][k] -= f * x[c][k];
    }
  }
  return x;
}

// The covariance of the observations by source, each m x m: the directions', the
// distances' mm and ppm parts (diagonal), the instruments' and the targets' centring.
enum Source { directions, distances_mm, distances_ppm, instrument_centring, target_centring, sources };

// The geometry of the survey, which no precision changes: the derivatives of every
// sighting by every coordinate.
struct Geometry {
  Traverse traverse;
  std::vector<Sighting> sightings;
  Matrix by_point;  // m x 2n
  std::vector<std::size_t> unknown, known;  // coordinates, file order
};

inline Geometry geometry_of(const Traverse& t) {
  Geometry g{t, sightings(t), {}, {}, {}};
  std::vector<Real> planned;
  for (std::size_t i = 0; i < t.size(); ++i) planned.insert(planned.end(), {t.m[i], t.p[i]});
  for (const Sighting& s : g.sightings) {
    std::vector<Real> row;
    for (std::size_t c = 0; c < planned.size(); ++c) {
      const Real step = 1e-3L;
      std::vector<Real> up = planned, down = planned;
      up[c] += step;
      down[c] -= step;
      row.push_back(std::remainder(observed(s, up) - observed(s, down), 2.0L * kPi) / (2.0L * step));
    }
    g.by_point.push_back(row);
  }
  const std::size_t last = t.closed ? t.size() - 1 : t.size();
  for (std::size_t c = 0; c < planned.size(); ++c) {
    const std::size_t point = c / 2 + 1;
    (point >= 2 && point <= last ? g.unknown : g.known).push_back(c);
  }
  return g;
}

// sigma^2 of one direction or bearing, rad^2.
inline Real direction_variance(const Instruments& use) {
  const Real sigma = use.cc ? use.seconds / 10000.0L * kPi / 200.0L : use.seconds / 3600.0L * kPi / 180.0L;
  return sigma * sigma;
}

inline std::vector<Matrix> observation_covariance(const Geometry& g, const Instruments& use) {
  const std::size_t m = g.sightings.size();
  std::vector<Matrix> parts(sources, zeros(m, m));
  const Traverse& t = g.traverse;
  for (std::size_t k = 0; k < m; ++k) {
    const Sighting& s = g.sightings[k];
    if (s.kind == Kind::distance) {
      const auto i = static_cast<std::size_t>(s.station - 1), j = static_cast<std::size_t>(s.forward - 1);
      const Real length = std::hypot(static_cast<Real>(t.m[j]) - t.m[i], static_cast<Real>(t.p[j]) - t.p[i]);
      parts[distances_mm][k][k] = std::pow(use.mm / 1000.0L, 2);
      parts[distances_ppm][k][k] = std::pow(use.ppm * 1e-6L * length, 2);
    } else {
      // An angle is the difference of two observed directions; each set repeats them.
      parts[directions][k][k] = (s.kind == Kind::angle ? 2.0L : 1.0L) * direction_variance(use) / use.sets;
    }
  }
  // A displaced instrument or target moves every sighting of its setup that uses it, as
  // if its point stood elsewhere for that setup only: over the points a setup does not
  // use the derivatives are nil.
  for (std::size_t k = 0; k < m; ++k) {
    for (std::size_t l = 0; l < m; ++l) {
      const Sighting &a = g.sightings[k], &b = g.sightings[l];
      if (a.setup != b.setup) continue;
      for (std::int32_t point = 1; point <= static_cast<std::int32_t>(t.size()); ++point) {
        const bool instrument = point == a.station;
        const Real sigma = (instrument ? use.instrument_centring_mm : use.target_centring_mm) / 1000.0L;
        const auto c = static_cast<std::size_t>(2 * point - 2);
        parts[instrument ? instrument_centring : target_centring][k][l] +=
            sigma * sigma * (g.by_point[k][c] * g.by_point[l][c] + g.by_point[k][c + 1] * g.by_point[l][c + 1]);
      }
    }
  }
  return parts;
}

// The known ends' covariance as the decision takes them: a declined closed traverse's ends
// are exact; a loop's one mark is both ends, its error shared whole by both.
inline Matrix known_covariance(const Traverse& t) {
  const auto block = [](const StartCov& c) {
    const Real s_m = c.s_m, s_p = c.s_p;
    return Matrix{{s_m * s_m, c.s_mp}, {c.s_mp, s_p * s_p}};
  };
  if (!t.closed) return block(t.initial);
  Matrix sigma = zeros(4, 4);
  if (!t.goniometric) return sigma;
  const Matrix first = block(t.initial), last = t.loop ? first : block(t.final_point);
  for (std::size_t i = 0; i < 2; ++i) {
    for (std::size_t j = 0; j < 2; ++j) {
      sigma[i][j] = first[i][j];
      sigma[i + 2][j + 2] = last[i][j];
      if (t.loop) sigma[i][j + 2] = sigma[i + 2][j] = first[i][j];
    }
  }
  return sigma;
}

struct DenseSolution {
  Matrix covariance;              // 2n x 2n, every point in file order, m^2
  std::vector<Matrix> parts;      // the observations' covariance by source
  Matrix observations;            // their sum
  Matrix gain;                    // unknowns by observations, N^-1 A^T P
  Matrix by_known;                // unknowns by known coordinates, -gain B
  Matrix known;                   // the known coordinates' covariance
  Matrix cofactor;                // N^-1
  Matrix weight;                  // P
};

inline DenseSolution solve(const Geometry& g, const Instruments& use) {
  DenseSolution s;
  s.parts = observation_covariance(g, use);
  const std::size_t m = g.sightings.size();
  s.observations = zeros(m, m);
  for (const Matrix& part : s.parts)
    for (std::size_t i = 0; i < m; ++i)
      for (std::size_t j = 0; j < m; ++j) s.observations[i][j] += part[i][j];
  Matrix a = zeros(m, g.unknown.size()), b = zeros(m, g.known.size());
  for (std::size_t k = 0; k < m; ++k) {
    for (std::size_t u = 0; u < g.unknown.size(); ++u) a[k][u] = g.by_point[k][g.unknown[u]];
    for (std::size_t c = 0; c < g.known.size(); ++c) b[k][c] = g.by_point[k][g.known[c]];
  }
  s.weight = inverse(s.observations);
  const Matrix at_p = multiply(transpose(a), s.weight);
  s.cofactor = inverse(multiply(at_p, a));
  s.gain = multiply(s.cofactor, at_p);
  s.by_known = multiply(s.gain, b);
  for (auto& row : s.by_known)
    for (Real& x : row) x = -x;
  s.known = known_covariance(g.traverse);
  const Matrix g_sigma = multiply(s.by_known, s.known);
  const Matrix unknown = multiply(g_sigma, transpose(s.by_known));
  const std::size_t size = 2 * g.traverse.size();
  s.covariance = zeros(size, size);
  for (std::size_t i = 0; i < g.unknown.size(); ++i) {
    for (std::size_t j = 0; j < g.unknown.size(); ++j)
      s.covariance[g.unknown[i]][g.unknown[j]] = s.cofactor[i][j] + unknown[i][j];
    for (std::size_t c = 0; c < g.known.size(); ++c)
      s.covariance[g.unknown[i]][g.known[c]] = s.covariance[g.known[c]][g.unknown[i]] = g_sigma[i][c];
  }
  for (std::size_t c = 0; c < g.known.size(); ++c)
    for (std::size_t d = 0; d < g.known.size(); ++d) s.covariance[g.known[c]][g.known[d]] = s.known[c][d];
  return s;
}

inline Cov block(const DenseSolution& s, std::size_t i) {  // point i, 1-based
  const std::size_t r = 2 * i - 2;
  return Cov{static_cast<double>(s.covariance[r][r]), static_cast<double>(s.covariance[r + 1][r + 1]),
             static_cast<double>(s.covariance[r][r + 1])};
}

// x_j - x_i.
inline Cov relative(const DenseSolution& s, std::size_t i, std::size_t j) {
  const auto& c = s.covariance;
  const std::size_t a = 2 * i - 2, b = 2 * j - 2;
  return Cov{static_cast<double>(c[a][a] + c[b][b] - 2.0L * c[a][b]),
             static_cast<double>(c[a + 1][a + 1] + c[b + 1][b + 1] - 2.0L * c[a + 1][b + 1]),
             static_cast<double>(c[a][a + 1] + c[b][b + 1] - c[a][b + 1] - c[a + 1][b])};
}

// Every point's covariance of an open traverse walked in the plan's order from its first
// point: with as many observations as unknowns the least squares is the propagation itself.
inline std::vector<Cov> open_propagation(const Plan& plan, bool goniometric, const Instruments& use,
                                         const StartCov& start) {
  const Traverse t{plan.m, plan.p, goniometric, false, start, {}, false};
  const DenseSolution s = solve(geometry_of(t), use);
  std::vector<Cov> all;
  for (std::size_t i = 1; i <= t.size(); ++i) all.push_back(block(s, i));
  return all;
}

// The variance of v . x by source, in % of the whole (known ends last), and each
// sighting's own instrument variance carried to it, in %.
struct Budget {
  std::vector<double> percent;  // directions, mm, ppm, instrument, target, known ends
  std::vector<double> by_sighting;
  double total = 0.0;  // m^2
};

inline Budget budget(const Geometry& g, const DenseSolution& s, const std::vector<Real>& v) {
  const std::size_t m = g.sightings.size();
  std::vector<Real> w(m, 0.0L), h(g.known.size(), 0.0L);
  for (std::size_t c = 0; c < g.known.size(); ++c) h[c] = v[g.known[c]];
  for (std::size_t u = 0; u < g.unknown.size(); ++u) {
    for (std::size_t k = 0; k < m; ++k) w[k] += s.gain[u][k] * v[g.unknown[u]];
    for (std::size_t c = 0; c < g.known.size(); ++c) h[c] += s.by_known[u][c] * v[g.unknown[u]];
  }
  std::vector<Real> parts;
  for (const Matrix& part : s.parts) {
    Real x = 0.0L;
    for (std::size_t k = 0; k < m; ++k)
      for (std::size_t l = 0; l < m; ++l) x += w[k] * part[k][l] * w[l];
    parts.push_back(x);
  }
  Real known = 0.0L;
  for (std::size_t c = 0; c < h.size(); ++c)
    for (std::size_t d = 0; d < h.size(); ++d) known += h[c] * s.known[c][d] * h[d];
  parts.push_back(known);
  Real total = 0.0L;
  for (const Real x : parts) total += x;
  Budget b;
  b.total = static_cast<double>(total);
  for (const Real x : parts) b.percent.push_back(static_cast<double>(100.0L * x / total));
  for (std::size_t k = 0; k < m; ++k) {
    const Real own = s.parts[directions][k][k] + s.parts[distances_mm][k][k] + s.parts[distances_ppm][k][k];
    b.by_sighting.push_back(static_cast<double>(100.0L * w[k] * w[k] * own / total));
  }
  return b;
}

// ---- The decision ---------------------------------------------------------------------

struct Tolerance {
  bool relative = false;
  double relative_mm = 0.0, relative_ppm = 0.0;
  bool point = false;
  double point_mm = 0.0;
};

inline double ratio_of(double a, double tolerance) {
  if (tolerance > 0.0) return a / tolerance;
  return a > 0.0 ? std::numeric_limits<double>::infinity() : 0.0;
}

struct PairFigure {
  std::int32_t from = 0, to = 0;
  double distance = 0.0, a = 0.0, tolerance = 0.0, ratio = 0.0;
};

struct Decision {
  std::vector<double> point_a, point_ratio;  // point i at [i-1], at k
  std::vector<PairFigure> pairs;             // every pair i < j, worst ratio first, then file order
  std::optional<PairFigure> worst_pair;      // two known ends left out
  std::int32_t worst_point = 0;              // the computed point of largest ratio
  double worst = 0.0;                        // the largest ratio over every tolerance given
};

inline bool is_known(const Traverse& t, std::size_t point) {
  return point == 1 || (t.closed && point == t.size());
}

inline Decision decide(const Traverse& t, const DenseSolution& s, double k, const Tolerance& tolerance) {
  Decision d;
  const std::size_t n = t.size();
  for (std::size_t i = 1; i <= n; ++i) {
    d.point_a.push_back(principal_axes(block(s, i), k).a);
    d.point_ratio.push_back(ratio_of(d.point_a.back(), tolerance.point_mm / 1000.0));
    if (tolerance.point && !is_known(t, i)) {
      if (d.worst_point == 0 || d.point_ratio.back() > d.point_ratio[static_cast<std::size_t>(d.worst_point - 1)])
        d.worst_point = static_cast<std::int32_t>(i);
      d.worst = std::max(d.worst, d.point_ratio.back());
    }
  }
  for (std::size_t i = 1; i <= n; ++i) {
    for (std::size_t j = i + 1; j <= n; ++j) {
      PairFigure f;
      f.from = static_cast<std::int32_t>(i), f.to = static_cast<std::int32_t>(j);
      f.distance = std::hypot(t.m[j - 1] - t.m[i - 1], t.p[j - 1] - t.p[i - 1]);
      f.a = principal_axes(relative(s, i, j), k).a;
      f.tolerance = tolerance.relative_mm / 1000.0 + tolerance.relative_ppm * 1e-6 * f.distance;
      f.ratio = ratio_of(f.a, f.tolerance);
      d.pairs.push_back(f);
    }
  }
  std::stable_sort(d.pairs.begin(), d.pairs.end(),
                   [](const PairFigure& x, const PairFigure& y) { return x.ratio > y.ratio; });
  for (const PairFigure& f : d.pairs) {
    if (is_known(t, static_cast<std::size_t>(f.from)) && is_known(t, static_cast<std::size_t>(f.to))) continue;
    d.worst_pair = f;
    if (tolerance.relative) d.worst = std::max(d.worst, f.ratio);
    break;
  }
  return d;
}

inline double worst_ratio(const Geometry& g, const Instruments& use, double k, const Tolerance& tolerance) {
  return decide(g.traverse, solve(g, use), k, tolerance).worst;
}

// The largest of lo, lo + 0.1, ..., hi meeting every tolerance, by trying each in turn.
template <typename Change>
std::optional<double> scanned_limit(const Geometry& g, const Instruments& given, double k, const Tolerance& tolerance,
                                    double lo, double hi, Change change) {
  std::optional<double> found;
  const auto steps = static_cast<std::int32_t>(std::lround((hi - lo) * 10.0));
  for (std::int32_t i = 0; i <= steps; ++i) {
    const double value = lo + i / 10.0;
    Instruments use = given;
    change(use, value == 0.0 ? 0.0001 : value);  // a zero precision stands for the smallest
    if (worst_ratio(g, use, k, tolerance) <= 1.0) found = value;
  }
  return found;
}

// Internal and external reliability of one sighting, with delta0 = 4.13.
struct SightingReliability {
  double sigma = 0.0, redundancy = 0.0, minimal_bias = 0.0, largest_shift = 0.0;
  std::int32_t shifted_point = 0;
};

inline std::vector<SightingReliability> reliability(const Geometry& g, const DenseSolution& s) {
  const std::size_t m = g.sightings.size();
  Matrix a = zeros(m, g.unknown.size());
  for (std::size_t k = 0; k < m; ++k)
    for (std::size_t u = 0; u < g.unknown.size(); ++u) a[k][u] = g.by_point[k][g.unknown[u]];
  Matrix q_vv = multiply(multiply(a, s.cofactor), transpose(a));
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < m; ++j) q_vv[i][j] = s.observations[i][j] - q_vv[i][j];
  const Matrix q_p = multiply(q_vv, s.weight);
  const Matrix p_q_p = multiply(s.weight, q_p);
  std::vector<SightingReliability> all;
  for (std::size_t k = 0; k < m; ++k) {
    SightingReliability r;
    r.sigma = static_cast<double>(std::sqrt(s.observations[k][k]));
    r.redundancy = static_cast<double>(q_p[k][k]);
    const Real bias = 4.13L / std::sqrt(p_q_p[k][k]);
    r.minimal_bias = static_cast<double>(bias);
    for (std::size_t u = 0; u + 1 < g.unknown.size(); u += 2) {
      const Real shift = std::hypot(s.gain[u][k], s.gain[u + 1][k]) * bias;
      if (shift > r.largest_shift) {
        r.largest_shift = static_cast<double>(shift);
        r.shifted_point = static_cast<std::int32_t>(g.unknown[u] / 2 + 1);
      }
    }
    all.push_back(r);
  }
  return all;
}

}  // namespace elipses::checks
