// The host's file system on POSIX: the Win32-shaped find calls emulated over
// the folder's entries (getdents64 on Linux, readdir elsewhere) and fstatat.
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
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FolderSource.h"
#include "platform/PosixPath.h"

namespace Platform {
namespace {

// One entry as the directory delivers it: its name and, where the file
// system tells it without a stat, its type.
struct DirectoryEntry {
  const char* Name;
  unsigned char Type;  // a DT_ value; DT_UNKNOWN when not told
};

#ifdef __linux__

// On Linux the entries are read with getdents64 into a buffer of our own.
// opendir would stat every folder once more and allocate, and free again, a
// buffer of its own per folder; a walk of a deep tree opens and closes one
// small folder after another, so both costs are paid per folder.
constexpr std::size_t EntryBufferBytes = std::size_t{64} << 10;

struct FindState {
  int Fd = -1;
  std::unique_ptr<char[]> Buffer{new char[EntryBufferBytes]};  // filled before it is read
  std::size_t Position = 0;
  std::size_t End = 0;
  const char* LastName = nullptr;  // of the entry read last, in Buffer
};

bool OpenDirectory(FindState& state, const char* folder) {
  state.Fd = open(folder, O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
  state.Position = state.End = 0;
  state.LastName = nullptr;
  return state.Fd >= 0;
}

// The next entry, or false at the end of the folder or when reading fails.
bool ReadDirectory(FindState& state, DirectoryEntry& entry) {
  for (;;) {
    if (state.Position >= state.End) {
      // Network file systems (NFS, FUSE) deliver each entry's attributes with
      // the listing only while they see them asked for: after the first read
      // of a folder, the next read brings them only when a stat has come
      // since. The walk asks for them once a piece of the folder is read, so
      // one stat of the last entry read, before the next read, keeps them
      // coming, and every later stat of the folder is answered from the
      // client's cache instead of by a round trip. It costs a local disk one
      // stat per buffer of entries.
      if (state.LastName != nullptr) {
        struct stat ignored;
        fstatat(state.Fd, state.LastName, &ignored, AT_SYMLINK_NOFOLLOW);
      }
      ssize_t got;
      do {
        got = getdents64(state.Fd, state.Buffer.get(), EntryBufferBytes);
      } while (got < 0 && errno == EINTR);
      if (got <= 0) return false;
      state.Position = 0;
      state.End = static_cast<std::size_t>(got);
    }
    const auto* record = reinterpret_cast<const dirent64*>(state.Buffer.get() + state.Position);
    state.Position += record->d_reclen;
    if (record->d_ino == 0) continue;  // a deleted entry, as readdir skips it too
    entry = DirectoryEntry{record->d_name, record->d_type};
    state.LastName = record->d_name;
    return true;
  }
}

int DirectoryFd(const FindState& state) {
  return state.Fd;
}

bool CloseDirectory(FindState& state) {
  const int result = close(state.Fd);
  state.Fd = -1;
  return result == 0;
}

#else

struct FindState {
  DIR* Dir = nullptr;
};

bool OpenDirectory(FindState& state, const char* folder) {
  state.Dir = opendir(folder);
  return state.Dir != nullptr;
}

bool ReadDirectory(FindState& state, DirectoryEntry& entry) {
  const dirent* record = readdir(state.Dir);
  if (record == nullptr) return false;
#ifdef DT_UNKNOWN
  entry = DirectoryEntry{record->d_name, record->d_type};
#else
  entry = DirectoryEntry{record->d_name, 0};
#endif
  return true;
}

int DirectoryFd(const FindState& state) {
  return dirfd(state.Dir);
}

bool CloseDirectory(FindState& state) {
  const int result = closedir(state.Dir);
  state.Dir = nullptr;
  return result == 0;
}

#endif

void SetSize(WIN32_FIND_DATAA* data, std::uint64_t size) {
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
}

// Fills the record's name. A real folder needs no stat: its size is never
// used, and only links can lead back up the tree. Every other entry needs
// one for its size, and a link for what it leads to: CompleteFindData.
void FillEntry(const DirectoryEntry& entry, WIN32_FIND_DATAA* data) {
  const std::size_t length = std::strlen(entry.Name);
  std::memcpy(data->cFileName, entry.Name, length + 1);
  SetSize(data, 0);
#ifdef DT_DIR
  if (entry.Type == DT_DIR) {
    data->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    return;
  }
#endif
  data->dwFileAttributes = AttributesToComplete;
}

// Attributes and size of the entry named in the record. Sizes follow links;
// a link to a folder carries the directory bit (and the reparse bit, like a
// junction, which is what keeps the walk from following it back up); a link
// that leads nowhere is a file of size 0 with the reparse bit. A file a link
// leads to is told by one stat, without asking whether it is a link, since
// nothing about a file depends on it.
void StatEntry(int folderFd, WIN32_FIND_DATAA* data) {
  const char* name = data->cFileName;
  data->dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
  SetSize(data, 0);
  struct stat info;
  struct stat own;
  if (fstatat(folderFd, name, &info, 0) != 0) {
    if (fstatat(folderFd, name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode)) {
      data->dwFileAttributes = FILE_ATTRIBUTE_REPARSE_POINT;
    }
    return;
  }
  if (S_ISDIR(info.st_mode)) {
    // Listed without a type that says so: learn whether it is a link.
    const bool linked =
        fstatat(folderFd, name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
    data->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY | (linked ? FILE_ATTRIBUTE_REPARSE_POINT : 0);
    return;
  }
  SetSize(data, static_cast<std::uint64_t>(info.st_size));
}

BOOL NextEntry(FindState* state, WIN32_FIND_DATAA* data) {
  errno = 0;
  DirectoryEntry entry;
  if (!ReadDirectory(*state, entry)) return 0;
  FillEntry(entry, data);
  return 1;
}

class PosixFolderSource final : public FolderSource {
 public:
  DWORD GetFileAttributesA(const char* path) override {
    struct stat info;
    if (stat(OsPath(path).c_str(), &info) != 0) return INVALID_FILE_ATTRIBUTES;
    return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  }

  HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) override {
    // The walk asks for every entry of one folder: folder "\*.*".
    std::string folder = OsPath(pattern);
    constexpr std::string_view AllEntries = "/*.*";
    if (!std::string_view(folder).ends_with(AllEntries)) return INVALID_HANDLE_VALUE;
    folder.resize(folder.size() - AllEntries.size() + 1);  // keep the '/'
    std::unique_ptr<FindState> state = TakeState();
    if (!OpenDirectory(*state, folder.c_str())) {
      KeepState(std::move(state));
      return INVALID_HANDLE_VALUE;
    }
    if (!NextEntry(state.get(), data)) {
      CloseDirectory(*state);
      KeepState(std::move(state));
      return INVALID_HANDLE_VALUE;
    }
    return state.release();
  }

  BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) override {
    return NextEntry(static_cast<FindState*>(find), data);
  }

  void CompleteFindData(HANDLE find, WIN32_FIND_DATAA* data) override {
    StatEntry(DirectoryFd(*static_cast<FindState*>(find)), data);
  }

  BOOL FindClose(HANDLE find) override {
    std::unique_ptr<FindState> state(static_cast<FindState*>(find));
    const bool closed = CloseDirectory(*state);
    KeepState(std::move(state));
    return closed ? 1 : 0;
  }

  bool GetFolderIdentity(const char* folderText, FolderIdentity& identity) override {
    struct stat info;
    if (stat(OsPath(folderText).c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    identity.Volume = static_cast<std::uint64_t>(info.st_dev);
    identity.Index = static_cast<std::uint64_t>(info.st_ino);
    return true;
  }

 private:
  // States of ended enumerations are kept, with their buffers, for the next
  // folder; a few per thread that reads folders is enough.
  static constexpr std::size_t MaxSpareStates = 64;

  std::unique_ptr<FindState> TakeState() {
    {
      const std::lock_guard<std::mutex> lock(spareMutex_);
      if (!spareStates_.empty()) {
        std::unique_ptr<FindState> state = std::move(spareStates_.back());
        spareStates_.pop_back();
        return state;
      }
    }
    return std::make_unique<FindState>();
  }

  void KeepState(std::unique_ptr<FindState> state) {
    const std::lock_guard<std::mutex> lock(spareMutex_);
    if (spareStates_.size() < MaxSpareStates) spareStates_.push_back(std::move(state));
  }

  std::mutex spareMutex_;
  std::vector<std::unique_ptr<FindState>> spareStates_;
};

}  // namespace

FolderSource& HostFolderSource() {
  static PosixFolderSource source;
  return source;
}

}  // namespace Platform
