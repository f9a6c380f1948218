// Whole runs over a scripted file system that changes while the walk is on:
// folders removed or replaced between being listed and being opened, or
// while they are listed, and enumerations that stop part way. A real file
// system can't be made to do this at a chosen moment. Every run must end
// with a page of what could be read, or with the failure message, and with
// every enumeration and file closed.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/RunDriver.h"
#include "app/RunState.h"
#include "tests/e2e/Page.h"
#include "tests/support/ScriptedPlatform.h"

namespace Testing {
namespace {

constexpr const char* Root = "C:\\Root";
constexpr const char* PagePath = "C:\\Root\\search.html";

struct Outcome {
  int Status = -1;
  std::string Console;
};

class ScriptedRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetScript();
    RootPath.clear();
    FilterList.clear();
    DarkTheme = false;
    RowBuffer.Clear();
    ExtensionSet.clear();
  }

  static ScriptedFolder& Folder(const std::string& text) { return CurrentScript().Folders[text]; }

  static Outcome Run() {
    std::ostringstream console;
    std::streambuf* const old = std::cout.rdbuf(console.rdbuf());
    std::vector<std::string> words = {"findlet", Root};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    Outcome outcome;
    outcome.Status = RunFindlet(static_cast<int>(words.size()), argv.data());
    std::cout.rdbuf(old);
    outcome.Console = console.str();
    return outcome;
  }

  // The link of each row of the written page, in page order.
  static std::vector<std::string> PageLinks() {
    std::vector<std::string> links;
    const std::string rows = SplitPage(CurrentScript().Files[PagePath]).Rows;
    for (std::size_t at = rows.find("href=\"."); at != std::string::npos;
         at = rows.find("href=\".", at + 1)) {
      links.push_back(rows.substr(at + 7, rows.find('"', at + 7) - at - 7));
    }
    return links;
  }

  static std::string Console(const std::string& extensions, bool written) {
    std::string text = std::string("Findlet 1.2 - Findlet is a web search page generator with ") +
                       "your files\n\nPath to scan: " + Root +
                       "\n\nFile extensions exported: " + extensions + "\n\n";
    if (written) return text + "Output filepath: " + PagePath + "\n\n";
    return text + "*** Can't output file ***\n\nOutput filepath failed: " + PagePath + "\n\n";
  }

  static void ExpectAllClosed() {
    EXPECT_EQ(CurrentScript().OpenFinds, 0);
    EXPECT_EQ(CurrentScript().OpenFiles, 0);
  }
};

// The tree every case starts from; each case changes it once, when a chosen
// folder is about to be opened.
void StandardTree() {
  CurrentScript().Folders[Root].Entries = {FileEntry("first.txt"), FolderEntry("a"),
                                           FileEntry("middle.md"), FolderEntry("b"),
                                           FileEntry("last.txt")};
  CurrentScript().Folders["C:\\Root\\a"].Entries = {FileEntry("a1.txt"), FolderEntry("deep"),
                                                    FileEntry("a2.txt")};
  CurrentScript().Folders["C:\\Root\\a\\deep"].Entries = {FileEntry("d.jpg")};
  CurrentScript().Folders["C:\\Root\\b"].Entries = {FileEntry("b.txt")};
}

void Remove(const std::string& folderText) {
  auto& folders = CurrentScript().Folders;
  for (auto it = folders.begin(); it != folders.end();) {
    const bool below = it->first == folderText || it->first.starts_with(folderText + "\\");
    it = below ? folders.erase(it) : std::next(it);
  }
}

TEST_F(ScriptedRun, TreeChangedDuringTheWalkListsWhatCouldStillBeRead) {
  struct Case {
    std::string Name;
    std::string When;  // the folder about to be opened
    std::function<void()> Change;
    std::vector<std::string> Links;
    std::string Extensions;
  };
  const std::vector<Case> cases = {
      {"sub-folder removed after it was listed",
       "C:\\Root\\a",
       [] { Remove("C:\\Root\\a"); },
       {"\\first.txt", "\\middle.md", "\\b\\b.txt", "\\last.txt"},
       ".md .txt "},
      {"folder being listed removed when its sub-folder is opened",
       "C:\\Root\\a\\deep",
       [] { Remove("C:\\Root\\a"); },
       {"\\first.txt", "\\a\\a1.txt", "\\middle.md", "\\b\\b.txt", "\\last.txt"},
       ".md .txt "},
      {"sub-folder replaced by another one",
       "C:\\Root\\b",
       [] {
         Folder("C:\\Root\\b").Entries = {FileEntry("new.PNG"), FileEntry("newer.png")};
       },
       {"\\first.txt", "\\a\\a1.txt", "\\a\\deep\\d.jpg", "\\a\\a2.txt", "\\middle.md",
        "\\b\\new.PNG", "\\b\\newer.png", "\\last.txt"},
       ".jpg .md .png .txt "},
      {"folder being listed shrinks below the position reached",
       "C:\\Root\\a",
       [] { Folder(Root).Entries.resize(1); },
       {"\\first.txt", "\\a\\a1.txt", "\\a\\deep\\d.jpg", "\\a\\a2.txt"},
       ".jpg .txt "},
  };
  for (const Case& c : cases) {
    ResetScript();
    ExtensionSet.clear();
    StandardTree();
    bool changed = false;
    CurrentScript().OnOpenFolder = [&](const std::string& folder) {
      if (folder == c.When && !changed) {
        changed = true;
        c.Change();
      }
    };
    const Outcome outcome = Run();
    EXPECT_TRUE(changed) << c.Name;
    EXPECT_EQ(outcome.Status, 0) << c.Name;
    EXPECT_EQ(outcome.Console, Console(c.Extensions, true)) << c.Name;
    EXPECT_EQ(PageLinks(), c.Links) << c.Name;
    ExpectAllClosed();
  }
}

