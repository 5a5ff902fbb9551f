// The decision of analyse() against the dense reference of propagation_checks_dense_survey:
// every pair and point with its ratio and verdict, the legs, the design sheet (worst point
// and pair, their budgets, the largest contributions, the limits found by scanning the
// whole grid, the fewest sets, the catalogue) and the reliability, over small traverses of
// both modes, open, closed and loops, with and without centring and sets, and each kind of
// tolerance. Each quantity is held to a tolerance in its own unit.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <ostream>
#include <string>
#include <tuple>

#include "propagation/analysis.hpp"
#include "propagation_checks_dense_survey.hpp"

namespace elipses {
namespace {

using checks::Tolerance;

struct Plan {
  std::vector<double> m, p;
  bool loop = false;        // the last record names the first mark again
  bool exact_ends = false;  // tied to marks taken as exact, whatever the request says
};

const Plan zig_zag{{1000, 1180, 1290, 1240, 1060, 950, 830, 700}, {1000, 1070, 1230, 1400, 1460, 1320, 1450, 1380}};
// On a national grid, legs of 120 to 420 m.
const Plan grid{{-87026.429, -86811.302, -86693.115, -86452.870, -86370.004, -86102.551},
                {-103213.155, -103147.880, -102801.014, -102725.395, -102466.112, -102540.733},
                false,
                true};
const Plan loop_plan{{1000, 1180, 1290, 1240, 1060, 950, 1000}, {1000, 1070, 1230, 1400, 1460, 1320, 1000}, true};

struct DecisionCase {
  const char* label;
  const Plan* plan;
  bool goniometric, closed;
  checks::Instruments use;
  double k;
  Tolerance tolerance;
  bool design;
};

void PrintTo(const DecisionCase& c, std::ostream* os) { *os << c.label; }

const checks::StartCov start_end{0.005, 0.007, 1e-5}, final_end{0.008, 0.006, -2e-5};

constexpr bool g = true, d = false, open = false, closed = true;

const DecisionCase cases[] = {
    {"g_open_plain_both", &zig_zag, g, open, {3, 2, 5}, 2.447, {true, 20, 50, true, 60}, true},
    {"g_closed_plain_point", &zig_zag, g, closed, {3, 2, 5}, 2.447, {false, 0, 0, true, 25}, true},
    {"g_closed_centring_sets_relative", &zig_zag, g, closed, {3, 2, 5, false, 2, 1.5, 3}, 2.146, {true, 12, 30}, true},
    {"g_loop_centring_sets_both", &loop_plan, g, closed, {2, 2, 3, false, 1, 1, 2}, 2.447, {true, 10, 40, true, 20},
     true},
    {"g_closed_cc_design_only", &zig_zag, g, closed, {3, 2, 15, true, 1, 0.5}, 1.0, {}, true},
    {"g_open_centring_sets_relative_mm", &zig_zag, g, open, {2, 1, 3, false, 2, 2, 2}, 1.177, {true, 15, 0}, false},
    {"g_grid_exact_ends_centring_both", &grid, g, closed, {2, 1.5, 2, false, 1.5, 1}, 2.447, {true, 8, 20, true, 12},
     true},
    {"d_open_cc_relative_ppm_only", &zig_zag, d, open, {3, 2, 60, true}, 1.0, {true, 0, 60}, true},
    {"d_closed_target_centring_both", &zig_zag, d, closed, {3, 2, 10, false, 0, 1}, 3.035, {true, 20, 40, true, 30},
     true},
    {"d_loop_plain_point", &loop_plan, d, closed, {2, 2, 8}, 2.447, {false, 0, 0, true, 15}, true},
    {"d_grid_sets_relative", &grid, d, closed, {3, 1, 6, false, 0, 0, 4}, 2.447, {true, 10, 25}, true},
};

struct Reference {
  checks::Traverse traverse;
  checks::Geometry geometry;
  checks::DenseSolution dense;
  checks::Decision decision;
};

Reference reference_of(const DecisionCase& c) {
  checks::Traverse t{c.plan->m, c.plan->p, c.goniometric, c.closed, start_end, final_end, c.plan->loop};
  if (c.plan->exact_ends) t.initial = t.final_point = {};
  Reference r{t, checks::geometry_of(t), {}, {}};
  r.dense = checks::solve(r.geometry, c.use);
  r.decision = checks::decide(t, r.dense, c.k, c.tolerance);
  return r;
}

PreAnalysis analysed(const DecisionCase& c, const checks::Traverse& t) {
  PlannedTraverse planned;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const std::size_t name = t.loop && i + 1 == t.size() ? 1 : i + 1;
    planned.forward.points.push_back(Point{"P" + std::to_string(name) + "  ", t.m[i], t.p[i]});
  }
  planned.forward.n = static_cast<std::int32_t>(t.size());
  planned.backward = planned.forward;
  std::reverse(planned.backward.points.begin(), planned.backward.points.end());
  AnalysisRequest request;
  request.has_mode = true;
  request.mode = c.goniometric ? ObservationMode::goniometric : ObservationMode::declined;
  request.closed = c.closed;
  const checks::Instruments& u = c.use;
  request.use = InstrumentUse{{u.mm, u.ppm, u.seconds, u.cc ? AngleUnit::centesimal_seconds : AngleUnit::arc_seconds},
                              u.instrument_centring_mm, u.target_centring_mm, u.sets};
  request.initial_point = {t.initial.s_m, t.initial.s_p, t.initial.s_mp};
  request.final_point = {t.final_point.s_m, t.final_point.s_p, t.final_point.s_mp};
  request.k = c.k;
  request.further = FurtherResults{false, true, c.closed, false, c.design, {}};
  Tolerances& tolerances = request.further.tolerances;
  tolerances.relative = c.tolerance.relative;
  tolerances.relative_mm = c.tolerance.relative_mm;
  tolerances.relative_ppm = c.tolerance.relative_ppm;
  tolerances.point = c.tolerance.point;
  tolerances.point_mm = c.tolerance.point_mm;
  return analyse(planned, request);
}

// Relative agreement, for quantities that are never near zero in these traverses.
void expect_relative(double got, double want, double tolerance, const std::string& what) {
  EXPECT_NEAR(got, want, tolerance * std::fabs(want) + 1e-15) << what;
}

// A pair's identity in a ranked list is checked unless its ratio ties with a neighbour's
// to within what rounding may reorder.
bool tied(const std::vector<checks::PairFigure>& ranked, std::size_t at) {
  const auto close = [&](std::size_t x) {
    return x < ranked.size() && std::fabs(ranked[x].ratio - ranked[at].ratio) <= 1e-9 * ranked[at].ratio;
  };
  return close(at + 1) || (at > 0 && close(at - 1));
}

void expect_pair(const PairTest& got, const checks::PairFigure& want, bool check_identity, const std::string& what) {
  expect_relative(got.ratio, want.ratio, 1e-8, what + " ratio");
  if (!check_identity) return;
  EXPECT_EQ(got.from, want.from) << what;
  EXPECT_EQ(got.to, want.to) << what;
  expect_relative(got.distance, want.distance, 1e-12, what + " D");
  expect_relative(got.a, want.a, 1e-8, what + " a");
  expect_relative(got.tolerance, want.tolerance, 1e-12, what + " tolerance");
}

// Semi-major axis along its direction: v . x for point i (and minus point `minus`).
std::vector<checks::Real> along_major_axis(std::size_t n, std::size_t point, std::size_t minus, const checks::Cov& c) {
  const checks::Axes axes = checks::principal_axes(c, 1.0);
  std::vector<checks::Real> v(2 * n, 0.0L);
  v[2 * point - 2] = std::sin(static_cast<checks::Real>(axes.teta));
  v[2 * point - 1] = std::cos(static_cast<checks::Real>(axes.teta));
  if (minus != 0) v[2 * minus - 2] = -v[2 * point - 2], v[2 * minus - 1] = -v[2 * point - 1];
  return v;
}

// Rows point i, columns point j (mm, mp, pm, pp), m^2, to 1e-9 of the scale of each entry.
void expect_block(const checks::DenseSolution& dense, std::size_t i, std::size_t j, const std::array<double, 4>& got,
                  const char* what) {
  const auto& full = dense.covariance;
  for (std::size_t e = 0; e < 4; ++e) {
    const std::size_t r = 2 * i - 2 + e / 2, q = 2 * j - 2 + e % 2;
    const double scale = static_cast<double>(std::sqrt(full[r][r] * full[q][q]));
    EXPECT_NEAR(got[e], static_cast<double>(full[r][q]), 1e-9 * scale) << what << " " << i << ", " << j;
  }
}

void expect_budget(const ErrorSources& got, const checks::Budget& want, const std::string& what) {
  const double shares[] = {got.directions,         got.distances_fixed, got.distances_ppm,
                           got.instrument_centring, got.target_centring, got.known_points};
  for (std::size_t s = 0; s < 6; ++s) EXPECT_NEAR(shares[s], want.percent[s], 1e-6) << what << " source " << s;
}

class Decision : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(Decision, AgreesWithTheDenseReference) {
  const DecisionCase& c = GetParam();
  const Reference ref = reference_of(c);
  const checks::Traverse& t = ref.traverse;
  const checks::Decision& want = ref.decision;
  const std::size_t n = t.size();
  const PreAnalysis got = analysed(c, t);
  ASSERT_EQ(got.refusal, Refusal::none);
  ASSERT_TRUE(got.further);

