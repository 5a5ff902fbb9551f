#include "pictures/svg_picture.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "output/report.hpp"
#include "pictures/picture_frame.hpp"

namespace elipses::pictures {

namespace {

constexpr std::string_view background = "#ffffff";

// Plain decimal text of a number (an exponent only for very small or large values).
std::string number(double value) {
  if (value == 0.0) return "0";  // never "-0"
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 12);
  return std::string(digits, result.ptr);
}

// Text content or attribute value with the characters XML reserves escaped, read as the
// report reads a name (UTF-8, or Windows-1252 from older CAD programs).
std::string xml_text(std::string_view bytes) { return html_text(bytes); }

// A line keeps its width on screen however far the picture is zoomed or shrunk; where a
// viewer lacks that effect, the width falls back to the same number of metres.
std::string stroke_attributes(ColourNumber colour) {
  return " stroke=\"" + std::string(svg_colour(colour)) + "\" stroke-width=\"" + number(stroke_pixels) +
         "\" vector-effect=\"non-scaling-stroke\"";
}

void write_text(std::string& svg, const DrawnText& text) {
  const double height = std::fabs(text.height);
  if (height == 0.0) return;  // nothing to see; the player has warned
  svg += "<text x=\"" + number(text.start.m) + "\" y=\"" + number(-text.start.p) + "\" font-size=\"" +
         number(height * font_size_per_text_height) + "\" fill=\"" + std::string(svg_colour(text.colour)) + "\">" +
         xml_text(text.text) + "</text>\n";
}

void write_ellipse(std::string& svg, const DrawnEllipse& ellipse) {
  const EllipseShape shape = ellipse_shape(ellipse);
  const std::string stroke = stroke_attributes(ellipse.colour) + "/>\n";
  const std::string cx = number(ellipse.centre.m);
  const std::string cy = number(-ellipse.centre.p);
  if (shape.first_semi_axis > 0.0 && shape.second_semi_axis > 0.0) {
    // The picture's y runs against P, so the axis turns clockwise where the plan turns anticlockwise.
    const double degrees = -shape.direction * 180.0 / (4.0 * std::atan(1.0));
    svg += "<ellipse cx=\"" + cx + "\" cy=\"" + cy + "\" rx=\"" + number(shape.first_semi_axis) + "\" ry=\"" +
           number(shape.second_semi_axis) + "\" transform=\"rotate(" + number(degrees) + " " + cx + " " + cy + ")\"" +
           stroke;
  } else if (shape.first_semi_axis > 0.0) {
    // A flat ellipse is its first axis.
    const double dm = ellipse.axis_end.m - ellipse.centre.m;
    const double dp = ellipse.axis_end.p - ellipse.centre.p;
    svg += "<line x1=\"" + number(ellipse.centre.m - dm) + "\" y1=\"" + number(-(ellipse.centre.p - dp)) +
           "\" x2=\"" + number(ellipse.axis_end.m) + "\" y2=\"" + number(-ellipse.axis_end.p) + "\"" + stroke;
  } else if (shape.second_semi_axis > 0.0) {
    svg += "<circle cx=\"" + cx + "\" cy=\"" + cy + "\" r=\"" + number(shape.second_semi_axis) + "\"" + stroke;
  }
}

void write_polyline(std::string& svg, const DrawnPolyline& polyline) {
  svg += "<polyline points=\"";
  for (std::size_t i = 0; i < polyline.vertices.size(); ++i) {
    if (i > 0) svg += ' ';
    svg += number(polyline.vertices[i].m) + "," + number(-polyline.vertices[i].p);
  }
  svg += "\"" + stroke_attributes(polyline.colour) + "/>\n";
}

}  // namespace

std::string_view svg_colour(ColourNumber colour) {
  switch (colour) {
    case 1: return "#d01010";  // red
    case 3: return "#108a10";  // green
    case 5: return "#1030d0";  // blue
    default: return "#202020";  // 7: white on the CAD program's dark screen, dark on paper
  }
}

