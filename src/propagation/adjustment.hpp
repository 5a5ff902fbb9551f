#pragma once
// Pre-analysis of a traverse by least squares: no observations yet, only the planned
// coordinates and the a-priori precision of the instruments, with unit variance factor.
// The observations of one setup are correlated through the centring of the instrument
// and of its targets; those of different setups are not (the model of the setups). The
// unknowns are the coordinates of the points that are not known ends, linearised at the
// planned coordinates; the known ends are held fixed and their own covariance is carried
// into the unknowns (AdjustedTraverse). Here: whether the model can be weighed at all,
// the open traverse's joint covariance by the plain sums, and the misclosure a closed
// traverse is expected to show.
#include <cstdint>
#include <vector>

#include "propagation/adjusted_traverse.hpp"

namespace elipses {

// True when every observation the mode uses has a non-zero variance on every leg, so that
// no weight is infinite: the lengths (f or p not zero; legs have length) and the angles or
// bearings (s not zero). The caller refuses the adjustment otherwise.
bool adjustment_is_defined(ObservationMode mode, const ObservationPrecision& precision);

// The same for the model of the setups: every setup's covariance block positive definite
// (centring alone can give an observation its uncertainty).
bool model_is_defined(const ObservationModel& model);

// The joint covariance of the plain model (no centring, one set), as AdjustedTraverse
// gives it. final_point null: an open traverse (points 2..n unknown; no redundancy). Otherwise a closed one: points
// 2..n-1 unknown, points 1 and n known with the given covariances (all zero: exact), and in
// goniometric mode an angle at station n too, from point n-1 to an error-free reference
// direction. Assumes adjustment_is_defined and no leg of zero length.
TraverseCovariance adjust_traverse(const PointList& points, ObservationMode mode, const ObservationPrecision& precision,
                                   const EndpointCovariance& initial_point, const EndpointCovariance* final_point);

// The open traverse's joint covariance by the sums of the open propagation: each point's
// block is exactly what propagate_goniometric / propagate_declined give (they are called),
// and the block between points j and j+1 adds to point j's block what the two points share
// beyond it: nothing in declined mode (leg j's errors move point j+1 alone); in goniometric
// mode the angles at stations 1..j-1, each turning leg j with point j. The neighbour blocks
// cost a time proportional to n; the goniometric diagonal keeps the quadratic propagation.
TraverseCovariance propagate_open_joint(const PointList& points, ObservationMode mode,
                                        const ObservationPrecision& precision, const EndpointCovariance& initial_point);

// Covariance of the difference between points i and i+1 (1 <= i <= n-1), m^2:
// Sigma_ii + Sigma_i+1,i+1 - Sigma_i,i+1 - Sigma_i+1,i. Throws std::out_of_range for any
// other i.
Covariance2 relative_covariance(const TraverseCovariance& joint, std::int32_t i);

// What the closure of a closed traverse is expected to show, before adjustment.
struct PredictedMisclosure {
  double angular_variance = 0.0;  // rad^2: goniometric, the n station angles, n * sigma_angle^2; declined 0
  Covariance2 linear;             // m^2: in M and P
  double with_angular_m = 0.0;    // m·rad: covariance of the linear misclosure in M with the angular one
  double with_angular_p = 0.0;    // m·rad: the same in P
  // m^2: the linear misclosure once the angular one is spread over the angles, as a
  // surveyor computes it in the field (the covariance given the angular misclosure);
  // the same as `linear` in declined mode.
  Covariance2 linear_after_angular;
  double traverse_length = 0.0;  // m: the sum of the legs
};

// The linear misclosure is point n as the open traverse from point 1 reaches it (every
// leg, stations 1..n-1) less point n known: its covariance is that of the observations
// carried to point n, plus the initial and the final points' covariances (a loop's one
// point, being both, cancels out). The angular misclosure is the sum of the n angles.
PredictedMisclosure predicted_misclosure(const PointList& points, const ObservationModel& model,
                                         const EndpointCovariance& initial_point,
                                         const EndpointCovariance& final_point);

// The same without centring and with one set.
PredictedMisclosure predicted_misclosure(const PointList& points, ObservationMode mode,
                                         const ObservationPrecision& precision,
                                         const EndpointCovariance& initial_point,
                                         const EndpointCovariance& final_point);

}  // namespace elipses
