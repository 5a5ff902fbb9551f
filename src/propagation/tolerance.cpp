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

// The `capacity` worst pairs seen, kept in a heap whose top is the least bad of them.
class WorstPairs {
 public:
  explicit WorstPairs(std::size_t capacity) : capacity_(capacity) {}
  void offer(const PairTest& pair) {
    if (heap_.size() < capacity_) {
      heap_.push(pair);
    } else if (capacity_ > 0 && worse(pair, heap_.top())) {
      heap_.pop();
      heap_.push(pair);
    }
  }
  std::vector<PairTest> worst_first() {
    std::vector<PairTest> list;
    for (; !heap_.empty(); heap_.pop()) list.push_back(heap_.top());
    std::reverse(list.begin(), list.end());
    return list;
  }

 private:
  std::size_t capacity_;
  std::priority_queue<PairTest, std::vector<PairTest>, Worse> heap_;
};

}  // namespace

PairSweep sweep_pairs(const PointList& points, const AdjustedTraverse& joint, double k, const Tolerances& tolerances,
                      Progress* progress) {
  PairSweep sweep;
  const auto points_n = static_cast<std::uint64_t>(joint.size() > 0 ? joint.size() : 0);
  ProgressCounter counter(progress, ProgressStep::pairs, points_n * (points_n - (points_n > 0 ? 1 : 0)) / 2, 100000);
  WorstPairs exceeding(max_listed_exceeding);
  WorstPairs passing(max_listed_passing);
  std::vector<Matrix2> cross;
  const std::int32_t n = joint.size();
  for (std::int32_t j = 2; j <= n; ++j) {
    joint.column(j, cross);
    const Covariance2 own_j = joint.point(j);
    for (std::int32_t i = 1; i < j; ++i) {
      PairTest pair;
      pair.from = i;
      pair.to = j;
      pair.distance = distance_between(points, i, j);
      const Covariance2 relative =
          AdjustedTraverse::relative(joint.point(i), own_j, cross[static_cast<std::size_t>(i - 1)]);
      pair.a = semi_major_axis(relative, k);
      pair.tolerance = tolerances.relative_limit(pair.distance);
      pair.ratio = tolerance_ratio(pair.a, pair.tolerance);
      ++sweep.tested;
      if (!meets(pair.ratio)) {
        ++sweep.exceeding;
        exceeding.offer(pair);
      } else {
        passing.offer(pair);
      }
      if (!(joint.is_known(i) && joint.is_known(j)) && (!sweep.worst || worse(pair, *sweep.worst))) sweep.worst = pair;
    }
    counter.add(static_cast<std::uint64_t>(j - 1));
  }
  sweep.worst_exceeding = exceeding.worst_first();
  sweep.worst_passing = passing.worst_first();
  return sweep;
}

PairSweep sweep_legs(const PointList& points, const AdjustedTraverse& joint, double k, const Tolerances& tolerances) {
  PairSweep sweep;
  sweep.every_pair = false;
  WorstPairs exceeding(max_listed_exceeding);
  WorstPairs passing(max_listed_passing);
  for (std::int32_t i = 1; i < joint.size(); ++i) {
    PairTest pair;
    pair.from = i;
    pair.to = i + 1;
    pair.distance = distance_between(points, i, i + 1);
    pair.a = semi_major_axis(AdjustedTraverse::relative(joint.point(i), joint.point(i + 1), joint.neighbour(i)), k);
    pair.tolerance = tolerances.relative_limit(pair.distance);
    pair.ratio = tolerance_ratio(pair.a, pair.tolerance);
    ++sweep.tested;
    if (!meets(pair.ratio)) {
      ++sweep.exceeding;
      exceeding.offer(pair);
    } else {
      passing.offer(pair);
    }
    if (!(joint.is_known(i) && joint.is_known(i + 1)) && (!sweep.worst || worse(pair, *sweep.worst))) sweep.worst = pair;
  }
  sweep.worst_exceeding = exceeding.worst_first();
  sweep.worst_passing = passing.worst_first();
  return sweep;
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
