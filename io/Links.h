// The pieces of a listed file's link as the page holds them in its href:
// the folder part and the file name, percent-encoded where a browser would
// not read a byte as itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace IO {

// The longest form a byte of a link takes ("%XX").
inline constexpr std::size_t MaxLinkBytesPerByte = 3;

// The folder text below the root (empty, or "\" before each sub-folder
// name), written at out; returns the end of what was written. Backslashes
// stay separators.
char* WriteFolderLink(char* out, std::string_view relativeFolder);

// The name of a file as one link component: a backslash in it, and blanks
// at its end, are encoded too.
char* WriteNameLink(char* out, std::string_view name);

// What every link of a page begins with, before the folder text below the
// root: "." for a page in the scanned folder itself. For a page elsewhere,
// the way from the page's folder to the scanned one ("..\Movies", ".\tree",
// "..\..") when both lie on one file system, and otherwise the scanned
// folder's absolute file URL ("file:///mnt/Movies", "file:///D:/Movies",
// "file://NAS/Movies"). Both folders are absolute paths, resolved: POSIX
// ones ("/a/b"), or Windows ones ("C:\a", "\\server\share\a", also with the
// prefix "\\?\" or "\\?\UNC\"), where another drive or share always gets
// the URL. Each name in it is encoded as a file name in a link is.
std::string LinkBase(std::string_view pageFolder, std::string_view rootFolder, bool sameFileSystem);

}  // namespace IO