  // Each point's covariance and the block between neighbours as the further results take
  // them, and every point against every other from the factor's columns.
  ASSERT_EQ(got.joint.points.size(), n);
  for (std::size_t i = 1; i <= n; ++i) {
    const Covariance2& x = got.joint.points[i - 1];
    expect_block(ref.dense, i, i, {x.var_m, x.cov_mp, x.cov_mp, x.var_p}, "point");
    if (i == n) break;
    const Matrix2& y = got.joint.neighbours[i - 1];
    expect_block(ref.dense, i, i + 1, {y.mm, y.mp, y.pm, y.pp}, "neighbours");
  }
  const TraverseShape shape{c.goniometric ? ObservationMode::goniometric : ObservationMode::declined, c.closed, t.loop};
  const AdjustedTraverse joint(got.points.forward, build_observation_model(got.points.forward, shape, got.request.use),
                               got.initial_end, got.final_end);
  std::vector<Matrix2> cross;
  for (std::size_t j = 1; j <= n; ++j) {
    joint.column(static_cast<std::int32_t>(j), cross);
    for (std::size_t i = 1; i <= n; ++i) {
      const Matrix2& x = cross[i - 1];
      expect_block(ref.dense, i, j, {x.mm, x.mp, x.pm, x.pp}, "column");
    }
  }

