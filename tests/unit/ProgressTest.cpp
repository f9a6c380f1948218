// The progress line: its text for a given width, and when and how it is
// written and blanked out again, on a stream of the test's with the clock
// and the width in the test's hands.
#include "io/Progress.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace Testing {
namespace {

TEST(Progress, LineShowsCountsAndTheFolderShortenedToTheWidth) {
  struct Case {
    std::string Name;
    std::size_t Files;
    std::size_t Folders;
    std::string Folder;  // relative folder text
    std::size_t Columns;
    std::string Line;
  };
  const Case cases[] = {
      {"thousands separators", 123456, 4567, "\\Music\\Artist\\Album", 80,
       "Scanning: 123,456 files in 4,567 folders - .\\Music\\Artist\\Album"},
      {"millions", 1234567, 1000, "\\a", 80, "Scanning: 1,234,567 files in 1,000 folders - .\\a"},
      {"the root, one folder", 0, 1, "", 80, "Scanning: 0 files in 1 folder - ."},
      {"one file, under a thousand", 1, 999, "\\a", 80, "Scanning: 1 file in 999 folders - .\\a"},
      // "Scanning: 12 files in 3 folders - " is 34 bytes: 5 are left of 39.
      {"folder that just fits", 12, 3, "\\abc", 40, "Scanning: 12 files in 3 folders - .\\abc"},
      {"folder cut from the left", 12, 3, "\\abcdefgh", 40,
       "Scanning: 12 files in 3 folders - ...gh"},
      {"cut at a character, not in it", 12, 3, "\\ab\xC3\xA9z", 40,
       "Scanning: 12 files in 3 folders - ...z"},
      {"cut before a whole character", 12, 3, "\\abc\xC3\xA9", 40,
       "Scanning: 12 files in 3 folders - ...\xC3\xA9"},
      {"four-byte character skipped whole", 12, 3, "\\abc\xF0\x9F\x98\x80z", 42,
       "Scanning: 12 files in 3 folders - ...z"},
      {"no room for the folder", 12, 3, "\\abcdefgh", 38, "Scanning: 12 files in 3 folders"},
      {"no room for the counts", 12, 3, "\\a", 20, "Scanning: 12 files "},
      {"one column", 12, 3, "\\a", 1, ""},
      {"control characters", 5, 2, "\\a\nb\r\x1b[2J\x7F\xC2\x9B\xC2\xA0", 80,
       "Scanning: 5 files in 2 folders - .\\a?b??[2J??\xC2\xA0"},
  };
  for (const Case& c : cases) {
    const std::string line = IO::ProgressLine(c.Files, c.Folders, c.Folder, c.Columns);
    EXPECT_EQ(line, c.Line) << c.Name;
    EXPECT_LT(line.size(), c.Columns) << c.Name;
  }
}

std::uint64_t Now = 0;
std::size_t Width = 0;

class ProgressOnStream : public ::testing::Test {
 protected:
  void SetUp() override {
    Now = 0;
    Width = 80;
    IO::StartProgress(IO::ProgressConsole{&out_, [] { return Now; }, [] { return Width; }});
  }
  void TearDown() override { IO::EndProgress(); }

  std::string Take() {
    std::string text = out_.str();
    out_.str("");
    return text;
  }

  std::ostringstream out_;
};

TEST_F(ProgressOnStream, AppearsAfterASecondAtMostTenTimesASecondAndIsBlankedOut) {
  const std::string first = "Scanning: 300 files in 2 folders - .\\Music\\Album";  // 48 bytes
  const std::string second = "Scanning: 600 files in 3 folders - .\\Film";         // 41 bytes
  Now = 999;
  IO::ReportProgress(300, 2, "\\Music\\Album");
  EXPECT_EQ(Take(), "") << "a quick walk shows nothing";
  Now = 1000;
  IO::ReportProgress(300, 2, "\\Music\\Album");
  EXPECT_EQ(Take(), std::string("\r") + first);
  Now = 1099;
  IO::ReportProgress(400, 2, "\\Music\\Album");
  EXPECT_EQ(Take(), "") << "too soon after the last update";
  Now = 1100;
  IO::ReportProgress(600, 3, "\\Film");
  EXPECT_EQ(Take(), std::string("\r") + second + std::string(7, ' '))
      << "the longer line before is blanked";
  IO::EndProgress();
  EXPECT_EQ(Take(), std::string("\r") + std::string(41, ' ') + "\r");
  Now = 5000;
  IO::ReportProgress(700, 3, "\\Film");
  IO::EndProgress();
  EXPECT_EQ(Take(), "") << "nothing after the end";
}

TEST_F(ProgressOnStream, QuickWalkLeavesNothing) {
  Now = 500;
  IO::ReportProgress(10, 1, "");
  IO::EndProgress();
  EXPECT_EQ(Take(), "");
}

TEST_F(ProgressOnStream, WidthIsAskedAtEachUpdateAndDefaultsTo79) {
  const std::string folder = "\\" + std::string(100, 'x');
  Width = 0;
  Now = 1000;
  IO::ReportProgress(1, 1, folder);
  const std::string line = Take();
  EXPECT_EQ(line.size(), 1 + 78u);
  EXPECT_EQ(line.substr(1), IO::ProgressLine(1, 1, folder, 79));
  // The terminal narrowed since: neither the update nor the blanking may
  // write past its last column but one.
  Width = 40;
  Now = 2000;
  IO::ReportProgress(2, 1, folder);
  EXPECT_EQ(Take(), std::string("\r") + IO::ProgressLine(2, 1, folder, 40));
  Width = 20;
  IO::EndProgress();
  EXPECT_EQ(Take(), std::string("\r") + std::string(19, ' ') + "\r");
}

}  // namespace
}  // namespace Testing
