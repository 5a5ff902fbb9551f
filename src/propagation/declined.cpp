#include "propagation/declined.hpp"

namespace elipses {

Covariance2 declined_leg_covariance(const Leg& leg, const ObservationPrecision& precision, double bearing_var) {
  const double length_var = distance_variance(precision, leg.length);
  const double length_squared = square(leg.length);
  Covariance2 c;
  c.var_m = square(leg.dm) / length_squared * length_var + square(leg.dp) * bearing_var;
  c.var_p = square(leg.dp) / length_squared * length_var + square(leg.dm) * bearing_var;
  c.cov_mp = leg.dm * leg.dp / length_squared * length_var - leg.dm * leg.dp * bearing_var;
  return c;
}

namespace {

void add(Covariance2& sum, const Covariance2& leg) {
  sum.var_m += leg.var_m;
  sum.var_p += leg.var_p;
  sum.cov_mp += leg.cov_mp;
}

// One whole pass over the list in its current order. The covariance of point j is that
// of point j-1 plus leg j-1, so a running sum gives each point with the same additions.
void emit_pass(const RunSettings& settings, const PointList& points, OutputWriters& writers,
               const EndpointCovariance& endpoint) {
  emit_start_point(settings, writers, points.at(1), endpoint);
  const double bearing_var = bearing_variance(settings.precision, settings.pi);
  Covariance2 running = start_covariance(endpoint);
  for (std::int32_t j = 2; j <= points.n; ++j) {
    add(running, declined_leg_covariance(leg_geometry(points, j - 1), settings.precision, bearing_var));
    emit_computed_point(settings, writers, points.at(j), running);
  }
}

}  // namespace

Covariance2 propagate_declined(const PointList& points, std::int32_t j, const Covariance2& start,
                               const ObservationPrecision& precision, double pi) {
  const double bearing_var = bearing_variance(precision, pi);
  Covariance2 c = start;
  for (std::int32_t i = 1; i < j; ++i) add(c, declined_leg_covariance(leg_geometry(points, i), precision, bearing_var));
  return c;
}

void run_declined_open(const RunSettings& settings, PointList& points, OutputWriters& writers) {
  if (points.n < 1) return;
  emit_pass(settings, points, writers, settings.initial_point);
}

void run_declined_closed(const RunSettings& settings, PointList& points, OutputWriters& writers,
                         CoordinateFile& file) {
  if (points.n < 1) return;
  const EndpointCovariance exact;
  emit_pass(settings, points, writers, exact);
  reverse_point_list(file, points);
  emit_pass(settings, points, writers, exact);
}

}  // namespace elipses
