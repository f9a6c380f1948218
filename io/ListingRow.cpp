#include "io/ListingRow.h"

#include "platform/Platform.h"

#include <charconv>
#include <cstring>

namespace IO {
namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool IsAsciiAlphanumeric(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A '%' that a browser would decode: one followed by two hexadecimal digits.
// Any other '%' reaches the file name as it is.
bool BeginsEscape(std::string_view text, std::size_t at) {
  return at + 2 < text.size() && IsHexDigit(text[at + 1]) && IsHexDigit(text[at + 2]);
}

// An '&' that the page would read as the start of a character reference.
// Any other '&' is read as itself.
bool BeginsReference(std::string_view text, std::size_t at) {
  return at + 1 < text.size() && (IsAsciiAlphanumeric(text[at + 1]) || text[at + 1] == '#');
}

// Bytes of the link that a browser would not take literally: control bytes
// are dropped or end the address, '"' ends the attribute, '#' and '?' begin a
// fragment or a query, and '%' and '&' may begin an escape or a reference;
// bytes above 0x7F where the browser would not read them as the name's own. A
// file name is one component, so in it the backslash, which would read as a
// separator, is encoded too, and so is the apostrophe.
template <bool IsFileName>
char* WriteLink(char* out, std::string_view text) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char ch = text[at];
    const auto c = static_cast<unsigned char>(ch);
    bool encode = c < 0x20 || c == 0x7F || (c >= 0x80 && Platform::LinksEscapeHighBytes) ||
                  ch == '"' || ch == '#' || ch == '?' || (ch == '%' && BeginsEscape(text, at)) ||
                  (ch == '&' && BeginsReference(text, at));
    if constexpr (IsFileName) encode = encode || ch == '\'' || ch == '\\';
    if (encode) {
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

// '<' and '>' as character references, so that a name is only ever text, and
// an '&' that would begin a reference as one of its own; line breaks as
// references too, which read the same but keep each row on a line.
char* WriteLinkText(char* out, std::string_view text) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char ch = text[at];
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
      case '&':
        if (BeginsReference(text, at)) {
          out = WriteLiteral(out, "&amp;");
        } else {
          *out++ = ch;
        }
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
  out = WriteLink<false>(out, relativeFolder);
  *out++ = '\\';
  out = WriteLink<true>(out, name);
  out = WriteLiteral(out, LinkEnd);
  out = WriteLinkText(out, lowerName);
  out = WriteLiteral(out, Middle);
  out = std::to_chars(out, out + MaxDigits, SizeInKiB(sizeInBytes)).ptr;
  out = WriteLiteral(out, Close);
  rows.Commit(static_cast<std::size_t>(out - start));
}

}  // namespace IO
