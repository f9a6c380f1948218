// Writing one whole text to one file.
#pragma once

#include <span>
#include <string_view>

namespace IO {

// Writes every byte of the text, given as pieces that follow one another, in
// binary, to a new file that then takes the place of the file at path in one
// step (Platform::CreateOutputFile), so that a failure leaves the old file
// whole. True only when all of it was written and the new file closed and put
// in place. A null path, and a failed write, close or replacement, each give
// one ErrorReport line; a file that cannot be created or is refused gives
// none. The file is never written through a symbolic link.
bool WriteTextFile(const char* path, std::span<const std::string_view> text);

// The same for a text in one piece.
inline bool WriteTextFile(const char* path, std::string_view text) {
  return WriteTextFile(path, std::span<const std::string_view>(&text, 1));
}

}  // namespace IO
