#include "tests/support/VisibleText.h"

#include <cstdio>
#include <utility>

namespace Testing {

std::string WithVisibleMarks(std::string_view utf8) {
  // Default-ignorable characters (Unicode 15.0), controls, line and
  // paragraph separators, Hangul fillers, U+2800, U+FFF9 to U+FFFC, and
  // U+27E6, which opens a mark. (Joiners and selectors that a script needs
  // where they stand are not modelled: random names hold none.)
  constexpr std::pair<unsigned, unsigned> Marked[] = {
      {0x00, 0x1F},      {0x7F, 0x9F},     {0xAD, 0xAD},     {0x34F, 0x34F},     {0x61C, 0x61C},
      {0x115F, 0x1160},  {0x17B4, 0x17B5}, {0x180B, 0x180F}, {0x200B, 0x200F},   {0x2028, 0x202E},
      {0x2060, 0x206F},  {0x27E6, 0x27E6}, {0x2800, 0x2800}, {0x3164, 0x3164},   {0xFE00, 0xFE0F},
      {0xFEFF, 0xFEFF},  {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFFC}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
      {0xE0000, 0xE0FFF}};
  std::string shown;
  for (std::size_t at = 0; at < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    unsigned c = length == 1 ? lead : lead & (0x7Fu >> length);
    bool whole = at + length <= utf8.size() && (length == 1 || (lead >= 0xC2 && lead <= 0xF4));
    for (std::size_t i = 1; whole && i < length; ++i) {
      whole = (static_cast<unsigned char>(utf8[at + i]) & 0xC0) == 0x80;
      c = (c << 6) | (utf8[at + i] & 0x3F);
    }
    bool inSet = false;
    for (const auto& [first, last] : Marked) inSet = inSet || (c >= first && c <= last);
    if (whole && inSet) {
      char mark[16];
      std::snprintf(mark, sizeof mark, "\xE2\x9F\xA6U+%04X\xE2\x9F\xA7", c);
      shown += mark;
      at += length;
    } else {
      shown += utf8[at++];
    }
  }
  return shown;
}

}  // namespace Testing
