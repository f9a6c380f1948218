#include "tests/support/ScriptedPlatform.h"

#include <cstring>

namespace Testing {
namespace {

struct ScriptedFind {
  const ScriptedFolder* Folder;
  std::size_t Next;
};

void Fill(const ScriptedEntry& entry, WIN32_FIND_DATAA* data) {
  data->dwFileAttributes = entry.Attributes;
  data->nFileSizeHigh = static_cast<DWORD>(entry.Size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(entry.Size & 0xFFFFFFFFu);
  std::memset(data->cFileName, 0, sizeof data->cFileName);
  std::memcpy(data->cFileName, entry.Name.data(), entry.Name.size());
}

BOOL Advance(ScriptedFind* find, WIN32_FIND_DATAA* data) {
  const ScriptedFolder& folder = *find->Folder;
  if (find->Next >= folder.Entries.size()) return 0;
  if (folder.FailAfter >= 0 && find->Next >= static_cast<std::size_t>(folder.FailAfter)) return 0;
  Fill(folder.Entries[find->Next++], data);
  return 1;
}

}  // namespace

Script& CurrentScript() {
  static Script script;
  return script;
}

void ResetScript() {
  CurrentScript() = Script();
}

}  // namespace Testing

using Testing::CurrentScript;

DWORD GetFileAttributesA(const char* path) {
  return CurrentScript().Folders.count(path) != 0 ? FILE_ATTRIBUTE_DIRECTORY
                                                  : INVALID_FILE_ATTRIBUTES;
}

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
  Testing::Script& script = CurrentScript();
  script.Patterns.push_back(pattern);
  std::string folder(pattern);
  if (folder.size() < 4 || folder.compare(folder.size() - 4, 4, "\\*.*") != 0) {
    return INVALID_HANDLE_VALUE;
  }
  folder.resize(folder.size() - 4);
  const auto found = script.Folders.find(folder);
  if (found == script.Folders.end()) return INVALID_HANDLE_VALUE;
  auto* find = new Testing::ScriptedFind{&found->second, 0};
  if (!Testing::Advance(find, data)) {
    delete find;
    return INVALID_HANDLE_VALUE;
  }
  ++script.OpenFinds;
  return find;
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
  return Testing::Advance(static_cast<Testing::ScriptedFind*>(find), data);
}

BOOL FindClose(HANDLE find) {
  delete static_cast<Testing::ScriptedFind*>(find);
  --CurrentScript().OpenFinds;
  return 1;
}

namespace Platform {

bool GetFolderIdentity(const char* folderText, FolderIdentity& identity) {
  const auto found = CurrentScript().Identities.find(folderText);
  if (found == CurrentScript().Identities.end()) return false;
  identity = found->second;
  return true;
}

// The walk never writes files or reads the clock.
FileHandle CreateOutputFile(const char*) {
  return InvalidFile;
}
bool WriteOutputFile(FileHandle, const char*, std::size_t) {
  return false;
}
bool CloseOutputFile(FileHandle) {
  return false;
}
bool LocalTime(std::int64_t, std::tm&) {
  return false;
}
void PrepareProcess() {}

}  // namespace Platform
