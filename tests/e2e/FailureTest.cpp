// Pages that cannot be written: the console says so, the status stays 0, and
// nothing outside the scanned folder is touched.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "tests/e2e/Console.h"
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
