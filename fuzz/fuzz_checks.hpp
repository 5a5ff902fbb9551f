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

}  // namespace elipses::fuzzing
