#include "propagation/worst_ratio_search.hpp"

#include <algorithm>
#include <limits>
#include <utility>

#include "propagation/ellipse.hpp"

namespace elipses {

namespace {

// Consecutive points bounded together before any pair of theirs is.
constexpr std::int32_t block_points = 32;
// Columns kept from one use for the next: the worst pairs move little between uses.
constexpr std::size_t kept_candidates = 4;
// Columns spread along the traverse on which the band and a solved column are compared
// before any bound is trusted.
constexpr std::int32_t compared_columns = 8;
// The widening of the bounds: this many times the largest difference seen, and never
// less than the floor. The difference is nearly the same all along a traverse (within
// a factor of 3 between the largest and eight columns spread along it, in trials of 50
// to 4,000 points, legs of 20 m to 2 km), and the factor 8 below turns an entry's
// difference into one of a^2.
constexpr double difference_safety = 1e4;
constexpr double least_difference = 1e-11;
constexpr double unit_roundoff = std::numeric_limits<double>::epsilon();

// The difference between the band and a solved column a bound allows for, relative to
// the points' variances, when `seen` is the largest seen.
double allowed_difference(double seen) {
  return std::isnan(seen) ? HUGE_VAL : std::max(difference_safety * seen, least_difference);
}

std::size_t at(std::int32_t i) { return static_cast<std::size_t>(i - 1); }

double distance_between(const PointList& points, std::int32_t i, std::int32_t j) {
  return leg_length(points.at(j).m - points.at(i).m, points.at(j).p - points.at(i).p);
}

double trace(const Covariance2& c) { return c.var_m + c.var_p; }

double largest_difference(const Matrix2& x, const Matrix2& y) {
  return std::max(std::max(std::fabs(x.mm - y.mm), std::fabs(x.mp - y.mp)),
                  std::max(std::fabs(x.pm - y.pm), std::fabs(x.pp - y.pp)));
}

// An upper bound over its tolerance, as a ratio; division rounds monotonically, so it
// stays above the pair's own ratio. A tolerance of nothing, or a bound that is not a
// number, bounds nothing.
double bound_ratio(double bound, double tolerance) {
  const double ratio = tolerance > 0.0 ? bound / tolerance : HUGE_VAL;
  return std::isnan(ratio) ? HUGE_VAL : ratio;
}

}  // namespace

PairBounds::PairBounds(const PointList& points, const AdjustedTraverse& joint, const std::vector<double>& own_axes,
                       double k, double relative_difference, const std::optional<Matrix2>& ends_cross,
                       const Tolerances& tolerances)
    : points_(points), tolerances_(tolerances), n_(joint.size()) {
  const auto count = static_cast<std::size_t>(n_);
  // a^2 = k^2 lambda_max moves by at most twice the largest entry's change of a 2x2
  // block, and a relative covariance adds up four such blocks.
  const double allowance_per_variance = 8.0 * k * k * allowed_difference(relative_difference);
  allowance_.resize(count);
  for (std::int32_t i = 1; i <= n_; ++i) allowance_[at(i)] = allowance_per_variance * trace(joint.point(i));
  along_.assign(count, 0.0);
  for (std::int32_t i = 1; i < n_; ++i) {
    const double leg = semi_major_axis(AdjustedTraverse::relative(joint.point(i), joint.point(i + 1), joint.neighbour(i)), k);
    along_[at(i + 1)] = along_[at(i)] + std::sqrt(leg * leg + allowance_[at(i)] + allowance_[at(i + 1)]);
  }
  if (ends_cross) {
    const double ends = semi_major_axis(AdjustedTraverse::relative(joint.point(1), joint.point(n_), *ends_cross), k);
    round_the_ends_ = std::sqrt(ends * ends + allowance_[0] + allowance_[at(n_)]);
  }
  to_origin_.resize(count);
  for (std::int32_t i = 1; i <= n_; ++i) to_origin_[at(i)] = std::sqrt(square(own_axes[at(i)]) + allowance_[at(i)]);
  // The way to the origin through the neighbours: forward, round the ends, forward
  // again, then the same backward. Any path is a bound; these find the shortest.
  const auto relax = [&](std::int32_t i, std::int32_t from, double weight) {
    to_origin_[at(i)] = std::min(to_origin_[at(i)], to_origin_[at(from)] + weight);
  };
  for (const bool forward : {true, false}) {
    for (int round = 0; round < 2; ++round) {
      if (forward) {
        for (std::int32_t i = 2; i <= n_; ++i) relax(i, i - 1, leg_weight(i - 1));
        if (ends_cross) relax(1, n_, round_the_ends_);
      } else {
        for (std::int32_t i = n_ - 1; i >= 1; --i) relax(i, i + 1, leg_weight(i));
        if (ends_cross) relax(n_, 1, round_the_ends_);
      }
    }
  }
  double farthest = 0.0;
  for (const double d : to_origin_) farthest = std::max(farthest, d);
  // Each rounded addition above is off by at most one unit in the last place of its
  // running total.
  const double longest = count == 0 ? 0.0 : along_.back();
  slack_ = 4.0 * (static_cast<double>(n_) + 4.0) * unit_roundoff *
           (longest + (ends_cross ? round_the_ends_ : 0.0) + 2.0 * farthest);
  if (std::isnan(slack_)) slack_ = HUGE_VAL;
  for (std::int32_t first = 1; first <= n_; first += block_points) add_block(first, std::min(n_, first + block_points - 1));
}

double PairBounds::ratio(std::int32_t i, std::int32_t j, const Landmark* landmark) const {
  double path = std::min(std::min(along_[at(j)] - along_[at(i)], to_origin_[at(i)] + to_origin_[at(j)]),
                         around(along_[at(i)], along_[at(j)]));
  if (landmark != nullptr) {
    const double to_c = allowance_[at(landmark->column)];
    path = std::min(path, std::sqrt(square(landmark->axes[at(i)]) + allowance_[at(i)] + to_c) +
                              std::sqrt(square(landmark->axes[at(j)]) + to_c + allowance_[at(j)]));
  }
  return bound_ratio(widened(path, allowance_[at(i)] + allowance_[at(j)]),
                     tolerances_.relative_limit(distance_between(points_, i, j)));
}

double PairBounds::block_ratio(std::size_t x, std::size_t y) const {
  const Block& b = blocks_[x];
  const Block& c = blocks_[y];
  const double path = std::min(std::min(c.along_last - b.along_first, b.to_origin + c.to_origin),
                               around(b.along_last, c.along_first));
  // The gap between the blocks' boxes goes through the same rounded operations as a
  // pair's distance, on differences no larger: it is never the longer.
  const double gap_m = std::max(0.0, std::max(c.m_min - b.m_max, b.m_min - c.m_max));
  const double gap_p = std::max(0.0, std::max(c.p_min - b.p_max, b.p_min - c.p_max));
  return bound_ratio(widened(path, b.allowance + c.allowance), tolerances_.relative_limit(leg_length(gap_m, gap_p)));
}

double PairBounds::leg_weight(std::int32_t i) const { return along_[at(i + 1)] - along_[at(i)]; }

// From point i back to point 1, across the known ends, and from point n back to j.
double PairBounds::around(double along_i, double along_j) const {
  return along_i + round_the_ends_ + (along_.back() - along_j);
}

// What the computed axis of a pair at `path` from the other point can be at most.
double PairBounds::widened(double path, double allowance) const {
  return (std::sqrt(square(path) + allowance) + slack_) * (1.0 + 1e-12);
}

void PairBounds::add_block(std::int32_t first, std::int32_t last) {
  Block b;
  b.first = first;
  b.last = last;
  b.along_first = along_[at(first)];
  b.along_last = along_[at(last)];
  b.m_min = b.m_max = points_.at(first).m;
  b.p_min = b.p_max = points_.at(first).p;
  for (std::int32_t i = first; i <= last; ++i) {
    b.to_origin = std::max(b.to_origin, to_origin_[at(i)]);
    b.allowance = std::max(b.allowance, allowance_[at(i)]);
    b.m_min = std::min(b.m_min, points_.at(i).m);
    b.m_max = std::max(b.m_max, points_.at(i).m);
    b.p_min = std::min(b.p_min, points_.at(i).p);
    b.p_max = std::max(b.p_max, points_.at(i).p);
  }
  blocks_.push_back(b);
}

double band_difference(const AdjustedTraverse& joint, std::int32_t j, const std::vector<Matrix2>& column) {
  if (j < 2 || joint.is_known(j)) return 0.0;
  const double scale = trace(joint.point(j - 1)) + trace(joint.point(j));
  const double difference = std::max(largest_difference(column[at(j)], matrix_of(joint.point(j))),
                                     largest_difference(column[at(j - 1)], joint.neighbour(j - 1)));
  return scale > 0.0 ? difference / scale : (difference > 0.0 ? HUGE_VAL : 0.0);
}

namespace {

// One use: its adjusted traverse, the worst ratio found so far, the columns solved.
class OneUse {
 public:
  OneUse(const PointList& points, const AdjustedTraverse& joint, double k, const Tolerances& tolerances,
         bool deciding)
      : points_(points), joint_(joint), k_(k), tolerances_(tolerances), deciding_(deciding), n_(joint.size()),
        evaluated_(static_cast<std::size_t>(n_) + 1, false) {
    own_axes_.reserve(static_cast<std::size_t>(n_));
    for (std::int32_t i = 1; i <= n_; ++i) own_axes_.push_back(ellipse_parameters(joint.point(i), k).a);
  }

