#include "io/TextBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace IO {
namespace {

constexpr std::size_t InitialCapacity = std::size_t{64} << 10;

}  // namespace

TextBuffer::~TextBuffer() {
  std::free(memory_);
}

void TextBuffer::Clear() {
  std::free(memory_);
  memory_ = nullptr;
  capacity_ = start_ = size_ = 0;
}

void TextBuffer::Grow(std::size_t needed, bool exact) {
  const std::size_t capacity =
      exact ? std::max<std::size_t>(needed, 1) : std::max({needed, capacity_ * 2, InitialCapacity});
  // Left uninitialised: every byte is written before it is committed.
  void* memory = std::realloc(memory_, capacity);
  if (memory == nullptr) throw std::bad_alloc();
  memory_ = static_cast<char*>(memory);
  capacity_ = capacity;
}

void TextBuffer::Append(std::string_view text) {
  if (text.empty()) return;
  std::memcpy(Reserve(text.size()), text.data(), text.size());
  Commit(text.size());
}

char* TextBuffer::Surround(std::size_t before, std::size_t after) {
  const std::size_t start = std::max(start_, before);
  if (capacity_ < start + size_ + after || memory_ == nullptr) Grow(start + size_ + after, true);
  if (start != start_) {
    if (size_ > 0) std::memmove(memory_ + start, memory_ + start_, size_);
    start_ = start;
  }
  return memory_ + start_ - before;
}

}  // namespace IO
