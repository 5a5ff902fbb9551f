// Pictures of the scripts that real runs of elipses write: every script plays, every
// ellipse is drawn where its ELLIPSE command puts it, a real SVG renderer shows it there
// and a real DXF reader finds it; and the command line that surveyors use.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

#include "pictures/dxf_drawing.hpp"
#include "pictures/picture_frame.hpp"
#include "pictures/picture_tool.hpp"
#include "pictures/script_player.hpp"
#include "pictures/svg_picture.hpp"
#include "test_support.hpp"

namespace elipses::pictures {
namespace {

using elipses::testing::crlf_lines;
using elipses::testing::read_file;
using elipses::testing::run_session;
using elipses::testing::TempDir;
using elipses::testing::write_file;

const std::string source_dir = ELIPSES_SOURCE_DIR;

// ---- the script read directly, without the player under test ----

struct ScriptPoint {
  double m, p;
};
ScriptPoint point_line(const std::string& line) {
  const std::size_t comma = line.find(',');
  return {std::strtod(line.substr(0, comma).c_str(), nullptr), std::strtod(line.substr(comma + 1).c_str(), nullptr)};
}

struct ScriptEllipse {
  ScriptPoint centre, axis_end;
  double distance;
  int colour;
};
struct ScriptText {
  ScriptPoint start;
  double height;
  std::string text;
  int colour;
};
struct ScriptContent {
  std::vector<ScriptEllipse> ellipses;
  std::vector<ScriptText> texts;
  std::vector<ScriptPoint> traverse;
};

ScriptContent read_script(const std::string& script) {
  const std::vector<std::string> lines = crlf_lines(script);
  ScriptContent content;
  int colour = 7;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == "COLOR") {
      colour = std::stoi(lines[++i]);
    } else if (lines[i] == "TEXT") {
      content.texts.push_back({point_line(lines[i + 1]), std::strtod(lines[i + 2].c_str(), nullptr), lines[i + 4], colour});
      i += 4;
    } else if (lines[i] == "ELLIPSE") {
      content.ellipses.push_back({point_line(lines[i + 2]), point_line(lines[i + 3]),
                                  std::strtod(lines[i + 4].c_str(), nullptr), colour});
      i += 4;
    } else if (lines[i] == "PLINE") {
      while (lines[++i].find_first_not_of(' ') != std::string::npos) content.traverse.push_back(point_line(lines[i]));
    }
  }
  return content;
}

// A point of the ellipse at parameter t, `scale` times as far from the centre as the outline.
ScriptPoint on_ellipse(const ScriptEllipse& e, double t, double scale = 1.0) {
  const double dm = e.axis_end.m - e.centre.m, dp = e.axis_end.p - e.centre.p;
  const double a = std::hypot(dm, dp), um = dm / a, up = dp / a;
  const double along = scale * a * std::cos(t), across = scale * e.distance * std::sin(t);
  return {e.centre.m + along * um - across * up, e.centre.p + along * up + across * um};
}

std::vector<double> numbers_in(const std::string& text) {
  std::vector<double> values;
  std::istringstream in(text);
  for (double v; in >> v;) values.push_back(v);
  return values;
}

// The texts as the picture shows them (grown to be legible, the legend stacked): read
// back from the SVG's own text elements.
std::vector<ScriptText> texts_shown(const std::string& svg) {
  static const std::regex text_element(
      "<text x=\"([^\"]+)\" y=\"([^\"]+)\" font-size=\"([^\"]+)\" fill=\"([^\"]+)\">([^<]*)</text>");
  std::vector<ScriptText> texts;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), text_element); it != std::sregex_iterator(); ++it) {
    const std::smatch& found = *it;
    texts.push_back({{std::stod(found[1]), -std::stod(found[2])}, std::stod(found[3]) / font_size_per_text_height,
                     found[5], std::string(found[4]) == svg_colour(5) ? 5 : 7});
  }
  return texts;
}

// ---- the scripts of the test runs ----

struct Run {
  std::string name, coordinates, answers;
};
void PrintTo(const Run& run, std::ostream* out) { *out << run.name; }

