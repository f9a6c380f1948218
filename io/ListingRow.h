// The table row of one listed file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "io/TextBuffer.h"

namespace IO {

// 'A' to 'Z' become 'a' to 'z'; every other byte, 0x80 to 0xFF included,
// stays as it is, whatever the locale.
inline char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
// Copies count bytes from in to out, each through LowerAscii.
void LowerAsciiCopy(const char* in, std::size_t count, char* out);

inline char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// A size in bytes rounded up to whole KiB, in unsigned 64-bit arithmetic.
inline std::uint64_t SizeInKiB(std::uint64_t bytes) {
  return (bytes + 1023) / 1024;
}

// Text as the page must hold it to show it as it is: '<', '>', line breaks
// and an '&' that would begin a character reference are written as
// references. Used for the link text and the page title.
std::string MarkupText(std::string_view text);

// Appends the row of a file to rows:
//   <tr><td><a href=".FOLDER\NAME" target="_blank">LOWERNAME</a></td><td>KIB KB</td></tr>\n
// relativeFolder is the folder text below the root (empty, or "\" before each
// sub-folder name); name is the entry's name as enumerated and lowerName its
// lower-cased copy. Bytes that would end the attribute, start a fragment or
// query, or be decoded by the browser are percent-encoded in the link, and
// '<', '>' and line breaks are written as character references in the link
// text, so no name can add markup to the page, break its row across lines, or
// make its link name another file.
void AppendListingRow(TextBuffer& rows, std::string_view relativeFolder, std::string_view name,
                      std::string_view lowerName, std::uint64_t sizeInBytes);

}  // namespace IO
