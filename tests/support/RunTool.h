// Runs the built tool as a separate process and captures what it writes.
#pragma once

#include <string>
#include <vector>

namespace Testing {

// Who reads the tool's standard output pipe, and how.
enum class OutputReader {
  Reading,           // read as fast as it comes
  Gone,              // the read end is closed before the tool starts
  Slow,              // read in small pieces with pauses, so the pipe fills up
  NonBlockingUnread  // the write end is non-blocking and nothing is read until the tool ends
};

struct RunOptions {
  std::string WorkingFolder;         // empty: the test's own
  long long FileSizeLimit = -1;      // RLIMIT_FSIZE in bytes; -1: none
  bool CloseStandardOutput = false;  // start the tool with descriptor 1 closed
  // When running as root, run a copy of the tool that "nobody" can reach, as
  // "nobody" (RunTool only).
  bool UnprivilegedUser = false;
  long long DescriptorLimit = -1;  // soft RLIMIT_NOFILE, the hard one kept; -1: inherited
  OutputReader Reader = OutputReader::Reading;
  std::vector<std::string> Environment = {};  // NAME=VALUE settings added for the tool
  // A tool still running after this long is killed and the run marked
  // TimedOut: a hang fails its test instead of stopping the whole suite.
  int TimeoutSeconds = 600;
};

struct RunResult {
  std::string Out;  // everything written to standard output
  std::string Err;  // everything written to standard error
  int Status = -1;  // exit status as the OS reports it (0 to 255), or -1 if killed
  int Signal = 0;   // the signal that ended it, if any
  bool TimedOut = false;
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
