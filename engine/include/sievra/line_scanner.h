#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace sievra {

// Splits bytes into lines. A line ends at CR, at LF, or at CR LF; the terminator
// is not part of the line, and a last line needs none.
//
// Two memchr cursors (next CR, next LF) are kept and each is only advanced once
// passed, so a file that uses one kind of terminator costs a single memchr scan
// for the other kind; std::string_view::find_first_of tests byte by byte instead.
class LineScanner {
 public:
  LineScanner(const char* data, std::size_t size)
      : pos_(data), end_(data + size), cr_(Find(data, '\r')), lf_(Find(data, '\n')) {}

  // Next line in `line`; `terminatorBytes` is 0 when the data ended first, else 1 or 2.
  bool Next(std::string_view& line, std::size_t& terminatorBytes) {
    if (pos_ == end_) return false;
    if (cr_ < pos_) cr_ = Find(pos_, '\r');
    if (lf_ < pos_) lf_ = Find(pos_, '\n');
    const char* stop = cr_ < lf_ ? cr_ : lf_;
    line = std::string_view(pos_, static_cast<std::size_t>(stop - pos_));
    if (stop == end_) {
      terminatorBytes = 0;
      pos_ = end_;
    } else {
      terminatorBytes = (stop == cr_ && stop + 1 == lf_ && lf_ != end_) ? 2 : 1;
      pos_ = stop + terminatorBytes;
    }
    return true;
  }

  // Convenience form for callers that do not care how the line ended.
  bool Next(std::string_view& line) {
    std::size_t ignored = 0;
    return Next(line, ignored);
  }

  const char* Position() const { return pos_; }

 private:
  const char* Find(const char* from, char c) const {
    if (from == end_) return end_;  // memchr must not see a null pointer, even for 0 bytes
    const void* hit = std::memchr(from, c, static_cast<std::size_t>(end_ - from));
    return hit ? static_cast<const char*>(hit) : end_;
  }

  const char* pos_;
  const char* end_;
  const char* cr_;
  const char* lf_;
};

}  // namespace sievra
