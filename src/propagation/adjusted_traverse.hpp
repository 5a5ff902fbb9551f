#pragma once
// The traverse in file order as the model of its setups determines it: a closed traverse
// adjusted by least squares between its known ends (points 1 and n; a loop's one point
// shared by both), or an open one propagated from point 1 by the same algebra. It is
// factorised once, and every further result reads it: each point's covariance and the
// block between neighbours, the covariance between any two points (relative positional
// precision is specified for every pair of marks, not only for neighbours), where a
// variance comes from, and the reliability of the observations. Nothing n x n is stored:
// the cross-covariance with a point is one column of N^-1, solved from the banded factor
// when asked, so memory stays linear in the points.
#include <array>
#include <cstdint>
#include <vector>

#include "propagation/network_adjustment.hpp"

namespace elipses {

// A variance, or its share, by the source of the error.
struct ErrorSources {
  double directions = 0.0;           // the angles' or bearings' own errors
  double distances_fixed = 0.0;      // the distances' mm part
  double distances_ppm = 0.0;        // the distances' ppm part
  double instrument_centring = 0.0;
  double target_centring = 0.0;
  double known_points = 0.0;         // the known ends' covariance

  double total() const {
    return directions + distances_fixed + distances_ppm + instrument_centring + target_centring + known_points;
  }
};

// The parts of one variance by source, m^2 (they add up to the whole), and each
// observation's own instrument variance (its part of D) carried to the quantity, in the
// order of the model's setups and their observations.
struct VarianceBudget {
  ErrorSources parts;
  std::vector<double> by_observation;
  // Each setup's centring carried to the quantity (the instrument's, and that of the targets
  // it sights), m^2, in the order of the model's setups.
  struct SetupCentring {
    std::int32_t station = 0;
    double instrument = 0.0;
    double targets = 0.0;
  };
  std::vector<SetupCentring> by_setup;
};

// The same parts in % of their total (all 0 when the total is).
ErrorSources shares_of(const ErrorSources& parts);

// A linear combination of two points' coordinates: (first_m, first_p) . x_first +
// (second_m, second_p) . x_second; second 0 for one point.
struct PointDirection {
  std::int32_t first = 0;
  double first_m = 0.0;
  double first_p = 0.0;
  std::int32_t second = 0;
  double second_m = 0.0;
  double second_p = 0.0;
};

// Each point's own covariance and the block between each point and the next, m^2.
struct TraverseCovariance {
  std::vector<Covariance2> points;  // point i at [i-1], i = 1..n
  std::vector<Matrix2> neighbours;  // rows point i, columns point i+1, at [i-1], i = 1..n-1
};

class AdjustedTraverse {
 public:
  // Points 1 and n of a closed model known (a loop's one point shared by both, with the
  // initial covariance), point 1 of an open one. The model is kept; it must be defined
  // (model_is_defined) and have no leg of zero length.
  AdjustedTraverse(const PointList& points, ObservationModel model, const EndpointCovariance& initial_point,
                   const EndpointCovariance& final_point);
  AdjustedTraverse(const AdjustedTraverse&) = delete;
  AdjustedTraverse& operator=(const AdjustedTraverse&) = delete;

  std::int32_t size() const { return n_; }
  const ObservationModel& model() const { return model_; }
  const NetworkAdjustment& adjustment() const { return adjustment_; }
  bool is_known(std::int32_t point) const { return point < first_ || point > last_; }
  // Point i's own covariance, m^2.
  Covariance2 point(std::int32_t i) const { return own_[static_cast<std::size_t>(i - 1)]; }
  // Sigma(i, i+1), i = 1..n-1: rows point i, columns point i+1; m^2.
  Matrix2 neighbour(std::int32_t i) const;
  // Every point's block and every neighbour block.
  TraverseCovariance blocks() const;
  // Sigma(i, j) for every i = 1..n (cross[i - 1]): rows point i, columns point j; m^2.
  void column(std::int32_t j, std::vector<Matrix2>& cross) const;
  // The covariance of the difference of points j and i (x_j - x_i), m^2.
  static Covariance2 relative(const Covariance2& i, const Covariance2& j, const Matrix2& cross_ij);
  // The variance of a direction's combination, split by source.
  VarianceBudget budget(const PointDirection& direction) const;

 private:
  Matrix2 known_block(std::int32_t a, std::int32_t b) const;  // Sigma_c between known points
  bool after(std::int32_t known) const { return known > last_; }

  ObservationModel model_;
  std::int32_t n_ = 0;
  std::int32_t first_ = 0;  // the unknown run
  std::int32_t last_ = 0;
  NetworkAdjustment adjustment_;
  KnownPointsCovariance known_;
  std::vector<Covariance2> own_;
};

}  // namespace elipses
