// The POSIX back end of the host services of Platform.h but the output file
// (OutputFile-posix.cpp).

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
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

std::chrono::microseconds ProcessCpuGrain() {
  timespec grain{};
  if (clock_getres(CLOCK_PROCESS_CPUTIME_ID, &grain) != 0) return std::chrono::milliseconds(10);
  return std::chrono::ceil<std::chrono::microseconds>(std::chrono::seconds(grain.tv_sec) +
                                                      std::chrono::nanoseconds(grain.tv_nsec));
}

std::optional<double> QuotaProcessors(std::string_view cpuMax) {
  const auto blank = cpuMax.find(' ');
  if (blank == std::string_view::npos) return {};
  const auto number = [](std::string_view text) -> std::optional<double> {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value > 0)) return {};
    return value;
  };
  const auto quota = number(cpuMax.substr(0, blank));
  const auto period = number(cpuMax.substr(blank + 1));
  if (!quota || !period) return {};
  return *quota / *period;
}

namespace {

std::string FileText(const std::string& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

#ifdef __linux__
// The smallest quota of the process's cgroup and its ancestors, in either
// version of cgroups.
std::optional<double> CgroupProcessors() {
  std::optional<double> least;
  const auto take = [&](std::optional<double> processors) {
    if (processors && (!least || *processors < *least)) least = processors;
  };
  std::istringstream lines(FileText("/proc/self/cgroup"));
  for (std::string line; std::getline(lines, line);) {
    // "0::/path" in version 2; "N:cpu,cpuacct:/path" in version 1.
    const auto first = line.find(':');
    const auto second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    std::string path = line.substr(second + 1);
    const bool v2 = controllers.empty();
    if (!v2 && ("," + controllers + ",").find(",cpu,") == std::string::npos) continue;
    for (;;) {
      if (v2) {
        take(QuotaProcessors(FileText("/sys/fs/cgroup" + path + "/cpu.max")));
      } else {
        for (const char* mount : {"/sys/fs/cgroup/cpu", "/sys/fs/cgroup/cpu,cpuacct"}) {
          const std::string base = mount + path;
          take(QuotaProcessors(FileText(base + "/cpu.cfs_quota_us") + " " +
                               FileText(base + "/cpu.cfs_period_us")));
        }
      }
      if (path.empty() || path == "/") break;
      path.resize(path.rfind('/'));
    }
  }
  return least;
}
#endif

}  // namespace

double UsableProcessors() {
  double processors = std::max(1u, std::thread::hardware_concurrency());
#ifdef __linux__
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    processors = std::max(1, CPU_COUNT(&allowed));
  }
  if (const auto quota = CgroupProcessors()) processors = std::min(processors, *quota);
#endif
  return std::max(processors, 0.01);
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
