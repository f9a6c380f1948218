// A file system held in memory behind the same calls as the real platform
// layer, so that tests can stage what a real one can't reliably: listings in
// a chosen order, enumerations that fail part way, links that lead back.
#pragma once

#include <cstdint>
#include <functional>
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
  // here cannot be enumerated. An enumeration reads its folder afresh at
  // every step: one that is removed meanwhile ends, one that is replaced
  // goes on with the new entries from the same position.
  std::map<std::string, ScriptedFolder> Folders;
  // Whether names and the page are UTF-8, as on POSIX; false stands for a
  // Windows whose process code page is not.
  bool Utf8 = true;
  // Identities by folder text; a folder text that is missing has none.
  std::map<std::string, Platform::FolderIdentity> Identities;
  // Called with the folder text each time a folder is to be opened, before
  // the script is read: a test changes the tree here while a walk is on.
  std::function<void(const std::string& folder)> OnOpenFolder;
  // The files a run wrote, by path, as far as they got. A file can be
  // created only in a folder of the script.
  std::map<std::string, std::string> Files;
  // The console: whether standard output is a terminal and its width (0:
  // not told). The clock reads Milliseconds, then moves it on by
  // MillisecondsPerRead, so that a walk's checkpoints see time pass.
  bool Terminal = false;
  std::size_t TerminalColumns = 0;
  std::uint64_t Milliseconds = 0;
  std::uint64_t MillisecondsPerRead = 0;
  // Observed: every pattern FindFirstFileA was given, and the open handles.
  std::vector<std::string> Patterns;
  int OpenFinds = 0;
  int OpenFiles = 0;
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
