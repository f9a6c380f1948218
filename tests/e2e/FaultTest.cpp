// Trees and surroundings of a POSIX host that fight back: folders the tool
// may not read, trees deeper or wider than usual, names as long as the OS
// allows, link loops, a search.html that is no plain file, writes cut short
// and a console nobody reads. Each run must end, with status 0, with a page of what could
// be read (or the failure message), and must write nothing anywhere else.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/Console.h"
#include "tests/e2e/Page.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempTree.h"

namespace Testing {
namespace {

// The tool ran to its end by itself.
void ExpectFinished(const RunResult& run, const std::string& what) {
  EXPECT_FALSE(run.TimedOut) << what;
  EXPECT_EQ(run.Signal, 0) << what << "\n" << run.Err;
  EXPECT_EQ(run.Status, 0) << what;
}

// Lets the unprivileged user that the tool runs as when the tests run as
// root into the tree, and lets it write the page there.
void OpenToEveryone(const TempTree& tree) {
  ASSERT_EQ(chmod(tree.Root().c_str(), 0777), 0);
}

RunOptions AsUnprivilegedUser() {
  RunOptions options;
  options.UnprivilegedUser = true;
  return options;
}

void CreateEmpty(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0) << path;
  close(fd);
}

TEST(Fault, FoldersThatCannotBeReadAreLeftOutAndTheRestIsListed) {
  struct Case {
    std::string Name;
    mode_t Mode;                      // of the folder "locked"
    std::vector<std::string> Locked;  // rows from it
  };
  const std::vector<Case> cases = {
      {"no permission at all", 0000, {}},
      {"may be entered but not listed", 0111, {}},
      // Names can be listed but not looked at: the file's size is unknown,
      // and its sub-folder cannot be opened.
      {"may be listed but not entered", 0444, {Row("\\locked\\in.txt", "in.txt", "0")}},
  };
  for (const Case& c : cases) {
    TempTree tree;
    tree.File("locked/in.txt", std::string(2000, 'i'));
    tree.File("locked/sub/deeper.txt", "d");
    tree.File("open/o.txt", "o");
    tree.File("z.txt");
    ASSERT_EQ(chmod(tree.Path("locked").c_str(), c.Mode), 0);
    OpenToEveryone(tree);
    const RunResult run = RunTool({tree.Root()}, AsUnprivilegedUser());
    ExpectFinished(run, c.Name);
    EXPECT_EQ(Console(run), ExpectedConsole(tree.Root(), ".txt ", true)) << c.Name;
    std::vector<std::string> expected = {Row("\\open\\o.txt", "o.txt", "1"),
                                         Row("\\z.txt", "z.txt", "0")};
    expected.insert(expected.end(), c.Locked.begin(), c.Locked.end());
    EXPECT_EQ(SortedRows(ReadFile(tree.Path("search.html"))), Sorted(expected)) << c.Name;
  }
}

TEST(Fault, RootThatCannotBeListedOrWritten) {
  struct Case {
    std::string Name;
    mode_t Mode;
    bool OldPage;  // one the unprivileged user may write
    std::string Extensions;
    bool Written;
    long long Limit = -1;  // file size limit
  };
  const std::vector<Case> cases = {
      {"read-only root", 0555, false, ".txt ", false},
      // Where no new file may be created, the old page is rewritten in place,
      // but only when the whole page fits.
      {"read-only root with a page it may write", 0555, true, ".html .txt ", true},
      {"the same under a size limit", 0555, true, ".html .txt ", false, 1000},
      {"root that may not be listed", 0333, false, "", true},
  };
  for (const Case& c : cases) {
    TempTree tree;
    tree.Folder("scanned");
    tree.File("scanned/x.txt", "x");
    if (c.OldPage) {
      tree.File("scanned/search.html", "old");
      ASSERT_EQ(chmod(tree.Path("scanned/search.html").c_str(), 0666), 0);
    }
    OpenToEveryone(tree);
    ASSERT_EQ(chmod(tree.Path("scanned").c_str(), c.Mode), 0);
    const std::string root = tree.Path("scanned");
    RunOptions options = AsUnprivilegedUser();
    options.FileSizeLimit = c.Limit;
    const RunResult run = RunTool({root}, options);
    ExpectFinished(run, c.Name);
    // A read-only root still lists; the page just cannot be created there.
    std::string console = ExpectedConsole(root, c.Extensions, c.Written);
    if (c.Limit >= 0) {
      console.insert(console.find("*** Can't"), " ERROR[IO::WriteTextFile:72] path(" + root +
                                                    "\\search.html) outputStream.good()(0) \n");
      EXPECT_EQ(ReadFile(tree.Path("scanned/search.html")), "old") << c.Name;
    }
    EXPECT_EQ(Console(run), console) << c.Name;
    EXPECT_EQ(Exists(tree.Path("scanned/search.html")), c.Written || c.OldPage) << c.Name;
    if (c.Written) {
      EXPECT_EQ(SortedRows(ReadFile(tree.Path("scanned/search.html"))).size(), c.OldPage ? 2u : 0u)
          << c.Name;
    }
  }
}

TEST(Fault, SearchHtmlThatIsNoPlainFileIsNeitherWaitedForNorWrittenThrough) {
  struct Case {
    std::string Name;
    std::string Extensions;  // what the walk finds named search.html counts too
  };
  for (const Case& c : {Case{"FIFO nobody reads", ".html "}, Case{"FIFO with a reader", ".html "},
                        Case{"link to a folder elsewhere", ".txt "}}) {
    TempTree elsewhere;
    elsewhere.File("far.txt");
    TempTree tree;
    int reader = -1;
    if (c.Name == "link to a folder elsewhere") {
      tree.Link(elsewhere.Root(), "search.html");
    } else {
      tree.Fifo("search.html");
      if (c.Name == "FIFO with a reader") {
        reader = open(tree.Path("search.html").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(reader, 0);
      }
    }
    RunOptions options;
    options.TimeoutSeconds = 60;
    const RunResult run = RunTool({tree.Root()}, options);
    ExpectFinished(run, c.Name);
    EXPECT_EQ(Console(run), ExpectedConsole(tree.Root(), c.Extensions, false)) << c.Name;
    if (reader >= 0) {
      char byte;
      EXPECT_LE(read(reader, &byte, 1), 0) << c.Name << ": the page went into the FIFO";
      close(reader);
    }
    EXPECT_FALSE(Exists(elsewhere.Path("search.html"))) << c.Name;
  }
}

TEST(Fault, WriteLimitLeavesNoPartPageAtEitherEnd) {
  TempTree tree;
  for (int i = 0; i < 50; ++i) tree.File(std::string("f").append(std::to_string(i)).append(".txt"));
  ExpectFinished(RunTool({tree.Root()}), "unlimited");
  const long long pageSize = static_cast<long long>(ReadFile(tree.Path("search.html")).size());
  std::remove(tree.Path("search.html").c_str());

  const std::string report = " ERROR[IO::WriteTextFile:72] path(" + tree.Root() +
                             "\\search.html) outputStream.good()(0) \n";
  const std::string heading = ExpectedConsole(tree.Root(), ".txt ", true);
  const std::string head = heading.substr(0, heading.find("Output filepath"));
  const std::string failed = ExpectedConsole(tree.Root(), ".txt ", false).substr(head.size());
  struct Case {
    long long Limit;
    std::string Console;
  };
  for (const Case& c : {Case{0, head + report + failed}, Case{pageSize - 1, head + report + failed},
                        Case{pageSize, heading}}) {
    RunOptions options;
    options.FileSizeLimit = c.Limit;
    const RunResult run = RunTool({tree.Root()}, options);
    ExpectFinished(run, std::to_string(c.Limit));
    EXPECT_EQ(Console(run), c.Console) << c.Limit;
    // Only the whole page is put in place; the temporary one is removed.
    EXPECT_EQ(Names(tree.Root()).size(), c.Limit == pageSize ? 51u : 50u) << c.Limit;
    EXPECT_EQ(Exists(tree.Path("search.html")), c.Limit == pageSize) << c.Limit;
    std::remove(tree.Path("search.html").c_str());
  }
}

TEST(Fault, FolderOfAHundredThousandEntriesListsEachOnce) {
  constexpr int Count = 100'000;
  TempTree tree(MemoryFolder());
  std::vector<std::string> expected;
  expected.reserve(Count);
  for (int i = 0; i < Count; ++i) {
    const std::string name = "Entry" + std::to_string(i);
    CreateEmpty(tree.Path(name));
    expected.push_back(Row("\\" + name, "entry" + std::to_string(i), "0"));
  }
  const RunResult run = RunTool({tree.Root()});
  ExpectFinished(run, "wide folder");
  EXPECT_EQ(Console(run), ExpectedConsole(tree.Root(), "", true));
  EXPECT_EQ(SortedRows(ReadFile(tree.Path("search.html"))), Sorted(expected));
}

// The hard limit of open descriptors, which the tool may raise its own
// soft limit to.
rlim_t DescriptorHardLimit() {
  rlimit limit{};
  return getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_max : 0;
}

TEST(Fault, DeepTreesEndAndListEveryLevelTheOsCanReach) {
  struct Case {
    std::string Name;
    std::string Folder;  // the name of the folder at every level
    int Levels;
  };
  const std::vector<Case> cases = {
      {"1,500 levels within the path limit", "d", 1500},
      {"1,000 levels past the path limit", "deep_dir", 1000},
      {"longest names past the path limit", std::string(255, 'L'), 24},
  };
  // The walk holds one folder open per level. The tool starts with a soft
  // limit of descriptors far below the depth, as many systems set it, and
  // must take what the hard limit allows.
  if (DescriptorHardLimit() < 1600) GTEST_SKIP() << "the system allows fewer than 1600 descriptors";
  for (const Case& c : cases) {
    TempTree tree(MemoryFolder());
    // Built by descriptor, one level at a time: the paths get longer than
    // any path call accepts.
    int fd = open(tree.Root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::vector<std::string> rowsByLevel;
    std::string link;
    for (int level = 0; level <= c.Levels; ++level) {
      const int file = openat(fd, "f.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
      ASSERT_GE(file, 0) << level;
      close(file);
      rowsByLevel.push_back(Row(link + "\\f.txt", "f.txt", "0"));
      if (level == c.Levels) break;
      ASSERT_EQ(mkdirat(fd, c.Folder.c_str(), 0755), 0) << level;
      const int next = openat(fd, c.Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      ASSERT_GE(next, 0) << level;
      close(fd);
      fd = next;
      link += "\\" + c.Folder;
    }
    close(fd);

    RunOptions options;
    options.DescriptorLimit = 256;
    const RunResult run = RunTool({tree.Root()}, options);
    ExpectFinished(run, c.Name);
    EXPECT_EQ(Console(run), ExpectedConsole(tree.Root(), ".txt ", true)) << c.Name;
    // The page holds the levels from the top down to the deepest one reached,
    // each once.
    const std::vector<std::string> listed = SortedRows(ReadFile(tree.Path("search.html")));
    ASSERT_LE(listed.size(), rowsByLevel.size()) << c.Name;
    EXPECT_EQ(listed, Sorted({rowsByLevel.begin(),
                              rowsByLevel.begin() + static_cast<std::ptrdiff_t>(listed.size())}))
        << c.Name;
    // Every level whose path the OS takes is there.
    const std::size_t osPathLimit = 4000;
    std::size_t reachable = 0;
    while (reachable <= static_cast<std::size_t>(c.Levels) &&
           tree.Root().size() + reachable * (c.Folder.size() + 1) + 7 < osPathLimit) {
      ++reachable;
    }
    EXPECT_GE(listed.size(), reachable) << c.Name;
  }
}

TEST(Fault, NamesOfTheLongestLengthAreListedWhole) {
  const std::string longFile = std::string(251, 'N') + ".TXT";
  const std::string longFolder(255, 'F');
  std::string references;  // 255 bytes, each '&' but the last one starting a reference
  while (references.size() + 2 <= 255) references += "&a";
  references += "&";
  std::string referencesLink;
  std::string referencesText;
  for (std::size_t i = 0; i + 1 < references.size(); i += 2) {
    referencesLink += "%26a";
    referencesText += "&amp;a";
  }
  referencesLink += "&";
  referencesText += "&";

  TempTree tree;
  tree.File(longFile, "1");
  tree.File(longFolder + "/" + longFile);
  tree.File(references);
  const RunResult run = RunTool({tree.Root()});
  ExpectFinished(run, "long names");
  const std::string lowerFile = std::string(251, 'n') + ".txt";
  EXPECT_EQ(SortedRows(ReadFile(tree.Path("search.html"))),
            Sorted({Row("\\" + longFile, lowerFile, "1"),
                    Row("\\" + longFolder + "\\" + longFile, lowerFile, "0"),
                    Row("\\" + referencesLink, referencesText, "0")}));
}

TEST(Fault, LinkLoopsEndWithEveryPathListedOnce) {
  TempTree tree;
  // Three links that lead to one another and never to a file or folder.
  tree.Link("l2", "l1");
  tree.Link("l3", "l2");
  tree.Link("l1", "l3");
  // Three folders joined in a ring by links.
  tree.File("p/fp");
  tree.File("r/fr");
  tree.File("t/ft");
  tree.Link("../r", "p/q");
  tree.Link("../t", "r/s");
  tree.Link("../p", "t/u");
  const RunResult run = RunTool({tree.Root()});
  ExpectFinished(run, "link loops");
  EXPECT_EQ(Console(run), ExpectedConsole(tree.Root(), "", true));
  // Round the ring from each folder until the next link leads back into a
  // folder already on the way.
  EXPECT_EQ(SortedRows(ReadFile(tree.Path("search.html"))),
            Sorted({Row("\\l1", "l1", "0"), Row("\\l2", "l2", "0"), Row("\\l3", "l3", "0"),
                    Row("\\p\\fp", "fp", "0"), Row("\\p\\q\\fr", "fr", "0"),
                    Row("\\p\\q\\s\\ft", "ft", "0"), Row("\\r\\fr", "fr", "0"),
                    Row("\\r\\s\\ft", "ft", "0"), Row("\\r\\s\\u\\fp", "fp", "0"),
                    Row("\\t\\ft", "ft", "0"), Row("\\t\\u\\fp", "fp", "0"),
                    Row("\\t\\u\\q\\fr", "fr", "0")}));
}

TEST(Fault, ConsoleNobodyReadsNeitherStopsNorLeaksIntoThePage) {
  // Enough distinct extensions that the report overflows both the output
  // buffer and a pipe's capacity.
  TempTree tree(MemoryFolder());
  std::vector<std::string> rows;
  std::string extensions;
  std::vector<std::string> sortedExtensions;
  for (int i = 0; i < 10'000; ++i) {
    const std::string extension = ".extension" + std::to_string(i);
    CreateEmpty(tree.Path("f" + extension));
    rows.push_back(Row("\\f" + extension, "f" + extension, "0"));
    sortedExtensions.push_back(extension);
  }
  std::sort(sortedExtensions.begin(), sortedExtensions.end());
  for (const std::string& extension : sortedExtensions) extensions += extension + " ";
  const std::string console = ExpectedConsole(tree.Root(), extensions, true);
  rows = Sorted(rows);

  struct Case {
    std::string Name;
    OutputReader Reader;
    bool Closed;
  };
  for (const Case& c : {Case{"reader gone", OutputReader::Gone, false},
                        Case{"slow reader", OutputReader::Slow, false},
                        Case{"full non-blocking pipe", OutputReader::NonBlockingUnread, false},
                        Case{"standard output closed", OutputReader::Reading, true}}) {
    RunOptions options;
    options.Reader = c.Reader;
    options.CloseStandardOutput = c.Closed;
    options.TimeoutSeconds = 120;
    const RunResult run = RunTool({tree.Root()}, options);
    ExpectFinished(run, c.Name);
    if (c.Reader == OutputReader::Slow) {
      EXPECT_EQ(Console(run), console) << c.Name;
    }
    if (c.Reader == OutputReader::NonBlockingUnread) {
      EXPECT_LT(run.Out.size(), console.size()) << c.Name << ": the pipe never filled";
      EXPECT_TRUE(run.Out.starts_with(Banner)) << c.Name;
    }
    const std::string page = ReadFile(tree.Path("search.html"));
    EXPECT_TRUE(page.starts_with(ExpectedHead(false, tree.Root()))) << c.Name;
    EXPECT_EQ(SortedRows(page), rows) << c.Name;
    EXPECT_EQ(page.find("Path to scan: "), std::string::npos) << c.Name;
    std::remove(tree.Path("search.html").c_str());
  }
}

}  // namespace
}  // namespace Testing
