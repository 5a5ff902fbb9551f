#include "propagation/adjustment.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <stdexcept>

#include "propagation/declined.hpp"
#include "propagation/goniometric.hpp"

namespace elipses {

namespace {

// Two coordinates per point and at most three consecutive points per observation: the
// normal matrix has no entry further than 5 from its diagonal.
constexpr std::size_t band = 5;

// Columns of the known ends in A^T P B and in G: M1, P1 of the initial point, then Mn, Pn
// of the final point of a closed traverse.
constexpr std::size_t end_columns = 4;

// A small 2x2 block, m^2 or dimensionless: [[mm, mp], [pm, pp]].
struct Block {
  double mm = 0.0;
  double mp = 0.0;
  double pm = 0.0;
  double pp = 0.0;
};

Block block_of(const Covariance2& c) { return Block{c.var_m, c.cov_mp, c.cov_mp, c.var_p}; }

Block product(const Block& x, const Block& y) {
  return Block{x.mm * y.mm + x.mp * y.pm, x.mm * y.mp + x.mp * y.pp, x.pm * y.mm + x.pp * y.pm,
               x.pm * y.mp + x.pp * y.pp};
}

Block transposed(const Block& x) { return Block{x.mm, x.pm, x.mp, x.pp}; }

Block sum(const Block& x, const Block& y) { return Block{x.mm + y.mm, x.mp + y.mp, x.pm + y.pm, x.pp + y.pp}; }

CrossCovariance2 cross_of(const Block& x) { return CrossCovariance2{x.mm, x.mp, x.pm, x.pp}; }

// A symmetric block as a point's covariance; the two off-diagonal terms are equal up to
// rounding, and their mean keeps the result symmetric whatever order produced them.
Covariance2 covariance_of(const Block& x) { return Covariance2{x.mm, x.pp, 0.5 * (x.mp + x.pm)}; }

// What one observation depends on: its partial derivatives by the coordinates of up to
// three points (dimensionless for a length, 1/m for a direction), and its weight,
// 1/sigma^2.
struct Term {
  std::int32_t point = 0;
  double by_m = 0.0;
  double by_p = 0.0;
};

struct ObservationRow {
  std::array<Term, 3> terms{};
  std::size_t count = 0;
  double weight = 0.0;
};

// The length of the line from point a to point b: dD/dM_b = dM/D, dD/dP_b = dP/D, the
// opposite for a.
ObservationRow distance_row(const PointList& points, std::int32_t a, std::int32_t b, double weight) {
  const double dm = points.at(b).m - points.at(a).m;
  const double dp = points.at(b).p - points.at(a).p;
  const double length = leg_length(dm, dp);
  ObservationRow row;
  row.terms[0] = Term{b, dm / length, dp / length};
  row.terms[1] = Term{a, -(dm / length), -(dp / length)};
  row.count = 2;
  row.weight = weight;
  return row;
}

// The derivatives of the bearing t = atan2(dM, dP) of the line from a to b by the
// coordinates of b: dt/dM_b = dP/D^2, dt/dP_b = -dM/D^2, in 1/m. Those by a are opposite.
Term bearing_term(const PointList& points, std::int32_t a, std::int32_t b) {
  const double dm = points.at(b).m - points.at(a).m;
  const double dp = points.at(b).p - points.at(a).p;
  const double length_squared = square(dm) + square(dp);
  return Term{b, dp / length_squared, -dm / length_squared};
}

ObservationRow bearing_row(const PointList& points, std::int32_t a, std::int32_t b, double weight) {
  const Term at_b = bearing_term(points, a, b);
  ObservationRow row;
  row.terms[0] = at_b;
  row.terms[1] = Term{a, -at_b.by_m, -at_b.by_p};
  row.count = 2;
  row.weight = weight;
  return row;
}

// The angle at station i from the back leg to the forward leg: the bearing i -> i+1 minus
// the bearing i -> i-1.
ObservationRow angle_row(const PointList& points, std::int32_t i, double weight) {
  const Term forward = bearing_term(points, i, i + 1);
  const Term back = bearing_term(points, i, i - 1);
  ObservationRow row;
  row.terms[0] = Term{i - 1, -back.by_m, -back.by_p};
  row.terms[1] = Term{i, -forward.by_m + back.by_m, -forward.by_p + back.by_p};
  row.terms[2] = forward;
  row.count = 3;
  row.weight = weight;
  return row;
}

// The normal equations of the unknown points, in the order of the chain: unknown u
// (0-based) is point u + 2, its coordinates rows 2u (M) and 2u + 1 (P).
class NormalEquations {
 public:
  NormalEquations(std::int32_t n, bool closed)
      : n_(n),
        closed_(closed),
        unknowns_(static_cast<std::size_t>(closed ? n - 2 : n - 1)),
        size_(2 * unknowns_),
        upper_(size_),
        by_ends_(size_),
        inverse_(size_) {}

