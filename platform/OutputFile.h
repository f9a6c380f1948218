// The output file: a whole new file put in place of the one a path names, so
// that the path holds either the old file or the new one, never a mix or a
// part. Each back end (OutputFile-posix.cpp, OutputFile-win32.cpp) implements
// these calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Platform {

// A file opened for writing by CreateOutputFile.
using FileHandle = std::intptr_t;
inline constexpr FileHandle InvalidFile = -1;

// The new file is written under a temporary name beside the output file:
// "." + its name + "." + TemporaryTagLength letters or digits, such as
// ".search.html.k3ZqP0", chosen so that no two runs share one.
inline constexpr std::size_t TemporaryTagLength = 6;

// Whether name is the name of such a temporary file for the output file
// named outputName.
inline bool IsTemporaryName(std::string_view name, std::string_view outputName) {
  if (name.size() != 2 + outputName.size() + TemporaryTagLength || name[0] != '.' ||
      name.substr(1, outputName.size()) != outputName || name[1 + outputName.size()] != '.') {
    return false;
  }
  for (const char c : name.substr(2 + outputName.size())) {
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

// TemporaryTagLength letters and digits made from bits that differ from run
// to run and from call to call (a process id, a clock, a count of calls).
// The temporary file is created exclusively, so a clash costs only another
// try.
inline std::string TemporaryTag(std::uint64_t bits) {
  // splitmix64's finaliser spreads every input bit over the output.
  bits = (bits ^ (bits >> 30)) * 0xBF58476D1CE4E5B9u;
  bits = (bits ^ (bits >> 27)) * 0x94D049BB133111EBu;
  bits ^= bits >> 31;
  constexpr std::string_view Alphabet =
      "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  std::string tag;
  for (std::size_t i = 0; i < TemporaryTagLength; ++i, bits /= Alphabet.size()) {
    tag += Alphabet[bits % Alphabet.size()];
  }
  return tag;
}

// Opens a new file for binary writing that CloseOutputFile puts in place of
// the file at path, with no sharing restriction. Refuses (InvalidFile), and
// creates nothing, when path names a symbolic link (or other reparse point),
// anything but a regular file, or a file with further hard links, so that
// nothing outside the named place is ever overwritten. The new file gets the
// old one's permission bits, never its set-id or sticky bits (POSIX), or attributes and access
// control (Windows); without an old one, those a file created there gets.
//
// The new file is a file beside path that has no name until it is put in
// place (Linux), or a temporary file beside path, removed when the process is
// ended by a signal (POSIX) or ends in any way before it is put in place
// (Windows). It never grants more access than the old file did. Where the
// folder lets no file be created but the file at path be written, the file at
// path itself is written over instead: on POSIX only when size bytes (the
// whole text) fit under the file size limit and, where the file system tells,
// on the disk; otherwise nothing is written and the write fails. A failure
// part way leaves it part written.
FileHandle CreateOutputFile(const char* path, std::uint64_t size);

// Writes all size bytes; false when any of them could not be written.
bool WriteOutputFile(FileHandle file, const char* data, std::size_t size);

// Closes the file and, with keep, puts it in place with one rename. True when
// it was closed and, with keep, put in place. Without keep, or when closing or
// renaming fails, the temporary file is removed and path keeps what it held.
bool CloseOutputFile(FileHandle file, bool keep);

}  // namespace Platform
