// The table rows joined from the listing's data: each file's link, text and
// size as the row shows them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/Links.h"
#include "io/ListingData.h"
#include "io/TextForms.h"

namespace IO {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = LowerAscii(c);
  return text;
}

// The row of one file, through the data the walk writes.
std::string JoinedRow(const std::string& folder, const std::string& name, std::uint64_t size) {
  TextBuffer data;
  AppendFolderRecord(data, folder);
  AppendFileRecord(data, name, Lower(name), size);
  return TableRows(data.View());
}

TEST(TableRows, RowsCarryTheEncodedLinkTheLowerCasedNameAndTheSize) {
  struct Case {
    std::string Folder;
    std::string Name;
    std::uint64_t Size;
    std::string Row;
  };
  const std::vector<Case> cases = {
      {"\\2020", "Beach #1.JPG", 1500,
       "<tr><td><a href=\".\\2020\\Beach %231.JPG\" target=\"_blank\">beach #1.jpg</a></td>"
       "<td>2 KB</td></tr>\n"},
      {"", "notes.txt", 0,
       "<tr><td><a href=\".\\notes.txt\" target=\"_blank\">notes.txt</a></td><td>0 KB</td></tr>\n"},
      {"\\x\\y", "b.txt", 1,
       "<tr><td><a href=\".\\x\\y\\b.txt\" target=\"_blank\">b.txt</a></td>"
       "<td>1 KB</td></tr>\n"},
      {"", "it's \"a\" & b.txt", 1024,
       "<tr><td><a href=\".\\it%27s %22a%22 & b.txt\" target=\"_blank\">it's \"a\" & b.txt</a>"
       "</td><td>1 KB</td></tr>\n"},
      {"\\Caf\xC9", "\xC9T\xC9.TXT", 1025,
       std::string("<tr><td><a href=\".\\") + "Caf%C9\\%C9T%C9.TXT" +
           "\" target=\"_blank\">\xC9t\xC9.txt</a></td><td>2 KB</td></tr>\n"},
      {"", "big.iso", 5368709120ULL,
       "<tr><td><a href=\".\\big.iso\" target=\"_blank\">big.iso</a></td><td>5242880 KB</td>"
       "</tr>\n"},
      {"", "max", 0xFFFFFFFFFFFFFC00ULL,
       "<tr><td><a href=\".\\max\" target=\"_blank\">max</a></td><td>18014398509481983 KB</td>"
       "</tr>\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(JoinedRow(c.Folder, c.Name, c.Size), c.Row) << c.Name;
}

TEST(TableRows, LinkBytesThatABrowserWouldReadOtherwiseAreEncoded) {
  struct Case {
    std::string Folder;
    std::string Name;
    std::string Link;  // between the opening quote and the closing quote
    std::string Text;  // the link text
  };
  const std::vector<Case> cases = {
      {"\\Set #2", "a#b.txt", ".\\Set %232\\a%23b.txt", "a#b.txt"},
      {"\\100%", "50%41.txt", ".\\100%\\50%2541.txt", "50%41.txt"},
      {"\\%zz%4", "%%e9%", ".\\%zz%4\\%%25e9%", "%%e9%"},
      {"\\Tom & Jerry", "a&amp;b &#39; &", ".\\Tom & Jerry\\a%26amp;b %26%2339; &",
       "a&amp;amp;b &amp;#39; &"},
      {"\\&lt", "x&", ".\\%26lt\\x&", "x&"},
      {"\\end ", "LK4W  ", ".\\end \\LK4W%20%20", "lk4w  "},
      {"", "   ", ".\\%20%20%20", "   "},
      {"\\q?", "r?.txt", ".\\q%3F\\r%3F.txt", "r?.txt"},
      {"\\it's \"x\"", "y", ".\\it's %22x%22\\y", "y"},
      {"", "<img src=x onerror=alert(1)>", ".\\%3Cimg src=x onerror=alert(1)%3E",
       "&lt;img src=x onerror=alert(1)&gt;"},
      {"\\<b>", "a\\b", ".\\%3Cb%3E\\a%5Cb", "a\\b"},
      {"\\t\tab", "l\ni\rne\x7F", ".\\t%09ab\\l%0Ai%0Dne%7F",
       "l\u27E6U+000A\u27E7i\u27E6U+000D\u27E7ne\u27E6U+007F\u27E7"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JoinedRow(c.Folder, c.Name, 0), "<tr><td><a href=\"" + c.Link +
                                                  "\" target=\"_blank\">" + c.Text +
                                                  "</a></td><td>0 KB</td></tr>\n")
        << c.Name;
  }
}

TEST(TableRows, LinksOfAPageElsewhereBeginWithTheWayToTheScannedFolder) {
  struct Case {
    std::string Page;  // the page's folder
    std::string Root;  // the scanned folder
    bool SameFileSystem;
    std::string Base;
  };
  const std::string hard = "50%41 & it's #?\\|\xC3\xA9 ";  // a name with every kind of byte
  const std::string hardLink = "50%2541 & it%27s %23%3F%5C%7C%C3%A9%20";
  const std::vector<Case> cases = {
      {"/t", "/t", true, "."},
      {"/x/out", "/x/Movies", true, "..\\Movies"},
      {"/t/a/b", "/t", true, "..\\.."},
      {"/t", "/t/sub dir", true, ".\\sub dir"},
      {"/", "/mnt/" + hard, true, ".\\mnt\\" + hardLink},
      {"/tmp/p", "/mnt/" + hard, false, "file:///mnt/" + hardLink},
      {"/x", "/", false, "file://"},
      {"/x", "/C|", false, "file:///C%7C"},
      {"C:\\Indexes", "c:\\Movies", true, "..\\Movies"},
      {"\\\\?\\C:\\", "\\\\?\\C:\\Movies\\Film", true, ".\\Movies\\Film"},
      {"\\\\?\\C:\\users\\x", "\\\\?\\Z:\\tmp\\50%41 & #\xC3\xA9 ", true,
       "file:///Z:/tmp/50%2541 & %23%C3%A9%20"},
      {"\\\\?\\C:\\x", "\\\\?\\D:\\", true, "file:///D:"},
      {"\\\\?\\UNC\\nas\\movies\\idx", "\\\\NAS\\Movies", true, ".."},
      {"\\\\NAS\\Other", "\\\\?\\UNC\\NAS\\Movies\\Film", true, "file://NAS/Movies/Film"},
      {"C:\\x", "\\\\NAS\\Movies", true, "file://NAS/Movies"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LinkBase(c.Page, c.Root, c.SameFileSystem), c.Base) << c.Page << " " << c.Root;
  }
  TextBuffer data;
  AppendFolderRecord(data, "\\sub");
  AppendFileRecord(data, "a#.txt", "a#.txt", 1);
  EXPECT_EQ(TableRows(data.View(), "..\\Movies"),
            "<tr><td><a href=\"..\\Movies\\sub\\a%23.txt\" target=\"_blank\">a#.txt</a></td>"
            "<td>1 KB</td></tr>\n");
  EXPECT_EQ(LinkBaseRecord("."), "");
  EXPECT_EQ(LinkBaseRecord("file:///D:"), ">file:///D:\n");
}

TEST(TableRows, CaseMappingTouchesAsciiLettersOnly) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  std::string expected = all;
  for (char& c : expected) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  EXPECT_EQ(Lower(all), expected);
  EXPECT_EQ(UpperAscii('a'), 'A');
  EXPECT_EQ(UpperAscii('z'), 'Z');
  EXPECT_EQ(UpperAscii('\xE9'), '\xE9');
  EXPECT_EQ(UpperAscii('1'), '1');
}

}  // namespace
}  // namespace IO
