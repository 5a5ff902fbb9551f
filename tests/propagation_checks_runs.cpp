// Whole runs of the program: the worked examples of both observation modes, the closed
// goniometric traverse for one to seven points, and the order in which points, records
// and drawing blocks come out. Covariances are checked against the J·Σ·Jᵀ reference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "propagation_checks_reference.hpp"
#include "test_support.hpp"

namespace elipses {
namespace {

using checks::Cov;
using checks::Plan;
using checks::StartCov;
using checks::Survey;
using testing::crlf_lines;
using testing::run_session;
using testing::Session;

const double kScale = 1000.0;                        // drawing scale modulus of every run here
const double kAxisOffset = static_cast<double>(0.1F);  // added to the a-axis end point
const double kPiGon = 200.0 / static_cast<double>(checks::kPi);

// A coordinate file of the plan, and the plan as the program reads it back (to the mm).
struct Traverse {
  Plan plan;
  std::vector<std::string> names;  // as stored: four characters
  std::string file;
};

Traverse traverse(const Plan& wanted, const std::vector<std::string>& names = {}) {
  Traverse t;
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    std::string name = i < names.size() ? names[i] : "V" + std::to_string(i + 1);
    char m[32], p[32];
    std::snprintf(m, sizeof m, "%.3f", wanted.m[i]);
    std::snprintf(p, sizeof p, "%.3f", wanted.p[i]);
    t.file += "\"" + name + "\", " + m + ", " + p + "\n";
    t.plan.m.push_back(std::strtod(m, nullptr));
    t.plan.p.push_back(std::strtod(p, nullptr));
    t.names.push_back(name.append(4 - name.size(), ' '));
  }
  return t;
}

// The drawing script, read back as point blocks and the closing block. A block's shape
// lists what follows the name: "1" a COLOR 1 command, "E" an ellipse command.
struct Block {
  std::string name;
  double m = 0, p = 0;
  std::string shape;
  double centre_m = 0, centre_p = 0, end_m = 0, end_p = 0, other_axis = 0;
};
struct Drawing {
  std::vector<Block> blocks;
  double legend_m = NAN, legend_p = NAN;  // start point of the first legend text
  std::vector<std::pair<double, double>> polyline;
};

std::pair<double, double> pair_of(const std::string& line) {
  const std::size_t comma = line.find(',');
  return {std::stod(line.substr(0, comma)), std::stod(line.substr(comma + 1))};
}

Drawing read_drawing(const std::string& script) {
  const std::vector<std::string> l = crlf_lines(script);
  Drawing d;
  std::size_t i = 0;
  auto at = [&](std::size_t k) { return k < l.size() ? l[k] : std::string("<end>"); };
  while (i < l.size()) {
    if (at(i) == "COLOR" && at(i + 1) == "7" && at(i + 2) == "TEXT") {
      Block b;
      std::tie(b.m, b.p) = pair_of(at(i + 3));
      b.name = at(i + 6);
      d.blocks.push_back(b);
      i += 7;
    } else if (at(i) == "COLOR" && at(i + 1) == "1" && !d.blocks.empty()) {
      d.blocks.back().shape += "1";
      i += 2;
    } else if (at(i) == "ELLIPSE" && at(i + 1) == "C" && !d.blocks.empty()) {
      Block& b = d.blocks.back();
      b.shape += "E";
      std::tie(b.centre_m, b.centre_p) = pair_of(at(i + 2));
      std::tie(b.end_m, b.end_p) = pair_of(at(i + 3));
      b.other_axis = std::stod(at(i + 4));
      i += 5;
    } else if (at(i) == "COLOR" && at(i + 1) == "5" && at(i + 2) == "TEXT") {
      std::tie(d.legend_m, d.legend_p) = pair_of(at(i + 3));
      for (i += 2; i < l.size() && l[i] != "PLINE"; ++i) {
      }
      for (++i; i < l.size() && l[i] != std::string(63, ' '); ++i) d.polyline.push_back(pair_of(l[i]));
      return d;
    } else {
      ADD_FAILURE() << "unexpected script line " << i + 1 << ": '" << at(i) << "'";
      return d;
    }
  }
  ADD_FAILURE() << "the script has no closing block";
  return d;
}

// The table records, field by field (columns as laid out in the table file).
struct Record {
  std::string name;
  double m, p, a, b, teta_gon, sigma_m, sigma_p, cov_mp;
};
std::vector<Record> read_records(const std::string& table) {
  std::vector<Record> records;
  const std::vector<std::string> l = crlf_lines(table);
  for (std::size_t i = 1; i < l.size(); ++i) {
    const std::string& r = l[i];
    EXPECT_EQ(r.size(), 106u) << r;
    if (r.size() != 106) continue;
    auto num = [&](std::size_t from, std::size_t width) { return std::stod(r.substr(from - 1, width)); };
    EXPECT_EQ(r.substr(70, 6), "   gon");
    records.push_back(Record{r.substr(0, 4), num(7, 14), num(21, 14), num(35, 12), num(47, 12), num(59, 12),
                             num(77, 10), num(87, 10), num(97, 10)});
  }
  return records;
}

// What one point must look like: which point of the file (0-based), its covariance, and
// for a drawn ellipse whether the a-axis end point carries the 0.1 offset.
struct Expected {
  std::size_t point;
  Cov cov;
  std::string shape;
  bool offset = true;
};

void check_record(const Record& got, const Traverse& t, const Expected& want, double k = 1.0) {
  const checks::Axes axes = checks::principal_axes(want.cov, k);
  const std::string where = "record of " + t.names[want.point];
  EXPECT_EQ(got.name, t.names[want.point]) << where;
  EXPECT_NEAR(got.m, t.plan.m[want.point], 5e-4) << where;
  EXPECT_NEAR(got.p, t.plan.p[want.point], 5e-4) << where;
  EXPECT_NEAR(got.a, axes.a, 5.01e-4) << where;
  EXPECT_NEAR(got.b, axes.b, 5.01e-4) << where;
  EXPECT_NEAR(got.teta_gon, axes.teta * kPiGon, 5.01e-5) << where;
  EXPECT_NEAR(got.sigma_m, std::sqrt(want.cov.var_m), 5.01e-7) << where;
  EXPECT_NEAR(got.sigma_p, std::sqrt(want.cov.var_p), 5.01e-7) << where;
  EXPECT_NEAR(got.cov_mp, want.cov.cov_mp, 5.01e-7) << where;
}

void check_block(const Block& got, const Traverse& t, const Expected& want) {
  const std::string where = "block of " + t.names[want.point];
  EXPECT_EQ(got.name, t.names[want.point]) << where;
  EXPECT_EQ(got.shape, want.shape) << where;
  if (got.shape.find('E') == std::string::npos) return;
  const checks::Axes axes = checks::principal_axes(want.cov, 1.0);
  const double m = t.plan.m[want.point], p = t.plan.p[want.point];
  const double offset = want.offset ? kAxisOffset : 0.0;
  EXPECT_NEAR(got.centre_m, m, 5e-4) << where;
  EXPECT_NEAR(got.centre_p, p, 5e-4) << where;
  EXPECT_NEAR(got.end_m, m + kScale * axes.a * std::sin(axes.teta) + offset, 6e-4) << where;
  EXPECT_NEAR(got.end_p, p + kScale * axes.a * std::cos(axes.teta) + offset, 6e-4) << where;
  EXPECT_NEAR(got.other_axis, kScale * axes.b, 6e-4) << where;
}

// Records and blocks in the order given; the legend under `first` and the polyline
// through the points in `order` (file indices).
void check_run(const Session& s, const Traverse& t, const std::vector<Expected>& records,
               const std::vector<Expected>& blocks, const std::vector<std::size_t>& order) {
  ASSERT_EQ(s.status, 0) << s.err;
  const std::vector<Record> got_records = read_records(s.table);
  ASSERT_EQ(got_records.size(), records.size()) << s.table;
  for (std::size_t i = 0; i < records.size(); ++i) check_record(got_records[i], t, records[i]);
  const Drawing d = read_drawing(s.script);
  ASSERT_EQ(d.blocks.size(), blocks.size()) << s.script;
  for (std::size_t i = 0; i < blocks.size(); ++i) check_block(d.blocks[i], t, blocks[i]);
  ASSERT_EQ(d.polyline.size(), order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    EXPECT_NEAR(d.polyline[i].first, t.plan.m[order[i]], 5e-4) << "vertex " << i + 1;
    EXPECT_NEAR(d.polyline[i].second, t.plan.p[order[i]], 5e-4) << "vertex " << i + 1;
  }
  EXPECT_NEAR(d.legend_m, t.plan.m[order[0]], 5e-4);
  EXPECT_NEAR(d.legend_p, t.plan.p[order[0]] - 100.0, 5e-4);
}

// Each block as its name and shape ("B:1E"), then the polyline's vertices by name.
std::string outline(const Drawing& d, const Traverse& t) {
  std::string text;
  for (const Block& b : d.blocks) text += b.name.substr(0, b.name.find(' ')) + ":" + b.shape + " ";
  text += "|";
  for (const auto& [m, p] : d.polyline) {
    for (std::size_t i = 0; i < t.plan.size(); ++i) {
      if (std::fabs(m - t.plan.m[i]) < 5e-4 && std::fabs(p - t.plan.p[i]) < 5e-4) text += " " + t.names[i].substr(0, 1);
    }
  }
  return text;
}

std::vector<std::size_t> walk_order(std::size_t n, bool reversed) {
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < n; ++i) order.push_back(reversed ? n - 1 - i : i);
  return order;
}

