#include "propagation/observation_model.hpp"

namespace elipses {

namespace {

// The bearing t = atan2(dM, dP) of the line from a to b, by the coordinates of b:
// dt/dM_b = dP/D^2, dt/dP_b = -dM/D^2, in 1/m. Those by a are opposite.
PointDerivative bearing_by_end(const PointList& points, std::int32_t a, std::int32_t b) {
  const double dm = points.at(b).m - points.at(a).m;
  const double dp = points.at(b).p - points.at(a).p;
  const double length_squared = square(dm) + square(dp);
  return PointDerivative{b, dp / length_squared, -dm / length_squared};
}

PointDerivative negated(const PointDerivative& d, std::int32_t point) { return PointDerivative{point, -d.by_m, -d.by_p}; }

void add_derivative(Observation& observation, const PointDerivative& d) {
  for (std::size_t k = 0; k < observation.derivative_count; ++k) {
    PointDerivative& there = observation.derivatives[k];
    if (there.point == d.point) {
      there.by_m += d.by_m;
      there.by_p += d.by_p;
      return;
    }
  }
  observation.derivatives[observation.derivative_count++] = d;
}

// The angle at `station` from `back` to `forward`: the bearing to the forward side minus
// the bearing to the back side; a side on the reference direction contributes nothing.
Observation angle(const PointList& points, std::int32_t back, std::int32_t station, std::int32_t forward,
                  double variance) {
  Observation o;
  o.kind = ObservationKind::angle;
  o.back = back;
  o.station = station;
  o.forward = forward;
  o.direction_variance = variance;
  if (back != reference_direction) {
    const PointDerivative to_back = bearing_by_end(points, station, back);
    add_derivative(o, negated(to_back, back));
    add_derivative(o, PointDerivative{station, to_back.by_m, to_back.by_p});
  }
  if (forward != reference_direction) {
    const PointDerivative to_forward = bearing_by_end(points, station, forward);
    add_derivative(o, negated(to_forward, station));
    add_derivative(o, to_forward);
  }
  return o;
}

// The length of the line from the station to the forward point: dD/dM_f = dM/D,
// dD/dP_f = dP/D, the opposite for the station.
Observation distance(const PointList& points, std::int32_t station, std::int32_t forward,
                     const ObservationPrecision& precision) {
  const Leg leg{points.at(forward).m - points.at(station).m, points.at(forward).p - points.at(station).p, 0.0};
  const double length = leg_length(leg.dm, leg.dp);
  Observation o;
  o.kind = ObservationKind::distance;
  o.station = station;
  o.forward = forward;
  o.fixed_variance = square(precision.distance_fixed_mm * 0.001);
  o.ppm_variance = square(precision.distance_ppm * length * 1e-6);
  add_derivative(o, PointDerivative{station, -(leg.dm / length), -(leg.dp / length)});
  add_derivative(o, PointDerivative{forward, leg.dm / length, leg.dp / length});
  return o;
}

Observation bearing(const PointList& points, std::int32_t station, std::int32_t forward, double variance) {
  Observation o;
  o.kind = ObservationKind::bearing;
  o.station = station;
  o.forward = forward;
  o.direction_variance = variance;
  const PointDerivative at_forward = bearing_by_end(points, station, forward);
  add_derivative(o, negated(at_forward, station));
  add_derivative(o, at_forward);
  return o;
}

// sigma^2 B B^T over the setup's observations, B their derivatives by `point`; sigma in mm.
void add_centring(SetupMatrix& part, const StationSetup& setup, std::int32_t point, double sigma_mm) {
  const double variance = square(sigma_mm * 0.001);
  if (variance == 0.0) return;
  for (std::size_t x = 0; x < setup.count; ++x) {
    const PointDerivative bx = setup.observations[x].by(point);
    for (std::size_t y = 0; y < setup.count; ++y) {
      const PointDerivative by = setup.observations[y].by(point);
      part[x][y] += variance * (bx.by_m * by.by_m + bx.by_p * by.by_p);
    }
  }
}

}  // namespace

PointDerivative Observation::by(std::int32_t point) const {
  for (std::size_t k = 0; k < derivative_count; ++k) {
    if (derivatives[k].point == point) return derivatives[k];
  }
  return PointDerivative{point, 0.0, 0.0};
}

SetupMatrix StationSetup::covariance() const {
  SetupMatrix c{};
  for (std::size_t x = 0; x < count; ++x) {
    for (std::size_t y = 0; y < count; ++y) c[x][y] = instrument_centring[x][y] + target_centring[x][y];
    c[x][x] += observations[x].own_variance();
  }
  return c;
}

bool is_loop(const PointList& points) {
  if (points.n < 3) return false;
  const Point& first = points.at(1);
  const Point& last = points.at(points.n);
  return first.name == last.name && first.m == last.m && first.p == last.p;
}

ObservationModel build_observation_model(const PointList& points, const TraverseShape& shape,
                                         const InstrumentUse& use) {
  ObservationModel model;
  model.shape = shape;
  const std::int32_t n = points.n;
  const bool goniometric = shape.mode == ObservationMode::goniometric;
  const std::int32_t last_station = goniometric && shape.closed ? n : n - 1;
  const double sets = static_cast<double>(use.sets);
  const double direction_var =
      (goniometric ? angle_variance(use.precision) : bearing_variance(use.precision)) / sets;
  model.setups.reserve(static_cast<std::size_t>(last_station > 0 ? last_station : 0));
  for (std::int32_t i = 1; i <= last_station; ++i) {
    StationSetup setup;
    setup.station = i;
    const bool has_leg = i < n;
    if (goniometric) {
      const std::int32_t back = i == 1 ? reference_direction : i - 1;
      const std::int32_t forward = has_leg ? i + 1 : reference_direction;
      setup.observations[setup.count++] = angle(points, back, i, forward, direction_var);
    }
    if (has_leg) setup.observations[setup.count++] = distance(points, i, i + 1, use.precision);
    if (!goniometric) setup.observations[setup.count++] = bearing(points, i, i + 1, direction_var);

    add_centring(setup.instrument_centring, setup, i, use.instrument_centring_mm);
    // Each target the setup sights is set up on its own; the distance and the bearing
    // sight the same forward target as the angle.
    if (goniometric && i > 1) add_centring(setup.target_centring, setup, i - 1, use.target_centring_mm);
    if (has_leg) add_centring(setup.target_centring, setup, i + 1, use.target_centring_mm);
    model.setups.push_back(setup);
  }
  return model;
}

}  // namespace elipses
