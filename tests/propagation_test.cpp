// The traverse model's conversions and the propagation's known values.
#include <gtest/gtest.h>

#include <cmath>

#include "propagation/chain.hpp"
#include "propagation/declined.hpp"
#include "propagation/goniometric.hpp"
#include "test_support.hpp"

namespace elipses {
namespace {

ObservationPrecision precision(double f, double p, double s) {
  ObservationPrecision o;
  o.distance_fixed_mm = f;
  o.distance_ppm = p;
  o.angle_seconds = s;
  return o;
}

using elipses::testing::list_of;

TEST(TraverseModel, DistanceVarianceInQuadrature) {
  EXPECT_DOUBLE_EQ(distance_variance(precision(10, 0, 0), 1234.5), 1e-4);
  EXPECT_DOUBLE_EQ(distance_variance(precision(0, 2, 0), 500.0), 1e-6);
  EXPECT_DOUBLE_EQ(distance_variance(precision(5, 3, 0), 1000.0), 3.4e-5);
  EXPECT_DOUBLE_EQ(distance_variance(precision(-5, -3, 0), 1000.0), 3.4e-5);
}

TEST(TraverseModel, AngularVariancesToTheLastBit) {
  EXPECT_EQ(direction_sigma(precision(0, 0, 10)), 4.84813681109536e-5);
  EXPECT_EQ(angle_variance(precision(0, 0, 10)), 4.700886107819577e-9);
  EXPECT_EQ(bearing_variance(precision(0, 0, 10)), 2.350443053909789e-9);
}

TEST(TraverseModel, LegRatiosByDirection) {
  const PointList legs = list_of({{0, 0}, {100, 0}, {100, -100}, {200, 0}});
  const Leg along_m = leg_geometry(legs, 1);
  EXPECT_EQ(along_m.length, 100.0);
  EXPECT_EQ(square(along_m.dm) / square(along_m.length), 1.0);
  const Leg minus_p = leg_geometry(legs, 2);
  EXPECT_EQ(square(minus_p.dp) / square(minus_p.length), 1.0);
  const Leg fifty_gon = leg_geometry(legs, 3);
  EXPECT_NEAR(fifty_gon.dm * fifty_gon.dp / square(fifty_gon.length), 0.5, 1e-15);
}

TEST(TraverseModel, StartCovarianceAndZero) {
  const Covariance2 c = start_covariance({0.01, 0.02, -3e-5});
  EXPECT_DOUBLE_EQ(c.var_m, 1e-4);
  EXPECT_DOUBLE_EQ(c.var_p, 4e-4);
  EXPECT_EQ(c.cov_mp, -3e-5);
  EXPECT_TRUE(is_zero({0.0, -0.0, 0.0}));
  EXPECT_FALSE(is_zero({0.0, 0.0, 1e-300}));
}

struct PropagationCase {
  const char* label;
  PointList points;
  ObservationPrecision precision;
  Covariance2 start;
  std::int32_t j;
  Covariance2 expected;
};

class GoniometricTest : public ::testing::TestWithParam<PropagationCase> {};

TEST_P(GoniometricTest, KnownCovariance) {
  const PropagationCase& t = GetParam();
  const Covariance2 c = propagate_goniometric(t.points, t.j, t.start, t.precision).back();
  const double tolerance = 1e-9 * (std::fabs(t.expected.var_m) + std::fabs(t.expected.var_p)) + 1e-20;
  EXPECT_NEAR(c.var_m, t.expected.var_m, tolerance);
  EXPECT_NEAR(c.var_p, t.expected.var_p, tolerance);
  EXPECT_NEAR(c.cov_mp, t.expected.cov_mp, tolerance);
}

const double beta = 4.700886107819577e-9;

INSTANTIATE_TEST_SUITE_P(
    Chains, GoniometricTest,
    ::testing::Values(
        PropagationCase{"lengths only", list_of({{0, 0}, {100, 0}, {200, 0}}), precision(10, 0, 0), {}, 3,
                        {2e-4, 0, 0}},
        PropagationCase{"angles only", list_of({{0, 0}, {0, 100}, {0, 200}}), precision(0, 0, 10), {}, 3,
                        {2.3504430539097884e-4, 0, 0}},
        PropagationCase{"error along the leg", list_of({{0, 0}, {100, 50}}), precision(10, 0, 0), {}, 2,
                        {0.8e-4, 0.2e-4, 0.4e-4}},
        PropagationCase{"error across the leg", list_of({{0, 0}, {100, 50}}), precision(0, 0, 10), {}, 2,
                        {2500 * beta, 10000 * beta, -5000 * beta}},
        PropagationCase{"start covariance only", list_of({{0, 0}, {100, 50}, {30, 70}}), precision(0, 0, 0),
                        {1e-4, 4e-4, 0}, 3, {1e-4, 4e-4, 0}},
        PropagationCase{"worked example B", list_of({{1000, 2000}, {1100, 2050}, {1150, 2200}}), precision(5, 3, 7),
                        {1e-4, 2.25e-4, 5e-5}, 2, {1.258485855e-4, 2.530568419e-4, 4.852782904e-5}},
        PropagationCase{"worked example C", list_of({{1000, 2000}, {1100, 2050}, {1150, 2200}}), precision(5, 3, 7),
                        {1e-4, 2.25e-4, 5e-5}, 3, {2.665771371e-4, 3.103108548e-4, -1.876628223e-5}}));

TEST(Declined, SquareToTheLastBit) {
  const PointList square_points = list_of({{0, 0}, {100, 0}, {100, 100}, {0, 100}});
  const ObservationPrecision o = precision(5, 5, 10);
  const std::vector<Covariance2> computed = propagate_declined(square_points, {}, o);
  const Covariance2& b = computed[0];
  EXPECT_EQ(b.var_m, 2.525e-5);
  EXPECT_EQ(b.var_p, 2.3504430539097887e-5);
  const Covariance2& c = computed[1];
  EXPECT_EQ(c.var_m, 4.875443053909789e-5);
  EXPECT_EQ(c.var_p, 4.875443053909789e-5);
  const Covariance2& d = computed[2];
  EXPECT_EQ(d.var_m, 7.40044305390979e-5);
  EXPECT_EQ(d.var_p, 7.225886107819578e-5);
  const Covariance2 diagonal = propagate_declined(list_of({{0, 0}, {100, 100}}), {}, o).back();
  EXPECT_EQ(diagonal.var_m, 3.6254430539097885e-5);
  EXPECT_EQ(diagonal.cov_mp, -1.0754430539097887e-5);
}

TEST(Declined, ALegWalkedBackwardsAddsTheSame) {
  const ObservationPrecision o = precision(3, 2, 5);
  const double bearing = bearing_variance(o);
  const Covariance2 forward = declined_leg_covariance({130.5, -47.25, std::sqrt(130.5 * 130.5 + 47.25 * 47.25)}, o, bearing);
  const Covariance2 backward = declined_leg_covariance({-130.5, 47.25, std::sqrt(130.5 * 130.5 + 47.25 * 47.25)}, o, bearing);
  EXPECT_EQ(forward.var_m, backward.var_m);
  EXPECT_EQ(forward.var_p, backward.var_p);
  EXPECT_EQ(forward.cov_mp, backward.cov_mp);
}

}  // namespace
}  // namespace elipses
