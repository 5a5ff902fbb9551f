#pragma once
// The files of the heights: elipses-alturas.txt, the precision of every planned height and
// of every leg's height difference, and elipses-pares-alturas.txt, every pair of points
// against the vertical tolerance. Lines of blank-separated words, CR LF; lines starting
// with # are for the reader and name every setting the figures come from.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

#include "propagation/analysis.hpp"

namespace elipses {

// The level as the heights take it: "95% (k = 2.447): semi-intervalo = 1.959 sigma".
std::string height_level_text(std::int32_t ellipse_option, double factor);

// `#` lines with the level and the settings, then one record a point and one a leg:
//   ponto NAME H(m, 3) sigma(m, 4) half-interval(m, 4)
//   lado FROM TO D(m, 3) dH(m, 3) sigma(m, 4) [tolerance(m, 4) ratio(3) cumpre|excede]
// Returns the records holding a value too large to write (asterisks).
std::size_t write_heights_file(std::ostream& file, const PreAnalysis& analysis, std::int32_t ellipse_option);

// Header lines with the tolerance, the level and the counts, then the pairs that exceed
// (worst first, at most 1,000) and the ten worst that pass: from, to, D (m, 3), the
// half-interval of their height difference (m, 4), tolerance (m, 4), ratio (3), verdict.
void write_height_pairs_file(std::ostream& file, const PointList& points, const HeightToleranceTest& test,
                             const HeightTolerance& tolerance, const std::string& level);

}  // namespace elipses
