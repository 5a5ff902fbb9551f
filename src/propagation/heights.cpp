#include "propagation/heights.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "propagation/design.hpp"

namespace elipses {

namespace {

// The sources a leg's covariance is split into, in HeightCovariance's arrays.
enum Source : std::size_t { distances, zenith_angles, instrument_heights, target_heights };

struct LegShape {
  double slope = 0.0;  // S, m
  double cos_z = 0.0;
  double sin_z = 1.0;
};

// A leg of no length is refused when the file is read; it is taken as level here, so that
// nothing divides by zero.
LegShape leg_shape(double distance_m, double rise_m) {
  LegShape shape;
  shape.slope = std::sqrt(square(distance_m) + square(rise_m));
  if (shape.slope > 0.0) {
    shape.cos_z = rise_m / shape.slope;
    shape.sin_z = distance_m / shape.slope;
  }
  return shape;
}

double horizontal_distance(const PointList& points, std::int32_t i, std::int32_t j) {
  return leg_length(points.at(j).m - points.at(i).m, points.at(j).p - points.at(i).p);
}

double planned_rise(const std::vector<double>& heights, std::int32_t i) {
  return heights[static_cast<std::size_t>(i)] - heights[static_cast<std::size_t>(i - 1)];
}

// One leg's part of the legs' covariance, by source: its own variance and its covariance
// with the next leg (m^2), and its refraction coefficient times sigma_k (m).
struct LegParts {
  std::array<double, 4> own{};
  std::array<double, 4> with_next{};
  double refraction = 0.0;
};

// One-way, leg i is observed from i alone: instrument at i, target at i+1, no station shared
// with another leg. Reciprocal, the mean of the forward difference and the backward one with
// its sign turned: halves the variance of the distances and zenith angles, cancels the
// refraction, and leaves (I_i - I_i+1) / 2 + (T_i - T_i+1) / 2 of the station heights, so
// neighbouring legs share -sigma^2 / 4 of each.
LegParts leg_parts(const HeightTerms& terms, bool reciprocal, bool has_next) {
  LegParts parts;
  parts.own = {square(terms.distance), square(terms.zenith), square(terms.instrument), square(terms.target)};
  if (!reciprocal) {
    parts.refraction = terms.refraction;
    return parts;
  }
  for (double& variance : parts.own) variance = variance / 2.0;
  if (has_next) parts.with_next = {0.0, 0.0, -square(terms.instrument) / 4.0, -square(terms.target) / 4.0};
  return parts;
}

// A variance from differences of sums: rounding may leave it a little below zero, taken as
// zero; the NaN of an overflow is kept, so that the caller sees it.
double clamped_variance(double variance) { return std::isnan(variance) ? variance : std::max(0.0, variance); }

}  // namespace

HeightPrecision height_precision_from(const InstrumentUse& use) {
  HeightPrecision precision;
  precision.zenith_seconds = use.precision.angle_seconds;
  precision.zenith_unit = use.precision.angle_unit;
  precision.sets = use.sets;
  precision.distance_fixed_mm = use.precision.distance_fixed_mm;
  precision.distance_ppm = use.precision.distance_ppm;
  return precision;
}

HeightShape height_shape(const TraverseShape& shape) {
  if (!shape.closed) return HeightShape::open;
  return shape.loop ? HeightShape::loop : HeightShape::closed;
}

double HeightTerms::total() const {
  return std::sqrt(square(distance) + square(zenith) + square(refraction) + square(instrument) + square(target));
}

HeightTerms one_way_terms(double distance_m, double rise_m, const HeightPrecision& precision) {
  const LegShape shape = leg_shape(distance_m, rise_m);
  const ObservationPrecision slope{precision.distance_fixed_mm, precision.distance_ppm, precision.zenith_seconds,
                                   precision.zenith_unit};
  // Fewer than one set is refused upstream; taken as one here, so no variance is infinite.
  const double sets = static_cast<double>(std::max<std::int32_t>(precision.sets, 1));
  HeightTerms terms;
  terms.distance = shape.cos_z * std::sqrt(distance_variance(slope, shape.slope));
  terms.zenith = shape.slope * shape.sin_z * (direction_sigma(slope) / std::sqrt(sets));
  terms.refraction = square(distance_m) / (2.0 * earth_radius_m) * precision.refraction_sigma;
  terms.instrument = precision.instrument_height_mm / 1000.0;
  terms.target = precision.target_height_mm / 1000.0;
  return terms;
}

HeightCovariance::HeightCovariance(const PointList& points, const std::vector<double>& heights,
                                   const HeightPrecision& precision, const HeightEnds& ends, HeightShape shape) {
  const std::int32_t n = points.n;
  if (n < 0 || heights.size() != static_cast<std::size_t>(n)) {
    throw std::invalid_argument("heights: one planned height per point expected");
  }
  closed_ = shape != HeightShape::open && n >= 2;
  loop_ = closed_ && shape == HeightShape::loop;
  start_variance_ = square(ends.start_sigma_m);
  end_variance_ = loop_ ? start_variance_ : square(ends.end_sigma_m);
  prefix_.assign(static_cast<std::size_t>(n), Prefix{});
  if (n < 2) return;

  std::vector<double> along(static_cast<std::size_t>(n), 0.0);  // horizontal length from point 1, m
  std::array<double, sources> with_previous{};
  for (std::int32_t j = 2; j <= n; ++j) {
    const double distance = horizontal_distance(points, j - 1, j);
    const LegParts leg =
        leg_parts(one_way_terms(distance, planned_rise(heights, j - 1), precision), precision.reciprocal, j < n);
    const Prefix& before = prefix_[static_cast<std::size_t>(j - 2)];
    Prefix& at = prefix_[static_cast<std::size_t>(j - 1)];
    for (std::size_t s = 0; s < sources; ++s) {
      at.own[s] = before.own[s] + leg.own[s];
      at.adjacent[s] = before.adjacent[s] + with_previous[s];
      // The leg's row of the covariance, summed: what it shares with the whole traverse.
      at.with_whole[s] = before.with_whole[s] + (with_previous[s] + leg.own[s] + leg.with_next[s]);
      at.own_all += at.own[s];
      at.adjacent_all += at.adjacent[s];
      at.with_whole_all += at.with_whole[s];
    }
    at.refraction = before.refraction + leg.refraction;
    along[static_cast<std::size_t>(j - 1)] = along[static_cast<std::size_t>(j - 2)] + distance;
    with_previous = leg.with_next;
  }
  const Prefix& last = prefix_.back();
  double whole = square(last.refraction);  // var(s_n), m^2
  for (std::size_t s = 0; s < sources; ++s) {
    whole_[s] = last.own[s] + 2.0 * last.adjacent[s];
    whole_all_ += whole_[s];
  }
  whole += whole_all_;
  if (!closed_) return;
  // The condition sum of legs = H(n) - H(1) spreads the misclosure w over the legs: point j
  // takes alpha_j = cov(s_j, s_n) / var(s_n) of it. Legs without error have nothing to weigh
  // them by: the misclosure (the known heights' alone) is then spread in proportion to the
  // distance along the traverse.
  for (std::int32_t j = 2; j < n; ++j) {
    Prefix& at = prefix_[static_cast<std::size_t>(j - 1)];
    if (whole > 0.0) {
      at.share = (at.with_whole_all + at.refraction * last.refraction) / whole;
    } else if (along.back() > 0.0) {
      at.share = along[static_cast<std::size_t>(j - 1)] / along.back();
    }
  }
  prefix_.back().share = 1.0;
}

void HeightCovariance::check(std::int32_t i) const {
  if (i < 1 || i > size()) throw std::out_of_range("heights: no point " + std::to_string(i));
}

HeightBudget HeightCovariance::legs_part(std::int32_t i, std::int32_t j) const {
  const Prefix& from = prefix_[static_cast<std::size_t>(i - 1)];
  const Prefix& after_from = prefix_[static_cast<std::size_t>(i)];
  const Prefix& to = prefix_[static_cast<std::size_t>(j - 1)];
  // H(j) - H(i) carries the legs i..j-1 less (alpha_j - alpha_i) of the whole traverse's
  // legs: var(u) - 2 delta cov(u, s_n) + delta^2 var(s_n), u = s_j - s_i, for each source.
  const double delta = to.share - from.share;
  std::array<double, sources> part{};
  for (std::size_t s = 0; s < sources; ++s) {
    const double range = (to.own[s] - from.own[s]) + 2.0 * (to.adjacent[s] - after_from.adjacent[s]);
    const double shared = to.with_whole[s] - from.with_whole[s];
    // A variance; clamp the rounding of the differences of sums.
    part[s] = clamped_variance(range - 2.0 * delta * shared + square(delta) * whole_[s]);
  }
  HeightBudget budget;
  budget.distances = part[distances];
  budget.zenith_angles = part[zenith_angles];
  budget.instrument_heights = part[instrument_heights];
  budget.target_heights = part[target_heights];
  budget.refraction = square((to.refraction - from.refraction) - delta * prefix_.back().refraction);
  return budget;
}

HeightBudget HeightCovariance::budget(std::int32_t i) const {
  check(i);
  HeightBudget budget;
  if (i == 1) {
    budget.known_heights = start_variance_;
    return budget;
  }
  if (closed_ && i == size()) {
    budget.known_heights = end_variance_;
    return budget;
  }
  budget = legs_part(1, i);
  // The known heights reach point j as (1 - alpha_j) e_1 + alpha_j e_n; a loop's are one.
  const double alpha = prefix_[static_cast<std::size_t>(i - 1)].share;
  budget.known_heights = closed_ && !loop_ ? square(1.0 - alpha) * start_variance_ + square(alpha) * end_variance_
                                           : start_variance_;
  return budget;
}

HeightBudget HeightCovariance::difference_budget(std::int32_t i, std::int32_t j) const {
  check(i);
  check(j);
  if (i == j) return HeightBudget{};
  if (i > j) std::swap(i, j);
  HeightBudget budget = legs_part(i, j);
  if (closed_ && !loop_) {
    const double delta =
        prefix_[static_cast<std::size_t>(j - 1)].share - prefix_[static_cast<std::size_t>(i - 1)].share;
    budget.known_heights = square(delta) * (start_variance_ + end_variance_);
  }
  return budget;
}

double HeightCovariance::difference_variance(std::int32_t i, std::int32_t j) const {
  check(i);
  check(j);
  if (i == j) return 0.0;
  if (i > j) std::swap(i, j);
  const Prefix& from = prefix_[static_cast<std::size_t>(i - 1)];
  const Prefix& to = prefix_[static_cast<std::size_t>(j - 1)];
  const double delta = to.share - from.share;
  const double adjacent = to.adjacent_all - prefix_[static_cast<std::size_t>(i)].adjacent_all;
  const double range = (to.own_all - from.own_all) + 2.0 * adjacent;
  const double shared = to.with_whole_all - from.with_whole_all;
  const double legs = clamped_variance(range - 2.0 * delta * shared + square(delta) * whole_all_);
  const double refraction = square((to.refraction - from.refraction) - delta * prefix_.back().refraction);
  return legs + refraction + (closed_ && !loop_ ? square(delta) * (start_variance_ + end_variance_) : 0.0);
}

HeightAnalysis analyse_heights(const PointList& points, const std::vector<double>& heights,
                               const HeightPrecision& precision, const HeightEnds& ends, HeightShape shape) {
  HeightAnalysis analysis;
  analysis.covariance = HeightCovariance(points, heights, precision, ends, shape);
  const HeightCovariance& covariance = analysis.covariance;
  analysis.sigma.reserve(static_cast<std::size_t>(points.n));
  analysis.legs.reserve(static_cast<std::size_t>(std::max(points.n - 1, 0)));
  for (std::int32_t i = 1; i <= points.n; ++i) analysis.sigma.push_back(std::sqrt(covariance.variance(i)));
  for (std::int32_t i = 1; i < points.n; ++i) {
    HeightLeg leg;
    leg.distance = horizontal_distance(points, i, i + 1);
    leg.rise = planned_rise(heights, i);
    leg.slope_distance = leg_shape(leg.distance, leg.rise).slope;
    leg.zenith = std::atan2(leg.distance, leg.rise);
    leg.curvature = (1.0 - precision.refraction) * square(leg.distance) / (2.0 * earth_radius_m);
    leg.sigma = std::sqrt(covariance.difference_variance(i, i + 1));
    analysis.legs.push_back(leg);
  }
  return analysis;
}

double inverse_normal(double probability) {
  if (!(probability >= 0.0 && probability <= 1.0)) return std::numeric_limits<double>::quiet_NaN();
  if (probability == 0.0) return -HUGE_VAL;
  if (probability == 1.0) return HUGE_VAL;
  // The upper half by symmetry (1 - p is exact there): the lower tail's probability is
  // what erfc gives to full precision.
  const bool upper = probability > 0.5;
  const double tail = upper ? 1.0 - probability : probability;
  // A first guess by P. J. Acklam's rational approximation (relative error below 1.2e-9).
  constexpr double a[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                          1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
  constexpr double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                          6.680131188771972e+01, -1.328068155288572e+01};
  constexpr double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                          -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
  constexpr double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                          3.754408661907416e+00};
  constexpr double central = 0.02425;  // below it, the tail's form
  double x = 0.0;
  if (tail < central) {
    const double q = std::sqrt(-2.0 * std::log(tail));
    x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
        ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
  } else {
    const double q = tail - 0.5;
    const double r = q * q;
    x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
        (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1.0);
  }
  // Halley's steps on Phi(x) - p, Phi from erfc: each one triples the correct digits.
  for (int step = 0; step < 2; ++step) {
    const double density = std::exp(-0.5 * x * x) / std::sqrt(2.0 * pi);
    if (!(density > 0.0)) break;  // beyond about -38.5: the guess stands
    const double u = (0.5 * std::erfc(-x / std::sqrt(2.0)) - tail) / density;
    x = x - u / (1.0 + x * u / 2.0);
  }
  return upper ? -x : x;
}

