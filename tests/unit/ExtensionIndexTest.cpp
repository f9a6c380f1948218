#include "io/ExtensionIndex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace IO {
namespace {

TEST(ExtensionIndex, HoldsWhatWasAddedAndNothingElse) {
  // Enough extensions to make the index grow several times; similar texts
  // that differ in one byte, in length or in case must stay apart.
  std::vector<std::string> added = {".jpg", ".JPG", ".jp", ".jpgx", ".tar.gz", ".gz", "."};
  for (int i = 0; i < 500; ++i) added.push_back(".e" + std::to_string(i));
  const std::vector<std::string> absent = {".jpe", ".png", "", ".e500", ".e-1", ".E1", "..", "jpg"};

  ExtensionIndex index;
  for (const std::string& extension : added) EXPECT_FALSE(index.Contains(extension));
  for (std::size_t i = 0; i < added.size(); ++i) {
    index.Add(added[i]);
    index.Add(added[i]);  // again: no change
    for (std::size_t j = 0; j < added.size(); ++j) {
      ASSERT_EQ(index.Contains(added[j]), j <= i) << added[j] << " after " << added[i];
    }
  }
  for (const std::string& extension : absent) EXPECT_FALSE(index.Contains(extension)) << extension;
  index.Add("");
  EXPECT_FALSE(index.Contains(""));
}

}  // namespace
}  // namespace IO
