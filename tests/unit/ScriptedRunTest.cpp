// Whole runs over a scripted file system that changes while the walk is on:
// folders removed or replaced between being listed and being opened, or
// while they are listed, and enumerations that stop part way. A real file
// system can't be made to do this at a chosen moment. Every run must end
// with a page of what could be read, or with the failure message, and with
// every enumeration and file closed. The walk reads one folder at a time,
// an entry at a time, so that each change comes at a known point of it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/RunDriver.h"
#include "tests/e2e/Page.h"
#include "tests/support/ExpectedConsole.h"
#include "tests/support/ScriptedHost.h"

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
    setenv("FINDLET_THREADS", "1", 1);
    setenv("FINDLET_TEST_FOLDER_PIECE_ENTRIES", "1", 1);
    Reset();
  }
  void TearDown() override {
    unsetenv("FINDLET_THREADS");
    unsetenv("FINDLET_TEST_FOLDER_PIECE_ENTRIES");
  }

  void Reset() {
    folders_ = ScriptedFolders();
    ResetHost(&folders_);
  }

  ScriptedFolder& Folder(const std::string& text) { return folders_.Folders[text]; }

  Outcome Run() {
    std::ostringstream console;
    std::streambuf* const old = std::cout.rdbuf(console.rdbuf());
    std::vector<std::string> words = {"findlet", Root};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    Outcome outcome;
    outcome.Status = RunFindlet(static_cast<int>(words.size()), argv.data(), folders_);
    std::cout.rdbuf(old);
    outcome.Console = console.str();
    return outcome;
  }

  static std::vector<std::string> PageLinks() { return RowLinks(Host().Files[PagePath]); }

  static std::string Console(const std::string& extensions, bool written) {
    return ExpectedConsole(Root, extensions, written);
  }

  void ExpectAllClosed() {
    EXPECT_EQ(folders_.OpenListings, 0);
    EXPECT_EQ(Host().OpenFiles, 0);
  }

  // The tree every case starts from; each case changes it once, when a
  // chosen folder is about to be opened.
  void StandardTree() {
    Folder(Root).Entries = {FileEntry("first.txt"), FolderEntry("a"), FileEntry("middle.md"),
                            FolderEntry("b"), FileEntry("last.txt")};
    Folder("C:\\Root\\a").Entries = {FileEntry("a1.txt"), FolderEntry("deep"), FileEntry("a2.txt")};
    Folder("C:\\Root\\a\\deep").Entries = {FileEntry("d.jpg")};
    Folder("C:\\Root\\b").Entries = {FileEntry("b.txt")};
  }

  void Remove(const std::string& folderText) {
    auto& folders = folders_.Folders;
    for (auto it = folders.begin(); it != folders.end();) {
      const bool below = it->first == folderText || it->first.starts_with(folderText + "\\");
      it = below ? folders.erase(it) : std::next(it);
    }
  }

  ScriptedFolders folders_;
};

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
       [this] { Remove("C:\\Root\\a"); },
       {".\\first.txt", ".\\middle.md", ".\\b\\b.txt", ".\\last.txt"},
       ".md .txt "},
      {"folder being listed removed when its sub-folder is opened",
       "C:\\Root\\a\\deep",
       [this] { Remove("C:\\Root\\a"); },
       {".\\first.txt", ".\\a\\a1.txt", ".\\middle.md", ".\\b\\b.txt", ".\\last.txt"},
       ".md .txt "},
      {"sub-folder replaced by another one",
       "C:\\Root\\b",
       [this] {
         Folder("C:\\Root\\b").Entries = {FileEntry("new.PNG"), FileEntry("newer.png")};
       },
       {".\\first.txt", ".\\a\\a1.txt", ".\\a\\deep\\d.jpg", ".\\a\\a2.txt", ".\\middle.md",
        ".\\b\\new.PNG", ".\\b\\newer.png", ".\\last.txt"},
       ".jpg .md .png .txt "},
      {"folder being listed shrinks below the position reached",
       "C:\\Root\\a",
       [this] { Folder(Root).Entries.resize(1); },
       {".\\first.txt", ".\\a\\a1.txt", ".\\a\\deep\\d.jpg", ".\\a\\a2.txt"},
       ".jpg .txt "},
  };
  for (const Case& c : cases) {
    Reset();
    StandardTree();
    bool changed = false;
    folders_.OnOpenFolder = [&](const std::string& folder) {
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
    Reset();
    StandardTree();
    folders_.OnOpenFolder = [&](const std::string& folder) {
      if (folder == c.When) Remove(Root);
    };
    const Outcome outcome = Run();
    EXPECT_EQ(outcome.Status, 0) << c.Name;
    EXPECT_EQ(outcome.Console, Console(c.Extensions, false)) << c.Name;
    EXPECT_TRUE(Host().Files.empty()) << c.Name;
    ExpectAllClosed();
  }
}

