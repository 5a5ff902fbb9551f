#include "propagation/analysis.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace elipses {

namespace {

// The largest semi-major axis among `ellipses`, those of the points of `walked` from
// `first` on.
WorstEllipse worst_among(const std::vector<EllipseParams>& ellipses, const PointList& walked, std::int32_t first) {
  WorstEllipse worst;
  for (std::size_t i = 0; i < ellipses.size(); ++i) {
    if (ellipses[i].a > worst.a) {
      worst.point = first + static_cast<std::int32_t>(i);
      worst.a = ellipses[i].a;
      worst.name = walked.at(worst.point).name;
    }
  }
  return worst;
}

Pass pass_of(Chain chain, bool walks_backward, const PointList& walked, double k) {
  Pass pass;
  pass.chain = std::move(chain);
  pass.walks_backward = walks_backward;
  pass.ellipses.reserve(pass.chain.computed.size());
  for (const Covariance2& covariance : pass.chain.computed) pass.ellipses.push_back(ellipse_parameters(covariance, k));
  pass.start_ellipse = ellipse_parameters(start_covariance(pass.chain.start), k);
  pass.worst = worst_among(pass.ellipses, walked, Chain::position_of(0));
  return pass;
}

// The five largest sources of the worst point's variance along its major axis: each
// observation's own error, each setup's centring of the instrument and of its targets.
std::vector<SourceShare> largest_sources(const AdjustedTraverse& adjusted, std::int32_t point, double k) {
  const EllipseParams axes = ellipse_parameters(adjusted.point(point), k);
  const VarianceBudget budget =
      adjusted.budget(PointDirection{point, std::sin(axes.teta), std::cos(axes.teta), 0, 0.0, 0.0});
  const double total = budget.parts.total();
  std::vector<SourceShare> shares;
  if (!(total > 0.0)) return shares;
  std::size_t at = 0;
  for (const StationSetup& setup : adjusted.model().setups) {
    for (std::size_t o = 0; o < setup.count; ++o, ++at) {
      const Observation& observation = setup.observations[o];
      shares.push_back(SourceShare{SourceKind::observation, observation.kind, observation.back, observation.station,
                                   observation.forward, 100.0 * budget.by_observation[at] / total});
    }
  }
  for (const VarianceBudget::SetupCentring& centring : budget.by_setup) {
    if (centring.instrument > 0.0) {
      shares.push_back(SourceShare{SourceKind::instrument_centring, ObservationKind::distance, reference_direction,
                                   centring.station, 0, 100.0 * centring.instrument / total});
    }
    if (centring.targets > 0.0) {
      shares.push_back(SourceShare{SourceKind::target_centring, ObservationKind::distance, reference_direction,
                                   centring.station, 0, 100.0 * centring.targets / total});
    }
  }
  const std::size_t listed = std::min<std::size_t>(5, shares.size());
  std::stable_sort(shares.begin(), shares.end(),
                   [](const SourceShare& x, const SourceShare& y) { return x.percent > y.percent; });
  shares.resize(listed);
  return shares;
}

// Whether the plan meets every tolerance given.
Verdict verdict_of(const PreAnalysis& analysis) {
  Verdict verdict;
  if (analysis.legs && analysis.legs->exceeding > 0) verdict.relative_meets = false;
  if (analysis.pairs && analysis.pairs->exceeding > 0) verdict.relative_meets = false;
  if (analysis.point_tests && analysis.point_tests->exceeding > 0) verdict.point_meets = false;
  if (analysis.heights && analysis.heights->test) {
    const HeightToleranceTest& test = *analysis.heights->test;
    verdict.heights_meets = test.legs_exceeding == 0 && test.pairs_exceeding == 0;
  }
  verdict.meets = verdict.relative_meets && verdict.point_meets && verdict.heights_meets;
  return verdict;
}

// The computation by halves: an open traverse from its initial point; a closed one from
// each end, the second over the file read again in reverse.
void compute_passes(PreAnalysis& analysis) {
  const AnalysisRequest& request = analysis.request;
  const PointList& forward = analysis.points.forward;
  if (!request.closed) {
    analysis.passes.push_back(pass_of(
        propagate_open_traverse(forward, request.mode, request.use, request.initial_point), false, forward, request.k));
  } else {
    analysis.passes.push_back(
        pass_of(propagate_closed_from_initial(forward, request.mode, request.use, request.initial_point), false,
                forward, request.k));
    const PointList& backward = analysis.points.backward;
    analysis.passes.push_back(
        pass_of(propagate_closed_from_final(backward, request.mode, request.use, request.final_point), true, backward,
                request.k));
  }
  for (const Pass& pass : analysis.passes) {
    if (pass.worst.a > analysis.worst_written.a) analysis.worst_written = pass.worst;
  }
}

// The traverse in file order, the relative ellipses, the tolerances, the design sheet
// and the reliability, as far as they are asked.
void compute_further(PreAnalysis& analysis, Progress* progress) {
  const AnalysisRequest& request = analysis.request;
  const FurtherResults& further = request.further;
  const PointList& forward = analysis.points.forward;
  const bool open = !request.closed;
  const bool asked = further.any();
  if (!asked && !further.report) return;
  if (!request.has_mode) {
    analysis.notices.nothing_without_mode = asked;
    return;
  }
  const bool goniometric = request.mode == ObservationMode::goniometric;
  // A declined closed traverse has exact ends, as in the computation by halves.
  const EndpointCovariance initial = open || goniometric ? request.initial_point : EndpointCovariance{};
  const EndpointCovariance final_point = goniometric ? request.final_point : EndpointCovariance{};
  analysis.notices.open_nothing_to_adjust = open && further.adjusted;
  analysis.notices.open_no_redundancy = open && further.reliability;

  const TraverseShape shape{request.mode, !open, !open && is_loop(forward)};
  const InstrumentUse& use = request.use;
  ObservationModel model = build_observation_model(forward, shape, use);
  const bool plain = use.is_plain();
  const bool undefined = (!open && plain && !adjustment_is_defined(request.mode, use.precision)) ||
                         ((!open || !plain || further.deciding()) && !model_is_defined(model));
  if (undefined) {
    // The report alone does not fail a run for what it cannot add.
    if (asked) {
      analysis.refusal = plain && !open ? Refusal::exact_plain_observation : Refusal::exact_observation;
    } else {
      analysis.notices.further_undefined = true;
    }
    return;
  }
  analysis.further = true;
  // A loop's one point is both ends: the initial covariance serves for both.
  const EndpointCovariance final_end = shape.loop ? initial : final_point;
  analysis.initial_end = initial;
  analysis.final_end = final_end;
  const double k = request.k;

  std::unique_ptr<AdjustedTraverse> adjusted;
  if (!open || !plain || further.deciding()) {
    adjusted = std::make_unique<AdjustedTraverse>(forward, std::move(model), initial, final_end);
  }
  analysis.joint = open && plain ? propagate_open_joint(forward, request.mode, use.precision, initial)
                                 : adjusted->blocks();
  analysis.joint_ellipses.reserve(analysis.joint.points.size());
  for (const Covariance2& covariance : analysis.joint.points) {
    analysis.joint_ellipses.push_back(ellipse_parameters(covariance, k));
  }

  if (!open && (further.adjusted || further.report)) {
    WorstEllipse worst;
    for (std::int32_t i = 2; i < forward.n; ++i) {
      const double a = analysis.joint_ellipses[static_cast<std::size_t>(i - 1)].a;
      if (a > worst.a) worst = WorstEllipse{i, a, forward.at(i).name};
    }
    analysis.worst_adjusted = worst;
    analysis.misclosure = predicted_misclosure(forward, adjusted->model(), initial, final_end);
  }
  for (std::int32_t i = 2; i <= (open ? forward.n : forward.n - 1); ++i) {
    const double a = analysis.joint_ellipses[static_cast<std::size_t>(i - 1)].a;
    if (!analysis.worst_point || a > analysis.worst_point->a) analysis.worst_point = WorstEllipse{i, a, forward.at(i).name};
  }
  if (further.relative || further.report) {
    analysis.legs = test_legs(forward, analysis.joint, k, further.tolerances);
    for (std::size_t i = 0; i < analysis.legs->legs.size(); ++i) {
      const double a = analysis.legs->legs[i].ellipse.a;
      if (analysis.worst_leg == 0 || a > analysis.legs->legs[static_cast<std::size_t>(analysis.worst_leg - 1)].ellipse.a) {
        analysis.worst_leg = static_cast<std::int32_t>(i) + 1;
      }
    }
  }
  if (further.tolerances.relative) {
    analysis.pairs = sweeps_every_pair(forward.n) ? sweep_pairs(forward, *adjusted, k, further.tolerances, progress)
                                                  : sweep_legs(forward, *adjusted, k, further.tolerances);
  }
  if (further.tolerances.point) analysis.point_tests = test_points(*adjusted, k, further.tolerances);
  // The report shows the design sheet whenever a tolerance is given.
  if (further.design || (further.report && further.tolerances.any())) {
    DesignInput input{adjusted->model().shape, use, initial, final_end, k, further.tolerances};
    input.seek_limits = sweeps_every_pair(forward.n) || !further.tolerances.relative;
    analysis.design = design_sheet(forward, *adjusted, input,
                                   analysis.pairs ? analysis.pairs->worst : std::optional<PairTest>(),
                                   DesignSearch::bounded, progress);
    if (analysis.design->worst_point != 0) {
      analysis.largest_sources = largest_sources(*adjusted, analysis.design->worst_point, k);
    }
  }
  if (!open) {
    const bool for_report = further.report && forward.n <= report_reliability_points;
    analysis.notices.reliability_too_large = further.report && !further.reliability && !for_report;
    if (further.reliability || for_report) analysis.reliability = traverse_reliability(*adjusted, progress);
  }
}

// The parts of a height variance by source, in % of the whole; nothing but zeros for a
// height without any error.
HeightBudget in_percent(const HeightBudget& budget) {
  const double total = budget.total();
  if (!(total > 0.0)) return HeightBudget{};
  const auto percent = [&](double part) { return 100.0 * part / total; };
  return HeightBudget{percent(budget.distances),          percent(budget.zenith_angles),
                      percent(budget.refraction),         percent(budget.instrument_heights),
                      percent(budget.target_heights),     percent(budget.known_heights)};
}

// The heights beside the horizontal results, from the planned heights the file gave.
void compute_heights(PreAnalysis& analysis, Progress* progress) {
  const AnalysisRequest& request = analysis.request;
  const HeightRequest& asked = request.heights;
  if (!asked.asked) return;
  if (!request.has_mode) {
    analysis.notices.heights_without_mode = true;
    return;
  }
  const PointList& forward = analysis.points.forward;
  HeightResults results;
  results.shape = !request.closed ? HeightShape::open : analysis.loop ? HeightShape::loop : HeightShape::closed;
  // The zenith angles are read with the directions' instrument: by default as precise, and
  // the sets of directions are sets of zenith angles too.
  results.precision = height_precision_from(request.use);
  if (asked.zenith) results.precision.zenith_seconds = *asked.zenith;
  results.precision.instrument_height_mm = asked.instrument_height_mm;
  results.precision.target_height_mm = asked.target_height_mm;
  results.precision.refraction = asked.refraction;
  results.precision.refraction_sigma = asked.refraction_sigma;
  results.precision.reciprocal = asked.reciprocal;
  results.ends.start_sigma_m = asked.start_sigma_m;
  if (results.shape == HeightShape::closed) results.ends.end_sigma_m = asked.end_sigma_m.value_or(0.0);
  analysis.notices.loop_final_height_unused =
      results.shape == HeightShape::loop && asked.end_sigma_m && *asked.end_sigma_m != asked.start_sigma_m;
  analysis.notices.open_final_height_unused = results.shape == HeightShape::open && asked.end_sigma_m.has_value();
  results.factor = height_factor(request.k);

  std::vector<double> heights;
  heights.reserve(forward.points.size());
  for (const Point& point : forward.points) heights.push_back(point.h);
  results.computed = analyse_heights(forward, heights, results.precision, results.ends, results.shape);
  // Sums that overflow (heights or precisions of 1e150 and more) leave no number to write
  // nor to decide on: refused, naming the first point they reach.
  const auto refuse_at = [&](std::int32_t point) {
    analysis.refusal = Refusal::heights_out_of_range;
    analysis.height_out_of_range = point;
  };
  for (std::int32_t i = 1; i <= forward.n; ++i) {
    if (!std::isfinite(results.computed.sigma[static_cast<std::size_t>(i - 1)])) return refuse_at(i);
  }
  for (std::int32_t i = 1; i < forward.n; ++i) {
    if (!std::isfinite(results.computed.legs[static_cast<std::size_t>(i - 1)].sigma)) return refuse_at(i + 1);
  }
  const HeightCovariance& covariance = results.computed.covariance;
  double worst_sigma = -1.0;
  for (std::int32_t i = 1; i <= forward.n; ++i) {
    const double sigma = results.computed.sigma[static_cast<std::size_t>(i - 1)];
    if (!covariance.is_known(i) && sigma > worst_sigma) {
      results.worst = i;
      worst_sigma = sigma;
    }
  }
  // Every pair up to the points a sweep can take, the legs alone beyond.
  std::optional<HeightTolerance> tolerance = asked.tolerance;
  if (tolerance) tolerance->every_pair = tolerance->every_pair && sweeps_every_pair(forward.n);
  if (tolerance) {
    results.test = test_height_tolerance(forward, results.computed, results.factor, *tolerance, progress);
    double worst_ratio = -1.0;
    for (const HeightPairTest& leg : results.test->legs) {
      if (leg.ratio > worst_ratio) {
        results.worst_leg = leg.from;
        worst_ratio = leg.ratio;
      }
    }
  }
  // Beside the horizontal design sheet, whenever there is one.
  if (analysis.design) {
    HeightDesign design;
    if (results.worst != 0) design.percent = in_percent(covariance.budget(results.worst));
    design.limited = asked.tolerance.has_value();
    if (design.limited) {
      design.limit_zenith = largest_zenith_seconds(forward, heights, results.precision, results.ends, results.shape,
                                                   results.factor, *tolerance);
    }
    results.design = design;
  }
  analysis.heights = std::move(results);
}

}  // namespace

