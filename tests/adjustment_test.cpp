// The least-squares pre-analysis of a traverse against the open propagation and cases worked
// by hand. The dense survey of propagation_checks_decision and the simulated surveys of
// observation_model_test check it against every block of a full covariance.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "propagation/adjustment.hpp"
#include "test_support.hpp"
#include "propagation/declined.hpp"
#include "propagation/goniometric.hpp"
#include "propagation/adjusted_traverse.hpp"

namespace elipses {
namespace {

constexpr ObservationMode gon = ObservationMode::goniometric, dec = ObservationMode::declined;

using elipses::testing::list_of;

const ObservationPrecision usual{3, 2, 5};
const EndpointCovariance start_end{0.005, 0.007, 1e-5}, final_end{0.008, 0.006, -2e-5};

// An open traverse has no redundancy: the adjustment gives the open propagation back, and
// neighbours share what the observations they have in common say.
TEST(OpenTraverse, AdjustmentAgreesWithThePropagation) {
  const PointList zig_zag = list_of({{152384.215, 234961.730}, {152522.571, 235015.742}, {152448.627, 235139.237},
                                     {152566.163, 235221.984}, {152502.550, 235354.948}, {152616.371, 235432.574},
                                     {152504.374, 235531.128}, {152614.997, 235604.480}});
  const Covariance2 start = start_covariance(start_end), fin = start_covariance(final_end);
  for (ObservationMode mode : {gon, dec}) {
    SCOPED_TRACE(mode == gon ? "goniometric" : "declined");
    const TraverseCovariance adjusted = adjust_traverse(zig_zag, mode, usual, start_end, nullptr);
    const TraverseCovariance summed = propagate_open_joint(zig_zag, mode, usual, start_end);
    const std::vector<Covariance2> chain = mode == gon ? propagate_goniometric(zig_zag, 8, start, usual)
                                                       : propagate_declined(zig_zag, start, usual);
    ASSERT_EQ(adjusted.points.size(), 8u);
    ASSERT_EQ(summed.neighbours.size(), 7u);
    for (std::size_t k = 1; k < 8; ++k) {
      const Covariance2 &a = adjusted.points[k], &c = chain[k - 1], &s = summed.points[k];
      EXPECT_NEAR(a.var_m, c.var_m, 1e-12 * c.var_m) << k + 1;
      EXPECT_NEAR(a.var_p, c.var_p, 1e-12 * c.var_p) << k + 1;
      EXPECT_NEAR(a.cov_mp, c.cov_mp, 1e-12 * std::sqrt(c.var_m * c.var_p)) << k + 1;
      EXPECT_TRUE(s.var_m == c.var_m && s.var_p == c.var_p && s.cov_mp == c.cov_mp) << k + 1;
    }
    for (std::int32_t j = 1; j < 8; ++j) {
      const std::size_t k = static_cast<std::size_t>(j - 1);
      const Matrix2 &x = summed.neighbours[k], &y = adjusted.neighbours[k];
      const double scale = 1e-12 * (summed.points[k].var_m + summed.points[k].var_p);
      EXPECT_NEAR(x.mm, y.mm, scale) << j;
      EXPECT_NEAR(x.mp, y.mp, scale) << j;
      EXPECT_NEAR(x.pm, y.pm, scale) << j;
      EXPECT_NEAR(x.pp, y.pp, scale) << j;
      // Points j and j+1 differ by leg j: its length, and across it the bearing (declined)
      // or the angles at stations 1..j that all turn it (goniometric).
      const double across = mode == gon ? j * angle_variance(usual) : bearing_variance(usual);
      const Covariance2 expected = declined_leg_covariance(leg_geometry(zig_zag, j), usual, across);
      const Covariance2 relative = relative_covariance(summed, j);
      const double tolerance = 1e-9 * (expected.var_m + expected.var_p);
      EXPECT_NEAR(relative.var_m, expected.var_m, tolerance) << j;
      EXPECT_NEAR(relative.var_p, expected.var_p, tolerance) << j;
      EXPECT_NEAR(relative.cov_mp, expected.cov_mp, tolerance) << j;
    }
    // Before adjustment, a closed traverse's closure is the open propagation to its last
    // point plus the final point's own covariance.
    const PredictedMisclosure closure = predicted_misclosure(zig_zag, mode, usual, start_end, final_end);
    const double near = 1e-12 * (closure.linear.var_m + closure.linear.var_p);
    EXPECT_NEAR(closure.linear.var_m, chain.back().var_m + fin.var_m, near);
    EXPECT_NEAR(closure.linear.var_p, chain.back().var_p + fin.var_p, near);
    EXPECT_NEAR(closure.linear.cov_mp, chain.back().cov_mp + fin.cov_mp, near);
    EXPECT_NEAR(closure.angular_variance, mode == gon ? 8 * angle_variance(usual) : 0.0, 1e-12 * angle_variance(usual));
    double length = 0.0;
    for (std::int32_t i = 1; i < 8; ++i) length += leg_geometry(zig_zag, i).length;
    EXPECT_EQ(closure.traverse_length, length);
  }
}

// Worked by hand: three points along M, (0,0), (100,0), (200,0), exact lengths and ends,
// 5" directions. The angles at stations 1 and 2 swing point 3 across the line with lever
// arms 200 and 100 m: var P = (200^2 + 100^2) s^2 = 50000 s^2 (s^2 the angle variance).
// The angular misclosure sums the 3 angles, variance 3 s^2, and shares -(200 + 100) s^2
// with P. Spread equally over the angles, it leaves 50000 s^2 - 300^2 s^4 / (3 s^2) =
// 20000 s^2 of linear misclosure in P, and nothing in M.
TEST(ClosedTraverse, LinearMisclosureAfterTheAngularOneIsSpread) {
  ObservationPrecision angles_only;
  angles_only.angle_seconds = 5.0;
  const double s2 = angle_variance(angles_only);
  const PredictedMisclosure closure =
      predicted_misclosure(list_of({{0, 0}, {100, 0}, {200, 0}}), ObservationMode::goniometric, angles_only, {}, {});
  EXPECT_NEAR(closure.linear.var_p, 50000 * s2, 1e-9 * 50000 * s2);
  EXPECT_NEAR(closure.linear_after_angular.var_p, 20000 * s2, 1e-9 * 50000 * s2);
  EXPECT_EQ(closure.linear_after_angular.var_m, 0.0);
  EXPECT_EQ(closure.linear_after_angular.cov_mp, 0.0);
}

// Worked by hand: goniometric, 3 mm + 2 ppm, 5", points 1 (0,0), 2 (100,0), 3 (200,0),
// points 1 and 3 known. Only point 2 is unknown. By its coordinates (M2, P2):
//   length 1->2: (1, 0); length 2->3: (-1, 0); each sigma^2 = (2*100e-6)^2 + 0.003^2 = 9.04e-6
//   angle at 1 (bearing 1->2): (dP, -dM)/D^2 = (0, -0.01)
//   angle at 2 (bearing 2->3 minus bearing 2->1): (0, 0.01) - (0, -0.01) = (0, 0.02)
//   angle at 3 (bearing 3->2): (0, 0.01); each sigma^2 = 2 (5"/206264.8")^2
// N = diag(2 / 9.04e-6, (1e-4 + 4e-4 + 1e-4) / sigma^2), so var M2 = 4.52e-6 and
// var P2 = sigma^2 / 6e-4, no covariance. By the ends, A^T P B has -w_D in the M rows for M1
// and for M3, and -3e-4 w_angle (1e-4 + 2e-4) in the P rows for P1 and for P3; so
// G = -N^-1 A^T P B = [I/2, I/2]: point 2 moves with the mean of the ends. Sigma_2 =
// N^-1 + (Sigma_1 + Sigma_3) / 4; point 1 against 2 is Sigma_1 / 2, point 2 against 3 Sigma_3 / 2.
TEST(ClosedTraverse, ThreePointsByHand) {
  const double angle_var = 2.0 * square(5.0 / 3600.0 * pi / 180.0);
  const Covariance2 s1 = start_covariance(start_end), s3 = start_covariance(final_end);
  const TraverseCovariance joint =
      adjust_traverse(list_of({{0, 0}, {100, 0}, {200, 0}}), gon, usual, start_end, &final_end);
  ASSERT_EQ(joint.points.size(), 3u);
  const Covariance2& middle = joint.points[1];
  EXPECT_NEAR(middle.var_m, 4.52e-6 + (s1.var_m + s3.var_m) / 4, 1e-18);
  EXPECT_NEAR(middle.var_p, angle_var / 6e-4 + (s1.var_p + s3.var_p) / 4, 1e-18);
  EXPECT_NEAR(middle.cov_mp, (s1.cov_mp + s3.cov_mp) / 4, 1e-18);
  const Matrix2 &first = joint.neighbours[0], &second = joint.neighbours[1];
  const double got[] = {first.mm, first.mp, first.pm, first.pp, second.mm, second.mp, second.pm, second.pp};
  const double want[] = {s1.var_m, s1.cov_mp, s1.cov_mp, s1.var_p, s3.var_m, s3.cov_mp, s3.cov_mp, s3.var_p};
  for (std::size_t k = 0; k < 8; ++k) EXPECT_NEAR(got[k], want[k] / 2, 1e-18) << k;
}

TEST(ClosedTraverse, ShortTraversesAndRefusals) {
  const TraverseCovariance two = adjust_traverse(list_of({{0, 0}, {100, 0}}), gon, usual, start_end, &final_end);
  ASSERT_EQ(two.points.size(), 2u);
  ASSERT_EQ(two.neighbours.size(), 1u);
  EXPECT_EQ(two.points[1].cov_mp, start_covariance(final_end).cov_mp);
  EXPECT_EQ(two.neighbours[0].mp, 0.0);
  EXPECT_EQ(adjust_traverse(list_of({{0, 0}}), dec, usual, start_end, nullptr).points.size(), 1u);
  EXPECT_TRUE(adjust_traverse(PointList{}, dec, usual, start_end, nullptr).points.empty());
  EXPECT_THROW(relative_covariance(two, 0), std::out_of_range);
  EXPECT_THROW(relative_covariance(two, 2), std::out_of_range);
  // A zero sigma would make a weight infinite.
  const std::pair<ObservationPrecision, bool> cases[] = {
      {{0, 2, 5}, true}, {{3, 0, 5}, true}, {{0, 0, 5}, false}, {{3, 2, 0}, false}, {{1e-200, 0, 5}, false}};
  for (ObservationMode mode : {gon, dec})
    for (const auto& [precision, defined] : cases) EXPECT_EQ(adjustment_is_defined(mode, precision), defined);
}

}  // namespace
}  // namespace elipses
