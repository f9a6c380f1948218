#include "tests/support/TempTree.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

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

int RemoveEntry(const char* path, const struct stat*, int type, struct FTW*) {
  if (type == FTW_D || type == FTW_DP || type == FTW_DNR) {
    chmod(path, 0700);
    return rmdir(path) == 0 ? 0 : 0;
  }
  unlink(path);
  return 0;
}

// Folders without permissions must become readable before they are emptied.
int OpenUp(const char* path, const struct stat*, int type, struct FTW*) {
  if (type == FTW_D || type == FTW_DNR) chmod(path, 0700);
  return 0;
}

}  // namespace

TempTree::TempTree() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/findlet-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  Check(mkdtemp(buffer.data()) != nullptr, "mkdtemp failed");
  root_ = buffer.data();
}

TempTree::~TempTree() {
  nftw(root_.c_str(), OpenUp, 64, FTW_PHYS);
  nftw(root_.c_str(), RemoveEntry, 64, FTW_DEPTH | FTW_PHYS);
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

}  // namespace Testing
