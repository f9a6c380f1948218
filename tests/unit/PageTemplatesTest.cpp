// Checks the built-in page texts byte by byte: the items of each head, their
// sizes and line ends, the placeholders, the embedded logos and the way the
// dark head differs from the light one.
#include "templates/PageTemplates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using std::string_view;

constexpr string_view kLogoStart = "<img src=\"data:image/jpeg;base64,";
constexpr string_view kLogoEnd = "\" width=\"192\" height=\"192\" alt=\"\">";
constexpr string_view kSearchScript =
    "$(document).ready(function(){ function searched(text) { return "
    "text.toLowerCase().replace(/\\u03c2/g, \"\\u03c3\").replace(/\\s/g, \" "
    "\").normalize(\"NFC\"); "
    "} var rows = document.getElementById(\"fTable\").rows; var texts = []; for (var i = 0; i < "
    "rows.length; i++) texts.push(searched(rows[i].cells[0].textContent) + \"\\x01\" + "
    "rows[i].cells[1].textContent); $(\"#_input\").on(\"keyup\", function() { var value = "
    "searched($(this).val()); var any = !/[\\0\\x01]/.test(value); for (var i = 0; i < "
    "rows.length; i++) { rows[i].style.display = any && texts[i].indexOf(value) > -1 ? \"\" : "
    "\"none\"; } }); });";

struct Theme {
  const char* Name;
  const PageTemplate* Template;
  string_view LineEnd;
  int LineEnds;
  int StyleSheetLineEnds;
  int Dpi;
};

void PrintTo(const Theme& theme, std::ostream* out) {
  *out << theme.Name;
}

const Theme kLight{"Light", &LightPageTemplate, "\r\n", 25, 5, 72};
const Theme kDark{"Dark", &DarkPageTemplate, "\n", 31, 11, 300};

std::size_t CountOf(string_view text, string_view needle) {
  std::size_t n = 0;
  for (auto at = text.find(needle); at != string_view::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

std::string ReplaceAll(string_view text, string_view needle, string_view replacement) {
  std::string out;
  std::size_t from = 0;
  for (auto at = text.find(needle); at != string_view::npos; at = text.find(needle, from)) {
    out.append(text.substr(from, at - from)).append(replacement);
    from = at + needle.size();
  }
  return out.append(text.substr(from));
}

// The items of a head, in order; each runs from its own start to the next one's.
struct HeadItem {
  const char* Name;
  std::string Start;
  std::size_t LightSize;  // 0: checked elsewhere
  std::size_t DarkSize;
};

std::vector<HeadItem> HeadItems(string_view eol) {
  const std::string e(eol);
  return {
      {"header comment", "<!--", 0, 0},
      {"document frame", "<!DOCTYPE html>", 178, 173},
      {"style sheet", "/*!" + e + " * Bootstrap v3.4.1", 121417, 121436},
      {"page style", "footer a{", 37, 36},
      {"style end", "#fTable a{white-space:pre-wrap}</style><script>", 49, 48},
      {"jQuery", "/*! jQuery v3.5.1", 89482, 89479},
      {"Bootstrap script", "/*!" + e + " * Bootstrap v3.4.1", 39689, 39683},
      {"body opening", "</script></head><body>", 128, 127},
      {"logo line", std::string(kLogoStart), 0, 0},
      {"heading", "</div><div class=\"column col-lg-10", 438, 437},
  };
}

// Splits a head at the item starts, searched in order; empty when one is missing.
std::vector<string_view> SplitHead(string_view head, const std::vector<HeadItem>& items) {
  std::vector<std::size_t> starts;
  std::size_t from = 0;
  for (const auto& item : items) {
    const auto at = head.find(item.Start, from);
    if (at == string_view::npos) return {};
    starts.push_back(at);
    from = at + item.Start.size();
  }
  if (starts.front() != 0) return {};
  std::vector<string_view> parts;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const auto end = i + 1 < starts.size() ? starts[i + 1] : head.size();
    parts.push_back(head.substr(starts[i], end - starts[i]));
  }
  return parts;
}

string_view LogoBase64(string_view head) {
  const auto start = head.find(kLogoStart);
  if (start == string_view::npos) return {};
  const auto data = start + kLogoStart.size();
  const auto end = head.find('"', data);
  return end == string_view::npos ? string_view{} : head.substr(data, end - data);
}

// Strict standard base64: full groups of four, "=" only as final padding.
std::optional<std::vector<std::uint8_t>> DecodeBase64(string_view text) {
  constexpr string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  if (text.empty() || text.size() % 4 != 0) return std::nullopt;
  std::size_t padding = 0;
  while (padding < 2 && text[text.size() - 1 - padding] == '=') ++padding;
  std::vector<std::uint8_t> bytes;
  std::uint32_t bits = 0;
  int count = 0;
  for (std::size_t i = 0; i < text.size() - padding; ++i) {
    const auto value = kAlphabet.find(text[i]);
    if (value == string_view::npos) return std::nullopt;
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes.push_back(static_cast<std::uint8_t>(bits >> count));
    }
  }
  if ((bits & ((1u << count) - 1)) != 0) return std::nullopt;  // stray bits in the last symbol
  return bytes;
}

