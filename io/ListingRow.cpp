#include "io/ListingRow.h"

#include <charconv>
#include <cstring>

#include "io/Links.h"
#include "io/TextForms.h"

namespace IO {
namespace {

char* WriteLiteral(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

}  // namespace

void AppendListingRow(TextBuffer& rows, std::string_view relativeFolder, std::string_view name,
                      std::string_view lowerName, std::uint64_t sizeInBytes) {
  constexpr std::string_view Open = "<tr><td><a href=\".";
  constexpr std::string_view LinkEnd = "\" target=\"_blank\">";
  constexpr std::string_view Middle = "</a></td><td>";
  constexpr std::string_view Close = " KB</td></tr>\n";

  const std::size_t room = Open.size() + MaxLinkBytesPerByte * relativeFolder.size() + 1 +
                           MaxLinkBytesPerByte * name.size() + LinkEnd.size() +
                           MaxMarkupBytesPerByte * lowerName.size() + Middle.size() +
                           MaxSizeDigits + Close.size();
  char* const start = rows.Reserve(room);
  char* out = WriteLiteral(start, Open);
  out = WriteFolderLink(out, relativeFolder);
  *out++ = '\\';
  out = WriteNameLink(out, name);
  out = WriteLiteral(out, LinkEnd);
  out = WriteMarkupText(out, lowerName);
  out = WriteLiteral(out, Middle);
  out = std::to_chars(out, out + MaxSizeDigits, SizeInKiB(sizeInBytes)).ptr;
  out = WriteLiteral(out, Close);
  rows.Commit(static_cast<std::size_t>(out - start));
}

}  // namespace IO
