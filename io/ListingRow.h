// The table row of one listed file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "io/TextBuffer.h"

namespace IO {

// A size in bytes rounded up to whole KiB, in unsigned 64-bit arithmetic.
inline std::uint64_t SizeInKiB(std::uint64_t bytes) {
  return (bytes + 1023) / 1024;
}

// The most digits SizeInKiB's value has.
inline constexpr std::size_t MaxSizeDigits = 20;

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
