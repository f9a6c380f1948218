// Where a page written outside the scanned folder lies, as seen from the
// folder it lists, and what stands at its path before it is written. Each
// back end (OutputPlace-posix.cpp, OutputPlace-win32.cpp) implements these
// calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Platform {

// A folder's place: its absolute path, in the program's UTF-8, and the file
// system that holds it.
struct FolderPlace {
  // POSIX: the real path, links resolved ("/mnt/Movies"). Windows: the full
  // path with its "\\?\" prefix ("\\?\C:\Movies", "\\?\UNC\NAS\Movies").
  std::string Path;
  // POSIX: the device. Windows: 0, as the drive or share in Path tells.
  std::uint64_t FileSystem = 0;
};

// The place of the folder a path text names; false when it names no
// existing folder.
bool GetFolderPlace(const char* folder, FolderPlace& place);

// The place of the folder that holds the file a path text names, whether or
// not the file exists ("D:x" is in drive D's current folder); false when that
// folder does not exist.
bool GetFileFolderPlace(const char* file, FolderPlace& place);

// What stands at a path, without following a link.
enum class PathHolds {
  Nothing,    // no entry of that name
  PlainFile,  // a plain file, whose first bytes were read
  Other,      // a link, folder, device or pipe, or a file that cannot be read
};

// Learns what stands at path and, for a plain file, reads its first bytes
// into start, up to count of them.
PathHolds ReadFileStart(const char* path, std::size_t count, std::string& start);

}  // namespace Platform
