// The output file on Windows: a temporary file beside the page, marked for
// deletion while it is written, so that the system removes it however the
// process ends, and then put in place in one step: by ReplaceFile where a
// page stands, which keeps the old page's attributes and access control, or
// by MoveFileEx where there is none. Paths go to the system through the wide
// calls, without the classic 260-character limit.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/OutputFile.h"
#include "platform/WidePath.h"
#include "platform/Win32Api.h"

namespace {

using Platform::HostSystemPath;

// The normalised full path of an open file or folder ("\\?\C:\..."), in
// UTF-8, or empty when it cannot be learnt.
std::string FinalPath(HANDLE handle) {
  return Platform::Utf8Text(Platform::TextOfCall([&](wchar_t* buffer, std::size_t size) {
    return GetFinalPathNameByHandleW(handle, buffer, static_cast<DWORD>(size), 0);
  }));
}

bool SameTextIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// Whether an open file is the entry its path names in the folder its path
// names, and not a file that a link under that name leads to. The folder part
// may pass through links; only the last component may not. Windows opens a
// link itself when asked to (FILE_FLAG_OPEN_REPARSE_POINT) and marks it as a
// reparse point, but other hosts of the API (Wine) follow links to files
// silently, so the file's own full path is compared with the one its name
// would give. Where a file system cannot tell full paths, the reparse-point
// attribute is the only guard.
bool IsNamedEntry(const char* path, HANDLE file) {
  const std::string_view text(path);
  const std::size_t separator = text.find_last_of("\\/");
  std::string folder;
  std::string_view name;
  if (separator != std::string_view::npos) {
    folder.assign(text.substr(0, separator + 1));
    name = text.substr(separator + 1);
  } else if (text.size() >= 2 && text[1] == ':') {
    folder = {text[0], ':', '.'};
    name = text.substr(2);
  } else {
    folder = ".";
    name = text;
  }

  const HANDLE folderHandle = CreateFileW(HostSystemPath(folder).c_str(), 0, ShareAll, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folderHandle == INVALID_HANDLE_VALUE) return true;
  std::string expected = FinalPath(folderHandle);
  CloseHandle(folderHandle);
  const std::string actual = FinalPath(file);
  if (expected.empty() || actual.empty()) return true;
  if (expected.back() != '\\') expected.push_back('\\');
  expected.append(name);
  return SameTextIgnoringAsciiCase(actual, expected);
}

// A plain file of its own on a disk: not a link or other reparse point, not a
// folder, device or pipe, and not sharing its data with other hard links.
// Also gives its attributes.
bool IsOwnPlainFile(const char* path, HANDLE file, DWORD& attributes) {
  if (GetFileType(file) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(file, &info) == 0) return false;
  attributes = info.dwFileAttributes;
  constexpr DWORD NotPlain =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
  return (attributes & NotPlain) == 0 && info.nNumberOfLinks <= 1 && IsNamedEntry(path, file);
}

HANDLE OpenForWriting(const char* path, DWORD disposition) {
  return CreateFileW(HostSystemPath(path).c_str(), GENERIC_WRITE, ShareAll, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// How much of a path text names the folder its file is in: up to the last
// separator, or "D:" of a path "D:x" in drive D's current folder.
std::size_t FolderLength(std::string_view path) {
  const std::size_t separator = path.find_last_of("\\/");
  if (separator != std::string_view::npos) return separator + 1;
  return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

// The one output file open at a time.
struct OpenOutput {
  std::string Path;
  std::string Temporary;  // empty when the page is written in place
  bool Exists = false;    // whether a page stands at Path
  DWORD Attributes = 0;   // that page's attributes
  bool Disposed = false;  // the temporary file is marked for deletion
};
OpenOutput Output;

bool MarkForDeletion(HANDLE file, bool remove) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) !=
         0;
}

// Bits for the temporary file's tag.
std::uint64_t TagBits() {
  static std::uint64_t calls = 0;
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  return (static_cast<std::uint64_t>(GetCurrentProcessId()) << 40) ^
         static_cast<std::uint64_t>(counter.QuadPart) ^ (GetTickCount64() << 20) ^ (++calls << 56);
}

// The page itself, for a folder where no file may be created: an existing
// one is opened without truncation, so that nothing is emptied before it is
// known to be a plain file of its own. Only when there is none is one
// created, and CREATE_NEW fails rather than follow a link that leads nowhere
// and create its target.
HANDLE OpenInPlace(const char* path) {
  HANDLE file = OpenForWriting(path, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return INVALID_HANDLE_VALUE;
    file = OpenForWriting(path, CREATE_NEW);
    if (file == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
  }
  DWORD attributes;
  if (!IsOwnPlainFile(path, file, attributes) || SetEndOfFile(file) == 0) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

// Puts the closed temporary file in the page's place.
bool PutInPlace() {
  const Platform::WideText pathText = HostSystemPath(Output.Path);
  const Platform::WideText temporaryText = HostSystemPath(Output.Temporary);
  const wchar_t* path = pathText.c_str();
  const wchar_t* temporary = temporaryText.c_str();
  if (!Output.Exists) return MoveFileExW(temporary, path, 0) != 0;
  // A read-only page cannot be replaced: the attribute is lifted for the
  // replacement, and the old page's attributes are then given to the new one
  // (or back to the old one).
  if ((Output.Attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    SetFileAttributesW(path, Output.Attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  bool placed = ReplaceFileW(path, temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                             nullptr) != 0;
  // This error means the old page is gone and the new one still has its
  // temporary name.
  if (!placed && GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
    placed = MoveFileExW(temporary, path, 0) != 0;
  }
  SetFileAttributesW(path, Output.Attributes);
  return placed;
}

}  // namespace

namespace Platform {

FileHandle CreateOutputFile(const char* path, std::uint64_t /*size*/) {
  Output = OpenOutput{path, {}, false, 0, false};
  // What stands at the path now: nothing, or a plain file of its own.
  const HANDLE existing =
      CreateFileW(HostSystemPath(path).c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr,
                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (existing == INVALID_HANDLE_VALUE) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return InvalidFile;
  } else {
    Output.Exists = IsOwnPlainFile(path, existing, Output.Attributes);
    CloseHandle(existing);
    if (!Output.Exists) return InvalidFile;
  }

  const std::string_view text(path);
  const std::string folder(text.substr(0, FolderLength(text)));
  const std::string name(text.substr(folder.size()));
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
    Output.Temporary = folder + "." + name + "." + TemporaryTag(TagBits());
    file = CreateFileW(HostSystemPath(Output.Temporary).c_str(), GENERIC_WRITE | DELETE, ShareAll,
                       nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    error = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
  }
  if (file != INVALID_HANDLE_VALUE) {
    Output.Disposed = MarkForDeletion(file, true);
    return reinterpret_cast<FileHandle>(file);
  }
  Output.Temporary.clear();
  if (error != ERROR_ACCESS_DENIED) return InvalidFile;
  file = OpenInPlace(path);
  return file == INVALID_HANDLE_VALUE ? InvalidFile : reinterpret_cast<FileHandle>(file);
}

bool WriteOutputFile(FileHandle file, const char* data, std::size_t size) {
  const HANDLE handle = reinterpret_cast<HANDLE>(file);
  constexpr std::size_t MaxChunk = std::size_t{1} << 30;
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(size < MaxChunk ? size : MaxChunk);
    DWORD written = 0;
    if (WriteFile(handle, data, chunk, &written, nullptr) == 0 || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

bool CloseOutputFile(FileHandle file, bool keep) {
  const HANDLE handle = reinterpret_cast<HANDLE>(file);
  if (Output.Temporary.empty()) return CloseHandle(handle) != 0;
  if (keep && Output.Disposed) keep = MarkForDeletion(handle, false);
  const bool closed = CloseHandle(handle) != 0;
  const bool placed = keep && closed && PutInPlace();
  if (!placed) DeleteFileW(HostSystemPath(Output.Temporary).c_str());
  Output = OpenOutput{};
  return placed;
}

}  // namespace Platform
