#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace sievra {

// An estimate of how many distinct values were added, from their 64-bit
// hashes, in 4 KiB whatever their number (a HyperLogLog sketch of 4096
// registers: a typical error of 1.6%). The counting pass feeds it every line's
// key, so the filter can size its index for the lines it will keep before it
// keeps any: no growth, no rebuilding, and a log of repeats gets a small index.
class DistinctSketch {
 public:
  void Add(std::uint64_t hash) {
    const std::size_t r = hash >> (64 - kIndexBits);
    // The position of the first set bit of the rest; the guard bit caps it.
    const auto rank = static_cast<std::uint8_t>(
        std::countl_zero((hash << kIndexBits) | (std::uint64_t{1} << (kIndexBits - 1))) + 1);
    if (rank > registers_[r]) registers_[r] = rank;
  }

  // Takes in the values another sketch saw, as if they had been added here.
  void Merge(const DistinctSketch& other) {
    for (std::size_t r = 0; r < kRegisters; ++r)
      registers_[r] = std::max(registers_[r], other.registers_[r]);
  }

  std::size_t Estimate() const {
    double sum = 0;
    std::size_t empty = 0;
    for (const std::uint8_t v : registers_) {
      sum += std::ldexp(1.0, -v);
      empty += v == 0 ? 1 : 0;
    }
    constexpr double m = kRegisters;
    const double raw = 0.7213 / (1 + 1.079 / m) * m * m / sum;
    // Few values leave registers empty; counting those is then the better estimate.
    const double estimate =
        raw <= 2.5 * m && empty > 0 ? m * std::log(m / static_cast<double>(empty)) : raw;
    return static_cast<std::size_t>(std::llround(estimate));
  }

 private:
  static constexpr int kIndexBits = 12;
  static constexpr std::size_t kRegisters = std::size_t{1} << kIndexBits;
  std::array<std::uint8_t, kRegisters> registers_{};
};

}  // namespace sievra
