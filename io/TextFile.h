// Writing one whole text to one file.
#pragma once

#include <span>
#include <string_view>

namespace IO {

// Creates or empties the file at path and writes every byte of the text to
// it, given as pieces that follow one another, in binary, with no sharing
// restriction. True only when all of it was written and the file closed
// cleanly. A null path and a failed write or close each give one ErrorReport
// line; a failed open gives none. The file is never written through a
// symbolic link.
bool WriteTextFile(const char* path, std::span<const std::string_view> text);

// The same for a text in one piece.
inline bool WriteTextFile(const char* path, std::string_view text) {
  return WriteTextFile(path, std::span<const std::string_view>(&text, 1));
}

}  // namespace IO
