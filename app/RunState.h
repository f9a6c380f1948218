// One run's settings: what the command line asked for, and what the
// environment sets for the walk's threads and for the test suites.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "io/FolderWalk.h"

struct RunState {
  // RootPath and FilterList, and how the walk reads folders.
  IO::WalkOptions Walk;
  // Whether the dark page template was asked for.
  bool DarkTheme = false;
  // The PATH of --output=PATH: where the page goes instead of search.html in
  // the scanned folder.
  std::optional<std::string> Output;
  // The most files a page lists as table rows; a page of more holds them as
  // data and draws only the rows in view.
  std::size_t LargeListingThreshold = 10000;
};
