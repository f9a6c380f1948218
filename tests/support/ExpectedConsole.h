// What the console of a run must read.
#pragma once

#include <string>

namespace Testing {

inline constexpr const char* Banner =
    "Findlet 1.2 - Findlet is a web search page generator with your files\n\n";

// The console, with LF line ends, of a run given the folder argument that
// walked it and wrote its page, or failed to: banner, path line, dark-theme
// line, the extension report and the output line.
inline std::string ExpectedConsole(const std::string& argument, const std::string& extensions,
                                   bool written = true, bool dark = false) {
  std::string root = argument;
  while (!root.empty() && root.back() == '\\') root.pop_back();
  std::string text = std::string(Banner) + "Path to scan: " + argument + "\n\n";
  if (dark) text += "-= Dark Theme: Enabled!\n\n";
  text += "File extensions exported: " + extensions + "\n\n";
  if (written) return text + "Output filepath: " + root + "\\search.html\n\n";
  return text + "*** Can't output file ***\n\nOutput filepath failed: " + root +
         "\\search.html\n\n";
}

}  // namespace Testing
