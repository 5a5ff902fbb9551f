#pragma once
// The whole joint covariance of a traverse's points, where a decision needs it: between
// any two points (relative positional precision is specified for every pair of marks, not
// only for neighbours) and split by where the error comes from. Nothing n x n is stored:
// the cross-covariance with a point is one column of N^-1, solved from the banded factor
// when asked, so memory stays linear in the points.
#include <array>
#include <cstdint>
#include <vector>

#include "propagation/network_adjustment.hpp"

namespace elipses {

// The parts of one variance by source, m^2; they add up to the whole.
struct VarianceBudget {
  double directions = 0.0;            // the angles' or bearings' own errors
  double distances_fixed = 0.0;       // the distances' mm part
  double distances_ppm = 0.0;         // the distances' ppm part
  double instrument_centring = 0.0;
  double target_centring = 0.0;
  double known_points = 0.0;          // the known ends' covariance
  // Each observation's own instrument variance (its part of D) carried to the quantity,
  // in the order of the model's setups and their observations.
  std::vector<double> by_observation;

  double total() const {
    return directions + distances_fixed + distances_ppm + instrument_centring + target_centring + known_points;
  }
};

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

class JointCovariance {
 public:
  // The closed traverse adjusted (points 1 and n known; a loop's one point shared), or the
  // open one propagated (point 1 known). Assumes model_is_defined and no zero leg.
  JointCovariance(const PointList& points, const ObservationModel& model, const EndpointCovariance& initial_point,
                  const EndpointCovariance& final_point);

  std::int32_t size() const { return n_; }
  const ObservationModel& model() const { return model_; }
  bool is_known(std::int32_t point) const { return point < first_ || point > last_; }
  // Point i's own covariance, m^2.
  Covariance2 point(std::int32_t i) const { return own_[static_cast<std::size_t>(i - 1)]; }
  // Sigma(i, j) for every i = 1..n (cross[i - 1]): rows point i, columns point j; m^2.
  void column(std::int32_t j, std::vector<Matrix2>& cross) const;
  // The covariance of the difference of points j and i (x_j - x_i), m^2.
  static Covariance2 relative(const Covariance2& i, const Covariance2& j, const Matrix2& cross_ij);
  // The variance of a direction's combination, split by source.
  VarianceBudget budget(const PointDirection& direction) const;

 private:
  Matrix2 known_block(std::int32_t a, std::int32_t b) const;  // Sigma_c between known points
  bool after(std::int32_t known) const { return known > last_; }

  const ObservationModel& model_;
  std::int32_t n_ = 0;
  std::int32_t first_ = 0;  // the unknown run
  std::int32_t last_ = 0;
  NetworkAdjustment adjustment_;
  KnownPointsCovariance known_;
  std::vector<Covariance2> own_;
};

}  // namespace elipses
