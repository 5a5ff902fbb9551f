#pragma once
// The played drawing as a DXF file of release 12, the oldest form that every CAD and GIS
// program still reads, for those that cannot run the script. Each ellipse becomes a
// closed polyline of `ellipse_vertices` vertices; the layers keep the names, ellipses,
// legend and traverse apart, and every entity keeps the colour it was drawn in.
#include <string>
#include <string_view>

#include "pictures/drawing.hpp"

namespace elipses::pictures {

constexpr int ellipse_vertices = 96;  // a turn of 3.75 degrees per side looks round at any zoom

constexpr std::string_view names_layer = "NOMES";
constexpr std::string_view ellipses_layer = "ELIPSES";
constexpr std::string_view legend_layer = "LEGENDA";
constexpr std::string_view traverse_layer = "POLIGONAL";

// The layer of a text: the names of the points are written in colour 7 and the legend in
// the legend's colour, so a text in colour 7 is a name.
std::string_view text_layer(const DrawnText& text);

// The whole DXF file, lines ended by CR LF, texts in Windows-1252 (other characters as
// the \U+XXXX escapes that CAD programs read).
std::string dxf_drawing(const Drawing& drawing);

}  // namespace elipses::pictures
