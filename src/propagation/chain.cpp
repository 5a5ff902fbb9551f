#include "propagation/chain.hpp"

#include <algorithm>

#include "propagation/declined.hpp"
#include "propagation/goniometric.hpp"
#include "propagation/network_adjustment.hpp"

namespace elipses {

namespace {

Chain pass(const PointList& points, const TraverseInput& input, PassStart start_end, const EndpointCovariance& start,
           std::int32_t last) {
  Chain chain;
  chain.mode = input.mode;
  chain.start_end = start_end;
  chain.start = start;
  if (input.mode == ObservationMode::goniometric) {
    chain.computed = propagate_goniometric(points, last, start_covariance(start), input.precision);
  } else {
    chain.computed = propagate_declined(points, start_covariance(start), input.precision);
  }
  return chain;
}

// A pass in the general model. `forward` is the file order; the pass computes the
// unknown points first..last from the known point next to them (before the run from the
// initial point, after it from the final point) and the observations `plan` uses, and
// lists them in the order the pass walks.
Chain general_pass(const PointList& forward, const TraverseInput& input, PassStart start_end,
                   const EndpointCovariance& start, const AdjustmentPlan& plan) {
  Chain chain;
  chain.mode = input.mode;
  chain.start_end = start_end;
  chain.start = start;
  if (plan.last_unknown < plan.first_unknown) return chain;
  const bool closed = start_end != PassStart::open_traverse;
  const TraverseShape shape{input.mode, closed && input.mode == ObservationMode::goniometric, false};
  const ObservationModel model = build_observation_model(forward, shape, input.instrument_use());
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

InstrumentUse TraverseInput::instrument_use() const {
  InstrumentUse use;
  use.precision = precision;
  use.instrument_centring_m = instrument_centring_m;
  use.target_centring_m = target_centring_m;
  use.sets = sets;
  return use;
}

Chain propagate_open_traverse(const PointList& points, const TraverseInput& input) {
  if (!input.instrument_use().is_plain()) {
    return general_pass(points, input, PassStart::open_traverse, input.initial_point, AdjustmentPlan{2, points.n, {}});
  }
  return pass(points, input, PassStart::open_traverse, input.initial_point, points.n);
}

Chain propagate_closed_from_initial(const PointList& forward, const TraverseInput& input) {
  const bool declined = input.mode == ObservationMode::declined;
  const EndpointCovariance start = declined ? EndpointCovariance{} : input.initial_point;
  const std::int32_t last = declined ? forward.n : last_of_initial_half(forward.n);
  if (!input.instrument_use().is_plain()) {
    // Stations 1..last-1 measure every observation the half needs.
    AdjustmentPlan plan{2, last, {}};
    const std::int32_t setups = declined ? forward.n - 1 : forward.n;
    plan.used.assign(static_cast<std::size_t>(std::max(setups, 0)), 0);
    for (std::int32_t i = 1; i < last; ++i) plan.used[static_cast<std::size_t>(i - 1)] = 0xFF;
    return general_pass(forward, input, PassStart::initial_point, start, plan);
  }
  return pass(forward, input, PassStart::initial_point, start, last);
}

Chain propagate_closed_from_final(const PointList& backward, const TraverseInput& input) {
  const bool declined = input.mode == ObservationMode::declined;
  const EndpointCovariance start = declined ? EndpointCovariance{} : input.final_point;
  const std::int32_t n = backward.n;
  const std::int32_t last = declined ? n : last_of_final_half(n);
  if (!input.instrument_use().is_plain()) {
    // Walking back from point n to point n+1-last: the angles at stations n .. n+2-last
    // and the distances of legs n+1-last .. n-1, each measured from its own station.
    const std::int32_t first_unknown = n + 1 - last;
    AdjustmentPlan plan{first_unknown, n - 1, {}};
    const std::int32_t setups = declined ? n - 1 : n;
    plan.used.assign(static_cast<std::size_t>(std::max(setups, 0)), 0);
    for (std::int32_t i = first_unknown; i <= setups; ++i) {
      const bool angle_used = !declined && i > first_unknown;
      plan.used[static_cast<std::size_t>(i - 1)] = declined ? 0xFF : angle_used ? 0xFF : 0x02;
    }
    return general_pass(reversed(backward), input, PassStart::final_point, start, plan);
  }
  return pass(backward, input, PassStart::final_point, start, last);
}

}  // namespace elipses
