// Seeded random trees, each scanned by the built tool, with its page and
// console checked against the tree itself:
//   - every file that passes the filter is listed exactly once, nothing else;
//   - each row's link, read as a browser reads it, names that file;
//   - each row's text, read as a browser reads it, is the lower-cased name;
//   - the table body holds the rows' own tags and no markup from names;
//   - the rows below any folder stand together (the walk is depth first);
//   - head and tail are the template's, with the folder's title and the date;
//   - the console is exactly the run's lines, with the extension set of the
//     listed files; nothing goes to standard error.
// Each tree is read either one folder at a time or ahead on several threads.
// The same trees are then walked in-process over a scripted copy of them,
// read ahead on threads whose reads finish in a random order, and the page
// and console must equal those of a walk on one thread.
//
// Environment:
//   FINDLET_PROPERTY_TREES=N  how many trees (default 500, 250 in sanitizer
//                             builds; 20000 for a long run)
//   FINDLET_PROPERTY_SEED=S   the first tree's seed (default 1); tree i has
//                             seed S + i; "random" picks S from the clock
// A failing tree reports its seed: FINDLET_PROPERTY_SEED=<seed>
// FINDLET_PROPERTY_TREES=1 checks that tree alone.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/RunDriver.h"
#include "tests/e2e/Console.h"
#include "tests/e2e/Page.h"
#include "tests/property/BrowserReading.h"
#include "tests/property/Random.h"
#include "tests/property/RandomTree.h"
#include "tests/support/RunTool.h"
#include "tests/support/ScriptedHost.h"
#include "tests/support/TempTree.h"
#include "tests/support/VisibleText.h"

#ifndef FINDLET_PROPERTY_DEFAULT_TREES
#define FINDLET_PROPERTY_DEFAULT_TREES 500
#endif

namespace Testing {
namespace {

std::uint64_t Setting(const char* name, std::uint64_t fallback) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return fallback;
  if (std::string(value) == "random") return static_cast<std::uint64_t>(NowSeconds());
  return std::strtoull(value, nullptr, 10);
}

bool IsHelpSwitch(const std::string& argument) {
  return argument == "/?" || argument == "-?" || argument == "--help" || argument == "-help";
}

// The scanned folder's own name. A backslash would make the path name
// another folder.
std::string RootName(Random& random) {
  while (true) {
    std::string name = RandomName(random);
    if (name.size() > 100) name.resize(100);
    if (name.find('\\') != std::string::npos || name == "." || name == ".." || IsHelpSwitch(name)) {
      continue;
    }
    return name;
  }
}

// Filter words: mostly bits of names in the tree, in any case, and now and
// then an empty word, a piece of markup or the dark switch in some case.
std::vector<std::string> Words(Random& random, const ModelTree& tree) {
  std::vector<std::string> words;
  if (random.Percent(40)) {
    for (std::uint64_t n = 1 + random.Below(3); n > 0; --n) {
      const std::uint64_t kind = random.Below(100);
      const ModelFolder& folder = random.Pick(tree.Folders);
      if (kind < 45 && !folder.Entries.empty()) {
        std::string name = random.Pick(folder.Entries).Name;
        const std::size_t at = random.Below(name.size());
        name = name.substr(at, 1 + random.Below(6));
        for (char& c : name) {
          if (c >= 'a' && c <= 'z' && random.Percent(30)) c = static_cast<char>(c - 32);
        }
        words.push_back(name);
      } else if (kind < 60) {
        words.push_back(RandomName(random).substr(0, 1 + random.Below(4)));
      } else if (kind < 70) {
        words.push_back("." + RandomName(random).substr(0, 1));
      } else if (kind < 75) {
        words.push_back("");
      } else if (kind < 85) {
        words.push_back("--darker");
      } else {
        words.push_back("TXT");
      }
    }
  }
  if (random.Percent(25)) {
    const std::vector<std::string> dark = {"--dark", "--DARK", "--Dark", "--dARk"};
    words.insert(words.begin() + static_cast<std::ptrdiff_t>(random.Below(words.size() + 1)),
                 random.Pick(dark));
  }
  return words;
}

struct Row {
  std::string Path;
  std::string Text;
  std::string Kib;
  friend bool operator<(const Row& a, const Row& b) {
    return std::tie(a.Path, a.Text, a.Kib) < std::tie(b.Path, b.Text, b.Kib);
  }
  friend bool operator==(const Row& a, const Row& b) = default;
};

std::string Show(const Row& row) {
  return "path \"" + Visible(row.Path) + "\" text \"" + Visible(row.Text) + "\" " + row.Kib + " KB";
}

struct Counts {
  std::uint64_t Trees = 0;
  std::uint64_t Rows = 0;
  std::uint64_t Entries = 0;
};

class TreeCheck {
 public:
  explicit TreeCheck(std::uint64_t seed) : random_(seed), temp_(MemoryFolder()) {}

