#include "pictures/svg_picture.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

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

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Text content or attribute value with the characters XML reserves escaped.
std::string xml_text(std::string_view bytes) {
  std::string out;
  for (const char32_t c : readable_text(bytes)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: append_utf8(out, c);
    }
  }
  return out;
}

double smallest_text_height(const Drawing& drawing) {
  double smallest = 0.0;
  for (const DrawnEntity& entity : drawing.entities) {
    if (const auto* text = std::get_if<DrawnText>(&entity)) {
      const double height = std::fabs(text->height);
      if (height > 0.0 && (smallest == 0.0 || height < smallest)) smallest = height;
    }
  }
  return smallest;
}

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

std::string svg_picture(const Drawing& drawing, std::string_view title) {
  Extent extent = drawing_extent(drawing);
  if (extent.empty) {  // a script that draws nothing still gets a (blank) picture
    extent.include({0.0, 0.0});
    extent.include({100.0, 100.0});
  }
  double longer = std::max(extent.width(), extent.height());
  if (!(longer > 0.0)) longer = 1.0;  // a lone point
  const double margin = margin_share * longer;
  const double view_m = extent.min_m - margin;
  const double view_y = -(extent.max_p + margin);
  const double view_width = extent.width() + 2.0 * margin;
  const double view_height = extent.height() + 2.0 * margin;
  const double longer_view = std::max(view_width, view_height);

  double pixels_per_metre = overview_pixels / longer_view;
  const double smallest_text = smallest_text_height(drawing);
  if (smallest_text > 0.0) pixels_per_metre = std::max(pixels_per_metre, smallest_text_pixels / smallest_text);
  pixels_per_metre = std::min(pixels_per_metre, largest_pixels / longer_view);

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
  for (const DrawnEntity& entity : drawing.entities) {
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