struct JpegHeader {
  int JfifVersion = 0;  // major * 256 + minor
  int DensityUnits = -1;
  int XDensity = 0;
  int YDensity = 0;
  int FrameMarker = 0;  // the first SOFn marker
  int Precision = 0;
  int Height = 0;
  int Width = 0;
  int Components = 0;
  bool EndsWithEoi = false;
};

// Reads SOI, the JFIF APP0 segment and the first frame header.
std::optional<JpegHeader> ReadJpegHeader(const std::vector<std::uint8_t>& b) {
  auto u16 = [&](std::size_t at) { return b[at] << 8 | b[at + 1]; };
  if (b.size() < 20 || u16(0) != 0xFFD8 || u16(2) != 0xFFE0 || u16(4) < 16) return std::nullopt;
  if (string_view(reinterpret_cast<const char*>(&b[6]), 5) != string_view("JFIF\0", 5)) {
    return std::nullopt;
  }
  JpegHeader h;
  h.JfifVersion = u16(11);
  h.DensityUnits = b[13];
  h.XDensity = u16(14);
  h.YDensity = u16(16);
  h.EndsWithEoi = u16(b.size() - 2) == 0xFFD9;
  for (std::size_t at = 4 + u16(4); at + 4 <= b.size(); at += 2 + u16(at + 2)) {
    if (b[at] != 0xFF) return std::nullopt;
    const int marker = b[at + 1];
    const bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (at + 10 > b.size()) return std::nullopt;
      h.FrameMarker = marker;
      h.Precision = b[at + 4];
      h.Height = u16(at + 5);
      h.Width = u16(at + 7);
      h.Components = b[at + 9];
      return h;
    }
  }
  return std::nullopt;
}

class PageTemplateTest : public ::testing::TestWithParam<Theme> {};

TEST_P(PageTemplateTest, HeadItemsHaveTheirSizes) {
  const Theme& theme = GetParam();
  const auto items = HeadItems(theme.LineEnd);
  const auto parts = SplitHead(theme.Template->Head, items);
  ASSERT_EQ(parts.size(), items.size()) << "an item start is missing or out of order";
  for (std::size_t i = 0; i < items.size(); ++i) {
    const auto want = theme.Template == &LightPageTemplate ? items[i].LightSize : items[i].DarkSize;
    if (want != 0) {
      EXPECT_EQ(parts[i].size(), want) << items[i].Name;
    }
    EXPECT_TRUE(parts[i].ends_with(theme.LineEnd)) << items[i].Name;
  }
  const auto logo = LogoBase64(theme.Template->Head);
  EXPECT_EQ(parts[8].size(),
            kLogoStart.size() + logo.size() + kLogoEnd.size() + theme.LineEnd.size());
  EXPECT_EQ(parts[8], std::string(kLogoStart) + std::string(logo) + std::string(kLogoEnd) +
                          std::string(theme.LineEnd));
}

