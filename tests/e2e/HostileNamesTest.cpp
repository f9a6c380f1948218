// Names and links that only POSIX file systems allow: no name may add markup
// to the page or make a link name another file, and no link may make the walk
// go round in circles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/Console.h"
#include "tests/e2e/Page.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempTree.h"

namespace Testing {
namespace {

std::vector<std::string> ScanRows(const TempTree& tree) {
  const RunResult run = RunTool({tree.Root()});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Signal, 0);
  return SortedRows(ReadFile(tree.Path("search.html")));
}

TEST(HostileNames, MarkupAndLinkBytesAreEncoded) {
  TempTree tree;
  tree.File("<i>\"q'#?%41/<script>x\"y'z#?.Txt", "1");
  tree.File("tab\tline\nend\r.txt", "");
  std::vector<std::string> expected = {
      Row("\\tab%09line%0Aend%0D.txt",
          "tab\u27E6U+0009\u27E7line\u27E6U+000A\u27E7end\u27E6U+000D\u27E7.txt", "0")};
  // Wine lists the folder <i>"q'#?%41, but '<', '"' and '?' are wildcards to
  // the Windows find calls, so it cannot be enumerated and is left out.
  if (!WindowsTarget()) {
    expected.push_back(Row("\\%3Ci%3E%22q'%23%3F%2541\\%3Cscript%3Ex%22y%27z%23%3F.Txt",
                           "&lt;script&gt;x\"y'z#?.txt", "1"));
  }
  EXPECT_EQ(ScanRows(tree), Sorted(expected));
}

TEST(HostileNames, BackslashFolderIsLeftOutAndFileIsEncoded) {
  TempTree tree;
  tree.File("a\\b/hidden.txt");
  tree.File("a/visible.txt");
  tree.File("c\\d.txt");
  EXPECT_EQ(ScanRows(tree), Sorted({
                                Row("\\a\\visible.txt", "visible.txt", "0"),
                                Row("\\c%5Cd.txt", "c\\d.txt", "0"),
                            }));
}

TEST(HostileNames, LinksAreFollowedButNeverRoundInCircles) {
  TempTree outside;
  outside.File("far.txt", "far");
  TempTree tree;
  tree.File("a/b/deep.txt");
  tree.File("top.txt", std::string(3000, 't'));
  tree.Link("..", "a/up");           // back to the root
  tree.Link("../..", "a/b/upup");    // back to the root from two levels down
  tree.Link(".", "a/b/self");        // the folder itself
  tree.Link("../b", "a/b/sibling");  // the folder again, by another name
  tree.Link(tree.Root() + "/a", "a/b/absolute");
  tree.Link(outside.Root(), "a/out");     // a folder elsewhere is entered
  tree.Link("../top.txt", "a/top-link");  // a link to a file has the file's size
  tree.Link("nowhere", "a/broken.txt");   // a broken link is an empty file
  std::vector<std::string> expected = {
      Row("\\top.txt", "top.txt", "3"),
      Row("\\a\\b\\deep.txt", "deep.txt", "0"),
      Row("\\a\\out\\far.txt", "far.txt", "1"),
      Row("\\a\\top-link", "top-link", "3"),
  };
  // Wine leaves a link that leads nowhere out of the folder's listing.
  if (!WindowsTarget()) expected.push_back(Row("\\a\\broken.txt", "broken.txt", "0"));
  EXPECT_EQ(ScanRows(tree), Sorted(expected));
}

TEST(HostileNames, TwoLinksUpDoNotMakeTheWalkExplode) {
  TempTree tree;
  tree.File("x/y/z.txt");
  tree.Link("../..", "x/y/l1");
  tree.Link("../..", "x/y/l2");
  tree.Link("..", "x/l3");
  tree.Link("..", "x/l4");
  EXPECT_EQ(ScanRows(tree), Sorted({Row("\\x\\y\\z.txt", "z.txt", "0")}));
}

}  // namespace
}  // namespace Testing