  std::size_t unknowns() const { return unknowns_; }

  // Adds w * a^T a to N and w * a^T b to A^T P B, a and b the row's derivatives by the
  // unknowns and by the known ends.
  void add(const ObservationRow& row) {
    for (std::size_t x = 0; x < row.count; ++x) {
      const Term& tx = row.terms[x];
      if (!is_unknown(tx.point)) continue;
      const std::size_t rx = row_of(tx.point);
      const std::array<double, 2> ax{row.weight * tx.by_m, row.weight * tx.by_p};
      for (std::size_t y = 0; y < row.count; ++y) {
        const Term& ty = row.terms[y];
        const std::array<double, 2> ay{ty.by_m, ty.by_p};
        if (is_unknown(ty.point)) {
          const std::size_t ry = row_of(ty.point);
          for (std::size_t cx = 0; cx < 2; ++cx) {
            for (std::size_t cy = 0; cy < 2; ++cy) {
              // Only the upper band is kept: N is symmetric.
              if (ry + cy >= rx + cx) upper_[rx + cx][ry + cy - (rx + cx)] += ax[cx] * ay[cy];
            }
          }
        } else {
          const std::size_t column = end_column_of(ty.point);
          for (std::size_t cx = 0; cx < 2; ++cx) {
            for (std::size_t cy = 0; cy < 2; ++cy) by_ends_[rx + cx][column + cy] += ax[cx] * ay[cy];
          }
        }
      }
    }
  }

  // N = L D L^T in place, band by band: upper_[j][0] becomes d_j and upper_[j][k] becomes
  // L(j + k, j). N is positive definite (the lengths and angles of the open chain alone fix
  // every unknown), so every d_j is positive.
  void factorise() {
    for (std::size_t j = 0; j < size_; ++j) {
      const std::size_t first = j > band ? j - band : 0;
      double pivot = upper_[j][0];
      for (std::size_t k = first; k < j; ++k) pivot -= square(lower(j, k)) * upper_[k][0];
      upper_[j][0] = pivot;
      const std::size_t last = std::min(j + band, size_ - 1);
      for (std::size_t i = j + 1; i <= last; ++i) {
        double s = upper_[j][i - j];
        for (std::size_t k = i > band ? i - band : 0; k < j; ++k) s -= lower(i, k) * lower(j, k) * upper_[k][0];
        upper_[j][i - j] = s / pivot;
      }
    }
  }

  // The band of N^-1 from the factor, last row first (selected inversion): for j >= i,
  // Z(i, j) = [i == j] / d_i - sum over k = i+1 .. i+5 of L(k, i) Z(k, j), where every Z
  // needed lies in the band rows below i already hold.
  void invert_band() {
    for (std::size_t ii = size_; ii-- > 0;) {
      const std::size_t reach = std::min(band, size_ - 1 - ii);
      for (std::size_t t = reach + 1; t-- > 0;) {
        double z = t == 0 ? 1.0 / upper_[ii][0] : 0.0;
        for (std::size_t s = 1; s <= reach; ++s) z -= upper_[ii][s] * inverse(ii + s, ii + t);
        inverse_[ii][t] = z;
      }
    }
  }

