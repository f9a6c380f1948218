// A file system held in memory behind the walk's FolderSource, so that tests
// can stage what a real one can't reliably: listings in a chosen order,
// enumerations that fail part way, links that lead back, folders that change
// while they are read, and reads that finish in a random order.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FolderSource.h"

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

inline ScriptedEntry FileEntry(std::string name, std::uint64_t size = 0) {
  return {std::move(name), FILE_ATTRIBUTE_ARCHIVE, size};
}
inline ScriptedEntry FolderEntry(std::string name) {
  return {std::move(name), FILE_ATTRIBUTE_DIRECTORY, 0};
}
inline ScriptedEntry LinkedFolderEntry(std::string name) {
  return {std::move(name), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0};
}

class ScriptedFolders final : public Platform::FolderSource {
 public:
  ScriptedFolders() = default;
  ScriptedFolders(ScriptedFolders&& other) noexcept { *this = std::move(other); }
  // Takes the other's script, as a fresh one in place of this one.
  ScriptedFolders& operator=(ScriptedFolders&& other) noexcept;

  // Keyed by folder text, as the walk spells it. A folder that is missing
  // here cannot be enumerated. An enumeration reads its folder afresh at
  // every step: one that is removed meanwhile ends, one that is replaced
  // goes on with the new entries from the same position.
  std::map<std::string, ScriptedFolder> Folders;
  // Folder texts that name another folder of Folders (links), by the text
  // they stand for; a text below one reads below its target.
  std::map<std::string, std::string> Links;
  // Identities by folder text (after Links); a text that is missing has none.
  std::map<std::string, Platform::FolderIdentity> Identities;
  // Called with the folder text each time a folder is to be opened, before
  // the script is read, with the script locked: a test changes Folders here
  // while a walk is on.
  std::function<void(const std::string& folder)> OnOpenFolder;
  // Entries are delivered with their attributes left to CompleteFindData,
  // as a POSIX file system does.
  bool LeaveAttributes = false;
  // When not 0, every call waits a random few microseconds first, drawn from
  // this seed, so that reads on several threads finish in a random order.
  std::uint64_t JitterSeed = 0;

  // Observed: every pattern FindFirstFileA was given, and the open finds.
  std::vector<std::string> Patterns;
  int OpenFinds = 0;

  DWORD GetFileAttributesA(const char* path) override;
  HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) override;
  BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) override;
  void CompleteFindData(HANDLE find, WIN32_FIND_DATAA* data) override;
  BOOL FindClose(HANDLE find) override;
  bool GetFolderIdentity(const char* folderText, Platform::FolderIdentity& identity) override;

 private:
  struct Find;
  std::string Resolve(std::string text) const;
  const ScriptedFolder* FolderAt(const std::string& text) const;
  BOOL Advance(Find& find, WIN32_FIND_DATAA* data);
  void Jitter();

  std::mutex mutex_;
  std::atomic<std::uint64_t> calls_{0};
};

}  // namespace Testing