std::string answers(int option, const std::string& scale, const std::string& mode, const std::string& traverse,
                    const std::string& rest) {
  return std::to_string(option) + "\n" + scale + "\n2.5\n" + mode + "\n" + traverse + "\n" + rest;
}

std::vector<Run> runs() {
  const std::string example = read_file(source_dir + "/examples/poligonal.txt");
  const std::string line4 = "\"A\", 0, 0\n\"B\", 100, 0\n\"C\", 200, 0\n\"D\", 300, 0\n";
  const std::string zigzag5 =
      "\"T1\" -120345.6 -290123.4\n'T2', -120100.0, -290000.0\n\"T3\", -119900.5, -290150.25\n"
      "\"T4\", -119650, -289900\n\"T5\", -119400.75, -290050.5\n";
  const std::string precision = "3\n2\n5\n";
  const std::string start = "0.005\n0.005\n0\n", end = "0.008\n0.006\n0.00001\n", zero = "0\n0\n0\n";
  std::vector<Run> list = {
      {"one_point", "\"S1\", 523456.789, -12.5\n", answers(1, "1000", "g", "a", precision + start)},
      {"two_points_closed", "\"A\" 0 0\n\"B\" 250 30\n", answers(2, "1000", "g", "f", precision + start + end)},
      {"line_zero_start", line4, answers(3, "500", "G", "A", "10\n0\n0\n" + zero)},
      {"line_closed_even", line4, answers(4, "5000", "g", "F", "10\n0\n0\n" + zero + "0.01\n0.01\n0\n")},
      {"zigzag_closed_odd", zigzag5, answers(5, "2000", "g", "f", precision + start + end)},
      {"zigzag_declined_open", zigzag5, answers(7, "99", "d", "a", precision + start)},
      {"zigzag_declined_closed", zigzag5, answers(8, "12345", "D", "x", precision)},
      {"invalid_mode", zigzag5, answers(1, "1000", "q", "a", "")},
      {"invalid_option", zigzag5, "9\n"},
  };
  for (const char* kind : {"goniometrica-aberta", "goniometrica-fechada", "declinada-aberta", "declinada-fechada"}) {
    const std::string typed = read_file(source_dir + "/examples/respostas-" + std::string(kind) + ".txt");
    std::string name = std::string("example_") + kind;
    std::replace(name.begin(), name.end(), '-', '_');
    list.push_back({name, example, typed.substr(typed.find('\n') + 1)});
  }
  // Random traverses: Portuguese grid coordinates, legs of 50 to 800 m, every mode and kind.
  std::mt19937 random(20240607);
  auto uniform = [&random](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };
  for (int r = 0; r < 24; ++r) {
    const int n = 1 + static_cast<int>(random() % 12);
    double m = uniform(-150000.0, 170000.0), p = uniform(-290000.0, 280000.0), direction = uniform(0.0, 6.283);
    std::ostringstream coordinates;
    coordinates.precision(12);
    for (int i = 1; i <= n; ++i) {
      coordinates << "\"R" << i << "\", " << m << ", " << p << "\n";
      direction += uniform(-1.2, 1.2);
      const double leg = uniform(50.0, 800.0);
      m += leg * std::sin(direction);
      p += leg * std::cos(direction);
    }
    const char* modes[] = {"g", "d", "G", "D"};
    const char* kinds[] = {"a", "f", "A", "F", "x"};
    std::ostringstream rest;
    rest << uniform(1, 10) << "\n" << random() % 10 << "\n" << uniform(1, 20) << "\n";
    for (int k = 0; k < 2; ++k) {
      const double sm = uniform(0, 0.02), sp = uniform(0, 0.02);
      rest << sm << "\n" << sp << "\n" << uniform(-0.5, 0.5) * sm * sp << "\n";
    }
    list.push_back({"random_" + std::to_string(r), coordinates.str(),
                    answers(1 + static_cast<int>(random() % 8), std::to_string(100 + random() % 20000),
                            modes[random() % 4], kinds[random() % 5], rest.str())});
  }
  return list;
}

