#include "io/TextBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace IO {
namespace {

constexpr std::size_t InitialCapacity = std::size_t{64} << 10;

}  // namespace

TextBuffer::~TextBuffer() {
  std::free(memory_);
}

TextBuffer::TextBuffer(TextBuffer&& other) noexcept
    : memory_(std::exchange(other.memory_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)),
      size_(std::exchange(other.size_, 0)) {}

TextBuffer& TextBuffer::operator=(TextBuffer&& other) noexcept {
  if (this != &other) {
    std::free(memory_);
    memory_ = std::exchange(other.memory_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

void TextBuffer::Clear() {
  std::free(memory_);
  memory_ = nullptr;
  capacity_ = size_ = 0;
}

void TextBuffer::Grow(std::size_t needed) {
  const std::size_t capacity = std::max({needed, capacity_ * 2, InitialCapacity});
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

}  // namespace IO