double height_factor(double k) {
  if (k == 1.0) return 1.0;
  // (1 + p) / 2 = 1 - exp(-k^2 / 2) / 2: the upper tail's probability taken directly.
  return -inverse_normal(std::exp(-square(k) / 2.0) / 2.0);
}

namespace {

// Worst first: the larger ratio, then file order.
struct Worse {
  bool operator()(const HeightPairTest& x, const HeightPairTest& y) const {
    if (x.ratio != y.ratio) return x.ratio > y.ratio;
    return x.from != y.from ? x.from < y.from : x.to < y.to;
  }
};

// The `capacity` worst pairs seen, in a heap whose top is the least bad of them.

HeightPairTest pair_test(const PointList& points, const HeightCovariance& covariance, double factor,
                         const HeightTolerance& tolerance, std::int32_t i, std::int32_t j) {
  HeightPairTest pair;
  pair.from = i;
  pair.to = j;
  pair.distance = horizontal_distance(points, i, j);
  pair.half_interval = factor * std::sqrt(covariance.difference_variance(i, j));
  pair.tolerance = tolerance.limit(pair.distance);
  pair.ratio = tolerance_ratio(pair.half_interval, pair.tolerance);
  return pair;
}

}  // namespace

HeightToleranceTest test_height_tolerance(const PointList& points, const HeightAnalysis& analysis, double factor,
                                          const HeightTolerance& tolerance, Progress* progress) {
  HeightToleranceTest test;
  const HeightCovariance& covariance = analysis.covariance;
  const auto consider = [&](const HeightPairTest& pair) {
    if (!(covariance.is_known(pair.from) && covariance.is_known(pair.to)) &&
        (!test.worst || Worse{}(pair, *test.worst))) {
      test.worst = pair;
    }
  };
  for (std::int32_t i = 1; i < points.n; ++i) {
    test.legs.push_back(pair_test(points, covariance, factor, tolerance, i, i + 1));
    if (!test.legs.back().passes()) ++test.legs_exceeding;
    consider(test.legs.back());
  }
  if (!tolerance.every_pair) return test;
  WorstFirst<HeightPairTest, Worse> exceeding(max_listed_exceeding);
  WorstFirst<HeightPairTest, Worse> passing(max_listed_passing);
  const auto n = static_cast<std::uint64_t>(points.n);
  ProgressCounter counter(progress, ProgressStep::height_pairs, n * (n - 1) / 2, 1000000);
  for (std::int32_t j = 2; j <= points.n; ++j) {
    counter.add(static_cast<std::uint64_t>(j - 1));
    for (std::int32_t i = 1; i < j; ++i) {
      const HeightPairTest pair = pair_test(points, covariance, factor, tolerance, i, j);
      ++test.pairs_tested;
      if (pair.passes()) {
        passing.offer(pair);
      } else {
        ++test.pairs_exceeding;
        exceeding.offer(pair);
      }
      consider(pair);
    }
  }
  test.worst_exceeding = exceeding.worst_first();
  test.worst_passing = passing.worst_first();
  return test;
}

