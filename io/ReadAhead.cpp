#include "io/ReadAhead.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>

#include "platform/Platform.h"

namespace IO {

FolderNode::FolderNode(std::string name, FolderNode* parent, std::uint64_t place)
    : name_(std::move(name)),
      parent_(parent),
      depth_(parent == nullptr ? 0 : parent->depth_ + 1),
      place_(place) {}

std::string FolderNode::Text() const {
  std::size_t length = 0;
  for (const FolderNode* node = this; node != nullptr; node = node->parent_) {
    length += node->name_.size() + 1;
  }
  std::string text(length - 1, '\\');
  std::size_t end = text.size();
  for (const FolderNode* node = this; node != nullptr; node = node->parent_) {
    end -= node->name_.size();
    std::memcpy(text.data() + end, node->name_.data(), node->name_.size());
    if (end > 0) --end;  // the backslash before it
  }
  return text;
}

const Platform::FolderIdentity* FolderNode::Identity(Platform::FolderSource& folders) const {
  std::call_once(identityOnce_,
                 [&] { identityKnown_ = folders.GetFolderIdentity(Text().c_str(), identity_); });
  return identityKnown_ ? &identity_ : nullptr;
}

std::size_t FolderNode::Bytes() const {
  return sizeof(FolderNode) + name_.capacity();
}

void FolderPiece::Add(const WIN32_FIND_DATAA& data) {
  const char* name = data.cFileName;
  if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) return;
  const std::size_t length = std::strlen(name);
  FolderItem item;
  item.NameAt = static_cast<std::uint32_t>(names_.size());
  item.NameLength = static_cast<std::uint32_t>(length);
  item.Attributes = data.dwFileAttributes;
  item.Size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  names_.append(name, length + 1);
  if (item.Attributes == Platform::AttributesToComplete) {
    pending_.push_back(static_cast<std::uint32_t>(Items.size()));
  }
  Items.push_back(std::move(item));
}

// A job stands in its folder at the entry its piece begins with, written
// 2 k for entry k, and a sub-folder at 2 k + 1: a piece comes after the
// sub-folders named before it, and before those it names. Two jobs are
// compared at the place where their folders' lines part.
bool JobOrder::operator()(const ReadJob* a, const ReadJob* b) const {
  const FolderNode* x = a->Folder;
  const FolderNode* y = b->Folder;
  std::uint64_t atX = 2 * a->Piece * PieceEntries;
  std::uint64_t atY = 2 * b->Piece * PieceEntries;
  while (x->depth_ > y->depth_) {
    atX = x->place_;
    x = x->parent_;
  }
  while (y->depth_ > x->depth_) {
    atY = y->place_;
    y = y->parent_;
  }
  while (x != y) {
    atX = x->place_;
    x = x->parent_;
    atY = y->place_;
    y = y->parent_;
  }
  return atX < atY;
}

ReadAhead::ReadAhead(Platform::FolderSource& folders, SubFolderRule enters,
                     const WalkOptions& options)
    : folders_(folders),
      enters_(enters),
      options_(options),
      maxThreads_(std::max<std::size_t>(options.Threads, 1)),
      pieceEntries_(std::max<std::size_t>(options.FolderPieceEntries, 1)),
      begun_(std::chrono::steady_clock::now()),
      root_(std::make_unique<FolderNode>(options.RootPath, nullptr, 0)),
      reads_(JobOrder{pieceEntries_}),
      completions_(JobOrder{pieceEntries_}) {
  root_->read_ = ReadJob{root_.get(), 0};
  root_->readQueued_ = true;
  reads_.insert(&root_->read_);
}

ReadAhead::~ReadAhead() {
  {
    const Lock lock(mutex_);
    stopping_ = true;
  }
  workQueued_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

namespace {

// How often the walk looks whether to add threads.
constexpr std::chrono::milliseconds MeasureEvery{5};

std::size_t Processors() {
  const unsigned count = std::thread::hardware_concurrency();
  return count == 0 ? 1 : count;
}

}  // namespace

void ReadAhead::AddThreadsWhenDue() {
  const std::size_t most = maxThreads_ - 1;
  if (threads_.size() >= most) return;
  const auto now = std::chrono::steady_clock::now();
  if (threads_.empty()) {
    if (now - begun_ < options_.ThreadsAfter) return;
    AddThreads(std::min(most, Processors()));
  } else {
    if (now - measuredAt_ < MeasureEvery) return;
    const auto wall = std::chrono::duration_cast<std::chrono::microseconds>(now - measuredAt_);
    const double busy = static_cast<double>(Platform::ProcessCpuMicroseconds() - processorAt_) /
                        static_cast<double>(wall.count());
    if (busy < 0.5 * static_cast<double>(Processors())) {
      AddThreads(std::min(most - threads_.size(), threads_.size()));
    }
  }
  measuredAt_ = now;
  processorAt_ = Platform::ProcessCpuMicroseconds();
}

void ReadAhead::AddThreads(std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    try {
      threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      // The host gives no more threads: the walk goes on with those it has.
      maxThreads_ = threads_.size() + 1;
      return;
    }
  }
}

