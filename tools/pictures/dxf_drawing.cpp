#include "pictures/dxf_drawing.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/text_encoding.hpp"
#include "pictures/picture_frame.hpp"

namespace elipses::pictures {

namespace {

struct Layer {
  std::string_view name;
  ColourNumber colour;
};
constexpr Layer layers[] = {
    {"0", 7}, {names_layer, 7}, {ellipses_layer, 1}, {legend_layer, 5}, {traverse_layer, 3}};

class DxfWriter {
 public:
  void tag(int code, std::string_view value) {
    out_ += std::to_string(code);
    out_ += "\r\n";
    out_ += value;
    out_ += "\r\n";
  }
  void tag(int code, double value) {
    if (value == 0.0) value = 0.0;  // never "-0"
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 15);
    tag(code, std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
  }
  void tag(int code, int value) { tag(code, std::to_string(value)); }
  void point(const PlanPoint& point, int first_code = 10) {
    tag(first_code, point.m);
    tag(first_code + 10, point.p);
    tag(first_code + 20, 0.0);
  }
  std::string take() { return std::move(out_); }

 private:
  std::string out_;
};

std::string dxf_text(std::string_view bytes) {
  std::string out;
  for (const char32_t c : readable_text(bytes)) {
    const unsigned char byte = c == '\t' ? static_cast<unsigned char>(' ') : windows_1252_byte(c);
    if (byte != 0) {
      out += static_cast<char>(byte);
    } else {
      char escape[16];
      std::snprintf(escape, sizeof escape, "\\U+%04X", static_cast<unsigned>(c));
      out += escape;
    }
  }
  return out;
}

void write_header(DxfWriter& dxf, const Extent& extent) {
  dxf.tag(0, "SECTION");
  dxf.tag(2, "HEADER");
  dxf.tag(9, "$ACADVER");
  dxf.tag(1, "AC1009");
  dxf.tag(9, "$DWGCODEPAGE");
  dxf.tag(3, "ANSI_1252");
  dxf.tag(9, "$INSBASE");
  dxf.point({0.0, 0.0});
  dxf.tag(9, "$EXTMIN");
  dxf.point({extent.min_m, extent.min_p});
  dxf.tag(9, "$EXTMAX");
  dxf.point({extent.max_m, extent.max_p});
  dxf.tag(0, "ENDSEC");
}

void begin_table(DxfWriter& dxf, std::string_view name, int entries) {
  dxf.tag(0, "TABLE");
  dxf.tag(2, name);
  dxf.tag(70, entries);
}

// The view the drawing opens in: all of it.
void write_viewport(DxfWriter& dxf, const Extent& extent) {
  const double width = extent.width() > 0.0 ? extent.width() : 1.0;
  const double height = extent.height() > 0.0 ? extent.height() : 1.0;
  begin_table(dxf, "VPORT", 1);
  dxf.tag(0, "VPORT");
  dxf.tag(2, "*ACTIVE");
  dxf.tag(70, 0);
  dxf.point({0.0, 0.0}, 10);
  dxf.tag(11, 1.0);
  dxf.tag(21, 1.0);
  dxf.tag(12, (extent.min_m + extent.max_m) / 2.0);
  dxf.tag(22, (extent.min_p + extent.max_p) / 2.0);
  dxf.tag(40, height * 1.1);
  dxf.tag(41, width / height);
  dxf.tag(0, "ENDTAB");
}

void write_tables(DxfWriter& dxf, const Extent& extent) {
  dxf.tag(0, "SECTION");
  dxf.tag(2, "TABLES");
  write_viewport(dxf, extent);

  begin_table(dxf, "LTYPE", 1);
  dxf.tag(0, "LTYPE");
  dxf.tag(2, "CONTINUOUS");
  dxf.tag(70, 0);
  dxf.tag(3, "Solid line");
  dxf.tag(72, 65);
  dxf.tag(73, 0);
  dxf.tag(40, 0.0);
  dxf.tag(0, "ENDTAB");

  begin_table(dxf, "LAYER", static_cast<int>(std::size(layers)));
  for (const Layer& layer : layers) {
    dxf.tag(0, "LAYER");
    dxf.tag(2, layer.name);
    dxf.tag(70, 0);
    dxf.tag(62, layer.colour);
    dxf.tag(6, "CONTINUOUS");
  }
  dxf.tag(0, "ENDTAB");

  // Height 0 in the style: every text carries its own height, as in the script.
  begin_table(dxf, "STYLE", 1);
  dxf.tag(0, "STYLE");
  dxf.tag(2, "STANDARD");
  dxf.tag(70, 0);
  dxf.tag(40, 0.0);
  dxf.tag(41, 1.0);
  dxf.tag(50, 0.0);
  dxf.tag(71, 0);
  dxf.tag(42, 2.5);
  dxf.tag(3, "txt");
  dxf.tag(4, "");
  dxf.tag(0, "ENDTAB");

  begin_table(dxf, "APPID", 1);
  dxf.tag(0, "APPID");
  dxf.tag(2, "ACAD");
  dxf.tag(70, 0);
  dxf.tag(0, "ENDTAB");
  dxf.tag(0, "ENDSEC");
}

void write_polyline(DxfWriter& dxf, std::string_view layer, ColourNumber colour, const std::vector<PlanPoint>& vertices,
                    bool closed) {
  dxf.tag(0, "POLYLINE");
  dxf.tag(8, layer);
  dxf.tag(62, colour);
  dxf.tag(66, 1);
  dxf.point({0.0, 0.0});
  dxf.tag(70, closed ? 1 : 0);
  for (const PlanPoint& vertex : vertices) {
    dxf.tag(0, "VERTEX");
    dxf.tag(8, layer);
    dxf.point(vertex);
  }
  dxf.tag(0, "SEQEND");
  dxf.tag(8, layer);
}

void write_entities(DxfWriter& dxf, const Drawing& drawing) {
  dxf.tag(0, "SECTION");
  dxf.tag(2, "ENTITIES");
  for (const DrawnEntity& entity : drawing.entities) {
    if (const auto* text = std::get_if<DrawnText>(&entity)) {
      const double height = std::fabs(text->height);
      if (height == 0.0) continue;  // nothing to see; the player has warned
      dxf.tag(0, "TEXT");
      dxf.tag(8, text_layer(*text));
      dxf.tag(62, text->colour);
      dxf.point(text->start);
      dxf.tag(40, height);
      dxf.tag(1, dxf_text(text->text));
      dxf.tag(50, 0.0);
      dxf.tag(7, "STANDARD");
    } else if (const auto* ellipse = std::get_if<DrawnEllipse>(&entity)) {
      const EllipseShape shape = ellipse_shape(*ellipse);
      if (shape.first_semi_axis == 0.0 && shape.second_semi_axis == 0.0) continue;
      write_polyline(dxf, ellipses_layer, ellipse->colour, ellipse_outline(*ellipse, ellipse_vertices), true);
    } else if (const auto* polyline = std::get_if<DrawnPolyline>(&entity)) {
      write_polyline(dxf, traverse_layer, polyline->colour, polyline->vertices, false);
    }
  }
  dxf.tag(0, "ENDSEC");
}

}  // namespace

std::string_view text_layer(const DrawnText& text) { return text.colour == 7 ? names_layer : legend_layer; }

std::string dxf_drawing(const Drawing& drawing) {
  Extent extent = drawing_extent(drawing);
  if (extent.empty) extent.include({0.0, 0.0});
  DxfWriter dxf;
  write_header(dxf, extent);
  write_tables(dxf, extent);
  dxf.tag(0, "SECTION");
  dxf.tag(2, "BLOCKS");
  dxf.tag(0, "ENDSEC");
  write_entities(dxf, drawing);
  dxf.tag(0, "EOF");
  return dxf.take();
}

}  // namespace elipses::pictures
