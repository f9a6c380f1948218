// The few services beyond the file system the walk reads (FolderSource.h)
// that the program needs from its host: the output file (OutputFile.h), local
// time, the console and process set-up. Each back end file implements all of
// them but the output file, which has a file of its own for each back end.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/OutputFile.h"

namespace Platform {

// Breaks a count of seconds since 1970-01-01 00:00:00 UTC down into local
// time. False when the conversion cannot render it.
bool LocalTime(std::int64_t seconds, std::tm& local);

// Whether standard output is a terminal a person watches: a Windows console,
// or a POSIX tty. False for a pipe, a file or a device such as NUL.
bool StandardOutputIsTerminal();

// The width in columns of the terminal standard output is, or 0 when the
// platform does not tell it.
std::size_t TerminalColumns();

// A clock in milliseconds that only moves forward, for measuring intervals
// within a run; its zero means nothing.
std::uint64_t MonotonicMilliseconds();

// The processor time the process has used so far, on all its threads, in
// microseconds.
std::uint64_t ProcessCpuMicroseconds();

// The steps in which that processor time moves.
std::chrono::microseconds ProcessCpuGrain();

// The processors the process may use: as many as its affinity allows, fewer
// where a quota of processor time limits it (a quota of half a processor is
// 0.5). At least 0.01.
double UsableProcessors();

#ifndef _WIN32
// The processors a cgroup's quota allows, from the text of its cpu.max file
// ("quota period", or "max period" for none); none when it sets no limit or
// cannot be read.
std::optional<double> QuotaProcessors(std::string_view cpuMax);
#endif

// The program's arguments, argument 0 first, as the program reads them: on
// POSIX the bytes of argv; on Windows the system's UTF-16 command line split
// as the C runtime splits it, in UTF-8.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Process set-up before any output: console and runtime settings the rest of
// the program relies on.
void PrepareProcess();

}  // namespace Platform
