#pragma once
// The command line of elipses-svg:
//
//   elipses-svg [--dxf] [ENTRADA [SAIDA]]
//
// With no path it plays elipses.scr of the working directory and writes elipses.svg
// beside it; with one, it writes beside ENTRADA a file of the same name ending in .svg;
// with two, it writes SAIDA. --dxf, or a SAIDA ending in .dxf, writes a DXF file instead.
// A script that cannot be played is refused with a message naming its line, and then
// nothing is written: an earlier picture of the same name stays as it was.
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace elipses::pictures {

// Returns the exit status: 0 when the picture is written, 1 when the script is refused or
// a file cannot be read or written, 2 when the command line is not understood.
int run_picture_tool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                     const std::filesystem::path& working_directory);

}  // namespace elipses::pictures
