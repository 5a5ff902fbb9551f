// The model of the setups: the passes with sets against the plain propagation, and a loop
// against the same traverse with two distinct ends. Centring, sets and the reliability
// are checked against the dense survey in propagation_checks_decision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "propagation/adjustment.hpp"
#include "test_support.hpp"
#include "propagation/chain.hpp"

namespace elipses {
namespace {

constexpr ObservationMode gon = ObservationMode::goniometric, dec = ObservationMode::declined;

using elipses::testing::list_of;

const PointList hexagon = list_of({{1000, 1000}, {1180, 1070}, {1290, 1230}, {1240, 1400}, {1060, 1460}, {950, 1320}});
const ObservationPrecision usual{3, 2, 5};
const EndpointCovariance start_end{0.005, 0.007, 1e-5}, final_end{0.008, 0.006, -2e-5};

TraverseCovariance blocks_of(const PointList& points, const ObservationModel& model, const EndpointCovariance& first,
                             const EndpointCovariance& last) {
  return AdjustedTraverse(points, model, first, last).blocks();
}

// N sets divide the directions' variance by N: every pass in the general model with 4
// sets and no centring equals the plain propagation with half the seconds.
TEST(ObservationModel, PassesWithSetsAreThePlainPropagationOfFewerSeconds) {
  const PointList seven = list_of({{0, 0}, {150, 40}, {260, 190}, {240, 360}, {90, 420}, {-30, 300}, {-20, 140}});
  PointList backward = seven;
  std::reverse(backward.points.begin(), backward.points.end());
  for (ObservationMode mode : {gon, dec}) {
    const InstrumentUse with_sets{usual, 0.0, 0.0, 4};
    InstrumentUse plain = with_sets;
    plain.sets = 1;
    plain.precision.angle_seconds = usual.angle_seconds / 2.0;
    const struct {
      const char* pass;
      Chain general, reference;
    } cases[] = {
        {"open", propagate_open_traverse(seven, mode, with_sets, start_end),
         propagate_open_traverse(seven, mode, plain, start_end)},
        {"from initial", propagate_closed_from_initial(seven, mode, with_sets, start_end),
         propagate_closed_from_initial(seven, mode, plain, start_end)},
        {"from final", propagate_closed_from_final(backward, mode, with_sets, final_end),
         propagate_closed_from_final(backward, mode, plain, final_end)},
    };
    for (const auto& [pass, general, reference] : cases) {
      SCOPED_TRACE(::testing::Message() << (mode == gon ? "goniometric " : "declined ") << pass);
      ASSERT_EQ(general.computed.size(), reference.computed.size());
      for (std::size_t k = 0; k < general.computed.size(); ++k) {
        const Covariance2 &g = general.computed[k], &r = reference.computed[k];
        const double scale = 1e-9 * (r.var_m + r.var_p);
        EXPECT_NEAR(g.var_m, r.var_m, scale) << k;
        EXPECT_NEAR(g.var_p, r.var_p, scale) << k;
        EXPECT_NEAR(g.cov_mp, r.cov_mp, scale) << k;
      }
    }
  }
}

// A loop's one point moves the whole traverse with it: every block of the loop with
// initial covariance C is that of the same traverse with two distinct exact ends plus C,
// and the misclosure does not see C at all.
TEST(ObservationModel, LoopSharesItsOnePointWithBothEnds) {
  PointList loop = hexagon;
  loop.points.push_back(loop.points.front());
  loop.n += 1;
  ASSERT_TRUE(is_loop(loop));
  const Covariance2 c = start_covariance(start_end);
  for (ObservationMode mode : {gon, dec}) {
    SCOPED_TRACE(mode == gon ? "goniometric" : "declined");
    const InstrumentUse use{usual, 2.0, 1.0, 2};
    const ObservationModel as_loop = build_observation_model(loop, TraverseShape{mode, true, true}, use);
    const ObservationModel two_ends = build_observation_model(loop, TraverseShape{mode, true, false}, use);
    const TraverseCovariance shared = blocks_of(loop, as_loop, start_end, final_end);
    const TraverseCovariance exact = blocks_of(loop, two_ends, {}, {});
    for (std::size_t k = 0; k < shared.points.size(); ++k) {
      EXPECT_NEAR(shared.points[k].var_m, exact.points[k].var_m + c.var_m, 1e-12) << k;
      EXPECT_NEAR(shared.points[k].cov_mp, exact.points[k].cov_mp + c.cov_mp, 1e-12) << k;
    }
    for (std::size_t k = 0; k < shared.neighbours.size(); ++k) {
      EXPECT_NEAR(shared.neighbours[k].mm, exact.neighbours[k].mm + c.var_m, 1e-12) << k;
      EXPECT_NEAR(shared.neighbours[k].pm, exact.neighbours[k].pm + c.cov_mp, 1e-12) << k;
    }
    const PredictedMisclosure with_c = predicted_misclosure(loop, as_loop, start_end, final_end);
    const PredictedMisclosure without = predicted_misclosure(loop, two_ends, {}, {});
    EXPECT_NEAR(with_c.linear.var_m, without.linear.var_m, 1e-15);
    EXPECT_NEAR(with_c.linear_after_angular.var_p, without.linear_after_angular.var_p, 1e-15);
  }
}

}  // namespace
}  // namespace elipses
