// Which extensions ExtensionSet already holds, answered by one hash probe, so
// that the walk searches the ordered set (a string compare per tree level)
// only for an extension it has not met yet.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace IO {

class ExtensionIndex {
 public:
  bool Contains(std::string_view extension) const;

  // The bytes extension views must outlive the index: the walk passes views
  // of ExtensionSet's own strings, which stay where they are. Extensions are
  // never empty; an empty view marks a free slot.
  void Add(std::string_view extension);

 private:
  std::size_t SlotOf(std::string_view extension) const;

  std::vector<std::string_view> slots_;  // a power of two of them, at most half in use
  std::size_t count_ = 0;
};

}  // namespace IO
