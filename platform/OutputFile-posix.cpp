// The output file on POSIX: a new file beside the page, put in place with
// rename, which replaces the old page in one step, whatever happens on the
// way. On Linux the new file has no name while it is written (O_TMPFILE) and
// gets one only when it is whole, just before the rename, so that no signal
// and no crash leaves a part page behind. Elsewhere, or on a file system
// without unnamed files, it is written under a temporary name, which every
// signal that ends the process removes first.
//
// The new file never grants more than the page will: it is created with the
// old page's permission bits (or those a new file gets), never more.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/OutputFile.h"
#include "platform/PosixPath.h"

namespace {

// The one output file open at a time.
struct OpenOutput {
  int Fd = -1;
  std::string Path;        // the OS path of the file to replace
  std::string Folder;      // its folder, ending in '/'; empty for the current one
  std::string Temporary;   // the OS path of the named temporary file, while it exists
  bool Unnamed = false;    // an O_TMPFILE file, named only when it is put in place
  bool InPlace = false;    // the file at Path itself, written over
  bool WontFit = false;    // in place, but the text cannot fit: nothing is written
  std::uint64_t Size = 0;  // in place: the length of the text
};
OpenOutput Output;

// The named temporary file's path while it exists, for the signal handler.
const char* volatile RemoveOnSignal = nullptr;

// The signals whose default action ends the process, and what each did
// before the run installed its handler (by signal number). SIGXFSZ is
// ignored while the page is written: a file size limit then fails the write,
// which is reported, instead of ending the run.
std::vector<int> EndingSignals() {
  std::vector<int> signals = {SIGHUP,  SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT,
                              SIGBUS,  SIGFPE,  SIGUSR1, SIGSEGV, SIGUSR2, SIGPIPE,
                              SIGALRM, SIGTERM, SIGXCPU, SIGSYS,  SIGPROF, SIGVTALRM};
#ifdef __linux__
  // Signals whose default ends the process on Linux only (on BSD systems
  // SIGIO is ignored by default).
  signals.insert(signals.end(), {SIGSTKFLT, SIGIO, SIGPWR});
#endif
#ifdef SIGRTMIN
  for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) signals.push_back(number);
#endif
  return signals;
}
struct sigaction Previous[NSIG];
std::vector<int> Watched;  // the signals whose action the run changed

extern "C" void RemoveTemporaryAndStop(int number) {
  if (const char* path = RemoveOnSignal) unlink(path);
  // Ends the process as the signal would have without the handler: the
  // signal is raised again and arrives once the handler returns.
  signal(number, SIG_DFL);
  raise(number);
}

// Every signal that can be blocked, blocked; returns the mask to set back.
sigset_t BlockSignals() {
  sigset_t all;
  sigset_t previous;
  sigfillset(&all);
  sigprocmask(SIG_BLOCK, &all, &previous);
  return previous;
}

// Ignores SIGXFSZ and, with removal, installs the handler that removes the
// named temporary file on every ending signal. A signal the run was started
// to ignore, or handles itself, is left as it is.
void WatchSignals(bool removal) {
  Watched.clear();
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &Previous[SIGXFSZ]);
  Watched.push_back(SIGXFSZ);
  if (!removal) return;
  struct sigaction action {};
  action.sa_handler = RemoveTemporaryAndStop;
  sigfillset(&action.sa_mask);
  for (const int number : EndingSignals()) {
    if (sigaction(number, nullptr, &Previous[number]) == 0 &&
        Previous[number].sa_handler == SIG_DFL && sigaction(number, &action, nullptr) == 0) {
      Watched.push_back(number);
    }
  }
}

void RestoreSignals() {
  for (const int number : Watched) sigaction(number, &Previous[number], nullptr);
  Watched.clear();
}

// Bits for the temporary file's tag.
std::uint64_t TagBits() {
  static std::uint64_t calls = 0;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return (static_cast<std::uint64_t>(getpid()) << 40) ^ static_cast<std::uint64_t>(now.tv_nsec) ^
         (static_cast<std::uint64_t>(now.tv_sec) << 20) ^ (++calls << 56);
}

std::string TemporaryPath() {
  const std::string name = Output.Path.substr(Output.Folder.size());
  return Output.Folder + "." + name + "." + Platform::TemporaryTag(TagBits());
}

std::string DescriptorPath(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

// An unnamed file in the output's folder that can later be given a name
// (through /proc, the way open to every user); -1 where there is none.
int CreateUnnamed([[maybe_unused]] mode_t mode) {
#ifdef O_TMPFILE
  const int fd = open(Output.Folder.empty() ? "." : Output.Folder.c_str(),
                      O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
  if (fd < 0) return -1;
  struct stat viaProc;
  struct stat own;
  if (stat(DescriptorPath(fd).c_str(), &viaProc) == 0 && fstat(fd, &own) == 0 &&
      viaProc.st_dev == own.st_dev && viaProc.st_ino == own.st_ino) {
    return fd;
  }
  close(fd);
#endif
  return -1;
}

// A new file under a temporary name beside the output, which every ending
// signal removes; -1, with errno set, where none can be created.
int CreateNamed(mode_t mode) {
  WatchSignals(true);
  const sigset_t unblocked = BlockSignals();
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    Output.Temporary = TemporaryPath();
    fd = open(Output.Temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0 && errno != EEXIST) break;
  }
  const int error = errno;
  if (fd >= 0) RemoveOnSignal = Output.Temporary.c_str();
  sigprocmask(SIG_SETMASK, &unblocked, nullptr);
  if (fd < 0) {
    RestoreSignals();
    Output.Temporary.clear();
  }
  errno = error;
  return fd;
}

// Whether size bytes can be written to the file: not beyond the file size
// limit, and, where the file system can tell, not beyond the free space.
bool Fits(int fd, std::uint64_t size) {
  rlimit limit{};
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      size > limit.rlim_cur) {
    return false;
  }
#ifdef __linux__
  if (size > 0 && fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0) {
    return errno != ENOSPC && errno != EFBIG && errno != EDQUOT;
  }
#else
  static_cast<void>(fd);
#endif
  return true;
}

