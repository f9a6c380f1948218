#include "io/ListingData.h"

#include <charconv>
#include <cstring>

#include "io/Links.h"
#include "io/ListingRow.h"
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

}  // namespace IO
