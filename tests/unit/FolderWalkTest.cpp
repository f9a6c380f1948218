// The walk's rules on a scripted file system: order, what is skipped or
// entered, failures part way, and links that lead back up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/FolderWalk.h"
#include "io/ListingData.h"
#include "io/ListingState.h"
#include "tests/support/ScriptedPlatform.h"

namespace Testing {
namespace {

class FolderWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetScript();
    RootPath = "C:\\Root";
    FilterList.clear();
    RowBuffer.Clear();
    ExtensionSet.clear();
    LargeListingThreshold = 10000;
  }

  ScriptedFolder& Folder(const std::string& text) { return CurrentScript().Folders[text]; }

  // The link of each row, in order.
  static std::vector<std::string> Links() {
    std::vector<std::string> links;
    const std::string rows = RowBuffer.Text();
    for (std::size_t at = rows.find("href=\"."); at != std::string::npos;
         at = rows.find("href=\".", at + 1)) {
      links.push_back(rows.substr(at + 7, rows.find('"', at + 7) - at - 7));
    }
    return links;
  }
};

TEST_F(FolderWalk, EntersSubFoldersAtOnceInThePlatformsOrder) {
  Folder("C:\\Root").Entries = {FolderEntry("."),   FolderEntry(".."),  FileEntry("z.txt"),
                                FolderEntry("sub"), FileEntry("a.txt"), FolderEntry("Empty")};
  Folder("C:\\Root\\sub").Entries = {FolderEntry("."), FileEntry("m.txt"), FolderEntry("deep"),
                                     FileEntry("b.txt")};
  Folder("C:\\Root\\sub\\deep").Entries = {FileEntry("d.txt")};
  Folder("C:\\Root\\Empty").Entries = {FolderEntry("."), FolderEntry("..")};
  IO::BuildListing();
  EXPECT_EQ(Links(), (std::vector<std::string>{"\\z.txt", "\\sub\\m.txt", "\\sub\\deep\\d.txt",
                                               "\\sub\\b.txt", "\\a.txt"}));
  EXPECT_EQ(CurrentScript().Patterns,
            (std::vector<std::string>{"C:\\Root\\*.*", "C:\\Root\\sub\\*.*",
                                      "C:\\Root\\sub\\deep\\*.*", "C:\\Root\\Empty\\*.*"}));
  EXPECT_EQ(CurrentScript().OpenFinds, 0);
}

TEST_F(FolderWalk, SkipsDotFoldersButListsDotFilesAndHiddenFolders) {
  constexpr DWORD Hidden = 0x02;
  constexpr DWORD System = 0x04;
  Folder("C:\\Root").Entries = {FolderEntry(".git"),
                                FileEntry(".gitignore"),
                                {"Hidden", FILE_ATTRIBUTE_DIRECTORY | Hidden | System, 0},
                                {"h.txt", FILE_ATTRIBUTE_ARCHIVE | Hidden, 0}};
  Folder("C:\\Root\\.git").Entries = {FileEntry("config")};
  Folder("C:\\Root\\Hidden").Entries = {FileEntry("in.txt")};
  IO::BuildListing();
  EXPECT_EQ(Links(), (std::vector<std::string>{"\\.gitignore", "\\Hidden\\in.txt", "\\h.txt"}));
  EXPECT_EQ(CurrentScript().Patterns.size(), 2u);
}

TEST_F(FolderWalk, FailuresLeaveOutOnlyWhatCouldNotBeRead) {
  Folder("C:\\Root").Entries = {FolderEntry("locked"), FolderEntry("cut"), FileEntry("after.txt")};
  // "locked" is not in the script: it cannot be enumerated.
  Folder("C:\\Root\\cut").Entries = {FileEntry("1.txt"), FileEntry("2.txt"), FileEntry("3.txt")};
  Folder("C:\\Root\\cut").FailAfter = 2;
  IO::BuildListing();
  EXPECT_EQ(Links(), (std::vector<std::string>{"\\cut\\1.txt", "\\cut\\2.txt", "\\after.txt"}));
  EXPECT_EQ(CurrentScript().OpenFinds, 0);
}

TEST_F(FolderWalk, UnreadableRootGivesNoRowsAndKeepsEarlierExtensions) {
  ExtensionSet.insert(".old");
  RowBuffer.Append("stale row\n");
  RootPath = "C:\\Nowhere";
  IO::BuildListing();
  EXPECT_EQ(RowBuffer.Size(), 0u);
  EXPECT_EQ(ExtensionSet, (std::set<std::string, std::less<>>{".old"}));
}

TEST_F(FolderWalk, PatternsFollowTheRootPathAsGiven) {
  struct Case {
    std::string Root;
    std::string Pattern;
  };
  for (const Case& c : {Case{"", "\\*.*"}, Case{"photos", "photos\\*.*"},
                        Case{"\\\\nas\\movies", "\\\\nas\\movies\\*.*"}}) {
    ResetScript();
    RootPath = c.Root;
    Folder(c.Root).Entries = {FileEntry("f.txt")};
    IO::BuildListing();
    EXPECT_EQ(CurrentScript().Patterns, std::vector<std::string>{c.Pattern}) << c.Root;
    EXPECT_EQ(Links(), std::vector<std::string>{"\\f.txt"}) << c.Root;
  }
}

