// The heights as the command line asks for them, read from the file and analysed, against
// an independent reference: a dense least-squares solution written observation by
// observation (every one-way zenith angle and slope distance with its own error, one
// instrument and one target height per record, one refraction coefficient; a small script
// outside the program, its figures pasted here). The first row is also worked by hand:
// legs of 300 m (1.45 mm zenith, 0.35 mm refraction, 1 mm each height) and 400 m (1.94,
// 0.63, 1, 1), the refraction adding up along the traverse: 3.294 mm at C. A row fails when
// an option does not reach the computation (sets, cc, a default), the wrong heights are
// held known, or the level's factor is not the heights'.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "dialogue/command_line.hpp"
#include "input/coordinate_file.hpp"
#include "propagation/analysis.hpp"
#include "test_support.hpp"

namespace elipses {
namespace {

constexpr const char* three_points = "A 1000 1000 100\nB 1300 1000 110\nC 1300 1400 95\n";
constexpr const char* loop_points =
    "A 1000 1000 100\nB 1300 1000 110\nC 1300 1400 95\nD 900 1500 120\nA 1000 1000 100\n";

struct HeightRun {
  const char* label;
  const char* coordinates;
  const char* options;  // after the file name
  std::int32_t point;
  double sigma;         // of the point's height, m
  std::int32_t leg;
  double leg_sigma;     // of the leg's height difference, m
  double factor;        // Phi^-1((1 + p) / 2), p = 1 - exp(-k^2 / 2); 1 at level 1
};

void PrintTo(const HeightRun& run, std::ostream* os) { *os << run.label; }

class HeightRunTest : public ::testing::TestWithParam<HeightRun> {};

TEST_P(HeightRunTest, MeetsTheDenseReference) {
  const HeightRun& run = GetParam();
  elipses::testing::TempDir dir;
  elipses::testing::write_file(dir.file("p.txt"), run.coordinates);
  std::istringstream in(run.options);
  std::vector<std::string> arguments = {dir.file("p.txt")};
  for (std::string word; in >> word;) arguments.push_back(word);
  const RunSettings settings = read_command_line(arguments).settings;
  CoordinateFile file;
  file.heights = settings.heights.asked;
  open_coordinate_file(file, settings.coordinate_file_name);
  const std::int32_t n = count_points(file);
  const PreAnalysis analysis = analyse(PlannedTraverse{load_points(file, n), {}}, request_of(settings));
  ASSERT_TRUE(analysis.heights.has_value());
  const HeightResults& heights = *analysis.heights;
  EXPECT_NEAR(heights.computed.sigma[static_cast<std::size_t>(run.point - 1)], run.sigma, 1e-12);  // m
  EXPECT_NEAR(heights.computed.legs[static_cast<std::size_t>(run.leg - 1)].sigma, run.leg_sigma, 1e-12);  // m
  EXPECT_NEAR(heights.factor, run.factor, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Options, HeightRunTest,
    ::testing::Values(
        HeightRun{"open, one-way, every height default", three_points,
                  "--modo g --poligonal a --mm 2 --ppm 2 --segundos 1 --inicial 0,0,0 --alturas", 3, 3.2939095825e-03,
                  2, 2.4822198198e-03, 1.959182035094},
        HeightRun{"closed, reciprocal, the end height known to 2 mm", three_points,
                  "--modo g --poligonal f --mm 2 --ppm 2 --segundos 1 --inicial 0,0,0 --final 0,0,0 --alturas "
                  "--reciprocas --altura-final 0.002",
                  2, 1.4383757424e-03, 2, 1.7041619583e-03, 1.959182035094},
        HeightRun{"closed, zenith 10 cc in 4 sets, every setting given, level 1", three_points,
                  "--modo d --poligonal f --mm 3 --ppm 1.5 --cc 25 --series 4 --alturas --zenital 10 "
                  "--medicao-alturas 0.5,2 --refracao 0.2,0.1 --altura-inicial 0.001 --altura-final 0.003 --nivel 1",
                  2, 2.7598554079e-03, 1, 2.7244378070e-03, 1.0},
        HeightRun{"loop, reciprocal, zenith as the directions in 3 sets, its final height unused, level 8",
                  loop_points,
                  "--modo d --poligonal f --mm 2 --ppm 2 --segundos 7 --series 3 --alturas --reciprocas "
                  "--altura-inicial 0.002 --altura-final 0.009 --nivel 8",
                  3, 5.9259451966e-03, 2, 4.9541561539e-03, 3.063520643740},
        HeightRun{"open, zenith as the directions in 3 sets, the start height known to 4 mm, level 2", three_points,
                  "--modo g --poligonal a --mm 3 --ppm 2 --segundos 5 --series 3 --inicial 0,0,0 --alturas "
                  "--altura-inicial 0.004 --nivel 2",
                  3, 8.3638428423e-03, 1, 4.4456085913e-03, 0.674109974522}));

}  // namespace
}  // namespace elipses
