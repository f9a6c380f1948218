// The Windows back end: the services of Platform.h over the Win32 API and the
// Microsoft C runtime.

#include <stdlib.h>
#include <time.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Console-win32.h"
#include "platform/Platform.h"
#include "platform/TimeZoneText.h"
#include "platform/Win32Api.h"

#ifdef __MINGW32__
// The mingw start-up code expands wildcards in the arguments when this is
// non-zero (mingw-w64 spells it _dowildcard and maps _CRT_glob onto it). An
// argument such as *.jpg is a filter word and must reach main as typed.
int _CRT_glob = 0;
#endif

namespace {

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The normalised full path of an open file or folder ("\\?\C:\..."), or
// empty when it cannot be learnt.
std::string FinalPath(HANDLE handle) {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length =
        GetFinalPathNameByHandleA(handle, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length);  // too small: length counts the terminator
  }
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

  const HANDLE folderHandle = CreateFileA(folder.c_str(), 0, ShareAll, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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
bool IsOwnPlainFile(const char* path, HANDLE file) {
  if (GetFileType(file) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(file, &info) == 0) return false;
  constexpr DWORD NotPlain =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
  return (info.dwFileAttributes & NotPlain) == 0 && info.nNumberOfLinks <= 1 &&
         IsNamedEntry(path, file);
}

HANDLE OpenForWriting(const char* path, DWORD disposition) {
  return CreateFileA(path, GENERIC_WRITE, ShareAll, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

namespace Platform {

FileHandle CreateOutputFile(const char* path) {
  // An existing file is opened without truncation, so that nothing is emptied
  // before it is known to be a plain file of its own. Only when there is none
  // is one created, and CREATE_NEW fails rather than follow a link that leads
  // nowhere and create its target.
  HANDLE file = OpenForWriting(path, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return InvalidFile;
    file = OpenForWriting(path, CREATE_NEW);
    if (file == INVALID_HANDLE_VALUE) return InvalidFile;
  }
  if (!IsOwnPlainFile(path, file) || SetEndOfFile(file) == 0) {
    CloseHandle(file);
    return InvalidFile;
  }
  return reinterpret_cast<FileHandle>(file);
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

bool CloseOutputFile(FileHandle file) {
  return CloseHandle(reinterpret_cast<HANDLE>(file)) != 0;
}

bool LocalTime(std::int64_t seconds, std::tm& local) {
  const __time64_t time = seconds;
  return _localtime64_s(&local, &time) == 0;
}

bool StandardOutputIsTerminal() {
  // Only a console has a console mode: a file, a pipe or another character
  // device has none. The C runtime's _isatty would also call the NUL device a
  // terminal.
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

std::size_t TerminalColumns() {
  // A line wraps at the width of the screen buffer, not of the window.
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) == 0 ||
      info.dwSize.X <= 0) {
    return 0;
  }
  return static_cast<std::size_t>(info.dwSize.X);
}

std::uint64_t MonotonicMilliseconds() {
  return GetTickCount64();
}

void PrepareProcess() {
  // Standard output stays in the runtime's text mode, but for a console.
  WriteConsoleInUtf16();

  // The C runtime reads TZ only in its own form (such as EST5EDT) and takes
  // any other value, such as a zone name like Europe/Paris, for UTC. Such a
  // value is dropped, so that local time follows the system's time zone.
  char zone[256];
  const DWORD length = GetEnvironmentVariableA("TZ", zone, sizeof zone);
  if (length == 0) return;  // not set
  if (length >= sizeof zone || !IsRuntimeTimeZoneText(std::string_view(zone, length))) {
    _putenv("TZ=");
    _tzset();
  }
}

}  // namespace Platform
