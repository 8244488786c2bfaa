#include "sievra/line_counter.h"

#include <algorithm>

#include "sievra/line_scanner.h"
#include "sievra/log_prefix.h"

namespace sievra {

void LineCounter::Feed(std::string_view chunk) {
  if (chunk.empty()) return;
  if (pendingCr_ && chunk.front() == '\n') chunk.remove_prefix(1);
  pendingCr_ = false;
  LineScanner scanner(chunk.data(), chunk.size());
  std::string_view part;
  std::size_t terminator = 0;
  while (scanner.Next(part, terminator)) {
    if (framesOnly_ && !lineOpen_ && terminator != 0) {
      // The whole line is in this chunk: the common case, tested in place.
      if (FrameMatches(part)) ++count_;
    } else {
      Absorb(part);
      if (terminator == 0) {
        lineOpen_ = true;
        continue;
      }
      EndLine();
    }
    const char* after = scanner.Position();
    pendingCr_ = terminator == 1 && after == chunk.data() + chunk.size() && after[-1] == '\r';
  }
}

void LineCounter::Absorb(std::string_view part) {
  if (framesOnly_) {
    // A prefix ends within the window, so these bytes decide the line.
    const std::size_t decisive = kLogPrefixWindow + target_.size();
    head_.append(part.substr(0, decisive - std::min(decisive, head_.size())));
    return;
  }
  if (mismatched_ || matched_ == target_.size()) return;
  const std::size_t n = std::min(part.size(), target_.size() - matched_);
  if (!upper_.LineStartsWith(part.substr(0, n), target_.substr(matched_, n))) {
    mismatched_ = true;
    return;
  }
  matched_ += n;
}

bool LineCounter::FrameMatches(std::string_view line) const {
  line.remove_prefix(FindLogPrefix(line).length);
  return upper_.LineStartsWith(line, target_);
}

void LineCounter::EndLine() {
  if (framesOnly_) {
    if (FrameMatches(head_)) ++count_;
    head_.clear();
  } else if (!mismatched_ && matched_ == target_.size()) {
    ++count_;
  }
  matched_ = 0;
  mismatched_ = false;
  lineOpen_ = false;
}

std::size_t LineCounter::Finish() {
  if (lineOpen_) EndLine();
  return count_;
}

}  // namespace sievra
