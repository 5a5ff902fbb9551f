#include "propagation/design.hpp"

#include <algorithm>
#include <cmath>

#include "propagation/ellipse.hpp"
#include "propagation/worst_ratio_search.hpp"

namespace elipses {

namespace {

double distance_between(const PointList& points, std::int32_t i, std::int32_t j) {
  return leg_length(points.at(j).m - points.at(i).m, points.at(j).p - points.at(i).p);
}

std::vector<double> semi_major_axes(const AdjustedTraverse& joint, double k) {
  std::vector<double> a;
  a.reserve(static_cast<std::size_t>(joint.size()));
  for (std::int32_t i = 1; i <= joint.size(); ++i) a.push_back(ellipse_parameters(joint.point(i), k).a);
  return a;
}

}  // namespace

double worst_ratio(const PointList& points, const AdjustedTraverse& joint, double k, const Tolerances& tolerances) {
  const std::vector<double> a = semi_major_axes(joint, k);
  const std::int32_t n = joint.size();
  double worst = 0.0;
  if (tolerances.point) {
    for (std::int32_t i = 1; i <= n; ++i) {
      if (!joint.is_known(i)) {
        worst = std::max(worst, tolerance_ratio(a[static_cast<std::size_t>(i - 1)], tolerances.point_mm / 1000.0));
      }
    }
  }
  if (!tolerances.relative) return worst;
  std::vector<Matrix2> cross;
  std::vector<double> bound(static_cast<std::size_t>(n));
  for (std::int32_t j = 2; j <= n; ++j) {
    bool any = false;
    for (std::int32_t i = 1; i < j; ++i) {
      const auto at = static_cast<std::size_t>(i - 1);
      bound[at] = 0.0;
      if (joint.is_known(i) && joint.is_known(j)) continue;
      bound[at] = tolerance_ratio(a[at] + a[static_cast<std::size_t>(j - 1)],
                                  tolerances.relative_limit(distance_between(points, i, j)));
      any = any || bound[at] > worst;
    }
    if (!any) continue;
    joint.column(j, cross);
    const Covariance2 own_j = joint.point(j);
    for (std::int32_t i = 1; i < j; ++i) {
      const auto at = static_cast<std::size_t>(i - 1);
      if (!(bound[at] > worst)) continue;
      const Covariance2 relative = AdjustedTraverse::relative(joint.point(i), own_j, cross[at]);
      worst = std::max(worst, tolerance_ratio(ellipse_parameters(relative, k).a,
                                              tolerances.relative_limit(distance_between(points, i, j))));
    }
  }
  return worst;
}

double worst_ratio(const PointList& points, const TraverseShape& shape, const InstrumentUse& use,
                   const EndpointCovariance& initial_point, const EndpointCovariance& final_point, double k,
                   const Tolerances& tolerances) {
  const AdjustedTraverse joint(points, build_observation_model(points, shape, use), initial_point, final_point);
  return worst_ratio(points, joint, k, tolerances);
}

}  // namespace elipses

