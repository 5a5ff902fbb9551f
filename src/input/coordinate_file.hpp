#pragma once
// The coordinate file: the planned points of the traverse in traverse order, one point
// per record: its name (quoted with " or ', or bare when it does not read as a number),
// then M and P in metres, in free form. A file saved from a spreadsheet in Portuguese
// settings has semicolons instead: one record a line, name;M;P, with a comma or a point
// as the decimal mark, perhaps under a header line. The file is counted, loaded, and for
// a closed traverse loaded again in reverse, each pass reading it from its start.
// Asked for heights, every record carries a third value after P, the planned height H in
// metres: on P's own line (name;M;P;H in a semicolon file).
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "propagation/traverse_model.hpp"

namespace elipses {

struct CoordinateFile {
  std::string name;
  std::ifstream stream;
  // Set before count_points, and left so for every pass, to read the planned heights:
  // each record must then carry H (m) after P on P's own line, read by the rules of M and
  // P (a null value or a slash keeps the previous point's), into Point::h; a record
  // without it, or with one that is not a number, is refused with its line. Left false,
  // the file reads as it always has: a value after P is passed over with a warning, and
  // every Point::h stays 0.
  bool heights = false;
  // Told by the check pass (count_points, and check_traverse when it reads again), asked
  // for heights or not: true when the file has points and every record writes a number
  // right after P on P's own line (a semicolon file: in its fourth field), as a file of
  // heights does, so that the heights can be offered. A null value, a slash or a line end
  // there makes it false. A plain file written with decimal commas may show numbers there
  // too; its records then get the warning of values after P.
  bool every_point_has_third_value = false;
  // The reading variables, shared by every point of every pass: a value that a record
  // leaves out (null value or slash) keeps what the point read before it left there.
  Point reading;
  // The pass in progress: the file's bytes, the read position and its 1-based line.
  std::string text;
  std::size_t position = 0;
  std::int32_t line = 1;
  // Its first record holds a semicolon outside a quoted name: one record a line, name;M;P.
  bool semicolons = false;
  // What the check pass notices for the warnings: records with more values after P (or
  // after H, when asked for heights) on their line (the mark of decimal commas), and
  // names the cut to four characters made equal.
  bool noting = false;
  std::string full_name;  // the last name read, before the cut
  // The first record left a value out (a null value or a slash): it then takes what the
  // pass before left, so the count pass may read other values than the load pass.
  bool first_record_incomplete = false;
  struct NameUse {
    std::uint64_t stored;  // hashes: a traverse may have a hundred thousand points
    std::uint64_t full;
    std::size_t offset;    // where the record starts in the text of the pass
    std::int32_t line;
  };
  std::vector<NameUse> name_uses;
  bool any_name_cut = false;
  Point previous;
  std::int32_t previous_line = 0;
  std::string unusable_leg;   // the refusal of the first leg of no length or of no finite length
  std::vector<std::string> notes_more_after_p;
  std::int32_t more_after_p_count = 0;
  std::vector<std::string> notes_names;
  std::int32_t names_count = 0;
  // A semicolon file's first line without coordinates (its line number, 0 when there is
  // none) is a header, passed over by every pass.
  std::int32_t header_line = 0;
  std::string header;
};

// Opens the file for reading; refuses a missing or unreadable file.
void open_coordinate_file(CoordinateFile& file, const std::string& name);

// Counts the points from the start of the file to its end (blank lines and white space
// after the last point are ignored); refuses a bad record or a file holding a NUL byte.
std::int32_t count_points(CoordinateFile& file);

// Refuses, before any output exists, a file without points and a traverse with a leg
// of zero length (its direction is undefined), naming both points. Reads the n points
// as the load pass will, then leaves the reading variables as they were.
void check_traverse(CoordinateFile& file, std::int32_t n);

// The warnings of the check pass, one line each (without the program's prefix).
std::vector<std::string> reading_warnings(const CoordinateFile& file);

// Reads n points from the start of the file into points 1..n, in file order (with their
// heights when file.heights is set).
PointList load_points(CoordinateFile& file, std::int32_t n);

// Reads the n points again from the start of the file, storing the i-th as point n+1-i:
// the traverse as the pass from its final point walks it.
PointList load_points_reversed(CoordinateFile& file, std::int32_t n);

// The first four characters of a name, blank-filled to four; a multi-byte UTF-8
// character is never split.
std::string four_character_name(const std::string& name);

}  // namespace elipses
