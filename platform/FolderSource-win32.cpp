// The host's file system on Windows, through the wide-character calls: path
// texts go to the system in UTF-16 with the "\\?\" prefix, so that no path
// is too long, and names come back in UTF-8, whatever the system's code
// pages. The find calls bring each entry's attributes and size with it.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/FolderSource.h"
#include "platform/WidePath.h"
#include "platform/Win32Api.h"

namespace Platform {
namespace {

EntryKind KindOf(DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return EntryKind::File;
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? EntryKind::FolderLink
                                                          : EntryKind::Folder;
}

bool IsDotOrDotDot(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

class Win32Listing final : public FolderListing {
 public:
  Win32Listing(HANDLE find, const WIN32_FIND_DATAW& first) : find_(find), found_(first) {}
  ~Win32Listing() override { ::FindClose(find_); }
  Win32Listing(const Win32Listing&) = delete;
  Win32Listing& operator=(const Win32Listing&) = delete;

  bool Next(FolderEntry& entry) override {
    for (;;) {
      if (!pending_ && FindNextFileW(find_, &found_) == 0) return false;
      pending_ = false;
      if (Deliver(entry)) return true;
    }
  }

  // The find calls bring every entry's kind and size: none is Unknown.
  FolderEntry Details(std::string_view name) override { return FolderEntry{name}; }

 private:
  // Converts the entry found into the program's terms, its name in UTF-8.
  // False for an entry to leave out: "." and "..", and a folder whose name
  // holds an unpaired surrogate, which no UTF-8 folder text can name, so
  // that the folder it would spell is another one or none. A file of such a
  // name is listed, the surrogate shown as U+FFFD.
  bool Deliver(FolderEntry& entry) {
    if (IsDotOrDotDot(found_.cFileName)) return false;
    bool paired = true;
    const char* end = WriteUtf8(found_.cFileName, name_, paired);
    entry.Name = std::string_view(name_, static_cast<std::size_t>(end - name_));
    entry.Kind = KindOf(found_.dwFileAttributes);
    entry.Size =
        entry.Kind == EntryKind::File
            ? (static_cast<std::uint64_t>(found_.nFileSizeHigh) << 32) | found_.nFileSizeLow
            : 0;
    return paired || entry.Kind == EntryKind::File;
  }

  HANDLE find_;
  WIN32_FIND_DATAW found_;
  bool pending_ = true;  // found_ holds an entry not yet delivered
  char name_[Utf8BytesPerUnit * (sizeof(WIN32_FIND_DATAW::cFileName) / sizeof(wchar_t)) + 1];
};

class Win32FolderSource final : public FolderSource {
 public:
  bool IsFolder(std::string_view path) override {
    const DWORD attributes = ::GetFileAttributesW(HostSystemPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  OpenResult Open(std::string_view folderText, std::unique_ptr<FolderListing>& listing) override {
    const WideText path = HostSystemPath(std::string(folderText) + "\\*.*");
    WIN32_FIND_DATAW found;
    // The basic information level leaves out the short 8.3 names, and large
    // fetches ask for more entries per request, which counts on a share.
    // Systems before Windows 7 know neither and refuse the call.
    HANDLE find = FindFirstFileExW(path.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_LEVEL ||
          error == ERROR_NOT_SUPPORTED) {
        find = FindFirstFileW(path.c_str(), &found);
      }
    }
    if (find == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      return error == ERROR_TOO_MANY_OPEN_FILES || error == ERROR_NO_SYSTEM_RESOURCES ||
                     error == ERROR_NOT_ENOUGH_MEMORY
                 ? OpenResult::NoHandles
                 : OpenResult::Unreadable;
    }
    try {
      listing = std::make_unique<Win32Listing>(find, found);
    } catch (...) {
      ::FindClose(find);
      throw;
    }
    return OpenResult::Opened;
  }

  std::optional<FolderIdentity> Identity(std::string_view folderText) override {
    // A folder text names the folder its entries are listed from as text
    // "\*.*": "C:" for a drive's root, not drive C's current folder.
    const WideText path = HostSystemPath(std::string(folderText) + '\\');
    // Without FILE_FLAG_OPEN_REPARSE_POINT the open follows links and
    // junctions, so the identity is that of the folder they lead to.
    const HANDLE folder = CreateFileW(path.c_str(), 0, ShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return {};
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(folder, &info) != 0 &&
                       (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    CloseHandle(folder);
    if (!known) return {};
    return FolderIdentity{
        info.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  }
};

}  // namespace

FolderSource& HostFolderSource() {
  static Win32FolderSource source;
  return source;
}

}  // namespace Platform
