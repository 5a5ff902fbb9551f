// elipses-relatorio.html: the drawing read back against the text files of the same run,
// every text from the user escaped, nothing outside the file referred to, and the same
// report whether or not the further results were asked for.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "dialogue/command_line.hpp"
#include "dialogue/program_driver.hpp"
#include "output/report.hpp"
#include "test_support.hpp"

namespace elipses {
namespace {

using elipses::testing::crlf_lines;
using elipses::testing::read_file;
using elipses::testing::TempDir;
using elipses::testing::write_file;

TEST(ReportText, UserTextIsEscapedAndKeptReadable) {
  const std::pair<const char*, const char*> cases[] = {
      {"<b>", "&lt;b&gt;"},
      {"a&b", "a&amp;b"},
      {"x<script>.txt", "x&lt;script&gt;.txt"},
      {"\"o'", "&quot;o&#39;"},
      {"Estação", "Estação"},           // UTF-8 as it is
      {"Esta\xE7\xE3o", "Estação"},     // Windows-1252 from an older editor
      {"\x80 \x01", "€ \xEF\xBF\xBD"},  // a control character cannot stand in HTML
      {"\xC3", "Ã"},                    // a UTF-8 character cut short
  };
  for (const auto& [typed, shown] : cases) EXPECT_EQ(html_text(typed), shown) << typed;
}

struct TableRecord {
  double m, p, a, b, teta;
};

// The records of elipses.txt or elipses-ajustada.txt by point name (the first four characters).
std::multimap<std::string, TableRecord> point_records(const std::string& text) {
  std::multimap<std::string, TableRecord> records;
  const std::vector<std::string> lines = crlf_lines(text);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::istringstream values(lines[i].substr(4));
    TableRecord r{};
    values >> r.m >> r.p >> r.a >> r.b >> r.teta;
    records.emplace(shown_name(lines[i].substr(0, 4)), r);
  }
  return records;
}

struct SvgEllipse {
  std::string layer, name;
  double cx, cy, rx, ry, degrees;
};

// The value of an attribute of the element that starts at `at` (empty when absent).
std::string attribute(const std::string& html, std::size_t at, const std::string& name) {
  const std::size_t end = html.find('>', at);
  const std::size_t start = html.find(" " + name + "=\"", at);
  if (start == std::string::npos || start > end) return {};
  const std::size_t value = start + name.size() + 3;
  return html.substr(value, html.find('"', value) - value);
}

// The ellipses of the drawing (the key's swatches and the charts are other pictures).
std::vector<SvgEllipse> svg_ellipses(const std::string& html) {
  std::vector<SvgEllipse> found;
  std::string layer;
  const std::size_t drawing = html.find("<svg viewBox");
  const std::size_t drawing_end = html.find("</svg>", drawing);
  for (std::size_t at = html.find('<', drawing); at != std::string::npos && at < drawing_end;
       at = html.find('<', at + 1)) {
    if (html.compare(at, 3, "<g ") == 0 && attribute(html, at, "class").rfind("camada-", 0) == 0) {
      layer = attribute(html, at, "class");
    } else if (html.compare(at, 9, "<ellipse ") == 0) {
      const std::string turn = attribute(html, at, "transform");  // rotate(degrees cx cy)
      const std::string name = attribute(html, at, "data-ponto");
      found.push_back({layer, name.empty() ? attribute(html, at, "data-de") : name, std::stod(attribute(html, at, "cx")),
                       std::stod(attribute(html, at, "cy")), std::stod(attribute(html, at, "rx")),
                       std::stod(attribute(html, at, "ry")), std::stod(turn.substr(turn.find('(') + 1))});
    }
  }
  return found;
}

// An ellipse's azimuth read back from the picture's rotation (y down), in gon, against
// the table's teta: an axis has no sense, so they agree modulo 200 gon.
double azimuth_difference(double degrees, double teta_gon) {
  return std::remainder((degrees + 90.0) / 0.9 - teta_gon, 200.0);
}

class ReportRun : public ::testing::Test {
 protected:
  std::string run(const std::vector<std::string>& extras, std::string* said = nullptr) {
    std::vector<std::string> arguments = {dir.file("x<script>.txt"), "--modo", "g",  "--poligonal", "f",
                                          "--mm",  "2.5", "--ppm", "1.5", "--segundos", "1.5", "--inicial",
                                          "0.005,0.005,0", "--final", "0.008,0.006,0.00001", "--escala", "2000",
                                          "--saida", dir.path().string()};
    arguments.insert(arguments.end(), extras.begin(), extras.end());
    const CommandLine line = read_command_line(arguments);
    std::ostringstream err;
    EXPECT_EQ(run_with_answers(line.settings, err), 0) << err.str();
    if (said != nullptr) *said = err.str();
    return read_file(dir.file("elipses-relatorio.html"));
  }
  void SetUp() override {
    write_file(dir.file("x<script>.txt"),
               "\"<b>\" 1000 2000\n\"a&b\" 1180 2130\n\"P3\" 1290 2310\n\"P4\" 1500 2360\n\"P5\" 1650 2550\n");
  }
  TempDir dir;
};

TEST_F(ReportRun, DrawingAgreesWithTheTablesOfTheSameRun) {
  std::string said;
  const std::string html = run({"--relatorio", "--ajustada", "--relativas"}, &said);
  const double scale = 2000;
  const std::multimap<std::string, TableRecord> halves = point_records(read_file(dir.file("elipses.txt")));
  const std::multimap<std::string, TableRecord> adjusted = point_records(read_file(dir.file("elipses-ajustada.txt")));
  const std::vector<SvgEllipse> ellipses = svg_ellipses(html);
  std::size_t absolute = 0, relative = 0;
  const std::size_t svg = html.find("<svg viewBox");
  ASSERT_NE(svg, std::string::npos);
  const double origin_m = std::stod(attribute(html, svg, "data-origem-m"));
  const double origin_p = std::stod(attribute(html, svg, "data-origem-p"));
  const std::vector<std::string> legs = crlf_lines(read_file(dir.file("elipses-relativas.txt")));
  for (const SvgEllipse& e : ellipses) {
    SCOPED_TRACE(e.layer + " " + e.name);
    if (e.layer == "camada-relativas") {
      ASSERT_LT(relative + 1, legs.size());
      std::istringstream record(legs[++relative]);
      std::string from, to;
      double length, a, b, teta;
      record >> from >> to >> length >> a >> b >> teta;
      EXPECT_EQ(e.name, html_text(from));
      EXPECT_NEAR(e.rx / scale, a, 0.00006);
      EXPECT_NEAR(e.ry / scale, b, 0.00006);
      if (a > 1.1 * b) { EXPECT_NEAR(azimuth_difference(e.degrees, teta), 0.0, 0.001); }
      continue;
    }
    // Layers 1 and 2: the passes of elipses.txt; layer 3: the adjusted traverse.
    const auto& table = e.layer == "camada-3" ? adjusted : halves;
    const auto found = std::find_if(table.begin(), table.end(), [&](const auto& r) {
      return html_text(r.first) == e.name && std::fabs(r.second.a - e.rx / scale) < 0.0006;
    });
    ASSERT_NE(found, table.end()) << "no record of this point with this semi-major axis";
    const TableRecord& r = found->second;
    EXPECT_NEAR(e.ry / scale, r.b, 0.0006);
    if (r.a > 1.1 * r.b) { EXPECT_NEAR(azimuth_difference(e.degrees, r.teta), 0.0, 0.001); }
    // Where it stands: x = M - origin, y = origin - P.
    EXPECT_NEAR(e.cx, r.m - origin_m, 0.0006);
    EXPECT_NEAR(e.cy, origin_p - r.p, 0.0006);
    ++absolute;
  }
  EXPECT_EQ(absolute, halves.size() + adjusted.size());
  EXPECT_EQ(relative, legs.size() - 1);
  // The predicted misclosure, as standard error said it, kept in its file.
  const std::vector<std::string> closure = crlf_lines(read_file(dir.file("elipses-fecho.txt")));
  ASSERT_GE(closure.size(), 3u);
  EXPECT_EQ(closure[0].rfind("fecho previsto da poligonal", 0), 0u);
  for (const std::string& line : closure) {
    EXPECT_NE(said.find("elipses: " + line + "\n"), std::string::npos) << line;
    EXPECT_NE(html.find(html_text(line)), std::string::npos) << line;
  }
  // The worst point of each computation.
  for (const char* computation : {"a partir do ponto inicial", "a partir do ponto final", "na poligonal ajustada"}) {
    EXPECT_NE(said.find(computation), std::string::npos) << said;
  }
}

TEST_F(ReportRun, UserTextIsEscapedAndNothingOutsideTheFileIsReferred) {
  const std::string html = run({"--relatorio"});
  EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(html.find("@page { size: A4"), std::string::npos);
  EXPECT_NE(html.find("x&lt;script&gt;.txt"), std::string::npos);
  EXPECT_NE(html.find(">&lt;b&gt;</"), std::string::npos);
  EXPECT_NE(html.find(">a&amp;b</"), std::string::npos);
  for (const char* never : {"<script", "<b>", "a&b", "http:", "https:", "href", "src=", "url(", "@import", "<link"}) {
    EXPECT_EQ(html.find(never), std::string::npos) << never;
  }
  // Everything that applies is computed whether or not it was asked for.
  EXPECT_EQ(html, run({"--relatorio", "--relativas", "--ajustada"}));
  EXPECT_NE(html.find("camada-relativas"), std::string::npos);
  EXPECT_NE(html.find("Fecho previsto"), std::string::npos);
  EXPECT_NE(html.find("<h2>Fiabilidade: observações fracas</h2>\n<p>Redundância 3;"), std::string::npos);
  // With tolerances: the pairs that exceed and the design sheet, without --projetar.
  const std::string decided = run({"--relatorio", "--tolerancia", "1,1", "--tolerancia-ponto", "5"});
  for (const char* part : {"<h2>Pares que excedem a tolerância relativa</h2>",
                           "<h2>Como cumprir: a folha de projeto</h2>", "<table class=\"catalogo\">",
                           "class=\"relativa excede\"", "<th>Tolerância relativa</th>",
                           "<section id=\"veredicto\" class=\"excede\">"}) {
    EXPECT_NE(decided.find(part), std::string::npos) << part;
  }
  EXPECT_FALSE(elipses::testing::file_exists(dir.file("elipses-projeto.txt")));
}

// What later computations add: a tolerance per leg with its verdict, and tables of their own.
TEST(ReportSections, ToleranceVerdictsAndFurtherTablesAreLaidOut) {
  Report report;
  report.coordinate_file = "p.txt";
  report.points.n = 3;
  report.points.points = {Point{"A   ", 0, 0}, Point{"B   ", 100, 0}, Point{"C   ", 200, 80}};
  report.scale = 500;
  report.level = "erro 1 sigma (39.4%)";
  report.legs = {{1, {1e-4, 1e-4, 0}, LegTest{0.05, 0.2, true}}, {2, {4e-4, 1e-4, 0}, LegTest{0.01, 2.0, false}}};
  report.tables.push_back({"Pares que excedem", "", {"de", "para", "veredicto"}, {{"<b>", "a&b", "excede"}}});
  std::ostringstream file;
  write_report(file, report);
  const std::string html = file.str();
  EXPECT_NE(html.find("<circle class=\"tolerancia\" stroke=\"#707070\" cx=\""), std::string::npos);
  EXPECT_NE(html.find("r=\"25.0000\""), std::string::npos) << "the tolerance magnified like the ellipses";
  EXPECT_NE(html.find("class=\"relativa cumpre\" stroke=\"#108a10\" data-de=\"A\""), std::string::npos);
  EXPECT_NE(html.find("class=\"relativa excede\" stroke=\"#d01010\" data-de=\"B\""), std::string::npos);
  EXPECT_NE(html.find("<td class=\"excede\">excede</td>"), std::string::npos);
  EXPECT_NE(html.find("<h2>Pares que excedem</h2>"), std::string::npos);
  EXPECT_NE(html.find("<td>&lt;b&gt;</td><td>a&amp;b</td>"), std::string::npos);
}

}  // namespace
}  // namespace elipses

