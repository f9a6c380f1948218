#include "io/ListingData.h"

#include <charconv>
#include <cstring>
#include <vector>

#include "io/Links.h"
#include "io/TextForms.h"

namespace IO {
namespace {

constexpr char Separator = '>';

// Whether text is link with A to Z lower-cased, link being all ASCII.
bool IsAsciiLowerCaseOf(std::string_view text, std::string_view link) {
  if (text.size() != link.size()) return false;
  for (std::size_t i = 0; i < link.size(); ++i) {
    if (static_cast<unsigned char>(link[i]) >= 0x80 || text[i] != LowerAscii(link[i])) return false;
  }
  return true;
}

}  // namespace

void AppendFolderRecord(TextBuffer& data, std::string_view relativeFolder) {
  char* const start = data.Reserve(2 + MaxLinkBytesPerByte * relativeFolder.size());
  char* out = start;
  *out++ = Separator;
  out = WriteFolderLink(out, relativeFolder);
  *out++ = '\n';
  data.Commit(static_cast<std::size_t>(out - start));
}

void AppendFolderNumberRecord(TextBuffer& data, std::size_t number) {
  char* const start = data.Reserve(2 + MaxSizeDigits);
  char* out = start;
  *out++ = Separator;
  out = std::to_chars(out, out + MaxSizeDigits, number).ptr;
  *out++ = '\n';
  data.Commit(static_cast<std::size_t>(out - start));
}

void AppendFileRecord(TextBuffer& data, std::string_view name, std::string_view lowerName,
                      std::uint64_t sizeInBytes) {
  char* const start = data.Reserve(MaxLinkBytesPerByte * name.size() +
                                   MaxMarkupBytesPerByte * lowerName.size() + MaxSizeDigits + 3);
  char* out = WriteNameLink(start, name);
  const std::string_view link(start, static_cast<std::size_t>(out - start));
  *out++ = Separator;
  char* const text = out;
  out = WriteMarkupText(out, lowerName);
  if (IsAsciiLowerCaseOf(std::string_view(text, static_cast<std::size_t>(out - text)), link)) {
    out = text;
  }
  *out++ = Separator;
  out = std::to_chars(out, out + MaxSizeDigits, SizeInKiB(sizeInBytes)).ptr;
  *out++ = '\n';
  data.Commit(static_cast<std::size_t>(out - start));
}

void AppendDataBreak(TextBuffer& data) {
  data.Append(DataClose);
  data.Append(DataOpen);
}

std::string LinkBaseRecord(std::string_view linkBase) {
  if (linkBase == ".") return {};
  std::string record(1, Separator);
  return record.append(linkBase).append(1, '\n');
}

std::string TableRows(std::string_view data, std::string_view linkBase) {
  constexpr std::string_view Open = "<tr><td><a href=\"";
  constexpr std::string_view LinkEnd = "\" target=\"_blank\">";
  constexpr std::string_view Middle = "</a></td><td>";
  constexpr std::string_view Close = " KB</td></tr>\n";
  std::string rows;
  std::vector<std::string_view> folders;
  std::string_view folder;
  std::size_t at = 0;
  while (at < data.size()) {
    if (data[at] == '<') {  // a data break; no record holds '<'
      at += DataClose.size() + DataOpen.size();
      continue;
    }
    const std::size_t end = data.find('\n', at);
    const std::string_view record = data.substr(at, end - at);
    at = end + 1;
    if (record.front() == Separator) {
      const std::string_view rest = record.substr(1);
      if (rest.empty() || rest.front() == '\\') {
        folders.push_back(rest);
        folder = rest;
      } else {
        std::size_t number = 0;
        std::from_chars(rest.data(), rest.data() + rest.size(), number);
        folder = folders.at(number);
      }
      continue;
    }
    const std::size_t textAt = record.find(Separator) + 1;
    const std::size_t kibAt = record.find(Separator, textAt) + 1;
    const std::string_view name = record.substr(0, textAt - 1);
    const std::string_view text = record.substr(textAt, kibAt - 1 - textAt);
    rows.append(Open).append(linkBase).append(folder).append(1, '\\').append(name).append(LinkEnd);
    if (text.empty()) {
      // Left out where it is the link with A to Z lower-cased.
      for (const char c : name) rows.push_back(LowerAscii(c));
    } else {
      rows.append(text);
    }
    rows.append(Middle).append(record.substr(kibAt)).append(Close);
  }
  return rows;
}

}  // namespace IO