  // What was wrong with the tree's page and console; empty when nothing.
  std::string Run(Counts& counts) {
    tree_ = RandomTree(random_);
    rootName_ = RootName(random_);
    const bool relative = random_.Percent(30);
    argument_ = (relative ? rootName_ : temp_.Path(rootName_)) +
                std::string(random_.Percent(20) ? 1 + random_.Below(2) : 0, '\\');
    words_ = Words(random_, tree_);
    for (const ModelFolder& folder : tree_.Folders) counts.Entries += folder.Entries.size();

    const std::string rootPath = temp_.Path(rootName_);
    if (mkdir(rootPath.c_str(), 0755) != 0) return "cannot create the root " + Visible(rootPath);
    try {
      CreateTree(tree_, rootPath);
    } catch (const std::exception& e) {
      return std::string("cannot create the tree: ") + e.what();
    }
    std::vector<std::string> arguments = {argument_};
    arguments.insert(arguments.end(), words_.begin(), words_.end());
    RunOptions options;
    if (relative) options.WorkingFolder = temp_.Root();
    options.TimeoutSeconds = 300;
    options.Environment = {random_.Percent(50) ? "FINDLET_THREADS=1"
                                               : "FINDLET_TEST_THREADS_AFTER_MICROSECONDS=0"};
    const long long before = NowSeconds();
    const RunResult run = RunTool(arguments, options);
    dates_ = PossibleDates(before, NowSeconds());

    if (run.TimedOut || run.Signal != 0 || run.Status != 0) {
      Fail("ended with status " + std::to_string(run.Status) + ", signal " +
           std::to_string(run.Signal) + (run.TimedOut ? ", timed out" : ""));
    }
    if (!run.Err.empty()) Fail("standard error: " + Visible(run.Err.substr(0, 2000)));
    Expect();
    CheckConsole(Console(run));
    const std::size_t rows = CheckPage(ReadFile(rootPath + "/search.html"));
    ++counts.Trees;
    counts.Rows += rows;
    return failures_.str();
  }

  std::string Describe() const {
    std::string text = "argument \"" + Visible(argument_) + "\", words";
    for (const std::string& word : words_) text += " \"" + Visible(word) + "\"";
    return text;
  }

 private:
  void Fail(const std::string& what) { failures_ << "  " << what << "\n"; }

  // Everything the run must give, from the model and the arguments alone.
  void Expect() {
    std::vector<std::string> filters;
    for (const std::string& word : words_) {
      const std::string lower = LowerAscii(word);
      if (lower == "--dark") {
        dark_ = true;
      } else {
        filters.push_back(lower);
      }
    }
    for (const ExpectedFile& file : ExpectedListing(tree_, filters)) {
      expected_.push_back(
          {file.Path, WithVisibleMarks(file.LowerName), std::to_string((file.Size + 1023) / 1024)});
      const std::size_t dot = file.LowerName.rfind('.');
      if (dot != std::string::npos) extensions_.insert(file.LowerName.substr(dot));
    }
    std::sort(expected_.begin(), expected_.end());
    rootText_ = argument_;
    while (!rootText_.empty() && rootText_.back() == '\\') rootText_.pop_back();
    title_ = rootText_.substr(rootText_.rfind('\\') + 1);
    if (!title_.empty() && title_[0] >= 'a' && title_[0] <= 'z') title_[0] -= 32;
  }

  void CheckConsole(const std::string& console) {
    std::string report;
    for (const std::string& extension : extensions_) report += extension + " ";
    const std::string expected = ExpectedConsole(argument_, report, true, dark_);
    if (console == expected) return;
    std::size_t at = 0;
    while (at < console.size() && at < expected.size() && console[at] == expected[at]) ++at;
    const std::size_t from = at < 60 ? 0 : at - 60;
    Fail("console differs at byte " + std::to_string(at) + ":\n    got      \"" +
         Visible(console.substr(from, 160)) + "\"\n    expected \"" +
         Visible(expected.substr(from, 160)) + "\"");
  }

