// The command lines of elipses.scr: label, colour and ellipse blocks, the legend and
// the traverse polyline.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "output/drawing_script.hpp"
#include "test_support.hpp"

namespace elipses {
namespace {

using elipses::testing::crlf_lines;

RunSettings legend_settings() {
  RunSettings s;
  s.pi = 4.0 * std::atan(1.0);
  s.mode = 'g';
  s.traverse = 'a';
  s.ellipse_option = 1;
  s.k = 1.0;
  s.scale = 500.0;
  s.text_height = 2.5;
  s.precision.distance_fixed_mm = 5.0;
  s.precision.distance_ppm = 3;
  s.precision.angle_seconds = 10.0;
  s.precision.angle_whole_seconds = 10;
  return s;
}

PointList two_points() {
  PointList list;
  list.n = 2;
  list.points = {Point{"P1  ", 100.0, 200.0}, Point{"P2  ", 150.0, 250.0}};
  return list;
}

std::vector<std::string> closing_block(const RunSettings& settings, const PointList& points) {
  std::ostringstream file;
  DrawingScriptWriter script{file};
  write_closing_block(script, settings, points);
  return crlf_lines(file.str());
}

TEST(ClosingBlock, WorkedExampleLineByLine) {
  const std::vector<std::string> expected = {
      "COLOR", "5",
      "TEXT", "100.000,100.000", "2.500", "0.000", " Poligonal aberta obs. em modo goniometrico",
      "TEXT", "100.000,0.000", "2.500", "0.000", "             Elipses de erro 1 sigma (39.4%)",
      "TEXT", "100.000,-100.000", "2.500", "0.000", "                   Escala das elipses=500   ",
      "TEXT", "100.000,-200.000", "2.500", "0.000", "        Incerteza das obs. de distancia=5 mm+3 ppm",
      "TEXT", "100.000,-300.000", "2.500", "0.000", "                Incerteza das obs. de direccao=10\"",
      "COLOR", "3",
      "PLINE", "100.000,200.000", "150.000,250.000", std::string(63, ' ')};
  EXPECT_EQ(closing_block(legend_settings(), two_points()), expected);
}

TEST(ClosingBlock, InvalidModeHasNeitherTitleNorPrecisionLines) {
  RunSettings s = legend_settings();
  s.mode = 'x';
  const std::vector<std::string> lines = closing_block(s, two_points());
  ASSERT_EQ(lines.size(), 2U + 5U + 5U + 2U + 1U + 2U + 1U);
  EXPECT_EQ(lines[2], "TEXT");
  EXPECT_EQ(lines[3], "100.000,0.000");  // the level title, 200 m below the first point
  EXPECT_EQ(lines[8], "100.000,-100.000");
}

struct TitleCase {
  char mode;
  char traverse;
  const char* title;  // empty: no traverse title
};

class TraverseTitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TraverseTitleTest, ChosenByModeAndTraverseLetters) {
  RunSettings s = legend_settings();
  s.mode = GetParam().mode;
  s.traverse = GetParam().traverse;
  const std::vector<std::string> lines = closing_block(s, two_points());
  const std::string expected = GetParam().title;
  if (expected.empty()) {
    EXPECT_EQ(lines[3], "100.000,0.000");
  } else {
    EXPECT_EQ(lines[3], "100.000,100.000");
    EXPECT_EQ(lines[6], expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Letters, TraverseTitleTest,
    ::testing::Values(TitleCase{'g', 'a', " Poligonal aberta obs. em modo goniometrico"},
                      TitleCase{'G', 'A', " Poligonal aberta obs. em modo goniometrico"},
                      TitleCase{'g', 'f', " Poligonal fechada obs. em modo goniometrico"},
                      TitleCase{'G', 'F', " Poligonal fechada obs. em modo goniometrico"},
                      TitleCase{'d', 'a', "    Poligonal aberta obs. em modo declinado"},
                      TitleCase{'D', 'f', "    Poligonal fechada obs. em modo declinado"},
                      TitleCase{'g', 'x', ""}, TitleCase{'d', ' ', ""}, TitleCase{'x', 'a', ""}));

TEST(ClosingBlock, LevelTitlesInAFieldOfFortyFour) {
  const char* titles[8] = {"Elipses de erro 1 sigma (39.4%)",          "Elipses de confianca 1.177 sigma (50%)",
                           "Elipses de confianca 1.410 sigma (63.2%)", "Elipses de confianca 2.146 sigma (90%)",
                           "Elipses de confianca 2.447 sigma (95%)",   "Elipses de confianca 2.760 sigma (97.5%)",
                           "Elipses de confianca 3.035 sigma (99%)",   "Elipses de confianca 3.500 sigma (99.8%)"};
  for (int option = 1; option <= 8; ++option) {
    RunSettings s = legend_settings();
    s.ellipse_option = option;
    const std::string line = closing_block(s, two_points())[11];
    EXPECT_EQ(line.size(), 44U);
    EXPECT_EQ(line.substr(44 - std::string(titles[option - 1]).size()), titles[option - 1]);
  }
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
  EXPECT_EQ(millimetre_figure(5.0), "5 ");
  EXPECT_EQ(millimetre_figure(12.7), "12");
  EXPECT_EQ(millimetre_figure(3.9), "3 ");
  EXPECT_EQ(millimetre_figure(99.99), "99");
  EXPECT_EQ(millimetre_figure(0.0), "0 ");
  EXPECT_EQ(millimetre_figure(-0.5), "0 ");
  EXPECT_EQ(millimetre_figure(100.0), "100");
  EXPECT_EQ(millimetre_figure(-5.5), "-5");
  EXPECT_EQ(millimetre_figure(1e20), "100000000000000000000");
  EXPECT_EQ(whole_figure(3), "3 ");
  EXPECT_EQ(whole_figure(15), "15");
  EXPECT_EQ(whole_figure(7), "7 ");
  EXPECT_EQ(whole_figure(99), "99");
  EXPECT_EQ(whole_figure(120), "120");
  EXPECT_EQ(whole_figure(1800), "1800");
  EXPECT_EQ(whole_figure(-1), "-1");
  EXPECT_EQ(whole_figure(-2147483647 - 1), "-2147483648");
}

TEST(ClosingBlock, WiderFiguresTakeTheirFieldsLeadingBlanks) {
  RunSettings s = legend_settings();
  s.precision.distance_ppm = 120;
  s.precision.angle_whole_seconds = 1800;
  const std::vector<std::string> lines = closing_block(s, two_points());
  EXPECT_EQ(lines[21], "       Incerteza das obs. de distancia=5 mm+120ppm");
  EXPECT_EQ(lines[26], "              Incerteza das obs. de direccao=1800\"");
  s.precision.distance_fixed_mm = 1e12;
  EXPECT_EQ(closing_block(s, two_points())[21], "Incerteza das obs. de distancia=1000000000000mm+120ppm");
}

TEST(PointBlocks, LabelColourAndEllipseLines) {
  std::ostringstream file;
  DrawingScriptWriter script{file};
  RunSettings s = legend_settings();
  write_label_block(script, s, "A   ", 1000.0, 2000.0);
  write_colour(script, "1");
  write_ellipse_command(script, 1000.0, 2000.0, 1000.1, 2010.1, 5.0);
  const std::vector<std::string> expected = {"COLOR", "7",   "TEXT",    "1000.000,2000.000", "2.500",
                                             "0.000", "A   ", "COLOR",  "1",                 "ELLIPSE",
                                             "C",     "1000.000,2000.000", "1000.100,2010.100", "5.000"};
  EXPECT_EQ(crlf_lines(file.str()), expected);
}

}  // namespace
}  // namespace elipses
