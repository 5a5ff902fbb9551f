#include "propagation/chain.hpp"

#include <algorithm>

#include "propagation/declined.hpp"
#include "propagation/goniometric.hpp"
#include "propagation/network_adjustment.hpp"

namespace elipses {

namespace {

Chain pass(const PointList& points, ObservationMode mode, const ObservationPrecision& precision, PassStart start_end,
           const EndpointCovariance& start, std::int32_t last) {
  Chain chain;
  chain.mode = mode;
  chain.start_end = start_end;
  chain.start = start;
  if (mode == ObservationMode::goniometric) {
    chain.computed = propagate_goniometric(points, last, start_covariance(start), precision);
  } else {
    chain.computed = propagate_declined(points, start_covariance(start), precision);
  }
  return chain;
}

// A pass in the general model. `forward` is the file order; the pass computes the
// unknown points first..last from the known point next to them (before the run from the
// initial point, after it from the final point) and the observations `plan` uses, and
// lists them in the order the pass walks.
Chain general_pass(const PointList& forward, ObservationMode mode, const InstrumentUse& use, PassStart start_end,
                   const EndpointCovariance& start, const AdjustmentPlan& plan) {
  Chain chain;
  chain.mode = mode;
  chain.start_end = start_end;
  chain.start = start;
  if (plan.last_unknown < plan.first_unknown) return chain;
  const bool closed = start_end != PassStart::open_traverse;
  const TraverseShape shape{mode, closed && mode == ObservationMode::goniometric, false};
  const ObservationModel model = build_observation_model(forward, shape, use);
  const NetworkAdjustment adjustment(model, plan);
  KnownPointsCovariance known;
  const bool from_final = start_end == PassStart::final_point;
  (from_final ? known.after : known.before) = matrix_of(start_covariance(start));
  for (std::int32_t u = plan.first_unknown; u <= plan.last_unknown; ++u) {
    chain.computed.push_back(covariance_of(adjustment.covariance(u, u, known)));
  }
  if (from_final) std::reverse(chain.computed.begin(), chain.computed.end());
  return chain;
}

PointList reversed(const PointList& points) {
  PointList list = points;
  std::reverse(list.points.begin(), list.points.end());
  return list;
}

}  // namespace

Chain propagate_open_traverse(const PointList& points, ObservationMode mode, const InstrumentUse& use,
                              const EndpointCovariance& initial_point) {
  if (!use.is_plain()) {
    return general_pass(points, mode, use, PassStart::open_traverse, initial_point, AdjustmentPlan{2, points.n, {}});
  }
  return pass(points, mode, use.precision, PassStart::open_traverse, initial_point, points.n);
}

Chain propagate_closed_from_initial(const PointList& forward, ObservationMode mode, const InstrumentUse& use,
                                    const EndpointCovariance& initial_point) {
  const bool declined = mode == ObservationMode::declined;
  const EndpointCovariance start = declined ? EndpointCovariance{} : initial_point;
  const std::int32_t last = declined ? forward.n : last_of_initial_half(forward.n);
  if (!use.is_plain()) {
    // Stations 1..last-1 measure every observation the half needs; the others none.
    AdjustmentPlan plan{2, last, {}};
    const std::int32_t setups = declined ? forward.n - 1 : forward.n;
    plan.used.assign(static_cast<std::size_t>(std::max(setups, 0)), UsedObservations{false, false});
    for (std::int32_t i = 1; i < last; ++i) plan.used[static_cast<std::size_t>(i - 1)] = UsedObservations{};
    return general_pass(forward, mode, use, PassStart::initial_point, start, plan);
  }
  return pass(forward, mode, use.precision, PassStart::initial_point, start, last);
}

Chain propagate_closed_from_final(const PointList& backward, ObservationMode mode, const InstrumentUse& use,
                                  const EndpointCovariance& final_point) {
  const bool declined = mode == ObservationMode::declined;
  const EndpointCovariance start = declined ? EndpointCovariance{} : final_point;
  const std::int32_t n = backward.n;
  const std::int32_t last = declined ? n : last_of_final_half(n);
  if (!use.is_plain()) {
    // Walking back from point n to point n+1-last: the angles at stations n .. n+2-last
    // and the distances of legs n+1-last .. n-1, each measured from its own station (the
    // station at the start of the run measures only its distance).
    const std::int32_t first_unknown = n + 1 - last;
    AdjustmentPlan plan{first_unknown, n - 1, {}};
    const std::int32_t setups = declined ? n - 1 : n;
    plan.used.assign(static_cast<std::size_t>(std::max(setups, 0)), UsedObservations{false, false});
    for (std::int32_t i = first_unknown; i <= setups; ++i) {
      const bool angle_used = declined || i > first_unknown;
      plan.used[static_cast<std::size_t>(i - 1)] = UsedObservations{angle_used, true};
    }
    return general_pass(reversed(backward), mode, use, PassStart::final_point, start, plan);
  }
  return pass(backward, mode, use.precision, PassStart::final_point, start, last);
}

}  // namespace elipses