// Plays a script and checks the picture against the script's own ELLIPSE commands.
void check_picture_of(const std::string& script) {
  Drawing drawing;
  try {
    drawing = play_drawing_script(script);
  } catch (const ScriptError& error) {
    FAIL() << "refused: " << error.what();
  }
  EXPECT_TRUE(drawing.warnings.empty()) << drawing.warnings.front();
  const ScriptContent content = read_script(script);

  const std::string svg = svg_picture(drawing, "elipses.scr");
  static const std::regex ellipse_element(
      "<ellipse cx=\"([^\"]+)\" cy=\"([^\"]+)\" rx=\"([^\"]+)\" ry=\"([^\"]+)\" transform=\"rotate\\(([^ ]+) ");
  std::vector<std::smatch> found(std::sregex_iterator(svg.begin(), svg.end(), ellipse_element), std::sregex_iterator());
  ASSERT_EQ(found.size(), content.ellipses.size());
  std::smatch view;
  ASSERT_TRUE(std::regex_search(svg, view, std::regex("viewBox=\"([^\"]+)\"")));
  const std::vector<double> box = numbers_in(view[1]);
  for (std::size_t i = 0; i < found.size(); ++i) {
    const ScriptEllipse& e = content.ellipses[i];
    const double cx = std::stod(found[i][1]), cy = std::stod(found[i][2]), rx = std::stod(found[i][3]);
    const double turn = std::stod(found[i][5]) * std::acos(-1.0) / 180.0;
    // The end of the picture's first axis, turned back into M and P (y is -P).
    EXPECT_NEAR(cx + rx * std::cos(turn), e.axis_end.m, 1e-4) << "ellipse " << i;
    EXPECT_NEAR(-(cy + rx * std::sin(turn)), e.axis_end.p, 1e-4) << "ellipse " << i;
    EXPECT_NEAR(std::stod(found[i][4]), e.distance, 1e-6) << "ellipse " << i;
    for (double t = 0.0; t < 6.28; t += 0.5) {  // the whole ellipse stays in view
      const ScriptPoint q = on_ellipse(e, t);
      EXPECT_TRUE(q.m > box[0] && q.m < box[0] + box[2] && -q.p > box[1] && -q.p < box[1] + box[3]);
    }
  }
}

class PicturesOfRuns : public ::testing::TestWithParam<Run> {};

TEST_P(PicturesOfRuns, PlayAndPutEveryEllipseWhereTheScriptSays) {
  const auto session = run_session(GetParam().coordinates, GetParam().answers);
  ASSERT_EQ(session.status, 0) << session.err;
  ASSERT_TRUE(session.script_exists);
  check_picture_of(session.script);
}

INSTANTIATE_TEST_SUITE_P(Runs, PicturesOfRuns, ::testing::ValuesIn(runs()),
                         [](const ::testing::TestParamInfo<Run>& info) { return info.param.name; });

TEST(PicturesOfRuns, GoldenScriptsOfTheSuitePlay) {
  int played = 0;
  // Every script an end-to-end case expects, but for a refused run's (its expected folder
  // holds the earlier results it kept) and a run warned of asterisks, which CAD cannot play.
  for (const auto& folder : std::filesystem::directory_iterator(source_dir + "/tests/cases")) {
    const std::filesystem::path expected = folder.path() / "expected";
    if (!std::filesystem::is_directory(expected) || read_file((folder.path() / "status").string()) != "0\n") continue;
    if (read_file((folder.path() / "stderr").string()).find("asteriscos") != std::string::npos) continue;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(expected)) {
      if (entry.path().extension() != ".scr") continue;
      SCOPED_TRACE(entry.path().string());
      check_picture_of(read_file(entry.path().string()));
      ++played;
    }
  }
  EXPECT_GT(played, 0);
}

// ---- a real renderer and a real DXF reader ----

std::string run_example(const char* answers_file) {
  const std::string typed = read_file(source_dir + "/examples/" + answers_file);
  const auto session = run_session(read_file(source_dir + "/examples/poligonal.txt"), typed.substr(typed.find('\n') + 1));
  EXPECT_EQ(session.status, 0) << session.err;
  return session.script;
}

