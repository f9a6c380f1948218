// Names as the tool sees them and as they are spelt on the host's disk.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/support/RunTool.h"

namespace Testing {

// The name to create on the host so that the tool sees the given bytes. A
// Linux build sees a name's bytes as they are. A Windows build under Wine
// sees names (and its arguments) in the ANSI code page, 1252, converted from
// the host's UTF-8: there a byte from 0xA0 to 0xFF is the UTF-8 spelling of
// the character of that number, where code page 1252 agrees with Latin-1.
inline std::string HostName(std::string_view seen) {
  if (!WindowsTarget()) return std::string(seen);
  std::string name;
  for (const char ch : seen) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      name += ch;
    } else {
      EXPECT_GE(c, 0xA0) << "no Latin-1 character for byte " << int{c};
      name += static_cast<char>(0xC0 | (c >> 6));
      name += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return name;
}

}  // namespace Testing
