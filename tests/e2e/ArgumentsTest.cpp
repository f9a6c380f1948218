// Arguments as the shell hands them over: wildcards stay as typed, and a
// folder may be spelt with backslashes or, on Windows, with a drive letter.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/Console.h"
#include "tests/e2e/Page.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempTree.h"

namespace Testing {
namespace {

std::string Row(const std::string& name) {
  return "<tr><td><a href=\".\\" + name + "\" target=\"_blank\">" + name +
         "</a></td><td>0 KB</td></tr>";
}

TEST(Arguments, WildcardsReachTheToolAsTyped) {
  // Expanded in the tool's folder, *.jpg would become a.jpg b.jpg x*.jpg and
  // list all three; as a filter word it matches only the name holding it.
  TempTree tree;
  for (const char* name : {"a.jpg", "b.jpg", "x*.jpg", "notes.txt"}) tree.File(name);
  struct Case {
    std::string Word;
    std::vector<std::string> Rows;
    std::string Extensions;
  };
  const std::vector<Case> cases = {
      {"*.jpg", {Row("x*.jpg")}, ".jpg "},
      {"*", {Row("x*.jpg")}, ".jpg "},
      {"?.jpg", {}, ""},
  };
  for (const Case& c : cases) {
    const RunResult run = RunTool({".", c.Word}, {tree.Root()});
    EXPECT_EQ(Console(run), ExpectedConsole(".", c.Extensions)) << c.Word;
    EXPECT_EQ(SortedRows(ReadFile(tree.Path("search.html"))), c.Rows) << c.Word;
    std::remove(tree.Path("search.html").c_str());
  }
}

TEST(Arguments, FolderSpellings) {
  TempTree tree;
  std::string backslashed = tree.Root();
  for (char& c : backslashed) c = c == '/' ? '\\' : c;
  struct Case {
    std::string Name;
    std::string Argument;
    bool Valid;
  };
  const std::vector<Case> cases = {
      {"backslashes", backslashed, true},
      {"trailing slash", tree.Root() + "/", true},
      // Wine's drive Z: is the host's root folder; on Linux Z: is a name.
      {"drive letter", "Z:" + backslashed, WindowsTarget()},
      {"drive letter, forward slashes", "Z:" + tree.Root(), WindowsTarget()},
  };
  for (const Case& c : cases) {
    const RunResult run = RunTool({c.Argument});
    const std::string pathLine = std::string(Banner) + "Path to scan: " + c.Argument + "\n\n";
    if (c.Valid) {
      EXPECT_EQ(Console(run), ExpectedConsole(c.Argument, "")) << c.Name;
      EXPECT_EQ(run.Status, 0) << c.Name;
    } else {
      EXPECT_EQ(Console(run), pathLine + "*** Invalid Path ***\n\n" + Examples) << c.Name;
      EXPECT_EQ(run.Status, ReportedStatus(-2)) << c.Name;
    }
    EXPECT_EQ(Exists(tree.Path("search.html")), c.Valid) << c.Name;
    std::remove(tree.Path("search.html").c_str());
  }
}

}  // namespace
}  // namespace Testing
