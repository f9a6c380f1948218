// The walk's rules on a scripted file system: order, what is skipped or
// entered, failures part way, links that lead back, and large folders read in
// pieces, each read on the walk's own thread and read ahead on others.
#include <gtest/gtest.h>

#include <time.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "io/FolderWalk.h"
#include "io/ListingData.h"
#include "tests/e2e/Page.h"
#include "tests/support/ScriptedFolders.h"

namespace Testing {
namespace {

using Extensions = std::set<std::string, std::less<>>;

// The ways the walk can read: on its own thread, or with other threads
// reading ahead in small pieces, attributes left to complete, and a small
// bound on what it holds.
std::vector<IO::WalkOptions> Ways() {
  IO::WalkOptions alone;
  alone.Threads = 1;
  IO::WalkOptions ahead;
  ahead.Threads = 8;
  ahead.ThreadsAfter = {};
  ahead.FirstThreads = 7;
  ahead.FolderPieceEntries = 2;
  ahead.ReadAheadBytes = 2048;
  return {alone, ahead};
}

class FolderWalk : public ::testing::Test {
 protected:
  ScriptedFolder& Folder(const std::string& text) { return folders_.Folders[text]; }

  // Walks each way; every way must give the same listing.
  IO::Listing Walk(const std::string& root = "C:\\Root",
                   const std::vector<std::string>& filters = {}) {
    IO::Listing first;
    bool leave = false;
    for (IO::WalkOptions options : Ways()) {
      options.RootPath = root;
      options.FilterList = filters;
      folders_.LeaveAttributes = leave;
      leave = !leave;
      IO::Listing listing = IO::BuildListing(options, folders_);
      EXPECT_EQ(folders_.OpenListings, 0) << options.Threads;
      if (options.Threads == 1) {
        first = std::move(listing);
        continue;
      }
      EXPECT_EQ(listing.ListingData.View(), first.ListingData.View());
      EXPECT_EQ(listing.ExtensionSet, first.ExtensionSet);
      EXPECT_EQ(listing.ListedFiles, first.ListedFiles);
    }
    return first;
  }

  std::vector<std::string> Links(const std::string& root = "C:\\Root",
                                 const std::vector<std::string>& filters = {}) {
    return RowLinks(IO::TableRows(Walk(root, filters).ListingData.View()));
  }

