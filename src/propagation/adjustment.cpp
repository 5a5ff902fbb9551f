#include "propagation/adjustment.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <stdexcept>

#include "propagation/declined.hpp"
#include "propagation/goniometric.hpp"
#include "propagation/network_adjustment.hpp"

namespace elipses {

namespace {

bool positive_finite(double variance) { return variance > 0.0 && std::isfinite(variance); }

}  // namespace

bool adjustment_is_defined(ObservationMode mode, const ObservationPrecision& precision) {
  // A leg's length variance is at least the larger of its two parts; the ppm part is
  // checked per metre, legs of a real traverse being longer than that.
  const bool lengths = std::isfinite(distance_variance(precision, 1.0)) &&
                       (positive_finite(square(precision.distance_fixed_mm * 0.001)) ||
                        positive_finite(square(precision.distance_ppm * 1e-6)));
  const double direction_var =
      mode == ObservationMode::goniometric ? angle_variance(precision) : bearing_variance(precision);
  return lengths && positive_finite(direction_var);
}

bool model_is_defined(const ObservationModel& model) {
  for (const StationSetup& setup : model.setups) {
    SetupMatrix weight;
    if (!invert_setup_block(setup.covariance(), setup.count, weight)) return false;
  }
  return true;
}

TraverseCovariance adjust_traverse(const PointList& points, ObservationMode mode, const ObservationPrecision& precision,
                                   const EndpointCovariance& initial_point, const EndpointCovariance* final_point) {
  InstrumentUse use;
  use.precision = precision;
  const TraverseShape shape{mode, final_point != nullptr, false};
  const AdjustedTraverse adjusted(points, build_observation_model(points, shape, use), initial_point,
                                  final_point != nullptr ? *final_point : EndpointCovariance{});
  return adjusted.blocks();
}

TraverseCovariance propagate_open_joint(const PointList& points, ObservationMode mode,
                                        const ObservationPrecision& precision, const EndpointCovariance& initial_point) {
  TraverseCovariance joint;
  if (points.n < 1) return joint;
  const Covariance2 start = start_covariance(initial_point);
  joint.points.push_back(start);
  const std::vector<Covariance2> computed = mode == ObservationMode::goniometric
                                                ? propagate_goniometric(points, points.n, start, precision)
                                                : propagate_declined(points, start, precision);
  joint.points.insert(joint.points.end(), computed.begin(), computed.end());

  // Point j+1 is point j moved along leg j. In declined mode that move is leg j's own
  // errors, independent of point j, so the pair shares point j's whole covariance. In
  // goniometric mode the angle at each station i < j turns point j about station i by the
  // lever arm r_j - r_i and leg j with it: the pair shares, beyond point j's covariance,
  // sigma^2 J(s_j) J(l_j)^T with J(v) = (vP, -vM) and s_j = sum over i < j of (r_j - r_i),
  // carried as s_j+1 = s_j + j l_j. (Station j's own angle turns only point j+1.)
  const double angle_var = mode == ObservationMode::goniometric ? angle_variance(precision) : 0.0;
  double levers_m = 0.0;  // s_j, metres
  double levers_p = 0.0;
  joint.neighbours.reserve(static_cast<std::size_t>(points.n - 1));
  for (std::int32_t j = 1; j < points.n; ++j) {
    const Covariance2& own = joint.points[static_cast<std::size_t>(j - 1)];
    const Leg leg = leg_geometry(points, j);
    Matrix2 shared{own.var_m, own.cov_mp, own.cov_mp, own.var_p};
    if (mode == ObservationMode::goniometric) {
      shared.mm += levers_p * leg.dp * angle_var;
      shared.mp -= levers_p * leg.dm * angle_var;
      shared.pm -= levers_m * leg.dp * angle_var;
      shared.pp += levers_m * leg.dm * angle_var;
      levers_m += static_cast<double>(j) * leg.dm;
      levers_p += static_cast<double>(j) * leg.dp;
    }
    joint.neighbours.push_back(shared);
  }
  return joint;
}

Covariance2 relative_covariance(const TraverseCovariance& joint, std::int32_t i) {
  if (i < 1 || static_cast<std::size_t>(i) >= joint.points.size() ||
      static_cast<std::size_t>(i) > joint.neighbours.size()) {
    throw std::out_of_range("relative_covariance: no such pair of neighbouring points");
  }
  const std::size_t k = static_cast<std::size_t>(i - 1);
  const Covariance2& here = joint.points[k];
  const Covariance2& next = joint.points[k + 1];
  const Matrix2& shared = joint.neighbours[k];
  return Covariance2{here.var_m + next.var_m - 2.0 * shared.mm, here.var_p + next.var_p - 2.0 * shared.pp,
                     here.cov_mp + next.cov_mp - shared.mp - shared.pm};
}

PredictedMisclosure predicted_misclosure(const PointList& points, const ObservationModel& model,
                                         const EndpointCovariance& initial_point,
                                         const EndpointCovariance& final_point) {
  PredictedMisclosure closure;
  const std::int32_t n = points.n;
  if (n < 1) return closure;
  for (std::int32_t i = 1; i < n; ++i) closure.traverse_length += leg_geometry(points, i).length;

  // The misclosure (angular, in M, in P) by each observation: an angle adds to the
  // angular misclosure and, at stations 1..n-1, turns point n about its station; a
  // distance moves it along its leg; a bearing turns its leg and everything after it.
  const Point& target = points.at(n);
  const auto by_observation = [&](const Observation& o) {
    std::array<double, 3> j{};
    switch (o.kind) {
      case ObservationKind::angle:
        j[0] = 1.0;
        if (o.station < n) {
          j[1] = target.p - points.at(o.station).p;
          j[2] = -(target.m - points.at(o.station).m);
        }
        break;
      case ObservationKind::distance: {
        const Leg leg = leg_geometry(points, o.station);
        j[1] = leg.dm / leg.length;
        j[2] = leg.dp / leg.length;
        break;
      }
      case ObservationKind::bearing: {
        const Leg leg = leg_geometry(points, o.station);
        j[1] = leg.dp;
        j[2] = -leg.dm;
        break;
      }
    }
    return j;
  };
  std::array<std::array<double, 3>, 3> w{};  // covariance of (angular, M, P)
  for (const StationSetup& setup : model.setups) {
    const SetupMatrix c = setup.covariance();
    std::array<std::array<double, 3>, max_setup_observations> j{};
    for (std::size_t k = 0; k < setup.count; ++k) j[k] = by_observation(setup.observations[k]);
    for (std::size_t x = 0; x < setup.count; ++x) {
      for (std::size_t y = 0; y < setup.count; ++y) {
        if (c[x][y] == 0.0) continue;
        for (std::size_t a = 0; a < 3; ++a) {
          for (std::size_t b = 0; b < 3; ++b) w[a][b] += j[x][a] * c[x][y] * j[y][b];
        }
      }
    }
  }
  closure.angular_variance = model.shape.mode == ObservationMode::goniometric ? w[0][0] : 0.0;
  closure.with_angular_m = w[0][1];
  closure.with_angular_p = w[0][2];
  closure.linear = Covariance2{w[1][1], w[2][2], 0.5 * (w[1][2] + w[2][1])};
  if (!model.shape.loop) {
    const Covariance2 initial = start_covariance(initial_point);
    const Covariance2 final_covariance = start_covariance(final_point);
    closure.linear.var_m += initial.var_m + final_covariance.var_m;
    closure.linear.var_p += initial.var_p + final_covariance.var_p;
    closure.linear.cov_mp += initial.cov_mp + final_covariance.cov_mp;
  }
  // Once the angular misclosure is spread over the angles, what is left of the linear
  // one: its covariance given the angular one.
  closure.linear_after_angular = closure.linear;
  if (closure.angular_variance > 0.0) {
    closure.linear_after_angular.var_m -= square(closure.with_angular_m) / closure.angular_variance;
    closure.linear_after_angular.var_p -= square(closure.with_angular_p) / closure.angular_variance;
    closure.linear_after_angular.cov_mp -= closure.with_angular_m * closure.with_angular_p / closure.angular_variance;
  }
  return closure;
}

PredictedMisclosure predicted_misclosure(const PointList& points, ObservationMode mode,
                                         const ObservationPrecision& precision,
                                         const EndpointCovariance& initial_point,
                                         const EndpointCovariance& final_point) {
  InstrumentUse use;
  use.precision = precision;
  return predicted_misclosure(points, build_observation_model(points, TraverseShape{mode, true, false}, use),
                              initial_point, final_point);
}

}  // namespace elipses