  double worst() const { return worst_; }
  std::uint64_t columns_solved() const { return solved_; }
  // A use that only has to pass or fail is settled by one ratio above 1.
  bool settled() const { return deciding_ && worst_ > 1.0; }
  // Above this a pair would change the answer.
  double threshold() const { return deciding_ ? 1.0 : worst_; }

  void test_points() {
    if (!tolerances_.point) return;
    for (std::int32_t i = 1; i <= n_; ++i) {
      if (!joint_.is_known(i)) raise(tolerance_ratio(own_axes_[static_cast<std::size_t>(i - 1)], tolerances_.point_mm / 1000.0));
    }
  }

  // Every pair of column j, exactly.
  void evaluate_column(std::int32_t j) { evaluate_pairs(j, nullptr); }

  // Every other pair that could still exceed the threshold, exactly.
  void confirm() {
    if (n_ < 2) return;
    // Columns spread along the traverse, and the known ends' column of a closed one:
    // their pairs exactly, and the rounding of the band measured against them.
    if (closed_ends()) evaluate_column(n_);
    for (std::int32_t q = 0; q < compared_columns && !settled(); ++q) {
      evaluate_column(2 + static_cast<std::int32_t>((static_cast<std::int64_t>(q) * (n_ - 2)) / (compared_columns - 1)));
    }
    // A column solved below that differs from the band by more than a hundredth of what
    // the bounds allowed for leaves them too thin a margin: they are made again, wider,
    // over the columns not yet solved. The difference grows a hundredfold each time,
    // and every column solved is one less to go: at worst every column is solved.
    while (!settled()) {
      const double trusted = relative_difference_;
      const std::uint64_t before = solved_;
      bounded_pass();
      if (solved_ == before || !(100.0 * relative_difference_ > allowed_difference(trusted))) return;
    }
  }

