// Heights by trigonometric heighting: one leg by hand, the prefix sums against a dense least-
// squares adjustment that builds every observation from its sources, simulated surveys that
// observe and adjust thousands of traverses, the level's factor and the tolerance test.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <stdexcept>
#include <vector>

#include "propagation/heights.hpp"
#include "test_support.hpp"

namespace elipses {
namespace {

using Matrix = std::vector<std::vector<double>>;
using elipses::testing::list_of;
constexpr double radius = 6371000.0;  // m
constexpr HeightShape shapes[] = {HeightShape::open, HeightShape::closed, HeightShape::loop};

// A zig-zag climbing and falling, some legs steep; a loop returns to its first mark.
struct Plan {
  PointList points;
  std::vector<double> heights;  // m
};
Plan zig_zag(HeightShape shape) {
  Plan plan{list_of({{1000, 1000}, {1180, 1070}, {1290, 1230}, {1240, 1400}, {1060, 1460}, {950, 1320}, {830, 1450},
                     {700, 1380}}),
            {100.0, 112.5, 131.0, 128.2, 171.7, 122.3, 109.9, 115.4}};
  if (shape == HeightShape::loop) plan.points.points.back() = plan.points.points.front(), plan.heights.back() = 100;
  return plan;
}
const HeightPrecision usual{2, AngleUnit::arc_seconds, 2, 2, 2, 1.5, 0.7, 0.13, 0.08, false};
const HeightPrecision exact{0, AngleUnit::arc_seconds, 1, 0, 0, 0, 0, 0.13, 0, false};
const HeightEnds given_ends{0.004, 0.006};

// Each row, mm: the product owner's checked figure, and a level leg in cc worked the same
// way (500 * 5e-4 * pi / 200 / sqrt 2 = 2.776802; 500^2 / 2R * 0.05 = 0.981008).
TEST(Heights, OneLegByHand) {
  struct Case {
    double distance, rise;  // m: 300 m at 95 gon; 500 m level
    HeightPrecision precision;
    std::array<double, 6> mm;  // distance, zenith, refraction, instrument, target, total
    double within;             // mm
  };
  const Case cases[] = {
      {299.0752001199384, 23.5377287183535, {1, AngleUnit::arc_seconds, 1, 2, 2, 1, 1, 0.13, 0.1, false},
       {0.16, 1.45, 0.70, 1.00, 1.00, 2.15}, 0.01},
      {500, 0, {5, AngleUnit::centesimal_seconds, 2, 3, 5, 0, 0, 0.13, 0.05, false},
       {0, 2.776802, 0.981008, 0, 0, 2.944997}, 1e-6},
  };
  for (const Case& c : cases) {
    const HeightTerms t = one_way_terms(c.distance, c.rise, c.precision);
    const double got[] = {t.distance, t.zenith, t.refraction, t.instrument, t.target, t.total()};
    for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(got[k] * 1000, c.mm[k], c.within) << k;
    // The same leg as an open traverse from an exact start.
    const HeightAnalysis one =
        analyse_heights(list_of({{0, 0}, {c.distance, 0}}), {50, 50 + c.rise}, c.precision, {}, HeightShape::open);
    EXPECT_NEAR(one.sigma[1] * 1000, c.mm[5], c.within);
    EXPECT_NEAR(one.legs[0].slope_distance, c.rise == 0 ? 500 : 300, 1e-9);
  }
}

// a b, or a^T b.
Matrix product(const Matrix& a, const Matrix& b, bool transpose_a = false) {
  Matrix c(transpose_a ? a[0].size() : a.size(), std::vector<double>(b[0].size(), 0.0));
  for (std::size_t i = 0; i < c.size(); ++i)
    for (std::size_t k = 0; k < b.size(); ++k)
      for (std::size_t j = 0; j < b[0].size(); ++j) c[i][j] += (transpose_a ? a[k][i] : a[i][k]) * b[k][j];
  return c;
}
Matrix inverse(Matrix a) {  // Gauss-Jordan; positive definite, no pivoting needed
  const std::size_t n = a.size();
  Matrix x(n, std::vector<double>(n, 0.0));
  for (std::size_t i = 0; i < n; ++i) x[i][i] = 1.0;
  for (std::size_t c = 0; c < n; ++c) {
    const double pivot = a[c][c];
    for (std::size_t k = 0; k < n; ++k) a[c][k] /= pivot, x[c][k] /= pivot;
    for (std::size_t r = 0; r < n; ++r) {
      const double f = r == c ? 0.0 : a[r][c];
      for (std::size_t k = 0; k < n; ++k) a[r][k] -= f * a[c][k], x[r][k] -= f * x[c][k];
    }
  }
  return x;
}

// The dense reference. A one-way observation from a to b errs by cos z_ab e_S - S sin z_ab e_z
// - D^2/2R e_k + e_I(a) - e_T(b), z_ab seen from a; a leg is the forward one, or the mean of
// forward and backward with its sign turned. Sources: each observation's distance and zenith
// angle, each station's instrument and target heights, one refraction coefficient, the known
// heights (entering the legs as l - A_c c). Then the general least squares with the known
// heights held fixed: A, P = Sigma_l^-1, K = N^-1 A^T P; the unknowns err by K (e - A_c e_c).
enum Kind { distances, zeniths, refraction, instruments, targets, knowns };
struct Reference {
  std::vector<double> sigma;  // by source, m
  std::vector<int> kind;
  Matrix map;      // point i's error by source at [i - 1]
  Matrix weights;  // K

