#pragma once
// The decision a pre-analysis is for: does the plan meet its tolerances, which pairs and
// points do not, where the error of the worst comes from, and which precision, centring
// or number of sets would meet them. Every figure comes from the joint covariance of the
// setups' model (adjusted for a closed traverse, propagated for an open one) at the
// level's factor k.
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "propagation/tolerance.hpp"

namespace elipses {

// The largest ratio over every given tolerance: the pairs (two known ends left out) and
// the computed points. Pairs whose own points' axes add up to no more than the largest
// ratio found so far times their tolerance cannot beat it (a_ij <= a_i + a_j) and are
// passed over, and so is a point's whole column when none of its pairs could.
double worst_ratio(const PointList& points, const AdjustedTraverse& joint, double k, const Tolerances& tolerances);

// The same for the model built with `use`: what the limits and the catalogue evaluate,
// every pair swept (WorstRatioSearch gives the same ratios from far fewer columns).
double worst_ratio(const PointList& points, const TraverseShape& shape, const InstrumentUse& use,
                   const EndpointCovariance& initial_point, const EndpointCovariance& final_point, double k,
                   const Tolerances& tolerances);

// One observation's own instrument variance carried to the worst point, in % of its
// variance along the major axis.
struct ObservationShare {
  ObservationKind kind = ObservationKind::distance;
  std::int32_t back = reference_direction;  // as in Observation
  std::int32_t station = 0;
  std::int32_t forward = 0;
  double percent = 0.0;
};

// Instrument classes of the catalogue: directions in seconds, distances mm + ppm.
constexpr double catalogue_seconds[] = {0.5, 1, 2, 3, 5, 7, 10, 15, 20};
constexpr double catalogue_distances[][2] = {{1, 1}, {1, 1.5}, {2, 2}, {3, 2}, {5, 3}};

struct CatalogueClass {
  double seconds = 0.0;
  double mm = 0.0;
  double ppm = 0.0;
  double ratio = 0.0;  // the worst over every given tolerance
};

struct DesignSheet {
  std::int32_t worst_point = 0;  // 0 where no point is computed
  double worst_point_a = 0.0;    // m
  PairTest worst_pair;           // from = 0 where there is none
  ErrorSources point_budget;  // where the variance along the major axis comes from, in %
  ErrorSources pair_budget;
  std::vector<ObservationShare> contributions;  // the five largest, largest first
  // With a tolerance: the limits, everything else as given (nothing: even the lower
  // end fails), and the catalogue.
  std::optional<double> limit_seconds;  // in the unit the directions were given in
  std::optional<double> limit_mm;
  std::optional<double> limit_ppm;
  std::optional<double> limit_centring;
  std::optional<std::int32_t> fewest_sets;
  std::vector<CatalogueClass> catalogue;
  // The class of the catalogue that passes with the largest seconds, then the largest
  // millimetres, then the largest ppm: the cheapest-looking instrument. Nothing when none.
  std::optional<CatalogueClass> cheapest;
  bool limits_sought = false;  // with a tolerance, unless the traverse is too long for them
};

// What the design needs beyond the adjusted traverse: the model's inputs, to evaluate
// other instruments.
struct DesignInput {
  TraverseShape shape;
  InstrumentUse use;
  EndpointCovariance initial_point;
  EndpointCovariance final_point;
  double k = 1.0;
  Tolerances tolerances;
  // The limits and the catalogue are sought (with a tolerance); not where every pair of a
  // traverse too long to sweep would have to be weighed again for each use.
  bool seek_limits = true;
};

// How the limits and the catalogue evaluate each use: through WorstRatioSearch (the
// pairs that could be worst, then the rest bounded), or by worst_ratio over every pair
// for every use. Both give the same sheet; the second is the reference it is held to.
enum class DesignSearch { bounded, every_pair };

// `worst_pair`: the pair of largest ratio from the sweep with a relative tolerance;
// otherwise nothing, and the leg of largest relative axis is taken.
DesignSheet design_sheet(const PointList& points, const AdjustedTraverse& joint, const DesignInput& input,
                         const std::optional<PairTest>& worst_pair, DesignSearch search = DesignSearch::bounded,
                         Progress* progress = nullptr);

// The uses the limits and the catalogue weigh at the most: each bisection's steps, the
// sets', and the 45 classes; what a progress counts.
constexpr std::uint64_t design_uses = 12 + 12 + 12 + 10 + 6 + 45;

// The largest value on the grid lo, lo + 0.1, ..., hi for which `passes` holds, by
// bisection (the ratios grow with each precision); nothing when even lo fails.
template <typename Passes>
std::optional<double> largest_passing(double lo, double hi, Passes passes) {
  const std::int64_t steps = std::llround((hi - lo) * 10.0);
  const auto value = [&](std::int64_t i) { return (static_cast<double>(i) + lo * 10.0) / 10.0; };
  if (!passes(value(0))) return std::nullopt;
  if (passes(value(steps))) return value(steps);
  std::int64_t good = 0;
  std::int64_t bad = steps;
  while (bad - good > 1) {
    const std::int64_t middle = good + (bad - good) / 2;
    (passes(value(middle)) ? good : bad) = middle;
  }
  return value(good);
}

}  // namespace elipses
