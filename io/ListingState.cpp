#include "io/ListingState.h"

std::string RootPath;
std::vector<std::string> FilterList;
IO::TextBuffer RowBuffer;
IO::TextBuffer ListingData;
std::size_t ListedFiles = 0;
std::size_t LargeListingThreshold = 10000;
std::set<std::string, std::less<>> ExtensionSet;
