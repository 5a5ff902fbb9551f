#include "pictures/picture_frame.hpp"

#include <algorithm>
#include <cmath>

#include "common/text_encoding.hpp"

namespace elipses::pictures {

namespace {

constexpr char32_t replacement_character = 0xFFFD;

bool is_control(char32_t c) { return (c < 0x20 && c != '\t') || c == 0x7F || c == 0xFFFE || c == 0xFFFF; }

}  // namespace

void Extent::include(const PlanPoint& point) {
  if (empty) {
    min_m = max_m = point.m;
    min_p = max_p = point.p;
    empty = false;
    return;
  }
  min_m = std::min(min_m, point.m);
  max_m = std::max(max_m, point.m);
  min_p = std::min(min_p, point.p);
  max_p = std::max(max_p, point.p);
}

std::u32string readable_text(std::string_view bytes) {
  std::u32string text;
  std::size_t i = 0;
  while (i < bytes.size()) {
    char32_t c = 0;
    std::size_t length = decode_utf8(bytes, i, c);
    if (length == 0) {
      // Not UTF-8: a byte of the code page older CAD programs write.
      c = windows_1252_character(static_cast<unsigned char>(bytes[i]));
      length = 1;
    }
    text.push_back(is_control(c) ? replacement_character : c);
    i += length;
  }
  return text;
}

Extent drawing_extent(const Drawing& drawing) {
  Extent extent;
  for (const DrawnEntity& entity : drawing.entities) {
    if (const auto* text = std::get_if<DrawnText>(&entity)) {
      const double height = std::fabs(text->height);
      const double characters = static_cast<double>(readable_text(text->text).size());
      const double width = characters * height * font_size_per_text_height * character_width_per_font_size;
      extent.include({text->start.m, text->start.p - descent_per_text_height * height});
      extent.include({text->start.m + width, text->start.p + height});
    } else if (const auto* ellipse = std::get_if<DrawnEllipse>(&entity)) {
      // Half the width and height of the box of an ellipse turned by `direction`.
      const EllipseShape shape = ellipse_shape(*ellipse);
      const double c = std::cos(shape.direction);
      const double s = std::sin(shape.direction);
      const double a = shape.first_semi_axis;
      const double b = shape.second_semi_axis;
      const double half_m = std::sqrt(a * a * c * c + b * b * s * s);
      const double half_p = std::sqrt(a * a * s * s + b * b * c * c);
      extent.include({ellipse->centre.m - half_m, ellipse->centre.p - half_p});
      extent.include({ellipse->centre.m + half_m, ellipse->centre.p + half_p});
    } else if (const auto* polyline = std::get_if<DrawnPolyline>(&entity)) {
      for (const PlanPoint& vertex : polyline->vertices) extent.include(vertex);
    }
  }
  return extent;
}

}  // namespace elipses::pictures
