#include "io/ListingRow.h"

#include <charconv>
#include <cstring>

namespace IO {
namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

// Bytes a browser would not take literally from a link: control bytes are
// dropped or end the address, '"' ends the attribute, '#' and '?' begin a
// fragment or a query, and '%' begins an escape of its own.
bool NeedsEncodingInLink(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == '"' || c == '#' || c == '%' || c == '?';
}

// In the file name, also the apostrophe and the backslash: a backslash would
// read as a folder separator, and the name is one component.
bool NeedsEncodingInName(unsigned char c) {
  return NeedsEncodingInLink(c) || c == '\'' || c == '\\';
}

template <bool (*NeedsEncoding)(unsigned char)>
char* WriteEncoded(char* out, std::string_view text) {
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (NeedsEncoding(c)) {
      *out++ = '%';
      *out++ = HexDigits[c >> 4];
      *out++ = HexDigits[c & 0x0F];
    } else {
      *out++ = ch;
    }
  }
  return out;
}

char* WriteLiteral(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// The longest form a byte of the link text takes.
constexpr std::size_t MaxLinkTextBytes = 5;

// '<' and '>' as character references, so that a name is only ever text; line
// breaks as references too, which read the same but keep each row on a line.
char* WriteLinkText(char* out, std::string_view text) {
  for (char ch : text) {
    switch (ch) {
      case '<':
        out = WriteLiteral(out, "&lt;");
        break;
      case '>':
        out = WriteLiteral(out, "&gt;");
        break;
      case '\n':
        out = WriteLiteral(out, "&#10;");
        break;
      case '\r':
        out = WriteLiteral(out, "&#13;");
        break;
      default:
        *out++ = ch;
    }
  }
  return out;
}

}  // namespace

void AppendListingRow(TextBlocks& rows, std::string_view relativeFolder, std::string_view name,
                      std::string_view lowerName, std::uint64_t sizeInBytes) {
  constexpr std::string_view Open = "<tr><td><a href=\".";
  constexpr std::string_view LinkEnd = "\" target=\"_blank\">";
  constexpr std::string_view Middle = "</a></td><td>";
  constexpr std::string_view Close = " KB</td></tr>\n";
  constexpr std::size_t MaxDigits = 20;

  const std::size_t room = Open.size() + 3 * relativeFolder.size() + 1 + 3 * name.size() +
                           LinkEnd.size() + MaxLinkTextBytes * lowerName.size() + Middle.size() +
                           MaxDigits + Close.size();
  char* const start = rows.Reserve(room);
  char* out = WriteLiteral(start, Open);
  out = WriteEncoded<NeedsEncodingInLink>(out, relativeFolder);
  *out++ = '\\';
  out = WriteEncoded<NeedsEncodingInName>(out, name);
  out = WriteLiteral(out, LinkEnd);
  out = WriteLinkText(out, lowerName);
  out = WriteLiteral(out, Middle);
  out = std::to_chars(out, out + MaxDigits, SizeInKiB(sizeInBytes)).ptr;
  out = WriteLiteral(out, Close);
  rows.Commit(static_cast<std::size_t>(out - start));
}

}  // namespace IO
