// The POSIX back end of the host services of Platform.h. Path texts arrive
// with backslash separators; each backslash becomes '/' only here, when the
// OS is called.

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
#include "platform/PosixPath.h"

namespace Platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

FileHandle CreateOutputFile(const char* path) {
  // Opened without truncation first, so that nothing is emptied before it is
  // known to be a plain file of its own: a link is refused by O_NOFOLLOW, a
  // FIFO without a reader by O_NONBLOCK (instead of waiting for one), and
  // devices, folders and files with other hard links by the checks below.
  const int fd =
      open(OsPath(path).c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return InvalidFile;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink > 1 ||
      fcntl(fd, F_SETFL, 0) != 0 || ftruncate(fd, 0) != 0) {
    close(fd);
    return InvalidFile;
  }
  return fd;
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

bool CloseOutputFile(FileHandle file) {
  return close(static_cast<int>(file)) == 0;
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
