// The texts between the program and the Windows wide-character calls.
#include "platform/WidePath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Platform {
namespace {

WideText W(std::u16string_view text) {
  return WideText(text.begin(), text.end());
}

TEST(WidePath, UnpairedSurrogatesBecomeTheReplacementCharacter) {
  struct Case {
    std::u16string Wide;
    std::string Utf8;
    bool Paired;
  };
  const std::vector<Case> cases = {
      {u"Caf\u00E9 \u65E5\u672C", "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC", true},
      {u"\U0001F600.txt", "\xF0\x9F\x98\x80.txt", true},
      {u"a\xD800", "a\xEF\xBF\xBD", false},                    // high at the end
      {u"\xDC00z", "\xEF\xBF\xBDz", false},                    // low alone
      {u"\xD800x\xDFFF", "\xEF\xBF\xBDx\xEF\xBF\xBD", false},  // high then a non-low
      {u"\xDC00\xD800", "\xEF\xBF\xBD\xEF\xBF\xBD", false},    // the pair reversed
      {u"\xD83D\xD83D\xDE00", "\xEF\xBF\xBD\xF0\x9F\x98\x80", false},
  };
  for (const Case& c : cases) {
    const WideText wide = W(c.Wide);
    std::string out(wide.size() * Utf8BytesPerUnit, '\0');
    bool paired = true;
    out.resize(static_cast<std::size_t>(WriteUtf8(wide, out.data(), paired) - out.data()));
    EXPECT_EQ(out, c.Utf8) << c.Utf8;
    EXPECT_EQ(paired, c.Paired) << c.Utf8;
    // What is valid comes back as it was; a replaced surrogate as U+FFFD.
    if (c.Paired) {
      EXPECT_TRUE(WideTextOf(c.Utf8) == wide) << c.Utf8;
    }
  }
}

TEST(WidePath, SystemPathsAreAbsoluteAndPrefixed) {
  struct Case {
    std::string Path;
    std::u16string Current;
    std::u16string System;
  };
  const std::vector<Case> cases = {
      {"C:\\Music\\Album", u"D:\\work", u"\\\\?\\C:\\Music\\Album"},
      {"c:/Music//Album\\\\", u"D:\\work", u"\\\\?\\c:\\Music\\Album"},
      {"C:\\", u"D:\\work", u"\\\\?\\C:\\"},
      {"Music\\.\\Pop\\..\\Rock", u"D:\\work", u"\\\\?\\D:\\work\\Music\\Rock"},
      {"..\\..\\..\\up", u"D:\\work", u"\\\\?\\D:\\up"},
      {"\\rooted", u"D:\\work", u"\\\\?\\D:\\rooted"},
      {"E:rel", u"E:\\its\\own", u"\\\\?\\E:\\its\\own\\rel"},  // a drive's own folder
      {"\\\\NAS\\Movies\\Film", u"D:\\work", u"\\\\?\\UNC\\NAS\\Movies\\Film"},
      {"\\\\NAS\\Movies", u"D:\\work", u"\\\\?\\UNC\\NAS\\Movies\\"},
      {"//NAS/Movies/../../x", u"D:\\work", u"\\\\?\\UNC\\NAS\\Movies\\x"},
      {"rel\\*.*", u"\\\\NAS\\Share\\dir", u"\\\\?\\UNC\\NAS\\Share\\dir\\rel\\*.*"},
      {"\\rooted", u"\\\\NAS\\Share\\dir", u"\\\\?\\UNC\\NAS\\Share\\rooted"},
      {"rel", u"\\\\?\\UNC\\NAS\\Share", u"\\\\?\\UNC\\NAS\\Share\\rel"},
      // Names are kept exactly; other scripts become UTF-16.
      {"dot.\\blank \\Caf\xC3\xA9", u"D:\\", u"\\\\?\\D:\\dot.\\blank \\Caf\u00E9"},
      {"\\\\?\\C:\\as\\given\\..", u"D:\\work", u"\\\\?\\C:\\as\\given\\.."},
      {"", u"D:\\work", u""},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(SystemPath(c.Path, W(c.Current)) == W(c.System))
        << c.Path << " gave " << Utf8Text(SystemPath(c.Path, W(c.Current)));
  }
}

}  // namespace
}  // namespace Platform
