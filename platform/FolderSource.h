// The file system as the folder walk reads it: the Win32-shaped find calls,
// a path's attributes and folder identities. The host's own file system
// answers it in the program (FolderSource-posix.cpp, FolderSource-win32.cpp);
// tests answer it from a script. The walk reads folders on several threads,
// so every call may come from several threads at once.
#pragma once

#include <cstdint>

#include "platform/Win32Api.h"

namespace Platform {

// What makes two folder paths the same folder: device and inode on POSIX,
// volume serial number and file index on Windows.
struct FolderIdentity {
  std::uint64_t Volume = 0;
  std::uint64_t Index = 0;
  friend bool operator==(const FolderIdentity&, const FolderIdentity&) = default;
};

// The dwFileAttributes of an entry whose attributes and size the enumeration
// left to CompleteFindData.
inline constexpr DWORD AttributesToComplete = 0xFFFFFFFFu;

class FolderSource {
 public:
  virtual ~FolderSource() = default;

  // Attribute mask of an existing path, or INVALID_FILE_ATTRIBUTES. A path
  // that names a folder, or a link to one, has FILE_ATTRIBUTE_DIRECTORY set.
  virtual DWORD GetFileAttributesA(const char* path) = 0;

  // Opens an enumeration of the folder named by a pattern of the form
  // folder "\*.*" and fills data with the first entry ("." included where the
  // file system lists it). INVALID_HANDLE_VALUE when the folder cannot be
  // enumerated.
  virtual HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) = 0;

  // Fills data with the next entry; zero when none is left or reading fails.
  // Calls for one enumeration come one at a time.
  virtual BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) = 0;

  // Where each entry's attributes cost a request of their own (a stat on
  // POSIX), the enumeration delivers the entries that need one with
  // dwFileAttributes set to AttributesToComplete, and this call fills in
  // their attributes and size, so that the requests of a large folder can be
  // spread over threads. Calls for entries of one enumeration may overlap
  // each other and its FindNextFileA calls; all of them come before its
  // FindClose.
  virtual void CompleteFindData(HANDLE find, WIN32_FIND_DATAA* data) = 0;

  // Ends an enumeration opened by FindFirstFileA.
  virtual BOOL FindClose(HANDLE find) = 0;

  // Identity of the folder a folder text names, following links. False when
  // it cannot be learnt.
  virtual bool GetFolderIdentity(const char* folderText, FolderIdentity& identity) = 0;
};

// The host's own file system.
FolderSource& HostFolderSource();

}  // namespace Platform
