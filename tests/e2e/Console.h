// What the end-to-end tests expect of the tool's console and exit status on
// the platform the tool was built for.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ExpectedConsole.h"
#include "tests/support/RunTool.h"

namespace Testing {

// The console text with LF line ends. A Windows build writes standard output
// in the C runtime's text mode, so there each LF must arrive as CR LF: that is
// checked here and undone, so that the expected texts are the same.
inline std::string Console(const RunResult& result) {
  if (!WindowsTarget()) return result.Out;
  std::string text;
  for (std::size_t i = 0; i < result.Out.size(); ++i) {
    const char c = result.Out[i];
    if (c == '\r' && i + 1 < result.Out.size() && result.Out[i + 1] == '\n') continue;
    if (c == '\n') {
      EXPECT_TRUE(i > 0 && result.Out[i - 1] == '\r') << "bare LF at byte " << i;
    }
    text += c;
  }
  return text;
}

// The exit status as the OS reports it: the low byte of the program's own
// status, on POSIX and as Wine passes on a Windows status alike.
inline int ReportedStatus(int programStatus) {
  return programStatus & 0xFF;
}

inline constexpr const char* Examples =
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

}  // namespace Testing