  // The legs' relative ellipses and, with a relative tolerance, their verdicts.
  ASSERT_TRUE(got.legs);
  for (std::size_t i = 1; i < n; ++i) {
    const auto is_leg = [&](const checks::PairFigure& f) {
      return f.from == static_cast<std::int32_t>(i) && f.to == static_cast<std::int32_t>(i + 1);
    };
    const checks::PairFigure& leg = *std::find_if(want.pairs.begin(), want.pairs.end(), is_leg);
    const LegEllipse& x = got.legs->legs[i - 1];
    expect_relative(x.ellipse.a, leg.a, 1e-8, "leg " + std::to_string(i) + " a");
    ASSERT_EQ(x.test.has_value(), c.tolerance.relative);
    if (x.test) expect_relative(x.test->ratio, leg.ratio, 1e-8, "leg " + std::to_string(i) + " ratio");
  }

  // Every pair: counted, ranked worst first, the worst one named.
  for (const checks::PairFigure& f : want.pairs) {
    ASSERT_GT(std::fabs(f.ratio - 1.0), 1e-6) << "a pair on the edge makes the count depend on rounding";
  }
  ASSERT_EQ(got.pairs.has_value(), c.tolerance.relative);
  if (got.pairs) {
    const PairSweep& sweep = *got.pairs;
    const auto exceeding = static_cast<std::size_t>(std::count_if(
        want.pairs.begin(), want.pairs.end(), [](const checks::PairFigure& f) { return f.ratio > 1.0; }));
    EXPECT_EQ(sweep.tested, n * (n - 1) / 2);
    EXPECT_EQ(sweep.exceeding, exceeding);
    ASSERT_EQ(sweep.worst_exceeding.size(), exceeding);
    ASSERT_EQ(sweep.worst_passing.size(), std::min<std::size_t>(10, want.pairs.size() - exceeding));
    for (std::size_t p = 0; p < want.pairs.size() && p < exceeding + 10; ++p) {
      const PairTest& x = p < exceeding ? sweep.worst_exceeding[p] : sweep.worst_passing[p - exceeding];
      expect_pair(x, want.pairs[p], !tied(want.pairs, p), "ranked pair " + std::to_string(p + 1));
    }
    ASSERT_TRUE(sweep.worst && want.worst_pair);
    const auto worst_at = std::find_if(want.pairs.begin(), want.pairs.end(), [&](const checks::PairFigure& f) {
      return f.from == want.worst_pair->from && f.to == want.worst_pair->to;
    });
    const auto worst_rank = static_cast<std::size_t>(worst_at - want.pairs.begin());
    expect_pair(*sweep.worst, *want.worst_pair, !tied(want.pairs, worst_rank), "worst pair");
  }

