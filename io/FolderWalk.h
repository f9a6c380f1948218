// The depth-first walk of the folder tree below a root: one record in the
// listing's data and one extension in its set for every file that passes the
// filter. It writes no message to the console, only reports how far it got
// to the progress line (io/Progress.h); whatever cannot be read is left out.
#pragma once

#include <chrono>
#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "io/TextBuffer.h"
#include "platform/FolderSource.h"

namespace IO {

// Folder reads the walk keeps in flight unless told otherwise.
inline constexpr std::size_t DefaultWalkThreads = 64;
// The most it keeps in flight whatever it is told.
inline constexpr std::size_t MaxWalkThreads = 256;

struct WalkOptions {
  // The folder to scan as given, every trailing backslash removed.
  std::string RootPath;
  // The filter words, lower-cased, in command-line order.
  std::vector<std::string> FilterList;
  // Where the page is written, when in the tree: its folder's text after
  // RootPath ("" for the root, "\\sub" below it) and its name. The temporary
  // file of a page being written there is not listed.
  bool PageInTree = true;
  std::string PageFolder;
  std::string PageName = "search.html";
  // Folder reads in flight at most, the walk's own thread included. With 1
  // the walk reads each folder itself when it comes to it; with more, other
  // threads read the folders it comes to next ahead of it. The listing is the
  // same byte for byte either way.
  std::size_t Threads = DefaultWalkThreads;
  // The other threads start once the walk has run this long: a walk that is
  // over sooner, such as that of a few hundred files on a local disk, starts
  // none.
  std::chrono::microseconds ThreadsAfter{2000};
  // How many other threads start then; 0: one per processor the process
  // may use, none on a single one. Tests ask for several, so that threads
  // meet on any machine.
  std::size_t FirstThreads = 0;
  // About how many bytes of folders read ahead the walk may hold.
  std::size_t ReadAheadBytes = std::size_t{2} << 20;
  // Entries of a folder read as one piece: a larger folder is read, and
  // held, a piece at a time.
  std::size_t FolderPieceEntries = 4096;
};

// What a walk found.
struct Listing {
  // The listed files as records (io/ListingData.h), in walk order.
  TextBuffer ListingData;
  // How many files the walk listed.
  std::size_t ListedFiles = 0;
  // The distinct extensions of the listed files. std::string compares bytes as
  // unsigned values and puts a proper prefix first; std::less<> lets a lookup
  // take a string_view without building a string.
  std::set<std::string, std::less<>> ExtensionSet;
};

// Thrown by the walk when a folder cannot be opened for lack of file
// handles and no other folder is open to close: leaving it out would make a
// page that lacks its files.
struct NoFolderHandles {
  std::string FolderText;
};

// Lists options.RootPath and every sub-folder it enters. Throws
// std::bad_alloc or NoFolderHandles when the walk cannot go on.
Listing BuildListing(const WalkOptions& options, Platform::FolderSource& folders);

}  // namespace IO
