// Semi-axes and orientation of the ellipse, checked against an independent
// eigen-decomposition: rotating the covariance by teta must leave it diagonal.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "propagation/ellipse.hpp"

namespace elipses {
namespace {

double gon(double radians) { return gon_from_radians(radians); }

struct OrientationCase {
  Covariance2 c;
  double a;
  double b;
  double teta_gon;
};

class EllipseParametersTest : public ::testing::TestWithParam<OrientationCase> {};

TEST_P(EllipseParametersTest, AxesAndOrientation) {
  const OrientationCase& t = GetParam();
  const EllipseParams e = ellipse_parameters(t.c, 1.0);
  EXPECT_NEAR(e.a, t.a, 5e-7);
  EXPECT_NEAR(e.b, t.b, 5e-7);
  EXPECT_NEAR(gon(e.teta), t.teta_gon, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Quadrants, EllipseParametersTest,
    ::testing::Values(OrientationCase{{4e-4, 1e-4, 0.0}, 0.02, 0.01, 100.0},
                      OrientationCase{{1e-4, 1e-4, 0.0}, 0.01, 0.01, 0.0},
                      OrientationCase{{1e-4, 1e-4, 0.5e-4}, 0.012247449, 0.007071068, 50.0},
                      OrientationCase{{1e-4, 1e-4, -0.5e-4}, 0.012247449, 0.007071068, -50.0},
                      OrientationCase{{1e-4, 3e-4, 1e-4}, 0.018477591, 0.007653669, 25.0},
                      OrientationCase{{3e-4, 1e-4, 1e-4}, 0.018477591, 0.007653669, 75.0},
                      OrientationCase{{3e-4, 1e-4, -1e-4}, 0.018477591, 0.007653669, -75.0},
                      OrientationCase{{1e-4, 4e-4, 0.0}, 0.02, 0.01, 0.0},
                      OrientationCase{{0.0, 0.0, 0.0}, 0.0, 0.0, 0.0},
                      OrientationCase{{1e-4, 0.0, 0.0}, 0.01, 0.0, 100.0}));

TEST(EllipseParameters, FactorScalesBothAxesOnly) {
  const Covariance2 c{1.258485855e-4, 2.530568419e-4, 4.852782904e-5};
  const EllipseParams one = ellipse_parameters(c, 1.0);
  const EllipseParams five = ellipse_parameters(c, 2.447);
  EXPECT_DOUBLE_EQ(five.a, 2.447 * one.a);
  EXPECT_DOUBLE_EQ(five.b, 2.447 * one.b);
  EXPECT_EQ(five.teta, one.teta);
}

TEST(EllipseParameters, NegativeRadicandsAreTakenAsZero) {
  // Not positive semi-definite (sMP^2 > sM^2 sP^2): b would be the root of a negative number.
  const EllipseParams e = ellipse_parameters({1e-4, 1e-4, 2e-4}, 1.0);
  EXPECT_EQ(e.b, 0.0);
  EXPECT_GT(e.a, 0.0);
  // Nearly equal variances and a tiny covariance: S^2 - 4D may round below zero.
  const EllipseParams round = ellipse_parameters({1e-4, 1e-4 * (1 + 1e-16), 1e-30}, 1.0);
  EXPECT_FALSE(std::isnan(round.a));
  EXPECT_FALSE(std::isnan(round.b));
}

TEST(EllipseParameters, RandomCovariancesDiagonaliseAtTeta) {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> sigma(1e-4, 5e-2);
  std::uniform_real_distribution<double> correlation(-0.99, 0.99);
  for (int i = 0; i < 5000; ++i) {
    const double sm = sigma(random);
    const double sp = sigma(random);
    const Covariance2 c{sm * sm, sp * sp, correlation(random) * sm * sp};
    const double k = 2.447;
    const EllipseParams e = ellipse_parameters(c, k);
    ASSERT_GE(e.a, e.b);
    ASSERT_GT(e.teta, -pi / 2.0);
    ASSERT_LE(e.teta, pi / 2.0);
    // Unit vector of the a axis (sin teta, cos teta) and of the b axis (cos teta, -sin teta) in (M, P).
    const double u[2] = {std::sin(e.teta), std::cos(e.teta)};
    const double v[2] = {std::cos(e.teta), -std::sin(e.teta)};
    auto quad = [&](const double* x, const double* y) {
      return x[0] * (c.var_m * y[0] + c.cov_mp * y[1]) + x[1] * (c.cov_mp * y[0] + c.var_p * y[1]);
    };
    const double scale = c.var_m + c.var_p;
    EXPECT_NEAR(quad(u, v) / scale, 0.0, 1e-12);
    EXPECT_NEAR(quad(u, u), e.a * e.a / (k * k), 1e-12 * scale);
    EXPECT_NEAR(quad(v, v), e.b * e.b / (k * k), 1e-12 * scale);
  }
}

}  // namespace
}  // namespace elipses
