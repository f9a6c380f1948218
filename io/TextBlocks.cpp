#include "io/TextBlocks.h"

#include <algorithm>
#include <cstring>

namespace IO {

void TextBlocks::Clear() {
  full_.clear();
  current_.reset();
  capacity_ = used_ = size_ = 0;
}

char* TextBlocks::Reserve(std::size_t count) {
  if (capacity_ - used_ < count) {
    if (used_ > 0) full_.push_back(Block{std::move(current_), used_});
    capacity_ = std::max(BlockSize, count);
    // Left uninitialised: every byte is written before it is committed.
    current_.reset(new char[capacity_]);
    used_ = 0;
  }
  return current_.get() + used_;
}

void TextBlocks::Append(std::string_view text) {
  if (text.empty()) return;
  std::memcpy(Reserve(text.size()), text.data(), text.size());
  Commit(text.size());
}

void TextBlocks::AppendTo(std::string& out) const {
  for (const Block& block : full_) out.append(block.Bytes.get(), block.Used);
  if (used_ > 0) out.append(current_.get(), used_);
}

std::string TextBlocks::Text() const {
  std::string text;
  text.reserve(size_);
  AppendTo(text);
  return text;
}

}  // namespace IO
