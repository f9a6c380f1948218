// A small seeded random source whose sequence is the same with every
// compiler and standard library, so that a seed names one tree everywhere.
#pragma once

#include <cstdint>
#include <vector>

namespace Testing {

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  // splitmix64
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // 0 to bound - 1; bound must not be 0.
  std::uint64_t Below(std::uint64_t bound) { return Next() % bound; }

  // True in percent cases out of a hundred.
  bool Percent(int percent) { return Below(100) < static_cast<std::uint64_t>(percent); }

  template <typename T>
  const T& Pick(const std::vector<T>& values) {
    return values[Below(values.size())];
  }

 private:
  std::uint64_t state_;
};

}  // namespace Testing
