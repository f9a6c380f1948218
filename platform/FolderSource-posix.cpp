// The host's file system on POSIX: folders listed with getdents64 on Linux,
// readdir elsewhere, and entries' kinds and sizes learnt with fstatat.
//
// Path texts arrive with backslash separators; each backslash becomes '/'
// only here, when the OS is called.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/FolderSource.h"
#include "platform/PosixPath.h"

namespace Platform {
namespace {

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Kind and size of a name in a folder. Sizes follow links; a link to a
// folder is a FolderLink (like a junction, which is what keeps the walk from
// following it back up); a link that leads nowhere is a file of size 0. A
// file a link leads to is told by one stat, without asking whether it is a
// link, since nothing about a file depends on it.
FolderEntry StatEntry(int folderFd, std::string_view name) {
  const std::string text(name);
  FolderEntry entry{name, EntryKind::File, 0};
  struct stat info;
  if (fstatat(folderFd, text.c_str(), &info, 0) != 0) return entry;
  if (S_ISDIR(info.st_mode)) {
    // Listed without a type that says so: learn whether it is a link.
    struct stat own;
    const bool linked =
        fstatat(folderFd, text.c_str(), &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
    entry.Kind = linked ? EntryKind::FolderLink : EntryKind::Folder;
    return entry;
  }
  entry.Size = static_cast<std::uint64_t>(info.st_size);
  return entry;
}

// A real folder needs no stat: its size is never used, and only links can
// lead back up the tree. Every other entry needs one for its size, and a
// link for what it leads to.
EntryKind KindOfType([[maybe_unused]] unsigned char type) {
#ifdef DT_DIR
  if (type == DT_DIR) return EntryKind::Folder;
#endif
  return EntryKind::Unknown;
}

OpenResult OpenFailure() {
  return errno == EMFILE || errno == ENFILE || errno == ENOMEM ? OpenResult::NoHandles
                                                               : OpenResult::Unreadable;
}

#ifdef __linux__

// On Linux the entries are read with getdents64 into a buffer of our own.
// opendir would stat every folder once more and allocate, and free again, a
// buffer of its own per folder; a walk of a deep tree opens and closes one
// small folder after another, so both costs are paid per folder.
class PosixListing final : public FolderListing {
 public:
  static constexpr std::size_t BufferBytes = std::size_t{64} << 10;

  explicit PosixListing(int fd) : fd_(fd) {}
  ~PosixListing() override { close(fd_); }
  PosixListing(const PosixListing&) = delete;
  PosixListing& operator=(const PosixListing&) = delete;

  bool Next(FolderEntry& entry) override {
    for (;;) {
      if (position_ >= end_ && !Fill()) return false;
      const auto* record = reinterpret_cast<const dirent64*>(buffer_.get() + position_);
      position_ += record->d_reclen;
      // A deleted entry, as readdir skips it too.
      if (record->d_ino == 0 || IsDotOrDotDot(record->d_name)) continue;
      lastName_ = record->d_name;
      entry = FolderEntry{lastName_, KindOfType(record->d_type), 0};
      return true;
    }
  }

  FolderEntry Details(std::string_view name) override { return StatEntry(fd_, name); }

 private:
  bool Fill() {
    // Network file systems (NFS, FUSE) deliver each entry's attributes with
    // the listing only while they see them asked for: after the first read
    // of a folder, the next read brings them only when a stat has come
    // since. The walk asks for them once a piece of the folder is read, so
    // one stat of the last entry read, before the next read, keeps them
    // coming, and every later stat of the folder is answered from the
    // client's cache instead of by a round trip. It costs a local disk one
    // stat per buffer of entries.
    if (lastName_ != nullptr) {
      struct stat ignored;
      fstatat(fd_, lastName_, &ignored, AT_SYMLINK_NOFOLLOW);
    }
    ssize_t got;
    do {
      got = getdents64(fd_, buffer_.get(), BufferBytes);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) return false;
    position_ = 0;
    end_ = static_cast<std::size_t>(got);
    return true;
  }

  int fd_;
  std::unique_ptr<char[]> buffer_{new char[BufferBytes]};  // filled before it is read
  std::size_t position_ = 0;
  std::size_t end_ = 0;
  const char* lastName_ = nullptr;  // of the entry read last, in buffer_
};

OpenResult OpenFolder(const std::string& folder, std::unique_ptr<FolderListing>& listing) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return OpenFailure();
  try {
    listing = std::make_unique<PosixListing>(fd);
  } catch (...) {
    close(fd);
    throw;
  }
  return OpenResult::Opened;
}

#else

class PosixListing final : public FolderListing {
 public:
  explicit PosixListing(DIR* dir) : dir_(dir) {}
  ~PosixListing() override { closedir(dir_); }
  PosixListing(const PosixListing&) = delete;
  PosixListing& operator=(const PosixListing&) = delete;

  bool Next(FolderEntry& entry) override {
    for (;;) {
      const dirent* record = readdir(dir_);
      if (record == nullptr) return false;
      if (IsDotOrDotDot(record->d_name)) continue;
#ifdef DT_UNKNOWN
      entry = FolderEntry{record->d_name, KindOfType(record->d_type), 0};
#else
      entry = FolderEntry{record->d_name, EntryKind::Unknown, 0};
#endif
      return true;
    }
  }

  FolderEntry Details(std::string_view name) override {
    return StatEntry(dirfd(dir_), name);
  }

 private:
  DIR* dir_;
};

OpenResult OpenFolder(const std::string& folder, std::unique_ptr<FolderListing>& listing) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return OpenFailure();
  try {
    listing = std::make_unique<PosixListing>(dir);
  } catch (...) {
    closedir(dir);
    throw;
  }
  return OpenResult::Opened;
}

#endif

class PosixFolderSource final : public FolderSource {
 public:
  bool IsFolder(std::string_view path) override {
    struct stat info;
    return stat(OsPath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }

  OpenResult Open(std::string_view folderText, std::unique_ptr<FolderListing>& listing) override {
    return OpenFolder(OsPath(folderText) + '/', listing);
  }

  std::optional<FolderIdentity> Identity(std::string_view folderText) override {
    struct stat info;
    if (stat(OsPath(folderText).c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return {};
    return FolderIdentity{static_cast<std::uint64_t>(info.st_dev),
                          static_cast<std::uint64_t>(info.st_ino)};
  }
};

}  // namespace

FolderSource& HostFolderSource() {
  static PosixFolderSource source;
  return source;
}

}  // namespace Platform
