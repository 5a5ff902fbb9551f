// The command line of elipses-svg: where it reads and writes, and that a refused script
// or a failed write never leaves a wrong picture behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "pictures/picture_tool.hpp"
#include "test_support.hpp"

namespace elipses::pictures {
namespace {

using elipses::testing::file_exists;
using elipses::testing::read_file;
using elipses::testing::TempDir;
using elipses::testing::write_file;

const std::string good_script = "COLOR\r\n3\r\nPLINE\r\n1.000,2.000\r\n5.000,7.000\r\n\r\n";

struct ToolRun {
  int status;
  std::string out, err;
};

ToolRun run_tool(const TempDir& dir, const std::vector<std::string>& arguments) {
  std::ostringstream out, err;
  const int status = run_picture_tool(arguments, out, err, dir.path());
  return {status, out.str(), err.str()};
}

struct Placement {
  std::vector<std::string> arguments;
  const char* input;
  const char* output;
  const char* first_bytes;
};

class PicturesToolPlaces : public ::testing::TestWithParam<Placement> {};

TEST_P(PicturesToolPlaces, WritesTheFileTheSurveyorAskedFor) {
  const Placement& placement = GetParam();
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "obra");
  write_file(dir.file(placement.input), good_script);
  const ToolRun run = run_tool(dir, placement.arguments);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(read_file(dir.file(placement.output)).rfind(placement.first_bytes, 0), 0u);
  EXPECT_FALSE(file_exists(dir.file(std::string(placement.output) + ".parcial")));
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, PicturesToolPlaces,
    ::testing::Values(Placement{{}, "elipses.scr", "elipses.svg", "<?xml"},
                      Placement{{"--dxf"}, "elipses.scr", "elipses.dxf", "0\r\nSECTION"},
                      Placement{{"obra/planta.scr"}, "obra/planta.scr", "obra/planta.svg", "<?xml"},
                      Placement{{"obra/planta.scr", "--dxf"}, "obra/planta.scr", "obra/planta.dxf", "0\r\nSECTION"},
                      Placement{{"obra/planta.scr", "figura.SVG"}, "obra/planta.scr", "figura.SVG", "<?xml"},
                      Placement{{"obra/planta.scr", "obra/planta.DXF"}, "obra/planta.scr", "obra/planta.DXF", "0\r\n"}));

TEST(PicturesTool, ARefusedScriptLeavesTheEarlierPictureAsItWas) {
  TempDir dir;
  write_file(dir.file("elipses.scr"), good_script + "COLOR\r\n9\r\n");
  write_file(dir.file("elipses.svg"), "earlier picture");
  const ToolRun run = run_tool(dir, {});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("\"elipses.scr\", linha 8: esperava-se o número da cor"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("nada foi escrito"), std::string::npos);
  EXPECT_EQ(read_file(dir.file("elipses.svg")), "earlier picture");
  EXPECT_FALSE(file_exists(dir.file("elipses.svg.parcial")));
}

TEST(PicturesTool, RefusesToOverwriteTheScriptOrToReadWhatIsNotThere) {
  TempDir dir;
  write_file(dir.file("elipses.scr"), good_script);
  EXPECT_EQ(run_tool(dir, {"elipses.scr", "./elipses.scr"}).status, 1);
  EXPECT_EQ(read_file(dir.file("elipses.scr")), good_script);
  const ToolRun missing = run_tool(dir, {"nada.scr"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("não foi possível abrir o script \"nada.scr\""), std::string::npos) << missing.err;
  EXPECT_FALSE(file_exists(dir.file("nada.svg")));
  EXPECT_EQ(run_tool(dir, {"a.scr", "b.svg", "c.svg"}).status, 2);
  EXPECT_EQ(run_tool(dir, {"--png"}).status, 2);
  EXPECT_EQ(run_tool(dir, {"--dxf", "elipses.scr", "b.svg"}).status, 2);
}

TEST(PicturesTool, AnOutputThatCannotBeWrittenIsReported) {
  TempDir dir;
  write_file(dir.file("elipses.scr"), good_script);
  const ToolRun run = run_tool(dir, {"elipses.scr", "pasta-que-nao-existe/elipses.svg"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("não foi possível criar"), std::string::npos) << run.err;
}

TEST(PicturesTool, TheInstalledProgramReadsTheWorkingDirectory) {
  TempDir dir;
  write_file(dir.file("elipses.scr"), good_script);
  const std::string command = "cd '" + dir.path().string() + "' && '" PICTURES_TOOL "' > saida.txt 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << read_file(dir.file("saida.txt"));
  EXPECT_EQ(read_file(dir.file("elipses.svg")).rfind("<?xml", 0), 0u);
  EXPECT_NE(read_file(dir.file("saida.txt")).find("imagem escrita em \"elipses.svg\""), std::string::npos);
}

}  // namespace
}  // namespace elipses::pictures
