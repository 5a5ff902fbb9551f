#pragma once
// What standard error says of a run, in plain Portuguese, each line starting with the
// program's name: the notices before the files are put in place, a refusal, the values
// written as asterisks, and, once the files are in place, what was written, the worst
// points and the decision (tolerances, design sheet, reliability).
#include <cstddef>
#include <string>
#include <vector>

#include "output/presentation.hpp"
#include "propagation/analysis.hpp"

namespace elipses {

// Said before the computation starts: a step the size of the traverse makes impractical,
// and what is done instead.
std::string planned_work_text(const AnalysisRequest& request, std::int32_t points);

// Said as soon as the computation is done, before anything is written.
std::string notices_text(const PreAnalysis& analysis);

// Why the computation was refused (without the program's name).
std::string refusal_text(const PreAnalysis& analysis);

// "N registo(s) do <file> tem valores que não cabem na coluna": a table's records written
// with asterisks; nothing when there is none.
std::string records_not_fitting_text(std::size_t count, const std::string& file);
// The same for elipses.scr, whose number lines CAD cannot use.
std::string script_lines_not_fitting_text(std::size_t count);

// Once the files are in place: their names and folder, and the largest semi-major axis of
// the run and of each computation of a closed traverse.
std::string written_text(const PreAnalysis& analysis, const Presentation& presentation,
                         const std::vector<std::string>& names, const std::string& folder);

// Last: a loop, the predicted misclosure, the legs, pairs and points against their
// tolerances, the design sheet's limits and class, and the reliability, each as asked.
std::string decision_text(const PreAnalysis& analysis, const Presentation& presentation);

}  // namespace elipses
