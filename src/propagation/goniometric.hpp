#pragma once
// Goniometric traverse: a length measured on every leg and an angle at every station,
// the first taken from an error-free reference direction. An angle error at station i
// turns the rest of the chain about station i; a length error shifts it along leg i.
#include <cstdint>
#include <vector>

#include "dialogue/coordinate_file.hpp"
#include "dialogue/run_settings.hpp"
#include "output/drawing_script.hpp"
#include "output/ellipse_table.hpp"
#include "propagation/traverse_model.hpp"

namespace elipses {

struct OutputWriters {
  EllipseTableWriter& table;
  DrawingScriptWriter& script;
};

// Drawing variants of the start and computed blocks (the closed goniometric traverse
// has three); the defaults are the ordinary blocks.
struct StartBlockStyle {
  bool axis_offset = true;      // add the 0.1 to the a-axis end point
  bool colour_before = true;    // COLOR 1 before the ellipse
};
struct ComputedBlockStyle {
  bool colour_only_when_drawn = false;
};

// The length terms of every leg, (dM^2/D^2)·sigmaD^2 and its kin, in m^2; computed once
// per pass instead of once per point, with the same values.
struct LegTerms {
  std::vector<double> m;
  std::vector<double> p;
  std::vector<double> mp;
};
LegTerms length_terms(const PointList& points, const ObservationPrecision& precision);

// Covariance of point j (2 <= j <= n) of the list in its current order, from the start
// covariance: for each leg and station i = 1..j-1 the length term plus the angle term,
// whose lever arm is the vector from station i to point j.
Covariance2 propagate_goniometric(const PointList& points, std::int32_t j, const Covariance2& start,
                                  const ObservationPrecision& precision, double pi);
Covariance2 propagate_goniometric(const PointList& points, std::int32_t j, const Covariance2& start,
                                  const LegTerms& terms, double angle_var);

// The start point of a chain: its name, and its ellipse unless it is taken as exact.
void emit_start_point(const RunSettings& settings, OutputWriters& writers, const Point& point,
                      const EndpointCovariance& endpoint, StartBlockStyle style = {});

// A propagated point: its table record, then its name and ellipse in the drawing.
void emit_computed_point(const RunSettings& settings, OutputWriters& writers, const Point& point,
                         const Covariance2& covariance, ComputedBlockStyle style = {});

void run_goniometric_open(const RunSettings& settings, PointList& points, OutputWriters& writers);

// Closed between two known points: the first half from the initial point, then, on the
// list reloaded in reverse, the second half from the final point. No closure adjustment.
void run_goniometric_closed(const RunSettings& settings, PointList& points, OutputWriters& writers,
                            CoordinateFile& file);

}  // namespace elipses
