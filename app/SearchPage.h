// The last step of a run: the page assembled from a template and the rows,
// the extension report, and search.html written into the scanned folder.
#pragma once

#include <string>
#include <string_view>

// The last backslash-separated component of rootPath with its first byte
// upper-cased ('a' to 'z' only).
std::string PageTitle(std::string_view rootPath);

// Appends templateText to page with each "^TITLE^" replaced by title and each
// "^DATE^" by date. Only the template is searched: the inserted texts are
// data and are never scanned again.
void FillPlaceholders(std::string_view templateText, std::string_view title, std::string_view date,
                      std::string& page);

// Builds the page from the chosen template, RowBuffer, the title and the
// generation time, prints the extension report, writes the page to
// RootPath "\search.html" and prints where, or that writing failed.
void WriteSearchPage();