// The fields of a line between bars, at most `count`: the last one takes the rest.
std::vector<std::string> split(const std::string& line, std::size_t count) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t bar; fields.size() + 1 < count && (bar = line.find('|', start)) != std::string::npos; start = bar + 1)
    fields.push_back(line.substr(start, bar - start));
  fields.push_back(line.substr(start));
  return fields;
}

int shell(const std::string& command) { return std::system(command.c_str()); }

struct Pixels {
  int width = 0, height = 0;
  std::vector<std::array<int, 3>> colours;
};

// Renders `svg` with rsvg-convert at `width` pixels and reads the colours at `positions`.
Pixels render(const TempDir& dir, const std::string& svg, int width, const std::vector<std::pair<int, int>>& positions) {
  write_file(dir.file("picture.svg"), svg);
  std::string query;
  for (const auto& [x, y] : positions) query += std::to_string(x) + " " + std::to_string(y) + "\n";
  write_file(dir.file("positions.txt"), query);
  Pixels pixels;
  if (shell("rsvg-convert -w " + std::to_string(width) + " '" + dir.file("picture.svg") + "' -o '" +
            dir.file("picture.png") + "'") != 0) {
    ADD_FAILURE() << "rsvg-convert failed (package librsvg2-bin)";
    return pixels;
  }
  if (shell("/usr/bin/python3 '" + source_dir + "/tests/pictures_png_pixels.py' '" + dir.file("picture.png") + "' < '" +
            dir.file("positions.txt") + "' > '" + dir.file("pixels.txt") + "'") != 0) {
    ADD_FAILURE() << "the PNG could not be read";
    return pixels;
  }
  std::istringstream in(read_file(dir.file("pixels.txt")));
  std::string word;
  in >> word >> pixels.width >> pixels.height;
  for (int x, y, r, g, b; in >> x >> y >> r >> g >> b;) pixels.colours.push_back({r, g, b});
  return pixels;
}

bool is_red(const std::array<int, 3>& c) { return c[0] - std::max(c[1], c[2]) > 60; }
bool is_blue(const std::array<int, 3>& c) { return c[2] - std::max(c[0], c[1]) > 50; }
bool is_dark(const std::array<int, 3>& c) { return std::max({c[0], c[1], c[2]}) < 200 && std::abs(c[0] - c[2]) < 40; }
bool is_background(const std::array<int, 3>& c) { return std::min({c[0], c[1], c[2]}) > 235; }

double distance_to_segment(double x, double y, double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1, dy = y2 - y1, length2 = dx * dx + dy * dy;
  const double t = length2 > 0 ? std::clamp(((x - x1) * dx + (y - y1) * dy) / length2, 0.0, 1.0) : 0.0;
  return std::hypot(x - x1 - t * dx, y - y1 - t * dy);
}

