#pragma once
// One pre-analysis of a planned traverse, computed once into one result that every
// writer reads: the passes of the two files of every run (the traverse from its initial
// point, and a closed one also from its final point), and whatever further results were
// asked: the traverse in file order adjusted by least squares (closed) or propagated
// (open), its predicted misclosure, the relative ellipses of the legs, the tolerances of
// every pair and every point, the design sheet and the reliability of the observations.
// Every ellipse, verdict and "worst" the program writes or says is computed here.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "propagation/adjustment.hpp"
#include "propagation/chain.hpp"
#include "propagation/design.hpp"
#include "propagation/ellipse.hpp"
#include "propagation/heights.hpp"
#include "propagation/progress.hpp"
#include "propagation/reliability.hpp"
#include "propagation/tolerance.hpp"

namespace elipses {

// What is asked beyond the two files of every run.
struct FurtherResults {
  bool adjusted = false;     // a closed traverse adjusted by least squares, and its misclosure
  bool relative = false;     // relative ellipses between neighbouring points
  bool reliability = false;  // redundancy numbers and detectable blunders of a closed traverse
  bool report = false;       // the report: everything that applies to the traverse
  bool design = false;       // the design sheet
  Tolerances tolerances;     // a relative one tests the legs and every pair

  bool deciding() const { return tolerances.any() || design; }
  bool any() const { return adjusted || relative || reliability || deciding(); }
};

// The heights carried beside the plan by trigonometric heighting (--alturas): how the
// zenith angles, the heights above the marks and the refraction are observed, how well the
// known heights are known, and the vertical tolerance.
struct HeightRequest {
  bool asked = false;                 // every point's planned height read, the heights computed
  std::optional<double> zenith;       // sigma of a zenith angle in the directions' unit; none: the directions'
  double instrument_height_mm = 1.0;  // sigma of each measurement of the instrument's height above its mark, mm
  double target_height_mm = 1.0;      // the same for a target, mm
  double refraction = 0.13;           // k of the day
  double refraction_sigma = 0.05;     // its sigma, one for the whole traverse
  bool reciprocal = false;            // every leg observed from both ends
  double start_sigma_m = 0.0;         // the first point's known height, m
  std::optional<double> end_sigma_m;  // the last point's, m, as given: a closed traverse's (0 when not given)
  std::optional<HeightTolerance> tolerance;  // on every leg and between every pair
};

struct AnalysisRequest {
  bool has_mode = false;  // false after a mode letter that is neither g nor d: nothing is computed
  ObservationMode mode = ObservationMode::goniometric;
  bool closed = false;    // the final point's coordinates are known too
  InstrumentUse use;
  EndpointCovariance initial_point;
  EndpointCovariance final_point;  // a goniometric closed traverse's; a declined one has exact ends
  double k = 1.0;                  // the level's factor: both semi-axes are scaled by it
  FurtherResults further;
  HeightRequest heights;
};

// The planned points as the passes walk them: in file order, and for a closed traverse
// the file read again in reverse (point 1 the final point).
struct PlannedTraverse {
  PointList forward;
  PointList backward;
};

// The largest semi-major axis among some computed points (the first of equals).
struct WorstEllipse {
  std::int32_t point = 0;  // its place in the list it was found in; 0: no point computed
  double a = -1.0;         // m, at k
  std::string name;        // four characters, blank-filled
};

// One pass of the computation by halves, as elipses.txt and elipses.scr write it.
struct Pass {
  Chain chain;
  bool walks_backward = false;          // over PlannedTraverse::backward
  std::vector<EllipseParams> ellipses;  // of chain.computed, at k
  EllipseParams start_ellipse;          // of the start point's own covariance, at k
  WorstEllipse worst;                   // among the points it computed
};

// One source of the worst point's variance along its major axis: an observation's own
// instrument error, or the centring of one setup's instrument or of the targets it sights.
enum class SourceKind { observation, instrument_centring, target_centring };

struct SourceShare {
  SourceKind source = SourceKind::observation;
  ObservationKind observation = ObservationKind::distance;  // an observation's kind
  std::int32_t back = reference_direction;  // an observation's points, as in Observation
  std::int32_t station = 0;                 // the setup's station for a centring
  std::int32_t forward = 0;
  double percent = 0.0;
};

// Whether the plan meets the tolerances given: none exceeded, leg, pair or point.
struct Verdict {
  bool meets = true;
  bool relative_meets = true;  // every leg and pair within the relative tolerance
  bool point_meets = true;     // every point within the point tolerance
  bool heights_meets = true;   // every leg and pair within the vertical tolerance
};

// A computation that cannot be made: an observation without any uncertainty would have
// an infinite weight in a least-squares solution.
enum class Refusal {
  none,
  exact_plain_observation,  // the plain adjustment: a precision of zero
  exact_observation,        // the model of the setups: no precision nor centring gives it one
  heights_out_of_range,     // a height's sigma beyond any number: planned heights or precisions absurdly large
};

// What the run should be told beside the files.
struct AnalysisNotices {
  bool nothing_without_mode = false;   // further results asked, but no mode: none computed
  bool open_nothing_to_adjust = false; // --ajustada on an open traverse
  bool open_no_redundancy = false;     // --fiabilidade on an open traverse
  bool loop = false;                   // a closed traverse that starts and ends on one point
  bool loop_final_unused = false;      // ... whose final covariance, given and different, is not used
  bool further_undefined = false;      // the report alone asked for what cannot be weighed
  bool reliability_too_large = false;  // the report alone: too many points for the reliability
  bool heights_without_mode = false;      // heights asked, but no mode: not computed
  bool loop_final_height_unused = false;  // a loop's final height, given and different, is not used
  bool open_final_height_unused = false;  // an open traverse knows its start height only
};

// The design sheet's part for the heights.
struct HeightDesign {
  HeightBudget percent;  // where the worst height's variance comes from, in % (0 throughout without any)
  bool limited = false;  // a vertical tolerance was given, so a limit was sought
  // The largest zenith precision, in the directions' unit, the rest as given, that meets the
  // vertical tolerance; nothing when even 0.1 does not.
  std::optional<double> limit_zenith;
};

// The vertical pre-analysis of the points in file order.
struct HeightResults {
  HeightShape shape = HeightShape::open;
  HeightPrecision precision;  // as used: the defaults of the directions and distances applied
  HeightEnds ends;            // as used: an open traverse's end, and a loop's, left 0
  double factor = 1.0;        // the half-interval's factor at the level: height_factor(k)
  HeightAnalysis computed;
  std::int32_t worst = 0;     // the computed point of largest sigma (the first of equals); 0: none
  std::optional<HeightToleranceTest> test;  // with a vertical tolerance
  std::int32_t worst_leg = 0;               // ... the leg of largest ratio (the first of equals); 0: none
  std::optional<HeightDesign> design;       // with the design sheet

