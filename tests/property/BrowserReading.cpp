#include "tests/property/BrowserReading.h"

#include <cstdio>

namespace Testing {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsHex(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsAlphanumeric(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  return (c | 0x20) - 'a' + 10;
}

bool Expect(std::string_view& rest, std::string_view literal, std::string& error) {
  if (!rest.starts_with(literal)) {
    error = "expected \"" + std::string(literal) + "\" at \"" +
            Visible(rest.substr(0, literal.size() + 20)) + "\"";
    return false;
  }
  rest.remove_prefix(literal.size());
  return true;
}

// Up to the first stop byte, which stays in rest.
bool TakeUntil(std::string_view& rest, char stop, std::string& taken, std::string& error) {
  const std::size_t at = rest.find(stop);
  if (at == std::string_view::npos) {
    error = std::string("no '") + stop + "' in \"" + Visible(rest) + "\"";
    return false;
  }
  taken.assign(rest.substr(0, at));
  rest.remove_prefix(at);
  return true;
}

// The named references whose meaning is certain; every other name is one
// that a browser may or may not decode, depending on its full table.
bool NamedReference(std::string_view name, char& value) {
  static const struct {
    std::string_view Name;
    char Value;
  } Known[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  for (const auto& known : Known) {
    if (name == known.Name) {
      value = known.Value;
      return true;
    }
  }
  return false;
}

bool IsDotSegment(std::string_view segment) {
  std::string lower;
  for (char c : segment) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  for (std::string_view dot : {".", "..", "%2e", ".%2e", "%2e.", "%2e%2e"}) {
    if (lower == dot) return true;
  }
  return false;
}

std::string PercentDecoded(std::string_view segment) {
  std::string decoded;
  for (std::size_t i = 0; i < segment.size(); ++i) {
    if (segment[i] == '%' && i + 2 < segment.size() && IsHex(segment[i + 1]) &&
        IsHex(segment[i + 2])) {
      decoded += static_cast<char>(HexValue(segment[i + 1]) * 16 + HexValue(segment[i + 2]));
      i += 2;
    } else {
      decoded += segment[i];
    }
  }
  return decoded;
}

}  // namespace

std::string Visible(std::string_view bytes) {
  std::string text;
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      text += ch;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  return text;
}

bool ReadRows(std::string_view body, std::vector<PageRow>& rows, std::string& error) {
  std::string_view rest = body;
  while (!rest.empty()) {
    PageRow row;
    if (!Expect(rest, "<tr><td><a href=\"", error) || !TakeUntil(rest, '"', row.Href, error) ||
        !Expect(rest, "\" target=\"_blank\">", error) || !TakeUntil(rest, '<', row.Text, error) ||
        !Expect(rest, "</a></td><td>", error)) {
      return false;
    }
    while (!rest.empty() && IsDigit(rest.front())) {
      row.Kib += rest.front();
      rest.remove_prefix(1);
    }
    if (row.Kib.empty() || (row.Kib.size() > 1 && row.Kib[0] == '0')) {
      error = "size \"" + row.Kib + "\" is no plain number";
      return false;
    }
    if (!Expect(rest, " KB</td></tr>\n", error)) return false;
    rows.push_back(std::move(row));
  }
  return true;
}

std::size_t MarkupOutsideLinks(std::string_view body) {
  constexpr std::string_view Open = "href=\"";
  std::size_t count = 0;
  for (std::size_t at = 0; at < body.size(); ++at) {
    if (body.substr(at).starts_with(Open)) {
      const std::size_t end = body.find('"', at + Open.size());
      if (end == std::string_view::npos) break;
      at = end;
    } else if (body[at] == '<') {
      ++count;
    }
  }
  return count;
}

bool DecodeReferences(std::string_view raw, std::string& decoded, std::string& error) {
  std::string text;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '\r') {
      text += raw[i];
    } else if (i + 1 >= raw.size() || raw[i + 1] != '\n') {
      text += '\n';
    }
  }
  decoded.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '&' || i + 1 >= text.size()) {
      decoded += c;
      continue;
    }
    if (text[i + 1] == '#') {
      std::size_t at = i + 2;
      const bool hex = at < text.size() && (text[at] == 'x' || text[at] == 'X');
      if (hex) ++at;
      const std::size_t digits = at;
      unsigned long value = 0;
      while (at < text.size() && (hex ? IsHex(text[at]) : IsDigit(text[at])) && value < 0x110000) {
        value = value * (hex ? 16 : 10) + static_cast<unsigned long>(HexValue(text[at]));
        ++at;
      }
      if (at == digits) {  // "&#" with no number is no reference
        decoded += c;
        continue;
      }
      if (value == 0 || value >= 0x80) {
        error = "reference to a character outside ASCII at \"" + Visible(text.substr(i, 12)) + "\"";
        return false;
      }
      decoded += static_cast<char>(value);
      i = (at < text.size() && text[at] == ';') ? at : at - 1;
      continue;
    }
    if (!IsAlphanumeric(text[i + 1])) {
      decoded += c;
      continue;
    }
    std::size_t end = i + 1;
    while (end < text.size() && IsAlphanumeric(text[end])) ++end;
    char value;
    if (end < text.size() && text[end] == ';' &&
        NamedReference(text.substr(i + 1, end - i - 1), value)) {
      decoded += value;
      i = end;
      continue;
    }
    error =
        "reference a browser may read in its own way at \"" + Visible(text.substr(i, 12)) + "\"";
    return false;
  }
  return true;
}

bool LinkedPath(std::string_view href, std::string& path, std::string& error) {
  std::string url;
  if (!DecodeReferences(href, url, error)) return false;
  // The URL parser drops control bytes and spaces at either end, then tabs
  // and line breaks anywhere.
  std::size_t first = 0;
  std::size_t last = url.size();
  while (first < last && static_cast<unsigned char>(url[first]) <= 0x20) ++first;
  while (last > first && static_cast<unsigned char>(url[last - 1]) <= 0x20) --last;
  url = url.substr(first, last - first);
  std::string cleaned;
  for (char c : url) {
    if (c == '\t' || c == '\n' || c == '\r') continue;
    cleaned += c == '\\' ? '/' : c;
  }
  for (char c : cleaned) {
    if (c == '?' || c == '#') {
      error = std::string("'") + c + "' would begin a query or fragment in \"" + Visible(cleaned) +
              "\"";
      return false;
    }
  }
  if (!cleaned.starts_with("./")) {
    error = "link \"" + Visible(cleaned) + "\" does not begin with ./";
    return false;
  }
  path.clear();
  std::size_t start = 2;
  while (true) {
    const std::size_t slash = cleaned.find('/', start);
    const std::string_view segment = std::string_view(cleaned).substr(
        start, slash == std::string::npos ? std::string::npos : slash - start);
    if (segment.empty() || IsDotSegment(segment)) {
      error = "segment \"" + Visible(segment) + "\" would not name a file in \"" +
              Visible(cleaned) + "\"";
      return false;
    }
    if (!path.empty()) path += '/';
    path += PercentDecoded(segment);
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return true;
}

}  // namespace Testing
