// The Linux build and the Windows build, run on the same tree, say and write
// the same bytes: the same console lines (line ends aside), the same page
// around the rows and the same rows, each build listing a folder in its
// platform's order: Linux in directory order, Windows (Wine) sorted by name
// without regard to case. Names in other scripts than Latin are among them:
// the Windows build reads names and arguments through the wide calls in
// UTF-8, so both builds see the same bytes. So are paths past 260 characters
// and names of 255 UTF-8 bytes, and folders whose names end in a dot or a
// blank, which Windows would take for others if given them without "\\?\".
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/Console.h"
#include "tests/e2e/Page.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempTree.h"

namespace Testing {
namespace {

std::vector<std::string> LinuxCommand() {
  const char* binary = std::getenv("FINDLET_LINUX_BINARY");
  if (binary == nullptr || *binary == '\0') throw std::runtime_error("FINDLET_LINUX_BINARY unset");
  return {binary};
}

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool BeforeIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(Upper(x)) < static_cast<unsigned char>(Upper(y));
  });
}

// The files a depth-first walk lists below folder, as links relative to the
// root (".\a\b.txt"), in the order the platform delivers each folder.
void ListingOrder(const std::string& folder, const std::string& link, bool sorted,
                  std::vector<std::string>& links) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  if (sorted) std::sort(names.begin(), names.end(), BeforeIgnoringCase);
  for (const std::string& name : names) {
    struct stat info;
    ASSERT_EQ(stat((folder + "/" + name).c_str(), &info), 0) << name;
    if (!S_ISDIR(info.st_mode)) {
      links.push_back(link + "\\" + name);
    } else if (name[0] != '.') {
      ListingOrder(folder + "/" + name, link + "\\" + name, sorted, links);
    }
  }
}

struct Outcome {
  RunResult Result;
  std::string Page;
};

Outcome RunAndCollect(const std::vector<std::string>& command,
                      const std::vector<std::string>& arguments, const std::string& pagePath) {
  Outcome run{RunCommand(command, arguments), ReadFile(pagePath)};
  std::remove(pagePath.c_str());
  return run;
}

// A folder name in UTF-8 with letters outside ASCII: Ünïcödé.
const std::string Unicode =
    "\xC3\x9Cn\xC3\xAF"
    "c\xC3\xB6"
    "d\xC3\xA9";

void MakeTree(const TempTree& tree) {
  for (const char* file :
       {"Zebra.txt", "apple.TXT", "Mango/inner.md", "banana/Deep/x.JPG", "banana/Deep/Y.jpg",
        "banana/a#1.txt", "banana/B.txt", "cherry's & co.txt", ".dotfile", ".hidden/skip.txt",
        "_under.txt", "~tilde.txt", "Photos 2020/Beach #1.JPG", "Photos 2020/beach 2.jpg", "README",
        "archive.tar.gz", "100%.txt"}) {
    tree.File(file, std::string(std::string_view(file).size() * 97, 'x'));
  }
  // Names in other scripts, which both builds read as the same UTF-8 bytes.
  for (const std::string& file :
       std::vector<std::string>{"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.pdf", "caf\xC3\xA9.txt",
                                "Beyonc\xC3\xA9 - Halo.mp3", Unicode + "/Read Me.md"}) {
    tree.File(file, std::string(file.size() * 97, 'x'));
  }
  tree.Folder("empty");
  tree.SizedFile("banana/Deep/big.bin", 5368709120ULL);
}

// Paths past 260 characters, the longest names, and folders whose names end
// in a dot or a blank, in a tree of their own: Wine takes seconds to list a
// folder 1,000 levels deep.
void MakeLongTree(const TempTree& tree) {
  const LongPaths paths = LongPathsPastWindowsLimits();
  for (const std::string& file :
       {paths.Folder + "/f.txt", paths.Deep + "/g.TXT", "cjk/" + paths.Name}) {
    tree.File(file, "x");
  }
  for (const char* file : {"dot/plain.txt", "dot./dotted.txt", "blank /blank.txt"}) {
    tree.File(file, "x");
  }
}

