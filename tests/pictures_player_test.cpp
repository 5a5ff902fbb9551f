// The player of drawing scripts: the four commands as elipses writes them, and every way
// a script can fail to be one, refused at the line where it stops making sense.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <string>

#include "pictures/script_player.hpp"

namespace elipses::pictures {
namespace {

std::string crlf(const std::string& lf_lines) {
  std::string out;
  for (const char c : lf_lines) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

const std::string blank63(63, ' ');

TEST(PicturesPlayer, PlaysEachCommandWithTheColourThenCurrent) {
  const Drawing drawing = play_drawing_script(crlf(
      "TEXT\n-0.500,100000.000\n2.500\n0.000\nA   \n"
      "COLOR\n1\nELLIPSE\nC\n5000.000,-50.000\n5000.100,-39.900\n5.000\n"
      "COLOR\n5\nTEXT\n0.250,3.750\n2.500\n-0.000\n        Incerteza\n"
      "COLOR\n3\nPLINE\n1.000,2.000\n3.000,4.000\n" + blank63 + "\n"));
  ASSERT_EQ(drawing.entities.size(), 4u);
  EXPECT_TRUE(drawing.warnings.empty());
  const auto& name = std::get<DrawnText>(drawing.entities[0]);
  EXPECT_EQ(name.colour, 7);  // the CAD program's own colour before any COLOR
  EXPECT_EQ(name.text, "A   ");
  EXPECT_DOUBLE_EQ(name.start.m, -0.5);
  EXPECT_DOUBLE_EQ(name.start.p, 100000.0);
  const auto& ellipse = std::get<DrawnEllipse>(drawing.entities[1]);
  EXPECT_EQ(ellipse.colour, 1);
  EXPECT_EQ(ellipse.line, 8u);
  EXPECT_DOUBLE_EQ(ellipse.axis_end.p, -39.9);
  const EllipseShape shape = ellipse_shape(ellipse);
  EXPECT_NEAR(shape.first_semi_axis, std::hypot(0.1, 10.1), 1e-12);  // the offset end point, as written
  EXPECT_DOUBLE_EQ(shape.second_semi_axis, 5.0);
  EXPECT_EQ(std::get<DrawnText>(drawing.entities[2]).text, "        Incerteza");
  const auto& traverse = std::get<DrawnPolyline>(drawing.entities[3]);
  EXPECT_EQ(traverse.colour, 3);
  ASSERT_EQ(traverse.vertices.size(), 2u);
  EXPECT_DOUBLE_EQ(traverse.vertices[1].p, 4.0);
}

TEST(PicturesPlayer, TakesBareLineFeedsAndAnEmptyScript) {
  EXPECT_EQ(play_drawing_script("COLOR\n3\nPLINE\n1.000,2.000\n\n").entities.size(), 1u);
  EXPECT_TRUE(play_drawing_script("").entities.empty());  // what a run stopped at the menu leaves
}

struct Refusal {
  const char* what;
  std::string script;  // LF here, CR LF when played
  std::size_t line;
  const char* message_part;
};

class PicturesRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(PicturesRefusal, NamesTheLineAndWritesNothing) {
  const Refusal& refusal = GetParam();
  try {
    play_drawing_script(crlf(refusal.script));
    FAIL() << refusal.what << ": played";
  } catch (const ScriptError& error) {
    EXPECT_EQ(error.line, refusal.line) << error.what();
    EXPECT_NE(std::string(error.what()).find("linha " + std::to_string(refusal.line) + ": "), std::string::npos);
    EXPECT_NE(std::string(error.what()).find(refusal.message_part), std::string::npos) << error.what();
  }
}

const std::string text_head = "COLOR\n7\nTEXT\n1.000,2.000\n2.500\n";

INSTANTIATE_TEST_SUITE_P(
    Scripts, PicturesRefusal,
    ::testing::Values(
        Refusal{"another command", "COLOR\n7\nCIRCLE\n", 3, "esperava-se um comando"},
        Refusal{"command in lower case", "color\n7\n", 1, "esperava-se um comando"},
        Refusal{"blank between commands", "COLOR\n7\n\nCOLOR\n1\n", 3, "repetiria o comando anterior"},
        Refusal{"trailing blank after a command", "COLOR \n7\n", 1, "esperava-se um comando"},
        Refusal{"byte order mark", "\xEF\xBB\xBF" "COLOR\n7\n", 1, "esperava-se um comando"},
        Refusal{"colour not in the script", "COLOR\n2\n", 2, "número da cor"},
        Refusal{"colour by name", "COLOR\nred\n", 2, "número da cor"},
        Refusal{"point without comma", "COLOR\n7\nTEXT\n1.000 2.000\n", 4, "na forma M,P"},
        Refusal{"blank in a point", "TEXT\n1.000, 2.000\n", 2, "coordenada P do ponto de inserção"},
        Refusal{"two decimals", "TEXT\n1.00,2.000\n", 2, "três decimais"},
        Refusal{"four decimals", "TEXT\n1.000,2.0000\n", 2, "três decimais"},
        Refusal{"no digit before the point", "TEXT\n.500,2.000\n", 2, "três decimais"},
        Refusal{"plus sign", "TEXT\n+1.000,2.000\n", 2, "três decimais"},
        Refusal{"exponent", "TEXT\n1.000e3,2.000\n", 2, "três decimais"},
        Refusal{"overflowed coordinate", "TEXT\n**********,2.000\n", 2, "asteriscos"},
        Refusal{"overflowed fraction", "COLOR\n1\nELLIPSE\nC\n1.000,2.000\n1.100,2.100\n0****\n", 7, "asteriscos"},
        Refusal{"turned text", text_head + "90.000\nP1  \n", 6, "rotação do texto 0.000"},
        Refusal{"ellipse without its centre option", "ELLIPSE\nc\n", 2, "opção C"},
        Refusal{"ellipse by its axis ends", "ELLIPSE\n1.000,2.000\n", 2, "opção C"},
        Refusal{"polyline without vertex", "PLINE\n" + blank63 + "\n", 2, "pelo menos um vértice"},
        Refusal{"closed polyline", "PLINE\n1.000,2.000\nC\n", 3, "vértice da poligonal"},
        Refusal{"text cut short", text_head, 3, "TEXT ficou incompleto"},
        Refusal{"ellipse cut short", "ELLIPSE\nC\n1.000,2.000\n", 1, "ELLIPSE ficou incompleto"},
        Refusal{"colour cut short", "COLOR\n7\nCOLOR\n", 3, "COLOR ficou incompleto"},
        Refusal{"polyline never ended", "COLOR\n3\nPLINE\n1.000,2.000\n", 3, "PLINE ficou incompleto"}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
      std::string name;
      for (const char c : std::string(info.param.what)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(PicturesPlayer, RefusesALastLineThatNeverEnds) {
  try {
    play_drawing_script("COLOR\r\n7\r\nPLINE\r\n1.000,2.000\r\n" + blank63);
    FAIL() << "played";
  } catch (const ScriptError& error) {
    EXPECT_EQ(error.line, 5u);
    EXPECT_NE(std::string(error.what()).find("não termina com fim de linha"), std::string::npos);
  }
}

// Values the CAD program would not take but whose meaning the picture can still show.
TEST(PicturesPlayer, WarnsOfWhatTheCadProgramWouldNotTake) {
  const Drawing drawing = play_drawing_script(crlf(
      "TEXT\n1.000,2.000\n0.000\n0.000\nP1  \n"
      "ELLIPSE\nC\n1.000,2.000\n1.000,2.000\n5.000\n"
      "ELLIPSE\nC\n1.000,2.000\n3.000,2.000\n-0.000\n"));
  EXPECT_EQ(drawing.entities.size(), 3u);
  ASSERT_EQ(drawing.warnings.size(), 3u);
  EXPECT_EQ(drawing.warnings[0].rfind("linha 3: a altura do texto", 0), 0u) << drawing.warnings[0];
  EXPECT_EQ(drawing.warnings[1].rfind("linha 6: o extremo do eixo", 0), 0u) << drawing.warnings[1];
  EXPECT_EQ(drawing.warnings[2].rfind("linha 15: a distância ao outro eixo", 0), 0u) << drawing.warnings[2];
}

}  // namespace
}  // namespace elipses::pictures
