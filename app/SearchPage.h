// The last step of a run: the page assembled from a template and the
// listing, the extension report, and the page written: search.html in the
// scanned folder, or where --output= says.
#pragma once

#include <string>
#include <string_view>

#include "app/PageOutput.h"
#include "app/RunState.h"
#include "io/FolderWalk.h"

// The last backslash-separated component of rootPath with its first byte
// upper-cased ('a' to 'z' only).
std::string PageTitle(std::string_view rootPath);

// The texts that stand for a template's placeholders.
struct PlaceholderValues {
  std::string_view Title;  // "^TITLE^"
  std::string_view Date;   // "^DATE^"
};

// Appends templateText to page with each placeholder replaced by its value.
// Only the template is searched: the inserted texts are data and are never
// scanned again.
void FillPlaceholders(std::string_view templateText, const PlaceholderValues& values,
                      std::string& page);

// Builds the page from the chosen template, the listing, the title and the
// generation time, prints the extension report, writes the page where output
// says and prints where, or that writing failed.
void WriteSearchPage(const RunState& run, const IO::Listing& listing, const PageOutput& output);