  double half_interval(std::int32_t point) const { return factor * computed.sigma[static_cast<std::size_t>(point - 1)]; }
};

struct PreAnalysis {
  AnalysisRequest request;
  PlannedTraverse points;
  bool loop = false;             // closed, first and last records the same mark
  double traverse_length = 0.0;  // m: the sum of the legs
  Refusal refusal = Refusal::none;
  AnalysisNotices notices;

  // The computation by halves, pass after pass, and the largest semi-major axis over
  // all of them in the order they are written.
  std::vector<Pass> passes;
  WorstEllipse worst_written;

  // The further results, over points in file order. The ends as they take them: a
  // declined closed traverse's exact, a loop's one point the initial covariance.
  bool further = false;
  EndpointCovariance initial_end;
  EndpointCovariance final_end;
  // Each point's covariance and the blocks between neighbours: the closed traverse
  // adjusted, the open one propagated (by the plain sums without centring and sets).
  TraverseCovariance joint;
  std::vector<EllipseParams> joint_ellipses;  // of joint.points, at k
  std::optional<WorstEllipse> worst_adjusted;  // a closed traverse's points 2..n-1, as elipses-ajustada.txt
  // The worst computed point of the traverse in file order (adjusted or propagated) and the
  // leg of the largest relative ellipse (0: none): what a run without a tolerance is judged by.
  std::optional<WorstEllipse> worst_point;
  std::int32_t worst_leg = 0;
  std::optional<PredictedMisclosure> misclosure;
  std::optional<LegTests> legs;
  std::optional<PairSweep> pairs;
  std::optional<PointTests> point_tests;
  std::optional<DesignSheet> design;
  // The five largest sources of the worst point's variance, every source counted, with the
  // design sheet.
  std::vector<SourceShare> largest_sources;
  std::optional<Verdict> verdict;  // with a tolerance
  std::optional<TraverseReliability> reliability;
  std::optional<HeightResults> heights;
  std::int32_t height_out_of_range = 0;  // with Refusal::heights_out_of_range: the first point (or leg's end) reached

  const PointList& walked(const Pass& pass) const { return pass.walks_backward ? points.backward : points.forward; }
};

// The points after the dialogue's questions: the passes the answers ask for, then the
// further results. A refusal stops at the first computation it concerns.
// `progress`, when given, hears how far the long steps are.
PreAnalysis analyse(PlannedTraverse points, const AnalysisRequest& request, Progress* progress = nullptr);

// Above this many points the report alone does not add the reliability: its largest
// shifts cost one banded solve per observation, a time that grows with the square of the
// points.
constexpr std::int32_t report_reliability_points = 5000;

}  // namespace elipses
