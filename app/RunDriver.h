// The command line and the order of the whole run.
#pragma once

#include "app/RunState.h"
#include "platform/FolderSource.h"

// Writes the examples of use to standard output.
void PrintExamples();

// One run over the given file system: banner, command line, folder walk,
// page. Returns the exit status: 0 after help or a full run (page written or
// not), -1 when no folder was given, -2 when it is not an existing folder.
int RunFindlet(int argc, char** argv, Platform::FolderSource& folders);

// The walk and the page step of a run whose command line was read: the
// progress line while the walk runs, the extension report, the page and
// where it went. A page that --output= puts where it cannot go stops the run
// before the walk.
void ScanAndWrite(const RunState& run, Platform::FolderSource& folders);
