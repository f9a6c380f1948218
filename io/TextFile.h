// Writing one whole text to one file.
#pragma once

#include <string_view>

namespace IO {

// Creates or empties the file at path and writes every byte of text to it, in
// binary, with no sharing restriction. True only when all of it was written
// and the file closed cleanly. A null path and a failed write or close each
// give one ErrorReport line; a failed open gives none. The file is never
// written through a symbolic link.
bool WriteTextFile(const char* path, std::string_view text);

}  // namespace IO