  // Of point j's error less point i's (i = 0: point j's own), from one kind or all.
  double variance(std::size_t i, std::size_t j, int only = -1) const {
    double v = 0;
    for (std::size_t s = 0; s < sigma.size(); ++s) {
      const double by = map[j - 1][s] - (i > 0 ? map[i - 1][s] : 0.0);
      if (only < 0 || kind[s] == only) v += by * by * sigma[s] * sigma[s];
    }
    return v;
  }
};

Reference reference(const Plan& plan, const HeightPrecision& pr, const HeightEnds& ends, HeightShape shape) {
  const std::size_t n = plan.heights.size(), m = n - 1;
  const bool closed = shape != HeightShape::open;
  Reference r;
  Matrix legs(m);
  const auto source = [&](double sigma, int kind) {
    r.sigma.push_back(sigma), r.kind.push_back(kind);
    for (auto& row : legs) row.push_back(0.0);
    return r.sigma.size() - 1;
  };
  std::vector<std::size_t> instrument, target;
  for (std::size_t i = 0; i < n; ++i)
    instrument.push_back(source(pr.instrument_height_mm / 1000, instruments)),
        target.push_back(source(pr.target_height_mm / 1000, targets));
  const std::size_t k = source(pr.refraction_sigma, refraction), first = source(ends.start_sigma_m, knowns);
  const std::size_t last = shape == HeightShape::closed ? source(ends.end_sigma_m, knowns) : first;
  const double unit = pr.zenith_unit == AngleUnit::arc_seconds ? pi / 648000 : pi / 2000000;  // rad
  const auto observe = [&](std::size_t l, std::size_t a, std::size_t b, double weight) {
    const Point &pa = plan.points.points[a], &pb = plan.points.points[b];
    const double d = std::hypot(pb.m - pa.m, pb.p - pa.p), rise = plan.heights[b] - plan.heights[a];
    const double s = std::hypot(d, rise);
    const std::size_t e_s = source(std::hypot(pr.distance_ppm * s * 1e-6, pr.distance_fixed_mm / 1000), distances);
    const std::size_t e_z = source(pr.zenith_seconds * unit / std::sqrt(pr.sets), zeniths);
    legs[l][e_s] += weight * rise / s, legs[l][e_z] -= weight * d, legs[l][k] -= weight * d * d / (2 * radius);
    legs[l][instrument[a]] += weight, legs[l][target[b]] -= weight;
  };
  for (std::size_t l = 0; l < m; ++l) {
    observe(l, l, l + 1, pr.reciprocal ? 0.5 : 1.0);
    if (pr.reciprocal) observe(l, l + 1, l, -0.5);
  }
  Matrix a(m, std::vector<double>(closed ? n - 2 : m, 0.0));  // unknown heights 2.., at [point - 2]
  const auto enter = [&](std::size_t l, std::size_t point, double sign) {
    if (point == 0 || (closed && point == n - 1)) {
      legs[l][point == 0 ? first : last] -= sign;
    } else {
      a[l][point - 1] += sign;
    }
  };
  for (std::size_t l = 0; l < m; ++l) enter(l, l + 1, 1.0), enter(l, l, -1.0);
  Matrix sigma_l(m, std::vector<double>(m, 0.0));
  for (std::size_t x = 0; x < m; ++x)
    for (std::size_t y = 0; y < m; ++y)
      for (std::size_t s = 0; s < r.sigma.size(); ++s)
        if (r.kind[s] != knowns) sigma_l[x][y] += legs[x][s] * legs[y][s] * r.sigma[s] * r.sigma[s];
  const Matrix at_p = product(a, inverse(sigma_l), true);
  r.weights = product(inverse(product(at_p, a)), at_p);
  const Matrix unknowns = product(r.weights, legs);
  for (std::size_t i = 0; i < n; ++i) {
    r.map.push_back(i == 0 || (closed && i == n - 1) ? std::vector<double>(r.sigma.size(), 0.0) : unknowns[i - 1]);
    if (i == 0 || (closed && i == n - 1)) r.map.back()[i == 0 ? first : last] = 1.0;
  }
  return r;
}

double part(const HeightBudget& b, int kind) {
  const double parts[] = {b.distances,      b.zenith_angles,  b.refraction,
                          b.instrument_heights, b.target_heights, b.known_heights};
  return parts[kind];
}

// Every point, every pair and every source's part, open, closed and loop, one-way and
// reciprocal, exact and uncertain known heights. Observed both ways, the refraction
// cancels: no part of any variance, whatever sigma_k.
TEST(Heights, MatchTheDenseAdjustment) {
  for (HeightShape shape : shapes) {
    for (bool reciprocal : {false, true}) {
      for (const HeightEnds& ends : {HeightEnds{}, given_ends}) {
        SCOPED_TRACE(::testing::Message() << int(shape) << reciprocal << ends.start_sigma_m);
        const Plan plan = zig_zag(shape);
        HeightPrecision precision = usual;
        precision.reciprocal = reciprocal;
        const Reference r = reference(plan, precision, ends, shape);
        const HeightAnalysis got = analyse_heights(plan.points, plan.heights, precision, ends, shape);
        const std::int32_t n = plan.points.n;
        for (std::int32_t i = 1; i <= n; ++i) {
          const auto at = static_cast<std::size_t>(i);
          for (std::int32_t j = 0; j <= n; ++j) {  // j = 0: point i alone
            const auto from = static_cast<std::size_t>(j);
            const HeightBudget b = j == 0 ? got.covariance.budget(i) : got.covariance.difference_budget(j, i);
            const double whole = r.variance(from, at);
            EXPECT_NEAR(b.total(), whole, 1e-12 * whole + 1e-24) << i << " " << j;
            for (int kind = distances; kind <= knowns; ++kind)
              EXPECT_NEAR(part(b, kind), r.variance(from, at, kind), 1e-12 * whole + 1e-24) << i << j << " " << kind;
          }
          EXPECT_NEAR(square(got.sigma[at - 1]), r.variance(0, at), 1e-12 * r.variance(0, at));
          if (i < n) {
            EXPECT_NEAR(square(got.legs[at - 1].sigma), r.variance(at, at + 1), 1e-12 * r.variance(at, at + 1));
          }
        }
        EXPECT_EQ(got.covariance.is_known(n), shape != HeightShape::open);
        HeightPrecision stormy = precision;
        stormy.refraction_sigma = 0.5;
        const HeightAnalysis windy = analyse_heights(plan.points, plan.heights, stormy, ends, shape);
        EXPECT_EQ(windy.sigma == got.sigma, reciprocal);
        EXPECT_EQ(windy.covariance.budget(n / 2).refraction == 0.0, reciprocal);
      }
    }
  }
}

// Thousands of traverses observed with their own errors: every station's heights, each
// zenith angle and distance, one refraction coefficient per traverse. The heights are carried
// (open) or adjusted with the dense reference's least-squares weights; the spread of each
// height and of each pair of neighbours is what the sums predict, within five standard errors.
TEST(Heights, SimulatedSurveysSpreadAsPredicted) {
  constexpr int surveys = 20000;
  std::mt19937_64 random(20240611);
  std::normal_distribution<double> normal;
  const auto draw = [&](double sigma) { return normal(random) * sigma; };
  for (HeightShape shape : shapes) {
    for (bool reciprocal : {false, true}) {
      SCOPED_TRACE(::testing::Message() << int(shape) << reciprocal);
      const Plan plan = zig_zag(shape);
      HeightPrecision pr = usual;
      pr.reciprocal = reciprocal;
      pr.zenith_seconds = 5;  // large enough for the cosine's curve to show
      const HeightCovariance got(plan.points, plan.heights, pr, given_ends, shape);
      const Matrix& weights = reference(plan, pr, given_ends, shape).weights;
      const std::size_t n = plan.heights.size();
      std::vector<double> sum(n, 0.0), squares(n, 0.0), neighbours(n, 0.0);
      for (int survey = 0; survey < surveys; ++survey) {
        std::vector<double> instrument(n), target(n), error(n, 0.0), legs(n - 1);
        // The figures of `usual`, zenith angles of 5": sigma_I 1.5 mm, sigma_T 0.7 mm, 2 mm + 2 ppm, two sets.
        for (std::size_t i = 0; i < n; ++i) instrument[i] = draw(0.0015), target[i] = draw(0.0007);
        const double k = draw(pr.refraction_sigma), first = draw(given_ends.start_sigma_m);
        const double last = shape == HeightShape::loop ? first : draw(given_ends.end_sigma_m);
        const auto observed = [&](std::size_t a, std::size_t b) {  // less the planned difference, m
          const Point &pa = plan.points.points[a], &pb = plan.points.points[b];
          const double d = std::hypot(pb.m - pa.m, pb.p - pa.p), rise = plan.heights[b] - plan.heights[a];
          const double s = std::hypot(d, rise) + draw(std::hypot(2e-6 * std::hypot(d, rise), 0.002));
          const double z = std::atan2(d, rise) + draw(5 * pi / 648000 / std::sqrt(2.0));
          return s * std::cos(z) - rise - k * d * d / (2 * radius) + instrument[a] - target[b];
        };
        for (std::size_t l = 0; l + 1 < n; ++l)
          legs[l] = reciprocal ? (observed(l, l + 1) - observed(l + 1, l)) / 2 : observed(l, l + 1);
        error[0] = first;
        if (shape == HeightShape::open) {
          for (std::size_t i = 1; i < n; ++i) error[i] = error[i - 1] + legs[i - 1];
        } else {
          legs.front() += first, legs.back() -= last;  // l - A_c c
          for (std::size_t u = 0; u + 2 < n; ++u)
            for (std::size_t l = 0; l + 1 < n; ++l) error[u + 1] += weights[u][l] * legs[l];
          error[n - 1] = last;
        }
        for (std::size_t i = 0; i < n; ++i) sum[i] += error[i], squares[i] += error[i] * error[i];
        for (std::size_t i = 0; i + 1 < n; ++i) neighbours[i] += error[i] * error[i + 1];
      }
      for (std::int32_t i = 1; i <= static_cast<std::int32_t>(n); ++i) {
        const auto at = static_cast<std::size_t>(i - 1);
        const double predicted = got.variance(i);
        EXPECT_NEAR((squares[at] - sum[at] * sum[at] / surveys) / (surveys - 1), predicted,
                    5 * std::sqrt(2.0 / surveys) * predicted) << i;
        if (at + 1 == n) continue;
        const double next = got.variance(i + 1), c = (predicted + next - got.difference_variance(i, i + 1)) / 2;
        EXPECT_NEAR((neighbours[at] - sum[at] * sum[at + 1] / surveys) / (surveys - 1), c,
                    5 * std::sqrt((predicted * next + c * c) / surveys)) << i;
      }
    }
  }
}

// No NaN, no crash: one point, nothing uncertain at all, two known points, exact legs
// between uncertain known heights (spread by distance: by hand, 3 legs of 100 m, sigma 3 and
// 4 mm, point 2 takes 1/3: 4/9 * 9 + 1/9 * 16 = 52/9 mm^2).
TEST(Heights, DegenerateTraversesStayFinite) {
  for (HeightShape shape : shapes) {
    EXPECT_EQ(analyse_heights(list_of({{5, 5}}), {10}, usual, given_ends, shape).sigma, std::vector<double>{0.004});
    const Plan plan = zig_zag(shape);
    for (double s : analyse_heights(plan.points, plan.heights, exact, {}, shape).sigma) EXPECT_EQ(s, 0.0);
  }
  const HeightEnds ends{0.003, 0.004};
  const HeightAnalysis two = analyse_heights(list_of({{0, 0}, {100, 0}}), {0, 1}, usual, ends, HeightShape::closed);
  EXPECT_EQ(two.sigma, (std::vector<double>{0.003, 0.004}));
  EXPECT_NEAR(two.legs[0].sigma, 0.005, 1e-15);
  const HeightAnalysis spread = analyse_heights(list_of({{0, 0}, {100, 0}, {200, 0}, {300, 0}}), {0, 1, 2, 3}, exact,
                                                ends, HeightShape::closed);
  EXPECT_NEAR(spread.sigma[1] * 1000, std::sqrt(52.0 / 9), 1e-12);
  EXPECT_THROW(analyse_heights(list_of({{0, 0}, {1, 0}, {2, 0}}), {1, 2}, usual, {}, HeightShape::open),
               std::invalid_argument);
  EXPECT_THROW(two.covariance.difference_variance(1, 3), std::out_of_range);
  EXPECT_THROW(two.covariance.budget(0), std::out_of_range);
}

// Quantiles and level factors from Python's statistics.NormalDist().inv_cdf, the factors of
// p = 1 - exp(-k^2 / 2).
TEST(Heights, InverseNormalAndLevelFactors) {
  const double quantiles[][2] = {{0.5, 0.0},          {0.75, 0.6744897501960817},   {0.9, 1.2815515655446008},
                                 {0.975, 1.9599639845400536}, {0.995, 2.5758293035489}, {0.999, 3.090232306167813},
                                 {0.02425, -1.9729610513118845}, {1e-10, -6.361340902404056},
                                 {1e-300, -37.0470962993612}};
  for (const auto& q : quantiles) EXPECT_NEAR(inverse_normal(q[0]), q[1], 1e-14 * (1 + std::abs(q[1]))) << q[0];
  EXPECT_EQ(inverse_normal(0.0), -HUGE_VAL);
  EXPECT_EQ(inverse_normal(1.0), HUGE_VAL);
  for (double outside : {-0.1, 1.5, std::nan("")}) EXPECT_TRUE(std::isnan(inverse_normal(outside)));
  const double levels[][2] = {{1.0, 1.0},  {1.177, 0.6741099745224648}, {1.41, 0.8963331696628309},
                              {2.146, 1.644888971894939}, {2.447, 1.9591820350942992}, {2.76, 2.2873607937748037},
                              {3.035, 2.5759822465572157}, {3.5, 3.0635206437403553}};
  for (const auto& level : levels) EXPECT_NEAR(height_factor(level[0]), level[1], 1e-13) << level[0];
}

// By hand: five points 100 m apart on a level line, only the instrument heights uncertain
// (2^-10 m = u, so that every sum is exact and ties are real), one way and open: a pair s legs
// apart has sigma sqrt(s) u. Closed with exact legs and known heights of 3 mm each, the
// misclosure is spread by distance: sigma s/4 sqrt(18) mm (the two known heights left out of
// the worst). Only zenith angles: a leg needs 100 m * sigma_z <= 1 mm, 2.06"; the pair four
// legs apart 2 * 100 m * sigma_z, 1.03".
TEST(Heights, ToleranceOfLegsAndPairs) {
  const PointList line = list_of({{0, 0}, {100, 0}, {200, 0}, {300, 0}, {400, 0}});
  const std::vector<double> level(5, 50.0);
  constexpr double u = 0.9765625;  // mm
  const HeightPrecision instrument_only{0, AngleUnit::arc_seconds, 1, 0, 0, u, 0, 0.13, 0, false};
  struct Case {
    HeightPrecision precision;
    HeightShape shape;
    HeightEnds ends;
    HeightTolerance tolerance;
    std::uint64_t legs_exceeding, pairs_tested, pairs_exceeding;
    std::int32_t worst;  // from * 10 + to
    double worst_ratio;
  };
  const Case cases[] = {
      {instrument_only, HeightShape::open, {}, {1.5 * u, 0}, 0, 10, 3, 15, 2 / 1.5},
      {instrument_only, HeightShape::open, {}, {1.5 * u, 0, false}, 0, 0, 0, 12, 1 / 1.5},  // the legs alone
      {instrument_only, HeightShape::open, {}, {0, 15 * u}, 0, 10, 0, 12, 1 / 1.5},  // legs tie: file order
      {instrument_only, HeightShape::open, {}, {0.9 * u, 0}, 4, 10, 10, 15, 2 / 0.9},
      {exact, HeightShape::closed, {0.003, 0.003}, {1.2, 0}, 0, 10, 6, 14, 0.75 * std::sqrt(18.0) / 1.2},
  };
  for (const Case& c : cases) {
    const HeightAnalysis analysis = analyse_heights(line, level, c.precision, c.ends, c.shape);
    const HeightToleranceTest test = test_height_tolerance(line, analysis, 1.0, c.tolerance);
    EXPECT_EQ(test.legs.size(), 4u);
    EXPECT_EQ(test.legs_exceeding, c.legs_exceeding);
    EXPECT_EQ(test.pairs_tested, c.pairs_tested);
    EXPECT_EQ(test.pairs_exceeding, c.pairs_exceeding);
    EXPECT_EQ(test.worst_exceeding.size(), c.pairs_exceeding);
    EXPECT_EQ(test.worst_passing.size(), c.pairs_tested - c.pairs_exceeding);
    ASSERT_TRUE(test.worst.has_value());
    EXPECT_EQ(test.worst->from * 10 + test.worst->to, c.worst);
    EXPECT_NEAR(test.worst->ratio, c.worst_ratio, 1e-12);
    EXPECT_NEAR(worst_height_ratio(line, analysis.covariance, 1.0, c.tolerance), c.worst_ratio, 1e-12);
    // Worst first; the pair of the two known heights is listed, though left out of the worst.
    for (const HeightPairTest& listed : test.worst_exceeding) EXPECT_LE(listed.ratio, test.worst_exceeding[0].ratio);
  }
  const HeightPrecision zenith_only{3, AngleUnit::arc_seconds, 1, 0, 0, 0, 0, 0.13, 0, false};
  EXPECT_EQ(largest_zenith_seconds(line, level, zenith_only, {}, HeightShape::open, 1.0, {1, 0, false}), 2.0);
  EXPECT_EQ(largest_zenith_seconds(line, level, zenith_only, {}, HeightShape::open, 1.0, {1, 0, true}), 1.0);
  EXPECT_FALSE(largest_zenith_seconds(line, level, zenith_only, {}, HeightShape::open, 1.0, {0.001, 0, true}));
}

}  // namespace
}  // namespace elipses
