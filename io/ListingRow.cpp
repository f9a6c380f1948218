#include "io/ListingRow.h"

#include <array>
#include <charconv>
#include <cstring>

#include "io/TextForms.h"
#include "platform/Platform.h"

namespace IO {
namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A '%' that a browser would decode: one followed by two hexadecimal digits.
// Any other '%' reaches the file name as it is.
bool BeginsEscape(std::string_view text, std::size_t at) {
  return at + 2 < text.size() && IsHexDigit(text[at + 1]) && IsHexDigit(text[at + 2]);
}

// What a byte of a link asks for.
enum class ByteKind : unsigned char {
  Plain,      // written as it is
  Special,    // always written in another form
  Percent,    // '%': encoded when it begins an escape
  Ampersand,  // '&': encoded when it begins a reference
};

using ByteTable = std::array<ByteKind, 256>;

// Bytes of the link that a browser would not take literally: control bytes
// are dropped or end the address, '"' ends the attribute, '#' and '?' begin a
// fragment or a query, and '%' and '&' may begin an escape or a reference. A
// file name is one component, so in it the backslash, which would read as a
// separator, is encoded too, and so is the apostrophe. Bytes above 0x7F are
// encoded where names are UTF-8: the escapes name the same file whatever
// encoding the browser reads the page in, and a name that is not valid UTF-8
// still opens. In the ANSI code page they reach the file as they are.
constexpr ByteTable LinkBytes(bool isFileName, bool escapeHighBytes) {
  ByteTable table{};
  for (int c = 0; c < 0x20; ++c) table[c] = ByteKind::Special;
  table[0x7F] = ByteKind::Special;
  table['"'] = table['#'] = table['?'] = ByteKind::Special;
  table['%'] = ByteKind::Percent;
  table['&'] = ByteKind::Ampersand;
  if (isFileName) table['\''] = table['\\'] = ByteKind::Special;
  if (escapeHighBytes) {
    for (int c = 0x80; c <= 0xFF; ++c) table[c] = ByteKind::Special;
  }
  return table;
}

constexpr ByteTable FolderLink[] = {LinkBytes(false, false), LinkBytes(false, true)};
constexpr ByteTable FileNameLink[] = {LinkBytes(true, false), LinkBytes(true, true)};

ByteKind KindOf(const ByteTable& table, char c) {
  return table[static_cast<unsigned char>(c)];
}

// The end of the run of plain bytes that begins at from: the position of the
// next byte that may need another form, or text.size().
std::size_t PlainRunEnd(std::string_view text, std::size_t from, const ByteTable& table) {
  std::size_t at = from;
  while (at < text.size() && KindOf(table, text[at]) == ByteKind::Plain) ++at;
  return at;
}

// Writes text, each plain run copied whole, and every other byte through
// special, which writes it at out and returns the end of what it wrote.
template <typename Special>
char* WriteRuns(char* out, std::string_view text, const ByteTable& table, Special special) {
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = PlainRunEnd(text, at, table);
    std::memcpy(out, text.data() + at, end - at);
    out += end - at;
    if (end == text.size()) return out;
    out = special(out, end);
    at = end + 1;
  }
}

char* WriteLink(char* out, std::string_view text, const ByteTable& table) {
  return WriteRuns(out, text, table, [&](char* to, std::size_t at) {
    const char ch = text[at];
    const ByteKind kind = KindOf(table, ch);
    if (kind == ByteKind::Special || (kind == ByteKind::Percent && BeginsEscape(text, at)) ||
        (kind == ByteKind::Ampersand && BeginsCharacterReference(text, at))) {
      const auto c = static_cast<unsigned char>(ch);
      *to++ = '%';
      *to++ = HexDigits[c >> 4];
      *to++ = HexDigits[c & 0x0F];
    } else {
      *to++ = ch;
    }
    return to;
  });
}

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
  constexpr std::size_t MaxDigits = 20;

  const std::size_t room = Open.size() + 3 * relativeFolder.size() + 1 + 3 * name.size() +
                           LinkEnd.size() + MaxMarkupBytesPerByte * lowerName.size() +
                           Middle.size() + MaxDigits + Close.size();
  const bool utf8 = Platform::TextIsUtf8();
  char* const start = rows.Reserve(room);
  char* out = WriteLiteral(start, Open);
  out = WriteLink(out, relativeFolder, FolderLink[utf8]);
  *out++ = '\\';
  // The link ends with the name, and a browser drops blanks at the end of a
  // link: those of the name are written as escapes.
  const std::size_t blanks = name.size() - (name.find_last_not_of(' ') + 1);
  out = WriteLink(out, name.substr(0, name.size() - blanks), FileNameLink[utf8]);
  for (std::size_t i = 0; i < blanks; ++i) out = WriteLiteral(out, "%20");
  out = WriteLiteral(out, LinkEnd);
  out = WriteMarkupText(out, lowerName);
  out = WriteLiteral(out, Middle);
  out = std::to_chars(out, out + MaxDigits, SizeInKiB(sizeInBytes)).ptr;
  out = WriteLiteral(out, Close);
  rows.Commit(static_cast<std::size_t>(out - start));
}

}  // namespace IO