TEST_P(PageTemplateTest, OwnTextIsExact) {
  const Theme& theme = GetParam();
  const std::string eol(theme.LineEnd);
  const auto parts = SplitHead(theme.Template->Head, HeadItems(theme.LineEnd));
  ASSERT_EQ(parts.size(), 10u);
  EXPECT_EQ(parts[1], "<!DOCTYPE html>" + eol + "<html lang=\"en\">" + eol + "<head>" + eol +
                          "<title>Findlet - ^TITLE^</title><meta charset=\"utf-8\" /><meta "
                          "name=\"viewport\" content=\"width=device-width, initial-scale=1\">" +
                          eol + "<style>" + eol);
  EXPECT_EQ(parts[3], "footer a{text-decoration:underline}" + eol);
  // Link texts show every blank, as wide as it is.
  EXPECT_EQ(parts[4], "#fTable a{white-space:pre-wrap}</style><script>" + eol);
  EXPECT_EQ(parts[7],
            "</script></head><body><div class=\"container\"><main><div class=\"row "
            "clearfix\"><div class=\"column col-lg-2 col-md-12 col-sm-12\">" +
                eol);
  EXPECT_EQ(
      parts[9],
      "</div><div class=\"column col-lg-10 col-md-12 col-sm-12\"><h1 class=\"h2\">Findlet - "
      "^TITLE^</h1><br/><p id=\"fHelp\">Type something to search for filenames or file "
      "extensions (e.g readme.md, .mp3):</p><input class=\"form-control\" id=\"_input\" "
      "type=\"text\" placeholder=\"Search...\" aria-labelledby=\"fHelp\"></div></div><br/><table "
      "class=\"table table-bordered "
      "table-striped\"><thead><tr><th>Filename</th><th>Size</th></tr></thead><tbody "
      "id=\"fTable\">" +
          eol);
}

TEST_P(PageTemplateTest, HeaderCommentIsOneLineNamingTheProduct) {
  const Theme& theme = GetParam();
  const string_view head = theme.Template->Head;
  const auto line = head.substr(0, head.find(theme.LineEnd));
  EXPECT_TRUE(line.starts_with("<!--") && line.ends_with("-->")) << line;
  EXPECT_EQ(CountOf(line, "-->"), 1u) << line;
  EXPECT_NE(line.find("Findlet"), string_view::npos) << line;
  EXPECT_NE(line.find("https://findlet.example/"), string_view::npos) << line;
  EXPECT_NE(line.find("(c)"), string_view::npos) << line;
}

TEST_P(PageTemplateTest, LibraryItemsKeepTheirLayout) {
  const Theme& theme = GetParam();
  const std::string eol(theme.LineEnd);
  const auto parts = SplitHead(theme.Template->Head, HeadItems(theme.LineEnd));
  ASSERT_EQ(parts.size(), 10u);
  const string_view css = parts[2];
  EXPECT_EQ(css.find("sourceMappingURL"), string_view::npos);
  EXPECT_EQ(css.find("data:"), string_view::npos);
  EXPECT_TRUE(css.ends_with("@media print{.hidden-print{display:none!important}}" + eol));
  EXPECT_TRUE(
      css.starts_with("/*!" + eol + " * Bootstrap v3.4.1 (https://getbootstrap.com/)" + eol));
  EXPECT_NE(css.find(eol + " */" + "/*! normalize.css v3.0.3"), string_view::npos);
  EXPECT_EQ(CountOf(css, eol), static_cast<std::size_t>(theme.StyleSheetLineEnds));

  const string_view jquery = parts[5];
  EXPECT_TRUE(jquery.ends_with("  " + eol + eol));
  EXPECT_EQ(CountOf(jquery, eol), 3u);
  const string_view script = parts[6];
  EXPECT_TRUE(script.ends_with("}(jQuery);  " + eol));
  EXPECT_EQ(CountOf(script, eol), 6u);
  EXPECT_TRUE(script.starts_with("/*!" + eol + " * Bootstrap v3.4.1"));
  EXPECT_NE(script.find(eol + " */" + eol), string_view::npos);
}

