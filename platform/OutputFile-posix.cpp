// The output file on POSIX.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/OutputFile.h"

namespace {

// Path texts arrive with backslash separators.
std::string OsPath(const char* path) {
  std::string os(path);
  std::replace(os.begin(), os.end(), '\\', '/');
  return os;
}

}  // namespace

namespace Platform {

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

}  // namespace Platform
