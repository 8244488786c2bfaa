#pragma once

#include <cstddef>
#include <string_view>

#include "sievra/upper_case.h"

namespace sievra {

// Counts the lines that begin with a target (upper-cased) over input fed in
// chunks of any size, so the counting pass needs only one small buffer. With an
// empty target every line counts.
class LineCounter {
 public:
  LineCounter(const UpperCaser& upper, std::string_view upperTarget)
      : upper_(upper), target_(upperTarget) {}

  void Feed(std::string_view chunk);
  // The count, with an unterminated last line included.
  std::size_t Finish();

 private:
  void Absorb(std::string_view part);
  void EndLine();

  const UpperCaser& upper_;
  std::string_view target_;
  std::size_t count_ = 0;
  std::size_t matched_ = 0;  // bytes of the target the current line matched so far
  bool mismatched_ = false;
  bool lineOpen_ = false;   // bytes of an unterminated line were seen
  bool pendingCr_ = false;  // the last chunk ended in CR: a leading LF belongs to it
};

}  // namespace sievra
