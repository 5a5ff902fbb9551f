#include "pictures/picture_frame.hpp"

#include <algorithm>
#include <cmath>

namespace elipses::pictures {

namespace {

constexpr char32_t replacement_character = 0xFFFD;

// Windows-1252 characters for the bytes 0x80..0x9F; 0 marks the five it leaves undefined.
constexpr char32_t windows_1252_high[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t single_byte_character(unsigned char byte) {
  if (byte < 0x80) return byte;
  if (byte < 0xA0) {
    const char32_t c = windows_1252_high[byte - 0x80];
    return c == 0 ? replacement_character : c;
  }
  return byte;  // Windows-1252 agrees with Latin-1 from 0xA0 on
}

// The length of the valid UTF-8 sequence at `i`, or 0 when there is none.
std::size_t utf8_sequence(std::string_view bytes, std::size_t i, char32_t& decoded) {
  const auto lead = static_cast<unsigned char>(bytes[i]);
  std::size_t length = 0;
  char32_t value = 0;
  char32_t lowest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1Fu, lowest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0Fu, lowest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07u, lowest = 0x10000;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(bytes[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3Fu);
  }
  // Over-long forms, UTF-16 surrogates and values past U+10FFFF are not characters.
  if (value < lowest || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return 0;
  decoded = value;
  return length;
}

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
    std::size_t length = utf8_sequence(bytes, i, c);
    if (length == 0) {
      c = single_byte_character(static_cast<unsigned char>(bytes[i]));
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
