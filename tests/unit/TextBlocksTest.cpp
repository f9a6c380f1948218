#include "io/TextBlocks.h"

#include <gtest/gtest.h>

#include <string>

namespace IO {
namespace {

TEST(TextBlocks, KeepsEveryByteInOrderAcrossBlocks) {
  TextBlocks text;
  std::string expected;
  // Pieces of growing size cross block boundaries, and one piece is larger
  // than a whole block.
  for (std::size_t i = 0; i < 3000; ++i) {
    const std::string piece(i * 3 + 1, static_cast<char>('a' + i % 26));
    text.Append(piece);
    expected += piece;
  }
  const std::string huge(TextBlocks::BlockSize * 2 + 5, 'H');
  text.Append(huge);
  expected += huge;
  text.Append("end");
  expected += "end";
  EXPECT_EQ(text.Size(), expected.size());
  EXPECT_EQ(text.Text(), expected);

  std::string out = "prefix:";
  text.AppendTo(out);
  EXPECT_EQ(out, "prefix:" + expected);

  text.Clear();
  EXPECT_EQ(text.Size(), 0u);
  EXPECT_EQ(text.Text(), "");
}

}  // namespace
}  // namespace IO
