#pragma once
// The quantities both observation modes share: legs between consecutive points, the
// a-priori precision of the observations and the covariance of a known end point.
// Lengths in metres, variances in square metres, angles in radians.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace elipses {

// pi as the program has always taken it, 4 * arctan(1); every angle conversion uses it.
inline const double pi = 4.0 * std::atan(1.0);

// A planned point: its name, exactly four characters (UTF-8 characters kept whole,
// blank-filled), its coordinates and, when the file gives heights, its height.
struct Point {
  std::string name = "    ";
  double m = 0.0;  // metres
  double p = 0.0;  // metres
  double h = 0.0;  // planned height, m
};

// Points 1..n in the order a pass walks them: file order, or reverse file order for
// the pass from the final point of a closed traverse.
struct PointList {
  std::int32_t n = 0;
  std::vector<Point> points;  // storage for exactly n points

  Point& at(std::int32_t i) { return points[static_cast<std::size_t>(i - 1)]; }
  const Point& at(std::int32_t i) const { return points[static_cast<std::size_t>(i - 1)]; }
};

// How the traverse is observed: an angle at every station (the first from an
// error-free reference direction), or the bearing of every leg on its own.
enum class ObservationMode { goniometric, declined };

// How the precision of a direction or bearing was given: in arc seconds (1/3600 of a
// degree) or in centesimal seconds, cc (1/10000 of a gon).
enum class AngleUnit { arc_seconds, centesimal_seconds };

// The precision typed by the user, before conversion.
struct ObservationPrecision {
  double distance_fixed_mm = 0.0;  // f, millimetres
  double distance_ppm = 0.0;       // p, parts per million of the leg length
  double angle_seconds = 0.0;      // s, a direction or a bearing, in angle_unit
  AngleUnit angle_unit = AngleUnit::arc_seconds;
};

// A known end point: standard deviations sM, sP (m) and covariance sMP (m^2).
struct EndpointCovariance {
  double s_m = 0.0;
  double s_p = 0.0;
  double s_mp = 0.0;
};

// The 2x2 covariance of one point's coordinates, m^2.
struct Covariance2 {
  double var_m = 0.0;
  double var_p = 0.0;
  double cov_mp = 0.0;
};

// A 2x2 block, rows (M, P) of one point, columns (M, P) of another: a cross-covariance
// (m^2), or a gain between two points' coordinates (dimensionless).
struct Matrix2 {
  double mm = 0.0;
  double mp = 0.0;
  double pm = 0.0;
  double pp = 0.0;
};

Matrix2 matrix_of(const Covariance2& c);
Matrix2 product(const Matrix2& x, const Matrix2& y);
Matrix2 transposed(const Matrix2& x);
Matrix2 sum(const Matrix2& x, const Matrix2& y);
// A symmetric block as a point's covariance; the mean of the off-diagonal terms keeps it
// symmetric whatever order of additions produced them.
Covariance2 covariance_of(const Matrix2& x);

// Leg i runs from point i to point i+1 of the current order; metres.
struct Leg {
  double dm = 0.0;
  double dp = 0.0;
  double length = 0.0;
};

constexpr double square(double x) { return x * x; }

// sqrt(dP^2 + dM^2), metres. Zero for a leg of no length (refused when the file is read).
double leg_length(double dm, double dp);

// Leg i (1 <= i <= n-1) of the list in its current order.
Leg leg_geometry(const PointList& points, std::int32_t i);

// sigmaD^2 = (p * D * 1e-6)^2 + (f * 0.001)^2, m^2: ppm and millimetres in quadrature.
double distance_variance(const ObservationPrecision& precision, double length_m);

// sigma of one direction, radians: s / 3600 * pi / 180 (cc: s / 10000 * pi / 200).
double direction_sigma(const ObservationPrecision& precision);

// Variance of a station angle, rad^2: the difference of two directions, 2 * sigma^2.
double angle_variance(const ObservationPrecision& precision);

// Variance of one observed bearing, rad^2: ((pi / 180) * (s / 3600))^2, no factor 2
// (cc: ((pi / 200) * (s / 10000))^2).
double bearing_variance(const ObservationPrecision& precision);

// varM = sM^2, varP = sP^2, covMP = sMP.
Covariance2 start_covariance(const EndpointCovariance& endpoint);

// True when sM, sP and sMP are all exactly zero: the point is taken as error-free.
bool is_zero(const EndpointCovariance& endpoint);

}  // namespace elipses
