// The decision: every pair counted, the error budget adding up and losing a source when
// it is made exact, and the limits at the edge of the tolerances.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "propagation/design.hpp"
#include "propagation/ellipse.hpp"

namespace elipses {
namespace {

PointList zig_zag() {
  PointList list;
  const double coordinates[][2] = {{1000, 1000}, {1180, 1070}, {1290, 1230}, {1240, 1400},
                                   {1060, 1460}, {950, 1320},  {830, 1450},  {700, 1380}};
  for (const auto& c : coordinates) list.points.push_back(Point{"P   ", c[0], c[1]});
  list.n = static_cast<std::int32_t>(list.points.size());
  return list;
}

const EndpointCovariance start_end{0.005, 0.007, 1e-5}, final_end{0.008, 0.006, -2e-5};
constexpr double k95 = 2.447;

double total_of(const ErrorSources& b) {
  return b.directions + b.distances_fixed + b.distances_ppm + b.instrument_centring + b.target_centring +
         b.known_points;
}

// The budget's parts add up to the variance along the major axis, and a source made
// exact loses its share: no centring, no ppm, exact ends.
TEST(Design, BudgetAddsUpAndLosesWhatIsMadeExact) {
  const PointList points = zig_zag();
  struct Case {
    const char* what;
    InstrumentUse use;
    bool exact_ends;
    double ErrorSources::*gone;
  };
  const Case cases[] = {
      {"everything", InstrumentUse{{3, 2, 5}, 2.0, 1.0, 2}, false, nullptr},
      {"no centring", InstrumentUse{{3, 2, 5}, 0.0, 0.0, 2}, false, &ErrorSources::instrument_centring},
      {"no ppm", InstrumentUse{{3, 0, 5}, 2.0, 1.0, 1}, false, &ErrorSources::distances_ppm},
      {"exact ends", InstrumentUse{{3, 2, 5}, 2.0, 1.0, 1}, true, &ErrorSources::known_points},
  };
  for (ObservationMode mode : {ObservationMode::goniometric, ObservationMode::declined}) {
    for (bool closed : {true, false}) {
      for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.what << (closed ? " closed " : " open ")
                                          << (mode == ObservationMode::goniometric ? "g" : "d"));
        const TraverseShape shape{mode, closed, false};
        const EndpointCovariance first = c.exact_ends ? EndpointCovariance{} : start_end;
        const EndpointCovariance last = c.exact_ends || !closed ? EndpointCovariance{} : final_end;
        const AdjustedTraverse joint(points, build_observation_model(points, shape, c.use), first, last);
        const DesignSheet sheet = design_sheet(points, joint, DesignInput{shape, c.use, first, last, k95, {}}, {});
        // The parts of the worst point's variance are those of the covariance itself.
        const EllipseParams axes = ellipse_parameters(joint.point(sheet.worst_point), 1.0);
        const VarianceBudget budget =
            joint.budget(PointDirection{sheet.worst_point, std::sin(axes.teta), std::cos(axes.teta), 0, 0.0, 0.0});
        EXPECT_NEAR(budget.parts.total(), axes.a * axes.a, 1e-9 * axes.a * axes.a);
        EXPECT_NEAR(total_of(sheet.point_budget), 100.0, 1e-9);
        EXPECT_NEAR(total_of(sheet.pair_budget), 100.0, 1e-9);
        if (c.gone != nullptr) {
          EXPECT_EQ(sheet.point_budget.*c.gone, 0.0);
          EXPECT_EQ(sheet.pair_budget.*c.gone, 0.0);
        } else {
          EXPECT_GT(sheet.point_budget.target_centring, 0.0);
          EXPECT_GT(sheet.point_budget.known_points, 0.0);
        }
        ASSERT_EQ(sheet.contributions.size(), 5u);
        EXPECT_GE(sheet.contributions[0].percent, sheet.contributions[4].percent);
      }
    }
  }
}

