#include "io/ReadAhead.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>

#include "platform/Platform.h"

namespace IO {

using Platform::EntryKind;

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
  std::call_once(identityOnce_, [&] { identity_ = folders.Identity(Text()); });
  return identity_ ? &*identity_ : nullptr;
}

// Two jobs compare at the level where their folders' lines part: each stands
// there at its own entry, or at the entry of the sub-folder it lies below.
// Where one folder is the other's ancestor, the job below comes first: its
// sub-folder was named by a piece read before the other job's entry.
bool JobOrder::operator()(const ReadJob& a, const ReadJob& b) const {
  const FolderNode* x = a.Folder;
  const FolderNode* y = b.Folder;
  std::uint64_t atX = a.Entry;
  std::uint64_t atY = b.Entry;
  int below = 0;  // which of the two lies below the other's folder
  while (x->depth_ > y->depth_) {
    atX = x->place_;
    x = x->parent_;
    below = -1;
  }
  while (y->depth_ > x->depth_) {
    atY = y->place_;
    y = y->parent_;
    below = 1;
  }
  while (x != y) {
    atX = x->place_;
    x = x->parent_;
    atY = y->place_;
    y = y->parent_;
    below = 0;
  }
  if (atX != atY) return atX < atY;
  if (below != 0) return below < 0;
  return (a.Piece != nullptr) > (b.Piece != nullptr);  // a piece to complete before a read
}

namespace {

// How often the walk looks whether to add threads.
constexpr std::chrono::milliseconds MeasureEvery{5};
// Looks closer together than this read the clock less often.
constexpr std::chrono::microseconds QuickCalls{100};
// Room taken before an entry is read: the most one entry and the sub-folder
// it may name can hold.
constexpr std::size_t EntryRoom = sizeof(FolderItem) + sizeof(std::uint32_t) + sizeof(FolderNode) +
                                  2 * Platform::LongestNameBytes + 1;

std::size_t EntryBytes(std::size_t nameLength, EntryKind kind) {
  const std::size_t node = kind == EntryKind::File ? 0 : sizeof(FolderNode) + nameLength;
  return sizeof(FolderItem) + sizeof(std::uint32_t) + nameLength + 1 + node;
}

}  // namespace

ReadAhead::ReadAhead(Platform::FolderSource& folders, SubFolderRule enters,
                     const WalkOptions& options)
    : folders_(folders),
      enters_(enters),
      options_(options),
      pieceEntries_(std::max<std::size_t>(options.FolderPieceEntries, 1)),
      maxOpen_(std::max<std::size_t>(options.Threads, 1) + 16),
      begun_(std::chrono::steady_clock::now()),
      root_(std::make_unique<FolderNode>(options.RootPath, nullptr, 0)),
      maxThreads_(std::max<std::size_t>(options.Threads, 1)),
      processors_(Platform::UsableProcessors()),
      processorGrain_(Platform::ProcessCpuGrain()) {}

ReadAhead::~ReadAhead() {
  {
    // A walk that ends by a failure leaves jobs: no thread takes another,
    // nor learns another entry.
    const Lock lock(mutex_);
    stopped_ = ending_ = true;
  }
  for (std::jthread& thread : threads_) thread.request_stop();
  threads_.clear();  // joins them
}