  std::size_t CheckPage(const std::string& page) {
    const PageParts parts = SplitPage(page);
    // The title as the page holds it: the head must be the template with it,
    // it must carry no markup, and it must read as the folder's title.
    const std::string open = "<title>Findlet - ";
    const std::size_t from = parts.Head.find(open);
    const std::size_t to = parts.Head.find("</title>", from);
    const std::string escapedTitle =
        from == std::string::npos || to == std::string::npos
            ? std::string()
            : parts.Head.substr(from + open.size(), to - from - open.size());
    if (parts.Head != ExpectedHead(dark_, escapedTitle) ||
        escapedTitle.find_first_of("<>") != std::string::npos) {
      Fail("the head is not the " + std::string(dark_ ? "dark" : "light") +
           " template with the title \"" + Visible(title_) + "\"");
    }
    std::string shownTitle;
    std::string error;
    if (!DecodeReferences(escapedTitle, shownTitle, error) ||
        shownTitle != WithVisibleMarks(title_)) {
      Fail("the title reads \"" + Visible(shownTitle) + "\" " + error);
    }
    bool tailMatches = false;
    for (const std::string& date : dates_)
      tailMatches = tailMatches || parts.Tail == ExpectedTail(date);
    if (!tailMatches) Fail("the tail is not the template's with the run's date");

    std::vector<PageRow> rows;
    if (!ReadRows(parts.Rows, rows, error)) {
      Fail("the table body is not rows only: " + error);
      return 0;
    }
    if (MarkupOutsideLinks(parts.Rows) != 8 * rows.size()) {
      Fail("markup beyond the rows' own: " + std::to_string(MarkupOutsideLinks(parts.Rows)) +
           " '<' for " + std::to_string(rows.size()) + " rows");
    }
    std::vector<Row> listed;
    for (const PageRow& row : rows) {
      Row read;
      read.Kib = row.Kib;
      if (!LinkedPath(row.Href, read.Path, error)) Fail("link: " + error);
      if (!DecodeReferences(row.Text, read.Text, error)) Fail("text: " + error);
      listed.push_back(std::move(read));
    }
    CheckTogether(listed);
    std::sort(listed.begin(), listed.end());
    CompareRows(listed);
    return rows.size();
  }

  // Depth first: all rows below any one folder form one unbroken run.
  void CheckTogether(const std::vector<Row>& listed) {
    struct Span {
      std::size_t First, Last, Count;
    };
    std::map<std::string, Span> spans;
    for (std::size_t i = 0; i < listed.size(); ++i) {
      const std::string& path = listed[i].Path;
      for (std::size_t slash = path.find('/'); slash != std::string::npos;
           slash = path.find('/', slash + 1)) {
        const auto [it, added] = spans.try_emplace(path.substr(0, slash), Span{i, i, 0});
        it->second.Last = i;
        ++it->second.Count;
      }
    }
    for (const auto& [folder, span] : spans) {
      if (span.Last - span.First + 1 != span.Count) {
        Fail("rows below \"" + Visible(folder) + "\" are not together");
      }
    }
  }

  void CompareRows(const std::vector<Row>& listed) {
    if (listed == expected_) return;
    std::vector<Row> missing;
    std::vector<Row> unexpected;
    std::set_difference(expected_.begin(), expected_.end(), listed.begin(), listed.end(),
                        std::back_inserter(missing));
    std::set_difference(listed.begin(), listed.end(), expected_.begin(), expected_.end(),
                        std::back_inserter(unexpected));
    Fail(std::to_string(listed.size()) + " rows, " + std::to_string(expected_.size()) +
         " expected");
    for (std::size_t i = 0; i < missing.size() && i < 5; ++i) Fail("missing " + Show(missing[i]));
    for (std::size_t i = 0; i < unexpected.size() && i < 5; ++i) {
      Fail("unexpected " + Show(unexpected[i]));
    }
  }

