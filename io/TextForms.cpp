#include "io/TextForms.h"

#include <array>
#include <cstring>

namespace IO {
namespace {

bool IsAsciiAlphanumeric(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char* WriteLiteral(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// What a byte of page text asks for.
enum class ByteKind : unsigned char {
  Plain,      // written as it is
  Reference,  // '<', '>', line breaks: always a character reference
  Ampersand,  // '&': a reference when it would begin one
  Control,    // a control character: marked
  Lead,       // may begin a UTF-8 character that is marked
};

using ByteTable = std::array<ByteKind, 256>;

constexpr ByteTable MarkupBytes() {
  ByteTable table{};
  table['<'] = table['>'] = table['\n'] = table['\r'] = ByteKind::Reference;
  table['&'] = ByteKind::Ampersand;
  for (int c = 0; c < 0x20; ++c) {
    if (c != '\t' && c != '\n' && c != '\r') table[c] = ByteKind::Control;
  }
  table[0x7F] = ByteKind::Control;
  // The first bytes of every marked character above U+007F.
  for (int lead : {0xC2, 0xD8, 0xE1, 0xE2, 0xE3, 0xEF}) table[lead] = ByteKind::Lead;
  return table;
}

constexpr ByteTable Markup = MarkupBytes();

// Characters that show as nothing, or reorder the text around them.
bool IsMarked(char32_t c) {
  return (c >= 0x80 && c <= 0x9F) || c == 0xAD || c == 0x61C || c == 0x180E || c == 0x200B ||
         c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) ||
         (c >= 0x2060 && c <= 0x206F) || c == 0x27E6 || c == 0x3164 || c == 0xFEFF || c == 0xFFA0 ||
         (c >= 0xFFF9 && c <= 0xFFFB);
}

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// The marked character whose UTF-8 form begins at text[at], and the number
// of its bytes; 0 when the bytes there are no marked character.
std::size_t MarkedCharacterAt(std::string_view text, std::size_t at, char32_t& character) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const std::size_t length = byte(0) < 0xE0 ? 2 : 3;
  if (at + length > text.size() || !IsContinuation(byte(1))) return 0;
  if (length == 2) {
    character = static_cast<char32_t>(((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F));
  } else {
    if (!IsContinuation(byte(2))) return 0;
    character = static_cast<char32_t>(((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) |
                                      (byte(2) & 0x3F));
  }
  return IsMarked(character) ? length : 0;
}

std::string_view ReferenceOf(char c) {
  switch (c) {
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '\n':
      return "&#10;";
    default:
      return "&#13;";
  }
}

// "⟦U+XXXX⟧", MaxMarkupBytesPerByte bytes.
char* WriteMark(char* out, char32_t character) {
  constexpr char HexDigits[] = "0123456789ABCDEF";
  out = WriteLiteral(out, "\xE2\x9F\xA6U+");
  for (int shift = 12; shift >= 0; shift -= 4) *out++ = HexDigits[(character >> shift) & 0x0F];
  return WriteLiteral(out, "\xE2\x9F\xA7");
}

}  // namespace

bool BeginsCharacterReference(std::string_view text, std::size_t at) {
  return at + 1 < text.size() && (IsAsciiAlphanumeric(text[at + 1]) || text[at + 1] == '#');
}

void LowerAsciiCopy(const char* in, std::size_t count, char* out) {
  for (std::size_t at = 0; at < count; ++at) out[at] = LowerAscii(in[at]);
}

char* WriteMarkupText(char* out, std::string_view text) {
  const ByteTable& table = Markup;
  std::size_t at = 0;
  while (at < text.size()) {
    // Most names are one plain run, copied whole.
    std::size_t end = at;
    while (end < text.size() && table[static_cast<unsigned char>(text[end])] == ByteKind::Plain) {
      ++end;
    }
    std::memcpy(out, text.data() + at, end - at);
    out += end - at;
    if (end == text.size()) break;
    const char c = text[end];
    at = end + 1;
    char32_t character;
    switch (table[static_cast<unsigned char>(c)]) {
      case ByteKind::Reference:
        out = WriteLiteral(out, ReferenceOf(c));
        break;
      case ByteKind::Ampersand:
        out = WriteLiteral(out, BeginsCharacterReference(text, end) ? "&amp;" : "&");
        break;
      case ByteKind::Control:
        out = WriteMark(out, static_cast<unsigned char>(c));
        break;
      default:
        if (const std::size_t length = MarkedCharacterAt(text, end, character)) {
          out = WriteMark(out, character);
          at = end + length;
        } else {
          *out++ = c;
        }
    }
  }
  return out;
}

std::string MarkupText(std::string_view text) {
  std::string markup(MaxMarkupBytesPerByte * text.size(), '\0');
  markup.resize(static_cast<std::size_t>(WriteMarkupText(markup.data(), text) - markup.data()));
  return markup;
}

}  // namespace IO
