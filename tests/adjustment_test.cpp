// The least-squares pre-analysis of a traverse, against the open propagation, a case worked
// by hand, a dense adjustment and simulated surveys. The dense survey here writes each
// observation as a formula and takes its derivatives by differences, not from the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

#include "propagation/adjustment.hpp"
#include "test_support.hpp"
#include "propagation/declined.hpp"
#include "propagation/goniometric.hpp"
#include "propagation/adjusted_traverse.hpp"

namespace elipses {
namespace {

using Matrix = std::vector<std::vector<double>>;
using Coordinates = std::vector<double>;  // M1, P1, M2, P2, ...
constexpr ObservationMode gon = ObservationMode::goniometric, dec = ObservationMode::declined;

using elipses::testing::list_of;

const ObservationPrecision usual{3, 2, 5};
const EndpointCovariance start_end{0.005, 0.007, 1e-5}, final_end{0.008, 0.006, -2e-5};

Matrix product(const Matrix& a, const Matrix& b) {
  Matrix c(a.size(), std::vector<double>(b[0].size(), 0.0));
  for (std::size_t i = 0; i < a.size(); ++i)
    for (std::size_t k = 0; k < b.size(); ++k)
      for (std::size_t j = 0; j < b[0].size(); ++j) c[i][j] += a[i][k] * b[k][j];
  return c;
}

// Gauss-Jordan (the normal matrix is positive definite: no pivoting), then one step of
// refinement X + X (I - A X), which wins back the digits the elimination loses.
Matrix inverse(const Matrix& original) {
  Matrix a = original;
  const std::size_t n = a.size();
  Matrix x(n, std::vector<double>(n, 0.0));
  for (std::size_t i = 0; i < n; ++i) x[i][i] = 1.0;
  for (std::size_t c = 0; c < n; ++c) {
    for (std::size_t r = 0; r < n; ++r) {
      const double f = r == c ? 1.0 - 1.0 / a[c][c] : a[r][c] / a[c][c];
      const std::vector<double> ac = a[c], xc = x[c];
      for (std::size_t k = 0; k < n; ++k) a[r][k] -= f * ac[k], x[r][k] -= f * xc[k];
    }
  }
  Matrix residual = product(original, x);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) residual[i][j] = (i == j ? 1.0 : 0.0) - residual[i][j];
  const Matrix correction = product(x, residual);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) x[i][j] += correction[i][j];
  return x;
}

// The survey written out: every observation as a formula of all the coordinates, its
// variance, and the known ends with their covariance.
struct DenseSurvey {
  std::vector<std::function<double(const Coordinates&)>> observe;
  std::vector<bool> angular;
  std::vector<double> variance;
  Coordinates planned;
  std::vector<std::size_t> known;  // coordinates of the ends
  std::vector<Covariance2> ends;
  Matrix gain;                     // least squares by the unknowns, N^-1 A^T P
  Matrix by_ends;                  // derivatives by the ends' coordinates, B
};

double misfit(const DenseSurvey& s, std::size_t k, double observed, const Coordinates& x) {
  const double r = observed - s.observe[k](x);
  return s.angular[k] ? std::remainder(r, 2.0 * pi) : r;
}

// Slopes over 1 cm and 2 cm either side of the planned point, combined to the fourth
// order; each divides by the step as the coordinate actually took it.
double derivative(const DenseSurvey& s, std::size_t k, std::size_t c) {
  auto slope = [&](double step) {
    Coordinates up = s.planned, down = s.planned;
    up[c] += step;
    down[c] -= step;
    return misfit(s, k, s.observe[k](up), down) / (up[c] - down[c]);
  };
  return (4.0 * slope(0.01) - slope(0.02)) / 3.0;
}

