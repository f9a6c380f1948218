// The file system as the folder walk reads it, in the program's own terms:
// whether a path is a folder, the entries of a folder one after another, an
// entry's kind and size, and folder identities. Each back end converts the
// host's calls at its own edge (FolderSource-posix.cpp, FolderSource-win32.cpp);
// tests answer it from a script. The walk reads folders on several threads,
// so every call may come from several threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace Platform {

// What an entry of a folder is.
enum class EntryKind : std::uint8_t {
  File,        // a file, a link to one, or a link that leads nowhere (size 0)
  Folder,      // a folder
  FolderLink,  // a link or junction to a folder: entered unless it leads back up
  Unknown,     // not told by the listing: FolderListing::Details tells it
};

// The most bytes a name in a listing holds: 255 UTF-16 units in UTF-8 on
// Windows, NAME_MAX bytes elsewhere.
#ifdef _WIN32
inline constexpr std::size_t LongestNameBytes = 3 * 255;
#else
inline constexpr std::size_t LongestNameBytes = 255;
#endif

// One entry as a listing delivers it. Size is that of a file (following
// links), 0 for anything else.
struct FolderEntry {
  std::string_view Name;
  EntryKind Kind = EntryKind::Unknown;
  std::uint64_t Size = 0;
};

// The entries of one open folder, "." and ".." left out, in the order the
// file system gives them. Destroying it closes the folder.
class FolderListing {
 public:
  virtual ~FolderListing() = default;

  // The next entry, its name valid until the next call; false when none is
  // left or reading fails. Calls come one at a time.
  virtual bool Next(FolderEntry& entry) = 0;

  // Where the listing cannot tell an entry's kind without a request of its
  // own (a stat on POSIX) it delivers it as Unknown, and this call learns its
  // kind and size, so that the requests of a large folder can be spread over
  // threads. Calls may overlap each other and Next.
  virtual FolderEntry Details(std::string_view name) = 0;
};

// What makes two folder paths the same folder: device and inode on POSIX,
// volume serial number and file index on Windows.
struct FolderIdentity {
  std::uint64_t Volume = 0;
  std::uint64_t Index = 0;
  friend bool operator==(const FolderIdentity&, const FolderIdentity&) = default;
};

enum class OpenResult : std::uint8_t {
  Opened,
  Unreadable,  // missing, not a folder, or not to be read
  NoHandles,   // the process holds as many open files as it may: try again later
};

class FolderSource {
 public:
  virtual ~FolderSource() = default;

  // Whether a path names an existing folder, or a link to one.
  virtual bool IsFolder(std::string_view path) = 0;

  // Opens the folder a folder text names.
  virtual OpenResult Open(std::string_view folderText, std::unique_ptr<FolderListing>& listing) = 0;

  // Identity of the folder a folder text names, following links; none when
  // it cannot be learnt.
  virtual std::optional<FolderIdentity> Identity(std::string_view folderText) = 0;
};

// The host's own file system.
FolderSource& HostFolderSource();

}  // namespace Platform
