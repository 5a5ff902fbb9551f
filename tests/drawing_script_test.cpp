// The figures of elipses.scr's legend at the edges of their fields. Whole scripts, their
// blocks, titles and levels are held byte for byte by the cases of tests/cases.
#include <gtest/gtest.h>

#include <sstream>

#include "output/drawing_script.hpp"
#include "test_support.hpp"

namespace elipses {
namespace {

using elipses::testing::crlf_lines;

DrawingSettings legend_settings() {
  DrawingSettings s;
  s.has_mode = true;
  s.mode = ObservationMode::goniometric;
  s.title = TraverseTitle::open;
  s.ellipse_option = 1;
  s.k = 1.0;
  s.scale = 500.0;
  s.text_height = 2.5;
  s.use.precision.distance_fixed_mm = 5.0;
  s.use.precision.distance_ppm = 3;
  s.use.precision.angle_seconds = 10.0;
  return s;
}

PointList two_points() {
  PointList list;
  list.n = 2;
  list.points = {Point{"P1  ", 100.0, 200.0}, Point{"P2  ", 150.0, 250.0}};
  return list;
}

std::vector<std::string> closing_block(const DrawingSettings& settings, const PointList& points) {
  std::ostringstream file;
  DrawingScriptWriter script{file};
  write_closing_block(script, settings, points);
  script.text.flush();
  return crlf_lines(file.str());
}

struct ScaleCase {
  double scale;
  const char* figure;
};

class ScaleFigureTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ScaleFigureTest, SixCharacters) { EXPECT_EQ(scale_figure(GetParam().scale), GetParam().figure); }

INSTANTIATE_TEST_SUITE_P(
    Moduli, ScaleFigureTest,
    ::testing::Values(ScaleCase{500.0, "500   "}, ScaleCase{2000.7, "2000  "}, ScaleCase{99.0, "099   "},
                      ScaleCase{999.0, "0999  "}, ScaleCase{9999.0, "09999 "}, ScaleCase{1000.0, "1000  "},
                      ScaleCase{12345.0, "12345 "}, ScaleCase{99999.0, "99999 "}, ScaleCase{250.5, "250   "},
                      // Outside the three ranges: the whole modulus in plain digits, or blanks.
                      ScaleCase{50.0, "50    "}, ScaleCase{98.9, "98    "}, ScaleCase{1.0, "1     "},
                      ScaleCase{0.5, "      "}, ScaleCase{0.0, "      "}, ScaleCase{-500.0, "      "},
                      ScaleCase{100000.0, "100000"}, ScaleCase{999999.9, "999999"}, ScaleCase{1e6, "      "},
                      ScaleCase{1e300, "      "}));

TEST(PrecisionFigures, TwoCharactersOrTheWholeValue) {
  // Millimetres and ppm, a fraction truncated: 1.5 ppm is written 1.
  EXPECT_EQ(truncated_figure(5.0), "5 ");
  EXPECT_EQ(truncated_figure(12.7), "12");
  EXPECT_EQ(truncated_figure(3.9), "3 ");
  EXPECT_EQ(truncated_figure(1.5), "1 ");
  EXPECT_EQ(truncated_figure(99.99), "99");
  EXPECT_EQ(truncated_figure(0.0), "0 ");
  EXPECT_EQ(truncated_figure(-0.5), "0 ");
  EXPECT_EQ(truncated_figure(100.0), "100");
  EXPECT_EQ(truncated_figure(150.7), "150");
  EXPECT_EQ(truncated_figure(-5.5), "-5");
  EXPECT_EQ(truncated_figure(1e20), "100000000000000000000");
  // Seconds: the whole seconds within 32 bits.
  EXPECT_EQ(whole_seconds_figure(3.0), "3 ");
  EXPECT_EQ(whole_seconds_figure(7.9), "7 ");
  EXPECT_EQ(whole_seconds_figure(99.0), "99");
  EXPECT_EQ(whole_seconds_figure(1800.0), "1800");
  EXPECT_EQ(whole_seconds_figure(-1.5), "-1");
  EXPECT_EQ(whole_seconds_figure(-1e12), "-2147483648");
}

TEST(ClosingBlock, WiderFiguresTakeTheirFieldsLeadingBlanks) {
  DrawingSettings s = legend_settings();
  s.use.precision.distance_ppm = 120;
  s.use.precision.angle_seconds = 1800;
  const std::vector<std::string> lines = closing_block(s, two_points());
  EXPECT_EQ(lines[21], "       Incerteza das obs. de distancia=5 mm+120ppm");
  EXPECT_EQ(lines[26], "              Incerteza das obs. de direccao=1800\"");
  s.use.precision.distance_fixed_mm = 1e12;
  EXPECT_EQ(closing_block(s, two_points())[21], "Incerteza das obs. de distancia=1000000000000mm+120ppm");
  // Directions given in cc say so; centring or sets add a line of their own below.
  EXPECT_EQ(lines.size(), 33u) << "no centring line at the defaults";
  s.use.precision.angle_unit = AngleUnit::centesimal_seconds;
  s.use.target_centring_mm = 1.5;
  s.use.sets = 3;
  const std::vector<std::string> used = closing_block(s, two_points());
  EXPECT_EQ(used[26], "             Incerteza das obs. de direccao=1800cc");
  EXPECT_EQ(used[27], "TEXT");
  EXPECT_EQ(used[28], "100.000,-400.000");
  EXPECT_EQ(used[31], "Centragem do instrumento=0mm, dos alvos=1.5mm; 3 giros");
  // The adjusted drawing writes the precisions as given, fractions included.
  s.adjusted = true;
  s.title = TraverseTitle::closed;
  s.use.precision = ObservationPrecision{2.5, 1.5, 1.5};
  const std::vector<std::string> adjusted = closing_block(s, two_points());
  EXPECT_EQ(adjusted[21], "  Incerteza das obs. de distancia=2.5 mm + 1.5 ppm");
  EXPECT_EQ(adjusted[26], "               Incerteza das obs. de direccao=1.5\"");
}

}  // namespace
}  // namespace elipses
