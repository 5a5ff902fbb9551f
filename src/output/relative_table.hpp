#pragma once
// elipses-relativas.txt: the relative ellipse of every leg, the precision of the vector
// between two neighbouring points, which tolerances for adjacent marks are written
// against ("2 cm + 50 ppm at 95 %"). A header naming each column with its unit, then one
// record per leg in file order; CR LF line ends.
#include <cstddef>
#include <ostream>
#include <string_view>

#include "output/text_output.hpp"
#include "propagation/adjustment.hpp"
#include "propagation/design.hpp"

namespace elipses {

struct RelativeTableWriter {
  explicit RelativeTableWriter(std::ostream& file) : text(file) {}
  TextOutput text;
  std::size_t records_not_fitting = 0;
  // With a tolerance: the legs that exceed it, and the leg of the largest ratio.
  std::size_t legs_exceeding = 0;
  PairTest worst_leg;
};

extern const std::string_view relative_table_header;

// With a tolerance the header names the three columns it adds.
void write_relative_header(RelativeTableWriter& table, bool with_tolerance = false);

// One record per leg of `points` (file order), from the joint covariance (m^2), the
// ellipse at the level's factor k: from and to names, D (m), a and b (m), teta (gon),
// sM and sP (m), sMP (m^2) of the difference, and a/D in ppm.
// With a relative tolerance each record ends with three more values: the tolerance (m, 4
// decimals), the ratio a / tolerance (3 decimals) and cumpre (ratio <= 1) or excede.
void write_relative_records(RelativeTableWriter& table, const PointList& points, const TraverseCovariance& joint,
                            double k, const Tolerances* tolerances = nullptr);

}  // namespace elipses
