#pragma once
// elipses-relativas.txt: the relative ellipse of every leg, the precision of the vector
// between two neighbouring points, which tolerances for adjacent marks are written
// against ("2 cm + 50 ppm at 95 %"). A header naming each column with its unit, then one
// record per leg in file order; CR LF line ends.
#include <cstddef>
#include <ostream>
#include <string_view>

#include "output/text_output.hpp"
#include "propagation/analysis.hpp"

namespace elipses {

extern const std::string_view relative_table_header;

// The header (with a tolerance it names the three columns it adds), then one record per
// leg in file order: from and to names, D (m), a and b (m) at the level, teta (gon), sM
// and sP (m), sMP (m^2) of the difference, and a/D in ppm; with a relative tolerance three
// more values: the tolerance (m, 4 decimals), the ratio a / tolerance (3 decimals) and
// cumpre or excede. Returns the records written with asterisks.
std::size_t write_relative_table(std::ostream& file, const PointList& points, const LegTests& legs,
                                 bool with_tolerance);

}  // namespace elipses
