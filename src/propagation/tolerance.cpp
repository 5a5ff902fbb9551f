#include "propagation/tolerance.hpp"

#include <algorithm>
#include <queue>

#include "propagation/adjustment.hpp"

namespace elipses {

namespace {

double distance_between(const PointList& points, std::int32_t i, std::int32_t j) {
  return leg_length(points.at(j).m - points.at(i).m, points.at(j).p - points.at(i).p);
}

// Worst first: the larger ratio, then file order.
bool worse(const PairTest& x, const PairTest& y) {
  if (x.ratio != y.ratio) return x.ratio > y.ratio;
  return x.from != y.from ? x.from < y.from : x.to < y.to;
}

struct Worse {
  bool operator()(const PairTest& x, const PairTest& y) const { return worse(x, y); }
};

// The counts and the worst lists of a sweep, as its pairs are tested one after another.
class SweepTally {
 public:
  explicit SweepTally(bool every_pair) { sweep_.every_pair = every_pair; }
  // A pair tested; one of two known points is counted but never the worst.
  void add(const PairTest& pair, bool both_known) {
    ++sweep_.tested;
    if (!meets(pair.ratio)) {
      ++sweep_.exceeding;
      exceeding_.offer(pair);
    } else {
      passing_.offer(pair);
    }
    if (!both_known && (!sweep_.worst || worse(pair, *sweep_.worst))) sweep_.worst = pair;
  }
  PairSweep finish() {
    sweep_.worst_exceeding = exceeding_.worst_first();
    sweep_.worst_passing = passing_.worst_first();
    return std::move(sweep_);
  }

 private:
  PairSweep sweep_;
  WorstFirst<PairTest, Worse> exceeding_{max_listed_exceeding};
  WorstFirst<PairTest, Worse> passing_{max_listed_passing};
};

PairTest tested_pair(const PointList& points, std::int32_t i, std::int32_t j, const Covariance2& relative, double k,
                     const Tolerances& tolerances) {
  PairTest pair;
  pair.from = i;
  pair.to = j;
  pair.distance = distance_between(points, i, j);
  pair.a = semi_major_axis(relative, k);
  pair.tolerance = tolerances.relative_limit(pair.distance);
  pair.ratio = tolerance_ratio(pair.a, pair.tolerance);
  return pair;
}

}  // namespace

PairSweep sweep_pairs(const PointList& points, const AdjustedTraverse& joint, double k, const Tolerances& tolerances,
                      Progress* progress) {
  SweepTally tally(true);
  const auto points_n = static_cast<std::uint64_t>(joint.size() > 0 ? joint.size() : 0);
  ProgressCounter counter(progress, ProgressStep::pairs, points_n * (points_n - (points_n > 0 ? 1 : 0)) / 2, 100000);
  std::vector<Matrix2> cross;
  const std::int32_t n = joint.size();
  for (std::int32_t j = 2; j <= n; ++j) {
    joint.column(j, cross);
    const Covariance2 own_j = joint.point(j);
    for (std::int32_t i = 1; i < j; ++i) {
      const Covariance2 relative =
          AdjustedTraverse::relative(joint.point(i), own_j, cross[static_cast<std::size_t>(i - 1)]);
      tally.add(tested_pair(points, i, j, relative, k, tolerances), joint.is_known(i) && joint.is_known(j));
    }
    counter.add(static_cast<std::uint64_t>(j - 1));
  }
  return tally.finish();
}

PairSweep sweep_legs(const PointList& points, const AdjustedTraverse& joint, double k, const Tolerances& tolerances) {
  SweepTally tally(false);
  for (std::int32_t i = 1; i < joint.size(); ++i) {
    const Covariance2 relative = AdjustedTraverse::relative(joint.point(i), joint.point(i + 1), joint.neighbour(i));
    tally.add(tested_pair(points, i, i + 1, relative, k, tolerances), joint.is_known(i) && joint.is_known(i + 1));
  }
  return tally.finish();
}

LegTests test_legs(const PointList& points, const TraverseCovariance& joint, double k, const Tolerances& tolerances) {
  LegTests tests;
  for (std::int32_t i = 1; i < points.n; ++i) {
    LegEllipse leg;
    leg.length = leg_geometry(points, i).length;
    leg.relative = relative_covariance(joint, i);
    leg.ellipse = ellipse_parameters(leg.relative, k);
    if (tolerances.relative) {
      LegTest test;
      test.tolerance = tolerances.relative_limit(leg.length);
      test.ratio = tolerance_ratio(leg.ellipse.a, test.tolerance);
      test.passes = meets(test.ratio);
      if (!test.passes) ++tests.exceeding;
      if (!tests.worst || test.ratio > tests.worst->ratio) {
        tests.worst = PairTest{i, i + 1, leg.length, leg.ellipse.a, test.tolerance, test.ratio};
      }
      leg.test = test;
    }
    tests.legs.push_back(leg);
  }
  return tests;
}

PointTests test_points(const AdjustedTraverse& joint, double k, const Tolerances& tolerances) {
  PointTests tests;
  const double tolerance = tolerances.point_mm / 1000.0;
  double worst_ratio = 0.0;
  for (std::int32_t i = 1; i <= joint.size(); ++i) {
    PointTest test;
    test.a = ellipse_parameters(joint.point(i), k).a;
    test.tolerance = tolerance;
    test.ratio = tolerance_ratio(test.a, tolerance);
    if (!meets(test.ratio)) ++tests.exceeding;
    if (!joint.is_known(i) && (tests.worst == 0 || test.ratio > worst_ratio)) {
      tests.worst = i;
      worst_ratio = test.ratio;
    }
    tests.points.push_back(test);
  }
  return tests;
}

std::vector<std::size_t> worst_places(const std::vector<double>& values, std::size_t count) {
  std::vector<std::size_t> places(values.size());
  for (std::size_t i = 0; i < places.size(); ++i) places[i] = i;
  const auto worse_value = [&](std::size_t x, std::size_t y) {
    return values[x] != values[y] ? values[x] > values[y] : x < y;
  };
  const std::size_t kept = std::min(count, places.size());
  std::partial_sort(places.begin(), places.begin() + static_cast<std::ptrdiff_t>(kept), places.end(), worse_value);
  places.resize(kept);
  return places;
}

}  // namespace elipses