  // G = -N^-1 A^T P B by the factor, one column of the ends at a time.
  void solve_for_ends() {
    for (std::size_t column = 0; column < end_columns; ++column) {
      for (std::size_t j = 0; j < size_; ++j) {
        double y = -by_ends_[j][column];
        for (std::size_t k = j > band ? j - band : 0; k < j; ++k) y -= lower(j, k) * by_ends_[k][column];
        by_ends_[j][column] = y;
      }
      for (std::size_t j = 0; j < size_; ++j) by_ends_[j][column] /= upper_[j][0];
      for (std::size_t j = size_; j-- > 0;) {
        double x = by_ends_[j][column];
        const std::size_t last = std::min(j + band, size_ - 1);
        for (std::size_t i = j + 1; i <= last; ++i) x -= lower(i, j) * by_ends_[i][column];
        by_ends_[j][column] = x;
      }
    }
  }

  // Blocks (u, u) and (u, u + 1) of N^-1.
  Block inverse_own(std::size_t u) const {
    const std::size_t r = 2 * u;
    return Block{inverse_[r][0], inverse_[r][1], inverse_[r][1], inverse_[r + 1][0]};
  }
  Block inverse_next(std::size_t u) const {
    const std::size_t r = 2 * u;
    return Block{inverse_[r][2], inverse_[r][3], inverse_[r + 1][1], inverse_[r + 1][2]};
  }

  // Block of G for unknown u by the initial (column 0) or final (column 2) end.
  Block gain(std::size_t u, std::size_t column) const {
    const std::array<double, end_columns>& m_row = by_ends_[2 * u];
    const std::array<double, end_columns>& p_row = by_ends_[2 * u + 1];
    return Block{m_row[column], m_row[column + 1], p_row[column], p_row[column + 1]};
  }

  bool is_unknown(std::int32_t point) const { return point > 1 && (!closed_ || point < n_); }

 private:
  std::size_t row_of(std::int32_t point) const { return 2 * static_cast<std::size_t>(point - 2); }
  std::size_t end_column_of(std::int32_t point) const { return point == 1 ? 0 : 2; }
  double lower(std::size_t i, std::size_t j) const { return upper_[j][i - j]; }
  double inverse(std::size_t i, std::size_t j) const {
    return i <= j ? inverse_[i][j - i] : inverse_[j][i - j];
  }

