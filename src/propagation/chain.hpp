#pragma once
// What one pass along the traverse computed, for the writers to render: the pass starts
// at point 1 of the list it walks and computes points 2, 3, ... in that order.
#include <cstdint>
#include <vector>

#include "propagation/observation_model.hpp"

namespace elipses {

// Which end a pass starts from. An open traverse has one pass, from the initial point;
// a closed one a pass from each end, the second over the list in reverse file order.
enum class PassStart { open_traverse, initial_point, final_point };

struct Chain {
  ObservationMode mode = ObservationMode::goniometric;
  PassStart start_end = PassStart::open_traverse;
  EndpointCovariance start;          // of point 1 of the walked list; all zero: taken as exact
  std::vector<Covariance2> computed; // points 2, 3, ... of the walked list, m^2

  // The position in the walked list of computed[k].
  static std::int32_t position_of(std::size_t k) { return static_cast<std::int32_t>(k) + 2; }
};

// The answers a computation needs.
struct TraverseInput {
  ObservationMode mode = ObservationMode::goniometric;
  ObservationPrecision precision;
  EndpointCovariance initial_point;
  EndpointCovariance final_point;  // goniometric closed traverse only; a declined one has exact ends
  // Centring and sets. With neither, each pass sums the plain propagation; otherwise the
  // pass is the general model: its points as functions of the observations it uses,
  // Sigma = J Sigma_l J^T with the setups' blocks.
  double instrument_centring_m = 0.0;
  double target_centring_m = 0.0;
  std::int32_t sets = 1;

  InstrumentUse instrument_use() const;
};

// An open traverse: one pass over the list in file order, from the initial point.
Chain propagate_open_traverse(const PointList& points, const TraverseInput& input);

// A closed traverse, taken without adjustment: each pass starts from its own known end
// with an error-free reference direction there, and no closure is used. In goniometric
// mode the pass from the initial point computes the first half (the middle point of an
// odd traverse included) and the pass from the final point the rest; in declined mode
// each pass runs over the whole traverse with both ends exact. `backward` holds the
// points in reverse file order. In the general model the setups stay those of the file
// order: the pass from the final point uses the angle at station n and, walking back,
// each leg's distance as its own station measured it.
Chain propagate_closed_from_initial(const PointList& forward, const TraverseInput& input);
Chain propagate_closed_from_final(const PointList& backward, const TraverseInput& input);

}  // namespace elipses
