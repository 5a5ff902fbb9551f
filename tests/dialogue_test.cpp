// The dialogue in-process, where a case folder cannot stand: a coordinate file whose name
// begins with a blank. Every other run of the dialogue is a case in tests/cases
// (respostas-*, dialogo-*).
#include <gtest/gtest.h>

#include "test_support.hpp"

namespace elipses {
namespace {

using elipses::testing::run_session_in;
using elipses::testing::Session;
using elipses::testing::TempDir;
using elipses::testing::write_file;

TEST(Dialogue, FileNameKeepsLeadingBlanksAndDropsTrailingOnes) {
  TempDir dir;
  write_file(dir.file(" lead.txt"), "\"A\" 0 0\n\"B\" 100 0\n");
  const Session trailing = run_session_in(dir, dir.file(" lead.txt") + "  \t\r\n1\n500\n2.5\nx\na\n");
  EXPECT_EQ(trailing.status, 0) << trailing.err;
  // Between double quotes, as "Copiar como caminho" gives it: tried without them, and a
  // name that still does not open is quoted as typed, not in a second pair.
  const Session quoted = run_session_in(dir, "\"" + dir.file(" lead.txt") + "\"\n1\n500\n2.5\nx\na\n");
  EXPECT_EQ(quoted.status, 0) << quoted.err;
  const Session missing = run_session_in(dir, "\"" + dir.file("nada.txt") + "\"\n");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("coordenadas \"" + dir.file("nada.txt") + "\"\n"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace elipses
