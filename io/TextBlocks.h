// A growing text kept in large blocks. Appending never moves what is already
// written (no doubling and copying as one string would), and the unused room
// is at most one block, so memory stays close to the text's own size even for
// the rows of a million files.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace IO {

class TextBlocks {
 public:
  static constexpr std::size_t BlockSize = std::size_t{1} << 20;

  // Discards the text.
  void Clear();

  // Room for at least count bytes after the end of the text; the caller
  // writes into it and then calls Commit with the number of bytes written.
  char* Reserve(std::size_t count);
  void Commit(std::size_t count) {
    used_ += count;
    size_ += count;
  }

  void Append(std::string_view text);

  std::size_t Size() const { return size_; }

  // Appends the whole text to out.
  void AppendTo(std::string& out) const;

  std::string Text() const;

 private:
  struct Block {
    std::unique_ptr<char[]> Bytes;
    std::size_t Used = 0;
  };
  std::vector<Block> full_;
  std::unique_ptr<char[]> current_;
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  std::size_t size_ = 0;
};

}  // namespace IO