namespace elipses {
namespace {

// A long traverse's report stays small: its tables show their first and worst rows with
// where the rest is, its drawing the worst ellipses and every n-th, and it says so.
TEST(ReportOfALongTraverse, IsAbridgedAndSaysWhere) {
  TempDir dir;
  std::ostringstream points;
  double m = 150000.0, p = 230000.0;
  for (int i = 0; i < 20000; ++i) {
    points << "Q" << i << ' ' << m << ' ' << p << '\n';
    m += 150.0 + (i % 7) * 20.0;
    p += (i % 2 == 0 ? 90.0 : -60.0);
  }
  write_file(dir.file("longa.txt"), points.str());
  const CommandLine line =
      read_command_line({dir.file("longa.txt"), "--modo", "d", "--poligonal", "a", "--mm", "3", "--ppm", "2",
                         "--segundos", "20", "--inicial", "0,0,0", "--relatorio", "--relativas", "--saida",
                         dir.path().string()});
  std::ostringstream err;
  ASSERT_EQ(run_with_answers(line.settings, err), 0) << err.str();
  const std::string html = read_file(dir.file("elipses-relatorio.html"));
  EXPECT_LT(html.size(), 5u * 1000 * 1000);
  const auto count = [&](const std::string& what) {
    std::size_t found = 0;
    for (std::size_t at = html.find(what); at != std::string::npos; at = html.find(what, at + 1)) ++found;
    return found;
  };
  EXPECT_LE(count("class=\"absoluta\""), ellipses_drawn);
  EXPECT_GE(count("class=\"absoluta\""), worst_ellipses_drawn);
  EXPECT_LE(count("class=\"relativa\""), ellipses_drawn);
  EXPECT_LE(count("<text x="), names_written + 10);
  EXPECT_NE(html.find("Desenho simplificado para a página"), std::string::npos);
  EXPECT_NE(html.find("linhas em elipses.txt</td>"), std::string::npos);
  EXPECT_NE(html.find("linhas em elipses-relativas.txt</td>"), std::string::npos);
  EXPECT_LE(count("<tr>"), 2 * (first_rows_shown + worst_rows_shown) + 2 + 20);  // two tables, their headers, the facts
}

}  // namespace
}  // namespace elipses