Cov start_cov(const StartCov& s) { return Cov{s.s_m * s.s_m, s.s_p * s.s_p, s.s_mp}; }

std::string text_field(const std::string& text, std::size_t width) {
  return std::string(width - text.size(), ' ') + text;
}

// name, M, P, a, b, teta (gon), sigma M, sigma P, covMP as the table writes them.
std::string record(const std::string& name, const char* m, const char* p, const char* a, const char* b,
                   const char* teta, const char* sm, const char* sp, const char* cmp) {
  return name + "  " + text_field(m, 14) + text_field(p, 14) + text_field(a, 12) + text_field(b, 12) +
         text_field(teta, 12) + "   gon" + text_field(sm, 10) + text_field(sp, 10) + text_field(cmp, 10);
}

const std::string kHeader =
    "nome         M(m)        P(m)      a(m)      b(m)     teta(gon)   sM(m)   sP(m) sMP(m2)";

// ---- Goniometric, open: the worked example ---------------------------------------------

TEST(WholeRuns, GoniometricOpenWorkedExample) {
  const Session s = run_session("\"A\", 1000, 2000\n\"B\", 1100, 2050\n\"C\", 1150, 2200\n",
                                "1\n1000\n2.5\ng\na\n5\n3\n7\n0.010\n0.015\n0.00005\n");
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(crlf_lines(s.table),
            (std::vector<std::string>{
                kHeader,
                record("B   ", "1100.000", "2050.000", ".016", ".010", "20.7458", ".011218", ".015908", ".000049"),
                record("C   ", "1150.000", "2200.000", ".018", ".016", "-22.5758", ".016327", ".017616", "-.000019")}));

  // A is drawn with its typed ellipse; B and C with theirs, s = 1000 times larger.
  std::vector<std::string> lines = crlf_lines(s.script);
  lines.resize(std::min<std::size_t>(lines.size(), 3 * 14));
  auto block = [](const char* name, const char* at, const char* end, const char* other) {
    return std::vector<std::string>{"COLOR", "7", "TEXT", at, "2.500", "0.000", name, "COLOR", "1",
                                    "ELLIPSE", "C", at, end, other};
  };
  std::vector<std::string> want;
  for (const auto& b : {block("A   ", "1000.000,2000.000", "1005.255,2014.796", "9.081"),
                        block("B   ", "1100.000,2050.000", "1105.355,2065.651", "10.462"),
                        block("C   ", "1150.000,2200.000", "1143.915,2216.804", "16.113")})
    want.insert(want.end(), b.begin(), b.end());
  EXPECT_EQ(lines, want);
  EXPECT_EQ(read_drawing(s.script).polyline.size(), 3u);
}

