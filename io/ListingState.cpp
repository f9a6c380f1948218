#include "io/ListingState.h"

std::string RootPath;
std::vector<std::string> FilterList;
IO::TextBuffer RowBuffer;
std::set<std::string, std::less<>> ExtensionSet;
