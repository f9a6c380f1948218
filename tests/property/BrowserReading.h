// The table body of a page read the way a browser reads it, written apart
// from the program's own code so that the two can disagree: rows parsed from
// the markup, character references decoded, links resolved to the file path
// they open. Whatever a browser might read in more than one way (a named
// reference this reader doesn't know, a raw '?' or '#' in a link) is an
// error, not a guess.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Testing {

struct PageRow {
  std::string Href;  // the attribute value, as written
  std::string Text;  // the link's content, as written
  std::string Kib;   // the size cell's number
};

// Splits the rows of a table body, each
//   <tr><td><a href="HREF" target="_blank">TEXT</a></td><td>KIB KB</td></tr>
// and a line feed, where HREF ends at the first '"' and TEXT at the first
// '<'. False, with the reason, for anything else.
bool ReadRows(std::string_view body, std::vector<PageRow>& rows, std::string& error);

// The number of '<' in the body outside the link attributes' values: the
// tags of the rows and any markup that names brought in.
std::size_t MarkupOutsideLinks(std::string_view body);

// Character references decoded as in an attribute value or in text. Line
// ends are normalised first (CR LF and a lone CR read as LF), as a browser
// does to all input.
bool DecodeReferences(std::string_view raw, std::string& decoded, std::string& error);

// The file a link opens, relative to the page's folder, with '/' between
// names: references decoded, control bytes and spaces at either end and tabs
// and line breaks anywhere dropped as the URL parser does, each backslash
// read as '/', then each name percent-decoded.
bool LinkedPath(std::string_view href, std::string& path, std::string& error);

// The bytes, with everything but printable ASCII shown as \xHH.
std::string Visible(std::string_view bytes);

}  // namespace Testing