TEST_F(ScriptedRun, RootRemovedDuringTheWalkFailsToWriteThePage) {
  struct Case {
    std::string Name;
    std::string When;
    std::string Extensions;  // of what was listed before the root went
  };
  for (const Case& c : {Case{"before it is opened", Root, ""},
                        Case{"while it is listed", "C:\\Root\\a\\deep", ".txt "}}) {
    ResetScript();
    ExtensionSet.clear();
    StandardTree();
    CurrentScript().OnOpenFolder = [&](const std::string& folder) {
      if (folder == c.When) Remove(Root);
    };
    const Outcome outcome = Run();
    EXPECT_EQ(outcome.Status, 0) << c.Name;
    EXPECT_EQ(outcome.Console, Console(c.Extensions, false)) << c.Name;
    EXPECT_TRUE(CurrentScript().Files.empty()) << c.Name;
    ExpectAllClosed();
  }
}

TEST_F(ScriptedRun, FolderReplacedByALinkBackUpIsWalkedOnceAndTheRunEnds) {
  // "a" was listed as a plain folder; by the time it is opened it has become
  // a link to the root, whose listing now shows "a" as a link.
  Folder(Root).Entries = {FileEntry("top.txt"), FolderEntry("a")};
  Folder("C:\\Root\\a").Entries = {FileEntry("a.txt")};
  CurrentScript().Identities = {{Root, {1, 1}}, {"C:\\Root\\a", {1, 2}}};
  CurrentScript().OnOpenFolder = [](const std::string& folder) {
    if (folder != "C:\\Root\\a") return;
    Folder(folder).Entries = {FileEntry("top.txt"), LinkedFolderEntry("a")};
    Folder(Root).Entries = Folder(folder).Entries;
    Folder("C:\\Root\\a\\a").Entries = Folder(folder).Entries;
    CurrentScript().Identities = {
        {Root, {1, 1}}, {"C:\\Root\\a", {1, 1}}, {"C:\\Root\\a\\a", {1, 1}}};
  };
  const Outcome outcome = Run();
  EXPECT_EQ(outcome.Console, Console(".txt ", true));
  EXPECT_EQ(PageLinks(), (std::vector<std::string>{"\\top.txt", "\\a\\top.txt"}));
  ExpectAllClosed();
}

TEST_F(ScriptedRun, EnumerationsStoppingPartWayKeepTheRowsBefore) {
  StandardTree();
  Folder(Root).FailAfter = 4;           // "b" is the last entry delivered
  Folder("C:\\Root\\a").FailAfter = 1;  // only "a1.txt"
  const Outcome outcome = Run();
  EXPECT_EQ(outcome.Console, Console(".md .txt ", true));
  EXPECT_EQ(PageLinks(),
            (std::vector<std::string>{"\\first.txt", "\\a\\a1.txt", "\\middle.md", "\\b\\b.txt"}));
  ExpectAllClosed();
}

TEST_F(ScriptedRun, PageDeclaresTheEncodingOfItsNames) {
  // A Windows whose code page is not UTF-8 writes the page as it always was,
  // names in its ANSI code page as they are; where names are UTF-8 the page
  // says so, its search compares NFC, and links escape the bytes above 0x7F.
  struct Case {
    bool Utf8;
    std::string Name;
    std::string Link;
  };
  for (const Case& c : {Case{false, "Caf\xE9.txt", "\\Caf\xE9.txt"},
                        Case{true, "Caf\xC3\xA9.txt", "\\Caf%C3%A9.txt"}}) {
    ResetScript();
    ExtensionSet.clear();
    CurrentScript().Utf8 = c.Utf8;
    Folder(Root).Entries = {FileEntry(c.Name)};
    Run();
    std::string name = c.Name;
    name[0] = 'c';
    EXPECT_EQ(CurrentScript().Files[PagePath], ExpectedHead(false, "Root", c.Utf8) +
                                                   Row(c.Link, name, "0") + "\n" +
                                                   ExpectedTail("unknown time\n", c.Utf8))
        << c.Utf8;
  }
}

TEST_F(ScriptedRun, LongWalkOnATerminalShowsProgressClearedBeforeTheReport) {
  // The walk reports after every 256th entry; with the clock a second on at
  // each reading, each of its two reports is shown. Entry 256 is the 255th
  // file in "Sub", entry 512 the 110th file in the root.
  Folder(Root).Entries = {FolderEntry("Sub")};
  for (int i = 0; i < 200; ++i) {
    Folder(Root).Entries.push_back(FileEntry(std::to_string(i) + ".txt"));
  }
  for (int i = 0; i < 400; ++i) {
    Folder("C:\\Root\\Sub").Entries.push_back(FileEntry(std::to_string(i) + ".txt"));
  }
  const std::string first = "Scanning: 254 files in 2 folders - .\\Sub";
  const std::string second = "Scanning: 510 files in 2 folders - .";
  const std::string progress = std::string("\r") + first + std::string("\r") + second +
                               std::string(4, ' ') + "\r" + std::string(second.size(), ' ') + "\r";
  std::string onTerminal = Console(".txt ", true);
  onTerminal.insert(onTerminal.find("File extensions"), progress);
  for (const bool terminal : {true, false}) {
    CurrentScript().Terminal = terminal;
    CurrentScript().Milliseconds = 0;
    CurrentScript().MillisecondsPerRead = 1000;
    EXPECT_EQ(Run().Console, terminal ? onTerminal : Console(".txt ", true)) << terminal;
    EXPECT_EQ(PageLinks().size(), 600u);
  }
}

}  // namespace
}  // namespace Testing
