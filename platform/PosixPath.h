// Path texts of the program, with backslash separators, as POSIX calls take
// them.
#pragma once

#include <string>
#include <string_view>

namespace Platform {

// The path with each backslash turned into '/'.
inline std::string OsPath(std::string_view path) {
  std::string os(path);
  for (char& c : os) {
    if (c == '\\') c = '/';
  }
  return os;
}

}  // namespace Platform