TEST_F(FolderWalk, LinkedFoldersAreEnteredUnlessTheyLeadBack) {
  Folder("C:\\Root").Entries = {LinkedFolderEntry("elsewhere"), FolderEntry("a")};
  Folder("C:\\Root\\elsewhere").Entries = {FileEntry("far.txt")};
  Folder("C:\\Root\\a").Entries = {LinkedFolderEntry("up"), LinkedFolderEntry("self"),
                                   LinkedFolderEntry("unknown"), FileEntry("a.txt")};
  Folder("C:\\Root\\a\\up").Entries = {FileEntry("again.txt")};
  Folder("C:\\Root\\a\\self").Entries = {FileEntry("again.txt")};
  Folder("C:\\Root\\a\\unknown").Entries = {FileEntry("again.txt")};
  CurrentScript().Identities = {{"C:\\Root", {1, 100}},
                                {"C:\\Root\\elsewhere", {2, 7}},
                                {"C:\\Root\\a", {1, 200}},
                                {"C:\\Root\\a\\up", {1, 100}},
                                {"C:\\Root\\a\\self", {1, 200}}};
  IO::BuildListing();
  EXPECT_EQ(Links(), (std::vector<std::string>{"\\elsewhere\\far.txt", "\\a\\a.txt"}));
}

TEST_F(FolderWalk, FolderNamesWithBackslashesAreLeftOut) {
  Folder("C:\\Root").Entries = {FolderEntry("a\\b"), FileEntry("c\\d.txt")};
  Folder("C:\\Root\\a\\b").Entries = {FileEntry("wrong.txt")};
  IO::BuildListing();
  EXPECT_EQ(Links(), std::vector<std::string>{"\\c%5Cd.txt"});
}

TEST_F(FolderWalk, FilterAndExtensionsUseTheLowerCasedName) {
  FilterList = {"photo", ".png"};
  Folder("C:\\Root").Entries = {FileEntry("PHOTO.JPG"), FileEntry("x.PNG.bak"), FileEntry("y.gif"),
                                FileEntry("Photo"), FileEntry("z.Png")};
  IO::BuildListing();
  EXPECT_EQ(Links(),
            (std::vector<std::string>{"\\PHOTO.JPG", "\\x.PNG.bak", "\\Photo", "\\z.Png"}));
  EXPECT_EQ(ExtensionSet, (std::set<std::string, std::less<>>{".bak", ".jpg", ".png"}));
}

TEST_F(FolderWalk, LargeListingsGoToDataWithEachFolderWrittenOnce) {
  // Files of the root come before and after a sub-folder: the data names a
  // folder the first time, and turns back to it by its number.
  Folder("C:\\Root").Entries = {FileEntry("a.txt"), FolderEntry("Sub #1"), FileEntry("B.txt")};
  Folder("C:\\Root\\Sub #1").Entries = {FileEntry("c.txt"), FolderEntry("deep")};
  Folder("C:\\Root\\Sub #1\\deep").Entries = {FileEntry("d.txt")};
  for (const std::size_t threshold : {std::size_t{3}, std::size_t{4}}) {
    LargeListingThreshold = threshold;
    IO::BuildListing();
    EXPECT_EQ(ListedFiles, 4u);
    EXPECT_EQ(ListingData.Text(),
              ">\na.txt>>0\n>\\Sub %231\nc.txt>>0\n>\\Sub %231\\deep\nd.txt>>0\n>0\nB.txt>>0\n");
    // The table rows are kept only while they are the page's.
    EXPECT_EQ(RowBuffer.Size() == 0, threshold == 3) << threshold;
  }
}

TEST_F(FolderWalk, DataBreaksIntoElementsBetweenRecords) {
  auto& entries = Folder("C:\\Root").Entries;
  for (int i = 0; i < 20000; ++i)
    entries.push_back(FileEntry("file " + std::to_string(i) + ".txt"));
  IO::BuildListing();
  const std::string data = ListingData.Text();
  const std::string breakText = std::string(IO::DataClose) + std::string(IO::DataOpen);
  std::size_t breaks = 0;
  std::size_t last = 0;
  for (std::size_t at = data.find(breakText); at != std::string::npos;
       at = data.find(breakText, at + 1)) {
    ++breaks;
    EXPECT_EQ(data[at - 1], '\n');  // a whole record before each break
    EXPECT_GE(at - last, IO::DataChunkBytes);
    last = at + breakText.size();
  }
  EXPECT_EQ(breaks, data.size() / (IO::DataChunkBytes + breakText.size()));
}

}  // namespace
}  // namespace Testing
