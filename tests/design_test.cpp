// The design sheet's bounded search against the full one it must equal exactly (the
// design sheet itself is held to a dense survey in propagation_checks_decision.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "propagation/design.hpp"
#include "propagation/ellipse.hpp"
#include "propagation/worst_ratio_search.hpp"

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

// A planned traverse of n points wandering from (1000, 1000), each leg between `shortest`
// and `longest` m (spread evenly in the logarithm), the bearing turning up to 50 gon
// either way; named P1, P2, ... A loop comes back to its first mark; `ends_apart` moves
// the last point that far east of it instead.
PointList wandering(std::int32_t n, double shortest, double longest, bool loop, std::uint32_t seed,
                    double ends_apart = 0.0) {
  PointList list;
  double m = 1000.0, p = 1000.0, bearing = 0.7;
  const auto next = [&seed] {
    seed = seed * 1103515245U + 12345U;
    return static_cast<double>((seed >> 8) % 10000) / 10000.0;
  };
  for (std::int32_t i = 1; i <= n; ++i) {
    list.points.push_back(Point{"P" + std::to_string(i), m, p});
    const double leg = shortest * std::exp(next() * std::log(longest / shortest));
    bearing += (next() - 0.5) * pi / 2.0;
    m += leg * std::sin(bearing);
    p += leg * std::cos(bearing);
  }
  if (loop) list.points.back() = list.points.front();
  list.points.back().m += ends_apart;
  list.n = n;
  return list;
}

enum class Kind { open, closed, loop };

// The model's shape and ends as the analysis takes them: a declined closed traverse's
// exact, a loop's one point the initial covariance.
struct Traverse {
  TraverseShape shape;
  EndpointCovariance initial, final_point;
};
Traverse traverse_of(Kind kind, ObservationMode mode) {
  const TraverseShape shape{mode, kind != Kind::open, kind == Kind::loop};
  if (kind == Kind::open) return {shape, start_end, {}};
  if (mode == ObservationMode::declined) return {shape, {}, {}};
  return {shape, start_end, kind == Kind::loop ? start_end : final_end};
}

constexpr auto g = ObservationMode::goniometric;
constexpr auto d = ObservationMode::declined;

// Exactly: the same pairs, the same arithmetic.
void expect_same_ratio(double fast, double full) {
  if (std::isnan(full)) {
    EXPECT_TRUE(std::isnan(fast));
  } else {
    EXPECT_EQ(fast, full);
  }
}

// The design sheet from the bounded search is the one from every pair swept for every
// use, field by field: limits inside the grid and at neither end, the sets, every class
// of the catalogue, over every shape, both modes, with centring or not and each kind of
// tolerance ({relative?, mm, ppm, point?, mm}), on traverses long enough for the bounds
// to pass over most pairs, and with legs from 20 m to 2 km side by side.
TEST(Design, BoundedSearchGivesTheSheetOfTheFullSearch) {
  const PointList zig = zig_zag(), sixty = wandering(60, 80, 400, false, 1), sixty_loop = wandering(60, 80, 400, true, 1),
                  spread = wandering(40, 20, 2000, false, 7), spread_loop = wandering(40, 20, 2000, true, 7);
  const struct {
    const PointList& points;
    Kind kind;
    ObservationMode mode;
    double centring_mm;
    Tolerances tolerances;
  } cases[] = {
      {zig, Kind::closed, g, 1.0, {true, 20, 50, true, 25}},  {zig, Kind::open, d, 0.0, {true, 10, 30, false, 0}},
      {sixty, Kind::closed, g, 1.5, {true, 20, 50, false, 0}}, {sixty, Kind::closed, g, 0.0, {false, 0, 0, true, 40}},
      {sixty, Kind::closed, d, 1.5, {true, 15, 20, true, 30}}, {sixty, Kind::open, g, 0.0, {true, 30, 100, false, 0}},
      {sixty, Kind::open, d, 2.0, {true, 20, 50, true, 100}},  {sixty_loop, Kind::loop, g, 1.0, {true, 10, 20, false, 0}},
      {sixty_loop, Kind::loop, d, 0.0, {true, 20, 0, true, 50}}, {spread, Kind::closed, g, 1.0, {true, 20, 50, true, 60}},
      {spread, Kind::open, g, 0.0, {true, 0, 80, false, 0}},   {spread_loop, Kind::loop, g, 2.0, {true, 25, 40, false, 0}},
  };
  int limits_found = 0, limits_missing = 0;
  for (std::size_t row = 0; row < std::size(cases); ++row) {
    const auto& c = cases[row];
    SCOPED_TRACE(row);
    const Traverse t = traverse_of(c.kind, c.mode);
    const InstrumentUse given{{3, 2, 5}, c.centring_mm, c.centring_mm, 1};
    const AdjustedTraverse joint(c.points, build_observation_model(c.points, t.shape, given), t.initial, t.final_point);
    const std::optional<PairTest> worst =
        c.tolerances.relative ? sweep_pairs(c.points, joint, k95, c.tolerances).worst : std::nullopt;
    const DesignInput input{t.shape, given, t.initial, t.final_point, k95, c.tolerances};
    const DesignSheet fast = design_sheet(c.points, joint, input, worst, DesignSearch::bounded);
    const DesignSheet full = design_sheet(c.points, joint, input, worst, DesignSearch::every_pair);
    const std::optional<double> limits[][2] = {{fast.limit_seconds, full.limit_seconds}, {fast.limit_mm, full.limit_mm},
                                               {fast.limit_ppm, full.limit_ppm}, {fast.limit_centring, full.limit_centring}};
    for (const auto& limit : limits) {
      EXPECT_EQ(limit[0], limit[1]);
      ++(limit[1] ? limits_found : limits_missing);
    }
    EXPECT_EQ(fast.fewest_sets, full.fewest_sets);
    ASSERT_EQ(fast.catalogue.size(), full.catalogue.size());
    for (std::size_t i = 0; i < full.catalogue.size(); ++i) expect_same_ratio(fast.catalogue[i].ratio, full.catalogue[i].ratio);
  }
  EXPECT_GT(limits_found, 5);  // the table reaches both kinds of answer
  EXPECT_GT(limits_missing, 5);
}

