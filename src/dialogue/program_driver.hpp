#pragma once
// The program's main line: the fixed Portuguese dialogue, the coordinate file, the two
// output files and the dispatch to the computation of the chosen mode and traverse.
#include <iosfwd>
#include <string>

namespace elipses {

// Runs one whole session: answers from `in`, what the user sees to `out`, messages to
// `err`. The output files are written into `output_directory`. Returns the exit status:
// 0 for every orderly end (the stop on an invalid option included), 1 when input cannot
// be read or an output file cannot be written.
int run_program(std::istream& in, std::ostream& out, std::ostream& err, const std::string& output_directory = ".");

}  // namespace elipses
