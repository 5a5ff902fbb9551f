// The coordinate file: every record rule, the passes that read it, and what it refuses.
#include <gtest/gtest.h>

#include <vector>

#include "input/coordinate_file.hpp"
#include "input/input_error.hpp"
#include "test_support.hpp"

namespace elipses {
namespace {

using elipses::testing::TempDir;
using elipses::testing::write_file;

// A test's name made of its label, letters and digits only.
std::string test_name(const char* label) {
  std::string name;
  for (const char c : std::string(label)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

// The points of the load pass, and those of the reverse pass that a closed traverse reads;
// what the check pass told.
struct Loaded {
  std::vector<Point> points;
  std::vector<Point> reversed;
  bool every_point_has_third_value = false;
  std::vector<std::string> warnings;
};

Loaded load(const std::string& content, bool heights = false) {
  TempDir dir;
  write_file(dir.file("c.txt"), content);
  CoordinateFile file;
  file.heights = heights;
  open_coordinate_file(file, dir.file("c.txt"));
  const std::int32_t n = count_points(file);
  check_traverse(file, n);
  Loaded loaded;
  loaded.every_point_has_third_value = file.every_point_has_third_value;
  loaded.warnings = reading_warnings(file);
  loaded.points = load_points(file, n).points;
  loaded.reversed = load_points_reversed(file, n).points;
  return loaded;
}

struct RecordCase {
  const char* label;
  const char* content;
  std::vector<Point> points;  // h stays 0 unless heights are asked for
  bool heights = false;
  bool every_point_has_third_value = false;
  const char* warning = nullptr;  // a fragment one warning must hold
};

class RecordRulesTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordRulesTest, LoadsThePointsInBothPasses) {
  const Loaded got = load(GetParam().content, GetParam().heights);
  const std::vector<Point>& expected = GetParam().points;
  EXPECT_EQ(got.every_point_has_third_value, GetParam().every_point_has_third_value);
  if (GetParam().warning != nullptr) {
    std::string all;
    for (const std::string& warning : got.warnings) all += warning + "\n";
    EXPECT_NE(all.find(GetParam().warning), std::string::npos) << all;
  }
  ASSERT_EQ(got.points.size(), expected.size());
  ASSERT_EQ(got.reversed.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Point& back = got.reversed[expected.size() - 1 - i];
    for (const Point* read : {&got.points[i], &back}) {
      EXPECT_EQ(read->name, expected[i].name) << "point " << i + 1 << (read == &back ? " (reverse pass)" : "");
      EXPECT_EQ(read->m, expected[i].m) << "point " << i + 1 << (read == &back ? " (reverse pass)" : "");
      EXPECT_EQ(read->p, expected[i].p) << "point " << i + 1 << (read == &back ? " (reverse pass)" : "");
      EXPECT_EQ(read->h, expected[i].h) << "point " << i + 1 << (read == &back ? " (reverse pass)" : "");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Notations, RecordRulesTest,
    ::testing::Values(
        RecordCase{"commas", "\"A\", 1.5, 2.5\n\"B\", 3, 4\n", {{"A   ", 1.5, 2.5}, {"B   ", 3.0, 4.0}}},
        RecordCase{"blanks and apostrophes", "'A' 1.5 2.5\n'B'\t3\t4\n", {{"A   ", 1.5, 2.5}, {"B   ", 3.0, 4.0}}},
        RecordCase{"comma with blanks around it", "\"A\" , 1.5 ,2.5\n\"B\",3 , 4\n",
                   {{"A   ", 1.5, 2.5}, {"B   ", 3.0, 4.0}}},
        RecordCase{"CR LF and no final line end", "\"A\", 1, 2\r\n\"B\", 3, 4", {{"A   ", 1, 2}, {"B   ", 3, 4}}},
        RecordCase{"exponents", "\"A\" 1D2 2E1\n\"B\" .5 5.\n\"C\" -1.5d-1 +2e+0\n",
                   {{"A   ", 100, 20}, {"B   ", 0.5, 5}, {"C   ", -0.15, 2}}},
        RecordCase{"names cut to four and filled", "\"P1000\" 1 2\n\"P100X\" 3 4\n\"A\" 5 6\n\"\" 7 8\n",
                   {{"P100", 1, 2}, {"P100", 3, 4}, {"A   ", 5, 6}, {"    ", 7, 8}}},
        RecordCase{"blanks, commas and doubled quotes in a name",
                   "\"A, B\" 1 2\n\"x\"\"y\" 3 4\n'it''s' 5 6\n\"a'b\" 7 8\n",
                   {{"A, B", 1, 2}, {"x\"y ", 3, 4}, {"it's", 5, 6}, {"a'b ", 7, 8}}},
        RecordCase{"bare names", "E01 1 2\nP1,3,4\nX\"1 5 6\n", {{"E01 ", 1, 2}, {"P1  ", 3, 4}, {"X\"1 ", 5, 6}}},
        RecordCase{"multi-byte characters kept whole", "\"\xC3\x87\xC3\xA3o1\" 1 2\n\"\xC3\x87\xC3\x87\xC3\x87\xC3\x87\xC3\x87\" 3 4\n",
                   {{"\xC3\x87\xC3\xA3o1", 1, 2}, {"\xC3\x87\xC3\x87\xC3\x87\xC3\x87", 3, 4}}},
        RecordCase{"a point over two lines", "\"A\", 1,\n 2\n\"B\"\n3\n4\n", {{"A   ", 1, 2}, {"B   ", 3, 4}}},
        RecordCase{"a comma after a line end is only the separator", "\"A\" 1\n, 2\n\"B\" 3 4\n",
                   {{"A   ", 1, 2}, {"B   ", 3, 4}}},
        RecordCase{"the rest of the line after P is ignored", "\"A\" 1 2 3 \"x\" junk\n\"B\" 4 5\n",
                   {{"A   ", 1, 2}, {"B   ", 4, 5}}},
        RecordCase{"blank lines before and after points", "\n  \n\"A\" 1 2\n\n\t\n\"B\" 3 4\n\n \r\n\t\n",
                   {{"A   ", 1, 2}, {"B   ", 3, 4}}},
        RecordCase{"null values keep the previous point's", "\"A\", 1, 2\n\"B\", , 5\n\"C\", 7,,\n",
                   {{"A   ", 1, 2}, {"B   ", 1, 5}, {"C   ", 7, 5}}},
        RecordCase{"a slash ends the point", "\"A\", 1, 2\n\"B\", 3 / 99\n\"C\" 8 9\n",
                   {{"A   ", 1, 2}, {"B   ", 3, 2}, {"C   ", 8, 9}}},
        RecordCase{"a slash after the first name", "\"A\" /\n\"B\" 3 4\n\"C\" 5 6\n",
                   {{"A   ", 5, 6}, {"B   ", 3, 4}, {"C   ", 5, 6}}},
        RecordCase{"a leading comma is a null name", "\"A\",1,2\n,5,6\n", {{"A   ", 1, 2}, {"A   ", 5, 6}}},
        // The reading variables live across passes: a null value in the first point
        // takes what the last point of the count pass left there.
        RecordCase{"null values of the first point across passes", ", , 2\n\"B\" 3 4\n",
                   {{"B   ", 3, 2}, {"B   ", 3, 4}}},
        RecordCase{"one point", "\"A\" 1 2\n", {{"A   ", 1, 2}}},
        RecordCase{"byte order mark", "\xEF\xBB\xBF\"A\" 1 2\nB 3 4\n", {{"A   ", 1, 2}, {"B   ", 3, 4}}},
        // Saved from a spreadsheet in Portuguese settings: one record a line, name;M;P.
        RecordCase{"semicolons under a header, decimal commas",
                   "Nome;M;P\r\nRV1;18234,512;-122845,337\r\nRV2;18334,5;-122745\r\n",
                   {{"RV1 ", 18234.512, -122845.337}, {"RV2 ", 18334.5, -122745}}},
        RecordCase{"semicolons, decimal points and a stray semicolon at the end",
                   "\xEF\xBB\xBFRV1;18234.512;-122845.337;\n\n RV2 ; 18334.5 ; -1.22745E5;\n",
                   {{"RV1 ", 18234.512, -122845.337}, {"RV2 ", 18334.5, -122745}}},
        RecordCase{"a semicolon inside the first quoted name is not a semicolon file", "\"A;\"\"1\" 1 2\nB;2 3 4\n",
                   {{"A;\"1", 1, 2}, {"B;2 ", 3, 4}}},
        RecordCase{"semicolons: quoted fields, a number for a name, further fields",
                   "\"A;1\";1;2;cota\n1001;\"3,5\";4;;\n\"x\"\"y\";5;6\n",
                   {{"A;1 ", 1, 2}, {"1001", 3.5, 4}, {"x\"y ", 5, 6}}},
        // Not asked for heights, a number after P on every record is seen and still passed over.
        RecordCase{"a number after P on every record", "\"A\" 1 2 3\n\"B\", 4, 5, 6 marco\n",
                   {{"A   ", 1, 2}, {"B   ", 4, 5}}, false, true, "linha 2: há mais valores depois de P"},
        RecordCase{"semicolons: a number in every fourth field", "A;1;2;3,5\nB;4;5;6;\n",
                   {{"A   ", 1, 2}, {"B   ", 4, 5}}, false, true, "linha 1: há mais campos depois de P"},
        // Asked for heights: H after P on P's own line, name;M;P;H with semicolons.
        RecordCase{"heights: commas, blanks, CR LF, exponents", "\"A\", 1, 2, 10.5\r\n'B' 3 4 -2E1\r\nC 5 6 7D-1",
                   {{"A   ", 1, 2, 10.5}, {"B   ", 3, 4, -20}, {"C   ", 5, 6, 0.7}}, true, true},
        RecordCase{"heights: M and P on later lines, H on P's line", "\"A\"\n 1\n 2 3\n\"B\", 4,\n 5, 6\n",
                   {{"A   ", 1, 2, 3}, {"B   ", 4, 5, 6}}, true, true},
        RecordCase{"heights: null values and slashes keep the previous point's",
                   "\"A\", 1, 2, 3\n\"B\", 4, 5,,\n\"C\", 6,, 7\n\"D\", 8 /\n\"E\" 9 10 /\n",
                   {{"A   ", 1, 2, 3}, {"B   ", 4, 5, 3}, {"C   ", 6, 5, 7}, {"D   ", 8, 5, 7}, {"E   ", 9, 10, 7}},
                   true},
        RecordCase{"heights: null height of the first point across passes", "\"A\", 1, 2,,\n\"B\" 3 4 5\n",
                   {{"A   ", 1, 2, 5}, {"B   ", 3, 4, 5}}, true},
        RecordCase{"heights: a fourth value is passed over", "\"A\" 1 2 3 4\n\"B\" 5 6 7,\n",
                   {{"A   ", 1, 2, 3}, {"B   ", 5, 6, 7}}, true, true,
                   "linha 1: há mais valores depois de H, que foram ignorados: \"\"A\" 1 2 3 4\""},
        RecordCase{"heights: semicolons under a header, decimal commas, a fifth field",
                   "Nome;M;P;H\r\nRV1;18234,512;-122845,337;231,4\r\nRV2;18334.5;-122745;2,31E2;marco\r\n",
                   {{"RV1 ", 18234.512, -122845.337, 231.4}, {"RV2 ", 18334.5, -122745, 231}}, true, true,
                   "linha 3: há mais campos depois de H"}),
    [](const ::testing::TestParamInfo<RecordCase>& case_info) { return test_name(case_info.param.label); });

struct RefusalCase {
  const char* label;
  const char* content;
  const char* message;  // a fragment the message must hold
  bool heights = false;
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, RefusedWithItsLine) {
  try {
    load(GetParam().content, GetParam().heights);
    FAIL() << "accepted";
  } catch (const InputError& error) {
    EXPECT_NE(std::string(error.what()).find(GetParam().message), std::string::npos) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, RefusalTest,
    ::testing::Values(
        RefusalCase{"number for the name", "\"A\" 1 2\n123 1 2\n", "linha 2: esperava-se o nome do ponto 2"},
        RefusalCase{"text for M", "\"A\" abc 2\n", "linha 1: esperava-se a coordenada M do ponto 1 (um número), encontrou-se \"abc\""},
        RefusalCase{"text for P", "\"A\" 1\n\n 'x' \n", "linha 3: esperava-se a coordenada P do ponto 1"},
        RefusalCase{"a semicolon in the first record makes a semicolon file", "\"A\" 1;5 2\n",
                    "linha 1, campo 3: falta a coordenada P do ponto 1 (a linha tem 2 campos)"},
        RefusalCase{"semicolons: a missing field", "A;1;2\nB;3\n", "linha 2, campo 3: falta a coordenada P do ponto 2"},
        RefusalCase{"semicolons: an empty field under a header", "Nome;M;P\nA;1;2\nB;;3\n",
                    "linha 3, campo 2: vazio; esperava-se a coordenada M do ponto 2"},
        RefusalCase{"semicolons: an empty name", ";1;2\n", "linha 1, campo 1: vazio; esperava-se o nome do ponto 1"},
        RefusalCase{"semicolons: both decimal marks", "A;1.234,5;2\n", "campo 2: esperava-se a coordenada M"},
        RefusalCase{"semicolons: a header only", "Nome;M;P\n", "não tem nenhum ponto"},
        RefusalCase{"unclosed quote", "\"A 1 2\n", "linha 1: o nome do ponto 1 abre aspas"},
        RefusalCase{"quote closed on the next line", "\"A\n\" 1 2\n", "abre aspas que não fecham"},
        RefusalCase{"text glued to the closing quote", "\"A\"x 1 2\n", "depois do nome do ponto 1"},
        RefusalCase{"partial point after the last", "\"A\" 1 2\n\"B\" 3\n", "termina a meio do ponto 2: falta a coordenada P"},
        RefusalCase{"a trailing separator asks for P on the next line", "\"A\" 1 2\n\"B\" 3,\n", "falta a coordenada P"},
        RefusalCase{"a lone comma after the last point", "\"A\" 1 2\n,\n", "termina a meio do ponto 2"},
        RefusalCase{"no point", "\n  \r\n", "não tem nenhum ponto"},
        RefusalCase{"empty file", "", "não tem nenhum ponto"},
        RefusalCase{"zero-length leg", "\"A\" 1 2\n\"B\" 3 4\n\"C\" 3 4.0\n",
                    "linha 3: a perna do ponto 2 \"B\" (linha 2) ao ponto 3 \"C\" tem comprimento nulo"},
        RefusalCase{"leg length underflows", "\"A\" 0 0\n\"B\" 1e-200 0\n", "tem comprimento nulo"},
        RefusalCase{"out of range", "\"A\" 1e400 0\n", "fora do alcance"},
        RefusalCase{"heights: a record without one", "\"A\" 1 2 3\n\"B\" 4 5\n\"C\" 6 7 8\n",
                    "linha 2: esperava-se a altura H do ponto 2 (um número) depois de P, na mesma linha, "
                    "encontrou-se o fim da linha", true},
        RefusalCase{"heights: on the line after P", "\"A\" 1 2\n3\n", "linha 1: esperava-se a altura H do ponto 1", true},
        RefusalCase{"heights: a separator, then the line end", "\"A\", 1, 2,\r\n3\r\n",
                    "linha 1: esperava-se a altura H do ponto 1", true},
        RefusalCase{"heights: the file ends after P", "\"A\" 1 2 3\r\n\"B\" 4 5",
                    "linha 2: esperava-se a altura H do ponto 2 (um número) depois de P, na mesma linha, "
                    "encontrou-se o fim do ficheiro", true},
        RefusalCase{"heights: text", "\"A\" 1 2 3\n\"B\" 4 5 nan\n",
                    "linha 2: esperava-se a altura H do ponto 2 (um número), encontrou-se \"nan\"", true},
        RefusalCase{"heights: a quoted text", "\"A\" 1 2 \"B\" 4 5 6\n", "encontrou-se \"\"B\"\"", true},
        RefusalCase{"heights: out of range", "\"A\" 1 2 -1D999\n",
                    "linha 1: a altura H do ponto 1 está fora do alcance de um número real", true},
        RefusalCase{"heights: semicolons, a missing field", "A;1;2;3\nB;4;5\n",
                    "linha 2, campo 4: falta a altura H do ponto 2 (a linha tem 3 campos)", true},
        RefusalCase{"heights: semicolons, an empty field", "A;1;2;\n", "linha 1, campo 4: vazio; esperava-se a altura H", true},
        RefusalCase{"heights: semicolons, both decimal marks", "A;1;2;1.234,5\n",
                    "campo 4: esperava-se a altura H do ponto 1 (um número)", true},
        RefusalCase{"heights: semicolons, out of range", "A;1;2;1e400\n", "campo 4: a altura H do ponto 1 está fora do alcance", true}),
    [](const ::testing::TestParamInfo<RefusalCase>& case_info) { return test_name(case_info.param.label); });

TEST(CoordinateFile, NulByteInTheMiddleIsSeen) {
  TempDir dir;
  const char content[] = "\"A\" 1 2\n\"B\" 3\0 4\n";
  write_file(dir.file("c.txt"), std::string(content, sizeof content - 1));
  CoordinateFile file;
  open_coordinate_file(file, dir.file("c.txt"));
  try {
    count_points(file);
    FAIL() << "accepted";
  } catch (const InputError& error) {
    EXPECT_NE(std::string(error.what()).find("linha 2: contém um byte nulo"), std::string::npos) << error.what();
  }
}

TEST(CoordinateFile, MissingFileIsRefused) {
  CoordinateFile file;
  EXPECT_THROW(open_coordinate_file(file, "/nonexistent/pontos.txt"), InputError);
}

TEST(CoordinateFile, ReverseReadsTheFileAgain) {
  TempDir dir;
  write_file(dir.file("c.txt"), "\"A\" 0 0\n\"B\" 100 0\n\"C\" 100 100\n\"D\" 0 100\n");
  CoordinateFile file;
  open_coordinate_file(file, dir.file("c.txt"));
  const std::int32_t n = count_points(file);
  ASSERT_EQ(n, 4);
  PointList list = load_points(file, n);
  // Changing the file between passes shows the list is read again, not swapped in memory.
  write_file(dir.file("c.txt"), "\"W\" 0 0\n\"X\" 1 0\n\"Y\" 1 1\n\"Z\" 0 1\n");
  list = load_points_reversed(file, n);
  std::string names;
  for (const Point& p : list.points) names += p.name.substr(0, 1);
  EXPECT_EQ(names, "ZYXW");
}

}  // namespace
}  // namespace elipses
