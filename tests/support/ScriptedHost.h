// The host services of Platform.h held in memory, linked in place of a back
// end: output files, and the console's terminal and clock. With
// ScriptedFolders, a whole run needs no real file system.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/Platform.h"
#include "tests/support/ScriptedFolders.h"

namespace Testing {

struct HostScript {
  // Where files can be created: in a folder these folders hold.
  const ScriptedFolders* Folders = nullptr;
  // The files a run wrote, by path, as far as they got.
  std::map<std::string, std::string> Files;
  int OpenFiles = 0;
  // The console: whether standard output is a terminal and its width (0:
  // not told). The clock reads Milliseconds, then moves it on by
  // MillisecondsPerRead, so that a walk's checkpoints see time pass.
  bool Terminal = false;
  std::size_t TerminalColumns = 0;
  std::uint64_t Milliseconds = 0;
  std::uint64_t MillisecondsPerRead = 0;
};

// The host the calls answer from: a fresh one for each test, reading the
// folders given.
HostScript& Host();
void ResetHost(const ScriptedFolders* folders);

}  // namespace Testing