  ScriptedFolders folders_;
};

TEST_F(FolderWalk, EntersSubFoldersAtTheirPlaceInThePlatformsOrder) {
  Folder("C:\\Root").Entries = {FolderEntry("."),   FolderEntry(".."),  FileEntry("z.txt"),
                                FolderEntry("sub"), FileEntry("a.txt"), FolderEntry("Empty")};
  Folder("C:\\Root\\sub").Entries = {FolderEntry("."), FileEntry("m.txt"), FolderEntry("deep"),
                                     FileEntry("b.txt")};
  Folder("C:\\Root\\sub\\deep").Entries = {FileEntry("d.txt")};
  Folder("C:\\Root\\Empty").Entries = {FolderEntry("."), FolderEntry("..")};
  // No thread of the walk outlives it (after a first walk, which may start a
  // sanitizer's own).
  const auto threads = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"), {});
  };
  Walk();
  const auto before = threads();
  EXPECT_EQ(Links(), (std::vector<std::string>{".\\z.txt", ".\\sub\\m.txt", ".\\sub\\deep\\d.txt",
                                               ".\\sub\\b.txt", ".\\a.txt"}));
  EXPECT_EQ(threads(), before);
}

TEST_F(FolderWalk, SkipsDotFoldersButListsDotFilesAndHiddenFolders) {
  Folder("C:\\Root").Entries = {FolderEntry(".git"), FileEntry(".gitignore"), FolderEntry("Hidden"),
                                FileEntry("h.txt")};
  Folder("C:\\Root\\.git").Entries = {FileEntry("config")};
  Folder("C:\\Root\\Hidden").Entries = {FileEntry("in.txt")};
  EXPECT_EQ(Links(), (std::vector<std::string>{".\\.gitignore", ".\\Hidden\\in.txt", ".\\h.txt"}));
  for (const std::string& opened : folders_.Opened) {
    EXPECT_EQ(opened.find(".git"), std::string::npos) << opened;
  }
}

TEST_F(FolderWalk, FailuresLeaveOutOnlyWhatCouldNotBeRead) {
  Folder("C:\\Root").Entries = {FolderEntry("locked"), FolderEntry("cut"), FileEntry("after.txt")};
  // "locked" is not in the script: it cannot be enumerated.
  Folder("C:\\Root\\cut").Entries = {FileEntry("1.txt"), FileEntry("2.txt"), FileEntry("3.txt")};
  Folder("C:\\Root\\cut").FailAfter = 2;
  EXPECT_EQ(Links(), (std::vector<std::string>{".\\cut\\1.txt", ".\\cut\\2.txt", ".\\after.txt"}));
  // Nor can the root here: no rows, no extensions.
  const IO::Listing nowhere = Walk("C:\\Nowhere");
  EXPECT_EQ(nowhere.ListingData.Size(), 0u);
  EXPECT_TRUE(nowhere.ExtensionSet.empty());
}

TEST_F(FolderWalk, FolderTextsFollowTheRootPathAsGiven) {
  struct Case {
    std::string Root;
    std::string Opened;
  };
  for (const Case& c :
       {Case{"", ""}, Case{"photos", "photos"}, Case{"\\\\nas\\movies", "\\\\nas\\movies"}}) {
    folders_ = ScriptedFolders();
    Folder(c.Root).Entries = {FileEntry("f.txt")};
    EXPECT_EQ(Links(c.Root), std::vector<std::string>{".\\f.txt"}) << c.Root;
    EXPECT_EQ(folders_.Opened, std::vector<std::string>(Ways().size(), c.Opened)) << c.Root;
  }
}

TEST_F(FolderWalk, LinkedFoldersAreEnteredUnlessTheyLeadBack) {
  Folder("C:\\Root").Entries = {LinkedFolderEntry("elsewhere"), FolderEntry("a")};
  Folder("C:\\Root\\elsewhere").Entries = {FileEntry("far.txt")};
  Folder("C:\\Root\\a").Entries = {LinkedFolderEntry("up"), LinkedFolderEntry("self"),
                                   LinkedFolderEntry("unknown"), FileEntry("a.txt")};
  folders_.Links = {{"C:\\Root\\a\\up", "C:\\Root"}, {"C:\\Root\\a\\self", "C:\\Root\\a"}};
  Folder("C:\\Root\\a\\unknown").Entries = {FileEntry("again.txt")};
  folders_.Identities = {
      {"C:\\Root", {1, 100}}, {"C:\\Root\\elsewhere", {2, 7}}, {"C:\\Root\\a", {1, 200}}};
  EXPECT_EQ(Links(), (std::vector<std::string>{".\\elsewhere\\far.txt", ".\\a\\a.txt"}));
}

TEST_F(FolderWalk, FolderNamesWithBackslashesAreLeftOut) {
  Folder("C:\\Root").Entries = {FolderEntry("a\\b"), FileEntry("c\\d.txt")};
  Folder("C:\\Root\\a\\b").Entries = {FileEntry("wrong.txt")};
  EXPECT_EQ(Links(), std::vector<std::string>{".\\c\\d.txt"});
}

TEST_F(FolderWalk, FilterAndExtensionsUseTheLowerCasedName) {
  Folder("C:\\Root").Entries = {FileEntry("PHOTO.JPG"), FileEntry("x.PNG.bak"), FileEntry("y.gif"),
                                FileEntry("Photo"), FileEntry("z.Png")};
  EXPECT_EQ(Links("C:\\Root", {"photo", ".png"}),
            (std::vector<std::string>{".\\PHOTO.JPG", ".\\x.PNG.bak", ".\\Photo", ".\\z.Png"}));
  EXPECT_EQ(Walk("C:\\Root", {"photo", ".png"}).ExtensionSet, (Extensions{".bak", ".jpg", ".png"}));
}

TEST_F(FolderWalk, DataNamesEachFolderOnceAndTurnsBackToItByNumber) {
  // Files of the root come before and after a sub-folder.
  Folder("C:\\Root").Entries = {FileEntry("a.txt"), FolderEntry("Sub #1"), FileEntry("B.txt")};
  Folder("C:\\Root\\Sub #1").Entries = {FileEntry("c.txt"), FolderEntry("deep")};
  Folder("C:\\Root\\Sub #1\\deep").Entries = {FileEntry("d.txt")};
  const IO::Listing listing = Walk();
  EXPECT_EQ(listing.ListedFiles, 4u);
  EXPECT_EQ(listing.ListingData.Text(),
            ">\na.txt>>0\n>\\Sub %231\nc.txt>>0\n>\\Sub %231\\deep\nd.txt>>0\n>0\nB.txt>>0\n");
}

TEST_F(FolderWalk, LargeFoldersBreakTheDataIntoElementsBetweenRecords) {
  auto& entries = Folder("C:\\Root").Entries;
  for (int i = 0; i < 20000; ++i) {
    entries.push_back(FileEntry("file " + std::to_string(i) + ".txt"));
    if (i % 5000 == 0) entries.push_back(FolderEntry("sub" + std::to_string(i)));
  }
  for (int i = 0; i < 20000; i += 5000) {
    Folder("C:\\Root\\sub" + std::to_string(i)).Entries = {FileEntry("in.txt")};
  }
  const std::string data = Walk().ListingData.Text();
  const std::string breakText = std::string(IO::DataClose) + std::string(IO::DataOpen);
  std::size_t breaks = 0;
  std::size_t last = 0;
  for (std::size_t at = data.find(breakText); at != std::string::npos;
       at = data.find(breakText, at + 1)) {
    ++breaks;
    EXPECT_EQ(data[at - 1], '\n');  // a whole record before each break
    EXPECT_GE(at - last, IO::DataChunkBytes);
    last = at + breakText.size();
  }
  EXPECT_EQ(breaks, data.size() / (IO::DataChunkBytes + breakText.size()));
  EXPECT_EQ(RowLinks(IO::TableRows(data)).size(), 20004u);
}

// Many reads stay in flight on a slow share: when the walk's own path holds
// more than the bound (one folder of many long-named sub-folders), and when
// the bound filled once while the walk waited on one slow folder and frees
// again as it goes on.
TEST(ReadAhead, KeepsManyReadsInFlight) {
  struct Case {
    std::size_t NameLength;
    std::chrono::milliseconds FirstFolderWait;
  };
  for (const Case& c : {Case{200, {}}, Case{10, std::chrono::milliseconds(300)}}) {
    ScriptedFolders folders;
    auto& root = folders.Folders["C:\\Root"].Entries;
    root.push_back(FolderEntry("first"));
    folders.Folders["C:\\Root\\first"].Entries = {FileEntry("f.txt")};
    for (int i = 0; i < 600; ++i) {
      std::string name = std::to_string(i).append(c.NameLength, 'n');
      root.push_back(FolderEntry(name));
      folders.Folders[std::string("C:\\Root\\").append(name)].Entries = {FileEntry("in.txt", 7)};
    }
    if (c.FirstFolderWait.count() > 0)
      folders.Failures.FolderWaits["C:\\Root\\first"] = c.FirstFolderWait;
    folders.Failures.ReadWait = std::chrono::milliseconds(5);
    IO::WalkOptions options;
    options.RootPath = "C:\\Root";
    options.Threads = 16;
    options.ThreadsAfter = {};
    options.ReadAheadBytes = 16 << 10;
    EXPECT_EQ(IO::BuildListing(options, folders).ListedFiles, 601u);
    EXPECT_GE(folders.MostReadsAtOnce, 8) << c.NameLength;
  }
}

// The walk's thread sleeps while another learns the entries it waits for:
// two threads over folders whose every stat is slow use next to no
// processor time.
TEST(ReadAhead, WaitsWithoutSpinning) {
  ScriptedFolders folders;
  for (int i = 0; i < 40; ++i) {
    const std::string name = std::string("d").append(std::to_string(i));
    folders.Folders["C:\\Root"].Entries.push_back(FolderEntry(name));
    folders.Folders[std::string("C:\\Root\\").append(name)].Entries = {FileEntry("one.txt", 1)};
  }
  folders.LeaveAttributes = true;
  folders.Failures.DetailsWait = std::chrono::milliseconds(20);
  IO::WalkOptions options;
  options.RootPath = "C:\\Root";
  options.Threads = 2;
  options.ThreadsAfter = {};
  const auto cpu = [] {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
  };
  const auto cpuBefore = cpu();
  const auto wallBefore = std::chrono::steady_clock::now();
  EXPECT_EQ(IO::BuildListing(options, folders).ListedFiles, 40u);
  EXPECT_LT(cpu() - cpuBefore, (std::chrono::steady_clock::now() - wallBefore) / 4);
}

// Failures on reading threads, and opens refused for lack of handles, leave
// the walk's thread to read what remains: the same listing as one thread.
TEST(ReadAhead, FailuresOnReadingThreadsKeepTheListing) {
  ScriptedFolders folders;
  for (int i = 0; i < 30; ++i) {
    const std::string name = std::string("d").append(std::to_string(i));
    const std::string sub = std::string("C:\\Root\\").append(name);
    folders.Folders["C:\\Root"].Entries.push_back(FolderEntry(name));
    folders.Folders["C:\\Root"].Entries.push_back(FileEntry(std::string("f").append(name), i));
    folders.Folders[sub].Entries = {FileEntry("a", 1), FolderEntry("e"), FileEntry("b", 2)};
    folders.Folders[std::string(sub).append("\\e")].Entries = {FileEntry("c", 3)};
  }
  IO::WalkOptions options;
  options.RootPath = "C:\\Root";
  options.Threads = 1;
  const std::string alone = IO::BuildListing(options, folders).ListingData.Text();
  options.Threads = 8;
  options.ThreadsAfter = {};
  options.FirstThreads = 7;
  options.FolderPieceEntries = 2;
  // The last case fails late, while folders read ahead hold every handle
  // left: the walk closes those to open what it needs.
  for (int failure = 0; failure < 5; ++failure) {
    folders.LeaveAttributes = true;
    folders.JitterSeed = 1 + failure;
    folders.Failures = ScriptedFailures{};
    folders.Thrown = 0;
    folders.Failures.ThrowOnOpen = failure == 0;
    folders.Failures.ThrowOnNext = failure == 1;
    folders.Failures.ThrowOnDetails = failure == 2;
    folders.Failures.HandleLimit = failure == 3 ? 3 : failure == 4 ? 5 : -1;
    if (failure == 4) {
      folders.Failures.ReadWait = std::chrono::milliseconds(2);
      folders.Failures.ThrowOnDetailsIn = "C:\\Root\\d10";
      folders.Failures.FolderWaits[folders.Failures.ThrowOnDetailsIn] =
          std::chrono::milliseconds(60);
    }
    EXPECT_EQ(IO::BuildListing(options, folders).ListingData.Text(), alone) << failure;
    EXPECT_EQ(folders.Thrown > 0, failure != 3) << failure;
    EXPECT_EQ(folders.OpenListings, 0) << failure;
  }
}

// An open refused for lack of handles on a reading thread, while the walk's
// thread waits for that very folder, must wake the walk to read it itself:
// handles held elsewhere in the process free up without any folder of the
// walk being closed. Every open on a reading thread is refused here, slowly,
// so that the walk comes to wait on a folder whose open is under way.
TEST(ReadAhead, OpensRefusedOnReadingThreadsWakeTheWalk) {
  class RefusingOpens final : public Platform::FolderSource {
   public:
    explicit RefusingOpens(ScriptedFolders& script) : script_(script) {}
    bool IsFolder(std::string_view path) override { return script_.IsFolder(path); }
    Platform::OpenResult Open(std::string_view folderText,
                              std::unique_ptr<Platform::FolderListing>& listing) override {
      if (std::this_thread::get_id() == walk_) return script_.Open(folderText, listing);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      return Platform::OpenResult::NoHandles;
    }
    std::optional<Platform::FolderIdentity> Identity(std::string_view folderText) override {
      return script_.Identity(folderText);
    }

   private:
    ScriptedFolders& script_;
    std::thread::id walk_ = std::this_thread::get_id();
  };
  ScriptedFolders folders;
  for (int i = 0; i < 100; ++i) {
    const std::string name = std::string("d").append(std::to_string(i));
    folders.Folders["C:\\Root"].Entries.push_back(FolderEntry(name));
    folders.Folders[std::string("C:\\Root\\").append(name)].Entries = {FileEntry("in.txt", 1)};
  }
  RefusingOpens refusing(folders);
  IO::WalkOptions options;
  options.RootPath = "C:\\Root";
  options.Threads = 2;
  options.ThreadsAfter = {};
  // A walk that hangs fails here rather than at the test run's time limit.
  std::jthread watchdog([](std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock<std::mutex> lock(mutex);
    if (!never.wait_for(lock, stop, std::chrono::seconds(30), [] { return false; }) &&
        !stop.stop_requested()) {
      std::fputs("the walk hangs\n", stderr);
      std::abort();
    }
  });
  EXPECT_EQ(IO::BuildListing(options, refusing).ListedFiles, 100u);
  EXPECT_EQ(folders.OpenListings, 0);
}

}  // namespace
}  // namespace Testing