  std::int32_t n_;
  bool closed_;
  std::size_t unknowns_;
  std::size_t size_;
  std::vector<std::array<double, band + 1>> upper_;     // N(r, r + k), then the factor
  std::vector<std::array<double, end_columns>> by_ends_;  // A^T P B, then G
  std::vector<std::array<double, band + 1>> inverse_;   // N^-1(r, r + k)
};

bool positive_finite(double variance) { return variance > 0.0 && std::isfinite(variance); }

}  // namespace

bool adjustment_is_defined(ObservationMode mode, const ObservationPrecision& precision) {
  // A leg's length variance is at least the larger of its two parts; the ppm part is
  // checked per metre, legs of a real traverse being longer than that.
  const bool lengths = std::isfinite(distance_variance(precision, 1.0)) &&
                       (positive_finite(square(precision.distance_fixed_mm * 0.001)) ||
                        positive_finite(square(precision.distance_ppm * 1e-6)));
  const double direction_var =
      mode == ObservationMode::goniometric ? angle_variance(precision) : bearing_variance(precision);
  return lengths && positive_finite(direction_var);
}

TraverseCovariance adjust_traverse(const PointList& points, ObservationMode mode, const ObservationPrecision& precision,
                                   const EndpointCovariance& initial_point, const EndpointCovariance* final_point) {
  TraverseCovariance joint;
  const std::int32_t n = points.n;
  if (n < 1) return joint;
  const bool closed = final_point != nullptr;
  const Block initial = block_of(start_covariance(initial_point));
  const Block final_end = closed ? block_of(start_covariance(*final_point)) : Block{};
  if (n == 1) {
    joint.points.push_back(start_covariance(initial_point));
    return joint;
  }
  if (closed && n == 2) {
    // Both points known: nothing to adjust, and the ends are independent.
    joint.points = {start_covariance(initial_point), start_covariance(*final_point)};
    joint.neighbours.resize(1);
    return joint;
  }

  NormalEquations normal(n, closed);
  for (std::int32_t i = 1; i < n; ++i) {
    normal.add(distance_row(points, i, i + 1, 1.0 / distance_variance(precision, leg_geometry(points, i).length)));
  }
  if (mode == ObservationMode::declined) {
    const double weight = 1.0 / bearing_variance(precision);
    for (std::int32_t i = 1; i < n; ++i) normal.add(bearing_row(points, i, i + 1, weight));
  } else {
    const double weight = 1.0 / angle_variance(precision);
    // Station 1: from an error-free reference direction to point 2, the bearing 1 -> 2.
    normal.add(bearing_row(points, 1, 2, weight));
    for (std::int32_t i = 2; i < n; ++i) normal.add(angle_row(points, i, weight));
    // Station n: from point n-1 to an error-free reference direction, the bearing n -> n-1.
    if (closed) normal.add(bearing_row(points, n, n - 1, weight));
  }
  normal.factorise();
  normal.invert_band();
  normal.solve_for_ends();

  // Sigma_x = N^-1 + G Sigma_c G^T, Sigma_c block-diagonal: each end on its own.
  const std::size_t unknowns = normal.unknowns();
  auto carried = [&](std::size_t u, std::size_t v) {
    Block b = product(product(normal.gain(u, 0), initial), transposed(normal.gain(v, 0)));
    if (closed) b = sum(b, product(product(normal.gain(u, 2), final_end), transposed(normal.gain(v, 2))));
    return b;
  };
  joint.points.reserve(static_cast<std::size_t>(n));
  joint.neighbours.reserve(static_cast<std::size_t>(n - 1));
  joint.points.push_back(start_covariance(initial_point));
  // The ends' cross-covariance with an unknown is G Sigma_c: point 1 against point 2 is
  // its transpose, Sigma_1 G_2,1^T.
  joint.neighbours.push_back(cross_of(product(initial, transposed(normal.gain(0, 0)))));
  for (std::size_t u = 0; u < unknowns; ++u) {
    joint.points.push_back(covariance_of(sum(normal.inverse_own(u), carried(u, u))));
    if (u + 1 < unknowns) joint.neighbours.push_back(cross_of(sum(normal.inverse_next(u), carried(u, u + 1))));
  }
  if (closed) {
    joint.points.push_back(start_covariance(*final_point));
    joint.neighbours.push_back(cross_of(product(normal.gain(unknowns - 1, 2), final_end)));
  }
  return joint;
}

TraverseCovariance propagate_open_joint(const PointList& points, ObservationMode mode,
                                        const ObservationPrecision& precision, const EndpointCovariance& initial_point) {
  TraverseCovariance joint;
  if (points.n < 1) return joint;
  const Covariance2 start = start_covariance(initial_point);
  joint.points.push_back(start);
  const std::vector<Covariance2> computed = mode == ObservationMode::goniometric
                                                ? propagate_goniometric(points, points.n, start, precision)
                                                : propagate_declined(points, start, precision);
  joint.points.insert(joint.points.end(), computed.begin(), computed.end());

  // Point j+1 is point j moved along leg j. In declined mode that move is leg j's own
  // errors, independent of point j, so the pair shares point j's whole covariance. In
  // goniometric mode the angle at each station i < j turns point j about station i by the
  // lever arm r_j - r_i and leg j with it: the pair shares, beyond point j's covariance,
  // sigma^2 J(s_j) J(l_j)^T with J(v) = (vP, -vM) and s_j = sum over i < j of (r_j - r_i),
  // carried as s_j+1 = s_j + j l_j. (Station j's own angle turns only point j+1.)
  const double angle_var = mode == ObservationMode::goniometric ? angle_variance(precision) : 0.0;
  double levers_m = 0.0;  // s_j, metres
  double levers_p = 0.0;
  joint.neighbours.reserve(static_cast<std::size_t>(points.n - 1));
  for (std::int32_t j = 1; j < points.n; ++j) {
    const Covariance2& own = joint.points[static_cast<std::size_t>(j - 1)];
    const Leg leg = leg_geometry(points, j);
    CrossCovariance2 shared{own.var_m, own.cov_mp, own.cov_mp, own.var_p};
    if (mode == ObservationMode::goniometric) {
      shared.mm += levers_p * leg.dp * angle_var;
      shared.mp -= levers_p * leg.dm * angle_var;
      shared.pm -= levers_m * leg.dp * angle_var;
      shared.pp += levers_m * leg.dm * angle_var;
      levers_m += static_cast<double>(j) * leg.dm;
      levers_p += static_cast<double>(j) * leg.dp;
    }
    joint.neighbours.push_back(shared);
  }
  return joint;
}

Covariance2 relative_covariance(const TraverseCovariance& joint, std::int32_t i) {
  if (i < 1 || static_cast<std::size_t>(i) >= joint.points.size() ||
      static_cast<std::size_t>(i) > joint.neighbours.size()) {
    throw std::out_of_range("relative_covariance: no such pair of neighbouring points");
  }
  const std::size_t k = static_cast<std::size_t>(i - 1);
  const Covariance2& here = joint.points[k];
  const Covariance2& next = joint.points[k + 1];
  const CrossCovariance2& shared = joint.neighbours[k];
  return Covariance2{here.var_m + next.var_m - 2.0 * shared.mm, here.var_p + next.var_p - 2.0 * shared.pp,
                     here.cov_mp + next.cov_mp - shared.mp - shared.pm};
}

PredictedMisclosure predicted_misclosure(const PointList& points, ObservationMode mode,
                                         const ObservationPrecision& precision,
                                         const EndpointCovariance& initial_point,
                                         const EndpointCovariance& final_point) {
  PredictedMisclosure closure;
  const std::int32_t n = points.n;
  if (n < 1) return closure;
  for (std::int32_t i = 1; i < n; ++i) closure.traverse_length += leg_geometry(points, i).length;

  // Point n as the open propagation reaches it, with the same additions in the same order.
  Covariance2 c = start_covariance(initial_point);
  if (mode == ObservationMode::goniometric) {
    const double angle_var = angle_variance(precision);
    closure.angular_variance = static_cast<double>(n) * angle_var;
    const Point& target = points.at(n);
    // Covariance of the linear misclosure with the angular one, m·rad: every station
    // angle but the last turns point n about its station.
    double with_angular_m = 0.0;
    double with_angular_p = 0.0;
    for (std::int32_t i = 1; i < n; ++i) {
      with_angular_m += (target.p - points.at(i).p) * angle_var;
      with_angular_p -= (target.m - points.at(i).m) * angle_var;
    }
    closure.with_angular_m = with_angular_m;
    closure.with_angular_p = with_angular_p;
    for (std::int32_t i = 1; i < n; ++i) {
      const Leg leg = leg_geometry(points, i);
      const double length_var = distance_variance(precision, leg.length);
      const double length_squared = square(leg.length);
      const Point& station = points.at(i);
      const double to_target_m = target.m - station.m;
      const double to_target_p = target.p - station.p;
      c.var_m += square(leg.dm) / length_squared * length_var + square(to_target_p) * angle_var;
      c.var_p += square(leg.dp) / length_squared * length_var + square(to_target_m) * angle_var;
      c.cov_mp += leg.dm * leg.dp / length_squared * length_var - to_target_m * to_target_p * angle_var;
    }
  } else {
    const double bearing_var = bearing_variance(precision);
    for (std::int32_t i = 1; i < n; ++i) {
      const Covariance2 leg = declined_leg_covariance(leg_geometry(points, i), precision, bearing_var);
      c.var_m += leg.var_m;
      c.var_p += leg.var_p;
      c.cov_mp += leg.cov_mp;
    }
  }
  const Covariance2 final_covariance = start_covariance(final_point);
  closure.linear = Covariance2{c.var_m + final_covariance.var_m, c.var_p + final_covariance.var_p,
                               c.cov_mp + final_covariance.cov_mp};
  // Once the angular misclosure is spread over the angles (equally, as their weights are
  // equal), what is left of the linear one: its covariance given the angular one.
  closure.linear_after_angular = closure.linear;
  if (closure.angular_variance > 0.0) {
    closure.linear_after_angular.var_m -= square(closure.with_angular_m) / closure.angular_variance;
    closure.linear_after_angular.var_p -= square(closure.with_angular_p) / closure.angular_variance;
    closure.linear_after_angular.cov_mp -= closure.with_angular_m * closure.with_angular_p / closure.angular_variance;
  }
  return closure;
}

}  // namespace elipses
