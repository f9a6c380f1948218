// Reading back a page the tool wrote.
#pragma once

#include <string>
#include <vector>

namespace Testing {

struct PageParts {
  std::string Head;  // up to and including the line end after the table body's opening tag
  std::string Rows;  // every row, as written
  std::string Tail;  // from "</tbody>" to the end
};

// Splits a page at the table body; empty parts when it has none.
PageParts SplitPage(const std::string& page);

// Whether a page is of the large-listing form, its rows held as data.
bool IsLargeListing(const std::string& page);

// The rows of a page, without their line feeds, in page order: those of its
// table, or, in the large-listing form, those its data holds, each joined
// from its pieces as the page's script joins them. A text without a table
// body is taken for the table rows alone.
std::vector<std::string> PageRows(const std::string& page);

// PageRows, sorted.
std::vector<std::string> SortedRows(const std::string& page);

// The links of a page's rows (PageRows) in page order, percent escapes
// decoded: the bytes of each file's path as the link names it (".\a\b.txt").
std::vector<std::string> RowLinks(const std::string& page);

// The expected head and tail of a page: the template with its placeholders
// filled.
std::string ExpectedHead(bool dark, const std::string& title);
std::string ExpectedTail(const std::string& date);

// The row of a listed file, without its line feed.
std::string Row(const std::string& link, const std::string& text, const std::string& kib);

std::vector<std::string> Sorted(std::vector<std::string> rows);

// Seconds since 1970-01-01 00:00:00 UTC, now.
long long NowSeconds();

// The date texts a run between the two times may have written.
std::vector<std::string> PossibleDates(long long firstSecond, long long lastSecond);

}  // namespace Testing
