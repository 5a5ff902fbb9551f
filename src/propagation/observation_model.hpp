#pragma once
// The observations of a traverse as they are really made: the instrument set up over each
// station observes, in one setup, the angle (goniometric mode) or the bearing (declined
// mode) and the distance to the forward target. Each setup has its own centring error of
// the instrument and of each target it sights, so the observations of one setup are
// correlated and those of different setups are not: the covariance of the observations is
// block-diagonal, one block per setup. Every computation that uses the observations (the
// propagation with centring or sets, the adjustment, the misclosure, the reliability and the
// design sheet) reads this one description.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "propagation/traverse_model.hpp"

namespace elipses {

// How the instruments are used: their nominal precision, the centring of the instrument
// and of the targets (one standard deviation per coordinate, mm, as the surveyor gives it)
// and the number of sets of directions. The one description of the instruments that the
// passes, the adjustment, the reliability, the design sheet and the legends all read.
struct InstrumentUse {
  ObservationPrecision precision;
  double instrument_centring_mm = 0.0;  // sigma_I, per coordinate, mm
  double target_centring_mm = 0.0;      // sigma_T, per coordinate, mm
  std::int32_t sets = 1;                // directions (or bearings) observed this many times

  // No centring and one set: the model of the plain propagation.
  bool is_plain() const { return instrument_centring_mm == 0.0 && target_centring_mm == 0.0 && sets == 1; }
};

// The shape of the traverse the observations are planned for.
struct TraverseShape {
  ObservationMode mode = ObservationMode::goniometric;
  bool closed = false;
  // A closed traverse that starts and ends on the same known point (first and last
  // records with the same name and coordinates).
  bool loop = false;
};

// The derivatives of an observation by the coordinates of one point: dimensionless for a
// distance, 1/m for an angle or a bearing.
struct PointDerivative {
  std::int32_t point = 0;  // 1..n, file order
  double by_m = 0.0;
  double by_p = 0.0;
};

enum class ObservationKind { angle, distance, bearing };

// Where an angle's side points to a far reference direction instead of a traverse point.
constexpr std::int32_t reference_direction = 0;

struct Observation {
  ObservationKind kind = ObservationKind::distance;
  // An angle: back point, station, forward point (reference_direction where a side
  // points to the reference direction). A distance or a bearing: from the station to the
  // forward point; back is unused.
  std::int32_t back = reference_direction;
  std::int32_t station = 0;
  std::int32_t forward = 0;
  std::array<PointDerivative, 3> derivatives{};
  std::size_t derivative_count = 0;
  // The instrument's own variance, in its parts (their sum is this observation's part of
  // the diagonal D): of the directions or bearing, rad^2 (already divided by the sets);
  // of the fixed and the proportional parts of a distance, m^2.
  double direction_variance = 0.0;
  double fixed_variance = 0.0;
  double ppm_variance = 0.0;

  double own_variance() const { return direction_variance + fixed_variance + ppm_variance; }
  // The derivative by point `point`'s coordinates (zero where it does not depend on it).
  PointDerivative by(std::int32_t point) const;
};

// At most three observations per setup: angle, distance, bearing.
constexpr std::size_t max_setup_observations = 3;
using SetupMatrix = std::array<std::array<double, max_setup_observations>, max_setup_observations>;

struct StationSetup {
  std::int32_t station = 0;
  std::array<Observation, max_setup_observations> observations{};
  std::size_t count = 0;
  // The parts of the setup's covariance block, m^2, rad^2 and m·rad: the centring of the
  // instrument, sigma_I^2 B_I B_I^T, and of the targets it sights, sigma_T^2 sum B_T B_T^T,
  // B the derivatives by the point the instrument or target stands over (an observation is
  // computed from where they really stand).
  SetupMatrix instrument_centring{};
  SetupMatrix target_centring{};

  // D + both centring parts: the covariance of the setup's observations.
  SetupMatrix covariance() const;
};

struct ObservationModel {
  TraverseShape shape;
  std::vector<StationSetup> setups;  // in the order of their stations
};

// The setups of the traverse. Goniometric: stations 1..n of a closed traverse, 1..n-1 of
// an open one; the angle at station 1 from the reference direction to point 2, the angle
// at station n of a closed traverse from point n-1 to the reference direction; the angle
// at i turns from i-1 to i+1. Declined: stations 1..n-1, each with the bearing of its leg.
// Every station but the last of a closed goniometric traverse measures its forward leg.
ObservationModel build_observation_model(const PointList& points, const TraverseShape& shape,
                                         const InstrumentUse& use);

// True where the first and the last points are the same mark: same name and coordinates.
bool is_loop(const PointList& points);

}  // namespace elipses
