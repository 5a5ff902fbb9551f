#pragma once
// The report's account of the run: what was typed or given, in the words of the report.
#include <vector>

#include "dialogue/run_settings.hpp"
#include "output/report.hpp"

namespace elipses {

// "What was computed": the coordinate file, the points and the length, the mode and the
// traverse, every precision as given, the centring and the sets, the known ends, the
// tolerances, the level with its factor and the probability that factor really gives, and
// the drawing's scale modulus.
std::vector<ReportFact> report_facts(const RunSettings& settings, const RunExtras& extras, const PointList& points);

}  // namespace elipses
