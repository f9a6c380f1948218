// The page's place on POSIX: folders by their real paths and devices, and
// the start of a file read without following a link or opening anything but
// a plain file.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/OutputPlace.h"
#include "platform/PosixPath.h"

namespace {

bool PlaceOf(const std::string& osFolder, Platform::FolderPlace& place) {
  const std::unique_ptr<char, decltype(&std::free)> real(realpath(osFolder.c_str(), nullptr),
                                                         &std::free);
  struct stat info;
  if (real == nullptr || stat(real.get(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  place.Path = real.get();
  place.FileSystem = static_cast<std::uint64_t>(info.st_dev);
  return true;
}

}  // namespace

namespace Platform {

bool GetFolderPlace(const char* folder, FolderPlace& place) {
  return PlaceOf(OsPath(folder), place);
}

bool GetFileFolderPlace(const char* file, FolderPlace& place) {
  const std::string path = OsPath(file);
  const std::size_t slash = path.rfind('/');
  return PlaceOf(slash == std::string::npos ? "." : path.substr(0, slash + 1), place);
}

PathHolds ReadFileStart(const char* path, std::size_t count, std::string& start) {
  const std::string os = OsPath(path);
  struct stat info;
  if (lstat(os.c_str(), &info) != 0) return errno == ENOENT ? PathHolds::Nothing : PathHolds::Other;
  if (!S_ISREG(info.st_mode)) return PathHolds::Other;
  // Not blocking, for a FIFO put in the file's place meanwhile, which fstat
  // then tells.
  const int fd = open(os.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return PathHolds::Other;
  bool read = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  start.assign(count, '\0');
  std::size_t got = 0;
  while (read && got < count) {
    const ssize_t n = ::read(fd, start.data() + got, count - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      read = n == 0;
      break;
    }
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  start.resize(got);
  return read ? PathHolds::PlainFile : PathHolds::Other;
}

}  // namespace Platform
