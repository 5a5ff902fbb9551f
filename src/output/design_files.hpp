#pragma once
// The files of the decision: elipses-pares.txt, every pair of points against the relative
// tolerance, and elipses-projeto.txt, the design sheet. Lines of blank-separated words,
// CR LF; lines starting with # are for the reader.
#include <ostream>
#include <string>
#include <vector>

#include "propagation/analysis.hpp"

namespace elipses {

// Header lines with the tolerance, the level and the counts, then the pairs that exceed
// (worst first, at most 1,000) and the ten worst that pass: from, to, D (m, 3 decimals),
// a (m, 4), tolerance (m, 4), ratio (3), cumpre or excede.
void write_pairs_file(std::ostream& file, const PointList& points, const PairSweep& sweep,
                      const Tolerances& tolerances, const std::string& level);

// One line of the design sheet: its keyword ("#" for a line for the reader) and the rest.
struct SheetLine {
  std::string keyword;
  std::string rest;
};

// The lines of elipses-projeto.txt, from the analysis's design sheet and point tests at
// the level of option 1..8: what the file holds and the report shows.
std::vector<SheetLine> design_sheet_lines(const PreAnalysis& analysis, std::int32_t ellipse_option);

void write_design_file(std::ostream& file, const std::vector<SheetLine>& lines);

// The probability a factor k really gives for a 2-D ellipse: 1 - exp(-k^2 / 2), in %.
double ellipse_probability_percent(double k);

}  // namespace elipses
