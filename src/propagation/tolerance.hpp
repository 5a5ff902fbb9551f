#pragma once
// Tolerances and their verdicts: a relative tolerance such as "2 cm + 50 ppm" between two
// points (tested on every leg and between every pair of points), and a tolerance of each
// point's own ellipse. A verdict compares the semi-major axis at the run's level with the
// tolerance; every "cumpre" or "excede" and every "worst" the program says is decided here.
#include <algorithm>
#include <cmath>
#include <queue>
#include <cstdint>
#include <optional>
#include <vector>

#include "propagation/adjusted_traverse.hpp"
#include "propagation/ellipse.hpp"
#include "propagation/progress.hpp"

namespace elipses {

struct Tolerances {
  // Relative: the semi-major axis of two points' relative ellipse against
  // mm / 1000 + ppm 1e-6 D, D their distance (m).
  bool relative = false;
  double relative_mm = 0.0;
  double relative_ppm = 0.0;
  // Absolute: each point's semi-major axis against mm / 1000.
  bool point = false;
  double point_mm = 0.0;

  bool any() const { return relative || point; }
  double relative_limit(double distance_m) const { return relative_mm / 1000.0 + relative_ppm * 1e-6 * distance_m; }
};

// a / tolerance; a tolerance of nothing is met only by no error at all.
inline double tolerance_ratio(double a, double tolerance) {
  if (tolerance > 0.0) return a / tolerance;
  return a > 0.0 ? HUGE_VAL : 0.0;
}

// A ratio meets its tolerance up to 1 included.
inline bool meets(double ratio) { return ratio <= 1.0; }

// One pair of points tested against the relative tolerance.
struct PairTest {
  std::int32_t from = 0;  // file order, from < to
  std::int32_t to = 0;
  double distance = 0.0;   // m
  double a = 0.0;          // m, semi-major axis of the relative ellipse at k
  double tolerance = 0.0;  // m
  double ratio = 0.0;      // a / tolerance
};

// Every pair i < j, the known ends included.
struct PairSweep {
  std::uint64_t tested = 0;
  std::uint64_t exceeding = 0;
  std::vector<PairTest> worst_exceeding;  // worst ratio first, at most max_listed_exceeding
  std::vector<PairTest> worst_passing;    // worst ratio first, at most max_listed_passing
  std::optional<PairTest> worst;          // the largest ratio, pairs of two known ends left out
  bool every_pair = true;                 // false: only the legs, the traverse being too long
};

// Every pair of n points is tested up to this many points (about a minute); beyond, their
// number (n^2 / 2) would keep a person waiting for hours, and only the legs are tested.
constexpr std::int32_t longest_pair_sweep = 30000;
constexpr bool sweeps_every_pair(std::int32_t n) { return n <= longest_pair_sweep; }

// The `capacity` worst of the items offered, kept in a heap whose top is the least bad of
// them; `Worse` orders them worst first.
template <typename Item, typename Worse>
class WorstFirst {
 public:
  explicit WorstFirst(std::size_t capacity) : capacity_(capacity) {}
  void offer(const Item& item) {
    if (heap_.size() < capacity_) {
      heap_.push(item);
    } else if (capacity_ > 0 && Worse{}(item, heap_.top())) {
      heap_.pop();
      heap_.push(item);
    }
  }
  std::vector<Item> worst_first() {
    std::vector<Item> list;
    for (; !heap_.empty(); heap_.pop()) list.push_back(heap_.top());
    std::reverse(list.begin(), list.end());
    return list;
  }

 private:
  std::size_t capacity_;
  std::priority_queue<Item, std::vector<Item>, Worse> heap_;
};

constexpr std::size_t max_listed_exceeding = 1000;
constexpr std::size_t max_listed_passing = 10;

PairSweep sweep_pairs(const PointList& points, const AdjustedTraverse& joint, double k, const Tolerances& tolerances,
                      Progress* progress = nullptr);

// The same over the legs alone (pairs of neighbouring points), for a traverse too long to
// sweep every pair.
PairSweep sweep_legs(const PointList& points, const AdjustedTraverse& joint, double k, const Tolerances& tolerances);

// A leg's relative ellipse (the vector between neighbouring points i and i+1, file order)
// and, with a relative tolerance, its verdict.
struct LegTest {
  double tolerance = 0.0;  // m: the largest semi-major axis allowed
  double ratio = 0.0;      // a / tolerance
  bool passes = true;
};

struct LegEllipse {
  double length = 0.0;   // m
  Covariance2 relative;  // m^2, of x_{i+1} - x_i
  EllipseParams ellipse; // at the level's factor k
  std::optional<LegTest> test;
};

struct LegTests {
  std::vector<LegEllipse> legs;          // leg i at [i-1]
  std::uint64_t exceeding = 0;     // with a relative tolerance
  std::optional<PairTest> worst;   // the leg of largest ratio (the first of equals)
};

// Every leg of `joint` (points and neighbour blocks in file order), tested against the
// relative tolerance when `tolerances` holds one.
LegTests test_legs(const PointList& points, const TraverseCovariance& joint, double k, const Tolerances& tolerances);

// Each point's semi-major axis against the point tolerance.
struct PointTest {
  double a = 0.0;          // m, at k
  double tolerance = 0.0;  // m
  double ratio = 0.0;
};

struct PointTests {
  std::vector<PointTest> points;  // point i at [i-1]; known points too
  std::uint64_t exceeding = 0;    // known points included
  std::int32_t worst = 0;         // the computed point of largest ratio (first of equals); 0: none
};

PointTests test_points(const AdjustedTraverse& joint, double k, const Tolerances& tolerances);

// The places of the `count` largest values, the largest first (the first of equals first):
// the worst points or legs, where only some of them can be shown.
std::vector<std::size_t> worst_places(const std::vector<double>& values, std::size_t count);

}  // namespace elipses
