// The current folders that the program's relative path texts start from, as
// Windows keeps them.

#include "platform/WidePath.h"
#include "platform/Win32Api.h"

namespace Platform {
namespace {

// The absolute path the system gives for a path of its own form, such as
// L"." or L"D:", or empty when it gives none.
WideText FullPath(const wchar_t* path) {
  return TextOfCall([&](wchar_t* buffer, std::size_t size) {
    return GetFullPathNameW(path, static_cast<DWORD>(size), buffer, nullptr);
  });
}

bool IsDriveRelative(std::string_view path) {
  const auto letter = static_cast<unsigned char>(path.empty() ? 0 : path[0] | 0x20);
  return path.size() >= 2 && letter >= 'a' && letter <= 'z' && path[1] == ':' &&
         (path.size() == 2 || (path[2] != '\\' && path[2] != '/'));
}

}  // namespace

WideText HostSystemPath(std::string_view path) {
  static const WideText current = FullPath(L".");
  if (IsDriveRelative(path) && (path[0] | 0x20) != (current.empty() ? 0 : current[0] | 0x20)) {
    const wchar_t drive[] = {static_cast<wchar_t>(path[0]), L':', L'\0'};
    return SystemPath(path, FullPath(drive));
  }
  return SystemPath(path, current);
}

}  // namespace Platform
