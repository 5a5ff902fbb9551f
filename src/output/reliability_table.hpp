#pragma once
// elipses-fiabilidade.txt: how well each observation of a closed traverse is checked by
// the others. A header naming each column with its unit, then one record per observation,
// station by station, its values separated by blanks; CR LF line ends.
#include <ostream>

#include "output/text_output.hpp"
#include "propagation/reliability.hpp"

namespace elipses {

// The header and one record per observation: the type (A, D or R); an angle's back point
// (REF for the reference direction), station and forward point, or a distance's or
// bearing's from and to points; sigma (m, 4 decimals, or seconds or cc, 2 decimals); r (3
// decimals); the smallest detectable blunder in sigma's unit (m 4 decimals, angles 1); the
// largest shift it would cause (m, 4 decimals) and the point shifted; "fraca" where r is
// below weak_redundancy.
void write_reliability_table(std::ostream& file, const PointList& points, const TraverseReliability& reliability,
                             AngleUnit unit);

// Radians in the unit the precision was given in: arc seconds or cc.
double angle_in_unit(double radians, AngleUnit unit);

}  // namespace elipses
