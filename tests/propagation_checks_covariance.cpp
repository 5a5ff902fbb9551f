// The passes' point covariances, both observation modes, against the dense survey of an
// open traverse (as many observations as unknowns: the propagation itself), over random
// traverses of 1 to 30 points.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

#include "propagation/chain.hpp"
#include "propagation_checks_dense_survey.hpp"

namespace elipses {
namespace {

using checks::Cov;
using checks::Plan;

PointList point_list(const Plan& plan) {
  PointList list;
  list.n = static_cast<std::int32_t>(plan.size());
  for (std::size_t i = 0; i < plan.size(); ++i) list.points.push_back(Point{"P" + std::to_string(i % 1000), plan.m[i], plan.p[i]});
  return list;
}

// Variances to a relative 1e-6; the covariance relative to sqrt(varM·varP), its natural
// scale, since a covariance may pass close to zero.
void expect_close(const Covariance2& got, const Cov& want, const std::string& where) {
  const double tolerance = 1e-6;
  EXPECT_NEAR(got.var_m, want.var_m, tolerance * want.var_m) << where;
  EXPECT_NEAR(got.var_p, want.var_p, tolerance * want.var_p) << where;
  EXPECT_NEAR(got.cov_mp, want.cov_mp, tolerance * std::sqrt(want.var_m * want.var_p)) << where;
}

struct RandomTraverse {
  std::uint32_t seed;
  std::size_t points;
  bool start_known_exactly;
};

void PrintTo(const RandomTraverse& t, std::ostream* os) { *os << "seed " << t.seed << ", " << t.points << " points"; }

class RandomTraverses : public ::testing::TestWithParam<RandomTraverse> {
 protected:
  void SetUp() override {
    checks::Dice dice(GetParam().seed);
    plan = checks::random_plan(dice, GetParam().points);
    precision.mm = dice.uniform(1.0, 10.0);
    precision.ppm = static_cast<std::int32_t>(dice.uniform(0.0, 10.99));
    precision.seconds = dice.uniform(0.5, 30.0);
    if (!GetParam().start_known_exactly) {
      start.s_m = dice.uniform(0.002, 0.05);
      start.s_p = dice.uniform(0.002, 0.05);
      start.s_mp = dice.uniform(-0.9, 0.9) * start.s_m * start.s_p;
    }
    typed.distance_fixed_mm = precision.mm;
    typed.distance_ppm = precision.ppm;
    typed.angle_seconds = precision.seconds;
  }

  // The pass the program writes to its files, point by point.
  void check(bool goniometric) {
    const std::vector<Cov> want = checks::open_propagation(plan, goniometric, precision, start);
    InstrumentUse use;
    use.precision = typed;
    const Chain chain =
        propagate_open_traverse(point_list(plan), goniometric ? ObservationMode::goniometric : ObservationMode::declined,
                                use, EndpointCovariance{start.s_m, start.s_p, start.s_mp});
    ASSERT_EQ(chain.computed.size() + 1, plan.size());
    for (std::size_t k = 0; k < chain.computed.size(); ++k) {
      expect_close(chain.computed[k], want[k + 1], "point " + std::to_string(k + 2));
    }
  }

  Plan plan;
  checks::Instruments precision;
  checks::StartCov start;
  ObservationPrecision typed;
};

TEST_P(RandomTraverses, GoniometricMatchesTheDenseSurvey) { check(true); }
TEST_P(RandomTraverses, DeclinedMatchesTheDenseSurvey) { check(false); }

// A closed traverse walks the same chain from its other end.
TEST_P(RandomTraverses, WalkedBackwardsMatchesTheDenseSurvey) {
  plan = plan.reversed();
  check(true);
  check(false);
}

// A closed traverse, taken by halves: the pass from the initial point over the list in
// file order, the pass from the final point over the list in reverse, each checked on
// its chain at full precision.
TEST_P(RandomTraverses, ClosedPassesFromEachEnd) {
  const EndpointCovariance final_point{0.011, 0.004, -0.00001};
  const checks::StartCov final_start{final_point.s_m, final_point.s_p, final_point.s_mp};
  const PointList forward = point_list(plan);
  const PointList backward = point_list(plan.reversed());
  const std::size_t n = plan.size();
  for (const bool goniometric : {true, false}) {
    const ObservationMode mode = goniometric ? ObservationMode::goniometric : ObservationMode::declined;
    InstrumentUse use;
    use.precision = typed;
    const EndpointCovariance initial_point{start.s_m, start.s_p, start.s_mp};
    // Declined: both ends exact and whole passes; goniometric: halves, the middle point
    // of an odd traverse with the first.
    const std::vector<Cov> want_forward =
        checks::open_propagation(plan, goniometric, precision, goniometric ? start : checks::StartCov{});
    const std::vector<Cov> want_backward =
        checks::open_propagation(plan.reversed(), goniometric, precision, goniometric ? final_start : checks::StartCov{});
    const Chain from_initial = propagate_closed_from_initial(forward, mode, use, initial_point);
    const Chain from_final = propagate_closed_from_final(backward, mode, use, final_point);
    ASSERT_EQ(from_initial.computed.size(), goniometric ? (n % 2 == 1 ? n / 2 : n / 2 - 1) : n - 1);
    ASSERT_EQ(from_final.computed.size(), goniometric ? (n >= 2 ? n / 2 - 1 : 0) : n - 1);
    EXPECT_EQ(is_zero(from_initial.start), !goniometric || GetParam().start_known_exactly);
    EXPECT_EQ(is_zero(from_final.start), !goniometric);
    for (std::size_t k = 0; k < from_initial.computed.size(); ++k) {
      expect_close(from_initial.computed[k], want_forward[k + 1], "from the initial point, point " + std::to_string(k + 2));
    }
    for (std::size_t k = 0; k < from_final.computed.size(); ++k) {
      expect_close(from_final.computed[k], want_backward[k + 1], "from the final point, point " + std::to_string(n - 1 - k));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomTraverses,
                         ::testing::Values(RandomTraverse{10, 1, false}, RandomTraverse{11, 2, false}, RandomTraverse{12, 3, true},
                                           RandomTraverse{13, 5, false}, RandomTraverse{14, 8, true},
                                           RandomTraverse{15, 13, false}, RandomTraverse{16, 21, false},
                                           RandomTraverse{17, 30, true}, RandomTraverse{18, 30, false}),
                         [](const ::testing::TestParamInfo<RandomTraverse>& param_info) {
                           return "seed" + std::to_string(param_info.param.seed) + "_" +
                                  std::to_string(param_info.param.points) + "points" +
                                  (param_info.param.start_known_exactly ? "_exactStart" : "");
                         });

}  // namespace
}  // namespace elipses
