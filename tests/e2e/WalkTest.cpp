// The rows and the extension report for real trees, from the built binary.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/Console.h"
#include "tests/e2e/Page.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempTree.h"

namespace Testing {
namespace {

struct Listing {
  std::vector<std::string> Rows;
  std::string Extensions;  // as the report line lists them
  std::string Page;
};

Listing Scan(const TempTree& tree, const std::vector<std::string>& filters = {}) {
  std::vector<std::string> arguments = {tree.Root()};
  arguments.insert(arguments.end(), filters.begin(), filters.end());
  const RunResult run = RunTool(arguments);
  EXPECT_EQ(run.Status, 0);
  const std::string console = Console(run);
  const std::string report = "File extensions exported: ";
  const std::size_t at = console.find(report);
  EXPECT_NE(at, std::string::npos) << console;
  Listing listing;
  if (at != std::string::npos) {
    const std::size_t end = console.find("\n\n", at);
    listing.Extensions = console.substr(at + report.size(), end - at - report.size());
  }
  listing.Page = ReadFile(tree.Path("search.html"));
  // The next scan of the same tree must not list this run's page.
  std::remove(tree.Path("search.html").c_str());
  listing.Rows = SortedRows(listing.Page);
  return listing;
}

TEST(Walk, ListsFilesAtEveryDepthWithTheirNamesAndSizes) {
  TempTree tree;
  tree.File("notes.txt");
  tree.File("README.TXT", std::string(1024, 'r'));
  tree.File("2020/Summer/Beach #1.JPG", std::string(1500, 'b'));
  tree.File("2020/it's & 100%.Md", "y");
  tree.File("x/y/b.txt", std::string(1025, 'z'));
  // A name that is not UTF-8 (a lone Latin-1 byte) exists on POSIX file
  // systems only; a Windows name is UTF-16, which a Windows build reads in
  // UTF-8 like every other name.
  const std::string cafe =
      WindowsTarget() ? "caf\xC3\xA9 \xC3\xA9t\xC3\xA9" : "caf\xE9 \xC3\xA9t\xC3\xA9";
  tree.File("Set #2/" + cafe + ".JPEG", "");
  tree.File(".gitignore", "");
  tree.File("Makefile", "");
  tree.File("archive.tar.gz", "");
  tree.File(".hidden/secret.txt", "");  // a dot folder is skipped whole
  tree.Folder("empty");
  const Listing listing = Scan(tree);
  const std::string cafeLink = WindowsTarget() ? "caf%C3%A9 %C3%A9t%C3%A9" : "caf%E9 %C3%A9t%C3%A9";
  EXPECT_EQ(listing.Rows, Sorted({
                              Row("\\notes.txt", "notes.txt", "0"),
                              Row("\\README.TXT", "readme.txt", "1"),
                              Row("\\2020\\Summer\\Beach %231.JPG", "beach #1.jpg", "2"),
                              Row("\\2020\\it%27s & 100%.Md", "it's & 100%.md", "1"),
                              Row("\\x\\y\\b.txt", "b.txt", "2"),
                              Row("\\Set %232\\" + cafeLink + ".JPEG", cafe + ".jpeg", "0"),
                              Row("\\.gitignore", ".gitignore", "0"),
                              Row("\\Makefile", "makefile", "0"),
                              Row("\\archive.tar.gz", "archive.tar.gz", "0"),
                          }));
  EXPECT_EQ(listing.Extensions, ".gitignore .gz .jpeg .jpg .md .txt ");
}

TEST(Walk, NamesInEveryScriptKeepTheirBytesAndLinkAsEscapes) {
  // UTF-8 names, composed and decomposed ("e" and U+0301, as macOS stores
  // them): the link text holds their bytes, A to Z lower-cased and nothing
  // else; the link escapes every byte above 0x7F, so it names the file in any
  // encoding. A Windows build reads them through its UTF-8 code page.
  struct Case {
    std::string Path;  // in the tree
    std::string Link;
    std::string Text;
  };
  const std::vector<Case> cases = {
      {"Caf\xC3\xA9.txt", "\\Caf%C3%A9.txt", "caf\xC3\xA9.txt"},
      {"Beyonce\xCC\x81 - Halo.mp3", "\\Beyonce%CC%81 - Halo.mp3", "beyonce\xCC\x81 - halo.mp3"},
      {"Beyonc\xC3\xA9 - Halo.mp3", "\\Beyonc%C3%A9 - Halo.mp3", "beyonc\xC3\xA9 - halo.mp3"},
      {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.pdf", "\\%E6%97%A5%E6%9C%AC%E8%AA%9E.pdf",
       "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.pdf"},
      {"\xC3\x9Cn\xC3\xAF"
       "c\xC3\xB6"
       "d\xC3\xA9/Read Me.md",
       "\\%C3%9Cn%C3%AFc%C3%B6d%C3%A9\\Read Me.md", "read me.md"},
      {"\xC3\x89t\xC3\xA9.TXT", "\\%C3%89t%C3%A9.TXT", "\xC3\x89t\xC3\xA9.txt"},
  };
  TempTree tree;
  std::vector<std::string> expected;
  for (const Case& c : cases) {
    tree.File(c.Path);
    expected.push_back(Row(c.Link, c.Text, "0"));
  }
  const Listing listing = Scan(tree);
  EXPECT_EQ(listing.Rows, Sorted(expected));
  EXPECT_NE(listing.Page.find("<meta charset=\"utf-8\" />"), std::string::npos);
  // Each link, unescaped, names its file: ".\" is the root, "\" a separator.
  for (std::string link : RowLinks(listing.Page)) {
    std::replace(link.begin(), link.end(), '\\', '/');
    EXPECT_TRUE(Exists(tree.Root() + link.substr(1))) << link;
  }
}

TEST(Walk, SizesRoundUpToWholeKibInSixtyFourBits) {
  struct Case {
    std::uint64_t Bytes;
    std::string Kib;
  };
  const std::vector<Case> cases = {{0, "0"},
                                   {1, "1"},
                                   {1024, "1"},
                                   {1025, "2"},
                                   {4294967296ULL, "4194304"},
                                   {5368709120ULL, "5242880"}};
  TempTree tree;
  std::vector<std::string> expected;
  for (const Case& c : cases) {
    const std::string name = std::string("f").append(std::to_string(c.Bytes)).append(".bin");
    tree.SizedFile(name, c.Bytes);
    expected.push_back(Row(std::string("\\").append(name), name, c.Kib));
  }
  EXPECT_EQ(Scan(tree).Rows, Sorted(expected));
}

TEST(Walk, FilterWordsMatchAnywhereInTheLowerCasedName) {
  TempTree tree;
  for (const char* name :
       {"sprite001.png", "Sprite002.jpg", "SPRITE3.bmp", "photo.png.bak", "other.txt", "a.webp"}) {
    tree.File(std::string("d/") + name);
  }
  struct Case {
    std::string Name;
    std::vector<std::string> Filters;
    std::vector<std::string> Listed;
    std::string Extensions;
  };
  const std::vector<Case> cases = {
      {"mixed case word",
       {"Sprite"},
       {"sprite001.png", "Sprite002.jpg", "SPRITE3.bmp"},
       ".bmp .jpg .png "},
      {"word matching mid-name", {".png"}, {"sprite001.png", "photo.png.bak"}, ".bak .png "},
      {"several and duplicate words",
       {".JPG", ".jpg", ".webp"},
       {"Sprite002.jpg", "a.webp"},
       ".jpg .webp "},
      {"no name matches", {"zzz"}, {}, ""},
      {"empty word matches all",
       {"zzz", ""},
       {"sprite001.png", "Sprite002.jpg", "SPRITE3.bmp", "photo.png.bak", "other.txt", "a.webp"},
       ".bak .bmp .jpg .png .txt .webp "},
  };
  for (const Case& c : cases) {
    std::vector<std::string> expected;
    for (const std::string& name : c.Listed) {
      std::string lower = name;
      for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      expected.push_back(Row(std::string("\\d\\").append(name), lower, "0"));
    }
    const Listing listing = Scan(tree, c.Filters);
    EXPECT_EQ(listing.Rows, Sorted(expected)) << c.Name;
    EXPECT_EQ(listing.Extensions, c.Extensions) << c.Name;
  }
}

TEST(Walk, SubFolderRowsStandTogetherDepthFirst) {
  TempTree tree;
  for (const char* file : {"1.txt", "a/2.txt", "a/3.txt", "a/b/4.txt", "a/b/5.txt", "a/b/c/6.txt",
                           "a/7.txt", "d/8.txt", "d/e/9.txt", "10.txt"}) {
    tree.File(file);
  }
  // The folder part of each row's link, in page order.
  std::vector<std::string> folders;
  for (const std::string& link : RowLinks(Scan(tree).Page)) {
    folders.push_back(link.substr(1, link.rfind('\\')));
  }
  ASSERT_EQ(folders.size(), 10u);
  // Whatever order the OS lists a folder in, a depth-first walk puts all the
  // rows below any folder in one unbroken run.
  for (const std::string prefix : {"\\a\\", "\\a\\b\\", "\\a\\b\\c\\", "\\d\\", "\\d\\e\\"}) {
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < folders.size(); ++i) {
      if (folders[i].starts_with(prefix)) at.push_back(i);
    }
    ASSERT_FALSE(at.empty()) << prefix;
    EXPECT_EQ(at.back() - at.front() + 1, at.size()) << prefix;
  }
}

TEST(Walk, LongPathsAndTheLongestNamesAreListedAndTheirLinksOpen) {
  // Windows takes paths of more than 260 characters, and names of more than
  // 259 UTF-8 bytes, only through its wide calls and the "\\?\" prefix.
  const LongPaths paths = LongPathsPastWindowsLimits();
  struct Case {
    std::string Label;
    std::string Root;  // the folder to scan, in the tree
    std::string File;  // below it
    bool Relative;     // the root given relative to the tree
  };
  const std::vector<Case> cases = {
      {"a folder of 300 characters", "", paths.Folder + "/f.txt", false},
      {"1,000 levels deep", "", paths.Deep + "/f.txt", false},
      {"85 CJK characters, 255 bytes", "", paths.Name, false},
      {"a relative root of 300 characters", paths.Folder, "g/f.txt", true},
  };
  for (const Case& c : cases) {
    TempTree tree;
    const std::string root = c.Root.empty() ? tree.Root() : tree.Path(c.Root);
    tree.File((c.Root.empty() ? "" : c.Root + "/") + c.File, "x");
    RunOptions options;
    if (c.Relative) options.WorkingFolder = tree.Root();
    const RunResult run = RunTool({c.Relative ? c.Root : root}, options);
    EXPECT_EQ(run.Status, 0) << c.Label;
    const std::vector<std::string> links = RowLinks(ReadFile(root + "/search.html"));
    ASSERT_EQ(links.size(), 1u) << c.Label << "\n" << Console(run);
    std::string path = links[0];
    std::replace(path.begin(), path.end(), '\\', '/');
    EXPECT_EQ(path, "./" + c.File) << c.Label;
    EXPECT_TRUE(Exists(root + path.substr(1))) << c.Label;
  }
}

TEST(Walk, PageElsewhereLinksEachFileFromItsOwnFolderInEitherForm) {
  // Beside the tree and under it, links go there relatively; on another file
  // system (a memory folder) they are file URLs.
  TempTree place;
  std::vector<std::string> files = {"a #1 %41 &amp; b.txt", "Caf\xC3\xA9/x.txt", "sub/d.txt"};
  if (!WindowsTarget()) files.push_back("q?/end ");  // no such names on Windows
  for (const std::string& file : files) place.File("tree/" + file, file);
  TempTree memory(MemoryFolder());
  struct stat placeInfo {};
  struct stat memoryInfo {};
  stat(place.Root().c_str(), &placeInfo);
  stat(memory.Root().c_str(), &memoryInfo);
  std::vector<std::string> pages = {place.Path("beside/p.html"), place.Path("tree/sub/p.html")};
  if (!WindowsTarget() && placeInfo.st_dev != memoryInfo.st_dev)
    pages.push_back(memory.Path("p.html"));
  place.Folder("beside");
  for (const std::string& page : pages) {
    for (const char* threshold : {"10000", "0"}) {
      RunOptions options;
      options.Environment = {std::string("FINDLET_TEST_LARGE_LISTING_THRESHOLD=") + threshold};
      EXPECT_EQ(RunTool({place.Path("tree"), "--output=" + page}, options).Status, 0);
      std::vector<std::string> contents;
      for (std::string link : RowLinks(ReadFile(page))) {
        EXPECT_EQ(link.starts_with("file://"), page == memory.Path("p.html")) << link;
        std::replace(link.begin(), link.end(), '\\', '/');
        contents.push_back(ReadFile(link.starts_with("file://")
                                        ? link.substr(7)
                                        : page.substr(0, page.rfind('/') + 1) + link));
      }
      EXPECT_EQ(Sorted(contents), Sorted(files)) << page << " " << threshold;
      std::remove(page.c_str());  // else the next run lists the page under the tree
    }
  }
}

}  // namespace
}  // namespace Testing
