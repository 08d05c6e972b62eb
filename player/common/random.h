#pragma once
// The player's single random generator: seeded with 0, never reseeded, so a run repeats exactly.
#include <cstdint>

namespace mavlet {

class TRandom {
 public:
  // 0 <= result < n (0 when n is 0): the high 32 bits of the new seed times n.
  std::uint32_t Next(std::uint32_t n) {
    seed_ = seed_ * 134775813u + 1u;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed_) * n) >> 32);
  }
  std::uint32_t Seed() const { return seed_; }
  void SetSeed(std::uint32_t seed) { seed_ = seed; }

 private:
  std::uint32_t seed_ = 0;
};

}  // namespace mavlet
