#pragma once
// The program's main line: the fixed Portuguese dialogue (or the answers of the command
// line), the coordinate file, the output files and the computation of the chosen mode
// and traverse.
#include <iosfwd>
#include <string>

#include "dialogue/run_settings.hpp"

namespace elipses {

// Runs one whole session of the dialogue: answers from `in`, what the user sees to `out`,
// messages to `err`. `interactive`: the answers are typed at a terminal, so a slip is
// explained and the question asked again. Returns the exit status: 0 for every orderly
// end (the stop on an invalid option included), 1 when input cannot be read or an
// output file cannot be written.
int run_program(std::istream& in, std::ostream& out, std::ostream& err, const RunExtras& extras = {},
                bool interactive = false);

// The same computation with every answer given beforehand (the command line): nothing is
// shown on `out`; messages go to `err`.
int run_with_answers(const RunSettings& settings, std::ostream& err, const RunExtras& extras = {});

}  // namespace elipses
