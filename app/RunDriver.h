// The command line and the order of the whole run.
#pragma once

// Writes the examples of use to standard output.
void PrintExamples();

// One run: banner, command line, folder walk, page. Returns the exit status:
// 0 after help or a full run (page written or not), -1 when no folder was
// given, -2 when it is not an existing folder.
int RunFindlet(int argc, char** argv);
