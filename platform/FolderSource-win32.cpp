// The host's file system on Windows: the real find calls and attributes of
// <windows.h>, which bring each entry's attributes and size with it.

#include <cstdint>

#include "platform/FolderSource.h"

namespace Platform {
namespace {

class Win32FolderSource final : public FolderSource {
 public:
  DWORD GetFileAttributesA(const char* path) override { return ::GetFileAttributesA(path); }

  HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) override {
    return ::FindFirstFileA(pattern, data);
  }

  BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) override {
    return ::FindNextFileA(find, data);
  }

  // The find calls bring every entry's attributes: none is left to complete.
  void CompleteFindData(HANDLE, WIN32_FIND_DATAA*) override {}

  BOOL FindClose(HANDLE find) override { return ::FindClose(find); }

  bool GetFolderIdentity(const char* folderText, FolderIdentity& identity) override {
    // Without FILE_FLAG_OPEN_REPARSE_POINT the open follows links and
    // junctions, so the identity is that of the folder they lead to.
    constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const HANDLE folder = CreateFileA(folderText, 0, ShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(folder, &info) != 0 &&
                       (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    CloseHandle(folder);
    if (!known) return false;
    identity.Volume = info.dwVolumeSerialNumber;
    identity.Index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
  }
};

}  // namespace

FolderSource& HostFolderSource() {
  static Win32FolderSource source;
  return source;
}

}  // namespace Platform