// Threads start once the walk has run ThreadsAfter: one per processor the
// process may use, or none on a single one, where they could only take
// turns with the walk's own thread. Then, as long as the process keeps less
// than half of those processors busy (its reads wait for the file system),
// their number grows every few milliseconds, up to Threads. A walk that
// keeps the processors busy gains nothing from more.
void ReadAhead::AddThreadsWhenDue(std::chrono::steady_clock::time_point now) {
  const std::size_t most = maxThreads_ - 1;
  if (threads_.size() >= most || stopped_) return;
  std::size_t more = 0;
  if (measuredAt_ == std::chrono::steady_clock::time_point{}) {
    if (now - begun_ < options_.ThreadsAfter) return;
    more = options_.FirstThreads > 0 ? options_.FirstThreads
           : processors_ < 2         ? 0
                                     : static_cast<std::size_t>(processors_);
  } else {
    // A quota of part of a processor is enforced over periods of 100 ms,
    // within which the process runs and then waits: only a whole period
    // tells how busy it keeps what it may use.
    // Where the processor time moves in clock ticks, a window holds several.
    const auto window = std::max<std::chrono::microseconds>(
        processors_ < 1 ? 20 * MeasureEvery : MeasureEvery, 4 * processorGrain_);
    if (now - measuredAt_ < window) return;
    const auto wall = std::chrono::duration_cast<std::chrono::microseconds>(now - measuredAt_);
    const double busy = static_cast<double>(Platform::ProcessCpuMicroseconds() - processorAt_) /
                        static_cast<double>(wall.count());
    // Two windows in a row, so that one pause of the process (another
    // process on its processor, a page fault) starts no threads; a window
    // that adds threads starts the count again.
    const bool waiting = busy < 0.5 * processors_;
    if (waiting && wasWaiting_) {
      // Each step multiplies the threads by how far the process is from half
      // busy, from 2 to 8 times: a walk that waits on nearly every request
      // reaches its threads in two or three steps, not one doubling a time.
      const double times = std::clamp(0.5 * processors_ / std::max(busy, 0.01), 2.0, 8.0);
      more = static_cast<std::size_t>(
          static_cast<double>(std::max<std::size_t>(threads_.size(), 1)) * (times - 1));
    }
    wasWaiting_ = waiting && !wasWaiting_;
  }
  try {
    for (more = std::min(more, most - threads_.size()); more > 0; --more) {
      threads_.emplace_back([this](std::stop_token stop) { Work(stop); });
    }
  } catch (const std::system_error&) {
    maxThreads_ = threads_.size() + 1;  // the host gives no more: go on with those
  }
  measuredAt_ = now;
  processorAt_ = Platform::ProcessCpuMicroseconds();
}

// Reading the clock once for every entry of a local walk took about 2 % of
// its time: while the walk's calls come quickly, only every few of them
// looks at it. A slow call, as on a share, makes every call look again.
void ReadAhead::AddThreadsNowAndThen() {
  if (threads_.size() + 1 >= maxThreads_ || stopped_ || ++calls_ < callsPerLook_) return;
  calls_ = 0;
  const auto now = std::chrono::steady_clock::now();
  callsPerLook_ = now - lookedAt_ < QuickCalls ? std::min<std::size_t>(2 * callsPerLook_, 8) : 1;
  lookedAt_ = now;
  AddThreadsWhenDue(now);
}

const FolderPiece* ReadAhead::Piece(FolderNode& folder, std::size_t index) {
  AddThreadsNowAndThen();
  Lock lock(mutex_);
  for (;;) {
    FolderPiece* piece = index < folder.pieces_.size() ? folder.pieces_[index].get() : nullptr;
    if (piece != nullptr && piece->state_ == FolderPiece::State::Ready) {
      // Reached: it no longer counts against the bound.
      GiveRoom(std::exchange(piece->counted_, 0));
      return piece;
    }
    if (piece != nullptr && piece->state_ == FolderPiece::State::Complete) {
      Settle(lock, *piece);  // a reading thread failed to
      continue;
    }
    if (piece != nullptr && piece->state_ == FolderPiece::State::Completing &&
        (piece->nextUnknown_ < piece->unknown_.size() ||
         (piece->failed_ > 0 && piece->unknownLeft_ == piece->failed_ && piece->helpers_ == 0))) {
      Complete(lock, *piece, true);
      continue;
    }
    if (piece == nullptr && folder.ended_) return nullptr;
    if (piece == nullptr && !folder.reading_) {
      jobs_.erase(ReadJob{&folder, folder.entriesRead_, nullptr});
      folder.reading_ = true;
      if (Read(lock, folder, false) == Outcome::NoHandles && !CloseIdleListing()) {
        // Retried once a reading thread closes a folder.
        if (running_ == 0) throw NoFolderHandles{folder.Text()};
        pieceReady_.wait(lock);
      }
      continue;
    }
    // Another thread works on it: meanwhile, when every reading thread is
    // busy, run the first job there is, as one would; or sleep until it is
    // done, waking now and then to look whether more threads would bring it
    // sooner.
    ReadJob job{};
    if (running_ >= threads_.size() && TakeJob(job)) {
      RunTaken(lock, job, true);
    } else if (stopped_ || threads_.size() + 1 >= maxThreads_) {
      pieceReady_.wait(lock);
    } else if (pieceReady_.wait_for(lock, MeasureEvery) == std::cv_status::timeout) {
      lock.unlock();
      AddThreadsWhenDue(std::chrono::steady_clock::now());
      lock.lock();
    }
  }
}

void ReadAhead::Release(FolderNode& folder, std::size_t index) {
  std::unique_ptr<FolderPiece> piece;
  {
    const Lock lock(mutex_);
    piece = std::move(folder.pieces_[index]);
  }
  // The piece and the sub-folders it names go here, outside the lock.
}