const FolderPiece* ReadAhead::Piece(FolderNode& folder, std::size_t index) {
  AddThreadsWhenDue();
  Lock lock(mutex_);
  for (;;) {
    if (index < folder.pieces_.size()) {
      FolderPiece& piece = *folder.pieces_[index];
      if (piece.ready_) return &piece;
      if (piece.completionQueued_) {
        RunCompletion(lock, folder, piece);
        continue;
      }
    } else if (folder.ended_) {
      return nullptr;
    } else if (folder.readQueued_ && folder.read_.Piece == index) {
      reads_.erase(&folder.read_);
      folder.readQueued_ = false;
      RunRead(lock, folder, index);
      continue;
    }
    // Waits for the piece, looking now and then whether more threads would
    // bring it sooner.
    if (pieceSettled_.wait_for(lock, MeasureEvery) == std::cv_status::timeout) {
      lock.unlock();
      AddThreadsWhenDue();
      lock.lock();
    }
  }
}

void ReadAhead::Release(FolderNode& folder, std::size_t index) {
  std::unique_ptr<FolderPiece> piece;
  {
    const Lock lock(mutex_);
    piece = std::move(folder.pieces_[index]);
    heldBytes_ -= piece->bytes_;
    // Threads that wait for room go on once a quarter of it is free again,
    // together rather than one at a time for each piece released: one for
    // each processor, since the reads ahead are many already.
    if (waitingForRoom_ && heldBytes_ <= options_.ReadAheadBytes - options_.ReadAheadBytes / 4) {
      waitingForRoom_ = false;
      Wake(std::min(reads_.size(), Processors()));
    }
  }
  // The piece and the sub-folders it names go here, outside the lock.
}

void ReadAhead::Work() {
  Lock lock(mutex_);
  for (;;) {
    bool isRead = false;
    ReadJob* job = nullptr;
    while (!stopping_ && (job = NextJob(isRead)) == nullptr) {
      ++idleThreads_;
      workQueued_.wait(lock);
      --idleThreads_;
    }
    if (stopping_) return;
    FolderNode& folder = *job->Folder;
    if (isRead) {
      reads_.erase(job);
      folder.readQueued_ = false;
      RunRead(lock, folder, job->Piece);
    } else {
      RunCompletion(lock, folder, *folder.pieces_[job->Piece]);
    }
  }
}

// The first job a thread may take: the first completion with entries left,
// or the first read if it comes before that and there is room for it.
ReadJob* ReadAhead::NextJob(bool& isRead) {
  ReadJob* completion = nullptr;
  while (!completions_.empty()) {
    ReadJob* job = *completions_.begin();
    FolderPiece& piece = *job->Folder->pieces_[job->Piece];
    if (piece.nextPending_.load(std::memory_order_relaxed) < piece.pending_.size()) {
      completion = job;
      break;
    }
    piece.completionQueued_ = false;
    completions_.erase(completions_.begin());
  }
  ReadJob* read = nullptr;
  if (!reads_.empty()) {
    if (heldBytes_ < options_.ReadAheadBytes) {
      read = *reads_.begin();
    } else {
      waitingForRoom_ = true;
    }
  }
  if (completion != nullptr && (read == nullptr || reads_.key_comp()(completion, read))) {
    isRead = false;
    return completion;
  }
  isRead = read != nullptr;
  return read;
}

void ReadAhead::Wake(std::size_t threads) {
  for (std::size_t i = 0; i < std::min(threads, idleThreads_); ++i) workQueued_.notify_one();
}

void ReadAhead::QueueRead(ReadJob& job) {
  reads_.insert(&job);
  Wake(1);
}

void ReadAhead::QueueCompletion(FolderPiece& piece) {
  piece.completionQueued_ = true;
  completions_.insert(&piece.complete_);
  // Every idle thread may take an entry of it; the thread that read the
  // piece takes one too, and so does the walk's thread if it waits for it.
  Wake(piece.pending_.size() - 1);
  pieceSettled_.notify_all();
}

