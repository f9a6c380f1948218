// The listing as data: the walk writes each listed file once, here. A page of
// up to some thousands of files joins the table rows from it
// (TableRows); a page of more holds it as it is, and the page's script draws
// the rows in view from it. The data is text
// without a single '<', held in script elements of type text/plain, which
// the browser neither runs nor turns into elements:
//   DataOpen, records, DataClose, [DataOpen, records, DataClose ...]
// Records end with a line feed:
//   ">" FOLDER     the files that follow are in a folder met for the first
//                  time: FOLDER is its folder text below the root as the link
//                  writes it (empty for the root, else "\" before each name);
//                  folders are numbered 0, 1, 2, ... in this order
//   ">" NUMBER     the files that follow are in the folder of that number
//   NAME ">" TEXT ">" KIB
//                  a file: its name as the link writes it, its link text as
//                  the row writes it, and its size in KiB. TEXT is left empty
//                  where it is NAME with A to Z lower-cased and NAME is all
//                  ASCII, as it is for most names.
//   ">" BASE       first, for a page outside the scanned folder only: what
//                  each link begins with in place of "." (LinkBase), which
//                  begins with '.' or "file:"
// A row is then the table row's pieces joined: "<tr><td><a href=\"." FOLDER
// "\\" NAME "\" target=\"_blank\">" TEXT "</a></td><td>" KIB
// " KB</td></tr>\n", BASE in place of the "." where there is one. No piece
// holds '<', '>' or a line feed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "io/TextBuffer.h"

namespace IO {

// A size in bytes rounded up to whole KiB, in unsigned 64-bit arithmetic.
inline std::uint64_t SizeInKiB(std::uint64_t bytes) {
  return (bytes + 1023) / 1024;
}

// The most digits SizeInKiB's value has.
inline constexpr std::size_t MaxSizeDigits = 20;

inline constexpr std::string_view DataOpen = "<script type=\"text/plain\">";
inline constexpr std::string_view DataClose = "</script>";

// About how many bytes of records each data element holds: the page's script
// reads one element at a time as the page loads.
inline constexpr std::size_t DataChunkBytes = std::size_t{64} << 10;

// Appends the record of a folder met for the first time.
void AppendFolderRecord(TextBuffer& data, std::string_view relativeFolder);

// Appends the record that turns back to a folder met before.
void AppendFolderNumberRecord(TextBuffer& data, std::size_t number);

// Appends the record of a file: name as enumerated, lowerName its lower-cased
// copy.
void AppendFileRecord(TextBuffer& data, std::string_view name, std::string_view lowerName,
                      std::uint64_t sizeInBytes);

// Ends the data element and opens the next one.
void AppendDataBreak(TextBuffer& data);

// The table row of each file the data holds, in its order, each ending with a
// line feed:
//   <tr><td><a href=".FOLDER\NAME" target="_blank">TEXT</a></td><td>KIB KB</td></tr>
// Bytes that would end the attribute, start a fragment or query, or be
// decoded by the browser are percent-encoded in the link, '<' and '>' are
// written as character references and line breaks as marks in the link text
// (MarkupText), so no name can add markup to the page, break its row across
// lines, or make its link name another file.
// Each link begins with linkBase ("." for a page in the scanned folder).
std::string TableRows(std::string_view data, std::string_view linkBase = ".");

// The record that gives the links' beginning, to stand first in the data; none
// for ".".
std::string LinkBaseRecord(std::string_view linkBase);

}  // namespace IO