// TakeJob both looks for a job and takes it, so the wait takes one as it
// wakes.
void ReadAhead::Work(std::stop_token stop) {
  Lock lock(mutex_);
  ReadJob job{};
  while (workQueued_.wait(lock, stop, [&] { return TakeJob(job); })) RunTaken(lock, job, false);
}

// Runs a job taken by TakeJob. A failure stops the read-ahead: the state of
// the job was put back for the walk's thread to redo. Called, and returns,
// with the lock held.
void ReadAhead::RunTaken(Lock& lock, const ReadJob& job, bool walkThread) {
  ++running_;
  try {
    if (job.Piece != nullptr) {
      Complete(lock, *job.Piece, walkThread);
    } else if (Read(lock, *job.Folder, true) == Outcome::NoHandles) {
      Queue(ReadJob{job.Folder, job.Folder->entriesRead_, nullptr});
    }
  } catch (...) {
    if (!lock.owns_lock()) lock.lock();
    // The jobs stay, untaken: through them the walk's thread finds the
    // listings read ahead that it may close when it runs out of handles.
    stopped_ = true;
    pieceReady_.notify_all();
  }
  --running_;
}

// Takes the first job a reading thread may run: a piece with entries left
// to complete, or a read when there is room for an entry and, for a folder
// to open, for one more open folder. Called with the lock held.
bool ReadAhead::TakeJob(ReadJob& job) {
  for (auto first = jobs_.begin(); !stopped_ && first != jobs_.end();) {
    job = *first;
    FolderNode& folder = *job.Folder;
    if (job.Piece != nullptr) {
      if (job.Piece->nextUnknown_ < job.Piece->unknown_.size()) return true;
    } else if (!folder.reading_ && !folder.ended_ && job.Entry == folder.entriesRead_) {
      const bool opens = folder.listing_ == nullptr;
      if (opens && (waitingForClose_ || openListings_ >= maxOpen_)) {
        waitingForClose_ = true;  // woken when a folder closes
        return false;
      }
      if (heldBytes_ + sizeof(FolderPiece) + EntryRoom > options_.ReadAheadBytes) {
        waitingForRoom_ = true;
        return false;
      }
      folder.reading_ = true;
      jobs_.erase(first);
      return true;
    }
    first = jobs_.erase(first);  // done, or taken up by the walk's thread
  }
  return false;
}

// Reads the folder's next piece and publishes it: called, and returns, with
// the lock held and the folder marked as being read. A folder whose listing
// was closed, or never opened, is opened, and the entries of its pieces
// already read are passed over.
ReadAhead::Outcome ReadAhead::Read(Lock& lock, FolderNode& folder, bool counted) {
  std::shared_ptr<Platform::FolderListing> listing = folder.listing_;
  const std::uint64_t skip = listing == nullptr ? folder.entriesRead_ : 0;
  if (listing == nullptr) ++openListings_;
  lock.unlock();
  Platform::OpenResult opened = Platform::OpenResult::Opened;
  std::unique_ptr<FolderPiece> piece;
  bool ended = false;
  try {
    if (listing == nullptr) {
      std::unique_ptr<Platform::FolderListing> opening;
      opened = folders_.Open(folder.Text(), opening);
      listing = std::move(opening);
    }
    if (opened == Platform::OpenResult::Opened) {
      Platform::FolderEntry entry;
      for (std::uint64_t i = 0; i < skip && !ended; ++i) ended = !listing->Next(entry);
      piece = std::make_unique<FolderPiece>();
      piece->folder_ = &folder;
      if (!ended) ended = ReadEntries(*listing, *piece, counted);
    }
  } catch (...) {
    lock.lock();
    if (piece != nullptr) GiveRoom(piece->counted_);
    // The folder is read again from a listing opened afresh.
    if (listing == nullptr) ListingClosed();  // the open failed
    LetGo(folder.listing_);
    LetGo(listing);
    folder.reading_ = false;
    throw;
  }
  lock.lock();
  if (opened != Platform::OpenResult::Opened) {
    --openListings_;
    folder.reading_ = false;
    if (opened == Platform::OpenResult::NoHandles) {
      // The walk's thread may wait for this folder: it reads it itself now.
      waitingForClose_ = true;
      pieceReady_.notify_all();
      return Outcome::NoHandles;
    }
    folder.unreadable_ = folder.ended_ = true;
    pieceReady_.notify_all();
    return Outcome::Done;
  }
  if (ended) {
    LetGo(folder.listing_);
  } else {
    folder.listing_ = listing;
  }
  Publish(lock, folder, std::move(piece), std::move(listing), ended);
  return Outcome::Done;
}

