#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "sievra/upper_case.h"

namespace sievra {

// Counts the lines that begin with a target (upper-cased) over input fed in
// chunks of any size, so the counting pass needs only one small buffer. With an
// empty target every line counts. With `framesOnly`, a line's time stamp or tag
// (FindLogPrefix) is passed over: its frame must begin with the target.
class LineCounter {
 public:
  LineCounter(const UpperCaser& upper, std::string_view upperTarget, bool framesOnly = false)
      : upper_(upper), target_(upperTarget), framesOnly_(framesOnly && !upperTarget.empty()) {}

  void Feed(std::string_view chunk);
  // The count, with an unterminated last line included.
  std::size_t Finish();

 private:
  void Absorb(std::string_view part);
  void EndLine();
  bool FrameMatches(std::string_view line) const;

  const UpperCaser& upper_;
  std::string_view target_;
  bool framesOnly_;
  std::size_t count_ = 0;
  std::size_t matched_ = 0;  // bytes of the target the current line matched so far
  bool mismatched_ = false;
  bool lineOpen_ = false;   // bytes of an unterminated line were seen
  bool pendingCr_ = false;  // the last chunk ended in CR: a leading LF belongs to it
  // framesOnly_: the first bytes of a line split across chunks, as many as decide it.
  std::string head_;
};

}  // namespace sievra
