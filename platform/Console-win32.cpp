// A console shows the bytes a program writes in the console's output code
// page, which is an OEM code page such as 437 or 850 unless the user chose
// another. Text written as UTF-16 with WriteConsoleW shows as it is whatever
// that code page, so the program's UTF-8 output goes that way when standard
// output is a console, and the code page is left alone. Output to a file or a
// pipe keeps the C runtime's text mode: UTF-8 with CR LF line ends.

#include "platform/Console-win32.h"

#include <algorithm>
#include <iostream>
#include <streambuf>
#include <string>

#include "platform/WidePath.h"
#include "platform/Win32Api.h"

namespace Platform {
namespace {

// The length of the text's longest beginning that ends with a whole UTF-8
// sequence: a character split between two writes is written with the second.
std::size_t WholeCharacters(const std::string& text) {
  for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
    const auto byte = static_cast<unsigned char>(text[text.size() - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length > back ? text.size() - back : text.size();
  }
  return text.size();
}

// An unbuffered stream buffer: each write reaches the console at once, as the
// C runtime's output to a console does.
class ConsoleBuffer final : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console), previous_(std::cout.rdbuf(this)) {}
  ConsoleBuffer(const ConsoleBuffer&) = delete;
  ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;

  // The runtime flushes std::cout after every static object of the run is
  // gone: by then it writes through its own buffer again.
  ~ConsoleBuffer() override { std::cout.rdbuf(previous_); }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return Write(&byte, 1) ? c : traits_type::eof();
  }

  std::streamsize xsputn(const char* text, std::streamsize size) override {
    return Write(text, static_cast<std::size_t>(size)) ? size : 0;
  }

 private:
  bool Write(const char* text, std::size_t size) {
    // Each line feed as CR LF, as the runtime's text mode writes it.
    for (std::size_t i = 0; i < size; ++i) {
      if (text[i] == '\n') pending_.push_back('\r');
      pending_.push_back(text[i]);
    }
    const std::size_t whole = WholeCharacters(pending_);
    const WideText wide = WideTextOf(std::string_view(pending_).substr(0, whole));
    pending_.erase(0, whole);
    // Older consoles take at most some 64 KiB a call; a pair of surrogates
    // is never split.
    constexpr std::size_t Chunk = 8192;
    for (std::size_t at = 0; at < wide.size();) {
      std::size_t count = std::min(Chunk, wide.size() - at);
      if (at + count < wide.size() && wide[at + count - 1] >= 0xD800 &&
          wide[at + count - 1] <= 0xDBFF) {
        --count;
      }
      DWORD written = 0;
      if (WriteConsoleW(console_, wide.data() + at, static_cast<DWORD>(count), &written, nullptr) ==
              0 ||
          written == 0) {
        return false;
      }
      at += written;
    }
    return true;
  }

  HANDLE console_;
  std::streambuf* previous_;
  std::string pending_;  // the beginning of a character not yet whole
};

}  // namespace

void WriteConsoleInUtf16() {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(output, &mode) == 0) return;  // not a console
  std::cout.flush();
  static ConsoleBuffer buffer(output);
}

}  // namespace Platform