TEST(PicturesRendered, EllipsesAreInkedWhereTheScriptPutsThemAndNowhereElse) {
  const std::string script = run_example("respostas-goniometrica-aberta.txt");
  const ScriptContent content = read_script(script);
  ASSERT_EQ(content.ellipses.size(), 10u);
  const std::string svg = svg_picture(play_drawing_script(script), "elipses.scr");
  std::smatch view;
  ASSERT_TRUE(std::regex_search(svg, view, std::regex("viewBox=\"([^\"]+)\"")));
  const std::vector<double> box = numbers_in(view[1]);
  constexpr int width = 700;
  const double scale = width / box[2];  // pixels per metre in the rendered picture
  auto pixel_of = [&](ScriptPoint q) { return std::pair<double, double>{(q.m - box[0]) * scale, (-q.p - box[1]) * scale}; };

  // On each outline: 16 points, each with its 3 x 3 neighbourhood.
  std::vector<std::pair<int, int>> positions;
  for (const ScriptEllipse& e : content.ellipses) {
    for (int k = 0; k < 16; ++k) {
      const auto [x, y] = pixel_of(on_ellipse(e, k * std::acos(-1.0) / 8));
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) positions.emplace_back(std::lround(x) + dx, std::lround(y) + dy);
    }
  }
  // Inside and outside each outline, where nothing else is drawn within 4 pixels.
  std::vector<std::pair<double, double>> drawn;
  for (const ScriptEllipse& e : content.ellipses)
    for (int k = 0; k < 720; ++k) drawn.push_back(pixel_of(on_ellipse(e, k * std::acos(-1.0) / 360)));
  const std::size_t rim_positions = positions.size();
  for (const ScriptEllipse& e : content.ellipses) {
    for (double factor : {0.45, 1.6}) {
      for (int k = 0; k < 16; ++k) {
        const auto [x, y] = pixel_of(on_ellipse(e, (k + 0.5) * std::acos(-1.0) / 8, factor));
        bool clear = x > 5 && y > 5 && x < width - 5 && y < box[3] * scale - 5;
        for (const auto& [dx, dy] : drawn) clear = clear && std::hypot(x - dx, y - dy) > 4;
        for (std::size_t i = 1; i < content.traverse.size(); ++i) {
          const auto [x1, y1] = pixel_of(content.traverse[i - 1]);
          const auto [x2, y2] = pixel_of(content.traverse[i]);
          clear = clear && distance_to_segment(x, y, x1, y1, x2, y2) > 4;
        }
        for (const ScriptText& t : texts_shown(svg)) {  // a generous box around each text
          const auto [x1, y1] = pixel_of({t.start.m - t.height, t.start.p + 2 * t.height});
          const auto [x2, y2] = pixel_of({t.start.m + (t.text.size() + 1.0) * t.height, t.start.p - t.height});
          clear = clear && !(x > x1 - 4 && x < x2 + 4 && y > y1 - 4 && y < y2 + 4);
        }
        if (clear) positions.emplace_back(std::lround(x), std::lround(y));
      }
    }
  }
  ASSERT_GT(positions.size() - rim_positions, 60u) << "too few clear places to look at";

  TempDir dir;
  const Pixels pixels = render(dir, svg, width, positions);
  ASSERT_EQ(pixels.colours.size(), positions.size());
  EXPECT_NEAR(pixels.height, box[3] * scale, 1.0);
  for (std::size_t e = 0; e < content.ellipses.size(); ++e) {
    int inked = 0, under_text = 0;
    for (int k = 0; k < 16; ++k) {
      // A name or the legend, grown to be legible, or the traverse may lie over the outline there.
      const auto [x, y] = pixel_of(on_ellipse(content.ellipses[e], k * std::acos(-1.0) / 8));
      bool covered = false;
      for (const ScriptText& t : texts_shown(svg)) {
        const auto [x1, y1] = pixel_of({t.start.m, t.start.p + t.height});
        const auto [x2, y2] = pixel_of({t.start.m + t.text.size() * t.height * 0.83, t.start.p - t.height / 4});
        covered = covered || (x > x1 - 3 && x < x2 + 3 && y > y1 - 3 && y < y2 + 3);
      }
      for (std::size_t i = 1; i < content.traverse.size(); ++i) {
        const auto [x1, y1] = pixel_of(content.traverse[i - 1]);
        const auto [x2, y2] = pixel_of(content.traverse[i]);
        covered = covered || distance_to_segment(x, y, x1, y1, x2, y2) < 2.5;
      }
      bool red = false;
      for (int n = 0; n < 9; ++n) red = red || is_red(pixels.colours[(e * 16 + static_cast<std::size_t>(k)) * 9 + static_cast<std::size_t>(n)]);
      inked += red ? 1 : 0;
      under_text += !red && covered ? 1 : 0;
    }
    EXPECT_GE(inked, 15 - under_text) << "ellipse " << e << " is not drawn where its ELLIPSE command puts it";
    EXPECT_GE(inked, 10) << "ellipse " << e;
  }
  for (std::size_t i = rim_positions; i < positions.size(); ++i) {
    EXPECT_TRUE(is_background(pixels.colours[i]))
        << "ink at " << positions[i].first << "," << positions[i].second << " where the script draws nothing";
  }
}