Drawing drawing_as_shown(const Drawing& drawing, double pixels_per_metre) {
  Drawing shown = drawing;
  const double legible = legible_text_pixels / pixels_per_metre;
  PlanPoint legend_start;
  int legend_line = 0;
  for (std::size_t i = 0; i < shown.entities.size(); ++i) {
    auto* text = std::get_if<DrawnText>(&shown.entities[i]);
    if (text == nullptr) continue;
    if (text->height > 0.0 && text->height < legible) text->height = legible;
    // The legend: texts of its colour one under another at the same M, one after another.
    const auto* previous = i > 0 ? std::get_if<DrawnText>(&drawing.entities[i - 1]) : nullptr;
    const DrawnText& drawn = std::get<DrawnText>(drawing.entities[i]);
    if (previous != nullptr && previous->colour == drawn.colour && drawn.colour != default_colour &&
        previous->start.m == drawn.start.m && previous->start.p > drawn.start.p) {
      ++legend_line;
      text->start.p = legend_start.p - legend_line * legend_line_pitch * std::fabs(text->height);
    } else {
      legend_start = drawn.start;
      legend_line = 0;
    }
  }
  return shown;
}

std::string svg_picture(const Drawing& drawing, std::string_view title) {
  // The scale and the texts' size depend on each other: a few rounds settle them.
  double pixels_per_metre = 0.0;
  Drawing shown = drawing;
  Extent extent;
  double view_width = 0.0;
  double view_height = 0.0;
  for (int round = 0; round < 6; ++round) {
    extent = drawing_extent(shown);
    if (extent.empty) {  // a script that draws nothing still gets a (blank) picture
      extent.include({0.0, 0.0});
      extent.include({100.0, 100.0});
    }
    double longer = std::max(extent.width(), extent.height());
    if (!(longer > 0.0)) longer = 1.0;  // a lone point
    const double margin = margin_share * longer;
    extent.min_m -= margin;
    extent.max_m += margin;
    extent.min_p -= margin;
    extent.max_p += margin;
    view_width = extent.width();
    view_height = extent.height();
    pixels_per_metre = std::min(screen_width / view_width, screen_height / view_height);
    if (round + 1 < 6) shown = drawing_as_shown(drawing, pixels_per_metre);
  }
  const double view_m = extent.min_m;
  const double view_y = -extent.max_p;

  std::string svg;
  svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
         number(std::round(view_width * pixels_per_metre * 100.0) / 100.0) + "\" height=\"" +
         number(std::round(view_height * pixels_per_metre * 100.0) / 100.0) + "\" viewBox=\"" + number(view_m) + " " +
         number(view_y) + " " + number(view_width) + " " + number(view_height) + "\" xml:space=\"preserve\">\n";
  svg += "<title>" + xml_text(title) + "</title>\n";
  svg += "<desc>M para a direita, P para cima; unidades do desenho: metros (y = -P).</desc>\n";
  svg += "<rect x=\"" + number(view_m) + "\" y=\"" + number(view_y) + "\" width=\"" + number(view_width) +
         "\" height=\"" + number(view_height) + "\" fill=\"" + std::string(background) + "\"/>\n";
  svg += "<g fill=\"none\" stroke-linecap=\"round\" stroke-linejoin=\"round\" "
         "font-family=\"DejaVu Sans Mono, Consolas, Courier New, monospace\" style=\"white-space:pre\">\n";
  for (const DrawnEntity& entity : shown.entities) {
    if (const auto* text = std::get_if<DrawnText>(&entity)) {
      write_text(svg, *text);
    } else if (const auto* ellipse = std::get_if<DrawnEllipse>(&entity)) {
      write_ellipse(svg, *ellipse);
    } else if (const auto* polyline = std::get_if<DrawnPolyline>(&entity)) {
      write_polyline(svg, *polyline);
    }
  }
  svg += "</g>\n</svg>\n";
  return svg;
}

}  // namespace elipses::pictures