// One search asked use after use, from very good instruments to very poor and back,
// answers each exactly as worst_ratio does (the ratio, or whether it meets 1): from a
// seed that is not the worst pair, from none, with coincident marks under a tolerance
// of nothing (a ratio without bound), with known ends 40 m apart, with points alone.
// Where the points decide, as on any long traverse, it solves a few columns a use
// where the full search solves one for every point.
TEST(Design, SearchAnswersEachUseAsTheFullSearch) {
  const PointList sixty = wandering(60, 80, 400, false, 3), ends_apart = wandering(50, 100, 300, true, 9, 40.0),
                  long_one = wandering(400, 80, 300, false, 21);
  PointList crossing = wandering(45, 100, 300, false, 5);  // back over its third mark at point 30
  crossing.at(30).m = crossing.at(3).m;
  crossing.at(30).p = crossing.at(3).p;
  const struct {
    const PointList& points;
    Kind kind;
    ObservationMode mode;
    Tolerances tolerances;
    std::optional<PairTest> seed;
    std::uint64_t most_columns_per_use;  // 0: no limit
  } cases[] = {
      {sixty, Kind::closed, g, {true, 20, 50, false, 0}, PairTest{1, 2, 0, 0, 0, 0}, 0},
      {sixty, Kind::open, g, {true, 5, 10, true, 50}, std::nullopt, 0},
      {sixty, Kind::closed, d, {true, 10, 0, false, 0}, PairTest{1, 60, 0, 0, 0, 0}, 0},
      {crossing, Kind::closed, g, {true, 0, 50, false, 0}, std::nullopt, 0},
      {ends_apart, Kind::closed, g, {true, 10, 20, false, 0}, std::nullopt, 0},
      {sixty, Kind::closed, g, {false, 0, 0, true, 20}, std::nullopt, 0},
      {long_one, Kind::closed, g, {true, 20, 50, true, 50}, std::nullopt, 20},
  };
  std::vector<InstrumentUse> uses;
  for (const double seconds : {1.0, 100.0, 0.1, 5.0, 20.0}) {
    for (const double centring : {0.0, 3.0}) uses.push_back(InstrumentUse{{2, 2, seconds}, centring, centring, 1});
  }
  uses.push_back(InstrumentUse{{0.0001, 100, 5}, 1, 1, 4});
  uses.push_back(InstrumentUse{{100, 0.0001, 5}, 20, 20, 20});
  for (std::size_t row = 0; row < std::size(cases); ++row) {
    const auto& c = cases[row];
    SCOPED_TRACE(row);
    const Traverse t = traverse_of(c.kind, c.mode);
    WorstRatioSearch ratios(c.points, t.shape, t.initial, t.final_point, k95, c.tolerances, c.seed);
    WorstRatioSearch verdicts(c.points, t.shape, t.initial, t.final_point, k95, c.tolerances, c.seed);
    for (const InstrumentUse& use : uses) {
      const double full = worst_ratio(c.points, t.shape, use, t.initial, t.final_point, k95, c.tolerances);
      expect_same_ratio(ratios.worst_ratio(use), full);
      EXPECT_EQ(verdicts.meets_all(use), meets(full));
    }
    if (c.most_columns_per_use > 0) {
      EXPECT_LE(ratios.columns_solved(), c.most_columns_per_use * uses.size());
      EXPECT_LE(verdicts.columns_solved(), c.most_columns_per_use * uses.size());
    }
  }
}

