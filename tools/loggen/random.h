#pragma once

#include <cstdint>

namespace tlw::loggen {

// xoshiro256** seeded through SplitMix64: the same seed gives the same log
// on every machine and compiler (no std:: distributions, whose results are
// left to the library).
class Random {
 public:
  explicit Random(std::uint64_t seed) {
    for (std::uint64_t& word : state_) {
      seed += 0x9e3779b97f4a7c15ULL;
      std::uint64_t z = seed;
      z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
      z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
      word = z ^ (z >> 31);
    }
  }

  std::uint64_t Next() {
    const std::uint64_t result = Rotate(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = Rotate(state_[3], 45);
    return result;
  }

  // A number in [0, bound); bound > 0.
  // The modulo bias is far below anything a test could notice.
  std::uint64_t Below(std::uint64_t bound) { return Next() % bound; }
  // A number in [low, high].
  std::uint64_t Between(std::uint64_t low, std::uint64_t high) {
    return low + Below(high - low + 1);
  }
  // True `perMille` times in a thousand.
  bool Chance(std::uint64_t perMille) { return Below(1000) < perMille; }

 private:
  static std::uint64_t Rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  std::uint64_t state_[4] = {};
};

}  // namespace tlw::loggen
