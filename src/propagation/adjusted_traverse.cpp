#include "propagation/adjusted_traverse.hpp"

#include <utility>

namespace elipses {

namespace {

AdjustmentPlan plan_of(const ObservationModel& model, std::int32_t n) {
  return AdjustmentPlan{2, model.shape.closed ? n - 1 : n, {}};
}

}  // namespace

ErrorSources shares_of(const ErrorSources& parts) {
  const double total = parts.total();
  const auto percent = [&](double part) { return total > 0.0 ? 100.0 * part / total : 0.0; };
  return ErrorSources{percent(parts.directions),          percent(parts.distances_fixed),
                     percent(parts.distances_ppm),       percent(parts.instrument_centring),
                     percent(parts.target_centring),     percent(parts.known_points)};
}

AdjustedTraverse::AdjustedTraverse(const PointList& points, ObservationModel model,
                                   const EndpointCovariance& initial_point, const EndpointCovariance& final_point)
    : model_(std::move(model)),
      n_(points.n),
      first_(2),
      last_(model_.shape.closed ? points.n - 1 : points.n),
      adjustment_(model_, plan_of(model_, points.n)) {
  known_.before = matrix_of(start_covariance(initial_point));
  if (model_.shape.closed) known_.after = model_.shape.loop ? known_.before : matrix_of(start_covariance(final_point));
  // A loop's two ends are one point: its error is shared whole by both.
  if (model_.shape.loop) known_.shared = known_.before;
  own_.reserve(static_cast<std::size_t>(n_ > 0 ? n_ : 0));
  for (std::int32_t i = 1; i <= n_; ++i) {
    own_.push_back(covariance_of(is_known(i) ? known_block(i, i) : adjustment_.covariance(i, i, known_)));
  }
}

Matrix2 AdjustedTraverse::known_block(std::int32_t a, std::int32_t b) const {
  if (after(a) == after(b)) return after(a) ? known_.after : known_.before;
  return after(a) ? transposed(known_.shared) : known_.shared;
}

Matrix2 AdjustedTraverse::neighbour(std::int32_t i) const {
  const bool known_here = is_known(i);
  const bool known_next = is_known(i + 1);
  if (known_here && known_next) return known_block(i, i + 1);
  // A known point against an unknown one: its row of Sigma_c times G^T.
  if (known_here) {
    return sum(product(known_.before, transposed(adjustment_.gain(i + 1, false))),
               product(known_.shared, transposed(adjustment_.gain(i + 1, true))));
  }
  if (known_next) {
    return sum(product(adjustment_.gain(i, false), known_.shared), product(adjustment_.gain(i, true), known_.after));
  }
  return adjustment_.covariance(i, i + 1, known_);
}

TraverseCovariance AdjustedTraverse::blocks() const {
  TraverseCovariance joint;
  if (n_ < 1) return joint;
  if (n_ == 1) {
    // One point: the initial point, whatever the shape.
    joint.points.push_back(covariance_of(known_.before));
    return joint;
  }
  joint.points = own_;
  joint.neighbours.reserve(static_cast<std::size_t>(n_ - 1));
  for (std::int32_t i = 1; i < n_; ++i) joint.neighbours.push_back(neighbour(i));
  return joint;
}

Covariance2 AdjustedTraverse::relative(const Covariance2& i, const Covariance2& j, const Matrix2& cross_ij) {
  return Covariance2{i.var_m + j.var_m - 2.0 * cross_ij.mm, i.var_p + j.var_p - 2.0 * cross_ij.pp,
                     i.cov_mp + j.cov_mp - cross_ij.mp - cross_ij.pm};
}

void AdjustedTraverse::column(std::int32_t j, std::vector<Matrix2>& cross) const {
  cross.assign(static_cast<std::size_t>(n_), Matrix2{});
  // Sigma_c's rows against point j: for a known j its own block; for an unknown one
  // Sigma_c G_j^T.
  std::array<Matrix2, 2> by_known{};  // [before, after] x point j
  if (is_known(j)) {
    by_known = {known_block(first_ - 1, j), known_block(last_ + 1, j)};
  } else {
    const Matrix2 g_before = transposed(adjustment_.gain(j, false));
    const Matrix2 g_after = transposed(adjustment_.gain(j, true));
    by_known = {sum(product(known_.before, g_before), product(known_.shared, g_after)),
                sum(product(transposed(known_.shared), g_before), product(known_.after, g_after))};
  }
  // Q_x's two columns of point j, from the factor.
  std::vector<double> q_m;
  std::vector<double> q_p;
  if (!is_known(j)) {
    const std::size_t size = 2 * static_cast<std::size_t>(last_ - first_ + 1);
    q_m.assign(size, 0.0);
    q_p.assign(size, 0.0);
    q_m[adjustment_.row_of(j)] = 1.0;
    q_p[adjustment_.row_of(j) + 1] = 1.0;
    adjustment_.solve(q_m);
    adjustment_.solve(q_p);
  }
  for (std::int32_t i = 1; i <= n_; ++i) {
    Matrix2& c = cross[static_cast<std::size_t>(i - 1)];
    if (is_known(i)) {
      c = by_known[after(i) ? 1 : 0];
      continue;
    }
    c = sum(product(adjustment_.gain(i, false), by_known[0]), product(adjustment_.gain(i, true), by_known[1]));
    if (!is_known(j)) {
      const std::size_t r = adjustment_.row_of(i);
      c = sum(c, Matrix2{q_m[r], q_p[r], q_m[r + 1], q_p[r + 1]});
    }
  }
}

VarianceBudget AdjustedTraverse::budget(const PointDirection& direction) const {
  VarianceBudget budget;
  ErrorSources& parts = budget.parts;
  // The combination as x_u by the unknowns and c by the known points: x_u carries
  // Q_x A^T P e (the observations' errors e) and G c, and the known points c itself.
  const std::size_t size = 2 * static_cast<std::size_t>(last_ - first_ + 1);
  std::vector<double> by_unknowns(size, 0.0);
  std::array<double, 4> by_known_points{};  // (M, P) before, (M, P) after
  const auto add = [&](std::int32_t point, double m, double p) {
    if (point < 1) return;
    if (is_known(point)) {
      const std::size_t c = after(point) ? 2 : 0;
      by_known_points[c] += m;
      by_known_points[c + 1] += p;
    } else {
      by_unknowns[adjustment_.row_of(point)] += m;
      by_unknowns[adjustment_.row_of(point) + 1] += p;
    }
  };
  add(direction.first, direction.first_m, direction.first_p);
  add(direction.second, direction.second_m, direction.second_p);
  // h = G^T e_u + e_c: the known points' share.
  std::array<double, 4> h = by_known_points;
  for (std::int32_t u = first_; u <= last_; ++u) {
    const std::size_t r = adjustment_.row_of(u);
    for (const bool is_after : {false, true}) {
      const Matrix2 g = adjustment_.gain(u, is_after);
      const std::size_t c = is_after ? 2 : 0;
      h[c] += g.mm * by_unknowns[r] + g.pm * by_unknowns[r + 1];
      h[c + 1] += g.mp * by_unknowns[r] + g.pp * by_unknowns[r + 1];
    }
  }
  const std::array<std::array<Matrix2, 2>, 2> sigma_c = {{{known_.before, known_.shared},
                                                          {transposed(known_.shared), known_.after}}};
  for (std::size_t a = 0; a < 2; ++a) {
    for (std::size_t b = 0; b < 2; ++b) {
      const Matrix2& s = sigma_c[a][b];
      const double hm = h[2 * a], hp = h[2 * a + 1], km = h[2 * b], kp = h[2 * b + 1];
      parts.known_points += hm * (s.mm * km + s.mp * kp) + hp * (s.pm * km + s.pp * kp);
    }
  }

  // w = P A Q_x e_u, setup by setup; each source's part is w^T Sigma_source w.
  adjustment_.solve(by_unknowns);
  for (const WeightedSetup& weighted : adjustment_.weighted_setups()) {
    const StationSetup& setup = model_.setups[weighted.setup];
    std::array<double, max_setup_observations> a_q{};
    for (std::size_t x = 0; x < weighted.count; ++x) {
      for (const UnknownTerm& t : adjustment_.unknown_terms(setup.observations[weighted.used[x]])) {
        a_q[x] += t.by_m * by_unknowns[t.row] + t.by_p * by_unknowns[t.row + 1];
      }
    }
    std::array<double, max_setup_observations> w{};
    for (std::size_t x = 0; x < weighted.count; ++x) {
      for (std::size_t y = 0; y < weighted.count; ++y) w[x] += weighted.weight[x][y] * a_q[y];
    }
    VarianceBudget::SetupCentring centring{setup.station, 0.0, 0.0};
    for (std::size_t x = 0; x < weighted.count; ++x) {
      const Observation& o = setup.observations[weighted.used[x]];
      const double w2 = square(w[x]);
      parts.directions += w2 * o.direction_variance;
      parts.distances_fixed += w2 * o.fixed_variance;
      parts.distances_ppm += w2 * o.ppm_variance;
      budget.by_observation.push_back(w2 * o.own_variance());
      for (std::size_t y = 0; y < weighted.count; ++y) {
        const std::size_t ox = weighted.used[x], oy = weighted.used[y];
        const double instrument = w[x] * setup.instrument_centring[ox][oy] * w[y];
        const double targets = w[x] * setup.target_centring[ox][oy] * w[y];
        parts.instrument_centring += instrument;
        parts.target_centring += targets;
        centring.instrument += instrument;
        centring.targets += targets;
      }
    }
    budget.by_setup.push_back(centring);
  }
  return budget;
}

}  // namespace elipses
