#pragma once
// The files of the decision: elipses-pares.txt, every pair of points against the relative
// tolerance, and elipses-projeto.txt, the design sheet. Lines of blank-separated words,
// CR LF; lines starting with # are for the reader.
#include <ostream>

#include "propagation/design.hpp"

namespace elipses {

// Header lines with the tolerance, the level and the counts, then the pairs that exceed
// (worst first, at most 1,000) and the ten worst that pass: from, to, D (m, 3 decimals),
// a (m, 4), tolerance (m, 4), ratio (3), cumpre or excede.
void write_pairs_file(std::ostream& file, const PointList& points, const PairSweep& sweep,
                      const Tolerances& tolerances, const char* level_title);

// What the design sheet is written from.
struct DesignFileInput {
  std::int32_t level = 0;  // the option, 1..8
  double k = 0.0;
  AngleUnit unit = AngleUnit::arc_seconds;
  Tolerances tolerances;
  const JointCovariance* joint = nullptr;  // the points' own covariances, for `ponto`
  const ObservationModel* model = nullptr; // the observations named in `contribuicao`
};

void write_design_file(std::ostream& file, const PointList& points, const DesignSheet& sheet,
                       const DesignFileInput& input);

// The probability a factor k really gives for a 2-D ellipse: 1 - exp(-k^2 / 2), in %.
double ellipse_probability_percent(double k);

}  // namespace elipses
