#pragma once
// Pre-analysis of the heights carried along a traverse by trigonometric heighting: over each
// leg a zenith angle and a slope distance, with the heights of the instrument and of the
// target measured at every station. Before anything is observed the planned coordinates and
// heights give each leg's geometry, and the instruments' precision gives how well every
// height will come out: carried from the start (open traverse) or adjusted by least squares
// between the known heights (closed traverse, loop). Heights are independent of the
// horizontal errors.
//
// A leg's height difference shares errors with its neighbours only (the instrument and target
// heights of their common station, when observed both ways) and with every leg through the one
// refraction coefficient of the day, so the legs' covariance is tridiagonal plus rank one.
// With one condition at most (a closed traverse's sum of legs), every point's variance and
// every pair's follow from prefix sums along the legs: linear time and memory for the points,
// constant time for each pair asked.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "propagation/observation_model.hpp"
#include "propagation/progress.hpp"

namespace elipses {

// The mean radius of the earth for the curvature of the line of sight, m.
constexpr double earth_radius_m = 6371000.0;

struct HeightPrecision {
  double zenith_seconds = 0.0;  // one zenith angle, in zenith_unit
  AngleUnit zenith_unit = AngleUnit::arc_seconds;
  std::int32_t sets = 1;            // zenith angles observed in this many sets: their variance / sets
  double distance_fixed_mm = 0.0;   // slope distance, mm
  double distance_ppm = 0.0;        // slope distance, parts per million of its length
  double instrument_height_mm = 0.0;  // sigma_I of each station's one measurement, mm
  double target_height_mm = 0.0;      // sigma_T of each station's one measurement, mm
  double refraction = 0.13;           // k, dimensionless: moves the observed value only
  double refraction_sigma = 0.0;      // sigma_k of the traverse's one coefficient, dimensionless
  bool reciprocal = false;            // every leg observed from both ends, the two meaned
};

// The zenith angle as precise as the directions and the distances as given for the plan, the
// directions' sets applied to the zenith angles; heights of instrument and target exact, no
// refraction error, one-way.
HeightPrecision height_precision_from(const InstrumentUse& use);

// The known heights' standard deviations, m: the first point's and, closed, the last point's
// (a loop's one point has the first).
struct HeightEnds {
  double start_sigma_m = 0.0;
  double end_sigma_m = 0.0;
};

// Open: the heights carried from point 1. Closed: adjusted by least squares, with the legs'
// full covariance, between points 1 and n. Loop: adjusted, points 1 and n the same mark (their
// records are separate setups of instrument and target, as horizontally).
enum class HeightShape { open, closed, loop };

HeightShape height_shape(const TraverseShape& shape);

// The standard deviation of each term of one one-way height difference, m: each source alone.
struct HeightTerms {
  double distance = 0.0;    // cos z * sigma_S
  double zenith = 0.0;      // S sin z * sigma_z
  double refraction = 0.0;  // D^2 / (2R) * sigma_k
  double instrument = 0.0;  // sigma_I
  double target = 0.0;      // sigma_T

  double total() const;  // the terms in quadrature, m
};

// Over a leg of horizontal distance D (m) and height difference dH (m): S = sqrt(D^2 + dH^2),
// cos z = dH / S, sin z = D / S.
HeightTerms one_way_terms(double distance_m, double rise_m, const HeightPrecision& precision);

// The parts of one height variance by source, m^2; they add up to the whole.
struct HeightBudget {
  double distances = 0.0;
  double zenith_angles = 0.0;
  double refraction = 0.0;
  double instrument_heights = 0.0;
  double target_heights = 0.0;
  double known_heights = 0.0;

  double total() const {
    return distances + zenith_angles + refraction + instrument_heights + target_heights + known_heights;
  }
};

// The covariance of the computed heights, prepared once in linear time; each variance asked
// then costs a constant time. Points 1..n in file order; any other throws std::out_of_range.
class HeightCovariance {
 public:
  HeightCovariance() = default;
  // heights: each point's planned height, m, file order; std::invalid_argument unless one a
  // point. Assumes every leg of horizontal length > 0.
  HeightCovariance(const PointList& points, const std::vector<double>& heights, const HeightPrecision& precision,
                   const HeightEnds& ends, HeightShape shape);

  std::int32_t size() const { return static_cast<std::int32_t>(prefix_.size()); }
  // Held fixed in the adjustment: point 1, and point n of a closed traverse or loop.
  bool is_known(std::int32_t point) const { return point == 1 || (closed_ && point == size()); }
  // The variance of point i's computed height, m^2.
  double variance(std::int32_t i) const { return budget(i).total(); }
  // The variance of the difference of the computed heights of points i and j, m^2: the
  // budget's total, by the sums of all sources at once (what a sweep of every pair asks).
  double difference_variance(std::int32_t i, std::int32_t j) const;
  HeightBudget budget(std::int32_t i) const;
  HeightBudget difference_budget(std::int32_t i, std::int32_t j) const;

