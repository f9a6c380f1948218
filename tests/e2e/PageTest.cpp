// Whole pages, byte for byte: the template with its title and date, the rows
// between head and tail, and what the console says about them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "tests/e2e/Console.h"
#include "tests/e2e/Page.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempTree.h"

namespace Testing {
namespace {

struct Written {
  RunResult Run;
  std::string Page;
  std::vector<std::string> Dates;  // what the date may be
};

Written WritePage(const std::vector<std::string>& arguments, const std::string& pagePath,
                  const std::string& workingFolder = "") {
  Written written;
  const long long before = NowSeconds();
  written.Run = RunTool(arguments, {workingFolder});
  written.Dates = PossibleDates(before, NowSeconds());
  written.Page = ReadFile(pagePath);
  return written;
}

// The page must be exactly the head with the title, the rows and the tail
// with one of the possible dates.
void ExpectPage(const Written& written, bool dark, const std::string& title,
                const std::string& rows) {
  const std::string head = ExpectedHead(dark, title);
  ASSERT_GE(written.Page.size(), head.size());
  EXPECT_EQ(written.Page.substr(0, head.size()), head);
  EXPECT_EQ(written.Page.substr(head.size(), rows.size()), rows);
  const std::string tail = written.Page.substr(head.size() + rows.size());
  bool matched = false;
  for (const std::string& date : written.Dates) matched = matched || tail == ExpectedTail(date);
  EXPECT_TRUE(matched) << "tail: " << tail;
}

TEST(Page, EmptyTreeGivesHeadAndTailInEitherTheme) {
  for (bool dark : {false, true}) {
    TempTree tree;
    tree.Folder("Photos");
    std::vector<std::string> arguments = {tree.Path("Photos")};
    if (dark) arguments.push_back("--dark");
    const Written written = WritePage(arguments, tree.Path("Photos/search.html"));
    ExpectPage(written, dark, tree.Path("Photos"), "");
    EXPECT_EQ(Console(written.Run), ExpectedConsole(tree.Path("Photos"), "", true, dark));
  }
}

TEST(Page, RowsStandBetweenHeadAndTailUnchanged) {
  TempTree tree;
  tree.File("only.TXT", "abc");
  const Written written = WritePage({tree.Root(), "--dark"}, tree.Path("search.html"));
  ExpectPage(written, true, tree.Root(),
             "<tr><td><a href=\".\\only.TXT\" target=\"_blank\">only.txt</a></td>"
             "<td>1 KB</td></tr>\n");
}

TEST(Page, ANewPageTakesTheOldOnesPlaceAndPermissions) {
  const mode_t umaskBits = umask(022);
  umask(umaskBits);
  // 0: no old page. Of another user's set-id page only the permissions stay.
  for (const mode_t mode : {mode_t{0}, mode_t{0444}, mode_t{0640}, mode_t{06777}}) {
    TempTree tree;
    tree.File("a.txt");
    // A temporary page's name is left out beside the page only.
    tree.File(".search.html.Left01", "left by a run killed while writing");
    tree.File("sub/.search.html.Left02");
    if (mode != 0) {
      tree.File("search.html", "old");
      ASSERT_EQ(chmod(tree.Path("search.html").c_str(), mode), 0);
    }
    const RunResult run = RunTool({tree.Root()});
    EXPECT_NE(Console(run).find("Output filepath: "), std::string::npos) << Console(run);
    std::vector<std::string> rows = {Row("\\a.txt", "a.txt", "0"),
                                     Row("\\sub\\.search.html.Left02", ".search.html.left02", "0")};
    if (mode != 0) rows.push_back(Row("\\search.html", "search.html", "1"));
    EXPECT_EQ(SortedRows(ReadFile(tree.Path("search.html"))), Sorted(rows)) << std::oct << mode;
    EXPECT_EQ(Names(tree.Root()),
              (std::vector<std::string>{".search.html.Left01", "a.txt", "search.html", "sub"}));
    struct stat info;
    ASSERT_EQ(stat(tree.Path("search.html").c_str(), &info), 0);
    // Windows keeps the read-only attribute (Wine shows it as the write bits).
    if (WindowsTarget()) {
      EXPECT_EQ(info.st_mode & 0222, mode == 0444 ? 0u : 0200u) << std::oct << mode;
    } else {
      EXPECT_EQ(info.st_mode & 07777, mode != 0 ? mode & 0777 : 0666 & ~umaskBits)
          << std::oct << mode;
    }
  }
}

TEST(Page, TitleIsTheLastBackslashComponentFirstByteUpperCased) {
  // Relative roots with backslashes reach the folder through the POSIX
  // layer, which reads each backslash as a separator.
  struct Case {
    std::string Folder;    // created below the tree
    std::string Argument;  // given relative to the tree
    std::string Title;
  };
  std::vector<Case> cases = {
      {"photos", "photos", "Photos"},
      {"photos/2021", "photos\\2021", "2021"},
      {"nas/movies", "nas\\movies\\\\", "Movies"},
      {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5\xE6\x9C\xAC"},
      {"_x", "_x", "_x"},
      {"a/b", "a/b", "A/b"},
      {"^DATE^", "^DATE^", "^DATE^"},
      {"x^TITLE^y", "x^TITLE^y", "X^TITLE^y"},
  };
  // No Windows folder can be named <b>&, but a Windows path can pass through
  // one that ".." then leaves: Windows resolves ".." from the text alone.
  cases.push_back(WindowsTarget() ? Case{"sub", "sub/<b>&/..", "Sub/&lt;b&gt;&/.."}
                                  : Case{"<b>&", "<b>&", "&lt;b&gt;&"});
  for (const Case& c : cases) {
    TempTree tree;
    tree.Folder(c.Folder);
    const Written written =
        WritePage({c.Argument}, tree.Path(c.Folder + "/search.html"), tree.Root());
    ExpectPage(written, false, c.Title, "");
  }
}

TEST(Page, PlaceholderTextInNamesIsData) {
  TempTree tree;
  tree.File("^DATE^/^TITLE^.txt");
  const Written written = WritePage({tree.Root()}, tree.Path("search.html"));
  ExpectPage(written, false, tree.Root(),
             "<tr><td><a href=\".\\^DATE^\\^TITLE^.txt\" target=\"_blank\">^title^.txt</a></td>"
             "<td>0 KB</td></tr>\n");
}

TEST(Page, ExtensionReportListsEachExtensionOnceInByteOrder) {
  struct Case {
    std::vector<std::string> Files;
    std::string Report;
  };
  const std::vector<Case> cases = {
      {{"Makefile"}, ""},
      {{"a.JPG", "b.jpg", "c.Jpg"}, ".jpg "},
      {{"x.h", "y.cpp", "z.c", "w.C", ".bashrc", "v.\xC3\xA9t\xC3\xA9", "u.Z"},
       ".bashrc .c .cpp .h .z .\xC3\xA9t\xC3\xA9 "},
  };
  for (const Case& c : cases) {
    TempTree tree;
    for (const std::string& file : c.Files) tree.File(file);
    const RunResult run = RunTool({tree.Root()});
    const std::string console = Console(run);
    EXPECT_NE(console.find("\n\nFile extensions exported: " + c.Report + "\n\nOutput filepath: "),
              std::string::npos)
        << console;
  }
}

TEST(Page, DateIsLocalTimeInTheZoneTzNames) {
  // Zone names as Linux spells them and zones in the form the Windows C
  // runtime reads; the Windows build must turn each into the same local time.
  const char* const saved = std::getenv("TZ");
  const std::string original = saved == nullptr ? "" : saved;
  for (const char* zone :
       {"America/New_York", "Asia/Kolkata", "Europe/Paris", "EST5EDT", "IST-5:30", "UTC", ""}) {
    setenv("TZ", zone, 1);
    tzset();
    TempTree tree;
    const Written written = WritePage({tree.Root()}, tree.Path("search.html"));
    bool matched = false;
    for (const std::string& date : written.Dates) {
      matched = matched || SplitPage(written.Page).Tail == ExpectedTail(date);
    }
    EXPECT_TRUE(matched) << "TZ=" << zone << " tail: " << SplitPage(written.Page).Tail
                         << "expected: " << written.Dates.front();
  }
  if (saved == nullptr) {
    unsetenv("TZ");
  } else {
    setenv("TZ", original.c_str(), 1);
  }
  tzset();
}

TEST(Page, LargeListingHoldsTheTablesRowsAsData) {
  // The same tree written in both forms, the large one by lowering its
  // threshold: the same rows in the same order, the same head and console.
  TempTree tree;
  tree.File("Top.TXT", std::string(3000, 't'));
  tree.File("Set #2/caf\xC3\xA9 <b>&amp; \"x\".md", "c");
  tree.File("Set #2/z/deep.bin");
  tree.File("Set #2/after.txt");
  tree.File("it's 100%.txt");
  tree.File("trailing blank ");
  for (const bool dark : {false, true}) {
    std::vector<std::string> arguments = {tree.Root()};
    if (dark) arguments.push_back("--dark");
    const RunResult table = RunTool(arguments);
    const std::string tablePage = ReadFile(tree.Path("search.html"));
    std::remove(tree.Path("search.html").c_str());
    RunOptions options;
    options.Environment = {"FINDLET_TEST_LARGE_LISTING_THRESHOLD=0"};
    const RunResult large = RunTool(arguments, options);
    const std::string largePage = ReadFile(tree.Path("search.html"));
    std::remove(tree.Path("search.html").c_str());

    EXPECT_FALSE(IsLargeListing(tablePage)) << dark;
    ASSERT_TRUE(IsLargeListing(largePage)) << dark;
    EXPECT_EQ(PageRows(largePage), PageRows(tablePage)) << dark;
    EXPECT_EQ(PageRows(largePage).size(), 6u) << dark;
    EXPECT_EQ(SplitPage(largePage).Head, SplitPage(tablePage).Head) << dark;
    EXPECT_EQ(Console(large), Console(table)) << dark;
  }
}

}  // namespace
}  // namespace Testing
