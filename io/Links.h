// The pieces of a listed file's link as the page holds them in its href:
// the folder part and the file name, percent-encoded where a browser would
// not read a byte as itself.
#pragma once

#include <cstddef>
#include <string_view>

namespace IO {

// The longest form a byte of a link takes ("%XX").
inline constexpr std::size_t MaxLinkBytesPerByte = 3;

// The folder text below the root (empty, or "\" before each sub-folder
// name), written at out; returns the end of what was written. Backslashes
// stay separators.
char* WriteFolderLink(char* out, std::string_view relativeFolder);

// The name of a file as one link component: a backslash in it, and blanks
// at its end, are encoded too.
char* WriteNameLink(char* out, std::string_view name);

}  // namespace IO