// Each pair's computed ratio stays under its bound, alone, through a landmark and by
// blocks, given the largest band_difference of any column: on a long traverse, a loop,
// known ends 40 m apart, and legs of 20 m to 2 km side by side (where the band and the
// columns part in the seventh digit of a leg's axis, and a bound without the widening
// fell below the ratio); with a tolerance all distance too, where a block's smallest
// distance must not be overstated.
TEST(Design, BoundsStayAboveEveryPairsRatio) {
  const struct {
    PointList points;
    Kind kind;
    ObservationMode mode;
    double centring_mm;
  } cases[] = {
      {wandering(150, 80, 400, false, 11), Kind::closed, g, 1.0}, {wandering(80, 80, 400, true, 12), Kind::loop, g, 0.0},
      {wandering(80, 50, 600, false, 13), Kind::open, d, 2.0},    {wandering(281, 20, 2000, false, 14), Kind::open, g, 0.0},
      {wandering(50, 100, 300, true, 9, 40.0), Kind::closed, g, 1.0},
  };
  for (const auto& c : cases) {
    const std::int32_t n = c.points.n;
    const Traverse t = traverse_of(c.kind, c.mode);
    const InstrumentUse use{{3, 2, 5}, c.centring_mm, c.centring_mm, 1};
    const AdjustedTraverse joint(c.points, build_observation_model(c.points, t.shape, use), t.initial, t.final_point);
    std::vector<double> own;
    for (std::int32_t i = 1; i <= n; ++i) own.push_back(ellipse_parameters(joint.point(i), k95).a);
    // Every pair's relative axis as the full search computes it, at [(j - 1) n + i - 1].
    std::vector<double> axes(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
    std::vector<Matrix2> cross;
    double difference = 0.0;
    std::optional<Matrix2> ends_cross;
    for (std::int32_t j = 1; j <= n; ++j) {
      joint.column(j, cross);
      difference = std::max(difference, band_difference(joint, j, cross));
      if (j == n && c.kind != Kind::open) ends_cross = cross[0];
      for (std::int32_t i = 1; i <= n; ++i) {
        axes[static_cast<std::size_t>((j - 1) * n + i - 1)] = ellipse_parameters(
            AdjustedTraverse::relative(joint.point(i), joint.point(j), cross[static_cast<std::size_t>(i - 1)]), k95).a;
      }
    }
    Landmark landmark{n / 3, {}};
    for (std::int32_t i = 1; i <= n; ++i) landmark.axes.push_back(axes[static_cast<std::size_t>((n / 3 - 1) * n + i - 1)]);
    for (const Tolerances& tolerances : {Tolerances{true, 5, 20, false, 0}, Tolerances{true, 0, 50, false, 0}}) {
      const PairBounds bounds(c.points, joint, own, k95, difference, ends_cross, tolerances);
      int failures = 0;
      for (std::size_t y = 0; y < bounds.blocks(); ++y) {
        for (std::size_t x = 0; x <= y; ++x) {
          const double block = bounds.block_ratio(x, y);
          for (std::int32_t j = bounds.block_first(y); j <= bounds.block_last(y); ++j) {
            for (std::int32_t i = bounds.block_first(x); i <= bounds.block_last(x) && i < j; ++i) {
              if (joint.is_known(i) && joint.is_known(j)) continue;
              const Point &from = c.points.at(i), &to = c.points.at(j);
              const double ratio = tolerance_ratio(axes[static_cast<std::size_t>((j - 1) * n + i - 1)],
                                                   tolerances.relative_limit(leg_length(to.m - from.m, to.p - from.p)));
              if (!(ratio <= bounds.ratio(i, j) && ratio <= bounds.ratio(i, j, &landmark) && ratio <= block)) ++failures;
            }
          }
        }
      }
      EXPECT_EQ(failures, 0) << n << " points, " << tolerances.relative_mm << " mm";
    }
  }
}

}  // namespace
}  // namespace elipses
