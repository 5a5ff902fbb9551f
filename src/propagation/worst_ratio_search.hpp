#pragma once
// The worst ratio of the tolerances for one instrument use after another over the same
// planned traverse: what the design sheet's limits and catalogue ask some ninety times.
// Each answer is exactly the full search's (worst_ratio: the same pairs, the same
// arithmetic, bit for bit), but a pair's cross-covariance, one column of the covariance
// solved from the banded factor at a cost proportional to the points, is solved only
// where the pair could still be the worst:
//
// - every point is tested (each costs nothing), then the pairs of the few columns that
//   held the worst pairs for the uses before (the candidates);
// - a use that only has to pass or fail (a limit's step, a number of sets) fails on the
//   first ratio above 1: a failure needs one witness, and the bisections go on only
//   from exact answers, since the worst ratio need not grow with a precision;
// - otherwise (a pass, or a catalogue class, whose ratio is written) every other pair
//   is bounded from above without its column (PairBounds), and only the columns holding
//   a pair whose bound exceeds the worst found so far (1 for a pass) are solved.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "propagation/tolerance.hpp"

namespace elipses {

// A point whose column was solved, and each point's relative semi-major axis to it, as
// computed from that column (axes[i - 1], m at the level's k).
struct Landmark {
  std::int32_t column = 0;
  std::vector<double> axes;
};

// Upper bounds of the pairs' ratios as the full search computes them from the solved
// columns, read from a few numbers per point.
//
// The relative semi-major axis is a distance between points: a_ij / k is the largest
// standard deviation, over the directions, of x_j - x_i, so a_ij <= a_im + a_mj for any
// point m, and a_ij <= a_i + a_j (the fixed origin as m). A pair is bounded by the
// shortest path between its points where each leg weighs its relative axis, the known
// ends of a closed traverse are joined by theirs, each point reaches the origin across
// its own axis, and a landmark is reached across the axes solved with it.
//
// The legs' blocks, read from the band of the inverse, and a solved column agree only
// to the last digits, by an amount that grows with the traverse's conditioning (1e-15
// to 1e-9 of the variances from 50 to 4,000 points): every weight and every bound is
// widened by 10,000 times the largest difference seen between the two on the columns
// given, so that no pass over a pair is decided by rounding.
class PairBounds {
 public:
  // `own_axes`: each point's semi-major axis at k (m), point i at [i - 1].
  // `relative_difference`: the largest band_difference seen. `ends_cross`: a closed traverse's
  // Sigma(1, n), from column n; nothing for an open one.
  PairBounds(const PointList& points, const AdjustedTraverse& joint, const std::vector<double>& own_axes, double k,
             double relative_difference, const std::optional<Matrix2>& ends_cross, const Tolerances& tolerances);

  // Pair i < j: an upper bound of its ratio; through `landmark` too when given. Never
  // below the ratio of the pair, whatever the rounding.
  double ratio(std::int32_t i, std::int32_t j, const Landmark* landmark = nullptr) const;

  // Consecutive points bounded together: the blocks, and an upper bound of the ratio of
  // every pair i < j with i in block x and j in block y, x <= y.
  std::size_t blocks() const { return blocks_.size(); }
  std::int32_t block_first(std::size_t b) const { return blocks_[b].first; }
  std::int32_t block_last(std::size_t b) const { return blocks_[b].last; }
  double block_ratio(std::size_t x, std::size_t y) const;

 private:
  struct Block {
    std::int32_t first = 0;
    std::int32_t last = 0;
    double along_first = 0.0;
    double along_last = 0.0;
    double to_origin = 0.0;  // the largest of its points'
    double allowance = 0.0;  // the largest of its points'
    double m_min = 0.0, m_max = 0.0, p_min = 0.0, p_max = 0.0;
  };

  double leg_weight(std::int32_t i) const;
  double around(double along_i, double along_j) const;
  double widened(double path, double allowance) const;
  void add_block(std::int32_t first, std::int32_t last);

  const PointList& points_;
  const Tolerances& tolerances_;
  std::int32_t n_ = 0;
  std::vector<double> allowance_;  // m^2: what rounding may add to a^2, by point
  std::vector<double> along_;      // m: the legs' weights summed from point 1
  std::vector<double> to_origin_;  // m: the shortest way from each point to the origin
  double round_the_ends_ = HUGE_VAL;  // m: between a closed traverse's known ends
  double slack_ = 0.0;                // m: the rounding of the sums
  std::vector<Block> blocks_;
};

// How far column j, as solved (Sigma(i, j) at column[i - 1]), is from the band of the
// inverse on the blocks of points j-1 and j: the largest difference of an entry over
// the two points' variances. Nothing for a known point j.
double band_difference(const AdjustedTraverse& joint, std::int32_t j, const std::vector<Matrix2>& column);

class WorstRatioSearch {
 public:
  // `worst_pair`: a pair known to be bad for the given instruments (the sweep's worst),
  // to start from; nothing where none is known. `points` must outlive the search.
  WorstRatioSearch(const PointList& points, const TraverseShape& shape, const EndpointCovariance& initial_point,
                   const EndpointCovariance& final_point, double k, const Tolerances& tolerances,
                   const std::optional<PairTest>& worst_pair);

  // Exactly worst_ratio(points, shape, use, initial_point, final_point, k, tolerances).
  double worst_ratio(const InstrumentUse& use);
  // Exactly meets(worst_ratio(...)): every tolerance holds with `use`.
  bool meets_all(const InstrumentUse& use);

  // Columns of a covariance solved so far, over every use: the work the search saves.
  std::uint64_t columns_solved() const { return columns_solved_; }

 private:
  double evaluate(const InstrumentUse& use, bool deciding);

  const PointList& points_;
  TraverseShape shape_;
  EndpointCovariance initial_point_;
  EndpointCovariance final_point_;
  double k_ = 1.0;
  Tolerances tolerances_;
  std::vector<std::int32_t> candidates_;  // columns j whose pairs were worst lately
  std::uint64_t columns_solved_ = 0;
};

}  // namespace elipses
