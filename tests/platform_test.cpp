// Writing an output file, replacing a finished one, removing temporaries as an early end
// does, and an interrupt held back.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <numeric>
#include <ostream>
#include <string>
#include <vector>

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

TEST(PlatformTest, OutputFileBufferWritesEveryByteInOrder) {
  // Pieces written one after another, around the 64 KiB of the buffer; 0 for a single
  // character put on its own.
  const std::vector<std::vector<std::size_t>> cases = {
      {},
      {1},
      {65535, 1, 0},
      {65536},
      {65537, 0, 0},
      {100, 65500, 3},
      {200000, 0},
  };
  for (const auto& pieces : cases) {
    SCOPED_TRACE(std::accumulate(pieces.begin(), pieces.end(), std::string(),
                                 [](const std::string& text, std::size_t n) { return text + std::to_string(n) + " "; }));
    TempDir dir;
    const std::string path = dir.file("Poligonal \xC3\x89vora.txt.tmp");
    write_file(path, "an earlier, longer content that must not survive");
    std::string expected;
    OutputFileBuffer buffer;
    ASSERT_TRUE(buffer.open(path));
    std::ostream stream(&buffer);
    for (const std::size_t n : pieces) {
      std::string piece;
      for (std::size_t i = 0; i < (n == 0 ? 1 : n); ++i) piece += static_cast<char>('a' + (expected.size() + i) % 26);
      if (n == 0) {
        stream.put(piece[0]);
      } else {
        stream.write(piece.data(), static_cast<std::streamsize>(n));
      }
      expected += piece;
    }
    EXPECT_TRUE(stream.good());
    EXPECT_TRUE(buffer.close());
    EXPECT_FALSE(buffer.is_open());
    EXPECT_EQ(read_file(path), expected);
  }
}

TEST(PlatformTest, OutputFileBufferReportsWhatItCannotDo) {
  OutputFileBuffer missing_folder;
  EXPECT_FALSE(missing_folder.open("/nenhuma/pasta/elipses.txt"));
  EXPECT_FALSE(missing_folder.close());
  // A full disk: the bytes stay buffered until the close, which says they were lost.
  OutputFileBuffer full;
  ASSERT_TRUE(full.open("/dev/full"));
  std::ostream stream(&full);
  stream << "elipses\r\n";
  EXPECT_FALSE(full.close());
  ASSERT_TRUE(full.open("/dev/full"));
  stream.clear();
  stream << std::string(70000, 'x');
  EXPECT_TRUE(stream.bad()) << "a block larger than the buffer fails at once";
  EXPECT_FALSE(full.close());
}

volatile std::sig_atomic_t handled_signal = 0;
void record_signal(int signal_number) { handled_signal = signal_number; }

TEST(PlatformTest, AnInterruptHeldBackIsHandledOnRelease) {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal_number);
    handled_signal = 0;
    on_interrupt(record_signal);
    EXPECT_EQ(interrupt_held_back(), 0);
    hold_interrupts();
    std::raise(signal_number);
    EXPECT_EQ(handled_signal, 0);
    EXPECT_EQ(interrupt_held_back(), signal_number);
    release_interrupts();
    EXPECT_EQ(handled_signal, signal_number);
    EXPECT_EQ(interrupt_held_back(), 0);
    for (const int each : {SIGINT, SIGTERM, SIGHUP}) std::signal(each, SIG_DFL);
  }
}

}  // namespace
}  // namespace elipses
