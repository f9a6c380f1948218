// Runs one command and appends its cost to a file, as one line:
//
//   BenchRun RESULTS STDOUT -- COMMAND [ARGUMENTS...]
//
// writes "WALL USER SYSTEM PEAK_RSS_KIB STATUS" to RESULTS: wall, user and
// system time in seconds, the child's peak resident set in KiB (from
// wait4's resource usage, which counts the child alone), and its exit status.
// The command's standard output goes to the file STDOUT (/dev/null to drop
// it).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || std::strcmp(argv[3], "--") != 0) {
    std::fprintf(stderr, "usage: BenchRun RESULTS STDOUT -- COMMAND [ARGUMENTS...]\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) {
    std::perror("BenchRun: fork");
    return 1;
  }
  if (child == 0) {
    const int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0 || dup2(out, STDOUT_FILENO) < 0) _exit(126);
    execvp(argv[4], argv + 4);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::perror("BenchRun: wait4");
      return 1;
    }
  }
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;

  std::FILE* results = std::fopen(argv[1], "a");
  if (results == nullptr) {
    std::perror("BenchRun: results");
    return 1;
  }
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::fprintf(results, "%.6f %.6f %.6f %ld %d\n", wall.count(), Seconds(usage.ru_utime),
               Seconds(usage.ru_stime), usage.ru_maxrss, code);
  return std::fclose(results) == 0 ? 0 : 1;
}
