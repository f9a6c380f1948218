// The folders of a walk, read ahead of it by a pool of threads and handed to
// it in its own order. On a share every folder listing, and on some clients
// every entry's kind and size, is a round trip across the network; reading
// many folders at once keeps many requests in flight, while the walk still
// takes each folder's entries in the order the file system gives them and
// each sub-folder at its place among them, exactly as if it read them itself.
//
// A folder is read in pieces of consecutive entries. Reading a piece is a
// job; so is learning the kinds of its entries that the listing left
// Unknown, which any number of threads share, one entry at a time. Jobs wait
// in the walk's order and a thread always takes the first, so the folders
// read ahead are the ones the walk needs next. The walk's own thread runs
// the job it waits for when nobody has taken it, so it never waits on a job
// nobody runs, and with one thread it reads every folder itself.
//
// What is read ahead and not yet reached by the walk is bounded by
// ReadAheadBytes: a reading thread takes room before each entry it adds and
// ends its piece early when there is none; what the walk has reached no
// longer counts. Folders open for reading ahead are bounded too. A failure
// on a reading thread (no memory, no file handle) never ends the run: the
// read-ahead stops, and the walk's thread reads what remains itself.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "io/FolderWalk.h"
#include "platform/FolderSource.h"

namespace IO {

class FolderNode;

// One entry of a folder.
struct FolderItem {
  std::uint32_t NameAt = 0;  // where its name begins in the piece's names
  std::uint32_t NameLength = 0;
  Platform::EntryKind Kind = Platform::EntryKind::Unknown;
  std::uint64_t Size = 0;
  // The sub-folder the walk enters here; null for a file and for a folder it
  // does not enter.
  std::unique_ptr<FolderNode> SubFolder;
};

// Whether the walk enters the sub-folder name (a Folder or FolderLink entry)
// of folder. Asked on the reading threads.
using SubFolderRule = bool (*)(Platform::FolderSource& folders, const FolderNode& folder,
                               std::string_view name, Platform::EntryKind kind);

// Consecutive entries of a folder.
class FolderPiece {
 public:
  std::vector<FolderItem> Items;
  std::string_view Name(const FolderItem& item) const {
    return std::string_view(names_).substr(item.NameAt, item.NameLength);
  }

 private:
  friend class ReadAhead;
  enum class State : std::uint8_t {
    Completing,  // entries whose kind is Unknown are being learnt
    Complete,    // every kind known; sub-folders not yet made
    Settling,    // its sub-folders are being made
    Ready,       // handed to the walk
  };

  FolderNode* folder_ = nullptr;
  // The folder's listing, kept open while kinds are to be learnt.
  std::shared_ptr<Platform::FolderListing> listing_;
  std::uint64_t first_ = 0;                  // the entry it begins with
  std::string names_;                        // each name followed by a zero byte
  std::vector<std::uint32_t> unknown_;       // items whose kind is to be learnt
  std::atomic<std::size_t> nextUnknown_{0};  // the next of them to claim
  std::atomic<std::size_t> unknownLeft_{0};  // claimed or not, not yet learnt
  // Guarded by the ReadAhead's mutex.
  State state_ = State::Completing;
  std::size_t counted_ = 0;  // bytes it holds of the bound, until the walk reaches it
  std::size_t failed_ = 0;   // claimed entries that a failing thread left unlearnt
  std::size_t helpers_ = 0;  // threads learning its entries now
};

// A folder of the walk.
class FolderNode {
 public:
  FolderNode(std::string name, FolderNode* parent, std::uint64_t place);

  // The folder text: the root's text, or the parent's, a backslash and the
  // name.
  std::string Text() const;
  const FolderNode* Parent() const { return parent_; }

  // The identity of the folder, learnt the first time it is asked for.
  const Platform::FolderIdentity* Identity(Platform::FolderSource& folders) const;

  // Whether the folder could not be opened; known once its first piece was
  // asked for.
  bool Unreadable() const { return unreadable_; }

 private:
  friend class ReadAhead;
  friend struct JobOrder;

  std::string name_;
  FolderNode* parent_;
  std::size_t depth_;
  std::uint64_t place_;  // its entry's number in the parent

  mutable std::once_flag identityOnce_;
  mutable std::optional<Platform::FolderIdentity> identity_;

