#include "tests/support/ScriptedPlatform.h"

#include <cstring>

namespace Testing {
namespace {

struct ScriptedFind {
  std::string Folder;
  std::size_t Next;
};

// The output files open, by handle.
std::map<Platform::FileHandle, std::string>& OpenPaths() {
  static std::map<Platform::FileHandle, std::string> paths;
  return paths;
}

void Fill(const ScriptedEntry& entry, WIN32_FIND_DATAA* data) {
  data->dwFileAttributes = entry.Attributes;
  data->nFileSizeHigh = static_cast<DWORD>(entry.Size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(entry.Size & 0xFFFFFFFFu);
  std::memset(data->cFileName, 0, sizeof data->cFileName);
  std::memcpy(data->cFileName, entry.Name.data(), entry.Name.size());
}

BOOL Advance(ScriptedFind* find, WIN32_FIND_DATAA* data) {
  const auto found = CurrentScript().Folders.find(find->Folder);
  if (found == CurrentScript().Folders.end()) return 0;
  const ScriptedFolder& folder = found->second;
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
  OpenPaths().clear();
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
  if (script.OnOpenFolder) script.OnOpenFolder(folder);
  if (script.Folders.count(folder) == 0) return INVALID_HANDLE_VALUE;
  auto* find = new Testing::ScriptedFind{folder, 0};
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

FileHandle CreateOutputFile(const char* path) {
  Testing::Script& script = CurrentScript();
  const std::string text(path);
  const std::size_t slash = text.rfind('\\');
  if (slash == std::string::npos || script.Folders.count(text.substr(0, slash)) == 0) {
    return InvalidFile;
  }
  script.Files[text].clear();
  static FileHandle last = 100;
  Testing::OpenPaths()[++last] = text;
  ++script.OpenFiles;
  return last;
}

bool WriteOutputFile(FileHandle file, const char* data, std::size_t size) {
  CurrentScript().Files[Testing::OpenPaths().at(file)].append(data, size);
  return true;
}

bool CloseOutputFile(FileHandle file, bool) {
  Testing::OpenPaths().erase(file);
  --CurrentScript().OpenFiles;
  return true;
}

// No clock: the page carries the text for an unknown time.
bool LocalTime(std::int64_t, std::tm&) {
  return false;
}
void PrepareProcess() {}

bool StandardOutputIsTerminal() {
  return CurrentScript().Terminal;
}

std::size_t TerminalColumns() {
  return CurrentScript().TerminalColumns;
}

std::uint64_t MonotonicMilliseconds() {
  Testing::Script& script = CurrentScript();
  const std::uint64_t now = script.Milliseconds;
  script.Milliseconds += script.MillisecondsPerRead;
  return now;
}

bool TextIsUtf8() {
  return CurrentScript().Utf8;
}

}  // namespace Platform
