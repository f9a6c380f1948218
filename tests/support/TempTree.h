// A folder tree made for one test under the system's temporary folder, and
// removed with everything in it when the test ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Testing {

// A folder in memory for temporary trees (/dev/shm) when the system has a
// writable one, else empty. Trees of many thousands of entries are made and
// removed there many times faster than on a disk.
std::string MemoryFolder();

class TempTree {
 public:
  // Under base, or under TMPDIR (else /tmp) when base is empty.
  explicit TempTree(const std::string& base = "");
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // The tree's root, an absolute POSIX path without a trailing '/'.
  const std::string& Root() const { return root_; }
  std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

  // Each creates the missing parent folders of relative first.
  void Folder(const std::string& relative) const;
  void File(const std::string& relative, const std::string& content = "") const;
  // A file of the given size without writing its bytes (sparse).
  void SizedFile(const std::string& relative, std::uint64_t size) const;
  void Link(const std::string& target, const std::string& relative) const;
  void Fifo(const std::string& relative) const;

 private:
  std::string root_;
};

// Relative paths past the classic limits of Windows: a folder path of 300
// characters, one 1,000 levels deep, and a name of 85 CJK characters (255
// UTF-8 bytes, the most a Linux file system holds).
struct LongPaths {
  std::string Folder;
  std::string Deep;
  std::string Name;
};
LongPaths LongPathsPastWindowsLimits();

std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// The names in a folder, sorted.
std::vector<std::string> Names(const std::string& folder);

}  // namespace Testing
