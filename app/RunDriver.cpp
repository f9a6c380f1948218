#include "app/RunDriver.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "app/PageOutput.h"
#include "app/RunState.h"
#include "app/SearchPage.h"
#include "io/ErrorReport.h"
#include "io/FolderWalk.h"
#include "io/Progress.h"
#include "io/TextForms.h"

namespace {

constexpr const char* HelpSwitches[] = {"/?", "-?", "--help", "-help"};
constexpr const char* DarkSwitch = "--dark";
// Followed by the page's path, in one argument; the last one given counts.
constexpr std::string_view OutputSwitch = "--output=";

constexpr const char* ExamplesBlock =
    "[Examples]\n"
    "- To scan a local folder:\n"
    "findlet C:\\YourPictures\n\n"
    "- To scan a network folder (e.g another computer, NAS):\n"
    "findlet \\\\YourNAS\\Movies\n\n"
    "- Adding a filter (it will only include files that contain .png, .jpg, .bmp, .webp)\n"
    "findlet C:\\YourPictures .png .jpg .bmp .webp\n\n"
    "- Adding a filter (it will only include files that contain \"Sprite\" like sprite001.png "
    "Sprite002.jpg SPRITE3.bmp)\n"
    "findlet C:\\YourPictures Sprite\n\n"
    "[Optional]\n"
    "- Enable dark theme:\n"
    "findlet C:\\YourPictures --dark\n\n"
    "\n";

bool IsHelpSwitch(const char* argument) {
  for (const char* helpSwitch : HelpSwitches) {
    if (std::strcmp(argument, helpSwitch) == 0) return true;
  }
  return false;
}

std::string LowerCased(const char* argument) {
  std::string word(argument);
  for (char& c : word) c = IO::LowerAscii(c);
  return word;
}

// A whole decimal number from the environment, or nothing when the variable
// is not set or holds anything else.
std::optional<std::size_t> NumberSetting(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  const std::string_view text(value);
  std::size_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return number;
}

// FINDLET_THREADS: how many folder reads the walk keeps in flight (1 reads
// one folder after another). Settings for the test suites only: a lower
// threshold for the large-listing form, so that small trees can be written
// in both forms and compared, and the walk's other threads started at once,
// so that small trees are read ahead too, and folders read in smaller pieces.
void ApplySettings(RunState& run) {
  if (const auto threads = NumberSetting("FINDLET_THREADS"); threads && *threads > 0) {
    run.Walk.Threads = std::min(*threads, IO::MaxWalkThreads);
  }
  if (const auto threshold = NumberSetting("FINDLET_TEST_LARGE_LISTING_THRESHOLD")) {
    run.LargeListingThreshold = *threshold;
  }
  if (const auto after = NumberSetting("FINDLET_TEST_THREADS_AFTER_MICROSECONDS")) {
    run.Walk.ThreadsAfter = std::chrono::microseconds(*after);
  }
  if (const auto first = NumberSetting("FINDLET_TEST_FIRST_THREADS")) {
    run.Walk.FirstThreads = *first;
  }
  if (const auto entries = NumberSetting("FINDLET_TEST_FOLDER_PIECE_ENTRIES");
      entries && *entries) {
    run.Walk.FolderPieceEntries = *entries;
  }
}

}  // namespace

void PrintExamples() {
  std::cout << ExamplesBlock;
}

int RunFindlet(int argc, char** argv, Platform::FolderSource& folders) {
  std::cout << "Findlet " FINDLET_VERSION
               " - Findlet is a web search page generator with your files\n\n";
  if (argc < 2) {
    std::cout << "*** Path to scan missing ***\n"
              << "findlet [PathToScan]\n\n";
    PrintExamples();
    return -1;
  }
  if (IsHelpSwitch(argv[1])) {
    PrintExamples();
    return 0;
  }

  const bool isFolder = folders.IsFolder(argv[1]);
  std::cout << "Path to scan: " << argv[1] << "\n\n";
  if (!isFolder) {
    std::cout << "*** Invalid Path ***\n\n";
    PrintExamples();
    return -2;
  }

  RunState run;
  std::string& rootPath = run.Walk.RootPath;
  rootPath = argv[1];
  while (!rootPath.empty() && rootPath.back() == '\\') rootPath.pop_back();
  for (int i = 2; i < argc; ++i) {
    std::string word = LowerCased(argv[i]);
    if (word == DarkSwitch) {
      run.DarkTheme = true;
    } else if (word.starts_with(OutputSwitch)) {
      run.Output = std::string(argv[i] + OutputSwitch.size());
    } else {
      run.Walk.FilterList.push_back(std::move(word));
    }
  }
  if (run.DarkTheme) std::cout << "-= Dark Theme: Enabled!\n\n";

  ApplySettings(run);
  ScanAndWrite(run, folders);
  return 0;
}

void ScanAndWrite(const RunState& run, Platform::FolderSource& folders) {
  PageOutput output;
  if (!PreparePageOutput(run, folders, output)) return;
  // On a terminal, a long walk shows how far it got on a line of its own,
  // blanked out again before the page step writes its first message.
  IO::StartProgress();
  // A run that cannot go on for want of memory or of file handles writes no
  // page, which would lack files: the last page stays.
  try {
    IO::WalkOptions walk = run.Walk;
    PlacePageInWalk(output.Path, walk);
    const IO::Listing listing = IO::BuildListing(walk, folders);
    IO::EndProgress();
    WriteSearchPage(run, listing, output);
    return;
  } catch (const std::bad_alloc&) {
    IO::EndProgress();
    IO::ErrorReport("ScanAndWrite", __LINE__, {{"memory", "exhausted"}});
  } catch (const IO::NoFolderHandles& failure) {
    IO::EndProgress();
    IO::ErrorReport("ScanAndWrite", __LINE__,
                    {{"open files", "exhausted"}, {"folder", failure.FolderText}});
  }
  PrintPageFailure(output.Path);
}
