// Builds a reproducible folder tree for the benchmark:
//
//   BenchTree wide|deep|music|large FILES SEED FOLDER
//
// wide:  the root and folders directly below it, each holding 500 to 1,500
//        files.
// deep:  chains of 8 to 16 nested folders below the root, each folder
//        holding 1 to 19 files.
// music: a music library: artists below the root, each with 4 albums of 12
//        tracks and a cover (7,800 files are 150 artists in 751 folders).
// large: folders directly below the root of 10,000 files each.
//
// Names, sizes and the shape come from one Mersenne Twister seeded with SEED
// (its output sequence is fixed by the C++ standard, and nothing here uses the
// library's distributions, whose results differ between implementations), so
// the same arguments give the same tree everywhere. Sizes span 0 bytes to
// 16 GiB; files are made sparse with ftruncate, so the tree costs inodes but
// hardly any disk blocks. FOLDER must not exist yet.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

class Draw {
 public:
  explicit Draw(std::uint64_t seed) : engine_(seed) {}
  // A number from 0 to count - 1.
  std::uint64_t Below(std::uint64_t count) { return (engine_() >> 11) % count; }
  std::uint64_t Between(std::uint64_t low, std::uint64_t high) {
    return low + Below(high - low + 1);
  }
  bool Chance(std::uint64_t percent) { return Below(100) < percent; }

 private:
  std::mt19937_64 engine_;
};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "BenchTree: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

constexpr std::string_view Words[] = {
    "IMG",     "DSC",     "photo",  "Summer",  "beach",   "Holiday", "report", "Invoice",
    "scan",    "draft",   "final",  "v2",      "backup",  "Movie",   "track",  "Song",
    "notes",   "README",  "data",   "export",  "Sprite",  "level",   "map",    "texture",
    "Budget",  "minutes", "client", "project", "archive", "old",     "new",    "copy",
    "Episode", "season",  "scene",  "take",    "mix",     "demo",    "live",   "Remaster"};

constexpr std::string_view Extensions[] = {
    ".jpg",  ".JPG", ".png",    ".jpeg", ".gif", ".bmp",  ".webp", ".mp4",  ".mkv",
    ".avi",  ".mp3", ".flac",   ".wav",  ".pdf", ".docx", ".xlsx", ".txt",  ".md",
    ".csv",  ".zip", ".tar.gz", ".7z",   ".iso", ".cpp",  ".h",    ".json", ".xml",
    ".html", ".log", ".bak",    ".psd",  ".raw", ".NEF",  ".mov",  ".srt",  ""};

// Separators between words; '#', '&', '\'' and '%' are rare but real, and
// take the row writer's slower paths.
constexpr std::string_view Separators[] = {"_", "_", "-", " ", " ", ".", "#", "&", "'", "%"};

// One to three words, the running number (which keeps names unique within a
// folder) and an extension.
std::string FileName(Draw& draw, std::uint64_t number) {
  std::string name;
  const std::uint64_t words = draw.Between(1, 3);
  for (std::uint64_t i = 0; i < words; ++i) {
    if (i > 0) name += Separators[draw.Below(std::size(Separators))];
    name += Words[draw.Below(std::size(Words))];
  }
  name += '_';
  name += std::to_string(number);
  name += Extensions[draw.Below(std::size(Extensions))];
  return name;
}

std::string FolderName(Draw& draw, std::uint64_t number) {
  std::string name(Words[draw.Below(std::size(Words))]);
  if (draw.Chance(30)) name += " " + std::string(Words[draw.Below(std::size(Words))]);
  return name + "-" + std::to_string(number);
}

// One in twenty files is empty; the others have a size of 2^k to 2^(k+1) - 1
// bytes with k from 0 to 33, so small and large files are alike common.
std::uint64_t FileSize(Draw& draw) {
  if (draw.Chance(5)) return 0;
  const std::uint64_t power = std::uint64_t{1} << draw.Below(34);
  return power + draw.Below(power);
}

class Builder {
 public:
  Builder(std::uint64_t seed, std::uint64_t files) : draw_(seed), left_(files) {}

  std::uint64_t Left() const { return left_; }
  Draw& Random() { return draw_; }

  void Files(int folder, std::uint64_t count) {
    for (std::uint64_t i = 0; i < count && left_ > 0; ++i, --left_) {
      const std::string name = FileName(draw_, made_++);
      const int file = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
      if (file < 0) Fail("create " + name);
      if (ftruncate(file, static_cast<off_t>(FileSize(draw_))) != 0) Fail("truncate " + name);
      close(file);
    }
  }

  int Folder(int parent) {
    const std::string name = FolderName(draw_, folders_++);
    if (mkdirat(parent, name.c_str(), 0755) != 0) Fail("mkdir " + name);
    const int folder = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) Fail("open " + name);
    return folder;
  }

 private:
  Draw draw_;
  std::uint64_t left_;
  std::uint64_t made_ = 0;
  std::uint64_t folders_ = 0;
};

void Wide(Builder& tree, int root) {
  tree.Files(root, tree.Random().Between(500, 1500));
  while (tree.Left() > 0) {
    const int folder = tree.Folder(root);
    tree.Files(folder, tree.Random().Between(500, 1500));
    close(folder);
  }
}

void Deep(Builder& tree, int root) {
  std::vector<int> chain;
  while (tree.Left() > 0) {
    const std::uint64_t depth = tree.Random().Between(8, 16);
    int parent = root;
    for (std::uint64_t level = 0; level < depth && tree.Left() > 0; ++level) {
      const int folder = tree.Folder(parent);
      tree.Files(folder, tree.Random().Between(1, 19));
      chain.push_back(folder);
      parent = folder;
    }
    for (const int folder : chain) close(folder);
    chain.clear();
  }
}

void Music(Builder& tree, int root) {
  while (tree.Left() > 0) {
    const int artist = tree.Folder(root);
    for (int album = 0; album < 4 && tree.Left() > 0; ++album) {
      const int folder = tree.Folder(artist);
      tree.Files(folder, 13);
      close(folder);
    }
    close(artist);
  }
}

void Large(Builder& tree, int root) {
  while (tree.Left() > 0) {
    const int folder = tree.Folder(root);
    tree.Files(folder, 10000);
    close(folder);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: BenchTree wide|deep|music|large FILES SEED FOLDER\n");
    return 2;
  }
  const std::string_view shape = argv[1];
  const std::uint64_t files = std::strtoull(argv[2], nullptr, 10);
  const std::uint64_t seed = std::strtoull(argv[3], nullptr, 10);
  if (shape != "wide" && shape != "deep" && shape != "music" && shape != "large") {
    std::fprintf(stderr, "BenchTree: unknown shape %s\n", argv[1]);
    return 2;
  }
  if (mkdir(argv[4], 0755) != 0) Fail(std::string("mkdir ") + argv[4]);
  const int root = open(argv[4], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (root < 0) Fail(std::string("open ") + argv[4]);
  // Each shape and size draws its own sequence from the one seed.
  Builder tree(seed ^ (files * 0x9E3779B97F4A7C15u) ^ (shape == "deep" ? 0xD5u : 0x3Au), files);
  if (shape == "wide") {
    Wide(tree, root);
  } else if (shape == "deep") {
    Deep(tree, root);
  } else if (shape == "music") {
    Music(tree, root);
  } else {
    Large(tree, root);
  }
  close(root);
  return 0;
}
