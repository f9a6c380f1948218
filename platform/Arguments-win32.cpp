// The program's arguments on Windows: the command line as the system holds
// it, in UTF-16, split by the C runtime and converted to UTF-8, so that an
// argument in any script reaches the program as it was typed, whatever the
// system's ANSI code page.

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/WidePath.h"

namespace {

struct RuntimeStartupInfo {
  int NewMode;
};

}  // namespace

// The C runtime's own splitting of GetCommandLineW() into an argument vector
// (the one it hands a wmain), with the quoting and backslash rules of every
// argv it makes. No wildcard expansion: an argument such as *.jpg is a filter
// word.
extern "C" __declspec(dllimport) int __cdecl __wgetmainargs(int* argc, wchar_t*** argv,
                                                            wchar_t*** environment,
                                                            int expandWildcards,
                                                            RuntimeStartupInfo* startup);

namespace Platform {

std::vector<std::string> ProgramArguments(int, char**) {
  int count = 0;
  wchar_t** arguments = nullptr;
  wchar_t** environment = nullptr;
  RuntimeStartupInfo startup{0};
  __wgetmainargs(&count, &arguments, &environment, 0, &startup);
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) texts.push_back(Utf8Text(arguments[i]));
  return texts;
}

}  // namespace Platform
