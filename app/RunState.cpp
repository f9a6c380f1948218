#include "app/RunState.h"

std::string RootPath;
std::vector<std::string> FilterList;
bool DarkTheme = false;
IO::TextBuffer RowBuffer;
std::set<std::string, std::less<>> ExtensionSet;
