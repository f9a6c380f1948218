// The page's place on Windows: folders by their full paths, which name their
// drive or share, and the start of a file read without following a link or
// opening anything but a plain file on a disk.

#include <string>

#include "platform/OutputPlace.h"
#include "platform/WidePath.h"
#include "platform/Win32Api.h"

namespace {

bool IsFolder(const Platform::WideText& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PlaceOf(const Platform::WideText& folder, Platform::FolderPlace& place) {
  if (folder.empty() || !IsFolder(folder)) return false;
  place.Path = Platform::Utf8Text(folder);
  place.FileSystem = 0;
  return true;
}

}  // namespace

namespace Platform {

bool GetFolderPlace(const char* folder, FolderPlace& place) {
  return PlaceOf(HostSystemPath(folder), place);
}

bool GetFileFolderPlace(const char* file, FolderPlace& place) {
  const WideText path = HostSystemPath(file);
  const std::size_t separator = path.rfind(L'\\');
  if (separator == WideText::npos) return false;
  // A drive's or share's root is a folder only with its backslash.
  return PlaceOf(path.substr(0, separator), place) || PlaceOf(path.substr(0, separator + 1), place);
}

PathHolds ReadFileStart(const char* path, std::size_t count, std::string& start) {
  const HANDLE file = CreateFileW(HostSystemPath(path).c_str(), GENERIC_READ, ShareAll, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_FILE_NOT_FOUND ? PathHolds::Nothing : PathHolds::Other;
  }
  BY_HANDLE_FILE_INFORMATION info;
  constexpr DWORD NotPlain =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
  bool read = GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) != 0 &&
              (info.dwFileAttributes & NotPlain) == 0;
  start.assign(count, '\0');
  std::size_t got = 0;
  while (read && got < count) {
    DWORD n = 0;
    read = ReadFile(file, start.data() + got, static_cast<DWORD>(count - got), &n, nullptr) != 0;
    if (n == 0) break;
    got += n;
  }
  CloseHandle(file);
  start.resize(got);
  return read ? PathHolds::PlainFile : PathHolds::Other;
}

}  // namespace Platform
