#include "platform/WidePath.h"

#include <algorithm>
#include <vector>

namespace Platform {
namespace {

constexpr char32_t Replacement = 0xFFFD;
constexpr WideChar Backslash = '\\';

bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

char* PutUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    *out++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *out++ = static_cast<char>(0xC0 | (c >> 6));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (c >> 12));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (c >> 18));
    *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// The code point of the well-formed UTF-8 sequence at text[at], and its
// length; a length of 0 when none begins there.
std::pair<char32_t, std::size_t> DecodeUtf8(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  char32_t c = 0;
  char32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07, least = 0x10000;
  }
  if (length == 0 || at + length > text.size()) return {0, 0};
  for (std::size_t k = 1; k < length; ++k) {
    const auto trail = static_cast<unsigned char>(text[at + k]);
    if ((trail & 0xC0) != 0x80) return {0, 0};
    c = (c << 6) | (trail & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
  return {c, length};
}

bool IsAsciiLetter(WideChar c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool HasDrive(WideView text) {
  return text.size() >= 2 && IsAsciiLetter(text[0]) && text[1] == ':';
}

WideText Wide(std::string_view ascii) {
  return WideText(ascii.begin(), ascii.end());
}

// The current folder without a prefix, as a path typed without one reads:
// "C:\x" or "\\server\share\x".
WideText Unprefixed(WideView folder) {
  if (folder.starts_with(Wide("\\\\?\\UNC\\"))) return Wide("\\\\") + WideText(folder.substr(8));
  if (folder.starts_with(Wide("\\\\?\\"))) return WideText(folder.substr(4));
  return WideText(folder);
}

// The components of text between separators, without empty ones.
std::vector<WideView> Components(WideView text) {
  std::vector<WideView> components;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find(Backslash, at), text.size());
    if (end > at) components.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return components;
}

// An absolute path ("C:\..." or "\\server\share\...") in the prefixed form.
WideText Prefixed(WideView path) {
  std::vector<WideView> components = Components(path);
  WideText result;
  std::size_t rootComponents = 1;
  if (HasDrive(path)) {
    result = Wide("\\\\?\\");
  } else {
    result = Wide("\\\\?\\UNC");
    rootComponents = 2;  // the server and the share
  }
  std::vector<WideView> kept;
  for (std::size_t i = 0; i < components.size(); ++i) {
    const WideView component = components[i];
    if (i < rootComponents) {
      if (i > 0 || !HasDrive(path)) result.push_back(Backslash);
      result.append(component);
    } else if (component == Wide("..")) {
      if (!kept.empty()) kept.pop_back();
    } else if (component != Wide(".")) {
      kept.push_back(component);
    }
  }
  for (const WideView component : kept) result.append(1, Backslash).append(component);
  if (kept.empty()) result.push_back(Backslash);
  return result;
}

}  // namespace

char* WriteUtf8(WideView text, char* out, bool& paired) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char16_t>(text[i]);
    if (IsHighSurrogate(c) && i + 1 < text.size() &&
        IsLowSurrogate(static_cast<char16_t>(text[i + 1]))) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(text[++i]) - 0xDC00);
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = Replacement;
      paired = false;
    }
    out = PutUtf8(c, out);
  }
  return out;
}

std::string Utf8Text(WideView text) {
  std::string utf8(text.size() * Utf8BytesPerUnit, '\0');
  bool paired = true;
  utf8.resize(static_cast<std::size_t>(WriteUtf8(text, utf8.data(), paired) - utf8.data()));
  return utf8;
}

WideText WideTextOf(std::string_view utf8) {
  WideText wide;
  wide.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    if (static_cast<unsigned char>(utf8[at]) < 0x80) {
      wide.push_back(static_cast<WideChar>(utf8[at++]));
      continue;
    }
    auto [c, length] = DecodeUtf8(utf8, at);
    if (length == 0) c = Replacement, length = 1;
    at += length;
    if (c >= 0x10000) {
      wide.push_back(static_cast<WideChar>(0xD800 + ((c - 0x10000) >> 10)));
      wide.push_back(static_cast<WideChar>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      wide.push_back(static_cast<WideChar>(c));
    }
  }
  return wide;
}

WideText SystemPath(std::string_view path, WideView currentFolder) {
  if (path.empty()) return {};  // names no folder, as for the system
  if (path.starts_with("\\\\?\\") || path.starts_with("\\\\.\\")) return WideTextOf(path);
  WideText text = WideTextOf(path);
  std::replace(text.begin(), text.end(), WideChar('/'), Backslash);
  const WideText current = Unprefixed(currentFolder);
  const bool drive = HasDrive(text);
  if (drive && text.size() > 2 && text[2] == Backslash) return Prefixed(text);
  if (text.starts_with(Wide("\\\\"))) return Prefixed(text);
  if (drive) return Prefixed(current + Backslash + text.substr(2));  // "D:x"
  if (text.starts_with(Backslash)) {
    // The root of the current folder's drive or share.
    const std::size_t rootEnd =
        HasDrive(current)
            ? 2
            : std::min(current.find(Backslash, current.find(Backslash, 2) + 1), current.size());
    return Prefixed(current.substr(0, rootEnd) + text);
  }
  return Prefixed(current + Backslash + text);
}

}  // namespace Platform