double worst_height_ratio(const PointList& points, const HeightCovariance& covariance, double factor,
                          const HeightTolerance& tolerance) {
  double worst = 0.0;
  const auto consider = [&](std::int32_t i, std::int32_t j) {
    if (covariance.is_known(i) && covariance.is_known(j)) return;
    worst = std::max(worst, pair_test(points, covariance, factor, tolerance, i, j).ratio);
  };
  if (tolerance.every_pair) {
    for (std::int32_t j = 2; j <= points.n; ++j) {
      for (std::int32_t i = 1; i < j; ++i) consider(i, j);
    }
  } else {
    for (std::int32_t i = 1; i < points.n; ++i) consider(i, i + 1);
  }
  return worst;
}

double worst_height_ratio(const PointList& points, const std::vector<double>& heights,
                          const HeightPrecision& precision, const HeightEnds& ends, HeightShape shape, double factor,
                          const HeightTolerance& tolerance) {
  return worst_height_ratio(points, HeightCovariance(points, heights, precision, ends, shape), factor, tolerance);
}

std::optional<double> largest_zenith_seconds(const PointList& points, const std::vector<double>& heights,
                                             const HeightPrecision& precision, const HeightEnds& ends,
                                             HeightShape shape, double factor, const HeightTolerance& tolerance) {
  return largest_passing(0.1, 100.0, [&](double seconds) {
    HeightPrecision trial = precision;
    trial.zenith_seconds = seconds;
    return worst_height_ratio(points, heights, trial, ends, shape, factor, tolerance) <= 1.0;
  });
}

}  // namespace elipses