 private:
  static constexpr std::size_t sources = 4;  // distances, zenith angles, instrument, target
  // Sums over the legs before point j (legs 1..j-1), at [j - 1]; s_j is the sum of those
  // legs' errors, s_n the whole traverse's.
  struct Prefix {
    std::array<double, sources> own{};         // each leg's own variance by source, m^2
    std::array<double, sources> adjacent{};    // covariance of neighbouring legs both before j, m^2
    std::array<double, sources> with_whole{};  // cov(s_j, s_n) by source, m^2
    double refraction = 0.0;                   // the legs' D^2 / (2R) * sigma_k, m (one-way)
    double own_all = 0.0;                      // own, adjacent and with_whole summed over the sources
    double adjacent_all = 0.0;
    double with_whole_all = 0.0;
    double share = 0.0;                        // alpha_j: the part of the misclosure point j takes
  };
  HeightBudget legs_part(std::int32_t i, std::int32_t j) const;  // i < j
  void check(std::int32_t i) const;

  std::vector<Prefix> prefix_;
  std::array<double, sources> whole_{};  // var(s_n) by source, m^2
  double whole_all_ = 0.0;               // var(s_n) of every source but the refraction, m^2
  bool closed_ = false;
  bool loop_ = false;
  double start_variance_ = 0.0;  // m^2
  double end_variance_ = 0.0;    // m^2
};

// Leg i runs from point i to point i+1.
struct HeightLeg {
  double distance = 0.0;        // D, horizontal, m
  double rise = 0.0;            // dH = H(i+1) - H(i), m
  double slope_distance = 0.0;  // S, m
  double zenith = 0.0;          // z, radians from the zenith (pi/2 on a level line)
  double curvature = 0.0;       // (1 - k) D^2 / (2R), m, in the one-way difference
  double sigma = 0.0;           // of the computed H(i+1) - H(i) (after adjustment), m
};

struct HeightAnalysis {
  std::vector<double> sigma;    // point i's height at [i - 1], m; a known point its own
  std::vector<HeightLeg> legs;  // leg i at [i - 1]
  HeightCovariance covariance;  // any point or pair
};

// heights: each point's planned height, m, file order. Throws std::invalid_argument when
// their number is not the points'. Assumes no leg of horizontal length zero.
HeightAnalysis analyse_heights(const PointList& points, const std::vector<double>& heights,
                               const HeightPrecision& precision, const HeightEnds& ends, HeightShape shape);

// Phi^-1(p): the standard normal quantile of probability p, accurate to a few units in the
// last place. -HUGE_VAL at 0, HUGE_VAL at 1, NaN outside [0, 1].
double inverse_normal(double probability);

// The half-interval factor for heights at an ellipse level of two-dimensional factor k: 1 at
// one sigma (k = 1), otherwise the two-sided normal factor of the probability the ellipse
// covers, p = 1 - exp(-k^2 / 2): Phi^-1((1 + p) / 2).
double height_factor(double k);

// The vertical tolerance of two points at horizontal distance D: mm / 1000 + ppm 1e-6 D, m.
struct HeightTolerance {
  double mm = 0.0;   // mm
  double ppm = 0.0;  // parts per million of the horizontal distance
  bool every_pair = true;  // false: the legs alone

  double limit(double distance_m) const { return mm / 1000.0 + ppm * 1e-6 * distance_m; }
};

struct HeightPairTest {
  std::int32_t from = 0;       // file order, from < to
  std::int32_t to = 0;
  double distance = 0.0;       // horizontal, m
  double half_interval = 0.0;  // factor * sigma of H(to) - H(from), m
  double tolerance = 0.0;      // m
  double ratio = 0.0;          // half_interval / tolerance

  bool passes() const { return ratio <= 1.0; }
};

struct HeightToleranceTest {
  std::vector<HeightPairTest> legs;  // every leg, in order
  std::uint64_t legs_exceeding = 0;
  // Every pair i < j, known points included; nothing unless every_pair.
  std::uint64_t pairs_tested = 0;
  std::uint64_t pairs_exceeding = 0;
  std::vector<HeightPairTest> worst_exceeding;  // worst ratio first, at most max_listed_exceeding
  std::vector<HeightPairTest> worst_passing;    // worst ratio first, at most max_listed_passing
  // The largest ratio over the legs and the pairs tested, pairs of two known points left out.
  std::optional<HeightPairTest> worst;
};

// factor: height_factor of the level.
HeightToleranceTest test_height_tolerance(const PointList& points, const HeightAnalysis& analysis, double factor,
                                          const HeightTolerance& tolerance,
                                          Progress* progress = nullptr);

// The worst ratio of test_height_tolerance alone (0 where nothing is tested), without lists.
double worst_height_ratio(const PointList& points, const HeightCovariance& covariance, double factor,
                          const HeightTolerance& tolerance);

// The same for the plan with the given precision: what a design evaluates.
double worst_height_ratio(const PointList& points, const std::vector<double>& heights,
                          const HeightPrecision& precision, const HeightEnds& ends, HeightShape shape, double factor,
                          const HeightTolerance& tolerance);

// The largest zenith precision on the grid 0.1, 0.2, ..., 100 (in the precision's unit) that
// meets the tolerance, the rest as given; nothing when even 0.1 does not.
std::optional<double> largest_zenith_seconds(const PointList& points, const std::vector<double>& heights,
                                             const HeightPrecision& precision, const HeightEnds& ends,
                                             HeightShape shape, double factor, const HeightTolerance& tolerance);

}  // namespace elipses
