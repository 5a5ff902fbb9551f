#pragma once
// The verdict of a run with a tolerance, in the same words wherever it is said: first in the
// report, last in the summary on standard error, and at the top of the web page's results.
#include <string>
#include <vector>

#include "output/presentation.hpp"
#include "propagation/analysis.hpp"

namespace elipses {

// Whether the plan meets every tolerance; for each tolerance how many legs, pairs and
// points exceed of how many, and the worst with its ratio; then, with the design sheet, how
// it would pass: each limit that exists with the rest as given, and the cheapest class of
// the catalogue. Empty without a tolerance.
std::vector<std::string> verdict_lines(const PreAnalysis& analysis, const Presentation& presentation);

// A point's name as a person reads it: without the blanks that fill it to four characters.
std::string point_name(const PointList& points, std::int32_t point);

}  // namespace elipses
