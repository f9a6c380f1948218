// The host's file system on Windows, through the wide-character calls: path
// texts go to the system in UTF-16 with the "\\?\" prefix, so that no path
// is too long, and names come back in UTF-8, whatever the system's code
// pages. The find calls bring each entry's attributes and size with it.

#include <cstdint>
#include <string>

#include "platform/FolderSource.h"
#include "platform/WidePath.h"

namespace Platform {
namespace {

// Copies an entry found by the wide calls into the program's record, its
// name in UTF-8. False for an entry to leave out: a folder whose name holds
// an unpaired surrogate, which no UTF-8 folder text can name, so that the
// folder it would spell is another one or none. A file of such a name is
// listed, the surrogate shown as U+FFFD.
static_assert(sizeof(WIN32_FIND_DATAA::cFileName) >=
              Utf8BytesPerUnit * (sizeof(WIN32_FIND_DATAW::cFileName) / sizeof(wchar_t) - 1) + 1);

bool Deliver(const WIN32_FIND_DATAW& found, WIN32_FIND_DATAA* data) {
  data->dwFileAttributes = found.dwFileAttributes;
  data->nFileSizeHigh = found.nFileSizeHigh;
  data->nFileSizeLow = found.nFileSizeLow;
  bool paired = true;
  *WriteUtf8(found.cFileName, data->cFileName, paired) = '\0';
  return paired || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

class Win32FolderSource final : public FolderSource {
 public:
  DWORD GetFileAttributesA(const char* path) override {
    return ::GetFileAttributesW(HostSystemPath(path).c_str());
  }

  HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) override {
    const WideText path = HostSystemPath(pattern);
    WIN32_FIND_DATAW found;
    // The basic information level leaves out the short 8.3 names, and large
    // fetches ask for more entries per request, which counts on a share.
    // Systems before Windows 7 know neither and refuse the call.
    HANDLE find = FindFirstFileExW(path.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error != ERROR_INVALID_PARAMETER && error != ERROR_INVALID_LEVEL &&
          error != ERROR_NOT_SUPPORTED) {
        return find;
      }
      find = FindFirstFileW(path.c_str(), &found);
      if (find == INVALID_HANDLE_VALUE) return find;
    }
    if (Deliver(found, data) || FindNextFileA(find, data)) return find;
    ::FindClose(find);  // nothing to deliver: as a folder that cannot be listed
    return INVALID_HANDLE_VALUE;
  }

  BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) override {
    WIN32_FIND_DATAW found;
    while (FindNextFileW(find, &found) != 0) {
      if (Deliver(found, data)) return TRUE;
    }
    return FALSE;
  }

  // The find calls bring every entry's attributes: none is left to complete.
  void CompleteFindData(HANDLE, WIN32_FIND_DATAA*) override {}

  BOOL FindClose(HANDLE find) override { return ::FindClose(find); }

  bool GetFolderIdentity(const char* folderText, FolderIdentity& identity) override {
    // A folder text names the folder its entries are listed from as text
    // "\*.*": "C:" for a drive's root, not drive C's current folder.
    const WideText path = HostSystemPath(std::string(folderText) + '\\');
    // Without FILE_FLAG_OPEN_REPARSE_POINT the open follows links and
    // junctions, so the identity is that of the folder they lead to.
    const HANDLE folder = CreateFileW(path.c_str(), 0, ShareAll, nullptr, OPEN_EXISTING,
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