  // Guarded by the ReadAhead's mutex.
  // Open while pieces are left to read; closed, it is opened again and the
  // entries read already are passed over.
  std::shared_ptr<Platform::FolderListing> listing_;
  std::uint64_t entriesRead_ = 0;  // by pieces read: the next piece's first entry
  bool reading_ = false;           // a thread reads its next piece
  bool ended_ = false;             // no piece is left to read
  bool unreadable_ = false;
  std::vector<std::unique_ptr<FolderPiece>> pieces_;
};

// A job: the next piece of a folder to read, or a piece to complete.
struct ReadJob {
  FolderNode* Folder;
  std::uint64_t Entry;  // where it stands in the folder
  FolderPiece* Piece;   // null for a read
};

struct JobOrder {
  bool operator()(const ReadJob& a, const ReadJob& b) const;
};

class ReadAhead {
 public:
  // Reads below options.RootPath, as options say, until destroyed.
  ReadAhead(Platform::FolderSource& folders, SubFolderRule enters, const WalkOptions& options);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  FolderNode& Root() { return *root_; }

  // The piece of the folder's entries with that index, complete, with the
  // sub-folders it names; null when the folder has no more. Pieces are
  // asked for in order. Throws NoFolderHandles when a folder cannot be
  // opened for lack of file handles and nothing else holds one.
  const FolderPiece* Piece(FolderNode& folder, std::size_t index);

  // The walk is done with the piece and with every sub-folder it names.
  void Release(FolderNode& folder, std::size_t index);

 private:
  using Lock = std::unique_lock<std::mutex>;
  enum class Outcome : std::uint8_t { Done, NoRoom, NoHandles };

  void AddThreadsWhenDue(std::chrono::steady_clock::time_point now);
  void AddThreadsNowAndThen();
  void Work(std::stop_token stop);
  bool TakeJob(ReadJob& job);
  void RunTaken(Lock& lock, const ReadJob& job, bool walkThread);
  Outcome Read(Lock& lock, FolderNode& folder, bool counted);
  bool ReadEntries(Platform::FolderListing& listing, FolderPiece& piece, bool counted);
  void LetGo(std::shared_ptr<Platform::FolderListing>& listing);
  bool TakeRoom(std::size_t bytes);
  void GiveRoom(std::size_t bytes);
  void ListingClosed();
  void Publish(Lock& lock, FolderNode& folder, std::unique_ptr<FolderPiece> piece,
               std::shared_ptr<Platform::FolderListing> listing, bool ended);
  void Complete(Lock& lock, FolderPiece& piece, bool walkThread);
  void Settle(Lock& lock, FolderPiece& piece);
  bool CloseIdleListing();
  void Queue(const ReadJob& job);

  Platform::FolderSource& folders_;
  SubFolderRule enters_;
  const WalkOptions& options_;
  std::size_t pieceEntries_;  // at least 1
  std::size_t maxOpen_;       // folders open for reading ahead at most
  std::chrono::steady_clock::time_point begun_;
  std::unique_ptr<FolderNode> root_;

  std::mutex mutex_;
  std::condition_variable_any workQueued_;  // for the reading threads
  std::condition_variable pieceReady_;      // for the walk's thread
  std::set<ReadJob, JobOrder> jobs_;
  std::atomic<std::size_t> heldBytes_{0};
  std::size_t openListings_ = 0;  // folders open for reading
  std::size_t running_ = 0;       // jobs the reading threads run
  bool waitingForRoom_ = false;   // a reading thread found no room
  bool waitingForClose_ = false;  // an open failed for lack of handles
  // No thread takes a job: a reading thread failed, and the walk reads the
  // rest itself, or the walk is over. Read without the lock where threads
  // are added.
  std::atomic<bool> stopped_ = false;
  std::atomic<bool> ending_ = false;  // the walk is over

  // Touched by the walk's thread only: the threads, and when and at what
  // processor time the walk last looked whether to add some (never, at
  // first).
  std::thread::id walkThread_ = std::this_thread::get_id();
  std::vector<std::jthread> threads_;
  std::size_t maxThreads_;
  double processors_;
  std::chrono::microseconds processorGrain_;
  std::chrono::steady_clock::time_point measuredAt_;
  std::chrono::steady_clock::time_point lookedAt_;  // the clock read last
  std::size_t calls_ = 0;
  std::size_t callsPerLook_ = 1;
  std::uint64_t processorAt_ = 0;
  bool wasWaiting_ = false;  // the last window found the processors less than half busy
};

}  // namespace IO