// Reads entries into the piece until it is full, the folder has no more
// (true), or, on a reading thread, the bound leaves no room for another.
bool ReadAhead::ReadEntries(Platform::FolderListing& listing, FolderPiece& piece, bool counted) {
  if (counted && !TakeRoom(sizeof(FolderPiece))) return false;
  if (counted) piece.counted_ += sizeof(FolderPiece);
  Platform::FolderEntry entry;
  while (piece.Items.size() < pieceEntries_) {
    if (counted && !TakeRoom(EntryRoom)) return false;
    if (counted) piece.counted_ += EntryRoom;
    if (!listing.Next(entry)) return true;
    FolderItem item;
    item.NameAt = static_cast<std::uint32_t>(piece.names_.size());
    item.NameLength = static_cast<std::uint32_t>(entry.Name.size());
    item.Kind = entry.Kind;
    item.Size = entry.Size;
    piece.names_.append(entry.Name).push_back('\0');
    if (entry.Kind == EntryKind::Unknown) {
      piece.unknown_.push_back(static_cast<std::uint32_t>(piece.Items.size()));
    }
    piece.Items.push_back(std::move(item));
    if (counted) {
      // What the entry holds: room is given back, or, for a name longer than
      // the host's, taken beyond the bound.
      const std::size_t bytes = EntryBytes(entry.Name.size(), entry.Kind);
      heldBytes_ += bytes - EntryRoom;  // modulo arithmetic: adds or gives back
      piece.counted_ += bytes - EntryRoom;
    }
  }
  return false;
}

bool ReadAhead::TakeRoom(std::size_t bytes) {
  std::size_t held = heldBytes_.load();
  do {
    if (held + bytes > options_.ReadAheadBytes) return false;
  } while (!heldBytes_.compare_exchange_weak(held, held + bytes));
  return true;
}

// Gives room back: called with the lock held, so that a thread that found
// none and is about to sleep is sure to be woken.
void ReadAhead::GiveRoom(std::size_t bytes) {
  if (bytes == 0) return;
  heldBytes_ -= bytes;
  if (waitingForRoom_) {
    waitingForRoom_ = false;
    workQueued_.notify_all();
  }
}

// Lets go of a listing. Every copy of one is made and dropped with the lock
// held, here or where a read or a completion ends, so the last to let go
// knows it closes the folder. Called with the lock held.
void ReadAhead::LetGo(std::shared_ptr<Platform::FolderListing>& listing) {
  if (listing != nullptr && listing.use_count() == 1) ListingClosed();
  listing.reset();
}

void ReadAhead::ListingClosed() {
  --openListings_;
  if (waitingForClose_) {
    waitingForClose_ = false;
    workQueued_.notify_all();
  }
}

// Hands the piece read to its folder, queues the folder's next read, and
// completes the piece. Called, and returns, with the lock held.
void ReadAhead::Publish(Lock& lock, FolderNode& folder, std::unique_ptr<FolderPiece> piece,
                        std::shared_ptr<Platform::FolderListing> listing, bool ended) {
  FolderPiece& read = *piece;
  read.first_ = folder.entriesRead_;
  read.unknownLeft_ = read.unknown_.size();
  try {
    folder.pieces_.push_back(std::move(piece));
  } catch (...) {
    // As a read that failed: the folder is read again from a new listing.
    GiveRoom(read.counted_);
    LetGo(folder.listing_);
    LetGo(listing);
    folder.reading_ = false;
    throw;
  }
  if (!read.unknown_.empty()) read.listing_ = std::move(listing);
  LetGo(listing);  // unless the folder or the piece keeps it
  folder.entriesRead_ += read.Items.size();
  folder.reading_ = false;
  folder.ended_ = ended;
  if (!ended) Queue(ReadJob{&folder, folder.entriesRead_, nullptr});
  if (read.unknown_.empty()) {
    read.state_ = FolderPiece::State::Complete;
    Settle(lock, read);
  } else {
    Queue(ReadJob{&folder, read.first_, &read});
    Complete(lock, read, std::this_thread::get_id() == walkThread_);
  }
}