// ---- Goniometric, closed: one to seven points ------------------------------------------

const char* kClosedAnswers = "1\n1000\n2.5\ng\nf\n3\n2\n5\n0.008\n0.012\n0.00003\n0.015\n0.006\n-0.00002\n";

class GoniometricClosed : public ::testing::TestWithParam<std::size_t> {};

// The files of the halves, in order (the covariances themselves are checked on the
// passes): the first half from the initial point, the second from the final point over
// the list reloaded in reverse; odd n draws the final ellipse without its colour command.
TEST_P(GoniometricClosed, HalvesFromEachEnd) {
  const std::size_t n = GetParam();
  checks::Dice dice(static_cast<std::uint32_t>(100 + n));
  const Traverse t = traverse(checks::random_plan(dice, n));
  const std::size_t h = n % 2 == 0 ? n / 2 : n / 2 + 1;
  const bool odd = n % 2 == 1;
  std::string want = t.names[0].substr(0, t.names[0].find(' ')) + ":1E ";
  std::size_t records = 0;
  for (std::size_t j = 1; j < h; ++j, ++records) want += t.names[j].substr(0, t.names[j].find(' ')) + ":1E ";
  want += t.names[n - 1].substr(0, t.names[n - 1].find(' ')) + (odd ? ":E " : ":1E ");
  for (std::size_t j = 1; j < n / 2; ++j, ++records) want += t.names[n - 1 - j].substr(0, t.names[n - 1 - j].find(' ')) + ":1E ";
  want += "|";
  for (std::size_t j = 0; j < n; ++j) want += " " + t.names[n - 1 - j].substr(0, 1);
  const Session s = run_session(t.file, kClosedAnswers);
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(read_records(s.table).size(), records);
  EXPECT_EQ(outline(read_drawing(s.script), t), want);
}

