#pragma once

#include <string>
#include <string_view>

namespace sievra {

// The part of a monitor-format frame after its first ':'; the whole line when it has none.
std::string_view PacketPayload(std::string_view line);

// The frame without its digipeater path (SOURCE>DEST,PATH:PAYLOAD becomes
// SOURCE>DEST:PAYLOAD); the line unchanged when its header lacks that shape,
// including when the comma lies in the payload.
std::string StripDigiPath(std::string_view line);

// Where StripDigiPath cuts: the line becomes line[0, keepPrefix) + line[resumeAt, end).
// Lets the filter cut a frame in place instead of building a new string.
struct DigiPathCut {
  std::size_t keepPrefix;  // SOURCE>DEST
  std::size_t resumeAt;    // the ':' that starts the payload
};
// False when StripDigiPath leaves the line unchanged.
bool FindDigiPathCut(std::string_view line, DigiPathCut& cut);

}  // namespace sievra
