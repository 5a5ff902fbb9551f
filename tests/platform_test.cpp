// Replacing a finished output file and removing temporaries, as an early end does.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "dialogue/platform.hpp"
#include "test_support.hpp"

namespace elipses {
namespace {

using elipses::testing::file_exists;
using elipses::testing::read_file;
using elipses::testing::TempDir;
using elipses::testing::write_file;

TEST(PlatformTest, ReplaceFileTakesTheNewBytesOrSaysWhyNot) {
  struct Case {
    const char* what;
    bool source_exists;
    bool target_exists;
    bool target_is_folder;
    bool replaced;
    const char* reason;
  };
  const Case cases[] = {
      {"over an older file", true, true, false, true, ""},
      {"to a new name", true, false, false, true, ""},
      {"missing source", false, true, false, false, "ficheiro ou pasta não encontrado"},
      {"onto a folder", true, false, true, false, "o destino é uma pasta"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string from = dir.file("elipses.txt.parcial");
    const std::string to = dir.file("Poligonal \xC3\x89vora.txt");
    if (c.source_exists) write_file(from, "novo\r\n");
    if (c.target_exists) write_file(to, "antigo, mais comprido\r\n");
    if (c.target_is_folder) std::filesystem::create_directory(to);
    EXPECT_EQ(replace_file(from, to), c.reason);
    if (c.replaced) {
      EXPECT_EQ(read_file(to), "novo\r\n");
      EXPECT_FALSE(file_exists(from));
    } else if (c.target_exists) {
      EXPECT_EQ(read_file(to), "antigo, mais comprido\r\n");
    }
  }
}

TEST(PlatformTest, RemoveFileNowRemovesOnce) {
  TempDir dir;
  const std::string path = dir.file("elipses.scr.parcial");
  write_file(path, "x");
  EXPECT_TRUE(remove_file_now(path.c_str()));
  EXPECT_FALSE(file_exists(path));
  EXPECT_FALSE(remove_file_now(path.c_str()));
}

}  // namespace
}  // namespace elipses
