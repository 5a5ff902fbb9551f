#include "propagation/reliability.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "propagation/network_adjustment.hpp"

namespace elipses {

TraverseReliability traverse_reliability(const AdjustedTraverse& traverse, Progress* progress) {
  TraverseReliability result;
  const std::int32_t n = traverse.size();
  const ObservationModel& model = traverse.model();
  if (n < 3 || !model.shape.closed) return result;
  const NetworkAdjustment& adjustment = traverse.adjustment();
  result.shifts = n <= longest_shift_search;
  const std::size_t size = 2 * static_cast<std::size_t>(n - 2);
  std::uint64_t observations = 0;
  for (const WeightedSetup& weighted : adjustment.weighted_setups()) observations += weighted.count;
  ProgressCounter counter(progress, ProgressStep::reliability, observations, 100);
  std::vector<double> shift(size);
  for (const WeightedSetup& weighted : adjustment.weighted_setups()) {
    const StationSetup& setup = model.setups[weighted.setup];
    const SetupMatrix sigma = setup.covariance();
    const std::size_t count = weighted.count;
    const auto observation = [&](std::size_t x) -> const Observation& {
      return setup.observations[weighted.used[x]];
    };
    // Q_vv = Sigma_l - A Q_x A^T over the setup's observations; A's rows reach only the
    // setup's three points, so Q_x is needed within the band alone.
    SetupMatrix q_vv{};
    for (std::size_t x = 0; x < count; ++x) {
      for (std::size_t y = 0; y < count; ++y) {
        double a_q_a = 0.0;
        for (const UnknownTerm& di : adjustment.unknown_terms(observation(x))) {
          for (const UnknownTerm& dj : adjustment.unknown_terms(observation(y))) {
            const Matrix2 q = adjustment.cofactor(di.point, dj.point);
            a_q_a += di.by_m * (q.mm * dj.by_m + q.mp * dj.by_p) + di.by_p * (q.pm * dj.by_m + q.pp * dj.by_p);
          }
        }
        q_vv[x][y] = sigma[weighted.used[x]][weighted.used[y]] - a_q_a;
      }
    }
    const SetupMatrix& p = weighted.weight;
    for (std::size_t o = 0; o < count; ++o) {
      const Observation& ob = observation(o);
      ObservationReliability item;
      item.kind = ob.kind;
      item.back = ob.back;
      item.station = ob.station;
      item.forward = ob.forward;
      item.sigma = std::sqrt(sigma[weighted.used[o]][weighted.used[o]]);
      for (std::size_t y = 0; y < count; ++y) item.redundancy += q_vv[o][y] * p[y][o];
      // c^T P Q_vv P c, with P c the observation's column of P.
      double m = 0.0;
      for (std::size_t x = 0; x < count; ++x) {
        for (std::size_t y = 0; y < count; ++y) m += p[x][o] * q_vv[x][y] * p[y][o];
      }
      item.minimal_bias = m > 0.0 ? detection_delta0 / std::sqrt(m) : std::numeric_limits<double>::infinity();
      if (result.shifts && std::isfinite(item.minimal_bias)) {
        // Delta_x = Q_x A^T P c nabla: the right-hand side reaches the setup's points only.
        std::fill(shift.begin(), shift.end(), 0.0);
        for (std::size_t x = 0; x < count; ++x) {
          for (const UnknownTerm& di : adjustment.unknown_terms(observation(x))) {
            shift[di.row] += di.by_m * p[x][o];
            shift[di.row + 1] += di.by_p * p[x][o];
          }
        }
        adjustment.solve(shift);
        for (std::int32_t point = 2; point < n; ++point) {
          const std::size_t r = adjustment.row_of(point);
          const double moved = std::hypot(shift[r], shift[r + 1]) * item.minimal_bias;
          if (moved > item.largest_shift) {
            item.largest_shift = moved;
            item.shifted_point = point;
          }
        }
      }
      result.redundancy += item.redundancy;
      if (item.weak()) ++result.weak;
      std::ptrdiff_t& worst = item.kind == ObservationKind::distance ? result.worst_distance : result.worst_direction;
      if (worst < 0 || item.minimal_bias > result.observations[static_cast<std::size_t>(worst)].minimal_bias) {
        worst = static_cast<std::ptrdiff_t>(result.observations.size());
      }
      result.observations.push_back(item);
      counter.add(1);
    }
  }
  return result;
}

}  // namespace elipses
