// A file system held in memory behind the same calls as the real platform
// layer, so that tests can stage what a real one can't reliably: listings in
// a chosen order, enumerations that fail part way, links that lead back.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/Win32Api.h"

namespace Testing {

struct ScriptedEntry {
  std::string Name;
  DWORD Attributes = FILE_ATTRIBUTE_ARCHIVE;
  std::uint64_t Size = 0;
};

struct ScriptedFolder {
  std::vector<ScriptedEntry> Entries;  // in the order they are listed
  int FailAfter = -1;                  // FindNextFileA fails after this many entries
};

struct Script {
  // Keyed by folder text, as the walk spells it. A folder that is missing
  // here cannot be enumerated.
  std::map<std::string, ScriptedFolder> Folders;
  // Identities by folder text; a folder text that is missing has none.
  std::map<std::string, Platform::FolderIdentity> Identities;
  // Observed: every pattern FindFirstFileA was given, and the open handles.
  std::vector<std::string> Patterns;
  int OpenFinds = 0;
};

// The script the calls read; a fresh one for each test.
Script& CurrentScript();
void ResetScript();

inline ScriptedEntry FileEntry(std::string name, std::uint64_t size = 0) {
  return {std::move(name), FILE_ATTRIBUTE_ARCHIVE, size};
}
inline ScriptedEntry FolderEntry(std::string name) {
  return {std::move(name), FILE_ATTRIBUTE_DIRECTORY, 0};
}
inline ScriptedEntry LinkedFolderEntry(std::string name) {
  return {std::move(name), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0};
}

}  // namespace Testing
