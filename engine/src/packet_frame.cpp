#include "sievra/packet_frame.h"

namespace sievra {

std::string_view PacketPayload(std::string_view line) {
  const std::size_t colon = line.find(':');
  return colon == std::string_view::npos ? line : line.substr(colon + 1);
}

bool FindDigiPathCut(std::string_view line, DigiPathCut& cut) {
  constexpr std::size_t kMaxField = 10;  // source and destination fields are at most 10 characters
  const std::size_t gt = line.find('>');
  if (gt == std::string_view::npos || gt > kMaxField) return false;
  const std::size_t comma = line.find(',', gt);
  if (comma == std::string_view::npos || comma - gt > kMaxField + 1) return false;
  // Only a comma inside the header starts a path: one after the first colon is payload.
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos || colon < comma) return false;
  cut = {comma, colon};
  return true;
}

std::string StripDigiPath(std::string_view line) {
  DigiPathCut cut{};
  if (!FindDigiPathCut(line, cut)) return std::string(line);
  std::string result(line.substr(0, cut.keepPrefix));
  result += line.substr(cut.resumeAt);
  return result;
}

}  // namespace sievra
