#include "tests/support/TempTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace Testing {
namespace {

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what);
}

void MakeParents(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0755);
  }
}

// The names in the folder open as fd, "." and ".." left out.
std::vector<std::string> Entries(int fd) {
  std::vector<std::string> names;
  const int copy = dup(fd);
  DIR* dir = copy < 0 ? nullptr : fdopendir(copy);
  if (dir == nullptr) {
    if (copy >= 0) close(copy);
    return names;
  }
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return names;
}

// Removes everything below the folder at path and then the folder. It never
// builds a path and keeps one descriptor open, whatever the depth: it steps
// down by name and back up through "..", so trees deeper than the OS's path
// limit go too. Folders are opened up first, in case a test took their
// permissions away. What cannot be removed is left.
void RemoveTree(const std::string& path) {
  chmod(path.c_str(), 0700);
  int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  struct Level {
    std::string Name;                  // of the folder, in its parent
    std::vector<std::string> Folders;  // still to remove in it
  };
  std::vector<Level> levels(1);
  // Removes the files of the folder open as fd and notes its sub-folders.
  const auto list = [&fd](Level& level) {
    for (const std::string& name : Entries(fd)) {
      struct stat info;
      if (fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode)) {
        level.Folders.push_back(name);
      } else {
        unlinkat(fd, name.c_str(), 0);
      }
    }
  };
  list(levels.back());
  while (true) {
    Level& level = levels.back();
    if (!level.Folders.empty()) {
      const std::string next = level.Folders.back();
      level.Folders.pop_back();
      fchmodat(fd, next.c_str(), 0700, 0);
      const int child = openat(fd, next.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child < 0) continue;
      close(fd);
      fd = child;
      levels.push_back({next, {}});
      list(levels.back());
      continue;
    }
    if (levels.size() == 1) break;
    const int parent = openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(fd);
    if (parent < 0) return;
    fd = parent;
    unlinkat(fd, level.Name.c_str(), AT_REMOVEDIR);
    levels.pop_back();
  }
  close(fd);
  rmdir(path.c_str());
}

}  // namespace

std::string MemoryFolder() {
  struct stat info;
  const char* folder = "/dev/shm";
  if (stat(folder, &info) == 0 && S_ISDIR(info.st_mode) && access(folder, W_OK | X_OK) == 0) {
    return folder;
  }
  return {};
}

TempTree::TempTree(const std::string& base) {
  const char* variable = std::getenv("TMPDIR");
  const std::string folder = !base.empty()                              ? base
                             : variable != nullptr && *variable != '\0' ? variable
                                                                        : "/tmp";
  std::string pattern = folder + "/findlet-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  Check(mkdtemp(buffer.data()) != nullptr, "mkdtemp failed");
  root_ = buffer.data();
}

TempTree::~TempTree() {
  RemoveTree(root_);
}

void TempTree::Folder(const std::string& relative) const {
  const std::string path = Path(relative);
  MakeParents(path);
  Check(mkdir(path.c_str(), 0755) == 0, "mkdir " + path);
}

void TempTree::File(const std::string& relative, const std::string& content) const {
  const std::string path = Path(relative);
  MakeParents(path);
  std::ofstream out(path, std::ios::binary);
  out << content;
  Check(out.good(), "write " + path);
}

void TempTree::SizedFile(const std::string& relative, std::uint64_t size) const {
  const std::string path = Path(relative);
  MakeParents(path);
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  Check(fd >= 0, "create " + path);
  const bool sized = ftruncate(fd, static_cast<off_t>(size)) == 0;
  close(fd);
  Check(sized, "ftruncate " + path);
}

void TempTree::Link(const std::string& target, const std::string& relative) const {
  const std::string path = Path(relative);
  MakeParents(path);
  Check(symlink(target.c_str(), path.c_str()) == 0, "symlink " + path);
}

void TempTree::Fifo(const std::string& relative) const {
  const std::string path = Path(relative);
  MakeParents(path);
  Check(mkfifo(path.c_str(), 0644) == 0, "mkfifo " + path);
}

LongPaths LongPathsPastWindowsLimits() {
  LongPaths paths{"long", "d", ""};
  while (paths.Folder.size() < 300) paths.Folder += "/" + std::string(40, 'x');
  for (int level = 1; level < 1000; ++level) paths.Deep += "/d";
  for (int i = 0; i < 85; ++i) paths.Name += "\xE6\x97\xA5";
  return paths;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> Names(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  std::vector<std::string> names = fd < 0 ? std::vector<std::string>() : Entries(fd);
  if (fd >= 0) close(fd);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace Testing
