// Byte-wise text forms shared by the listing rows and the page: ASCII case
// mapping, and names written as page text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace IO {

// 'A' to 'Z' become 'a' to 'z'; every other byte, 0x80 to 0xFF included,
// stays as it is, whatever the locale.
inline char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
inline char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
// Copies count bytes from in to out, each through LowerAscii.
void LowerAsciiCopy(const char* in, std::size_t count, char* out);

// Whether the '&' at text[at] would begin a character reference in the page
// (a letter, digit or '#' follows it). Any other '&' reads as itself.
bool BeginsCharacterReference(std::string_view text, std::size_t at);

// Text as the page must hold it to show it as it is: '<', '>' and an '&'
// that would begin a character reference are written as references. Used
// for the link text and the page title.
//
// A UTF-8 character that a browser would show as nothing or as a blank, or
// that would reorder what the browser shows around it, is written as a
// visible mark of its code point instead, such as "⟦U+202E⟧", so that no
// name can show as another: the characters of UnicodeTables::Invisible (the
// default-ignorable characters, the control characters with tab and line
// breaks, the line and paragraph separators, the Hangul fillers, U+FFFC,
// U+2800 and U+FFF9 to U+FFFB). Left as they are only where their script
// needs them: a joiner or non-joiner after a virama, a non-joiner between
// letters that join, a joiner inside an emoji sequence, and a variation
// selector that makes a variation sequence. The mark's own opening bracket
// U+27E6 is marked too, so that no name can imitate a mark.
std::string MarkupText(std::string_view text);

// The longest form MarkupText gives one byte: a control byte's mark.
inline constexpr std::size_t MaxMarkupBytesPerByte = 12;

// MarkupText written at out, which has room for MaxMarkupBytesPerByte bytes
// per byte of text; returns the end of what was written.
char* WriteMarkupText(char* out, std::string_view text);

}  // namespace IO
