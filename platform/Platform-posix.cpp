// The POSIX back end: the Win32-shaped find calls emulated over the folder's
// entries (getdents64 on Linux, readdir elsewhere) and fstatat, and the other
// host services of Platform.h but the output file (OutputFile-posix.cpp).
//
// Path texts arrive with backslash separators; each backslash becomes '/'
// only here, when the OS is called.

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"
#include "platform/Win32Api.h"

namespace {

std::string OsPath(const char* path) {
  std::string os(path);
  for (char& c : os) {
    if (c == '\\') c = '/';
  }
  return os;
}

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
};

bool OpenDirectory(FindState& state, const char* folder) {
  state.Fd = open(folder, O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
  state.Position = state.End = 0;
  return state.Fd >= 0;
}

// The next entry, or false at the end of the folder or when reading fails.
bool ReadDirectory(FindState& state, DirectoryEntry& entry) {
  for (;;) {
    if (state.Position >= state.End) {
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

// States of ended enumerations, kept with their buffers for the next folder.
std::vector<std::unique_ptr<FindState>> SpareStates;

void SetSize(WIN32_FIND_DATAA* data, std::uint64_t size) {
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
}

// Fills the record from a directory entry. Sizes follow links; a link to a
// folder carries the directory bit (and the reparse bit, like a junction); a
// link that leads nowhere is a file of size 0.
void FillEntry(int folderFd, const DirectoryEntry& entry, WIN32_FIND_DATAA* data) {
  const std::size_t length = std::strlen(entry.Name);
  std::memcpy(data->cFileName, entry.Name, length + 1);
  data->dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
  SetSize(data, 0);

#ifdef DT_DIR
  // A real folder needs no stat: its size is never used, and only links can
  // lead back up the tree.
  if (entry.Type == DT_DIR) {
    data->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    return;
  }
  const bool isLink = entry.Type == DT_LNK;
#else
  const bool isLink = false;
#endif

  struct stat info;
  if (fstatat(folderFd, entry.Name, &info, 0) != 0) {
    struct stat own;
    if (fstatat(folderFd, entry.Name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode)) {
      data->dwFileAttributes = FILE_ATTRIBUTE_REPARSE_POINT;
    }
    return;
  }
  bool linked = isLink;
  if (!linked && S_ISDIR(info.st_mode)) {
    // The entry type was not known in advance: learn whether it is a link.
    struct stat own;
    linked = fstatat(folderFd, entry.Name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
  }
  if (S_ISDIR(info.st_mode)) {
    data->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY | (linked ? FILE_ATTRIBUTE_REPARSE_POINT : 0);
    return;
  }
  if (linked) data->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  SetSize(data, static_cast<std::uint64_t>(info.st_size));
}

BOOL NextEntry(FindState* state, WIN32_FIND_DATAA* data) {
  errno = 0;
  DirectoryEntry entry;
  if (!ReadDirectory(*state, entry)) return 0;
  FillEntry(DirectoryFd(*state), entry, data);
  return 1;
}

}  // namespace

DWORD GetFileAttributesA(const char* path) {
  struct stat info;
  if (stat(OsPath(path).c_str(), &info) != 0) return INVALID_FILE_ATTRIBUTES;
  return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
}

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
  // The walk asks for every entry of one folder: folder "\*.*".
  std::string folder = OsPath(pattern);
  constexpr std::string_view AllEntries = "/*.*";
  if (folder.size() < AllEntries.size() ||
      folder.compare(folder.size() - AllEntries.size(), AllEntries.size(), AllEntries) != 0) {
    return INVALID_HANDLE_VALUE;
  }
  folder.resize(folder.size() - AllEntries.size() + 1);  // keep the '/'
  std::unique_ptr<FindState> state;
  if (SpareStates.empty()) {
    state = std::make_unique<FindState>();
  } else {
    state = std::move(SpareStates.back());
    SpareStates.pop_back();
  }
  if (!OpenDirectory(*state, folder.c_str())) {
    SpareStates.push_back(std::move(state));
    return INVALID_HANDLE_VALUE;
  }
  if (!NextEntry(state.get(), data)) {
    CloseDirectory(*state);
    SpareStates.push_back(std::move(state));
    return INVALID_HANDLE_VALUE;
  }
  return state.release();
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
  return NextEntry(static_cast<FindState*>(find), data);
}

BOOL FindClose(HANDLE find) {
  std::unique_ptr<FindState> state(static_cast<FindState*>(find));
  const bool closed = CloseDirectory(*state);
  SpareStates.push_back(std::move(state));
  return closed ? 1 : 0;
}

namespace Platform {

bool TextIsUtf8() {
  return true;
}

bool GetFolderIdentity(const char* folderText, FolderIdentity& identity) {
  struct stat info;
  if (stat(OsPath(folderText).c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  identity.Volume = static_cast<std::uint64_t>(info.st_dev);
  identity.Index = static_cast<std::uint64_t>(info.st_ino);
  return true;
}

bool LocalTime(std::int64_t seconds, std::tm& local) {
  const auto time = static_cast<std::time_t>(seconds);
  if (static_cast<std::int64_t>(time) != seconds) return false;
  return localtime_r(&time, &local) != nullptr;
}

bool StandardOutputIsTerminal() {
  return isatty(STDOUT_FILENO) == 1;
}

std::size_t TerminalColumns() {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

std::uint64_t MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000 +
         static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000;
}

void PrepareProcess() {
  // A console pipe whose reader has gone must not end the run before the
  // page is written; the lost output is all that is lost.
  std::signal(SIGPIPE, SIG_IGN);

  // The walk holds one folder open on every level down to the one it lists,
  // so a deep tree needs as many descriptors as it has levels, more than
  // the soft limit many systems start a process with: the levels below it
  // would be left out although they can be read. Take what the hard limit
  // allows.
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    const rlim_t soft = files.rlim_cur;
    files.rlim_cur = files.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &files) != 0) {
#ifdef OPEN_MAX
      // Some systems refuse an unlimited soft limit but take their own cap.
      files.rlim_cur = soft < OPEN_MAX ? OPEN_MAX : soft;
      setrlimit(RLIMIT_NOFILE, &files);
#else
      (void)soft;
#endif
    }
  }
}

}  // namespace Platform
