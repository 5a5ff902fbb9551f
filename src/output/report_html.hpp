#pragma once
// The pieces the report's writers share: numbers for the SVG and the tables, the colours
// of the drawing and its key, and the sections written in files of their own.
#include <ostream>
#include <string>
#include <vector>

#include "output/report.hpp"

namespace elipses::report_html {

// The colours of the drawing, the same in its key: every swatch is the colour drawn.
inline constexpr const char* layer_colours[] = {"#1a3fc0", "#7a1fa2", "#00838f", "#8d5a00"};
inline constexpr const char* traverse_colour = "#404040";
inline constexpr const char* relative_colour = "#e07000";   // a relative ellipse without a tolerance
inline constexpr const char* passes_colour = "#108a10";
inline constexpr const char* exceeds_colour = "#d01010";
inline constexpr const char* tolerance_colour = "#707070";  // the tolerance circle, dashed

// A number for the SVG: plain decimals, enough for a thousandth of a millimetre.
std::string svg_number(double value);
// A number as the text files write it, with its digit before the point (0.017).
std::string table_number(double value, int decimals);

void write_table_head(std::ostream& out, const std::vector<std::string>& headers);
void write_table_end(std::ostream& out);
// A cell; one reading "cumpre" or "excede" is coloured by its verdict, a number aligned.
void write_cell(std::ostream& out, const std::string& text, bool number);

// The drawing with its switches and key, and the style rules that hide a switched-off layer.
void write_drawing_section(std::ostream& out, const Report& report);
std::string layer_switch_rules(const Report& report);

// How the plan would pass.
void write_design_section(std::ostream& out, const Report& report);

// The heights: their profile, and the tables.
void write_heights_section(std::ostream& out, const Report& report);

// A table's rows: all of them, or the first and the worst ones of a long table with a row
// saying how many are elsewhere and in which file.
std::vector<std::size_t> shown_places(const Selection& selection, std::size_t size);
void write_gap(std::ostream& out, std::size_t skipped, std::size_t columns, const std::string& whole);

}  // namespace elipses::report_html