TEST(PicturesRendered, NamesAndRightAlignedLegendUnderTheFirstPoint) {
  const std::string script = run_example("respostas-goniometrica-aberta.txt");
  std::string svg = svg_picture(play_drawing_script(script), "elipses.scr");
  // At the full view the picture fits a screen and its texts are legible.
  std::smatch size;
  ASSERT_TRUE(std::regex_search(svg, size, std::regex("width=\"([^\"]+)\" height=\"([^\"]+)\" viewBox=\"([^\"]+)\"")));
  EXPECT_LE(std::stod(size[1]), screen_width + 0.01);
  EXPECT_LE(std::stod(size[2]), screen_height + 0.01);
  const double pixels_per_metre = std::stod(size[1]) / numbers_in(size[3])[2];
  const std::vector<ScriptText> texts = texts_shown(svg);
  ASSERT_FALSE(texts.empty());
  for (const ScriptText& t : texts) EXPECT_GE(t.height * pixels_per_metre, 0.95 * legible_text_pixels) << t.text;
  const ScriptText& first_name = texts.front();
  // The legend's lines follow one another by the text height, under the first point.
  std::vector<const ScriptText*> legend;
  for (const ScriptText& t : texts)
    if (t.colour == 5) legend.push_back(&t);
  ASSERT_EQ(legend.size(), 5u);
  for (std::size_t i = 1; i < legend.size(); ++i) {
    EXPECT_EQ(legend[i]->start.m, first_name.start.m);
    EXPECT_NEAR(legend[i - 1]->start.p - legend[i]->start.p, legend_line_pitch * legend[i]->height, 1e-6);
  }
  // Zoom in on the first point and the legend below it, a pixel to a metre.
  const double character = first_name.height * font_size_per_text_height * character_width_per_font_size;
  const double left = first_name.start.m - 10, top = -(first_name.start.p + first_name.height + 10);
  const double wide = 52 * character + 20, high = first_name.start.p - legend.back()->start.p + 2 * first_name.height + 20;
  const double zoom_scale = 1;
  std::ostringstream zoom;
  zoom.precision(12);
  zoom << "width=\"" << wide * zoom_scale << "\" height=\"" << high * zoom_scale << "\" viewBox=\"" << left << " " << top
       << " " << wide << " " << high << "\"";
  svg = std::regex_replace(svg, std::regex("width=\"[^\"]+\" height=\"[^\"]+\" viewBox=\"[^\"]+\""), zoom.str(),
                           std::regex_constants::format_first_only);

  // For each text, every pixel of the box of its characters and of its leading blanks.
  std::vector<std::pair<int, int>> positions;
  std::vector<std::pair<std::size_t, std::size_t>> ranges;  // characters, blanks
  std::vector<const ScriptText*> looked_at;
  for (const ScriptText& t : texts) {
    if (t.start.m != first_name.start.m || t.start.p > first_name.start.p) continue;
    const std::size_t blanks = t.text.find_first_not_of(' ');
    for (int part = 0; part < 2; ++part) {
      const std::size_t begin = positions.size();
      const double from = part == 0 ? blanks * character : 0.5;
      const double to = part == 0 ? t.text.size() * character : blanks * character - 0.5;
      for (double x = (t.start.m - left + from) * zoom_scale; x < (t.start.m - left + to) * zoom_scale; x += 1)
        for (double y = (-t.start.p - top - t.height) * zoom_scale; y < (-t.start.p - top) * zoom_scale; y += 1)
          positions.emplace_back(std::lround(x), std::lround(y));
      ranges.emplace_back(begin, positions.size());
    }
    looked_at.push_back(&t);
  }
  ASSERT_EQ(looked_at.size(), 6u);  // the first point's name and the five legend lines
  TempDir dir;
  const Pixels pixels = render(dir, svg, static_cast<int>(wide * zoom_scale), positions);
  ASSERT_EQ(pixels.colours.size(), positions.size());
  for (std::size_t i = 0; i < looked_at.size(); ++i) {
    const auto [begin, end] = ranges[2 * i];
    const bool legend = looked_at[i]->colour == 5;
    const auto inked = std::count_if(pixels.colours.begin() + static_cast<std::ptrdiff_t>(begin),
                                     pixels.colours.begin() + static_cast<std::ptrdiff_t>(end),
                                     [legend](const auto& c) { return legend ? is_blue(c) : is_dark(c); });
    EXPECT_GT(inked * 20, static_cast<std::ptrdiff_t>(end - begin)) << "text \"" << looked_at[i]->text << "\" not seen";
    const auto [blank_begin, blank_end] = ranges[2 * i + 1];
    EXPECT_TRUE(std::all_of(pixels.colours.begin() + static_cast<std::ptrdiff_t>(blank_begin),
                            pixels.colours.begin() + static_cast<std::ptrdiff_t>(blank_end),
                            [](const auto& c) { return !is_blue(c); }))
        << "the leading blanks of \"" << looked_at[i]->text << "\" were not kept";
  }
}

