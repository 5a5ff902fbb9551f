#pragma once
// The program's main line, one way for every run: the answers (the fixed Portuguese
// dialogue, or the command line), then read the coordinate file, analyse, write the files
// and say what they hold.
#include <iosfwd>
#include <string>

#include "dialogue/run_settings.hpp"

namespace elipses {

// Runs one whole session of the dialogue: answers from `in`, what the user sees to `out`,
// messages to `err`. `interactive`: the answers are typed at a terminal, so a slip is
// explained and the question asked again. Returns the exit status: 0 for every orderly
// end (the stop on an invalid option included), 1 when input cannot be read or an
// output file cannot be written.
// `given`: what the options said before the dialogue (the folder, the further results,
// the centring and the sets); the dialogue asks the rest.
int run_program(std::istream& in, std::ostream& out, std::ostream& err, const RunSettings& given = {},
                bool interactive = false);

// The same computation with every answer given beforehand (the command line): nothing is
// shown on `out`; messages go to `err`.
int run_with_answers(const RunSettings& settings, std::ostream& err);

}  // namespace elipses