TEST_P(PageTemplateTest, LineEndsPlaceholdersAndBytes) {
  const Theme& theme = GetParam();
  const string_view head = theme.Template->Head;
  const string_view tail = theme.Template->Tail;
  const bool light = theme.Template == &LightPageTemplate;
  EXPECT_EQ(CountOf(head, theme.LineEnd), static_cast<std::size_t>(theme.LineEnds));
  EXPECT_EQ(CountOf(head, "\n"), static_cast<std::size_t>(theme.LineEnds));
  EXPECT_EQ(CountOf(head, "\r"), light ? static_cast<std::size_t>(theme.LineEnds) : 0u);
  EXPECT_EQ(CountOf(tail, "\n"), 1u);
  EXPECT_EQ(CountOf(tail, "\r"), 0u);
  EXPECT_TRUE(tail.ends_with("</html>\n"));

  EXPECT_EQ(CountOf(head, "^TITLE^"), 2u);
  EXPECT_EQ(CountOf(head, "^DATE^"), 0u);
  EXPECT_EQ(CountOf(tail, "^TITLE^"), 0u);
  EXPECT_EQ(CountOf(tail, "^DATE^"), 1u);

  for (const string_view text : {head, tail}) {
    std::size_t bad = 0;
    for (const char c : text) {
      const bool printable = c >= 0x20 && c <= 0x7E;
      if (!printable && c != '\n' && !(c == '\r' && light && text == head)) ++bad;
    }
    EXPECT_EQ(bad, 0u) << "bytes outside printable ASCII and the line ends";
  }

  EXPECT_TRUE(head.ends_with("<tbody id=\"fTable\">" + std::string(theme.LineEnd)));
  EXPECT_TRUE(tail.starts_with("</tbody>"));
}

TEST_P(PageTemplateTest, LogoIsAProgressiveJfifJpeg) {
  const Theme& theme = GetParam();
  const auto base64 = LogoBase64(theme.Template->Head);
  const auto bytes = DecodeBase64(base64);
  ASSERT_TRUE(bytes.has_value()) << "the logo is not valid base64";
  const auto header = ReadJpegHeader(*bytes);
  ASSERT_TRUE(header.has_value()) << "the logo has no JFIF header or frame";
  EXPECT_EQ(header->JfifVersion, 0x0101);
  EXPECT_EQ(header->DensityUnits, 1);  // dots per inch
  EXPECT_EQ(header->XDensity, theme.Dpi);
  EXPECT_EQ(header->YDensity, theme.Dpi);
  EXPECT_EQ(header->FrameMarker, 0xC2);  // progressive, Huffman
  EXPECT_EQ(header->Precision, 8);
  EXPECT_EQ(header->Width, 370);
  EXPECT_EQ(header->Height, 370);
  EXPECT_EQ(header->Components, 3);
  EXPECT_TRUE(header->EndsWithEoi);
}

