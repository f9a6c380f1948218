// Pages that cannot be written: the console says so, the status stays 0, and
// nothing outside the scanned folder is touched.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/Console.h"
#include "tests/e2e/Page.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempTree.h"

namespace Testing {
namespace {

// The console of a run that failed to write its page, with the report lines
// before the failure message.
std::string Failed(const std::string& root, const std::string& extensions = "",
                   const std::string& reports = "") {
  std::string console = ExpectedConsole(root, extensions, false);
  return console.insert(console.find("*** Can't"), reports);
}

TEST(Failure, FolderNamedSearchHtmlFailsWithoutReport) {
  TempTree tree;
  tree.Folder("search.html");
  const RunResult run = RunTool({tree.Root()});
  EXPECT_EQ(Console(run), Failed(tree.Root()));
  EXPECT_EQ(run.Status, 0);
}

TEST(Failure, WriteStoppedPartWayIsReportedAndKeepsTheOldPage) {
  TempTree tree;
  for (int i = 0; i < 100; ++i) tree.File("file" + std::to_string(i));  // a page over the limit
  tree.File("search.html", "the old page");
  const std::vector<std::string> names = Names(tree.Root());
  const RunResult run = RunTool({tree.Root()}, {"", 4096});
  const std::string path = tree.Root() + "\\search.html";
  EXPECT_EQ(Console(run),
            Failed(tree.Root(), ".html ",
                   " ERROR[IO::WriteTextFile:72] path(" + path + ") outputStream.good()(0) \n"));
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(ReadFile(tree.Path("search.html")), "the old page");
  EXPECT_EQ(Names(tree.Root()), names) << "the temporary page was left";
}

TEST(Failure, LinkNamedSearchHtmlIsNotWrittenThrough) {
  TempTree elsewhere;
  elsewhere.File("precious.txt", "keep me");
  for (const std::string& target : {elsewhere.Path("precious.txt"), elsewhere.Path("new.txt")}) {
    TempTree tree;
    tree.Link(target, "search.html");
    const RunResult run = RunTool({tree.Root()});
    // The link itself is an entry of the folder like any other, except that
    // Wine leaves a link that leads nowhere out of the listing, and cannot
    // tell it from no file at all: the page then takes the link's place.
    const bool listed = !WindowsTarget() || target == elsewhere.Path("precious.txt");
    EXPECT_EQ(Console(run),
              listed ? Failed(tree.Root(), ".html ") : ExpectedConsole(tree.Root(), ""))
        << target;
  }
  EXPECT_EQ(ReadFile(elsewhere.Path("precious.txt")), "keep me");
  EXPECT_FALSE(Exists(elsewhere.Path("new.txt")));
}

TEST(Failure, HardLinkedSearchHtmlIsNotWrittenThrough) {
  TempTree elsewhere;
  elsewhere.File("precious.txt", "keep me");
  TempTree tree;
  ASSERT_EQ(link(elsewhere.Path("precious.txt").c_str(), tree.Path("search.html").c_str()), 0);
  const RunResult run = RunTool({tree.Root()});
  EXPECT_EQ(Console(run), Failed(tree.Root(), ".html "));
  EXPECT_EQ(ReadFile(elsewhere.Path("precious.txt")), "keep me");
}

TEST(Failure, OutputOverAnythingButAPageOrAnEmptyFileIsRefusedBeforeTheWalk) {
  const std::string head = ExpectedHead(false, "");
  const std::string pageLine = head.substr(0, head.find('\n') + 1);
  const std::string notPage = "*** Not a Findlet page: left as it was ***\n\n";
  struct Case {
    std::string Output;  // below the tree, as --output= names it
    std::string Shown;   // the page's path below the tree, as the console shows it
    bool Exists;         // whether a file stands there, holding Content
    std::string Content;
    std::string Refusal;  // the line that refuses it, if any
  };
  const std::vector<Case> cases = {
      {"report.docx", "report.docx", true, "my report", notPage},
      {"out/", "out/search.html", true, pageLine.substr(1), notPage},
      {"missing/p.html", "missing/p.html", false, "", "*** Output folder not found ***\n\n"},
      {"out", "out\\search.html", true, pageLine + "an old page", ""},
      {"empty.html", "empty.html", true, "", ""},
  };
  for (const Case& c : cases) {
    TempTree tree;
    tree.File("scanned/a.txt");
    tree.Folder("out");
    std::string file = c.Shown;
    std::replace(file.begin(), file.end(), '\\', '/');
    if (c.Exists) tree.File(file, c.Content);
    const std::vector<std::string> names = Names(tree.Root());
    const std::string page = tree.Root() + "\\" + c.Shown;
    const RunResult run =
        RunTool({tree.Path("scanned"), "--OutPut=" + tree.Root() + "\\" + c.Output});
    EXPECT_EQ(run.Status, 0) << c.Output;
    const std::string console =
        std::string(Banner) + "Path to scan: " + tree.Path("scanned") + "\n\n";
    if (c.Refusal.empty()) {
      EXPECT_EQ(Console(run),
                console + "File extensions exported: .txt \n\nOutput filepath: " + page + "\n\n");
      EXPECT_TRUE(ReadFile(tree.Path(file)).starts_with(pageLine)) << c.Output;
      continue;
    }
    EXPECT_EQ(Console(run), console + c.Refusal + "*** Can't output file ***\n\n" +
                                "Output filepath failed: " + page + "\n\n");
    EXPECT_EQ(ReadFile(tree.Path(file)), c.Content) << c.Output;
    EXPECT_EQ(Names(tree.Root()), names) << c.Output;
    EXPECT_EQ(Names(tree.Path("out")).size(), c.Output == "out/" ? 1u : 0u) << c.Output;
  }
}

TEST(Failure, ClosedStandardOutputStillWritesThePage) {
  TempTree tree;
  tree.File("a.txt");
  RunOptions options;
  options.CloseStandardOutput = true;
  const RunResult run = RunTool({tree.Root()}, options);
  EXPECT_EQ(run.Signal, 0);
  EXPECT_EQ(run.Status, 0);
  EXPECT_NE(ReadFile(tree.Path("search.html")).find(">a.txt</a>"), std::string::npos);
}

}  // namespace
}  // namespace Testing
