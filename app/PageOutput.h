// Where the page goes: search.html in the scanned folder, or the place that
// --output= names, with links that reach the listed files from there.
#pragma once

#include <string>
#include <string_view>

#include "app/RunState.h"
#include "platform/FolderSource.h"

struct PageOutput {
  std::string Path;            // the page's path text, as the console names it
  std::string LinkBase = ".";  // what every link begins with (IO::LinkBase)
  bool OnlyOverPage = false;   // a file at Path is replaced only when it is a page
};

// The page file that --output=PATH names: PATH itself, or search.html in it
// where PATH ends in '\' or '/' or names an existing folder.
std::string OutputPagePath(std::string_view path, Platform::FolderSource& folders);

// Where the run's page goes. With --output=, the page's folder must exist and
// nothing but a page stand at its path: otherwise the console says why and
// that the page cannot be written, and the result is false.
bool PreparePageOutput(const RunState& run, Platform::FolderSource& folders, PageOutput& output);

// Whether a page may take the place of what stands at path: nothing, an
// empty file, or a page (a plain file that begins with a page's first line).
// Otherwise says on the console that it is left as it was.
bool MayReplaceWithPage(const std::string& path);

// Tells the walk where the page goes, when it goes into the scanned tree:
// the page path's text must begin with the root's, as the walk spells it.
void PlacePageInWalk(std::string_view pagePath, IO::WalkOptions& walk);

// The lines that end a run whose page could not be written.
void PrintPageFailure(const std::string& path);