// Today's way, for a folder where no file may be created: the file itself,
// written over from its start and cut to the text's length once the text is
// written. It is opened without truncation, so that nothing is changed before
// it is known to be a plain file of its own, and written only when the text
// fits, so that a size limit or a full disk leaves the old page whole.
int OpenInPlace(const std::string& path, std::uint64_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink > 1 ||
      fcntl(fd, F_SETFL, 0) != 0) {
    close(fd);
    return -1;
  }
  Output.WontFit = !Fits(fd, size);
  Output.Size = size;
  return fd;
}

// Names the unnamed file and puts it in place. Signals wait meanwhile, so
// that none comes while it has its temporary name.
bool PlaceUnnamed() {
  const sigset_t unblocked = BlockSignals();
  bool linked = false;
  for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
    Output.Temporary = TemporaryPath();
    linked = linkat(AT_FDCWD, DescriptorPath(Output.Fd).c_str(), AT_FDCWD, Output.Temporary.c_str(),
                    AT_SYMLINK_FOLLOW) == 0;
    if (!linked && errno != EEXIST) break;
  }
  const bool closed = close(Output.Fd) == 0;
  const bool placed =
      linked && closed && rename(Output.Temporary.c_str(), Output.Path.c_str()) == 0;
  if (linked && !placed) unlink(Output.Temporary.c_str());
  sigprocmask(SIG_SETMASK, &unblocked, nullptr);
  return placed;
}

}  // namespace

namespace Platform {

FileHandle CreateOutputFile(const char* path, std::uint64_t size) {
  Output = OpenOutput{};
  Output.Path = Platform::OsPath(path);
  Output.Folder = Output.Path.substr(0, Output.Path.rfind('/') + 1);
  // What stands at the path now: nothing, or a plain file of its own. A link
  // is refused, and so are a FIFO, a device, a folder and a file with other
  // hard links.
  struct stat old;
  const bool exists = lstat(Output.Path.c_str(), &old) == 0;
  if (exists ? (!S_ISREG(old.st_mode) || old.st_nlink > 1) : errno != ENOENT) return InvalidFile;

  // Created with the old page's permission bits (never its set-id or sticky
  // bits), or those a new file gets; the umask may take some away, which the
  // old page's are given back after.
  const mode_t mode = exists ? (old.st_mode & 0777) : 0666;
  Output.Fd = CreateUnnamed(mode);
  Output.Unnamed = Output.Fd >= 0;
  if (Output.Unnamed) {
    WatchSignals(false);
  } else {
    Output.Fd = CreateNamed(mode);
  }
  if (Output.Fd >= 0) {
    if (exists) fchmod(Output.Fd, mode);
    return Output.Fd;
  }
  if (errno != EACCES && errno != EPERM) return InvalidFile;
  WatchSignals(false);
  Output.InPlace = true;
  Output.Fd = OpenInPlace(Output.Path, size);
  if (Output.Fd >= 0) return Output.Fd;
  RestoreSignals();
  Output = OpenOutput{};
  return InvalidFile;
}

bool WriteOutputFile(FileHandle file, const char* data, std::size_t size) {
  // Nothing is written over an old page that the text cannot replace whole.
  if (Output.WontFit) return false;
  // The text goes to the kernel 1 MiB per call. Linux backs one large write
  // with 2 MiB page-cache pages, and on a virtual machine that hands free
  // memory back to its host those come from memory the host has taken away,
  // which makes one large write several times slower than the same bytes in
  // 1 MiB pieces (docs/benchmark.md).
  constexpr std::size_t MaxWriteBytes = std::size_t{1} << 20;
  const int fd = static_cast<int>(file);
  while (size > 0) {
    const ssize_t written = write(fd, data, size < MaxWriteBytes ? size : MaxWriteBytes);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool CloseOutputFile(FileHandle file, bool keep) {
  bool placed;
  if (Output.Unnamed) {
    placed = keep && PlaceUnnamed();
    if (!keep) close(static_cast<int>(file));
  } else if (Output.InPlace) {
    const bool cut =
        !keep || ftruncate(static_cast<int>(file), static_cast<off_t>(Output.Size)) == 0;
    placed = close(static_cast<int>(file)) == 0 && keep && cut;
  } else {
    const bool closed = close(static_cast<int>(file)) == 0;
    placed = keep && closed && rename(Output.Temporary.c_str(), Output.Path.c_str()) == 0;
    if (!placed) unlink(Output.Temporary.c_str());
    RemoveOnSignal = nullptr;
  }
  RestoreSignals();
  Output = OpenOutput{};
  return placed;
}

}  // namespace Platform
