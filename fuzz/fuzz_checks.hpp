#pragma once
// The properties every input must keep, shared by the fuzz targets and by the
// regression tests that replay what the fuzzers once found. Each check returns an
// empty string when the program behaved, else a description of the fault.
#include <string>

namespace elipses::fuzzing {

// `bytes` as a coordinate file, written into `work_directory`: the count, check, load
// and reverse passes either refuse it with an input error or agree with one another on
// finite coordinates; a file they accept (of a few dozen points at most) then goes
// through the four computations, whose output files must hold no NUL byte and no
// "nan" or "inf" text.
std::string check_coordinate_file(const std::string& bytes, const std::string& work_directory);

// `answers` typed after the file name of a small valid traverse, the whole dialogue
// run in-process in `work_directory`: status 0, or 1 with a message on the error stream;
// no exception; no NUL byte, "nan" or "inf" in either output file.
std::string check_session(const std::string& answers, const std::string& work_directory);

// `bytes` as a whole command line: the arguments one a line, then, after a NUL byte, the
// coordinate file they name (or the dialogue's first answer names), then, after another
// NUL byte, standard input. Run in-process as main() runs it, from inside
// `work_directory` (emptied first, then given earlier results): exit status 0, 1 or 2
// only; every line on the error stream a message of its own; a usage error one line and
// nothing touched; any other failure with its message and every file as it was; no NUL
// byte, NaN or infinity in any file written. Inputs naming a path outside the folder, or
// of more than a few dozen points, are passed over.
std::string check_options(const std::string& bytes, const std::string& work_directory);

}  // namespace elipses::fuzzing