TEST(SameOutput, PagesOfARealTreeMatchRowForRow) {
  TempTree tree;
  MakeTree(tree);
  TempTree longTree;
  MakeLongTree(longTree);
  const std::vector<std::vector<std::string>> calls = {
      {tree.Root()},
      {tree.Root(), "--dark"},
      {tree.Root(), ".TXT", "deep", ""},
      {tree.Root(), "nothing matches"},
      {tree.Root() + "/banana\\\\"},
      {tree.Root() + "/" + Unicode},
      {longTree.Root()},
  };
  for (const auto& arguments : calls) {
    const std::string label = arguments.back();
    std::string folder = arguments[0];
    while (folder.back() == '\\') folder.pop_back();
    for (char& c : folder) c = c == '\\' ? '/' : c;
    const std::string pagePath = folder + "/search.html";

    std::vector<std::string> linuxOrder;
    std::vector<std::string> windowsOrder;
    ListingOrder(folder, ".", false, linuxOrder);
    ListingOrder(folder, ".", true, windowsOrder);
    ASSERT_NE(linuxOrder, std::vector<std::string>()) << label;

    const long long before = NowSeconds();
    const Outcome linuxRun = RunAndCollect(LinuxCommand(), arguments, pagePath);
    const Outcome windowsRun = RunAndCollect(ToolCommand(), arguments, pagePath);
    const std::vector<std::string> dates = PossibleDates(before, NowSeconds());

    EXPECT_EQ(Console(windowsRun.Result), linuxRun.Result.Out) << label;
    EXPECT_EQ(windowsRun.Result.Status, linuxRun.Result.Status) << label;

    const PageParts linuxPage = SplitPage(linuxRun.Page);
    const PageParts windowsPage = SplitPage(windowsRun.Page);
    ASSERT_FALSE(linuxPage.Head.empty()) << label;
    EXPECT_EQ(windowsPage.Head, linuxPage.Head) << label;
    for (const PageParts* page : {&linuxPage, &windowsPage}) {
      EXPECT_TRUE(std::any_of(dates.begin(), dates.end(), [&](const std::string& date) {
        return page->Tail == ExpectedTail(date);
      })) << label;
    }
    EXPECT_EQ(SortedRows(windowsRun.Page), SortedRows(linuxRun.Page)) << label;

    // Each build's rows follow its own platform's order; filters only leave
    // rows out.
    const std::vector<std::string> linuxLinks = RowLinks(linuxRun.Page);
    const std::vector<std::string> windowsLinks = RowLinks(windowsRun.Page);
    auto listed = [](const std::vector<std::string>& order, const std::vector<std::string>& links) {
      std::vector<std::string> kept;
      for (const std::string& link : order) {
        if (std::find(links.begin(), links.end(), link) != links.end()) kept.push_back(link);
      }
      return kept;
    };
    EXPECT_EQ(linuxLinks, listed(linuxOrder, linuxLinks)) << label;
    EXPECT_EQ(windowsLinks, listed(windowsOrder, windowsLinks)) << label;
  }
}

TEST(SameOutput, ConsoleOfEveryOutcomeMatches) {
  TempTree tree;
  tree.File("a.txt");
  const std::vector<std::vector<std::string>> calls = {
      {},
      {"/?"},
      {"-help", "x"},
      {tree.Path("missing")},
      {tree.Path("a.txt")},
      {""},
      {"--HELP"},
      {tree.Path("caf\xC3\xA9")},
  };
  for (const auto& arguments : calls) {
    const std::string label = arguments.empty() ? "(none)" : arguments[0];
    const RunResult linuxResult = RunCommand(LinuxCommand(), arguments);
    const RunResult windowsResult = RunCommand(ToolCommand(), arguments);
    EXPECT_EQ(Console(windowsResult), linuxResult.Out) << label;
    EXPECT_EQ(windowsResult.Status, linuxResult.Status) << label;
    EXPECT_EQ(windowsResult.Err, "") << label;
  }
  EXPECT_FALSE(Exists(tree.Path("search.html")));
}

}  // namespace
}  // namespace Testing
