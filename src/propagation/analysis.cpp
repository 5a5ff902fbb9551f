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
  verdict.meets = verdict.relative_meets && verdict.point_meets;
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
    const DesignInput input{adjusted->model().shape, use, initial, final_end, k, further.tolerances};
    analysis.design = design_sheet(forward, *adjusted, input,
                                   analysis.pairs ? analysis.pairs->worst : std::optional<PairTest>());
    if (analysis.design->worst_point != 0) {
      analysis.largest_sources = largest_sources(*adjusted, analysis.design->worst_point, k);
    }
  }
  if (further.tolerances.any()) analysis.verdict = verdict_of(analysis);
  if (!open) {
    const bool for_report = further.report && forward.n <= report_reliability_points;
    analysis.notices.reliability_too_large = further.report && !further.reliability && !for_report;
    if (further.reliability || for_report) analysis.reliability = traverse_reliability(*adjusted, progress);
  }
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
  return analysis;
}

}  // namespace elipses
