#include "tests/support/ScriptedFolders.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <thread>

namespace Testing {

using Platform::EntryKind;

// One open folder of the script. It reads its folder afresh at every step.
class ScriptedFolders::Listing final : public Platform::FolderListing {
 public:
  Listing(ScriptedFolders& script, std::string folder)
      : script_(script), folder_(std::move(folder)) {}
  ~Listing() override {
    const std::lock_guard<std::mutex> lock(script_.mutex_);
    --script_.OpenListings;
  }
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;

  bool Next(Platform::FolderEntry& entry) override {
    script_.Jitter();
    const auto staged = script_.Failures.FolderWaits.find(folder_);
    if (next_ == 0 && staged != script_.Failures.FolderWaits.end()) {
      std::this_thread::sleep_for(staged->second);
      script_.MostReadsAtOnce = 0;
    }
    ReadUnderWay reading(script_,
                         next_ == 0 ? script_.Failures.ReadWait : std::chrono::microseconds{});
    if (script_.Fails(script_.Failures.ThrowOnNext)) throw std::bad_alloc();
    const std::lock_guard<std::mutex> lock(script_.mutex_);
    const ScriptedFolder* folder = script_.FolderAt(folder_);
    if (folder == nullptr || next_ >= folder->Entries.size()) return false;
    if (folder->FailAfter >= 0 && next_ >= static_cast<std::size_t>(folder->FailAfter))
      return false;
    const ScriptedEntry& found = folder->Entries[next_++];
    name_ = found.Name;
    entry = Platform::FolderEntry{name_, found.Kind, found.Size};
    if (script_.LeaveAttributes && found.Kind != EntryKind::Folder) {
      entry.Kind = EntryKind::Unknown;
      entry.Size = 0;
    }
    return true;
  }

  // The entry as it is now; one that is gone is a file of size 0.
  Platform::FolderEntry Details(std::string_view name) override {
    script_.Jitter();
    std::this_thread::sleep_for(script_.Failures.DetailsWait);
    if (script_.Fails(script_.Failures.ThrowOnDetails ||
                      folder_ == script_.Failures.ThrowOnDetailsIn))
      throw std::bad_alloc();
    const std::lock_guard<std::mutex> lock(script_.mutex_);
    Platform::FolderEntry entry{name, EntryKind::File, 0};
    if (const ScriptedFolder* folder = script_.FolderAt(folder_)) {
      for (const ScriptedEntry& found : folder->Entries) {
        if (found.Name == name) entry = Platform::FolderEntry{name, found.Kind, found.Size};
      }
    }
    return entry;
  }

 private:
  // Counts the reads under way while it lives, after waiting.
  struct ReadUnderWay {
    ReadUnderWay(ScriptedFolders& script, std::chrono::microseconds wait) : script(script) {
      const int now = ++script.readsNow_;
      int most = script.MostReadsAtOnce;
      while (now > most && !script.MostReadsAtOnce.compare_exchange_weak(most, now)) {
      }
      std::this_thread::sleep_for(wait);
    }
    ~ReadUnderWay() { --script.readsNow_; }
    ScriptedFolders& script;
  };

  ScriptedFolders& script_;
  std::string folder_;  // resolved
  std::size_t next_ = 0;
  std::string name_;
};

ScriptedFolders& ScriptedFolders::operator=(ScriptedFolders&& other) noexcept {
  Folders = std::move(other.Folders);
  Links = std::move(other.Links);
  Identities = std::move(other.Identities);
  OnOpenFolder = std::move(other.OnOpenFolder);
  LeaveAttributes = other.LeaveAttributes;
  Failures = std::move(other.Failures);
  JitterSeed = other.JitterSeed;
  Opened = std::move(other.Opened);
  OpenListings = other.OpenListings;
  MostReadsAtOnce = other.MostReadsAtOnce.load();
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

bool ScriptedFolders::Fails(bool staged) {
  if (!staged || std::this_thread::get_id() == owner_) return false;
  ++Thrown;
  return true;
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

bool ScriptedFolders::IsFolder(std::string_view path) {
  const std::lock_guard<std::mutex> lock(mutex_);
  return FolderAt(Resolve(std::string(path))) != nullptr;
}

Platform::OpenResult ScriptedFolders::Open(std::string_view folderText,
                                           std::unique_ptr<Platform::FolderListing>& listing) {
  Jitter();
  if (Fails(Failures.ThrowOnOpen)) throw std::bad_alloc();
  const std::lock_guard<std::mutex> lock(mutex_);
  const std::string folder(folderText);
  Opened.push_back(folder);
  if (OnOpenFolder) OnOpenFolder(folder);
  std::string resolved = Resolve(folder);
  if (FolderAt(resolved) == nullptr) return Platform::OpenResult::Unreadable;
  if (Failures.HandleLimit >= 0 && OpenListings >= Failures.HandleLimit) {
    return Platform::OpenResult::NoHandles;
  }
  listing = std::make_unique<Listing>(*this, std::move(resolved));
  ++OpenListings;
  return Platform::OpenResult::Opened;
}

std::optional<Platform::FolderIdentity> ScriptedFolders::Identity(std::string_view folderText) {
  Jitter();
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto found = Identities.find(Resolve(std::string(folderText)));
  if (found == Identities.end()) return {};
  return found->second;
}

}  // namespace Testing