INSTANTIATE_TEST_SUITE_P(OneToSevenPoints, GoniometricClosed, ::testing::Range<std::size_t>(1, 8));

// Exact end points and lengths only (f = 10 mm): a point reached over legs in a single
// direction has b = 0 and no ellipse. With an even n the first pass then writes no
// colour command for it; every other computed point keeps its colour command.
class ClosedColourVariant : public ::testing::TestWithParam<std::pair<Plan, std::string>> {};

TEST_P(ClosedColourVariant, BlockShapes) {
  const Traverse t = traverse(GetParam().first, {"A", "B", "C", "D", "E", "F"});
  const Session s = run_session(t.file, "1\n1000\n2.5\ng\nf\n10\n0\n0\n0\n0\n0\n0\n0\n0\n");
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(outline(read_drawing(s.script), t), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    ExactEnds, ClosedColourVariant,
    ::testing::Values(std::pair{Plan{{0, 100, 200, 300}, {0, 0, 0, 0}}, "A: B: D: C:1 | D C B A"},
                      std::pair{Plan{{0, 100, 200, 300, 400, 500}, {0, 0, 100, 100, 200, 200}},
                                "A: B: C:1E F: E:1 D:1E | F E D C B A"},
                      std::pair{Plan{{0, 100, 200, 300, 400}, {0, 0, 0, 0, 0}}, "A: B:1 C:1 E: D:1 | E D C B A"}),
    [](const auto& param_info) { return std::to_string(param_info.param.first.size()) + "points"; });

// ---- Declined ---------------------------------------------------------------------------

const Plan kSquare{{0, 100, 100, 0}, {0, 0, 100, 100}};
const std::string kSquareB = record("B   ", "100.000", ".000", ".005", ".005", "100.0000", ".005025", ".004848", ".000000");
const std::string kSquareC =
    record("C   ", "100.000", "100.000", ".007", ".007", ".0000", ".006982", ".006982", ".000000");
const std::string kSquareD = record("D   ", ".000", "100.000", ".009", ".009", "100.0000", ".008603", ".008501", ".000000");

std::string renamed(std::string record_line, const std::string& name, const char* m, const char* p) {
  return name + "  " + text_field(m, 14) + text_field(p, 14) + record_line.substr(34);
}

TEST(WholeRuns, DeclinedSquareOpen) {
  const Traverse t = traverse(kSquare, {"A", "B", "C", "D"});
  const Session s = run_session(t.file, "1\n1000\n2.5\nd\na\n5\n5\n10\n0\n0\n0\n");
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(crlf_lines(s.table), (std::vector<std::string>{kHeader, kSquareB, kSquareC, kSquareD}));
  const Drawing d = read_drawing(s.script);
  EXPECT_EQ(outline(d, t), "A: B:1E C:1E D:1E | A B C D");
  ASSERT_EQ(d.blocks.size(), 4u);
  EXPECT_NEAR(d.blocks[2].end_m, 100.0 + kAxisOffset, 5e-4);  // C: a circle, turned to +P
  EXPECT_NEAR(d.blocks[2].end_p, 100.0 + 6.982437 + kAxisOffset, 5e-4);
}

// The second pass walks D, C, B, A: C as B was, B as C (a circle), A as D.
TEST(WholeRuns, DeclinedSquareClosed) {
  const Traverse t = traverse(kSquare, {"A", "B", "C", "D"});
  const Session s = run_session(t.file, "1\n1000\n2.5\nd\nf\n5\n5\n10\n");
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(crlf_lines(s.table),
            (std::vector<std::string>{kHeader, kSquareB, kSquareC, kSquareD, renamed(kSquareB, "C   ", "100.000", "100.000"),
                                      renamed(kSquareC, "B   ", "100.000", ".000"),
                                      renamed(kSquareD, "A   ", ".000", ".000")}));
  EXPECT_EQ(outline(read_drawing(s.script), t), "A: B:1E C:1E D:1E D: C:1E B:1E A:1E | D C B A");
}

// Equal variances with a negative covariance: the a axis lies across the leg, at -50 gon.
TEST(WholeRuns, DeclinedDiagonalLeg) {
  const Session s = run_session("\"A\", 0, 0\n\"B\", 100, 100\n", "1\n1000\n2.5\nd\na\n5\n5\n10\n0\n0\n0\n");
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(crlf_lines(s.table),
            (std::vector<std::string>{kHeader, record("B   ", "100.000", "100.000", ".007", ".005", "-50.0000", ".006021",
                                                      ".006021", "-.000011")}));
  const std::vector<std::string> lines = crlf_lines(s.script);
  ASSERT_GE(lines.size(), 21u);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 14, lines.begin() + 21),
            (std::vector<std::string>{"COLOR", "1", "ELLIPSE", "C", "100.000,100.000", "95.252,104.948", "5.050"}));
}

