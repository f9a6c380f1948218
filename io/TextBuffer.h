// A growing text kept in one piece of memory: the listing's data.
//
// The memory grows by doubling through std::realloc. For large texts the C
// runtime maps such blocks straight from the OS, and where the OS can remap
// pages (Linux) a larger block takes over the same pages instead of copying
// them; pages that are never written cost address space only. Memory in use
// therefore stays close to the text's own size even for the rows of a
// million files.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace IO {

class TextBuffer {
 public:
  TextBuffer() = default;
  ~TextBuffer();
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;
  TextBuffer(TextBuffer&& other) noexcept;
  TextBuffer& operator=(TextBuffer&& other) noexcept;

  // Discards the text and releases its memory.
  void Clear();

  // Room for at least count bytes after the end of the text; the caller
  // writes into it and then calls Commit with the number of bytes written.
  // The room stays valid until the next call that changes the buffer.
  char* Reserve(std::size_t count) {
    if (capacity_ - size_ < count) Grow(size_ + count);
    return memory_ + size_;
  }
  void Commit(std::size_t count) { size_ += count; }

  void Append(std::string_view text);

  std::size_t Size() const { return size_; }
  std::string_view View() const { return {memory_, size_}; }
  std::string Text() const { return std::string(View()); }

 private:
  // Makes the memory hold at least needed bytes, doubling as the text grows.
  void Grow(std::size_t needed);

  char* memory_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t size_ = 0;
};

}  // namespace IO