TEST(PicturesDxf, ARealReaderAuditsItCleanAndFindsEveryEntity) {
  const std::string script = run_example("respostas-goniometrica-fechada.txt");
  const ScriptContent content = read_script(script);
  TempDir dir;
  write_file(dir.file("elipses.dxf"), dxf_drawing(play_drawing_script(script)));
  ASSERT_EQ(shell("/usr/bin/python3 '" + source_dir + "/tests/pictures_dxf_check.py' '" + dir.file("elipses.dxf") +
                  "' > '" + dir.file("found.txt") + "'"),
            0)
      << "ezdxf could not read the file (package python3-ezdxf)";
  std::istringstream found(read_file(dir.file("found.txt")));
  std::string line;
  std::getline(found, line);
  EXPECT_EQ(line, "version AC1009");
  std::getline(found, line);
  EXPECT_EQ(line, "audit 0 0");
  std::size_t text = 0, ellipse = 0, traverses = 0;
  while (std::getline(found, line)) {
    const std::vector<std::string> field = split(line, line.rfind("TEXT", 0) == 0 ? 7 : 5);
    ASSERT_GE(field.size(), 5u) << line;
    if (field[0] == "TEXT") {
      ASSERT_LT(text, content.texts.size());
      const ScriptText& expected = content.texts[text++];
      EXPECT_EQ(field[6], expected.text);
      EXPECT_EQ(field[1], expected.colour == 7 ? "NOMES" : "LEGENDA");
      EXPECT_EQ(std::stoi(field[2]), expected.colour);
      EXPECT_NEAR(std::stod(field[3]), expected.start.m, 1e-9);
      EXPECT_NEAR(std::stod(field[4]), expected.start.p, 1e-9);
      EXPECT_DOUBLE_EQ(std::stod(field[5]), expected.height);
    } else if (field[1] == "ELIPSES") {
      ASSERT_LT(ellipse, content.ellipses.size());
      const ScriptEllipse& e = content.ellipses[ellipse++];
      EXPECT_EQ(std::stoi(field[2]), e.colour);
      EXPECT_EQ(field[3], "1") << "an ellipse must be a closed polyline";
      const std::vector<double> xy = numbers_in(std::regex_replace(field[4], std::regex(","), " "));
      EXPECT_GE(xy.size(), 2u * 64u) << "too few vertices to look smooth";
      const double dm = e.axis_end.m - e.centre.m, dp = e.axis_end.p - e.centre.p, a = std::hypot(dm, dp);
      for (std::size_t k = 0; k + 1 < xy.size(); k += 2) {  // every vertex on the ellipse of the command
        const double qm = xy[k] - e.centre.m, qp = xy[k + 1] - e.centre.p;
        const double u = (qm * dm + qp * dp) / (a * a), v = (qp * dm - qm * dp) / (a * e.distance);
        EXPECT_NEAR(u * u + v * v, 1.0, 1e-9);
      }
    } else {
      EXPECT_EQ(field[1], "POLIGONAL");
      EXPECT_EQ(field[2], "3");
      EXPECT_EQ(field[3], "0") << "the traverse is never closed back to its first point";
      const std::vector<double> xy = numbers_in(std::regex_replace(field[4], std::regex(","), " "));
      ASSERT_EQ(xy.size(), 2 * content.traverse.size());
      for (std::size_t k = 0; k < content.traverse.size(); ++k) EXPECT_DOUBLE_EQ(xy[2 * k + 1], content.traverse[k].p);
      ++traverses;
    }
  }
  EXPECT_EQ(text, content.texts.size());
  EXPECT_EQ(ellipse, content.ellipses.size());
  EXPECT_EQ(traverses, 1u);
}

}  // namespace
}  // namespace elipses::pictures
