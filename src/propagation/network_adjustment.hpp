#pragma once
// Least squares over the setups of a traverse, linearised at the planned coordinates, with
// the block-diagonal covariance of the observations (one block per setup, sigma0 = 1). The
// unknowns are a run of consecutive points; the points next to the run that the
// observations reach are known and held fixed, their own covariance carried into the
// unknowns through G = -N^-1 A^T P B.
//
// Every observation touches at most three consecutive points, and a setup's observations
// the same three, so the normal matrix is banded along the chain (no entry further than 5
// from its diagonal): the factorisation, the band of its inverse and any solve cost a time
// proportional to the number of points, and no dense matrix is ever formed. With as many
// observations as unknowns (an open traverse, or one half of a closed one) the same algebra
// gives the propagation J Sigma_l J^T exactly, J = A^-1.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "propagation/observation_model.hpp"

namespace elipses {

// Which observations of a setup a computation uses, by name: the angle or the bearing
// (its direction) and the distance to the forward point.
struct UsedObservations {
  bool direction = true;
  bool distance = true;

  bool uses(const Observation& observation) const {
    return observation.kind == ObservationKind::distance ? distance : direction;
  }
};

// What one computation takes from the model: the unknown points first..last (file order)
// and, for each setup, which of its observations it uses (an empty list: every observation
// of every setup).
struct AdjustmentPlan {
  std::int32_t first_unknown = 0;
  std::int32_t last_unknown = 0;
  std::vector<UsedObservations> used;
};

// One term of an observation's row of A over the unknowns: the point, its first row in the
// normal equations (M; P is the next) and the derivatives by its coordinates.
struct UnknownTerm {
  std::int32_t point = 0;
  std::size_t row = 0;
  double by_m = 0.0;
  double by_p = 0.0;
};

// An observation's row of A over the unknowns: at most three points, in the order of its
// derivatives; the points held fixed are left out.
struct UnknownTerms {
  std::array<UnknownTerm, 3> terms{};
  std::size_t count = 0;
  const UnknownTerm* begin() const { return terms.data(); }
  const UnknownTerm* end() const { return terms.data() + count; }
};

// The covariance of the known points next to the unknown run: `before` is point
// first_unknown - 1, `after` point last_unknown + 1, `shared` their cross-covariance (rows
// before, columns after; a loop's one point has before = after = shared).
struct KnownPointsCovariance {
  Matrix2 before;
  Matrix2 after;
  Matrix2 shared;
};

// One setup as the adjustment weighs it: the observations used and P = Sigma_s^-1 over them.
struct WeightedSetup {
  std::size_t setup = 0;                                  // index in the model
  std::array<std::size_t, max_setup_observations> used{};  // indices of the used observations
  std::size_t count = 0;
  SetupMatrix weight{};  // P over the used observations, count x count
};

class NetworkAdjustment {
 public:
  // Throws std::domain_error when a setup's covariance is not positive definite (an
  // observation with no error at all would have an infinite weight).
  NetworkAdjustment(const ObservationModel& model, AdjustmentPlan plan);

  std::int32_t first_unknown() const { return plan_.first_unknown; }
  std::int32_t last_unknown() const { return plan_.last_unknown; }
  bool is_unknown(std::int32_t point) const { return point >= plan_.first_unknown && point <= plan_.last_unknown; }
  const std::vector<WeightedSetup>& weighted_setups() const { return weighted_; }
  const ObservationModel& model() const { return model_; }

  // Q_x = N^-1 between unknown points a and b, |a - b| <= 2 (the band).
  Matrix2 cofactor(std::int32_t a, std::int32_t b) const;
  // G for an unknown point by the known point before (false) or after (true) the run.
  Matrix2 gain(std::int32_t point, bool after) const;
  // Sigma_x between two unknown points at most two apart: Q_x + G Sigma_c G^T.
  Matrix2 covariance(std::int32_t a, std::int32_t b, const KnownPointsCovariance& known) const;

  // x = N^-1 b in place: b indexed 2(point - first_unknown) + (0 for M, 1 for P). Cost
  // proportional to the unknowns after the first non-zero of b.
  void solve(std::vector<double>& b) const;

  // The first row of an unknown point in the normal equations (M; P is the next).
  std::size_t row_of(std::int32_t point) const { return 2 * static_cast<std::size_t>(point - plan_.first_unknown); }
  // The one way an observation's row of A is read: its derivatives by the unknown points.
  UnknownTerms unknown_terms(const Observation& observation) const;

 private:
  double lower(std::size_t i, std::size_t j) const { return factor_[j][i - j]; }
  double inverse(std::size_t i, std::size_t j) const {
    return i <= j ? inverse_[i][j - i] : inverse_[j][i - j];
  }
  void add_setup(const StationSetup& setup, const WeightedSetup& weighted);
  void factorise();
  void invert_band();
  void solve_for_known_points();

  static constexpr std::size_t band = 5;
  const ObservationModel& model_;
  AdjustmentPlan plan_;
  std::size_t size_ = 0;
  std::vector<WeightedSetup> weighted_;
  std::vector<std::array<double, band + 1>> factor_;   // N(r, r + k), then L and d
  std::vector<std::array<double, 4>> by_known_;        // A^T P B, then G
  std::vector<std::array<double, band + 1>> inverse_;  // N^-1(r, r + k)
};

// P = Sigma^-1 of a small symmetric positive definite block (count x count); false when it
// is not positive definite.
bool invert_setup_block(const SetupMatrix& covariance, std::size_t count, SetupMatrix& weight);

}  // namespace elipses
