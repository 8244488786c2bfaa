// PacketPayload, StripDigiPath and FindLogPrefix on any bytes: never out of
// bounds (the sanitizers watch), the cut only ever removes one stretch of the
// header, and a prefix is what the plain model reads and survives the cut.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "first_match_reference.h"
#include "fuzz_check.h"
#include "sievra/log_prefix.h"
#include "sievra/packet_frame.h"

namespace {

using sievra::fuzz::Require;

std::size_t CommonPrefix(std::string_view a, std::string_view b) {
  std::size_t n = 0;
  while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
  return n;
}

std::size_t CommonSuffix(std::string_view a, std::string_view b) {
  std::size_t n = 0;
  while (n < a.size() && n < b.size() && a[a.size() - 1 - n] == b[b.size() - 1 - n]) ++n;
  return n;
}

// The cut line is a prefix of the line followed by a suffix of it.
bool IsPrefixPlusSuffix(std::string_view cut, std::string_view line) {
  return cut.size() <= line.size() &&
         CommonPrefix(cut, line) + CommonSuffix(cut, line) >= cut.size();
}

void CheckPayload(std::string_view line) {
  const std::string_view payload = sievra::PacketPayload(line);
  Require(
      payload.data() >= line.data() && payload.data() + payload.size() == line.data() + line.size(),
      "PacketPayload is a suffix view of the line");
  const std::size_t colon = line.find(':');
  Require(payload == (colon == std::string_view::npos ? line : line.substr(colon + 1)),
          "PacketPayload starts after the first colon, or is the whole line");
}

void CheckStrip(std::string_view line) {
  const std::string cut = sievra::StripDigiPath(line);
  Require(cut == sievra::reference::Strip(std::string(line)),
          "StripDigiPath cuts as the position rules say");
  Require(IsPrefixPlusSuffix(cut, line), "StripDigiPath keeps a prefix and a suffix");
  Require(sievra::StripDigiPath(cut) == cut, "StripDigiPath twice gives what it gave once");
  Require(sievra::PacketPayload(cut) == sievra::PacketPayload(line), "the cut keeps the payload");

  sievra::DigiPathCut where{};
  if (sievra::FindDigiPathCut(line, where)) {
    Require(where.keepPrefix < where.resumeAt && where.resumeAt < line.size(),
            "the cut lies inside the line");
    Require(line[where.resumeAt] == ':', "the kept tail starts at the payload's colon");
    Require(cut == std::string(line.substr(0, where.keepPrefix)) +
                       std::string(line.substr(where.resumeAt)),
            "StripDigiPath cuts where FindDigiPathCut says");
  } else {
    Require(cut == line, "no cut found leaves the line unchanged");
  }
}

void CheckLogPrefix(std::string_view line) {
  const sievra::LogPrefix prefix = sievra::FindLogPrefix(line);
  Require(prefix.length == sievra::reference::PrefixLength(line),
          "FindLogPrefix reads the line as the plain model does");
  Require((prefix.kind == sievra::LogPrefixKind::None) == (prefix.length == 0),
          "a prefix has a kind and a length");
  if (prefix.length == 0) return;
  Require(prefix.length < sievra::kLogPrefixWindow, "a prefix lies within the window");
  const std::string_view frame = line.substr(prefix.length);
  Require(frame.front() != ' ' && frame.front() != '\t', "the blanks belong to the prefix");
  Require(sievra::FindLogPrefix(line.substr(0, sievra::kLogPrefixWindow)).length == prefix.length,
          "the window's bytes alone decide");
  // The filter finds the prefix again on the stored, path-cut line.
  const std::string cut = std::string(line.substr(0, prefix.length)) + sievra::StripDigiPath(frame);
  Require(sievra::FindLogPrefix(cut).length == prefix.length, "the path cut keeps the prefix");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line = sievra::fuzz::AsText(data, size);
  CheckPayload(line);
  CheckStrip(line);
  CheckLogPrefix(line);
  return 0;
}
