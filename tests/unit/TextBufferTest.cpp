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

// Fills the room around the text and returns the whole piece as one text.
std::string Framed(TextBuffer& text, const std::string& before, const std::string& after) {
  char* const start = text.Surround(before.size(), after.size());
  std::memcpy(start, before.data(), before.size());
  std::memcpy(start + before.size() + text.Size(), after.data(), after.size());
  return std::string(start, before.size() + text.Size() + after.size());
}

TEST(TextBuffer, SurroundingLeavesTheTextAsItIs) {
  struct Case {
    std::string Text;
    std::string Before;
    std::string After;
  };
  const std::string big(200'000, 'r');  // beyond the first allocation
  const std::vector<Case> cases = {
      {"", "", ""},
      {"", "<head>", "</tail>"},
      {"rows\n", "", ""},
      {"rows\n", "<head>", ""},
      {"rows\n", "", "</tail>"},
      {"rows\n", std::string(100'000, 'h'), std::string(300'000, 't')},
      {big, "<head>", "</tail>"},
      {big, std::string(70'000, 'h'), "t"},
  };
  for (const Case& c : cases) {
    TextBuffer text;
    text.Append(c.Text);
    EXPECT_EQ(Framed(text, c.Before, c.After), c.Before + c.Text + c.After)
        << c.Text.size() << " " << c.Before.size() << " " << c.After.size();
    EXPECT_EQ(text.Text(), c.Text);

    // A second, smaller frame reuses the room; a larger one moves the text.
    EXPECT_EQ(Framed(text, "x", "y"), "x" + c.Text + "y");
    EXPECT_EQ(Framed(text, c.Before + c.Before + "z", "w"),
              c.Before + c.Before + "z" + c.Text + "w");
    EXPECT_EQ(text.Text(), c.Text);

    // The text goes on growing after it was framed.
    text.Append("more");
    EXPECT_EQ(text.Text(), c.Text + "more");
    EXPECT_EQ(text.Size(), c.Text.size() + 4);
  }
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
