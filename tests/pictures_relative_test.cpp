// elipses-relativas.scr played as elipses-svg plays it: each leg's ellipse at the leg's
// midpoint with the axes of elipses-relativas.txt, magnified by the scale modulus; the
// tolerance circles and the verdicts' colours.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "dialogue/command_line.hpp"
#include "dialogue/program_driver.hpp"
#include "output/relative_drawing.hpp"
#include "pictures/script_player.hpp"
#include "pictures/svg_picture.hpp"
#include "test_support.hpp"

namespace elipses::pictures {
namespace {

using elipses::testing::crlf_lines;
using elipses::testing::read_file;
using elipses::testing::TempDir;
using elipses::testing::write_file;

const double gon = std::acos(-1.0) / 200.0;

struct RelativeRun {
  const char* name;
  const char* coordinates;
  std::vector<std::string> options;
};
void PrintTo(const RelativeRun& run, std::ostream* out) { *out << run.name; }

class RelativeScript : public ::testing::TestWithParam<RelativeRun> {};

TEST_P(RelativeScript, PlaysWithTheEllipsesOfTheRelativeTable) {
  TempDir dir;
  write_file(dir.file("p.txt"), GetParam().coordinates);
  std::vector<std::string> arguments = {dir.file("p.txt"), "--saida", dir.path().string(), "--relativas"};
  arguments.insert(arguments.end(), GetParam().options.begin(), GetParam().options.end());
  const CommandLine line = read_command_line(arguments);
  std::ostringstream said;
  ASSERT_EQ(run_with_answers(line.settings, said), 0) << said.str();

  const Drawing drawing = play_drawing_script(read_file(dir.file("elipses-relativas.scr")));
  EXPECT_TRUE(drawing.warnings.empty());
  std::vector<DrawnEllipse> ellipses;
  std::vector<DrawnText> texts;
  const DrawnPolyline* traverse = nullptr;
  for (const DrawnEntity& entity : drawing.entities) {
    if (const auto* e = std::get_if<DrawnEllipse>(&entity)) ellipses.push_back(*e);
    if (const auto* t = std::get_if<DrawnText>(&entity)) texts.push_back(*t);
    if (const auto* p = std::get_if<DrawnPolyline>(&entity)) traverse = p;
  }
  const std::vector<std::string> table = crlf_lines(read_file(dir.file("elipses-relativas.txt")));
  ASSERT_NE(traverse, nullptr);
  // With a tolerance each leg has its circle too, drawn just before its ellipse.
  const bool tested = table[0].find("cumpre") != std::string::npos;
  std::vector<DrawnEllipse> circles;
  if (tested) {
    ASSERT_EQ(ellipses.size() % 2, 0u);
    for (std::size_t i = 0; i < ellipses.size(); i += 2) circles.push_back(ellipses[i]);
    for (std::size_t i = 0; i < circles.size(); ++i) ellipses[i] = ellipses[2 * i + 1];
    ellipses.resize(circles.size());
  }
  ASSERT_EQ(ellipses.size(), table.size() - 1) << "one ellipse per leg, and no other";
  ASSERT_EQ(traverse->vertices.size(), table.size());
  const double scale = line.settings.scale;
  for (std::size_t leg = 0; leg + 1 < table.size(); ++leg) {
    SCOPED_TRACE(table[leg + 1]);
    std::istringstream record(table[leg + 1]);
    std::string from, to;
    double length, a, b, teta;
    record >> from >> to >> length >> a >> b >> teta;
    EXPECT_EQ(texts[leg].text.substr(0, from.size()), from);
    if (tested) {
      double s_m, s_p, s_mp, ppm, tolerance, ratio;
      std::string verdict;
      record >> s_m >> s_p >> s_mp >> ppm >> tolerance >> ratio >> verdict;
      const EllipseShape circle = ellipse_shape(circles[leg]);
      EXPECT_NEAR(circle.first_semi_axis, scale * tolerance, scale * 0.00005 + 0.002);
      EXPECT_NEAR(circle.second_semi_axis, scale * tolerance, scale * 0.00005 + 0.002);
      EXPECT_EQ(ellipses[leg].colour, verdict == "cumpre" ? 3 : 1) << verdict;
    }
    const PlanPoint& p1 = traverse->vertices[leg];
    const PlanPoint& p2 = traverse->vertices[leg + 1];
    const DrawnEllipse& e = ellipses[leg];
    EXPECT_NEAR(e.centre.m, (p1.m + p2.m) / 2, 0.0015);
    EXPECT_NEAR(e.centre.p, (p1.p + p2.p) / 2, 0.0015);
    const EllipseShape shape = ellipse_shape(e);
    EXPECT_NEAR(shape.first_semi_axis, scale * a, scale * 0.00005 + 0.002);
    EXPECT_NEAR(shape.second_semi_axis, scale * b, scale * 0.00005 + 0.002);
    // The axis's azimuth from +P towards +M, against teta; an axis has no sense (200 gon).
    const double turn = std::remainder(std::atan2(e.axis_end.m - e.centre.m, e.axis_end.p - e.centre.p) - teta * gon,
                                       std::acos(-1.0));
    if (shape.first_semi_axis > 1.1 * shape.second_semi_axis) { EXPECT_NEAR(turn, 0.0, 0.002); }
  }
  // The picture elipses-svg writes holds the same ellipses.
  const std::string svg = svg_picture(drawing, "elipses-relativas.scr");
  std::size_t drawn = 0;
  for (std::size_t at = 0; (at = svg.find("<ellipse ", at)) != std::string::npos; ++at) ++drawn;
  EXPECT_EQ(drawn, ellipses.size() + circles.size());
  // The legend gives the precisions as they were typed.
  std::string legend;
  for (const DrawnText& t : texts) legend += t.text + "\n";
  EXPECT_NE(legend.find("2.5 mm + 1.5 ppm"), std::string::npos) << legend;
  EXPECT_NE(legend.find("1.5\""), std::string::npos) << legend;
  EXPECT_NE(legend.find("sigma ("), std::string::npos) << legend;
}

const char* const zigzag =
    "\"T1\" -120345.6 -290123.4\n'T2', -120100.0, -290000.0\n\"T3\", -119900.5, -290150.25\n"
    "\"T4\", -119650, -289900\n\"T5\", -119400.75, -290050.5\n";
INSTANTIATE_TEST_SUITE_P(
    Runs, RelativeScript,
    ::testing::Values(
        RelativeRun{"goniometric_closed", zigzag,
                    {"--modo", "g", "--poligonal", "f", "--mm", "2.5", "--ppm", "1.5", "--segundos", "1.5", "--inicial",
                     "0.005,0.004,0", "--final", "0.008,0.006,0.00001", "--escala", "2000", "--nivel", "7"}},
        RelativeRun{"goniometric_open", zigzag,
                    {"--modo", "g", "--poligonal", "a", "--mm", "2.5", "--ppm", "1.5", "--segundos", "1.5", "--inicial",
                     "0,0,0"}},
        RelativeRun{"goniometric_closed_tolerance", zigzag,
                    {"--modo", "g", "--poligonal", "f", "--mm", "2.5", "--ppm", "1.5", "--segundos", "1.5", "--inicial",
                     "0,0,0", "--final", "0,0,0", "--tolerancia", "4,5"}},  // the first leg passes, the rest exceed
        RelativeRun{"declined_closed", zigzag,
                    {"--modo", "d", "--poligonal", "f", "--mm", "2.5", "--ppm", "1.5", "--segundos", "1.5", "--escala",
                     "500", "--nivel", "1"}}),
    [](const ::testing::TestParamInfo<RelativeRun>& info) { return std::string(info.param.name); });

// The tolerance of each leg, when one is given: a circle of its radius around the same
// midpoint, magnified like the ellipse, and the ellipse in the colour of its verdict.
TEST(RelativeScript, ToleranceCirclesAndVerdictColours) {
  PointList points;
  points.n = 4;
  points.points = {Point{"A   ", 0, 0}, Point{"B   ", 100, 0}, Point{"C   ", 200, 50}, Point{"D   ", 300, 50}};
  TraverseCovariance joint;
  joint.points = {Covariance2{}, {1e-4, 2e-4, 0.5e-4}, {3e-4, 1e-4, 0}, {4e-4, 4e-4, 1e-4}};
  joint.neighbours.resize(3);
  LegTests tests = test_legs(points, joint, 2.447, Tolerances{});
  RelativeDrawingSettings settings;
  settings.drawing.scale = 1000;
  settings.drawing.text_height = 2.5;
  settings.drawing.k = 2.447;
  settings.drawing.ellipse_option = 5;
  settings.tolerance_legend = ToleranceLegend{20, 50};
  struct Leg {
    std::optional<LegTest> tolerance;
    int ellipse_colour;  // 0: no circle drawn
    int circle_colour;
  };
  const std::vector<Leg> legs = {{std::nullopt, 1, 0}, {LegTest{0.05, 0.2, true}, 3, 5}, {LegTest{0.01, 2.0, false}, 1, 5}};
  for (std::size_t i = 0; i < legs.size(); ++i) tests.legs[i].test = legs[i].tolerance;
  std::ostringstream file;
  DrawingScriptWriter script(file);
  write_relative_drawing(script, settings, points, tests);
  script.text.flush();
  const Drawing drawing = play_drawing_script(file.str());
  std::vector<DrawnEllipse> ellipses;
  std::string legend;
  for (const DrawnEntity& entity : drawing.entities) {
    if (const auto* e = std::get_if<DrawnEllipse>(&entity)) ellipses.push_back(*e);
    if (const auto* t = std::get_if<DrawnText>(&entity)) legend += t->text + "\n";
  }
  ASSERT_EQ(ellipses.size(), 5u);  // three ellipses and two circles
  std::size_t next = 0;
  for (std::size_t i = 0; i < legs.size(); ++i) {
    SCOPED_TRACE(i);
    const PlanPoint mid{(points.points[i].m + points.points[i + 1].m) / 2, (points.points[i].p + points.points[i + 1].p) / 2};
    if (legs[i].tolerance) {
      const DrawnEllipse& circle = ellipses[next++];
      const EllipseShape shape = ellipse_shape(circle);
      EXPECT_EQ(circle.colour, legs[i].circle_colour);
      EXPECT_NEAR(shape.first_semi_axis, 1000 * legs[i].tolerance->tolerance, 0.002);
      EXPECT_NEAR(shape.second_semi_axis, 1000 * legs[i].tolerance->tolerance, 0.002);
      EXPECT_NEAR(circle.centre.m, mid.m, 0.001);
      EXPECT_NEAR(circle.centre.p, mid.p, 0.001);
    }
    const DrawnEllipse& ellipse = ellipses[next++];
    EXPECT_EQ(ellipse.colour, legs[i].ellipse_colour);
    EXPECT_NEAR(ellipse.centre.m, mid.m, 0.001);
  }
  EXPECT_NE(legend.find("Tolerância relativa: 20 mm + 50 ppm"), std::string::npos) << legend;
}

}  // namespace
}  // namespace elipses::pictures