PreAnalysis analyse(PlannedTraverse points, const AnalysisRequest& request, Progress* progress) {
  PreAnalysis analysis;
  analysis.request = request;
  analysis.points = std::move(points);
  const PointList& forward = analysis.points.forward;
  analysis.loop = request.closed && is_loop(forward);
  for (std::int32_t i = 1; i < forward.n; ++i) analysis.traverse_length += leg_geometry(forward, i).length;
  if (request.has_mode) {
    if (!request.use.is_plain()) {
      // With centring or sets each pass is a least-squares solution of its observations.
      const TraverseShape shape{request.mode, request.closed, false};
      if (!model_is_defined(build_observation_model(analysis.points.forward, shape, request.use))) {
        analysis.refusal = Refusal::exact_observation;
        return analysis;
      }
    }
    analysis.notices.loop = analysis.loop;
    // The loop's one point is both ends: a different final covariance goes unused.
    const FurtherResults& further = request.further;
    const EndpointCovariance& a = request.initial_point;
    const EndpointCovariance& b = request.final_point;
    analysis.notices.loop_final_unused =
        analysis.notices.loop && (further.adjusted || further.relative || further.reliability || further.report) &&
        request.mode == ObservationMode::goniometric && (a.s_m != b.s_m || a.s_p != b.s_p || a.s_mp != b.s_mp);
    compute_passes(analysis);
  }
  compute_further(analysis, progress);
  if (analysis.refusal == Refusal::none) compute_heights(analysis, progress);
  if (analysis.refusal == Refusal::none &&
      (request.further.tolerances.any() || (analysis.heights && analysis.heights->test))) {
    analysis.verdict = verdict_of(analysis);
  }
  return analysis;
}

}  // namespace elipses
