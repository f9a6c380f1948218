#include "io/TextForms.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>

#include "io/UnicodeTables.h"

namespace IO {
namespace {

bool IsAsciiAlphanumeric(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char* WriteLiteral(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// Whether c is in a table of sorted, disjoint ranges.
template <std::size_t N>
constexpr bool In(const UnicodeTables::Range (&table)[N], char32_t c) {
  const auto* range = std::lower_bound(std::begin(table), std::end(table), c,
                                       [](const auto& r, char32_t x) { return r.Last < x; });
  return range != std::end(table) && range->First <= c;
}

// Characters that show as nothing or as a blank, or reorder the text around
// them; and the mark's own opening bracket, so that no name can imitate a
// mark.
constexpr bool IsMarked(char32_t c) {
  return In(UnicodeTables::Invisible, c) || c == 0x27E6;
}

// What a byte of page text asks for.
enum class ByteKind : unsigned char {
  Plain,      // written as it is
  Reference,  // '<', '>': always a character reference
  Ampersand,  // '&': a reference when it would begin one
  Control,    // an ASCII control character: marked
  Lead,       // may begin a UTF-8 character that is marked
};

using ByteTable = std::array<ByteKind, 256>;

constexpr unsigned char LeadByte(char32_t c) {
  if (c < 0x800) return static_cast<unsigned char>(0xC0 | (c >> 6));
  if (c < 0x10000) return static_cast<unsigned char>(0xE0 | (c >> 12));
  return static_cast<unsigned char>(0xF0 | (c >> 18));
}

constexpr ByteTable MarkupBytes() {
  ByteTable table{};
  table['<'] = table['>'] = ByteKind::Reference;
  table['&'] = ByteKind::Ampersand;
  for (char32_t c = 0; c < 0x80; ++c) {
    if (IsMarked(c)) table[c] = ByteKind::Control;
  }
  // The first bytes of every marked character above U+007F.
  for (const auto& range : UnicodeTables::Invisible) {
    for (char32_t c = std::max(range.First, char32_t{0x80}); c <= range.Last && range.Last >= 0x80;
         ++c) {
      table[LeadByte(c)] = ByteKind::Lead;
    }
  }
  table[LeadByte(0x27E6)] = ByteKind::Lead;
  return table;
}

constexpr ByteTable Markup = MarkupBytes();

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// A UTF-8 character of a text: its code point and the number of its bytes,
// 0 where the bytes are no whole, well-formed character.
struct Decoded {
  char32_t Character = 0;
  std::size_t Length = 0;
};

Decoded DecodeAt(std::string_view text, std::size_t at) {
  if (at >= text.size()) return {};
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  if (lead < 0xC2 || lead > 0xF4 || at + length > text.size()) return {};
  char32_t c = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsContinuation(byte(i))) return {};
    c = (c << 6) | (byte(i) & 0x3F);
  }
  constexpr char32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < Least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {};
  return {c, length};
}

// The character that ends just before text[end].
Decoded DecodeBefore(std::string_view text, std::size_t end) {
  for (std::size_t length = 1; length <= 4 && length <= end; ++length) {
    if (!IsContinuation(static_cast<unsigned char>(text[end - length]))) {
      const Decoded before = DecodeAt(text, end - length);
      return before.Length == length ? before : Decoded{};
    }
  }
  return {};
}

// Walks from a character over those skipped (backward: the one before
// text[at]; forward: the one at text[at]) and tells whether the first other
// one is wanted.
template <typename Skipped, typename Wanted>
bool NextOtherIs(std::string_view text, std::size_t at, bool backward, Skipped skipped,
                 Wanted wanted) {
  for (;;) {
    const Decoded next = backward ? DecodeBefore(text, at) : DecodeAt(text, at);
    if (next.Length == 0) return false;
    if (!skipped(next.Character)) return wanted(next.Character);
    at = backward ? at - next.Length : at + next.Length;
  }
}

bool IsVariationSelector(char32_t c) {
  return (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0x180B && c <= 0x180D) || c == 0x180F ||
         (c >= 0xE0100 && c <= 0xE01EF);
}

bool IsVariationSequence(char32_t base, char32_t selector) {
  const UnicodeTables::Sequence sequence{base, selector};
  const auto less = [](const UnicodeTables::Sequence& a, const UnicodeTables::Sequence& b) {
    return a.Base != b.Base ? a.Base < b.Base : a.Selector < b.Selector;
  };
  return std::binary_search(std::begin(UnicodeTables::VariationSequences),
                            std::end(UnicodeTables::VariationSequences), sequence, less) ||
         (selector >= 0xE0100 && In(UnicodeTables::UnifiedIdeograph, base));
}

// Whether a marked character from text[at] to text[end] is one that its
// script needs where it stands, and so is shown as it is: a joiner or
// non-joiner after a virama; a non-joiner between letters that would join
// (both as in internationalised domain names); a joiner between two emoji;
// a variation selector that makes a variation sequence with the character
// before it.
bool NeededWhereItStands(std::string_view text, std::size_t at, std::size_t end, char32_t c) {
  using namespace UnicodeTables;
  const auto none = [](char32_t) { return false; };
  const Decoded before = DecodeBefore(text, at);
  if (before.Length == 0) return false;
  if (c == 0x200C || c == 0x200D) {
    if (In(Virama, before.Character)) return true;
    if (c == 0x200C) {
      const auto transparent = [](char32_t x) { return In(JoiningTransparent, x); };
      return NextOtherIs(text, at, true, transparent,
                         [](char32_t x) { return In(JoiningLeftOrDual, x); }) &&
             NextOtherIs(text, end, false, transparent,
                         [](char32_t x) { return In(JoiningRightOrDual, x); });
    }
    const auto emoji = [](char32_t x) { return In(ExtendedPictographic, x); };
    return NextOtherIs(
               text, at, true, [](char32_t x) { return x == 0xFE0F || In(EmojiModifier, x); },
               emoji) &&
           NextOtherIs(text, end, false, none, emoji);
  }
  return IsVariationSelector(c) && IsVariationSequence(before.Character, c);
}

// The length of the marked character at text[at]; 0 when the bytes there
// are no marked character, or one shown as it is where it stands.
std::size_t MarkedCharacterAt(std::string_view text, std::size_t at, char32_t& character) {
  const Decoded here = DecodeAt(text, at);
  if (here.Length == 0 || !IsMarked(here.Character) ||
      NeededWhereItStands(text, at, at + here.Length, here.Character)) {
    return 0;
  }
  character = here.Character;
  return here.Length;
}

// "⟦U+XXXX⟧", with as many hexadecimal digits as the code point needs, at
// least four: at most MaxMarkupBytesPerByte bytes per byte of the character.
char* WriteMark(char* out, char32_t character) {
  constexpr char HexDigits[] = "0123456789ABCDEF";
  out = WriteLiteral(out, "\xE2\x9F\xA6U+");
  int shift = 12;
  while (shift < 20 && (character >> (shift + 4)) != 0) shift += 4;
  for (; shift >= 0; shift -= 4) *out++ = HexDigits[(character >> shift) & 0x0F];
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
        out = WriteLiteral(out, c == '<' ? "&lt;" : "&gt;");
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