DenseSurvey dense_survey(const PointList& points, ObservationMode mode, const EndpointCovariance* final_point) {
  DenseSurvey s;
  const std::int32_t n = points.n;
  for (const Point& q : points.points) s.planned.insert(s.planned.end(), {q.m, q.p});
  auto bearing = [](const Coordinates& x, std::int32_t a, std::int32_t b) {
    const std::size_t i = static_cast<std::size_t>(2 * a - 2), j = static_cast<std::size_t>(2 * b - 2);
    return std::atan2(x[j] - x[i], x[j + 1] - x[i + 1]);
  };
  auto add = [&](std::function<double(const Coordinates&)> f, bool angular, double variance) {
    s.observe.push_back(std::move(f));
    s.angular.push_back(angular);
    s.variance.push_back(variance);
  };
  const double direction_var = mode == gon ? angle_variance(usual) : bearing_variance(usual);
  for (std::int32_t i = 1; i < n; ++i) {
    const std::size_t a = static_cast<std::size_t>(2 * i - 2);
    add([=](const Coordinates& x) { return std::hypot(x[a + 2] - x[a], x[a + 3] - x[a + 1]); }, false,
        distance_variance(usual, leg_geometry(points, i).length));
    if (mode == dec) add([=](const Coordinates& x) { return bearing(x, i, i + 1); }, true, direction_var);
    if (mode == gon && i > 1)
      add([=](const Coordinates& x) { return bearing(x, i, i + 1) - bearing(x, i, i - 1); }, true, direction_var);
  }
  if (mode == gon) add([=](const Coordinates& x) { return bearing(x, 1, 2); }, true, direction_var);
  if (mode == gon && final_point) add([=](const Coordinates& x) { return bearing(x, n, n - 1); }, true, direction_var);

  s.known = {0, 1};
  s.ends = {start_covariance(start_end)};
  if (final_point) {
    s.known.insert(s.known.end(), {s.planned.size() - 2, s.planned.size() - 1});
    s.ends.push_back(start_covariance(*final_point));
  }
  Matrix a(s.observe.size());
  s.by_ends = a;
  for (std::size_t k = 0; k < s.observe.size(); ++k)
    for (std::size_t c = 0; c < s.planned.size(); ++c)
      (std::count(s.known.begin(), s.known.end(), c) ? s.by_ends[k] : a[k]).push_back(derivative(s, k, c));
  Matrix at_p(a[0].size(), std::vector<double>(a.size()));
  for (std::size_t k = 0; k < a.size(); ++k)
    for (std::size_t i = 0; i < a[0].size(); ++i) at_p[i][k] = a[k][i] / s.variance[k];
  s.gain = product(inverse(product(at_p, a)), at_p);
  return s;
}

// Error of every coordinate, linearised, from the observation errors e and the ends' errors:
// the unknowns move by K (e - B e_ends) and the ends by their own errors.
Coordinates response(const DenseSurvey& s, const std::vector<double>& e, const std::vector<double>& e_ends) {
  Coordinates out(s.planned.size(), 0.0);
  std::vector<double> reduced = e;
  for (std::size_t k = 0; k < e.size(); ++k)
    for (std::size_t c = 0; c < e_ends.size(); ++c) reduced[k] -= s.by_ends[k][c] * e_ends[c];
  for (std::size_t c = 0, u = 0, end = 0; c < out.size(); ++c) {
    if (std::count(s.known.begin(), s.known.end(), c)) {
      out[c] = e_ends[end++];
      continue;
    }
    for (std::size_t k = 0; k < e.size(); ++k) out[c] += s.gain[u][k] * reduced[k];
    ++u;
  }
  return out;
}

