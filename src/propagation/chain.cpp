#include "propagation/chain.hpp"

#include "propagation/declined.hpp"
#include "propagation/goniometric.hpp"

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

}  // namespace

Chain propagate_open_traverse(const PointList& points, const TraverseInput& input) {
  return pass(points, input, PassStart::open_traverse, input.initial_point, points.n);
}

Chain propagate_closed_from_initial(const PointList& forward, const TraverseInput& input) {
  if (input.mode == ObservationMode::declined) return pass(forward, input, PassStart::initial_point, {}, forward.n);
  return pass(forward, input, PassStart::initial_point, input.initial_point, last_of_initial_half(forward.n));
}

Chain propagate_closed_from_final(const PointList& backward, const TraverseInput& input) {
  if (input.mode == ObservationMode::declined) return pass(backward, input, PassStart::final_point, {}, backward.n);
  return pass(backward, input, PassStart::final_point, input.final_point, last_of_final_half(backward.n));
}

}  // namespace elipses