// At each limit every tolerance holds, and one step further (0.1, or one set fewer) one
// fails; where there is no limit even the lower end fails. Every pair is tested, and the
// pruned search finds at least the sweep's worst.
TEST(Design, LimitsStandAtTheEdgeOfTheTolerances) {
  const PointList points = zig_zag();
  const struct {
    ObservationMode mode;
    double seconds;
    double relative_mm, relative_ppm, point_mm;
    EndpointCovariance first, last;
  } cases[] = {{ObservationMode::goniometric, 3, 20, 50, 25, start_end, final_end},
               {ObservationMode::goniometric, 5, 20, 50, 25, start_end, final_end},
               {ObservationMode::declined, 5, 10, 30, 10, {}, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << (c.mode == ObservationMode::goniometric ? "g " : "d ") << c.seconds);
    const InstrumentUse given{{3, 2, c.seconds}, 1.0, 1.0, 1};
    const TraverseShape shape{c.mode, true, false};
    Tolerances tolerances;
    tolerances.relative = true;
    tolerances.relative_mm = c.relative_mm;
    tolerances.relative_ppm = c.relative_ppm;
    tolerances.point = true;
    tolerances.point_mm = c.point_mm;
    const AdjustedTraverse joint(points, build_observation_model(points, shape, given), c.first, c.last);
    const PairSweep sweep = sweep_pairs(points, joint, k95, tolerances);
    EXPECT_EQ(sweep.tested, 28u);
    EXPECT_EQ(sweep.worst_exceeding.size(), sweep.exceeding);
    ASSERT_TRUE(sweep.worst.has_value());
    EXPECT_GE(worst_ratio(points, joint, k95, tolerances), sweep.worst->ratio);
    const DesignSheet sheet =
        design_sheet(points, joint, DesignInput{shape, given, c.first, c.last, k95, tolerances}, sweep.worst);
    const auto ratio_with = [&](const std::function<void(InstrumentUse&)>& change) {
      InstrumentUse use = given;
      change(use);
      return worst_ratio(points, shape, use, c.first, c.last, k95, tolerances);
    };
    const std::function<void(InstrumentUse&, double)> setters[] = {
        [](InstrumentUse& use, double v) { use.precision.angle_seconds = v; },
        [](InstrumentUse& use, double v) { use.precision.distance_fixed_mm = v; },
        [](InstrumentUse& use, double v) { use.precision.distance_ppm = v; },
        [](InstrumentUse& use, double v) { use.instrument_centring_mm = use.target_centring_mm = v; }};
    const std::optional<double> found[] = {sheet.limit_seconds, sheet.limit_mm, sheet.limit_ppm, sheet.limit_centring};
    const double lowest[] = {0.1, 0.0001, 0.0001, 0.0001};
    const double highest[] = {100, 100, 100, 20};
    for (std::size_t l = 0; l < 4; ++l) {
      SCOPED_TRACE(l);
      const auto at = [&](double v) { return ratio_with([&](InstrumentUse& use) { setters[l](use, v); }); };
      if (!found[l]) {
        EXPECT_GT(at(lowest[l]), 1.0);
        continue;
      }
      EXPECT_LE(at(std::max(*found[l], lowest[l])), 1.0);
      if (*found[l] < highest[l]) {
        EXPECT_GT(at(*found[l] + 0.1), 1.0);
      }
    }
    const auto with_sets = [&](std::int32_t sets) { return ratio_with([&](InstrumentUse& use) { use.sets = sets; }); };
    if (sheet.fewest_sets) {
      EXPECT_LE(with_sets(*sheet.fewest_sets), 1.0);
      if (*sheet.fewest_sets > 1) {
        EXPECT_GT(with_sets(*sheet.fewest_sets - 1), 1.0);
      }
    } else {
      EXPECT_GT(with_sets(20), 1.0);
    }
    EXPECT_EQ(sheet.catalogue.size(), 45u);
  }
}

}  // namespace
}  // namespace elipses
