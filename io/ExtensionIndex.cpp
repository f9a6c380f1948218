#include "io/ExtensionIndex.h"

#include <cstdint>

namespace IO {
namespace {

// FNV-1a: a few instructions per byte, and extensions are short.
std::uint64_t Hash(std::string_view text) {
  std::uint64_t hash = 0xCBF29CE484222325u;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001B3u;
  }
  return hash;
}

}  // namespace

// The slot that holds extension, or the free slot where it would go.
std::size_t ExtensionIndex::SlotOf(std::string_view extension) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = static_cast<std::size_t>(Hash(extension)) & mask;
  while (!slots_[slot].empty() && slots_[slot] != extension) slot = (slot + 1) & mask;
  return slot;
}

bool ExtensionIndex::Contains(std::string_view extension) const {
  return !slots_.empty() && !slots_[SlotOf(extension)].empty();
}

void ExtensionIndex::Add(std::string_view extension) {
  if (extension.empty() || Contains(extension)) return;
  if (2 * (count_ + 1) > slots_.size()) {
    std::vector<std::string_view> old(slots_.empty() ? 32 : 2 * slots_.size());
    old.swap(slots_);
    for (const std::string_view known : old) {
      if (!known.empty()) slots_[SlotOf(known)] = known;
    }
  }
  slots_[SlotOf(extension)] = extension;
  ++count_;
}

}  // namespace IO
