#include "tests/support/ScriptedFolders.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace Testing {

struct ScriptedFolders::Find {
  std::string Folder;  // resolved
  std::size_t Next;
};

namespace {

void Fill(const ScriptedEntry& entry, WIN32_FIND_DATAA* data) {
  data->dwFileAttributes = entry.Attributes;
  data->nFileSizeHigh = static_cast<DWORD>(entry.Size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(entry.Size & 0xFFFFFFFFu);
  std::memset(data->cFileName, 0, sizeof data->cFileName);
  std::memcpy(data->cFileName, entry.Name.data(), entry.Name.size());
}

}  // namespace

ScriptedFolders& ScriptedFolders::operator=(ScriptedFolders&& other) noexcept {
  Folders = std::move(other.Folders);
  Links = std::move(other.Links);
  Identities = std::move(other.Identities);
  OnOpenFolder = std::move(other.OnOpenFolder);
  LeaveAttributes = other.LeaveAttributes;
  JitterSeed = other.JitterSeed;
  Patterns = std::move(other.Patterns);
  OpenFinds = other.OpenFinds;
  calls_ = other.calls_.load();
  return *this;
}

// Replaces a leading part of the text that a link stands for by its target,
// as often as one is found.
std::string ScriptedFolders::Resolve(std::string text) const {
  for (std::size_t end = 0; end <= text.size(); ++end) {
    if (end < text.size() && text[end] != '\\') continue;
    const auto link = Links.find(text.substr(0, end));
    if (link == Links.end()) continue;
    text = link->second + text.substr(end);
    end = 0;
  }
  return text;
}

const ScriptedFolder* ScriptedFolders::FolderAt(const std::string& text) const {
  const auto found = Folders.find(text);
  return found == Folders.end() ? nullptr : &found->second;
}

void ScriptedFolders::Jitter() {
  if (JitterSeed == 0) return;
  std::uint64_t z = JitterSeed + 0x9E3779B97F4A7C15ULL * ++calls_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  z ^= z >> 31;
  // Mostly none, now and then a wait long enough to let the others overtake.
  if (z % 4 != 0) return;
  std::this_thread::sleep_for(std::chrono::microseconds(z % 400));
}

BOOL ScriptedFolders::Advance(Find& find, WIN32_FIND_DATAA* data) {
  const ScriptedFolder* folder = FolderAt(find.Folder);
  if (folder == nullptr || find.Next >= folder->Entries.size()) return 0;
  if (folder->FailAfter >= 0 && find.Next >= static_cast<std::size_t>(folder->FailAfter)) return 0;
  const ScriptedEntry& entry = folder->Entries[find.Next++];
  Fill(entry, data);
  const bool folderEntry = (entry.Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                           (entry.Attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
  if (LeaveAttributes && !folderEntry) data->dwFileAttributes = Platform::AttributesToComplete;
  return 1;
}

DWORD ScriptedFolders::GetFileAttributesA(const char* path) {
  const std::lock_guard<std::mutex> lock(mutex_);
  return FolderAt(Resolve(path)) != nullptr ? FILE_ATTRIBUTE_DIRECTORY : INVALID_FILE_ATTRIBUTES;
}

HANDLE ScriptedFolders::FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
  Jitter();
  const std::lock_guard<std::mutex> lock(mutex_);
  Patterns.push_back(pattern);
  std::string folder(pattern);
  if (!folder.ends_with("\\*.*")) return INVALID_HANDLE_VALUE;
  folder.resize(folder.size() - 4);
  if (OnOpenFolder) OnOpenFolder(folder);
  auto* find = new Find{Resolve(folder), 0};
  if (FolderAt(find->Folder) == nullptr || !Advance(*find, data)) {
    delete find;
    return INVALID_HANDLE_VALUE;
  }
  ++OpenFinds;
  return find;
}

BOOL ScriptedFolders::FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
  Jitter();
  const std::lock_guard<std::mutex> lock(mutex_);
  return Advance(*static_cast<Find*>(find), data);
}

void ScriptedFolders::CompleteFindData(HANDLE find, WIN32_FIND_DATAA* data) {
  Jitter();
  const std::lock_guard<std::mutex> lock(mutex_);
  // The entry as it is now; one that is gone is a file of size 0.
  const std::string name = data->cFileName;
  Fill(ScriptedEntry{name, FILE_ATTRIBUTE_ARCHIVE, 0}, data);
  if (const ScriptedFolder* folder = FolderAt(static_cast<Find*>(find)->Folder)) {
    for (const ScriptedEntry& entry : folder->Entries) {
      if (entry.Name == name) Fill(entry, data);
    }
  }
}

BOOL ScriptedFolders::FindClose(HANDLE find) {
  const std::lock_guard<std::mutex> lock(mutex_);
  delete static_cast<Find*>(find);
  --OpenFinds;
  return 1;
}

bool ScriptedFolders::GetFolderIdentity(const char* folderText,
                                        Platform::FolderIdentity& identity) {
  Jitter();
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto found = Identities.find(Resolve(folderText));
  if (found == Identities.end()) return false;
  identity = found->second;
  return true;
}

}  // namespace Testing
