#include "tests/support/VisibleText.h"

#include <cstdio>
#include <utility>

namespace Testing {

std::string WithVisibleMarks(std::string_view utf8) {
  // Bidirectional controls, controls but tab and line breaks, invisible
  // formatting characters that no name needs, and U+27E6, which opens a mark.
  constexpr std::pair<unsigned, unsigned> Marked[] = {
      {0x00, 0x08},     {0x0B, 0x0C},     {0x0E, 0x1F},     {0x7F, 0x9F},
      {0xAD, 0xAD},     {0x61C, 0x61C},   {0x180E, 0x180E}, {0x200B, 0x200B},
      {0x200E, 0x200F}, {0x2028, 0x202E}, {0x2060, 0x206F}, {0x27E6, 0x27E6},
      {0x3164, 0x3164}, {0xFEFF, 0xFEFF}, {0xFFA0, 0xFFA0}, {0xFFF9, 0xFFFB}};
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