INSTANTIATE_TEST_SUITE_P(Themes, PageTemplateTest, ::testing::Values(kLight, kDark),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(PageTemplateTailTest, BothThemesShareOneTail) {
  EXPECT_STREQ(LightPageTemplate.Tail, DarkPageTemplate.Tail);
}

TEST(PageTemplateTailTest, FooterAndSearchScript) {
  const string_view tail = LightPageTemplate.Tail;
  const string_view opening =
      "</tbody></table></main><footer><p class=\"text-center\">Auto generated <i>(^DATE^)</i> with "
      "<a "
      "href=\"https://findlet.example/\" target=\"_blank\">Findlet</a> - ";
  const std::string closing =
      "</p></footer></div><script> " + std::string(kSearchScript) + " </script></body></html>\n";
  ASSERT_TRUE(tail.starts_with(opening)) << tail;
  ASSERT_TRUE(tail.ends_with(closing)) << tail;
  ASSERT_GE(tail.size(), opening.size() + closing.size());
  // The credit: the maker's notice, then one link to the maker's site.
  const auto credit = tail.substr(opening.size(), tail.size() - opening.size() - closing.size());
  const auto link = credit.find("<a href=\"https://findlet.example/about\" target=\"_blank\">");
  ASSERT_NE(link, string_view::npos) << credit;
  EXPECT_NE(credit.substr(0, link).find("Findlet developers"), string_view::npos) << credit;
  EXPECT_TRUE(credit.ends_with(">findlet.example</a>")) << credit;
  EXPECT_EQ(CountOf(credit, "<a "), 1u) << credit;
}

TEST(PageTemplateLargeTest, LargeFormFramesItsDataBetweenTheTableAndTheFooter) {
  const string_view open = LargeListing.Open;
  const string_view close = LargeListing.Close;
  const string_view tail = LightPageTemplate.Tail;
  EXPECT_TRUE(open.starts_with("</tbody></table><noscript>")) << open.substr(0, 40);
  // Its script is the last element before the data, and nothing in it ends it
  // early or opens a comment that would hide the end.
  EXPECT_TRUE(open.ends_with("</script>"));
  EXPECT_EQ(CountOf(open, "</script"), 1u);
  EXPECT_EQ(CountOf(open, "<!--"), 0u);
  EXPECT_EQ(CountOf(open, "^"), 0u);
  // The same footer as the table form's, then the page's end.
  const std::string footer(close.substr(0, close.size() - string_view("</body></html>\n").size()));
  EXPECT_TRUE(close.ends_with("</p></footer></div></body></html>\n"));
  EXPECT_EQ(tail.substr(string_view("</tbody></table>").size(), footer.size()), footer);
  for (const string_view text : {open, close}) {
    EXPECT_EQ(std::count_if(text.begin(), text.end(),
                            [](char c) { return (c < 0x20 || c > 0x7E) && c != '\n'; }),
              0);
  }
}

// Undoing exactly the listed differences turns the dark head into the light one.
TEST(PageTemplateDarkTest, DarkHeadIsLightHeadWithListedDifferences) {
  struct Edit {
    string_view Dark;
    string_view Light;
  };
  const Edit edits[] = {
      {";\n color:#D8FFE3;background-color:#08040F}\n button,input,select,textarea{",
       ";color:#333;background-color:#fff}button,input,select,textarea{"},
      {"}\n a{color:#BBBBBB;text-decoration:none}\n a:focus,a:hover{",
       "}a{color:#3174ad;text-decoration:none}a:focus,a:hover{"},
      {"a:focus,a:hover{color:#D8FFE3;", "a:focus,a:hover{color:#23527c;"},
      {"a.text-info:focus,a.text-info:hover{color:#995269}",
       "a.text-info:focus,a.text-info:hover{color:#245269}"},
      {".table-striped>tbody>tr:nth-of-type(odd){\n    background-color:#04080F\n    }",
       ".table-striped>tbody>tr:nth-of-type(odd){background-color:#f9f9f9}"},
  };
  const string_view light_head = LightPageTemplate.Head;
  std::string dark(DarkPageTemplate.Head);
  for (const auto& edit : edits) {
    ASSERT_EQ(CountOf(dark, edit.Dark), 1u) << edit.Dark;
    ASSERT_EQ(CountOf(light_head, edit.Light), 1u) << edit.Light;
    dark = ReplaceAll(dark, edit.Dark, edit.Light);
  }
  const auto dark_logo = LogoBase64(dark);
  const auto light_logo = LogoBase64(light_head);
  ASSERT_FALSE(dark_logo.empty());
  EXPECT_NE(dark_logo, light_logo);
  dark = ReplaceAll(dark, dark_logo, light_logo);

  const std::string light = ReplaceAll(light_head, "\r\n", "\n");
  ASSERT_EQ(dark.size(), light.size());
  EXPECT_TRUE(dark == light) << "first difference at byte "
                             << std::mismatch(dark.begin(), dark.end(), light.begin()).first -
                                    dark.begin();
}

}  // namespace
