// The process-wide values the folder walk reads and fills. The run driver
// sets RootPath and FilterList before the walk; the page step reads what the
// walk leaves in RowBuffer and ExtensionSet. They exist empty before the
// entry point runs.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "io/TextBuffer.h"

// The folder to scan as given, every trailing backslash removed.
extern std::string RootPath;
// The filter words, lower-cased, in command-line order.
extern std::vector<std::string> FilterList;
// The table rows, in walk order, each ending with a line feed.
extern IO::TextBuffer RowBuffer;
// The distinct extensions of the listed files. std::string compares bytes as
// unsigned values and puts a proper prefix first; std::less<> lets a lookup
// take a string_view without building a string.
extern std::set<std::string, std::less<>> ExtensionSet;
