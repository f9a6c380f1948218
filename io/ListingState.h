// The process-wide values the folder walk reads and fills. The run driver
// sets RootPath and FilterList before the walk; the page step reads what the
// walk leaves in RowBuffer and ExtensionSet. They exist empty before the
// entry point runs.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "io/TextBuffer.h"

// The folder to scan as given, every trailing backslash removed.
extern std::string RootPath;
// The filter words, lower-cased, in command-line order.
extern std::vector<std::string> FilterList;
// The table rows, in walk order, each ending with a line feed, as long as no
// more than LargeListingThreshold files are listed; empty beyond that.
extern IO::TextBuffer RowBuffer;
// The same listing as data (io/ListingData.h), for a page of more files than
// LargeListingThreshold.
extern IO::TextBuffer ListingData;
// How many files the walk listed.
extern std::size_t ListedFiles;
// The most files a page lists as table rows; a page of more holds them as
// data and draws only the rows in view.
extern std::size_t LargeListingThreshold;
// The distinct extensions of the listed files. std::string compares bytes as
// unsigned values and puts a proper prefix first; std::less<> lets a lookup
// take a string_view without building a string.
extern std::set<std::string, std::less<>> ExtensionSet;
