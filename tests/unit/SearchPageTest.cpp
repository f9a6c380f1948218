#include "app/SearchPage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/GenerationTime.h"
#include "io/TextForms.h"

namespace {

TEST(SearchPage, TitleIsTheLastBackslashComponentWithItsFirstByteUpperCased) {
  struct Case {
    std::string Root;
    std::string Title;
  };
  const std::vector<Case> cases = {
      {"C:\\photos", "Photos"},
      {"C:\\Photos\\2021", "2021"},
      {"\\\\nas\\movies", "Movies"},
      {"C:", "C:"},
      {"photos", "Photos"},
      {"", ""},
      {"C:/data/pics", "C:/data/pics"},
      {"x\\\xE9t\xE9", "\xE9t\xE9"},
      {"x\\_a", "_a"},
      {"x\\^DATE^", "^DATE^"},
  };
  for (const Case& c : cases) EXPECT_EQ(PageTitle(c.Root), c.Title) << c.Root;
}

TEST(SearchPage, PlaceholdersAreFilledInTheTemplateOnly) {
  struct Case {
    std::string Template;
    std::string Title;
    std::string Date;
    std::string Page;
  };
  const std::vector<Case> cases = {
      {"<t>^TITLE^</t><h>^TITLE^</h>", "Pics", "D\n", "<t>Pics</t><h>Pics</h>"},
      {"(^DATE^)", "T", "Mon Dec  7 05:32:02 2026\n", "(Mon Dec  7 05:32:02 2026\n)"},
      // Inserted text is data: it is never searched again.
      {"^TITLE^|^DATE^", "^DATE^", "^TITLE^", "^DATE^|^TITLE^"},
      {"^TITLE^^TITLE^", "^TITLE", "", "^TITLE^TITLE"},
      // Carets that begin no placeholder stay as they are.
      {"a^b^^TITLE ^DATE ^^DATE^^", "T", "D", "a^b^^TITLE ^DATE ^D^"},
      {"no placeholder", "T", "D", "no placeholder"},
      {"", "T", "D", ""},
  };
  for (const Case& c : cases) {
    std::string page = "#";
    FillPlaceholders(c.Template, {c.Title, c.Date}, page);
    EXPECT_EQ(page, "#" + c.Page) << c.Template;
  }
}

TEST(SearchPage, TitlesAndLinkTextsShowAsTheyAre) {
  struct Case {
    std::string Text;
    std::string Markup;
  };
  const std::vector<Case> cases = {
      {"<b>Tom & \"Jerry\"</b>", "&lt;b&gt;Tom & \"Jerry\"&lt;/b&gt;"},
      {"&#x3C &lt &amp; a&b &", "&amp;#x3C &amp;lt &amp;amp; a&amp;b &"},
      // Tabs and line breaks show as marks too, so that no name looks like
      // one with a blank.
      {"cr\rlf\ntab\t", "cr\u27E6U+000D\u27E7lf\u27E6U+000A\u27E7tab\u27E6U+0009\u27E7"},
      {"", ""},
      // Characters that would hide or reorder text show as marks; others,
      // and bytes that are no whole character, stay as they are.
      {"invoice\u202Egpj.exe", "invoice\u27E6U+202E\u27E7gpj.exe"},
      {"\u061C\u200E\u200F\u202A\u2066\u2069",
       "\u27E6U+061C\u27E7\u27E6U+200E\u27E7\u27E6U+200F\u27E7"
       "\u27E6U+202A\u27E7\u27E6U+2066\u27E7\u27E6U+2069\u27E7"},
      {"\x01\x1F\x7F\u0085\u00AD\u200B\uFEFF",
       "\u27E6U+0001\u27E7\u27E6U+001F\u27E7\u27E6U+007F"
       "\u27E7\u27E6U+0085\u27E7\u27E6U+00AD\u27E7\u27E6U+200B\u27E7\u27E6U+FEFF\u27E7"},
      // Each of these makes pay?pal.txt show as paypal.txt.
      {"a\u200Ca\u200Da\u034Fa\uFE0Fa\u180Ba\u17B4a\U0001D173a\uFFFCa\U000E0041\U000E0042a"
       "\u115Fa\u1160a\u2800",
       "a\u27E6U+200C\u27E7a\u27E6U+200D\u27E7a\u27E6U+034F\u27E7a\u27E6U+FE0F\u27E7a"
       "\u27E6U+180B\u27E7a\u27E6U+17B4\u27E7a\u27E6U+1D173\u27E7a\u27E6U+FFFC\u27E7a"
       "\u27E6U+E0041\u27E7\u27E6U+E0042\u27E7a\u27E6U+115F\u27E7a\u27E6U+1160\u27E7a"
       "\u27E6U+2800\u27E7"},
      // Joiners, non-joiners and variation selectors stay where a script
      // needs them: Persian, a Devanagari conjunct, emoji sequences, an
      // emoji presentation, an ideographic variant...
      {"\u0645\u06CC\u200C\u062E\u0648\u0627\u0647\u0645 \u0915\u094D\u200D\u0937",
       "\u0645\u06CC\u200C\u062E\u0648\u0627\u0647\u0645 \u0915\u094D\u200D\u0937"},
      {"\U0001F468\u200D\U0001F469\u200D\U0001F467 \u263A\uFE0F \U0001F3F3\uFE0F\u200D"
       "\U0001F308 \U0001F9D1\U0001F3FD\u200D\U0001F4BB \u845B\U000E0100",
       "\U0001F468\u200D\U0001F469\u200D\U0001F467 \u263A\uFE0F \U0001F3F3\uFE0F\u200D"
       "\U0001F308 \U0001F9D1\U0001F3FD\u200D\U0001F4BB \u845B\U000E0100"},
      // ...and nowhere else: a non-joiner after a letter that joins nothing
      // after it, a joiner between letters, one that ends an emoji.
      {"\u0631\u200C\u0628 \u0628\u200D\u0628 \U0001F468\u200D",
       "\u0631\u27E6U+200C\u27E7\u0628 \u0628\u27E6U+200D\u27E7\u0628 \U0001F468\u27E6U+200D"
       "\u27E7"},
      {"\u27E6U+202E\u27E7", "\u27E6U+27E6\u27E7U+202E\u27E7"},
      {"\u2070\u00A0\u00C9\xE2\x80z\xE2\x80\xF3\xA0\x81",
       "\u2070\u00A0\u00C9\xE2\x80z\xE2\x80\xF3\xA0\x81"},
  };
  for (const Case& c : cases) EXPECT_EQ(IO::MarkupText(c.Text), c.Markup) << c.Text;
}

TEST(GenerationTime, AsctimeFormPadsTheDayWithASpace) {
  struct Case {
    int Year, Month, Day, Weekday, Hour, Minute, Second;
    std::string Text;
  };
  const std::vector<Case> cases = {
      {2026, 11, 7, 1, 5, 32, 2, "Mon Dec  7 05:32:02 2026\n"},
      {2026, 11, 17, 4, 23, 4, 9, "Thu Dec 17 23:04:09 2026\n"},
      {1970, 0, 1, 4, 0, 0, 0, "Thu Jan  1 00:00:00 1970\n"},
      {9999, 5, 30, 0, 12, 59, 60, "Sun Jun 30 12:59:60 9999\n"},
      // Nothing that the form cannot hold.
      {10000, 0, 1, 6, 0, 0, 0, ""},
      {999, 0, 1, 6, 0, 0, 0, ""},
      {2026, 12, 1, 0, 0, 0, 0, ""},
      {2026, 0, 1, 7, 0, 0, 0, ""},
  };
  for (const Case& c : cases) {
    std::tm local{};
    local.tm_year = c.Year - 1900;
    local.tm_mon = c.Month;
    local.tm_mday = c.Day;
    local.tm_wday = c.Weekday;
    local.tm_hour = c.Hour;
    local.tm_min = c.Minute;
    local.tm_sec = c.Second;
    EXPECT_EQ(AsctimeText(local), c.Text) << c.Text;
  }
}

TEST(GenerationTime, CurrentTimeHasTheAsctimeForm) {
  const std::string text = GenerationTime();
  ASSERT_EQ(text.size(), 25u) << text;
  EXPECT_EQ(text.back(), '\n');
  EXPECT_GE(CurrentTimeSeconds(), 1'700'000'000);  // later than the code itself
}

}  // namespace
