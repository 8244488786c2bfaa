#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define SIEVRA_SCAN_SSE2 1
#endif

namespace sievra {

// Splits bytes into lines. A line ends at CR, at LF, or at CR LF; the terminator
// is not part of the line, and a last line needs none.
//
// The bytes are classified 64 at a time into a bit mask of terminator positions
// (SSE2 where the target has it, a plain loop elsewhere), and each line end is
// then one count-trailing-zeros away. Neither memchr (one byte value per call,
// two calls per CR LF line) nor std::string_view::find_first_of (a test per byte)
// keeps up with this on logs of short lines.
class LineScanner {
 public:
  LineScanner(const char* data, std::size_t size)
      : pos_(data), end_(data + size), window_(data), mask_(MaskAt(data)) {}

  // Next line in `line`; `terminatorBytes` is 0 when the data ended first, else 1 or 2.
  bool Next(std::string_view& line, std::size_t& terminatorBytes) {
    if (pos_ == end_) return false;
    const char* stop = FindTerminator();
    line = std::string_view(pos_, static_cast<std::size_t>(stop - pos_));
    if (stop == end_) {
      terminatorBytes = 0;
    } else {
      terminatorBytes = (*stop == '\r' && stop + 1 != end_ && stop[1] == '\n') ? 2 : 1;
    }
    pos_ = stop + terminatorBytes;
    return true;
  }

  // Convenience form for callers that do not care how the line ended.
  bool Next(std::string_view& line) {
    std::size_t ignored = 0;
    return Next(line, ignored);
  }

  const char* Position() const { return pos_; }

 private:
  static constexpr std::size_t kWindow = 64;

  // The first terminator at or after pos_, or end_.
  const char* FindTerminator() {
    for (;;) {
      // pos_ may lie before the window once the search moved on past its own.
      const auto skip = pos_ > window_ ? static_cast<std::size_t>(pos_ - window_) : 0;
      if (skip < kWindow) {
        const std::uint64_t pending = mask_ & (~std::uint64_t{0} << skip);
        if (pending != 0) return window_ + std::countr_zero(pending);
      }
      if (static_cast<std::size_t>(end_ - window_) <= kWindow) return end_;
      window_ += kWindow;
      mask_ = MaskAt(window_);
    }
  }

  // Bit i set when window[i] is CR or LF; bits past the end stay clear.
  std::uint64_t MaskAt(const char* window) const {
    const auto left = static_cast<std::size_t>(end_ - window);
    std::uint64_t mask = 0;
    std::size_t i = 0;
#ifdef SIEVRA_SCAN_SSE2
    if (left >= kWindow) {
      const __m128i cr = _mm_set1_epi8('\r');
      const __m128i lf = _mm_set1_epi8('\n');
      for (; i < kWindow; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + i));
        const int bits =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        mask |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(bits)) << i;
      }
      return mask;
    }
#endif
    for (const std::size_t n = left < kWindow ? left : kWindow; i < n; ++i) {
      if (window[i] == '\r' || window[i] == '\n') mask |= std::uint64_t{1} << i;
    }
    return mask;
  }

  const char* pos_;
  const char* end_;
  const char* window_;  // start of the 64 bytes mask_ describes
  std::uint64_t mask_;
};

}  // namespace sievra
