// The output file. Each back end (OutputFile-posix.cpp, OutputFile-win32.cpp)
// implements these calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Platform {

// A file opened for writing by CreateOutputFile.
using FileHandle = std::intptr_t;
inline constexpr FileHandle InvalidFile = -1;

// Creates or empties a regular file for binary writing, with no sharing
// restriction. Refuses (InvalidFile) a path whose last component is a
// symbolic link, anything that is not a regular file, and a file with further
// hard links, so that nothing outside the named place is ever overwritten.
FileHandle CreateOutputFile(const char* path);

// Writes all size bytes; false when any of them could not be written.
bool WriteOutputFile(FileHandle file, const char* data, std::size_t size);

// Closes the file; false when the close (or a final flush) failed.
bool CloseOutputFile(FileHandle file);

}  // namespace Platform
