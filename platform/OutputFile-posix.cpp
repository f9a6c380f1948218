// The output file on POSIX: a temporary file beside the page, put in place
// with rename, which replaces the old page in one step, whatever happens on
// the way. A signal that stops the run removes the temporary file first.

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <iterator>
#include <string>

#include "platform/OutputFile.h"
#include "platform/PosixPath.h"

namespace {

// The one output file open at a time.
struct OpenOutput {
  int Fd = -1;
  std::string Path;       // the OS path of the file to replace
  std::string Temporary;  // the OS path of the temporary file; empty when written in place
};
OpenOutput Output;

// The temporary file's path while it exists, for the signal handler.
const char* volatile RemoveOnSignal = nullptr;

// The signals that end a run, and what they did before the temporary file
// existed. SIGXFSZ is ignored meanwhile: a file size limit then fails the
// write, which is reported, instead of ending the run.
constexpr int StoppingSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
struct sigaction Previous[std::size(StoppingSignals)];
struct sigaction PreviousFileSizeAction;

extern "C" void RemoveTemporaryAndStop(int number) {
  if (const char* path = RemoveOnSignal) unlink(path);
  // Ends the process as the signal would have without the handler.
  signal(number, SIG_DFL);
  raise(number);
}

// Installs the handler for the stopping signals, and blocks them until the
// caller sets back the signal mask it returns, so that none comes between
// the temporary file's creation and RemoveOnSignal.
sigset_t WatchSignals() {
  struct sigaction action {};
  action.sa_handler = RemoveTemporaryAndStop;
  sigemptyset(&action.sa_mask);
  for (const int signal : StoppingSignals) sigaddset(&action.sa_mask, signal);
  sigset_t unblocked;
  sigprocmask(SIG_BLOCK, &action.sa_mask, &unblocked);
  for (std::size_t i = 0; i < std::size(StoppingSignals); ++i) {
    sigaction(StoppingSignals[i], nullptr, &Previous[i]);
    // A signal the run was started to ignore stays ignored.
    if (Previous[i].sa_handler == SIG_DFL) sigaction(StoppingSignals[i], &action, nullptr);
  }
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &PreviousFileSizeAction);
  return unblocked;
}

void RestoreSignals() {
  for (std::size_t i = 0; i < std::size(StoppingSignals); ++i) {
    sigaction(StoppingSignals[i], &Previous[i], nullptr);
  }
  sigaction(SIGXFSZ, &PreviousFileSizeAction, nullptr);
}

// Bits for the temporary file's tag.
std::uint64_t TagBits() {
  static std::uint64_t calls = 0;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return (static_cast<std::uint64_t>(getpid()) << 40) ^ static_cast<std::uint64_t>(now.tv_nsec) ^
         (static_cast<std::uint64_t>(now.tv_sec) << 20) ^ (++calls << 56);
}

// Today's way, for a folder where no file may be created: the file itself,
// opened without truncation first, so that nothing is emptied before it is
// known to be a plain file of its own.
int OpenInPlace(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink > 1 ||
      fcntl(fd, F_SETFL, 0) != 0 || ftruncate(fd, 0) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

namespace Platform {

FileHandle CreateOutputFile(const char* path) {
  Output = OpenOutput{-1, Platform::OsPath(path), {}};
  // What stands at the path now: nothing, or a plain file of its own. A link
  // is refused, and so are a FIFO, a device, a folder and a file with other
  // hard links.
  struct stat old;
  const bool exists = lstat(Output.Path.c_str(), &old) == 0;
  if (exists ? (!S_ISREG(old.st_mode) || old.st_nlink > 1) : errno != ENOENT) return InvalidFile;

  const std::size_t slash = Output.Path.rfind('/');
  const std::string folder = Output.Path.substr(0, slash + 1);
  const std::string name = Output.Path.substr(slash + 1);
  const sigset_t unblocked = WatchSignals();
  for (int attempt = 0; attempt < 100 && Output.Fd < 0; ++attempt) {
    Output.Temporary = folder + "." + name + "." + TemporaryTag(TagBits());
    // Created with the mode a new page gets; an old page's is copied below.
    Output.Fd =
        open(Output.Temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (Output.Fd < 0 && errno != EEXIST) break;
  }
  const bool mayNotCreate = Output.Fd < 0 && (errno == EACCES || errno == EPERM);
  if (Output.Fd >= 0) RemoveOnSignal = Output.Temporary.c_str();
  sigprocmask(SIG_SETMASK, &unblocked, nullptr);
  if (Output.Fd >= 0) {
    if (exists) fchmod(Output.Fd, old.st_mode & 07777);
    return Output.Fd;
  }
  RestoreSignals();
  Output.Temporary.clear();
  if (!mayNotCreate) return InvalidFile;
  Output.Fd = OpenInPlace(Output.Path);
  return Output.Fd < 0 ? InvalidFile : Output.Fd;
}

bool WriteOutputFile(FileHandle file, const char* data, std::size_t size) {
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
  const bool closed = close(static_cast<int>(file)) == 0;
  if (Output.Temporary.empty()) return closed;
  const bool placed = keep && closed && rename(Output.Temporary.c_str(), Output.Path.c_str()) == 0;
  if (!placed) unlink(Output.Temporary.c_str());
  RemoveOnSignal = nullptr;
  RestoreSignals();
  Output = OpenOutput{};
  return placed;
}

}  // namespace Platform
