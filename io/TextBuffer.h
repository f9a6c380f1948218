// A growing text kept in one piece of memory, with room around it, so that
// the page can be laid out around the table rows without copying them.
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

  // Discards the text and releases its memory.
  void Clear();

  // Room for at least count bytes after the end of the text; the caller
  // writes into it and then calls Commit with the number of bytes written.
  // The room stays valid until the next call that changes the buffer.
  char* Reserve(std::size_t count) {
    if (capacity_ - start_ - size_ < count) Grow(start_ + size_ + count, false);
    return memory_ + start_ + size_;
  }
  void Commit(std::size_t count) { size_ += count; }

  void Append(std::string_view text);

  std::size_t Size() const { return size_; }
  std::string_view View() const { return {memory_ + start_, size_}; }
  std::string Text() const { return std::string(View()); }

  // Makes room for before bytes in front of the text and after bytes behind
  // it, and returns the first byte of the room in front. The caller may write
  // [result, result + before) and [result + before + Size(), that + after),
  // which gives one contiguous piece of before + Size() + after bytes. The
  // text itself keeps its bytes; it may move within the buffer, which
  // invalidates earlier pointers into it.
  char* Surround(std::size_t before, std::size_t after);

 private:
  // Makes the memory hold at least needed bytes: doubling while the text
  // grows, exactly needed bytes when the final layout is known.
  void Grow(std::size_t needed, bool exact);

  char* memory_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t start_ = 0;  // offset of the text's first byte in memory_
  std::size_t size_ = 0;
};

}  // namespace IO
