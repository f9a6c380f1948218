// The POSIX back end of the host services of Platform.h but the output file
// (OutputFile-posix.cpp).

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

std::uint64_t ProcessCpuMicroseconds() {
  timespec used{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  return static_cast<std::uint64_t>(used.tv_sec) * 1'000'000 +
         static_cast<std::uint64_t>(used.tv_nsec) / 1000;
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