  Random random_;
  TempTree temp_;
  ModelTree tree_;
  std::string rootName_;
  std::string argument_;
  std::vector<std::string> words_;
  bool dark_ = false;
  std::vector<Row> expected_;
  std::set<std::string> extensions_;
  std::string rootText_;
  std::string title_;
  std::vector<std::string> dates_;
  std::ostringstream failures_;
};

TEST(Property, RandomTreesGiveExactlyTheirOwnListing) {
  const std::uint64_t trees = Setting("FINDLET_PROPERTY_TREES", FINDLET_PROPERTY_DEFAULT_TREES);
  const std::uint64_t first = Setting("FINDLET_PROPERTY_SEED", 1);
  Counts counts;
  int failed = 0;
  for (std::uint64_t i = 0; i < trees && failed < 3; ++i) {
    const std::uint64_t seed = first + i;
    TreeCheck check(seed);
    const std::string failures = check.Run(counts);
    if (failures.empty()) continue;
    ++failed;
    RecordProperty("failing_seed_" + std::to_string(failed), std::to_string(seed));
    ADD_FAILURE() << "tree seed " << seed << " (alone: FINDLET_PROPERTY_SEED=" << seed
                  << " FINDLET_PROPERTY_TREES=1), " << check.Describe() << ":\n"
                  << failures;
  }
  RecordProperty("trees_checked", std::to_string(counts.Trees));
  std::cout << "Checked " << counts.Trees << " trees from seed " << first << ": " << counts.Entries
            << " entries, " << counts.Rows << " rows\n";
}

// The model as a scripted file system below C:\Root.
ScriptedFolders Scripted(const ModelTree& tree) {
  ScriptedFolders folders;
  const auto text = [&](std::size_t folder) {
    std::string path = "C:\\Root";
    for (const std::string& name : tree.Folders[folder].Path) path += "\\" + name;
    return path;
  };
  for (std::size_t i = 0; i < tree.Folders.size(); ++i) {
    folders.Identities[text(i)] = {1, i};
    auto& entries = folders.Folders[text(i)].Entries;
    for (const ModelEntry& entry : tree.Folders[i].Entries) {
      switch (entry.Kind) {
        case EntryKind::File:
          entries.push_back(FileEntry(entry.Name, entry.Size));
          break;
        case EntryKind::Folder:
          entries.push_back(FolderEntry(entry.Name));
          break;
        case EntryKind::FileLink:
          entries.push_back(FileEntry(
              entry.Name, tree.Folders[entry.TargetFolder].Entries[entry.TargetEntry].Size));
          break;
        case EntryKind::FolderLink:
          entries.push_back(LinkedFolderEntry(entry.Name));
          folders.Links[text(i) + "\\" + entry.Name] = text(entry.Folder);
          break;
        default:
          entries.push_back(FileEntry(entry.Name));  // a link that leads nowhere
      }
    }
  }
  return folders;
}

struct ScriptedRun {
  std::string Console;
  std::string Page;
};

ScriptedRun RunScripted(const RunState& run, ScriptedFolders& folders) {
  ResetHost(&folders);
  Host().Terminal = true;  // the progress line counts in the walk's order
  Host().MillisecondsPerRead = 700;
  std::ostringstream console;
  std::streambuf* const old = std::cout.rdbuf(console.rdbuf());
  ScanAndWrite(run, folders);
  std::cout.rdbuf(old);
  return {console.str(), Host().Files["C:\\Root\\search.html"]};
}

TEST(Property, ReadAheadFinishingInAnyOrderGivesTheOneThreadRun) {
  const std::uint64_t trees = Setting("FINDLET_PROPERTY_TREES", FINDLET_PROPERTY_DEFAULT_TREES);
  const std::uint64_t first = Setting("FINDLET_PROPERTY_SEED", 1);
  for (std::uint64_t seed = first; seed < first + trees / 4; ++seed) {
    Random random(seed);
    const ModelTree tree = RandomTree(random);
    RunState run;
    run.Walk.RootPath = "C:\\Root";
    for (const std::string& word : Words(random, tree)) {
      if (LowerAscii(word) != "--dark") run.Walk.FilterList.push_back(LowerAscii(word));
    }
    run.LargeListingThreshold = random.Below(2000);
    ScriptedFolders folders = Scripted(tree);
    run.Walk.Threads = 1;
    const ScriptedRun alone = RunScripted(run, folders);

    const std::size_t threads[] = {2, 4, 16, 64};
    run.Walk.Threads = threads[random.Below(4)];
    run.Walk.ThreadsAfter = {};
    run.Walk.FirstThreads = run.Walk.Threads - 1;
    run.Walk.FolderPieceEntries = 1 + random.Below(random.Percent(50) ? 4 : 400);
    run.Walk.ReadAheadBytes = std::size_t{1} << (8 + random.Below(16));
    folders.LeaveAttributes = random.Percent(50);
    folders.JitterSeed = seed;
    const ScriptedRun ahead = RunScripted(run, folders);
    EXPECT_EQ(ahead.Console, alone.Console) << "seed " << seed << ", " << run.Walk.Threads;
    EXPECT_TRUE(ahead.Page == alone.Page) << "seed " << seed << ", " << run.Walk.Threads;
    EXPECT_EQ(folders.OpenListings, 0) << "seed " << seed;
  }
}

}  // namespace
}  // namespace Testing
