#pragma once

#include <string_view>

#include "kept_lines.h"
#include "sievra/log_prefix.h"
#include "sievra/packet_frame.h"
#include "sievra/upper_case.h"

namespace sievra {

// Text mode: every line counts, compared whole.
struct TextPolicy {
  static constexpr bool RepeatsAreDuplicates() { return true; }
  static bool Examine(std::string_view line, std::string_view& key, LogPrefixKind& prefix) {
    key = line;
    prefix = LogPrefixKind::None;
    return true;
  }
  static std::string_view KeyOfStored(std::string_view stored) { return stored; }
  static std::string_view Store(KeptLineTable& table, std::string_view line) {
    return table.Store(line);
  }
};

// Packet mode: the target's frames (or any line with a colon), compared by
// payload. With kLogPrefixes, a time stamp or tag before a frame is passed over:
// the tests, the payload and the path cut see the frame, and the line is stored
// whole, so the first report keeps its time.
template <bool kLogPrefixes>
struct PacketPolicy {
  const UpperCaser& upper;
  std::string_view target;
  bool strip;
  // A cut frame's stored payload may differ from its own, so with a cut an
  // equal payload is no proof of a duplicate.
  bool RepeatsAreDuplicates() const { return !strip; }
  // `prefix` tells what stands before the frame, whether or not the line passes.
  bool Examine(std::string_view line, std::string_view& key, LogPrefixKind& prefix) const {
    std::string_view frame = line;
    prefix = LogPrefixKind::None;
    if constexpr (kLogPrefixes) {
      const LogPrefix found = FindLogPrefix(line);
      prefix = found.kind;
      frame.remove_prefix(found.length);
    }
    if (!target.empty() && !upper.LineStartsWith(frame, target)) return false;
    const std::size_t colon = frame.find(':');
    if (colon == std::string_view::npos) {
      key = frame;  // a target's frame without a colon is its own payload
      return !target.empty();
    }
    key = frame.substr(colon + 1);
    return true;
  }
  // The stored line has the prefix the line had: a cut keeps the frame's source
  // and '>', all that the prefix test reads of the frame.
  static std::string_view KeyOfStored(std::string_view stored) {
    return PacketPayload(FrameOf(stored));
  }
  std::string_view Store(KeptLineTable& table, std::string_view line) const {
    DigiPathCut cut{};
    const std::size_t before = line.size() - FrameOf(line).size();
    if (!strip || !FindDigiPathCut(line.substr(before), cut)) return table.Store(line);
    return table.Store(line.substr(0, before + cut.keepPrefix), line.substr(before + cut.resumeAt));
  }
  // The frame of a line: after its time stamp or tag, if any.
  static std::string_view FrameOf(std::string_view line) {
    if constexpr (kLogPrefixes) line.remove_prefix(FindLogPrefix(line).length);
    return line;
  }
};

}  // namespace sievra
