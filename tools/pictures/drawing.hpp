#pragma once
// What a drawing script draws, once played: the texts, ellipses and polylines in the
// order of their commands, each in the colour that was current when it was drawn.
// Coordinates are the script's own M (east-like abscissa) and P (north-like ordinate),
// in metres of the drawing.
#include <cstddef>
#include <string>
#include <variant>
#include <vector>

namespace elipses::pictures {

struct PlanPoint {
  double m = 0.0;
  double p = 0.0;
};

// The CAD program's colour numbers that the scripts use: 1 red, 3 green, 5 blue and
// 7, which the CAD program shows dark on a light background.
using ColourNumber = int;
constexpr ColourNumber default_colour = 7;

struct DrawnText {
  PlanPoint start;         // left end of the base line
  double height = 0.0;     // height of the capital letters, metres of the drawing
  std::string text;        // the text line as read, bytes unchanged (blanks included)
  ColourNumber colour = default_colour;
  std::size_t line = 0;    // line of the TEXT command in the script
};

// An ellipse given as the CAD program's ELLIPSE command with its centre option takes it:
// the centre, the end point of one axis, and the distance from the centre to the end of
// the other axis.
struct DrawnEllipse {
  PlanPoint centre;
  PlanPoint axis_end;
  double other_axis = 0.0;
  ColourNumber colour = default_colour;
  std::size_t line = 0;
};

struct DrawnPolyline {
  std::vector<PlanPoint> vertices;  // never closed back to the first vertex
  ColourNumber colour = default_colour;
  std::size_t line = 0;
};

using DrawnEntity = std::variant<DrawnText, DrawnEllipse, DrawnPolyline>;

struct Drawing {
  std::vector<DrawnEntity> entities;  // in the order of the script
  // Things the picture can show but the CAD program would not accept as they stand
  // (a text height or an axis that is not positive), one message each, naming the line.
  std::vector<std::string> warnings;
};

// The ellipse's first semi-axis (from the centre to the axis end point), the second one
// (the distance, taken without its sign) and the direction of the first axis as the
// anticlockwise angle from +M, in radians.
struct EllipseShape {
  double first_semi_axis = 0.0;
  double second_semi_axis = 0.0;
  double direction = 0.0;
};
EllipseShape ellipse_shape(const DrawnEllipse& ellipse);

// Points on the ellipse's outline, `count` of them evenly spread in its parameter,
// starting at the axis end point and running anticlockwise.
std::vector<PlanPoint> ellipse_outline(const DrawnEllipse& ellipse, int count);

}  // namespace elipses::pictures