// Learns the kinds of the piece's Unknown entries, one claimed at a time,
// alongside any other thread that does; the last thread to leave once all
// are learnt settles the piece, so that none still holds it when the walk
// takes it. Where a thread failed, the walk's thread learns them all again
// once the others are gone. Called, and returns, with the lock held.
void ReadAhead::Complete(Lock& lock, FolderPiece& piece, bool walkThread) {
  const bool redo = piece.failed_ > 0 && piece.unknownLeft_ == piece.failed_ && piece.helpers_ == 0;
  std::shared_ptr<Platform::FolderListing> listing = piece.listing_;
  ++piece.helpers_;
  lock.unlock();
  const auto learn = [&](std::size_t unknown) {
    FolderItem& item = piece.Items[piece.unknown_[unknown]];
    const Platform::FolderEntry entry = listing->Details(piece.Name(item));
    item.Kind = entry.Kind == EntryKind::Unknown ? EntryKind::File : entry.Kind;
    item.Size = entry.Kind == EntryKind::File ? entry.Size : 0;
  };
  try {
    for (std::size_t i = 0; redo && i < piece.unknown_.size(); ++i) learn(i);
    for (std::size_t i; !redo && !ending_ && (i = piece.nextUnknown_++) < piece.unknown_.size();) {
      if (walkThread) AddThreadsNowAndThen();
      learn(i);
      --piece.unknownLeft_;
    }
  } catch (...) {
    lock.lock();
    LetGo(listing);
    --piece.helpers_;
    ++piece.failed_;
    pieceReady_.notify_all();
    throw;
  }
  lock.lock();
  LetGo(listing);
  if (redo) piece.failed_ = piece.unknownLeft_ = 0;
  if (--piece.helpers_ > 0 || piece.unknownLeft_ > 0) {
    if (piece.failed_ > 0) pieceReady_.notify_all();  // the walk's thread may redo them now
    return;
  }
  jobs_.erase(ReadJob{piece.folder_, piece.first_, &piece});
  LetGo(piece.listing_);
  piece.state_ = FolderPiece::State::Complete;
  Settle(lock, piece);
}

// Makes the sub-folders of a complete piece that the walk enters, queues
// their reads and hands the piece to the walk. Called, and returns, with the
// lock held.
void ReadAhead::Settle(Lock& lock, FolderPiece& piece) {
  piece.state_ = FolderPiece::State::Settling;
  lock.unlock();
  FolderNode& folder = *piece.folder_;
  try {
    for (std::size_t i = 0; i < piece.Items.size(); ++i) {
      FolderItem& item = piece.Items[i];
      if (item.Kind != EntryKind::Folder && item.Kind != EntryKind::FolderLink) continue;
      const std::string_view name = piece.Name(item);
      if (!enters_(folders_, folder, name, item.Kind)) continue;
      item.SubFolder = std::make_unique<FolderNode>(std::string(name), &folder, piece.first_ + i);
    }
  } catch (...) {
    for (FolderItem& item : piece.Items) item.SubFolder.reset();
    lock.lock();
    piece.state_ = FolderPiece::State::Complete;
    pieceReady_.notify_all();
    throw;
  }
  lock.lock();
  for (FolderItem& item : piece.Items) {
    if (item.SubFolder) Queue(ReadJob{item.SubFolder.get(), 0, nullptr});
  }
  piece.state_ = FolderPiece::State::Ready;
  pieceReady_.notify_all();
}

// Closes, for the walk's thread, the listing of a folder read ahead that
// waits for its next read, to be opened again when that read comes; false
// when there is none. Called with the lock held.
bool ReadAhead::CloseIdleListing() {
  for (const ReadJob& job : jobs_) {
    FolderNode& folder = *job.Folder;
    // A listing a piece still learns entries through stays open.
    if (job.Piece != nullptr || folder.reading_ || folder.listing_.use_count() != 1) continue;
    folder.listing_.reset();
    // The handle freed is the walk's to take: no reading thread opens a
    // folder before another closes.
    --openListings_;
    waitingForClose_ = true;
    return true;
  }
  return false;
}

// Queues a job for the reading threads. A job that cannot be queued is
// left to the walk's thread, which runs whatever it needs that nobody has.
void ReadAhead::Queue(const ReadJob& job) {
  try {
    jobs_.insert(job);
  } catch (...) {
    return;
  }
  // After a failure no reading thread takes jobs, but the walk's thread
  // still finds through them the listings it may close.
  if (stopped_) return;
  // A piece to complete takes as many threads as it has entries left to
  // learn, less the one that read it.
  const std::size_t wanted = job.Piece == nullptr ? 1 : job.Piece->unknown_.size() - 1;
  for (std::size_t i = 0; i < std::min(wanted, options_.Threads); ++i) workQueued_.notify_one();
}

}  // namespace IO
