// The console output and exit status of the command line's outcomes, byte for
// byte, from the built binary.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/Console.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempTree.h"

namespace Testing {
namespace {

std::string PathLine(const std::string& argument) {
  return "Path to scan: " + argument + "\n\n";
}

std::string Invalid(const std::string& argument) {
  return std::string(Banner) + PathLine(argument) + "*** Invalid Path ***\n\n" + Examples;
}

TEST(CommandLine, NoArgumentShowsUsageAndFails) {
  const RunResult run = RunTool({});
  EXPECT_EQ(Console(run), std::string(Banner) + "*** Path to scan missing ***\n" +
                              "findlet [PathToScan]\n\n" + Examples);
  EXPECT_EQ(run.Status, ReportedStatus(-1));
  EXPECT_EQ(run.Err, "");
}

TEST(CommandLine, HelpSwitchesShowExamplesOnly) {
  const std::vector<std::vector<std::string>> calls = {
      {"/?"}, {"-?"}, {"--help"}, {"-help"}, {"--help", "more", "--dark"}, {"/?", "/tmp"}};
  for (const auto& arguments : calls) {
    const RunResult run = RunTool(arguments);
    EXPECT_EQ(Console(run), std::string(Banner) + Examples) << arguments[0];
    EXPECT_EQ(run.Status, 0) << arguments[0];
  }
}

TEST(CommandLine, PathsThatAreNoFolderAreInvalid) {
  TempTree tree;
  tree.File("plain.txt", "x");
  const std::vector<std::string> paths = {
      "",                          // empty argument
      tree.Path("plain.txt"),      // a file
      tree.Path("missing"),        // nothing there
      "--HELP",                    // no help switch: case matters
      "/h",                        // nor a near miss
      tree.Path("plain.txt\\\\"),  // a file, trailing backslashes and all
  };
  for (const std::string& path : paths) {
    const RunResult run = RunTool({path, "--dark"}, {tree.Root()});
    EXPECT_EQ(Console(run), Invalid(path)) << path;
    EXPECT_EQ(run.Status, ReportedStatus(-2)) << path;
  }
  EXPECT_FALSE(Exists(tree.Path("search.html")));
}

struct ValidCall {
  std::string Name;
  std::vector<std::string> Arguments;  // after the folder
  bool Dark;
};

TEST(CommandLine, DarkSwitchAnyCaseOnceAfterAllArguments) {
  const std::vector<ValidCall> calls = {
      {"none", {}, false},
      {"upper and lower", {"--DARK", "--dark"}, true},
      {"mixed case among filters", {"x", "--Dark", "y"}, true},
      {"longer word is a filter", {"--darker"}, false},
      {"later help is a filter", {"--help"}, false},
  };
  TempTree tree;
  for (const ValidCall& call : calls) {
    std::vector<std::string> arguments = {tree.Root()};
    arguments.insert(arguments.end(), call.Arguments.begin(), call.Arguments.end());
    const RunResult run = RunTool(arguments);
    EXPECT_EQ(Console(run), ExpectedConsole(tree.Root(), "", true, call.Dark)) << call.Name;
    EXPECT_EQ(run.Status, 0) << call.Name;
    std::remove(tree.Path("search.html").c_str());
  }
}

TEST(CommandLine, TrailingBackslashesLeaveTheRootPath) {
  TempTree tree;
  const std::string argument = tree.Root() + "\\\\\\";
  const RunResult run = RunTool({argument});
  EXPECT_EQ(Console(run), ExpectedConsole(argument, ""));
  EXPECT_TRUE(Exists(tree.Path("search.html")));
}

TEST(CommandLine, RelativeFoldersStayRelative) {
  TempTree tree;
  tree.File("photos/a.jpg", "x");
  tree.File("--dark/b.png", "y");
  struct Case {
    std::string Folder;
    std::string Extensions;
  };
  for (const Case& c : {Case{"photos", ".jpg "}, Case{"--dark", ".png "}}) {
    const RunResult run = RunTool({c.Folder}, {tree.Root()});
    EXPECT_EQ(Console(run), ExpectedConsole(c.Folder, c.Extensions)) << c.Folder;
    EXPECT_TRUE(Exists(tree.Path(c.Folder + "/search.html"))) << c.Folder;
  }
}

}  // namespace
}  // namespace Testing