  // Every point against its tolerance; the worst computed one named.
  ASSERT_EQ(got.point_tests.has_value(), c.tolerance.point);
  if (got.point_tests) {
    std::size_t exceeding = 0;
    for (std::size_t i = 1; i <= n; ++i) {
      const PointTest& x = got.point_tests->points[i - 1];
      ASSERT_GT(std::fabs(want.point_ratio[i - 1] - 1.0), 1e-6) << "point " << i << " on the edge";
      expect_relative(x.a, want.point_a[i - 1], 1e-8, "point " + std::to_string(i) + " a");
      expect_relative(x.ratio, want.point_ratio[i - 1], 1e-8, "point " + std::to_string(i) + " ratio");
      if (want.point_ratio[i - 1] > 1.0) ++exceeding;
    }
    EXPECT_EQ(got.point_tests->exceeding, exceeding);
    EXPECT_EQ(got.point_tests->worst, want.worst_point);
  }

  // The design sheet.
  ASSERT_EQ(got.design.has_value(), c.design);
  if (got.design) {
    const DesignSheet& sheet = *got.design;
    std::size_t worst_point = 0;
    for (std::size_t i = 2; i <= (c.closed ? n - 1 : n); ++i) {
      if (worst_point == 0 || want.point_a[i - 1] > want.point_a[worst_point - 1]) worst_point = i;
    }
    EXPECT_EQ(sheet.worst_point, static_cast<std::int32_t>(worst_point));
    expect_relative(sheet.worst_point_a, want.point_a[worst_point - 1], 1e-8, "worst point a");
    // The sweep's worst pair; without a relative tolerance, the leg of largest relative axis.
    checks::PairFigure worst_pair;
    if (c.tolerance.relative) {
      ASSERT_TRUE(got.pairs && got.pairs->worst);
      EXPECT_EQ(sheet.worst_pair.from, got.pairs->worst->from);
      EXPECT_EQ(sheet.worst_pair.to, got.pairs->worst->to);
      worst_pair = *std::find_if(want.pairs.begin(), want.pairs.end(), [&](const checks::PairFigure& f) {
        return f.from == sheet.worst_pair.from && f.to == sheet.worst_pair.to;
      });
    } else {
      for (const checks::PairFigure& f : want.pairs) {
        const bool leg = f.to == f.from + 1 && !(checks::is_known(t, static_cast<std::size_t>(f.from)) &&
                                                  checks::is_known(t, static_cast<std::size_t>(f.to)));
        if (leg && f.a > worst_pair.a) worst_pair = f;
      }
      EXPECT_EQ(sheet.worst_pair.from, worst_pair.from);
      EXPECT_EQ(sheet.worst_pair.to, worst_pair.to);
    }
    expect_relative(sheet.worst_pair.a, worst_pair.a, 1e-8, "worst pair a");

    const checks::Budget point_budget = checks::budget(
        ref.geometry, ref.dense, along_major_axis(n, worst_point, 0, checks::block(ref.dense, worst_point)));
    expect_budget(sheet.point_budget, point_budget, "point budget");
    const auto from = static_cast<std::size_t>(worst_pair.from), to = static_cast<std::size_t>(worst_pair.to);
    const std::vector<checks::Real> pair_axis = along_major_axis(n, to, from, checks::relative(ref.dense, from, to));
    expect_budget(sheet.pair_budget, checks::budget(ref.geometry, ref.dense, pair_axis), "pair budget");
    std::vector<double> shares = point_budget.by_sighting;
    std::sort(shares.rbegin(), shares.rend());
    ASSERT_EQ(sheet.contributions.size(), 5u);
    for (std::size_t s = 0; s < 5; ++s) {
      EXPECT_NEAR(sheet.contributions[s].percent, shares[s], 1e-6) << "contribution " << s;
    }

    // The limits by a scan of the whole grid; where the dense ratio stands within rounding
    // of 1 at the program's limit or the next grid value, either side is right.
    const bool any = c.tolerance.relative || c.tolerance.point;
    ASSERT_EQ(sheet.limit_seconds.has_value() || sheet.limit_mm.has_value() || !sheet.catalogue.empty(), any);
    if (any) {
      using Change = void (*)(checks::Instruments&, double);
      const struct {
        const char* what;
        const std::optional<double>& found;
        double lo, hi;
        Change change;
      } limits[] = {
          {"seconds", sheet.limit_seconds, 0.1, 100, [](checks::Instruments& u, double v) { u.seconds = v; }},
          {"mm", sheet.limit_mm, 0, 100, [](checks::Instruments& u, double v) { u.mm = v; }},
          {"ppm", sheet.limit_ppm, 0, 100, [](checks::Instruments& u, double v) { u.ppm = v; }},
          {"centring", sheet.limit_centring, 0, 20,
           [](checks::Instruments& u, double v) { u.instrument_centring_mm = u.target_centring_mm = v; }},
      };
      for (const auto& limit : limits) {
        const std::optional<double> scanned =
            checks::scanned_limit(ref.geometry, c.use, c.k, c.tolerance, limit.lo, limit.hi, limit.change);
        const double found = limit.found.value_or(limit.lo - 0.1), expected = scanned.value_or(limit.lo - 0.1);
        if (std::fabs(found - expected) < 0.05) continue;
        const double edge = std::min(found, expected) + 0.1;
        checks::Instruments at_edge = c.use;
        limit.change(at_edge, edge == 0.0 ? 0.0001 : edge);
        EXPECT_NEAR(checks::worst_ratio(ref.geometry, at_edge, c.k, c.tolerance), 1.0, 1e-9)
            << limit.what << ": found " << limit.found.value_or(-1) << ", scanned " << scanned.value_or(-1);
      }
      std::optional<std::int32_t> fewest;
      for (std::int32_t sets = 20; sets >= 1; --sets) {
        checks::Instruments u = c.use;
        u.sets = sets;
        if (checks::worst_ratio(ref.geometry, u, c.k, c.tolerance) <= 1.0) fewest = sets;
      }
      EXPECT_EQ(sheet.fewest_sets, fewest);
      ASSERT_EQ(sheet.catalogue.size(), 45u);
      std::optional<CatalogueClass> cheapest;
      for (const CatalogueClass& x : sheet.catalogue) {
        checks::Instruments u = c.use;
        u.seconds = x.seconds, u.mm = x.mm, u.ppm = x.ppm, u.cc = false;
        const double ratio = checks::worst_ratio(ref.geometry, u, c.k, c.tolerance);
        expect_relative(x.ratio, ratio, 1e-8, "class " + std::to_string(x.seconds) + "\" " + std::to_string(x.mm));
        // The cheapest-looking class that passes: the largest seconds, then mm, then ppm.
        const auto rank = [](const CatalogueClass& y) { return std::tie(y.seconds, y.mm, y.ppm); };
        if (ratio <= 1.0 && (!cheapest || rank(x) > rank(*cheapest))) cheapest = x;
      }
      ASSERT_EQ(sheet.cheapest.has_value(), cheapest.has_value());
      if (cheapest) {
        EXPECT_TRUE(sheet.cheapest->seconds == cheapest->seconds && sheet.cheapest->mm == cheapest->mm &&
                    sheet.cheapest->ppm == cheapest->ppm);
      }
    }
  }

