#include "io/TextFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "io/PageFile.h"
#include "tests/support/TempTree.h"

namespace Testing {
namespace {

// Captures what the code under test writes to the console stream.
class ConsoleCapture {
 public:
  ConsoleCapture() : old_(std::cout.rdbuf(text_.rdbuf())) {}
  ~ConsoleCapture() { std::cout.rdbuf(old_); }
  std::string Text() const { return text_.str(); }

 private:
  std::ostringstream text_;
  std::streambuf* old_;
};

TEST(WriteTextFile, WritesEveryByteAndReplacesWhatWasThere) {
  struct Case {
    std::string Name;
    std::string Before;  // empty: no file yet
    std::string Text;
  };
  const std::vector<Case> cases = {
      {"empty text creates the file", "", ""},
      {"empty text empties a file", "old content", ""},
      {"longer file is replaced whole", std::string(10000, 'o'), "short"},
      {"line feeds stay", "", "a\nb\n"},
      {"carriage returns stay", "", "a\r\nb\r\n"},
      {"zero bytes are written", "", std::string("a\0b\0", 4)},
  };
  for (const Case& c : cases) {
    TempTree tree;
    if (!c.Before.empty()) tree.File("out.html", c.Before);
    ConsoleCapture console;
    EXPECT_TRUE(IO::WriteTextFile(tree.Path("out.html").c_str(), c.Text)) << c.Name;
    EXPECT_EQ(ReadFile(tree.Path("out.html")), c.Text) << c.Name;
    EXPECT_EQ(console.Text(), "") << c.Name;
  }
}

TEST(WriteTextFile, OnlyTheTemporaryPageNameIsLeftOutOfTheWalk) {
  for (const std::string& name :
       {std::string(".search.html.k3ZqP0"), ".search.html." + Platform::TemporaryTag(42)}) {
    EXPECT_TRUE(IO::IsLeftoverTemporaryPage(name)) << name;
  }
  for (const std::string_view name :
       {".search.html.k3ZqP", ".search.html.k3ZqP01", ".search.html.k3Zq-0", "search.html.k3ZqP0x",
        ".Search.html.k3ZqP0", ".search.htm.k3ZqP0x", ".search.html", "search.html"}) {
    EXPECT_FALSE(IO::IsLeftoverTemporaryPage(name)) << name;
  }
}

TEST(WriteTextFile, UnopenablePathsFailWithoutReport) {
  TempTree tree;
  tree.Folder("folder");
  tree.File("target.txt", "keep");
  tree.Link(tree.Path("target.txt"), "link.html");
  for (const std::string& path :
       {tree.Path("folder"), tree.Path("missing/out.html"), tree.Path("link.html")}) {
    ConsoleCapture console;
    EXPECT_FALSE(IO::WriteTextFile(path.c_str(), "text")) << path;
    EXPECT_EQ(console.Text(), "") << path;
  }
  EXPECT_EQ(ReadFile(tree.Path("target.txt")), "keep");
}

TEST(WriteTextFile, BackslashesSeparateFolders) {
  TempTree tree;
  tree.Folder("sub");
  EXPECT_TRUE(IO::WriteTextFile((tree.Root() + "\\sub\\search.html").c_str(), "page"));
  EXPECT_EQ(ReadFile(tree.Path("sub/search.html")), "page");
}

TEST(WriteTextFile, NullPathIsReportedAndTouchesNothing) {
  ConsoleCapture console;
  EXPECT_FALSE(IO::WriteTextFile(nullptr, "text"));
  EXPECT_EQ(console.Text(), " ERROR[IO::WriteTextFile:61] path() \n");
}

TEST(WriteTextFile, DevicesAreNotWritten) {
  // Only a plain file becomes the page; a device is refused at the open,
  // without a report. (A write failing part way is shown end to end, under a
  // file size limit.)
  ConsoleCapture console;
  EXPECT_FALSE(IO::WriteTextFile("/dev/null", "text"));
  EXPECT_EQ(console.Text(), "");
}

}  // namespace
}  // namespace Testing