// Two whole passes from exactly known ends, in order: 2·(n-1) records, every point but the
// ends from both ends; the ends drawn without an ellipse.
class DeclinedClosed : public ::testing::TestWithParam<std::size_t> {};

TEST_P(DeclinedClosed, WholePassesFromEachEnd) {
  const std::size_t n = GetParam();
  checks::Dice dice(static_cast<std::uint32_t>(200 + n));
  const Traverse t = traverse(checks::random_plan(dice, n));
  auto name = [&](std::size_t i) { return t.names[i].substr(0, t.names[i].find(' ')); };
  std::string want = name(0) + ": ";
  for (std::size_t j = 1; j < n; ++j) want += name(j) + ":1E ";
  want += name(n - 1) + ": ";
  for (std::size_t j = 1; j < n; ++j) want += name(n - 1 - j) + ":1E ";
  want += "|";
  for (std::size_t j = 0; j < n; ++j) want += " " + t.names[n - 1 - j].substr(0, 1);
  const Session s = run_session(t.file, "1\n1000\n2.5\nd\nf\n2\n3\n4\n");
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(read_records(s.table).size(), 2 * (n - 1));
  EXPECT_EQ(outline(read_drawing(s.script), t), want);
}

INSTANTIATE_TEST_SUITE_P(Points, DeclinedClosed, ::testing::Values(1, 2, 7));

// A random open traverse in each mode, with a typed start covariance.
TEST(WholeRuns, OpenRandomBothModes) {
  checks::Dice dice(78);
  const Traverse t = traverse(checks::random_plan(dice, 9));
  const checks::Precision precision{2.0, 3, 4.0};
  const StartCov start{0.01, 0.02, -0.00008};
  for (const Survey survey : {Survey::goniometric, Survey::declined}) {
    const std::vector<Cov> want = checks::full_propagation(t.plan, survey, precision, start);
    std::vector<Expected> records, blocks{{0, start_cov(start), "1E"}};
    for (std::size_t j = 1; j < 9; ++j) records.push_back({j, want[j], "1E"});
    blocks.insert(blocks.end(), records.begin(), records.end());
    const std::string mode = survey == Survey::goniometric ? "g" : "d";
    check_run(run_session(t.file, "1\n1000\n2.5\n" + mode + "\na\n2\n3\n4\n0.01\n0.02\n-0.00008\n"), t, records,
              blocks, walk_order(9, false));
  }
}

}  // namespace
}  // namespace elipses
