// A file system held in memory behind the walk's FolderSource, so that tests
// can stage what a real one can't reliably: listings in a chosen order,
// enumerations that fail part way, links that lead back, folders that change
// while they are read, and reads that finish in a random order.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/FolderSource.h"

namespace Testing {

struct ScriptedEntry {
  std::string Name;
  Platform::EntryKind Kind = Platform::EntryKind::File;
  std::uint64_t Size = 0;
};

struct ScriptedFolder {
  std::vector<ScriptedEntry> Entries;  // in the order they are listed
  int FailAfter = -1;                  // reading fails after this many entries
};

inline ScriptedEntry FileEntry(std::string name, std::uint64_t size = 0) {
  return {std::move(name), Platform::EntryKind::File, size};
}
inline ScriptedEntry FolderEntry(std::string name) {
  return {std::move(name), Platform::EntryKind::Folder, 0};
}
inline ScriptedEntry LinkedFolderEntry(std::string name) {
  return {std::move(name), Platform::EntryKind::FolderLink, 0};
}

// A failure the script stages on threads other than the one that built it
// (the walk's): a call that throws, or an open refused for lack of handles.
struct ScriptedFailures {
  bool ThrowOnOpen = false;
  bool ThrowOnNext = false;
  bool ThrowOnDetails = false;
  std::string ThrowOnDetailsIn;  // only in this folder (resolved text)
  // Opens refused with NoHandles while this many listings or more are open.
  int HandleLimit = -1;
  // The first read of each listing waits this long, as a round trip would;
  // a folder named here waits so long before it, and MostReadsAtOnce
  // counts afresh from the end of that wait.
  std::chrono::microseconds ReadWait{0};
  std::map<std::string, std::chrono::microseconds> FolderWaits;
  std::chrono::microseconds DetailsWait{0};
};

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
  // Entries but real folders are delivered as Unknown, their kinds left to
  // Details, as a POSIX file system does.
  bool LeaveAttributes = false;
  ScriptedFailures Failures;
  // When not 0, every call waits a random few microseconds first, drawn from
  // this seed, so that reads on several threads finish in a random order.
  std::uint64_t JitterSeed = 0;

  // Observed: every folder text opened, the listings open now, the most
  // reads (opens and Next calls) that were under way at once, and the
  // failures staged that struck.
  std::vector<std::string> Opened;
  int OpenListings = 0;
  std::atomic<int> MostReadsAtOnce{0};
  std::atomic<int> Thrown{0};

  bool IsFolder(std::string_view path) override;
  Platform::OpenResult Open(std::string_view folderText,
                            std::unique_ptr<Platform::FolderListing>& listing) override;
  std::optional<Platform::FolderIdentity> Identity(std::string_view folderText) override;

 private:
  class Listing;
  std::string Resolve(std::string text) const;
  const ScriptedFolder* FolderAt(const std::string& text) const;
  void Jitter();
  bool Fails(bool staged);

  std::mutex mutex_;
  std::atomic<std::uint64_t> calls_{0};
  std::atomic<int> readsNow_{0};
  std::thread::id owner_ = std::this_thread::get_id();
};

}  // namespace Testing
