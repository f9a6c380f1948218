#include "io/Links.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "io/TextForms.h"

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
// fragment or a query, '%' and '&' may begin an escape or a reference, and
// '<' and '>' are never left in a link, so that no name can end the data a
// long listing is held in (it is markup-free text) or read as markup. A
// file name is one component, so in it the backslash, which would read as a
// separator, is encoded too, and so is the apostrophe. Bytes above 0x7F are
// encoded: the escapes name the same file whatever encoding the browser reads
// the page in, and a name that is not valid UTF-8 still opens.
constexpr ByteTable LinkBytes(bool isFileName) {
  ByteTable table{};
  for (int c = 0; c < 0x20; ++c) table[c] = ByteKind::Special;
  table[0x7F] = ByteKind::Special;
  table['"'] = table['#'] = table['?'] = table['<'] = table['>'] = ByteKind::Special;
  table['%'] = ByteKind::Percent;
  table['&'] = ByteKind::Ampersand;
  if (isFileName) table['\''] = table['\\'] = ByteKind::Special;
  for (int c = 0x80; c <= 0xFF; ++c) table[c] = ByteKind::Special;
  return table;
}

constexpr ByteTable FolderLink = LinkBytes(false);
constexpr ByteTable FileNameLink = LinkBytes(true);

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

// An absolute path taken apart: its root ("" for POSIX's "/", "C:" for a
// drive, the server and the share for a share) and the names below it.
struct AbsolutePath {
  bool Posix = true;
  std::string_view Drive;
  std::string_view Server;
  std::string_view Share;
  std::vector<std::string_view> Names;
};

std::vector<std::string_view> NamesOf(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> names;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find_first_of(separators, at), text.size());
    if (end > at) names.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return names;
}

AbsolutePath Parse(std::string_view path) {
  AbsolutePath parsed;
  if (path.starts_with('/')) {
    parsed.Names = NamesOf(path, "/");
    return parsed;
  }
  parsed.Posix = false;
  bool share = false;
  if (path.starts_with("\\\\?\\UNC\\")) {
    path.remove_prefix(8);
    share = true;
  } else if (path.starts_with("\\\\?\\")) {
    path.remove_prefix(4);
  } else if (path.starts_with("\\\\")) {
    share = true;
  }
  if (!share && path.size() >= 2 && path[1] == ':') {
    parsed.Drive = path.substr(0, 2);
    path.remove_prefix(2);
  }
  parsed.Names = NamesOf(path, "\\/");
  if (share && parsed.Names.size() >= 2) {
    parsed.Server = parsed.Names[0];
    parsed.Share = parsed.Names[1];
    parsed.Names.erase(parsed.Names.begin(), parsed.Names.begin() + 2);
  }
  return parsed;
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// Whether two paths begin at one root: POSIX's, or one drive or share, which
// Windows names in any case.
bool SameRoot(const AbsolutePath& a, const AbsolutePath& b) {
  return a.Posix == b.Posix && SameIgnoringAsciiCase(a.Drive, b.Drive) &&
         SameIgnoringAsciiCase(a.Server, b.Server) && SameIgnoringAsciiCase(a.Share, b.Share);
}

// A name as one component of a link. A '|' is encoded too: after a letter at
// the start of a file URL's path, a browser would read it as a drive's ':'.
void AppendName(std::string& link, std::string_view name) {
  std::string encoded(MaxLinkBytesPerByte * name.size(), '\0');
  encoded.resize(static_cast<std::size_t>(WriteNameLink(encoded.data(), name) - encoded.data()));
  for (const char c : encoded) {
    if (c == '|') {
      link.append("%7C");
    } else {
      link.push_back(c);
    }
  }
}

}  // namespace

std::string LinkBase(std::string_view pageFolder, std::string_view rootFolder,
                     bool sameFileSystem) {
  const AbsolutePath page = Parse(pageFolder);
  const AbsolutePath root = Parse(rootFolder);
  if (sameFileSystem && SameRoot(page, root)) {
    std::size_t common = 0;
    while (common < page.Names.size() && common < root.Names.size() &&
           page.Names[common] == root.Names[common]) {
      ++common;
    }
    std::string base(1, '.');
    for (std::size_t up = common; up < page.Names.size(); ++up) {
      base.append(up == common ? "." : "\\..");
    }
    for (std::size_t down = common; down < root.Names.size(); ++down) {
      base.push_back('\\');
      AppendName(base, root.Names[down]);
    }
    return base;
  }
  std::string base("file://");
  if (!root.Server.empty()) {
    AppendName(base, root.Server);
    base.push_back('/');
    AppendName(base, root.Share);
  } else if (!root.Drive.empty()) {
    base.push_back('/');
    AppendName(base, root.Drive);
  }
  for (const std::string_view name : root.Names) {
    base.push_back('/');
    AppendName(base, name);
  }
  return base;
}

char* WriteFolderLink(char* out, std::string_view relativeFolder) {
  return WriteLink(out, relativeFolder, FolderLink);
}

char* WriteNameLink(char* out, std::string_view name) {
  // The link ends with the name, and a browser drops blanks at the end of a
  // link: those of the name are written as escapes.
  const std::size_t blanks = name.size() - (name.find_last_not_of(' ') + 1);
  out = WriteLink(out, name.substr(0, name.size() - blanks), FileNameLink);
  for (std::size_t i = 0; i < blanks; ++i) {
    std::memcpy(out, "%20", 3);
    out += 3;
  }
  return out;
}

}  // namespace IO