  // The columns evaluated, worst first, then `earlier` ones, `count` in all.
  std::vector<std::int32_t> worst_columns(const std::vector<std::int32_t>& earlier, std::size_t count) const {
    std::vector<std::pair<double, std::int32_t>> found = column_worst_;
    std::stable_sort(found.begin(), found.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
    std::vector<std::int32_t> columns;
    const auto add = [&](std::int32_t j) {
      if (columns.size() < count && std::find(columns.begin(), columns.end(), j) == columns.end()) columns.push_back(j);
    };
    for (const auto& [ratio, j] : found) add(j);
    for (const std::int32_t j : earlier) add(j);
    return columns;
  }

 private:
  // The columns not yet solved whose pairs' bounds exceed the threshold, solved.
  void bounded_pass() {
    const PairBounds bounds(points_, joint_, own_axes_, k_, relative_difference_, ends_cross_, tolerances_);
    // The largest bound of each column, over the block pairs that are not passed over whole.
    std::vector<double> column_bound(static_cast<std::size_t>(n_) + 1, 0.0);
    for (std::size_t y = 0; y < bounds.blocks(); ++y) {
      for (std::size_t x = 0; x <= y; ++x) {
        if (!(bounds.block_ratio(x, y) > threshold())) continue;
        for (std::int32_t j = bounds.block_first(y); j <= bounds.block_last(y); ++j) {
          if (evaluated_[static_cast<std::size_t>(j)]) continue;
          double& largest = column_bound[static_cast<std::size_t>(j)];
          for (std::int32_t i = bounds.block_first(x); i <= bounds.block_last(x) && i < j; ++i) {
            if (joint_.is_known(i) && joint_.is_known(j)) continue;
            largest = std::max(largest, bounds.ratio(i, j));
          }
        }
      }
    }
    // Along the traverse, each column solved becoming the landmark of the next ones: a
    // column's pairs are bounded through the one solved last, a leg or a few away.
    Landmark landmark;
    for (std::int32_t j = 2; j <= n_ && !settled(); ++j) {
      if (!(column_bound[static_cast<std::size_t>(j)] > threshold())) continue;
      survivors_.clear();
      for (std::int32_t i = 1; i < j; ++i) {
        if (joint_.is_known(i) && joint_.is_known(j)) continue;
        if (bounds.ratio(i, j, landmark.column != 0 ? &landmark : nullptr) > threshold()) survivors_.push_back(i);
      }
      if (survivors_.empty() || !evaluate_pairs(j, &survivors_)) continue;
      landmark.column = j;
      landmark.axes.resize(static_cast<std::size_t>(n_));
      for (std::int32_t i = 1; i <= n_; ++i) {
        landmark.axes[static_cast<std::size_t>(i - 1)] =
            semi_major_axis(AdjustedTraverse::relative(joint_.point(i), joint_.point(j), cross_[static_cast<std::size_t>(i - 1)]), k_);
      }
    }
  }

  // A closed traverse: points 1 and n known, their cross-covariance in column n.
  bool closed_ends() const { return n_ >= 2 && joint_.is_known(1) && joint_.is_known(n_); }

  void raise(double ratio) {
    if (worst_ < ratio) worst_ = ratio;
  }

  // The pairs (i, j) of column j, i < j, `only` those listed or all, each computed
  // exactly as the full search does; false, and nothing done, for a column already
  // evaluated.
  bool evaluate_pairs(std::int32_t j, const std::vector<std::int32_t>* only) {
    if (j < 2 || j > n_ || evaluated_[static_cast<std::size_t>(j)]) return false;
    evaluated_[static_cast<std::size_t>(j)] = true;
    joint_.column(j, cross_);
    ++solved_;
    compare_with_band(j);
    if (j == n_ && closed_ends()) ends_cross_ = cross_[0];
    const Covariance2 own_j = joint_.point(j);
    double column_worst = 0.0;
    const auto evaluate = [&](std::int32_t i) {
      const Covariance2 relative =
          AdjustedTraverse::relative(joint_.point(i), own_j, cross_[static_cast<std::size_t>(i - 1)]);
      const double ratio = tolerance_ratio(semi_major_axis(relative, k_),
                                           tolerances_.relative_limit(distance_between(points_, i, j)));
      raise(ratio);
      if (column_worst < ratio) column_worst = ratio;
    };
    if (only != nullptr) {
      for (std::size_t x = 0; x < only->size() && !settled(); ++x) evaluate((*only)[x]);
    } else {
      for (std::int32_t i = 1; i < j && !settled(); ++i) {
        if (!(joint_.is_known(i) && joint_.is_known(j))) evaluate(i);
      }
    }
    column_worst_.emplace_back(column_worst, j);
    return true;
  }

  void compare_with_band(std::int32_t j) {
    const double difference = band_difference(joint_, j, cross_);
    // Something not a number in the figures: no bound is trusted at all.
    relative_difference_ = std::isnan(difference) ? HUGE_VAL : std::max(relative_difference_, difference);
  }

  const PointList& points_;
  const AdjustedTraverse& joint_;
  double k_;
  const Tolerances& tolerances_;
  bool deciding_;
  std::int32_t n_;
  std::vector<double> own_axes_;  // point i at [i-1], m at k
  double worst_ = 0.0;
  std::vector<Matrix2> cross_;
  std::vector<bool> evaluated_;  // by column j
  std::vector<std::int32_t> survivors_;
  std::vector<std::pair<double, std::int32_t>> column_worst_;
  double relative_difference_ = 0.0;
  std::optional<Matrix2> ends_cross_;
  std::uint64_t solved_ = 0;
};

}  // namespace

WorstRatioSearch::WorstRatioSearch(const PointList& points, const TraverseShape& shape,
                                   const EndpointCovariance& initial_point, const EndpointCovariance& final_point,
                                   double k, const Tolerances& tolerances, const std::optional<PairTest>& worst_pair)
    : points_(points), shape_(shape), initial_point_(initial_point), final_point_(final_point), k_(k),
      tolerances_(tolerances) {
  if (worst_pair && worst_pair->to >= 2 && worst_pair->to <= points.n) candidates_.push_back(worst_pair->to);
}

double WorstRatioSearch::worst_ratio(const InstrumentUse& use) { return evaluate(use, false); }

bool WorstRatioSearch::meets_all(const InstrumentUse& use) { return meets(evaluate(use, true)); }

double WorstRatioSearch::evaluate(const InstrumentUse& use, bool deciding) {
  const AdjustedTraverse joint(points_, build_observation_model(points_, shape_, use), initial_point_, final_point_);
  OneUse trial(points_, joint, k_, tolerances_, deciding);
  trial.test_points();
  if (tolerances_.relative && !trial.settled()) {
    for (const std::int32_t j : candidates_) {
      if (trial.settled()) break;
      trial.evaluate_column(j);
    }
    if (!trial.settled()) trial.confirm();
    candidates_ = trial.worst_columns(candidates_, kept_candidates);
  }
  columns_solved_ += trial.columns_solved();
  return trial.worst();
}

}  // namespace elipses