// Reads the piece with that index: called, and returns, with the lock held,
// the job already taken off the queue.
void ReadAhead::RunRead(Lock& lock, FolderNode& folder, std::size_t index) {
  HANDLE find = folder.find_;
  lock.unlock();

  auto piece = std::make_unique<FolderPiece>();
  WIN32_FIND_DATAA data;
  std::size_t entries = 0;
  bool ended = false;
  if (index == 0) {
    const std::string pattern = folder.Text() + "\\*.*";
    find = folders_.FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
      lock.lock();
      folder.unreadable_ = true;
      folder.ended_ = true;
      pieceSettled_.notify_all();
      return;
    }
    piece->Add(data);
    entries = 1;
  }
  const bool walkThread = std::this_thread::get_id() == walkThread_;
  while (entries < pieceEntries_) {
    // A long listing on the walk's own thread is no reason to stop adding
    // threads.
    if (walkThread) AddThreadsWhenDue();
    if (folders_.FindNextFileA(find, &data) == 0) {
      ended = true;
      break;
    }
    piece->Add(data);
    ++entries;
  }
  piece->find_ = find;
  piece->complete_ = ReadJob{&folder, index};
  piece->bytes_ = sizeof(FolderPiece) + piece->names_.capacity() +
                  piece->Items.capacity() * sizeof(FolderItem) +
                  piece->pending_.capacity() * sizeof(std::uint32_t);
  FolderPiece& read = *piece;

  lock.lock();
  folder.find_ = find;
  folder.pieces_.push_back(std::move(piece));
  folder.ended_ = ended;
  ++folder.unsettled_;
  heldBytes_ += read.bytes_;
  if (!ended) {
    folder.read_ = ReadJob{&folder, index + 1};
    folder.readQueued_ = true;
    QueueRead(folder.read_);
  }
  if (read.pending_.empty()) {
    Settle(lock, folder, read, index);
  } else {
    QueueCompletion(read);
    RunCompletion(lock, folder, read);
  }
}

// Completes entries of the piece alongside any other thread that does:
// called, and returns, with the lock held.
void ReadAhead::RunCompletion(Lock& lock, FolderNode& folder, FolderPiece& piece) {
  ++piece.helpers_;
  lock.unlock();
  const std::size_t completed = CompleteItems(piece);
  lock.lock();
  piece.completed_ += completed;
  --piece.helpers_;
  if (piece.completed_ < piece.pending_.size() || piece.helpers_ > 0 || piece.settling_) return;
  if (piece.completionQueued_) {
    piece.completionQueued_ = false;
    completions_.erase(&piece.complete_);
  }
  Settle(lock, folder, piece, piece.complete_.Piece);
}

std::size_t ReadAhead::CompleteItems(FolderPiece& piece) {
  std::size_t completed = 0;
  WIN32_FIND_DATAA data;
  const bool walkThread = std::this_thread::get_id() == walkThread_;
  for (;;) {
    if (walkThread) AddThreadsWhenDue();
    const std::size_t next = piece.nextPending_.fetch_add(1, std::memory_order_relaxed);
    if (next >= piece.pending_.size()) return completed;
    FolderItem& item = piece.Items[piece.pending_[next]];
    std::memcpy(data.cFileName, piece.names_.data() + item.NameAt, item.NameLength + 1);
    data.dwFileAttributes = Platform::AttributesToComplete;
    data.nFileSizeHigh = data.nFileSizeLow = 0;
    folders_.CompleteFindData(piece.find_, &data);
    item.Attributes = data.dwFileAttributes;
    item.Size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    ++completed;
  }
}

// Decides which sub-folders of a complete piece are entered and queues their
// reads, closes the folder's enumeration after its last piece, and hands the
// piece to the walk. Called, and returns, with the lock held.
void ReadAhead::Settle(Lock& lock, FolderNode& folder, FolderPiece& piece, std::size_t index) {
  piece.settling_ = true;
  lock.unlock();
  const std::uint64_t first = static_cast<std::uint64_t>(index) * pieceEntries_;
  std::size_t subFolderBytes = 0;
  for (std::size_t i = 0; i < piece.Items.size(); ++i) {
    FolderItem& item = piece.Items[i];
    if ((item.Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
    const std::string_view name = piece.Name(item);
    if (!enters_(folders_, folder, name, item.Attributes)) continue;
    item.SubFolder = std::make_unique<FolderNode>(std::string(name), &folder, 2 * (first + i) + 1);
    subFolderBytes += item.SubFolder->Bytes();
  }

  lock.lock();
  for (FolderItem& item : piece.Items) {
    if (!item.SubFolder) continue;
    FolderNode& subFolder = *item.SubFolder;
    subFolder.read_ = ReadJob{&subFolder, 0};
    subFolder.readQueued_ = true;
    QueueRead(subFolder.read_);
  }
  piece.bytes_ += subFolderBytes;
  heldBytes_ += subFolderBytes;
  HANDLE done = nullptr;
  if (--folder.unsettled_ == 0 && folder.ended_) {
    done = folder.find_;
    folder.find_ = nullptr;
  }
  piece.ready_ = true;
  pieceSettled_.notify_all();
  if (done != nullptr) {
    lock.unlock();
    folders_.FindClose(done);
    lock.lock();
  }
}

}  // namespace IO