  // The reliability of a closed traverse, observation by observation.
  ASSERT_EQ(got.reliability.has_value(), c.closed);
  if (got.reliability) {
    const std::vector<checks::SightingReliability> dense = checks::reliability(ref.geometry, ref.dense);
    const TraverseReliability& r = *got.reliability;
    ASSERT_EQ(r.observations.size(), ref.geometry.sightings.size());
    double redundancy = 0.0, worst_distance = 0.0, worst_direction = 0.0;
    std::size_t weak = 0;
    for (std::size_t k = 0; k < dense.size(); ++k) {
      const checks::Sighting& s = ref.geometry.sightings[k];
      const checks::SightingReliability& w = dense[k];
      const auto same = [&](const ObservationReliability& o) {
        const checks::Kind kind = o.kind == ObservationKind::angle      ? checks::Kind::angle
                                  : o.kind == ObservationKind::distance ? checks::Kind::distance
                                                                        : checks::Kind::bearing;
        return kind == s.kind && o.station == s.station && o.forward == s.forward &&
               (kind != checks::Kind::angle || o.back == s.back);
      };
      const auto found = std::find_if(r.observations.begin(), r.observations.end(), same);
      ASSERT_NE(found, r.observations.end()) << "observation " << k;
      const std::string what = "observation " + std::to_string(k) + " at station " + std::to_string(s.station);
      expect_relative(found->sigma, w.sigma, 1e-9, what + " sigma");
      EXPECT_NEAR(found->redundancy, w.redundancy, 1e-8) << what;
      expect_relative(found->minimal_bias, w.minimal_bias, 1e-7, what + " nabla");
      expect_relative(found->largest_shift, w.largest_shift, 1e-7, what + " shift");
      EXPECT_EQ(found->shifted_point, w.shifted_point) << what;
      redundancy += w.redundancy;
      if (w.redundancy < 0.1) ++weak;
      double& worst = s.kind == checks::Kind::distance ? worst_distance : worst_direction;
      worst = std::max(worst, w.minimal_bias);
    }
    EXPECT_NEAR(r.redundancy, redundancy, 1e-8);
    EXPECT_EQ(r.weak, weak);
    ASSERT_GE(r.worst_distance, 0);
    ASSERT_GE(r.worst_direction, 0);
    const auto bias_of = [&](std::ptrdiff_t at) { return r.observations[static_cast<std::size_t>(at)].minimal_bias; };
    expect_relative(bias_of(r.worst_distance), worst_distance, 1e-7, "worst distance");
    expect_relative(bias_of(r.worst_direction), worst_direction, 1e-7, "worst direction");
  }
}

INSTANTIATE_TEST_SUITE_P(SmallTraverses, Decision, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<DecisionCase>& row) { return row.param.label; });

}  // namespace
}  // namespace elipses
