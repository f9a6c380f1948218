#include "io/TextBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace IO {
namespace {

TEST(TextBuffer, KeepsEveryByteInOrderAcrossGrowth) {
  TextBuffer text;
  std::string expected;
  // Pieces of growing size make the memory grow many times, and one piece is
  // larger than everything before it together.
  for (std::size_t i = 0; i < 3000; ++i) {
    const std::string piece(i * 3 + 1, static_cast<char>('a' + i % 26));
    text.Append(piece);
    expected += piece;
  }
  const std::string huge(expected.size() * 2 + 5, 'H');
  text.Append(huge);
  expected += huge;
  text.Append("end");
  expected += "end";
  EXPECT_EQ(text.Size(), expected.size());
  EXPECT_EQ(text.Text(), expected);

  text.Clear();
  EXPECT_EQ(text.Size(), 0u);
  EXPECT_EQ(text.Text(), "");
  text.Append("again");
  EXPECT_EQ(text.Text(), "again");
}

TEST(TextBuffer, ReservedRoomIsCommittedOnlyAsFarAsWritten) {
  TextBuffer text;
  text.Append("ab");
  char* room = text.Reserve(1000);
  std::memcpy(room, "cdef", 4);
  text.Commit(3);
  EXPECT_EQ(text.Text(), "abcde");
  room = text.Reserve(0);
  text.Commit(0);
  EXPECT_EQ(text.View(), "abcde");
}

}  // namespace
}  // namespace IO