namespace elipses {

namespace {

// The zero of a precision evaluated as this: a distance needs some uncertainty to have
// a weight.
constexpr double least_precision = 0.0001;

double at_least(double value) { return value == 0.0 ? least_precision : value; }

}  // namespace

DesignSheet design_sheet(const PointList& points, const AdjustedTraverse& joint, const DesignInput& input,
                         const std::optional<PairTest>& worst_pair, DesignSearch search, Progress* progress) {
  DesignSheet sheet;
  const double k = input.k;
  const std::int32_t n = joint.size();
  for (std::int32_t i = 1; i <= n; ++i) {
    if (joint.is_known(i)) continue;
    const double a = ellipse_parameters(joint.point(i), k).a;
    if (sheet.worst_point == 0 || a > sheet.worst_point_a) {
      sheet.worst_point = i;
      sheet.worst_point_a = a;
    }
  }
  if (worst_pair) {
    sheet.worst_pair = *worst_pair;
  } else {
    // The leg of the largest relative axis: its block from the band of the inverse, a time
    // proportional to the points (a column a leg would grow with their square).
    for (std::int32_t j = 2; j <= n; ++j) {
      if (joint.is_known(j - 1) && joint.is_known(j)) continue;
      const Covariance2 relative = AdjustedTraverse::relative(joint.point(j - 1), joint.point(j), joint.neighbour(j - 1));
      const double a = ellipse_parameters(relative, k).a;
      if (sheet.worst_pair.from == 0 || a > sheet.worst_pair.a) {
        sheet.worst_pair = PairTest{j - 1, j, leg_geometry(points, j - 1).length, a, 0.0, 0.0};
      }
    }
  }
  if (sheet.worst_point != 0) {
    const EllipseParams axes = ellipse_parameters(joint.point(sheet.worst_point), k);
    const VarianceBudget budget =
        joint.budget(PointDirection{sheet.worst_point, std::sin(axes.teta), std::cos(axes.teta), 0, 0.0, 0.0});
    sheet.point_budget = shares_of(budget.parts);
    std::vector<ObservationShare> shares;
    std::size_t at = 0;
    for (const StationSetup& setup : joint.model().setups) {
      for (std::size_t o = 0; o < setup.count; ++o, ++at) {
        const Observation& observation = setup.observations[o];
        shares.push_back(ObservationShare{observation.kind, observation.back, observation.station, observation.forward,
                                          100.0 * budget.by_observation[at] / budget.parts.total()});
      }
    }
    const std::size_t listed = std::min<std::size_t>(5, shares.size());
    std::partial_sort(shares.begin(), shares.begin() + static_cast<std::ptrdiff_t>(listed), shares.end(),
                      [](const ObservationShare& x, const ObservationShare& y) { return x.percent > y.percent; });
    sheet.contributions.assign(shares.begin(), shares.begin() + static_cast<std::ptrdiff_t>(listed));
  }
  if (sheet.worst_pair.from != 0) {
    const std::int32_t i = sheet.worst_pair.from;
    const std::int32_t j = sheet.worst_pair.to;
    std::vector<Matrix2> cross;
    joint.column(j, cross);
    const Covariance2 relative = AdjustedTraverse::relative(joint.point(i), joint.point(j), cross[static_cast<std::size_t>(i - 1)]);
    const EllipseParams axes = ellipse_parameters(relative, k);
    const double m = std::sin(axes.teta);
    const double p = std::cos(axes.teta);
    sheet.pair_budget = shares_of(joint.budget(PointDirection{j, m, p, i, -m, -p}).parts);
  }
  if (!input.tolerances.any() || !input.seek_limits) return sheet;
  sheet.limits_sought = true;
  ProgressCounter counter(progress, ProgressStep::design, design_uses);

  // The search starts from the sheet's worst pair: the sweep's, or the worst leg.
  WorstRatioSearch bounded(points, input.shape, input.initial_point, input.final_point, k, input.tolerances,
                           sheet.worst_pair.from != 0 ? std::optional<PairTest>(sheet.worst_pair) : std::nullopt);
  const auto ratio_with = [&](const InstrumentUse& use) {
    counter.add(1);
    if (search == DesignSearch::bounded) return bounded.worst_ratio(use);
    return worst_ratio(points, input.shape, use, input.initial_point, input.final_point, k, input.tolerances);
  };
  const auto passes = [&](const InstrumentUse& use) {
    counter.add(1);
    if (search == DesignSearch::bounded) return bounded.meets_all(use);
    return worst_ratio(points, input.shape, use, input.initial_point, input.final_point, k, input.tolerances) <= 1.0;
  };
  const InstrumentUse& given = input.use;
  sheet.limit_seconds = largest_passing(0.1, 100.0, [&](double v) {
    InstrumentUse use = given;
    use.precision.angle_seconds = v;
    return passes(use);
  });
  sheet.limit_mm = largest_passing(0.0, 100.0, [&](double v) {
    InstrumentUse use = given;
    use.precision.distance_fixed_mm = at_least(v);
    return passes(use);
  });
  sheet.limit_ppm = largest_passing(0.0, 100.0, [&](double v) {
    InstrumentUse use = given;
    use.precision.distance_ppm = at_least(v);
    return passes(use);
  });
  sheet.limit_centring = largest_passing(0.0, 20.0, [&](double v) {
    InstrumentUse use = given;
    use.instrument_centring_mm = at_least(v);
    use.target_centring_mm = at_least(v);
    return passes(use);
  });
  // More sets never hurt: the fewest that pass, by bisection over 1..20.
  const auto with_sets = [&](std::int32_t sets) {
    InstrumentUse use = given;
    use.sets = sets;
    return passes(use);
  };
  if (with_sets(20)) {
    std::int32_t good = 20;
    std::int32_t bad = 0;
    while (good - bad > 1) {
      const std::int32_t middle = bad + (good - bad) / 2;
      (with_sets(middle) ? good : bad) = middle;
    }
    sheet.fewest_sets = good;
  }
  for (const double seconds : catalogue_seconds) {
    for (const auto& distances : catalogue_distances) {
      InstrumentUse use = given;
      use.precision = ObservationPrecision{distances[0], distances[1], seconds, AngleUnit::arc_seconds};
      sheet.catalogue.push_back(CatalogueClass{seconds, distances[0], distances[1], ratio_with(use)});
    }
  }
  for (const CatalogueClass& c : sheet.catalogue) {
    if (!meets(c.ratio)) continue;
    const CatalogueClass* cheapest = sheet.cheapest ? &*sheet.cheapest : nullptr;
    if (cheapest == nullptr || c.seconds > cheapest->seconds ||
        (c.seconds == cheapest->seconds && (c.mm > cheapest->mm || (c.mm == cheapest->mm && c.ppm > cheapest->ppm)))) {
      sheet.cheapest = c;
    }
  }
  if (progress != nullptr) progress->advance(ProgressStep::design, design_uses, design_uses);
  return sheet;
}

}  // namespace elipses
