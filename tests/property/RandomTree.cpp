#include "tests/property/RandomTree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <tuple>

namespace Testing {
namespace {

// Pieces that mean something to HTML, to URLs, to the page template or to
// the console, and near misses of them.
const std::vector<std::string> Pieces = {
    "<",      ">",    "\"",   "\\",   "&",        "%",        "#",      "?",      "'",
    " ",      ".",    "^",    ";",    "=",        "^TITLE^",  "^DATE^", "^TITLE", "DATE^",
    "&amp;",  "&lt;", "&lt",  "&gt",  "&quot;",   "&#10;",    "&#x3C;", "&#60",   "&copy",
    "&nbsp;", "&#",   "&&",   "&;",   "%41",      "%2e",      "%2E",    "%25",    "%%",
    "%4",     "%g0",  "%0A",  "%5C",  "<script>", "<td>",     "<tr x=", "<!--",   "-->",
    "\r\n",   "\n",   "\r",   "\t",   "\x7F",     "\xC3\xA9", "\xE9",   "\xFF",   "\x80",
    "..",     "+",    "\\\\", "\x01", "%%41",     "&amp;lt;"};

constexpr const char* Alphanumerics =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

constexpr std::size_t MaxDepth = 8;
constexpr std::size_t FolderPathBudget = 3000;
constexpr std::size_t RowBudget = 20000;

std::string JoinPath(const std::vector<std::string>& names) {
  std::string path;
  for (const std::string& name : names) {
    if (!path.empty()) path += '/';
    path += name;
  }
  return path;
}

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::string LinkTarget(const ModelTree& tree, const ModelFolder& at, const ModelEntry& entry,
                       const std::string& rootPath) {
  std::vector<std::string> target;
  switch (entry.Kind) {
    case EntryKind::FileLink:
      target = tree.Folders[entry.TargetFolder].Path;
      target.push_back(tree.Folders[entry.TargetFolder].Entries[entry.TargetEntry].Name);
      break;
    case EntryKind::FolderLink:
      target = tree.Folders[entry.Folder].Path;
      break;
    case EntryKind::BrokenLink:
      return rootPath + "/\x01\x02 nowhere/none";
    case EntryKind::SelfLink:
      return entry.Name;
    default:
      throw std::logic_error("not a link");
  }
  if (entry.Absolute) {
    std::string absolute = rootPath;
    if (!target.empty()) absolute.append("/").append(JoinPath(target));
    return absolute;
  }
  std::string relative;
  for (std::size_t i = 0; i < at.Path.size(); ++i) relative += "../";
  relative += JoinPath(target);
  return relative.empty() ? "." : relative;
}

void CreateFolder(const ModelTree& tree, int folder, int fd, const std::string& rootPath) {
  const ModelFolder& model = tree.Folders[folder];
  for (const ModelEntry& entry : model.Entries) {
    const char* name = entry.Name.c_str();
    switch (entry.Kind) {
      case EntryKind::File: {
        const int file = openat(fd, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        Check(file >= 0, "create file");
        const bool sized = ftruncate(file, static_cast<off_t>(entry.Size)) == 0;
        close(file);
        Check(sized, "size file");
        break;
      }
      case EntryKind::Folder: {
        Check(mkdirat(fd, name, 0755) == 0, "create folder");
        const int sub = openat(fd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        Check(sub >= 0, "open folder");
        CreateFolder(tree, entry.Folder, sub, rootPath);
        close(sub);
        break;
      }
      default:
        Check(symlinkat(LinkTarget(tree, model, entry, rootPath).c_str(), fd, name) == 0,
              "create link");
    }
  }
}

struct Walk {
  const ModelTree& Tree;
  const std::vector<std::string>& Filters;
  std::vector<ExpectedFile>& Files;
  std::vector<int> Ancestors;
  std::size_t LongestFolderPath = 0;
};

bool PassesFilter(const std::vector<std::string>& filters, const std::string& lowerName) {
  if (filters.empty()) return true;
  return std::any_of(filters.begin(), filters.end(), [&](const std::string& word) {
    return lowerName.find(word) != std::string::npos;
  });
}

std::uint64_t FileSize(const ModelTree& tree, const ModelEntry& entry) {
  if (entry.Kind == EntryKind::File) return entry.Size;
  if (entry.Kind == EntryKind::FileLink) {
    return tree.Folders[entry.TargetFolder].Entries[entry.TargetEntry].Size;
  }
  return 0;  // a link that leads nowhere
}

void WalkFolder(Walk& walk, int folder, const std::string& path) {
  walk.LongestFolderPath = std::max(walk.LongestFolderPath, path.size());
  if (walk.Files.size() > RowBudget) return;
  walk.Ancestors.push_back(folder);
  for (const ModelEntry& entry : walk.Tree.Folders[folder].Entries) {
    const std::string entryPath = path.empty() ? entry.Name : path + "/" + entry.Name;
    if (entry.Kind == EntryKind::Folder || entry.Kind == EntryKind::FolderLink) {
      if (entry.Name[0] == '.' || entry.Name.find('\\') != std::string::npos) continue;
      const bool leadsBack = entry.Kind == EntryKind::FolderLink &&
                             std::find(walk.Ancestors.begin(), walk.Ancestors.end(),
                                       entry.Folder) != walk.Ancestors.end();
      if (!leadsBack) WalkFolder(walk, entry.Folder, entryPath);
      continue;
    }
    const std::string lower = LowerAscii(entry.Name);
    if (PassesFilter(walk.Filters, lower)) {
      walk.Files.push_back({entryPath, lower, FileSize(walk.Tree, entry)});
    }
  }
  walk.Ancestors.pop_back();
}

// The longest path below the root of a folder the walk enters, and whether
// the walk stays within the row budget.
bool WithinBudget(const ModelTree& tree) {
  std::vector<ExpectedFile> files;
  const std::vector<std::string> none;
  Walk walk{tree, none, files, {}, 0};
  WalkFolder(walk, 0, "");
  return walk.LongestFolderPath <= FolderPathBudget && files.size() <= RowBudget;
}

std::string UniqueName(Random& random, const ModelFolder& folder, bool /*listedAsFile*/) {
  while (true) {
    const std::string name = RandomName(random);
    const bool taken = std::any_of(folder.Entries.begin(), folder.Entries.end(),
                                   [&](const ModelEntry& entry) { return entry.Name == name; });
    if (!taken) return name;
  }
}

}  // namespace

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return text;
}

std::string RandomName(Random& random) {
  std::size_t length;
  const std::uint64_t roll = random.Below(100);
  if (roll < 55) {
    length = 1 + random.Below(12);
  } else if (roll < 80) {
    length = 13 + random.Below(40);
  } else if (roll < 92) {
    length = 53 + random.Below(150);
  } else if (roll < 96) {
    length = 203 + random.Below(52);
  } else {
    length = 255;
  }
  std::string name;
  if (random.Percent(8)) name = random.Percent(25) ? ".." : ".";
  while (name.size() < length) {
    const std::uint64_t kind = random.Below(100);
    if (kind < 35) {
      name += Alphanumerics[random.Below(62)];
    } else if (kind < 62) {
      name += random.Pick(Pieces);
    } else if (kind < 75) {
      char byte = static_cast<char>(1 + random.Below(255));
      if (byte == '/') byte = '_';
      name += byte;
    } else if (kind < 85) {
      name += static_cast<char>(0x80 + random.Below(128));
    } else if (kind < 95) {
      name += '.';
      for (std::uint64_t n = 1 + random.Below(4); n > 0; --n) {
        name += Alphanumerics[random.Below(62)];
      }
    } else {
      name += "README";
    }
  }
  name.resize(length);
  if (name == "." || name == "..") name += 'x';
  return name;
}

std::uint64_t RandomSize(Random& random) {
  static const std::vector<std::uint64_t> Boundaries = {0,    1,    1023, 1024, 1025, 2047,
                                                        2048, 2049, 4095, 4096, 4097};
  const std::uint64_t roll = random.Below(100);
  if (roll < 50) return random.Below(4097);
  if (roll < 62) return random.Pick(Boundaries);
  if (roll < 85) return random.Below(50ULL << 20);
  // Several GiB, so that the size needs more than 32 bits.
  return (1ULL << 32) - 2 + random.Below(1ULL << 38);
}

ModelTree RandomTree(Random& random) {
  std::size_t entries;
  const std::uint64_t roll = random.Below(100);
  if (roll < 60) {
    entries = 1 + random.Below(60);
  } else if (roll < 90) {
    entries = 60 + random.Below(440);
  } else {
    entries = 500 + random.Below(2501);
  }

  ModelTree tree;
  tree.Folders.emplace_back();
  std::vector<std::pair<int, std::size_t>> links;  // folder and entry, targets chosen last
  for (std::size_t n = 0; n < entries; ++n) {
    // Mostly any folder; now and then the newest one, so that chains reach
    // the full depth.
    const int folder = random.Percent(25) ? static_cast<int>(tree.Folders.size() - 1)
                                          : static_cast<int>(random.Below(tree.Folders.size()));
    ModelEntry entry;
    const std::uint64_t kind = random.Below(100);
    if (kind < 62) {
      entry.Kind = EntryKind::File;
      entry.Size = RandomSize(random);
    } else if (kind < 82 && tree.Folders[folder].Path.size() < MaxDepth) {
      entry.Kind = EntryKind::Folder;
    } else if (kind < 88) {
      entry.Kind = EntryKind::FileLink;
    } else if (kind < 92) {
      entry.Kind = EntryKind::BrokenLink;
    } else if (kind < 94) {
      entry.Kind = EntryKind::SelfLink;
    } else if (kind < 98) {
      entry.Kind = EntryKind::FolderLink;
    } else {
      entry.Kind = EntryKind::File;
    }
    const bool entered = entry.Kind == EntryKind::Folder || entry.Kind == EntryKind::FolderLink;
    entry.Name = UniqueName(random, tree.Folders[folder], !entered);
    if (entry.Kind == EntryKind::Folder) {
      entry.Folder = static_cast<int>(tree.Folders.size());
      ModelFolder sub;
      sub.Path = tree.Folders[folder].Path;
      sub.Path.push_back(entry.Name);
      tree.Folders.push_back(std::move(sub));
    }
    entry.Absolute = random.Percent(30);
    if (entry.Kind == EntryKind::FileLink || entry.Kind == EntryKind::FolderLink) {
      links.emplace_back(folder, tree.Folders[folder].Entries.size());
    }
    tree.Folders[folder].Entries.push_back(std::move(entry));
  }

  std::vector<std::pair<int, int>> files;
  for (std::size_t f = 0; f < tree.Folders.size(); ++f) {
    for (std::size_t e = 0; e < tree.Folders[f].Entries.size(); ++e) {
      if (tree.Folders[f].Entries[e].Kind == EntryKind::File) {
        files.emplace_back(static_cast<int>(f), static_cast<int>(e));
      }
    }
  }
  for (const auto& [folder, index] : links) {
    ModelEntry& entry = tree.Folders[folder].Entries[index];
    if (entry.Kind == EntryKind::FolderLink) {
      entry.Folder = static_cast<int>(random.Below(tree.Folders.size()));
    } else if (files.empty()) {
      entry.Kind = EntryKind::BrokenLink;
    } else {
      std::tie(entry.TargetFolder, entry.TargetEntry) = random.Pick(files);
    }
  }
  // Links to folders may multiply the tree; turn them one by one, last
  // first, into links to the root, which is never entered again, until the
  // walk stays within its budget.
  for (auto it = links.rbegin(); it != links.rend() && !WithinBudget(tree); ++it) {
    ModelEntry& entry = tree.Folders[it->first].Entries[it->second];
    if (entry.Kind == EntryKind::FolderLink) entry.Folder = 0;
  }
  return tree;
}

void CreateTree(const ModelTree& tree, const std::string& rootPath) {
  const int fd = open(rootPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  Check(fd >= 0, "open root " + rootPath);
  CreateFolder(tree, 0, fd, rootPath);
  close(fd);
}

std::vector<ExpectedFile> ExpectedListing(const ModelTree& tree,
                                          const std::vector<std::string>& lowerFilters) {
  std::vector<ExpectedFile> files;
  Walk walk{tree, lowerFilters, files, {}, 0};
  WalkFolder(walk, 0, "");
  return files;
}

}  // namespace Testing
