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

// With neither centring nor sets (use.is_plain()) each pass sums the plain propagation;
// otherwise the pass is the general model: its points as functions of the observations it
// uses, Sigma = J Sigma_l J^T with the setups' blocks.

// An open traverse: one pass over the list in file order, from the initial point.
Chain propagate_open_traverse(const PointList& points, ObservationMode mode, const InstrumentUse& use,
                              const EndpointCovariance& initial_point);

// A closed traverse, taken without adjustment: each pass starts from its own known end
// with an error-free reference direction there, and no closure is used. In goniometric
// mode the pass from the initial point computes the first half (the middle point of an
// odd traverse included) and the pass from the final point the rest; in declined mode
// each pass runs over the whole traverse with both ends exact. `backward` holds the
// points in reverse file order. In the general model the setups stay those of the file
// order: the pass from the final point uses the angle at station n and, walking back,
// each leg's distance as its own station measured it.
// A declined traverse's passes start from exact ends, whatever covariance is given.
Chain propagate_closed_from_initial(const PointList& forward, ObservationMode mode, const InstrumentUse& use,
                                    const EndpointCovariance& initial_point);
Chain propagate_closed_from_final(const PointList& backward, ObservationMode mode, const InstrumentUse& use,
                                  const EndpointCovariance& final_point);

}  // namespace elipses
