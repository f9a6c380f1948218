#include "io/TextForms.h"

#include <cstring>

namespace IO {
namespace {

bool IsAsciiAlphanumeric(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char* WriteLiteral(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

}  // namespace

bool BeginsCharacterReference(std::string_view text, std::size_t at) {
  return at + 1 < text.size() && (IsAsciiAlphanumeric(text[at + 1]) || text[at + 1] == '#');
}

void LowerAsciiCopy(const char* in, std::size_t count, char* out) {
  for (std::size_t at = 0; at < count; ++at) out[at] = LowerAscii(in[at]);
}

char* WriteMarkupText(char* out, std::string_view text) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    switch (text[at]) {
      case '<':
        out = WriteLiteral(out, "&lt;");
        break;
      case '>':
        out = WriteLiteral(out, "&gt;");
        break;
      case '\n':
        out = WriteLiteral(out, "&#10;");
        break;
      case '\r':
        out = WriteLiteral(out, "&#13;");
        break;
      case '&':
        out = WriteLiteral(out, BeginsCharacterReference(text, at) ? "&amp;" : "&");
        break;
      default:
        *out++ = text[at];
    }
  }
  return out;
}

std::string MarkupText(std::string_view text) {
  std::string markup(MaxMarkupBytesPerByte * text.size(), '\0');
  markup.resize(static_cast<std::size_t>(WriteMarkupText(markup.data(), text) - markup.data()));
  return markup;
}

}  // namespace IO
