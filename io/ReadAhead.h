// The folders of a walk, read ahead of it by a pool of threads and handed to
// it in its own order. On a share every folder listing, and on some clients
// every entry's attributes, is a round trip across the network; reading many
// folders at once keeps many requests in flight, while the walk still takes
// each folder's entries in the order the file system gives them and each
// sub-folder at its place among them, exactly as if it read them itself.
//
// A folder is read in pieces of up to FolderPieceEntries entries. Each piece is one
// job: list the entries; then, where the file system leaves each entry's
// attributes to a request of its own, complete them, which any number of
// threads may share; then decide which of its sub-folders are entered, each
// of which becomes a folder to read. Jobs wait in the walk's order, and a
// thread always takes the first one, so the folders read ahead are the ones
// the walk needs next. The walk's own thread takes the job it waits for when
// no other thread has, so the walk never waits on a job nobody runs, and
// with one thread it reads every folder itself.
//
// What is held is bounded: pieces read and not yet released by the walk, and
// the sub-folders they name, count against ReadAheadBytes, and no thread
// starts a new read while they pass it. No thread outlives the ReadAhead.
//
// The other threads start once the walk has run ThreadsAfter, so that a walk
// that is over sooner starts none: first one per processor, then, as long as
// the process keeps less than half of the processors busy (its reads wait
// for the file system), twice as many every few milliseconds, up to Threads.
// A walk that keeps the processors busy gains nothing from more.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "io/FolderWalk.h"
#include "platform/FolderSource.h"

namespace IO {

class FolderNode;
class FolderPiece;

// One entry of a folder.
struct FolderItem {
  std::uint32_t NameAt = 0;  // where its name begins in the piece's names
  std::uint32_t NameLength = 0;
  DWORD Attributes = 0;
  std::uint64_t Size = 0;
  // The sub-folder the walk enters here; null for a file and for a folder it
  // does not enter.
  std::unique_ptr<FolderNode> SubFolder;
};

// Whether the walk enters the sub-folder name (an entry with the directory
// bit and these attributes) of folder. Asked on the reading threads.
using SubFolderRule = bool (*)(Platform::FolderSource& folders, const FolderNode& folder,
                               std::string_view name, DWORD attributes);

// A place in the walk's order at which a job stands.
struct ReadJob {
  FolderNode* Folder = nullptr;
  std::size_t Piece = 0;
};

struct JobOrder {
  std::size_t PieceEntries;
  bool operator()(const ReadJob* a, const ReadJob* b) const;
};

// A folder of the walk.
class FolderNode {
 public:
  FolderNode(std::string name, FolderNode* parent, std::uint64_t place);

  // The folder text: the root's text, or the parent's, a backslash and the
  // name.
  std::string Text() const;
  const FolderNode* Parent() const { return parent_; }

  // The identity of the folder, learnt the first time it is asked for; null
  // when it cannot be learnt.
  const Platform::FolderIdentity* Identity(Platform::FolderSource& folders) const;

  // Whether the folder could not be enumerated; known once its first piece
  // was asked for.
  bool Unreadable() const { return unreadable_; }

  // The bytes it holds, as counted against the read-ahead's bound.
  std::size_t Bytes() const;

 private:
  friend class ReadAhead;
  friend struct JobOrder;

  std::string name_;
  FolderNode* parent_;
  std::size_t depth_;
  // Its place among the parent's entries: 2 k + 1 for entry k.
  std::uint64_t place_;

  mutable std::once_flag identityOnce_;
  mutable bool identityKnown_ = false;
  mutable Platform::FolderIdentity identity_;

  // Guarded by the ReadAhead's mutex.
  HANDLE find_ = nullptr;
  bool unreadable_ = false;
  bool ended_ = false;         // its last piece has been read
  std::size_t unsettled_ = 0;  // pieces read and not yet complete
  std::vector<std::unique_ptr<FolderPiece>> pieces_;
  ReadJob read_;
  bool readQueued_ = false;
};

// Consecutive entries of a folder, "." and ".." left out.
class FolderPiece {
 public:
  std::vector<FolderItem> Items;
  std::string_view Name(const FolderItem& item) const {
    return std::string_view(names_).substr(item.NameAt, item.NameLength);
  }

 private:
  friend class ReadAhead;

  void Add(const WIN32_FIND_DATAA& data);

  std::string names_;                   // each name followed by a zero byte
  std::vector<std::uint32_t> pending_;  // items whose attributes are to be completed
  std::atomic<std::size_t> nextPending_{0};
  HANDLE find_ = nullptr;
  ReadJob complete_;
  // Guarded by the ReadAhead's mutex.
  std::size_t completed_ = 0;
  std::size_t helpers_ = 0;
  std::size_t bytes_ = 0;
  bool completionQueued_ = false;
  bool settling_ = false;
  bool ready_ = false;
};

class ReadAhead {
 public:
  // Reads below options.RootPath, as options say, until destroyed.
  ReadAhead(Platform::FolderSource& folders, SubFolderRule enters, const WalkOptions& options);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  FolderNode& Root() { return *root_; }

  // The piece of the folder's entries with that index, once it is read and
  // complete, with the sub-folders it names; null when the folder has no
  // more. Pieces are asked for in order, and each is released before the
  // next is asked for.
  const FolderPiece* Piece(FolderNode& folder, std::size_t index);

  // The walk is done with the piece and with every sub-folder it names.
  void Release(FolderNode& folder, std::size_t index);

 private:
  using Lock = std::unique_lock<std::mutex>;

  void AddThreadsWhenDue();
  void AddThreads(std::size_t count);
  void Work();
  ReadJob* NextJob(bool& isRead);
  void Wake(std::size_t threads);
  void QueueRead(ReadJob& job);
  void QueueCompletion(FolderPiece& piece);
  void RunRead(Lock& lock, FolderNode& folder, std::size_t index);
  void RunCompletion(Lock& lock, FolderNode& folder, FolderPiece& piece);
  std::size_t CompleteItems(FolderPiece& piece);
  void Settle(Lock& lock, FolderNode& folder, FolderPiece& piece, std::size_t index);

  Platform::FolderSource& folders_;
  SubFolderRule enters_;
  const WalkOptions& options_;
  // Threads at most, the walk's own included: options_.Threads, or fewer
  // when the host gives no more.
  std::size_t maxThreads_;
  std::size_t pieceEntries_;  // at least 1
  std::chrono::steady_clock::time_point begun_;
  std::unique_ptr<FolderNode> root_;

  std::mutex mutex_;
  std::condition_variable workQueued_;    // for the reading threads
  std::condition_variable pieceSettled_;  // for the walk's thread
  std::set<ReadJob*, JobOrder> reads_;
  std::set<ReadJob*, JobOrder> completions_;
  std::size_t heldBytes_ = 0;
  std::size_t idleThreads_ = 0;
  bool waitingForRoom_ = false;
  bool stopping_ = false;

  // Touched by the walk's thread only: the threads, and when and at what
  // processor time the walk last looked whether to add some.
  std::thread::id walkThread_ = std::this_thread::get_id();
  std::vector<std::thread> threads_;
  std::chrono::steady_clock::time_point measuredAt_;
  std::uint64_t processorAt_ = 0;
};

}  // namespace IO
