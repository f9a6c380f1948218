// Texts as the Windows wide-character calls take and give them: UTF-16
// beside the program's own UTF-8, and the program's path texts made into the
// paths the system is handed. Plain C++ without the Windows API, so that its
// rules are tested on every platform; only the Windows back end uses it
// (WidePath-win32.cpp adds the current folder of the host).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

namespace Platform {

// A UTF-16 code unit: wchar_t where it has 16 bits (Windows), else char16_t.
using WideChar = std::conditional_t<sizeof(wchar_t) == 2, wchar_t, char16_t>;
using WideText = std::basic_string<WideChar>;
using WideView = std::basic_string_view<WideChar>;

// The most UTF-8 bytes one UTF-16 unit becomes.
inline constexpr std::size_t Utf8BytesPerUnit = 3;

// Writes text in UTF-8 at out, which has room for Utf8BytesPerUnit bytes per
// unit, and returns the end of what it wrote. UTF-8 cannot hold an unpaired
// surrogate (a name NTFS allows): each becomes U+FFFD, and paired is set to
// false.
char* WriteUtf8(WideView text, char* out, bool& paired);
std::string Utf8Text(WideView text);

// UTF-8 in UTF-16. Each byte that does not begin a well-formed sequence
// becomes U+FFFD.
WideText WideTextOf(std::string_view utf8);

// The path to hand the system for a program path text (UTF-8, separators '\'
// or '/'): absolute, with the prefix "\\?\" (or "\\?\UNC\" for a share) under
// which the system takes it as it is, up to 32,767 units, without the
// classic limit of 260. So the text's own rules are applied here, as the
// system applies them to a path without the prefix: '/' becomes '\', runs of
// separators count as one, "." components go and ".." takes the one before
// it away (never the drive or the share). Names are kept exactly, trailing
// dots and blanks included, so that each names the entry it was listed as.
// A path relative to the current folder, to the root of its drive ("\x") or
// to a drive's current folder ("D:x") is resolved against currentFolder: the
// absolute path of the current folder, or of that drive's current folder. A
// text that already has the prefix "\\?\" or "\\.\" is handed on unchanged.
// An empty text gives an empty path, which names nothing.
WideText SystemPath(std::string_view path, WideView currentFolder);

// The text a system call writes into a buffer it is given: call(buffer,
// size) gives the length it wrote, or, when the buffer is too small, the
// size it needs, terminator counted, and is called again with that much.
// Empty when it gives 0, as a failing call does.
template <class Call>
WideText TextOfCall(Call call) {
  WideText text(260, WideChar{0});
  for (;;) {
    const std::size_t length = call(text.data(), text.size());
    if (length == 0) return {};
    const bool fits = length < text.size();
    text.resize(length);
    if (fits) return text;
  }
}

#ifdef _WIN32
// SystemPath against the process's current folder, which the program never
// changes, or for "D:x" against drive D's own current folder.
WideText HostSystemPath(std::string_view path);
#endif

}  // namespace Platform
