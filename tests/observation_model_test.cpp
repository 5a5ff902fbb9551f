// The model of the setups: centring and sets against simulated surveys, the passes with
// sets against the plain propagation, and a loop against the same traverse with two
// distinct ends. The reliability is checked against a dense survey in
// propagation_checks_decision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "propagation/adjustment.hpp"
#include "test_support.hpp"
#include "propagation/chain.hpp"
#include "propagation/network_adjustment.hpp"

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

double bearing(const std::vector<double>& x, std::int32_t a, std::int32_t b) {
  const auto i = static_cast<std::size_t>(2 * a - 2), j = static_cast<std::size_t>(2 * b - 2);
  return std::atan2(x[j] - x[i], x[j + 1] - x[i + 1]);
}

// Simulated surveys: each setup's instrument and each target it sights displaced by its
// own centring error, every observation computed by its formula from where they stand,
// plus the instrument's error (2 s^2 / N for an angle, s^2 / N for a bearing, the mm and
// ppm of a distance); the ends drawn from their covariance. Each survey is solved by the
// linearised least squares; the points spread as the model predicts.
TEST(ObservationModel, CentringAndSetsSpreadAsSimulated) {
  const double centring_i = 0.002, centring_t = 0.003;
  const std::int32_t sets = 3;
  for (ObservationMode mode : {gon, dec}) {
    for (bool closed : {false, true}) {
      SCOPED_TRACE(::testing::Message() << (mode == gon ? "goniometric" : "declined") << (closed ? " closed" : " open"));
      const std::int32_t n = hexagon.n;
      const InstrumentUse use{usual, centring_i * 1000.0, centring_t * 1000.0, sets};
      const ObservationModel model = build_observation_model(hexagon, TraverseShape{mode, closed, false}, use);
      const EndpointCovariance last = closed ? final_end : EndpointCovariance{};
      const TraverseCovariance predicted = blocks_of(hexagon, model, start_end, last);
      const NetworkAdjustment adjustment(model, AdjustmentPlan{2, closed ? n - 1 : n, {}});

      std::vector<double> planned;
      for (const Point& q : hexagon.points) planned.insert(planned.end(), {q.m, q.p});
      const double direction_sd = std::sqrt((mode == gon ? 2.0 : 1.0) / sets) * (5.0 / 3600.0 * pi / 180.0);
      std::mt19937_64 random(11);
      std::normal_distribution<double> unit;
      const int samples = 20000;
      const std::size_t size = planned.size();
      std::vector<std::vector<double>> moments(size, std::vector<double>(size, 0.0));
      for (int sample = 0; sample < samples; ++sample) {
        std::vector<double> ends(size, 0.0);  // the known points' errors
        for (const auto& [point, c] : {std::pair{1, start_end}, std::pair{n, last}}) {
          if (point == n && !closed) continue;
          const auto r = static_cast<std::size_t>(2 * point - 2);
          const double z1 = unit(random), z2 = unit(random), l21 = c.s_m > 0 ? c.s_mp / c.s_m : 0.0;
          ends[r] = c.s_m * z1;
          ends[r + 1] = l21 * z1 + std::sqrt(square(c.s_p) - square(l21)) * z2;
        }
        std::vector<double> rhs(2 * static_cast<std::size_t>(closed ? n - 2 : n - 1), 0.0);
        for (const WeightedSetup& weighted : adjustment.weighted_setups()) {
          const StationSetup& setup = model.setups[weighted.setup];
          std::vector<double> at = planned;  // where the instrument and its targets stand
          const auto displace = [&](std::int32_t point, double sd) {
            const auto r = static_cast<std::size_t>(2 * point - 2);
            at[r] += sd * unit(random);
            at[r + 1] += sd * unit(random);
          };
          displace(setup.station, centring_i);
          if (mode == gon && setup.station > 1) displace(setup.station - 1, centring_t);
          if (setup.station < n) displace(setup.station + 1, centring_t);
          // The known points' own errors are those of the marks, not of the setups.
          for (std::size_t c = 0; c < size; ++c) at[c] += ends[c];
          std::vector<double> misfit(setup.count);
          for (std::size_t k = 0; k < setup.count; ++k) {
            const Observation& o = setup.observations[k];
            const auto side = [&](std::int32_t to, const std::vector<double>& x) {
              return to == reference_direction ? 0.0 : bearing(x, o.station, to);
            };
            double observed = 0.0, planned_value = 0.0;
            if (o.kind == ObservationKind::distance) {
              const auto i = static_cast<std::size_t>(2 * o.station - 2), j = i + 2;
              observed = std::hypot(at[j] - at[i], at[j + 1] - at[i + 1]);
              planned_value = std::hypot(planned[j] - planned[i], planned[j + 1] - planned[i + 1]);
              observed += std::sqrt(distance_variance(usual, planned_value)) * unit(random);
            } else {
              observed = side(o.forward, at) - side(o.back, at) + direction_sd * unit(random);
              planned_value = side(o.forward, planned) - side(o.back, planned);
            }
            misfit[k] = std::remainder(observed - planned_value, 2.0 * pi);
          }
          // A^T P (l - l0) over the unknowns.
          for (std::size_t x = 0; x < weighted.count; ++x) {
            double weighted_misfit = 0.0;
            for (std::size_t y = 0; y < weighted.count; ++y) weighted_misfit += weighted.weight[x][y] * misfit[weighted.used[y]];
            const Observation& o = setup.observations[weighted.used[x]];
            for (std::size_t d = 0; d < o.derivative_count; ++d) {
              if (!adjustment.is_unknown(o.derivatives[d].point)) continue;
              const std::size_t r = adjustment.row_of(o.derivatives[d].point);
              rhs[r] += o.derivatives[d].by_m * weighted_misfit;
              rhs[r + 1] += o.derivatives[d].by_p * weighted_misfit;
            }
          }
        }
        adjustment.solve(rhs);
        // The marks stand away from their given coordinates by `ends`: that is the given
        // coordinates' error, with the opposite sign.
        std::vector<double> error(size);
        for (std::size_t c = 0; c < size; ++c) error[c] = -ends[c];
        for (std::int32_t point = 2; point <= (closed ? n - 1 : n); ++point) {
          const auto r = static_cast<std::size_t>(2 * point - 2);
          error[r] = rhs[adjustment.row_of(point)];
          error[r + 1] = rhs[adjustment.row_of(point) + 1];
        }
        for (std::size_t i = 0; i < size; ++i)
          for (std::size_t j = 0; j < size; ++j) moments[i][j] += error[i] * error[j] / samples;
      }
      // Four standard errors of a second moment: sqrt((s_ii s_jj + s_ij^2) / N).
      const auto tolerance = [&](std::size_t i, std::size_t j) {
        return 4.0 * std::sqrt((moments[i][i] * moments[j][j] + square(moments[i][j])) / samples) + 1e-30;
      };
      for (std::size_t k = 1; k < static_cast<std::size_t>(n); ++k) {
        const Covariance2& c = predicted.points[k];
        const std::size_t r = 2 * k;
        EXPECT_NEAR(c.var_m, moments[r][r], tolerance(r, r)) << "point " << k + 1;
        EXPECT_NEAR(c.var_p, moments[r + 1][r + 1], tolerance(r + 1, r + 1)) << "point " << k + 1;
        EXPECT_NEAR(c.cov_mp, moments[r][r + 1], tolerance(r, r + 1)) << "point " << k + 1;
        const Matrix2& x = predicted.neighbours[k - 1];
        EXPECT_NEAR(x.mm, moments[r - 2][r], tolerance(r - 2, r)) << "points " << k << "+1";
        EXPECT_NEAR(x.pp, moments[r - 1][r + 1], tolerance(r - 1, r + 1)) << "points " << k << "+1";
      }
    }
  }
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
