// Runs the built tool as a separate process and captures what it writes.
#pragma once

#include <string>
#include <vector>

namespace Testing {

struct RunOptions {
  std::string WorkingFolder;         // empty: the test's own
  long long FileSizeLimit = -1;      // RLIMIT_FSIZE in bytes, SIGXFSZ ignored; -1: none
  bool CloseStandardOutput = false;  // start the tool with descriptor 1 closed
  bool UnprivilegedUser = false;     // when running as root, drop to "nobody" first
};

struct RunResult {
  std::string Out;  // everything written to standard output
  std::string Err;  // everything written to standard error
  int Status = -1;  // exit status as the OS reports it (0 to 255), or -1 if killed
  int Signal = 0;   // the signal that ended it, if any
};

// The tool to run: FINDLET_BINARY, prefixed by the words of FINDLET_EMULATOR
// (split on blanks) when that is set.
std::vector<std::string> ToolCommand();

// True when FINDLET_TARGET says the tool is a Windows build.
bool WindowsTarget();

RunResult RunTool(const std::vector<std::string>& arguments, const RunOptions& options = {});

// Runs command (a program and its leading arguments) followed by arguments.
RunResult RunCommand(std::vector<std::string> command, const std::vector<std::string>& arguments,
                     const RunOptions& options = {});

}  // namespace Testing
