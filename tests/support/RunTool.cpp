#include "tests/support/RunTool.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace Testing {
namespace {

constexpr uid_t NobodyId = 65534;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

[[noreturn]] void StartChild(const std::vector<std::string>& command, const RunOptions& options,
                             int out, int err) {
  dup2(out, STDOUT_FILENO);
  dup2(err, STDERR_FILENO);
  if (options.CloseStandardOutput) close(STDOUT_FILENO);
  if (!options.WorkingFolder.empty() && chdir(options.WorkingFolder.c_str()) != 0) _exit(120);
  if (options.FileSizeLimit >= 0) {
    // The native tool must keep a size limit from ending it by itself, as
    // under `ulimit -f`; Wine is spared the signal, and so is a tool built
    // with ThreadSanitizer, whose runtime takes over signal dispositions.
#ifdef __SANITIZE_THREAD__
    std::signal(SIGXFSZ, SIG_IGN);
#else
    if (WindowsTarget()) std::signal(SIGXFSZ, SIG_IGN);
#endif
    const rlimit limit{static_cast<rlim_t>(options.FileSizeLimit),
                       static_cast<rlim_t>(options.FileSizeLimit)};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(121);
  }
  if (options.DescriptorLimit >= 0) {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(options.DescriptorLimit);
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(123);
  }
  if (options.UnprivilegedUser && geteuid() == 0) {
    if (setgid(NobodyId) != 0 || setuid(NobodyId) != 0) _exit(122);
  }
  for (const std::string& setting : options.Environment) {
    putenv(const_cast<char*>(setting.c_str()));
  }
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

// A copy of a program in a fresh folder that every user may enter, removed
// again with the object. The unprivileged user cannot always reach the
// program where it was built: a checkout under a private folder (such as
// /root, or anything mkdtemp made) is closed to it.
class ReachableCopy {
 public:
  explicit ReachableCopy(const std::string& program) {
    namespace fs = std::filesystem;
    const std::string base = Environment("TMPDIR").empty() ? "/tmp" : Environment("TMPDIR");
    std::string folder = base + "/findlet-run-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) throw std::runtime_error("mkdtemp failed in " + base);
    folder_ = folder;
    path_ = folder + "/" + fs::path(program).filename().string();
    fs::copy_file(program, path_);
    fs::permissions(folder_, fs::perms(0755));
    fs::permissions(path_, fs::perms(0755));
  }
  ~ReachableCopy() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  ReachableCopy(const ReachableCopy&) = delete;
  ReachableCopy& operator=(const ReachableCopy&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string folder_;
  std::string path_;
};

}  // namespace

std::vector<std::string> ToolCommand() {
  std::vector<std::string> command;
  std::istringstream emulator(Environment("FINDLET_EMULATOR"));
  for (std::string word; emulator >> word;) command.push_back(word);
  const std::string binary = Environment("FINDLET_BINARY");
  if (binary.empty()) throw std::runtime_error("FINDLET_BINARY is not set");
  command.push_back(binary);
  return command;
}

bool WindowsTarget() {
  return Environment("FINDLET_TARGET") == "windows";
}

RunResult RunTool(const std::vector<std::string>& arguments, const RunOptions& options) {
  std::vector<std::string> command = ToolCommand();
  if (options.UnprivilegedUser && geteuid() == 0) {
    const ReachableCopy copy(command.back());
    command.back() = copy.Path();
    return RunCommand(command, arguments, options);
  }
  return RunCommand(command, arguments, options);
}

RunResult RunCommand(std::vector<std::string> command, const std::vector<std::string>& arguments,
                     const RunOptions& options) {
  command.insert(command.end(), arguments.begin(), arguments.end());

  int out[2];
  int err[2];
  if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
  if (options.Reader == OutputReader::NonBlockingUnread) {
    fcntl(out[1], F_SETFL, fcntl(out[1], F_GETFL) | O_NONBLOCK);  // the child's too
  }
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    close(out[0]);
    close(err[0]);
    StartChild(command, options, out[1], err[1]);
  }
  RunResult result;
  if (options.Reader == OutputReader::Gone) {
    close(out[0]);
    out[0] = -1;
  }
  close(out[1]);
  close(err[1]);
  const bool readOutputLater =
      options.Reader == OutputReader::NonBlockingUnread || options.Reader == OutputReader::Gone;
  const std::size_t pieceSize = options.Reader == OutputReader::Slow ? 512 : 65536;

  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(options.TimeoutSeconds);
  pollfd fds[2] = {{readOutputLater ? -1 : out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.Out, &result.Err};
  int open = readOutputLater ? 1 : 2;
  while (open > 0) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0 && !result.TimedOut) {
      kill(child, SIGKILL);
      result.TimedOut = true;
    }
    const int wait = result.TimedOut ? -1 : static_cast<int>(left.count());
    if (poll(fds, 2, wait) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[65536];
      const ssize_t count = read(fds[i].fd, buffer, i == 0 ? pieceSize : sizeof buffer);
      if (count > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(count));
        if (i == 0 && options.Reader == OutputReader::Slow) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  // Standard error has ended, so the tool has. What it left in an unread
  // pipe is read now.
  if (out[0] >= 0 && readOutputLater) {
    char buffer[65536];
    for (ssize_t count; (count = read(out[0], buffer, sizeof buffer)) > 0;) {
      result.Out.append(buffer, static_cast<std::size_t>(count));
    }
    close(out[0]);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status)) result.Status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.Signal = WTERMSIG(status);
  return result;
}

}  // namespace Testing
