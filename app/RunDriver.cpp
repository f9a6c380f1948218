#include "app/RunDriver.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

#include "app/RunState.h"
#include "app/SearchPage.h"
#include "io/FolderWalk.h"
#include "io/Progress.h"
#include "io/TextForms.h"
#include "platform/Win32Api.h"

namespace {

constexpr const char* HelpSwitches[] = {"/?", "-?", "--help", "-help"};
constexpr const char* DarkSwitch = "--dark";

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

// Settings for the test suites only, from the environment: a lower
// threshold for the large-listing form, so that small trees can be written
// in both forms and compared.
void ApplyTestSettings() {
  const char* threshold = std::getenv("FINDLET_TEST_LARGE_LISTING_THRESHOLD");
  if (threshold == nullptr) return;
  const std::string_view text(threshold);
  std::size_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc() && end == text.data() + text.size()) LargeListingThreshold = value;
}

}  // namespace

void PrintExamples() {
  std::cout << ExamplesBlock;
}

int RunFindlet(int argc, char** argv) {
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

  const DWORD attributes = GetFileAttributesA(argv[1]);
  std::cout << "Path to scan: " << argv[1] << "\n\n";
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    std::cout << "*** Invalid Path ***\n\n";
    PrintExamples();
    return -2;
  }

  RootPath = argv[1];
  while (!RootPath.empty() && RootPath.back() == '\\') RootPath.pop_back();
  for (int i = 2; i < argc; ++i) {
    std::string word = LowerCased(argv[i]);
    if (word == DarkSwitch) {
      DarkTheme = true;
    } else {
      FilterList.push_back(std::move(word));
    }
  }
  if (DarkTheme) std::cout << "-= Dark Theme: Enabled!\n\n";

  ApplyTestSettings();
  // On a terminal, a long walk shows how far it got on a line of its own,
  // blanked out again before the page step writes its first message.
  IO::StartProgress();
  IO::BuildListing();
  IO::EndProgress();
  WriteSearchPage();
  return 0;
}
