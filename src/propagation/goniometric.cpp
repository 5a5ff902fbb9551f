#include "propagation/goniometric.hpp"

#include <cmath>

#include "propagation/ellipse.hpp"

namespace elipses {

LegTerms length_terms(const PointList& points, const ObservationPrecision& precision) {
  LegTerms terms;
  const std::size_t legs = points.n > 1 ? static_cast<std::size_t>(points.n - 1) : 0;
  terms.m.resize(legs);
  terms.p.resize(legs);
  terms.mp.resize(legs);
  for (std::int32_t i = 1; i < points.n; ++i) {
    const Leg leg = leg_geometry(points, i);
    const double length_var = distance_variance(precision, leg.length);
    const double length_squared = square(leg.length);
    const std::size_t k = static_cast<std::size_t>(i - 1);
    terms.m[k] = square(leg.dm) / length_squared * length_var;
    terms.p[k] = square(leg.dp) / length_squared * length_var;
    terms.mp[k] = leg.dm * leg.dp / length_squared * length_var;
  }
  return terms;
}

Covariance2 propagate_goniometric(const PointList& points, std::int32_t j, const Covariance2& start,
                                  const LegTerms& terms, double angle_var) {
  Covariance2 c = start;
  const Point& target = points.at(j);
  for (std::int32_t i = 1; i < j; ++i) {
    const Point& station = points.at(i);
    const std::size_t k = static_cast<std::size_t>(i - 1);
    const double to_target_m = target.m - station.m;
    const double to_target_p = target.p - station.p;
    c.var_m += terms.m[k] + square(to_target_p) * angle_var;
    c.var_p += terms.p[k] + square(to_target_m) * angle_var;
    c.cov_mp += terms.mp[k] - to_target_m * to_target_p * angle_var;
  }
  return c;
}

Covariance2 propagate_goniometric(const PointList& points, std::int32_t j, const Covariance2& start,
                                  const ObservationPrecision& precision, double pi) {
  return propagate_goniometric(points, j, start, length_terms(points, precision), angle_variance(precision, pi));
}

void emit_start_point(const RunSettings& settings, OutputWriters& writers, const Point& point,
                      const EndpointCovariance& endpoint, StartBlockStyle style) {
  write_label_block(writers.script, settings, point.name, point.m, point.p);
  if (is_zero(endpoint)) return;
  const EllipseParams params = ellipse_parameters(start_covariance(endpoint), settings.k, settings.pi);
  if (style.colour_before) write_colour(writers.script, "1");
  const EllipseScriptGeometry g = ellipse_script_geometry(point.m, point.p, params, settings.scale, style.axis_offset);
  if (g.drawn) write_ellipse_command(writers.script, g.centre_m, g.centre_p, g.axis_end_m, g.axis_end_p, g.other_axis);
}

void emit_computed_point(const RunSettings& settings, OutputWriters& writers, const Point& point,
                         const Covariance2& covariance, ComputedBlockStyle style) {
  const EllipseParams params = ellipse_parameters(covariance, settings.k, settings.pi);
  write_table_record(writers.table, point.name, point.m, point.p, params.a, params.b,
                     params.teta * 200.0 / settings.pi, std::sqrt(covariance.var_m), std::sqrt(covariance.var_p),
                     covariance.cov_mp);
  write_label_block(writers.script, settings, point.name, point.m, point.p);
  const EllipseScriptGeometry g = ellipse_script_geometry(point.m, point.p, params, settings.scale);
  if (!style.colour_only_when_drawn || g.drawn) write_colour(writers.script, "1");
  if (g.drawn) write_ellipse_command(writers.script, g.centre_m, g.centre_p, g.axis_end_m, g.axis_end_p, g.other_axis);
}

namespace {

// Points 2..last of the list in its current order, each from the chain's start.
void emit_chain(const RunSettings& settings, const PointList& points, OutputWriters& writers,
                const EndpointCovariance& endpoint, std::int32_t last, ComputedBlockStyle style) {
  const LegTerms terms = length_terms(points, settings.precision);
  const double angle_var = angle_variance(settings.precision, settings.pi);
  const Covariance2 start = start_covariance(endpoint);
  for (std::int32_t j = 2; j <= last; ++j) {
    emit_computed_point(settings, writers, points.at(j), propagate_goniometric(points, j, start, terms, angle_var),
                        style);
  }
}

}  // namespace

void run_goniometric_open(const RunSettings& settings, PointList& points, OutputWriters& writers) {
  if (points.n < 1) return;
  emit_start_point(settings, writers, points.at(1), settings.initial_point);
  emit_chain(settings, points, writers, settings.initial_point, points.n, {});
}

void run_goniometric_closed(const RunSettings& settings, PointList& points, OutputWriters& writers,
                            CoordinateFile& file) {
  if (points.n < 1) return;
  const std::int32_t n = points.n;
  const bool odd = n % 2 == 1;
  const std::int32_t forward_last = odd ? n / 2 + 1 : n / 2;  // the middle point goes forward

  StartBlockStyle initial_style;
  initial_style.axis_offset = !odd;
  emit_start_point(settings, writers, points.at(1), settings.initial_point, initial_style);
  ComputedBlockStyle forward_style;
  forward_style.colour_only_when_drawn = !odd;
  emit_chain(settings, points, writers, settings.initial_point, forward_last, forward_style);

  reverse_point_list(file, points);

  StartBlockStyle final_style;
  final_style.colour_before = !odd;
  emit_start_point(settings, writers, points.at(1), settings.final_point, final_style);
  emit_chain(settings, points, writers, settings.final_point, n / 2, {});
}

}  // namespace elipses