// The full covariance, column by column: the response to each independent source of error.
Matrix dense_covariance(const DenseSurvey& s) {
  const std::size_t size = s.planned.size();
  Matrix full(size, std::vector<double>(size, 0.0));
  auto accumulate = [&](const Coordinates& r) {
    for (std::size_t i = 0; i < size; ++i)
      for (std::size_t j = 0; j < size; ++j) full[i][j] += r[i] * r[j];
  };
  const std::vector<double> no_ends(s.known.size(), 0.0);
  for (std::size_t k = 0; k < s.variance.size(); ++k) {
    std::vector<double> e(s.variance.size(), 0.0);
    e[k] = std::sqrt(s.variance[k]);
    accumulate(response(s, e, no_ends));
  }
  for (std::size_t end = 0; end < s.ends.size(); ++end) {
    // Sigma_end = L L^T; each column of L is an independent source.
    const Covariance2& c = s.ends[end];
    const double l11 = std::sqrt(c.var_m), l21 = l11 > 0 ? c.cov_mp / l11 : 0.0;
    for (auto [first, second] : {std::pair{l11, l21}, std::pair{0.0, std::sqrt(c.var_p - l21 * l21)}}) {
      std::vector<double> e_ends = no_ends;
      e_ends[2 * end] = first;
      e_ends[2 * end + 1] = second;
      accumulate(response(s, std::vector<double>(s.variance.size(), 0.0), e_ends));
    }
  }
  return full;
}

// Every diagonal and neighbour block of `joint` against a full covariance.
struct Entry {
  double value;
  std::size_t row, column;  // from the block's first coordinate
};

void expect_blocks(const TraverseCovariance& joint, const Matrix& full,
                   const std::function<double(std::size_t, std::size_t)>& tolerance) {
  const std::size_t n = full.size() / 2;
  ASSERT_EQ(joint.points.size(), n);
  ASSERT_EQ(joint.neighbours.size(), n - 1);
  for (std::size_t r = 0; r < 2 * n; r += 2) {
    const Covariance2& c = joint.points[r / 2];
    const Entry own[] = {{c.var_m, 0, 0}, {c.var_p, 1, 1}, {c.cov_mp, 0, 1}};
    for (const auto& [value, i, j] : own)
      EXPECT_NEAR(value, full[r + i][r + j], tolerance(r + i, r + j)) << "point " << r / 2 + 1;
    if (r + 2 == 2 * n) break;
    const Matrix2& x = joint.neighbours[r / 2];
    const Entry shared[] = {{x.mm, 0, 2}, {x.mp, 0, 3}, {x.pm, 1, 2}, {x.pp, 1, 3}};
    for (const auto& [value, i, j] : shared)
      EXPECT_NEAR(value, full[r + i][r + j], tolerance(r + i, r + j)) << "points " << r / 2 + 1 << "+1";
  }
}

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

// A random traverse of twelve points, each mode, closed and open, against the dense
// adjustment: pins the banded factorisation, the band of the inverse and the ends' gain.
TEST(ClosedTraverse, BandedAgreesWithDense) {
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> step(40.0, 300.0), turn(-2.5, 2.5);
  std::vector<std::pair<double, double>> coordinates{{200000.0, 400000.0}};
  for (double heading = 0.3; coordinates.size() < 12;) {
    heading += turn(random);
    const double d = step(random);
    coordinates.emplace_back(coordinates.back().first + d * std::sin(heading),
                             coordinates.back().second + d * std::cos(heading));
  }
  const PointList points = list_of(coordinates);
  for (ObservationMode mode : {gon, dec}) {
    for (const EndpointCovariance* fin : {&final_end, static_cast<const EndpointCovariance*>(nullptr)}) {
      SCOPED_TRACE(::testing::Message() << (mode == gon ? "goniometric" : "declined") << (fin ? " closed" : " open"));
      const Matrix full = dense_covariance(dense_survey(points, mode, fin));
      const auto tolerance = [&](std::size_t i, std::size_t j) { return 1e-9 * std::sqrt(full[i][i] * full[j][j]); };
      expect_blocks(adjust_traverse(points, mode, usual, start_end, fin), full, tolerance);
      // Every pair, not only neighbours: each column of the joint covariance from the factor.
      InstrumentUse use;
      use.precision = usual;
      const ObservationModel model = build_observation_model(points, TraverseShape{mode, fin != nullptr, false}, use);
      const AdjustedTraverse joint(points, model, start_end, fin ? *fin : EndpointCovariance{});
      std::vector<Matrix2> cross;
      for (std::int32_t j = 1; j <= points.n; ++j) {
        joint.column(j, cross);
        const auto c = static_cast<std::size_t>(2 * j - 2);
        for (std::size_t r = 0; r < full.size(); r += 2) {
          const Matrix2& x = cross[r / 2];
          const Entry entries[] = {{x.mm, 0, 0}, {x.mp, 0, 1}, {x.pm, 1, 0}, {x.pp, 1, 1}};
          for (const auto& [value, i, k] : entries)
            EXPECT_NEAR(value, full[r + i][c + k], tolerance(r + i, c + k)) << "points " << r / 2 + 1 << ", " << j;
        }
      }
    }
  }
}

