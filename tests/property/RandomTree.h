// Random folder trees for the property test: a model of what is created,
// the tree made on disk from it, and what a walk of it must list, worked
// out from the model alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/property/Random.h"

namespace Testing {

enum class EntryKind {
  File,
  Folder,
  FileLink,    // a symbolic link to a file of the tree
  FolderLink,  // a symbolic link to a folder of the tree, the root included
  BrokenLink,  // a symbolic link to nothing
  SelfLink     // a symbolic link to itself, which never resolves
};

struct ModelEntry {
  EntryKind Kind = EntryKind::File;
  std::string Name;
  std::uint64_t Size = 0;  // File
  int Folder = -1;         // Folder: the folder it is; FolderLink: where it leads
  int TargetFolder = -1;   // FileLink: the folder of the file it leads to
  int TargetEntry = -1;    // FileLink: the file's place in that folder
  bool Absolute = false;   // links: the target spelt from the file system's root
};

struct ModelFolder {
  std::vector<std::string> Path;  // the names from the tree's root down
  std::vector<ModelEntry> Entries;
};

struct ModelTree {
  std::vector<ModelFolder> Folders;  // the root first
};

struct ExpectedFile {
  std::string Path;       // below the root, '/' between the names
  std::string LowerName;  // 'A' to 'Z' lower-cased
  std::uint64_t Size;
};

// 1 to 255 bytes, any but '/' and NUL, never "." or "..".
std::string RandomName(Random& random);

// A random byte size: small, on a KiB boundary, large, or many GiB.
std::uint64_t RandomSize(Random& random);

// A tree of up to a few thousand entries, up to eight folders deep. The tree
// is kept small enough that no folder the walk enters is further than about
// 3,000 bytes from the root, well within every path limit.
ModelTree RandomTree(Random& random);

// Creates the tree in the existing, empty folder at rootPath (a POSIX path).
// Sizes are set without writing data, so large files take no room.
void CreateTree(const ModelTree& tree, const std::string& rootPath);

// 'A' to 'Z' become 'a' to 'z', nothing else changes.
std::string LowerAscii(std::string text);

// What a walk of the tree must list, in no particular order: every file
// (links to files, broken links and links that never resolve included) that
// passes the filter words, found by entering every folder and every link to
// a folder whose name neither begins with '.' nor holds a backslash, except
// links back to the folder being listed or one of its ancestors.
std::vector<ExpectedFile> ExpectedListing(const ModelTree& tree,
                                          const std::vector<std::string>& lowerFilters);

}  // namespace Testing