TEST_F(ScriptedRun, FolderReplacedByALinkBackUpIsWalkedOnceAndTheRunEnds) {
  // "a" was listed as a plain folder; by the time it is opened it has become
  // a link to the root, whose listing now shows "a" as a link.
  Folder(Root).Entries = {FileEntry("top.txt"), FolderEntry("a")};
  Folder("C:\\Root\\a").Entries = {FileEntry("a.txt")};
  folders_.Identities = {{Root, {1, 1}}, {"C:\\Root\\a", {1, 2}}};
  folders_.OnOpenFolder = [this](const std::string& folder) {
    if (folder != "C:\\Root\\a") return;
    Folder(folder).Entries = {FileEntry("top.txt"), LinkedFolderEntry("a")};
    Folder(Root).Entries = Folder(folder).Entries;
    Folder("C:\\Root\\a\\a").Entries = Folder(folder).Entries;
    folders_.Identities = {{Root, {1, 1}}, {"C:\\Root\\a", {1, 1}}, {"C:\\Root\\a\\a", {1, 1}}};
  };
  const Outcome outcome = Run();
  EXPECT_EQ(outcome.Console, Console(".txt ", true));
  EXPECT_EQ(PageLinks(), (std::vector<std::string>{".\\top.txt", ".\\a\\top.txt"}));
  ExpectAllClosed();
}

TEST_F(ScriptedRun, EnumerationsStoppingPartWayKeepTheRowsBefore) {
  StandardTree();
  Folder(Root).FailAfter = 4;           // "b" is the last entry delivered
  Folder("C:\\Root\\a").FailAfter = 1;  // only "a1.txt"
  const Outcome outcome = Run();
  EXPECT_EQ(outcome.Console, Console(".md .txt ", true));
  EXPECT_EQ(PageLinks(), (std::vector<std::string>{".\\first.txt", ".\\a\\a1.txt", ".\\middle.md",
                                                   ".\\b\\b.txt"}));
  ExpectAllClosed();
}

TEST_F(ScriptedRun, PageDeclaresTheEncodingOfItsNames) {
  // Names are UTF-8: the page says so, its search compares NFC, and links
  // escape the bytes above 0x7F.
  Folder(Root).Entries = {FileEntry("Caf\xC3\xA9.txt")};
  Run();
  EXPECT_EQ(Host().Files[PagePath], ExpectedHead(false, "Root") +
                                        Row("\\Caf%C3%A9.txt", "caf\xC3\xA9.txt", "0") + "\n" +
                                        ExpectedTail("unknown time\n"));
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
    Host().Terminal = terminal;
    Host().Milliseconds = 0;
    Host().MillisecondsPerRead = 1000;
    EXPECT_EQ(Run().Console, terminal ? onTerminal : Console(".txt ", true)) << terminal;
    EXPECT_EQ(PageLinks().size(), 600u);
  }
}

}  // namespace
}  // namespace Testing