// Simulated surveys of a small closed traverse: observations with their stated errors, ends
// drawn from their covariance and held at the drawn values, each survey adjusted by
// least squares iterated from the planned point. The adjusted points spread as predicted.
TEST(ClosedTraverse, SimulatedSurveysSpreadAsPredicted) {
  const PointList points =
      list_of({{1000, 1000}, {1180, 1070}, {1290, 1230}, {1240, 1400}, {1060, 1460}, {950, 1320}});
  const EndpointCovariance exact{};
  for (ObservationMode mode : {gon, dec}) {
    SCOPED_TRACE(mode == gon ? "goniometric" : "declined");
    // Declined traverses have exact ends.
    const EndpointCovariance &first = mode == gon ? start_end : exact, &last = mode == gon ? final_end : exact;
    DenseSurvey s = dense_survey(points, mode, &last);
    s.ends = {start_covariance(first), start_covariance(last)};
    const std::size_t size = s.planned.size();
    std::vector<double> planned_observations;
    for (const auto& f : s.observe) planned_observations.push_back(f(s.planned));
    std::mt19937_64 random(7);
    std::normal_distribution<double> unit;
    const double samples = 20000;
    Matrix moments(size, std::vector<double>(size, 0.0));
    for (int sample = 0; sample < samples; ++sample) {
      std::vector<double> observed = planned_observations;
      for (std::size_t k = 0; k < observed.size(); ++k) observed[k] += std::sqrt(s.variance[k]) * unit(random);
      Coordinates x = s.planned;
      for (std::size_t end = 0; end < 2; ++end) {
        const Covariance2& c = s.ends[end];
        const double z1 = unit(random), z2 = unit(random);
        const double l11 = std::sqrt(c.var_m), l21 = l11 > 0 ? c.cov_mp / l11 : 0.0;
        x[s.known[2 * end]] += l11 * z1;
        x[s.known[2 * end + 1]] += l21 * z1 + std::sqrt(c.var_p - l21 * l21) * z2;
      }
      for (int iteration = 0; iteration < 3; ++iteration) {
        std::vector<double> r(observed.size());
        for (std::size_t k = 0; k < r.size(); ++k) r[k] = misfit(s, k, observed[k], x);
        for (std::size_t c = 2, u = 0; c + 2 < size; ++c, ++u)
          for (std::size_t k = 0; k < r.size(); ++k) x[c] += s.gain[u][k] * r[k];
      }
      for (std::size_t i = 0; i < size; ++i)
        for (std::size_t j = 0; j < size; ++j) moments[i][j] += (x[i] - s.planned[i]) * (x[j] - s.planned[j]) / samples;
    }
    // Four standard errors of a second moment about the true value: sqrt((s_ii s_jj + s_ij^2) / N).
    expect_blocks(adjust_traverse(points, mode, usual, first, &last), moments, [&](std::size_t i, std::size_t j) {
      return 4.0 * std::sqrt((moments[i][i] * moments[j][j] + square(moments[i][j])) / samples) + 1e-30;
    });
  }
}

}  // namespace
}  // namespace elipses
