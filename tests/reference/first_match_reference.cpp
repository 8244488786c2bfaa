#include "first_match_reference.h"

#include <algorithm>
#include <cctype>

// GCC 12 with the sanitizers warns of uninitialised members inside
// std::function as <regex> builds its automaton: a false alarm inside libstdc++.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>

namespace sievra::reference {

namespace {

// Position (from 1) of the first `c` at or after position `start`; 0 when there is none.
std::size_t InStr(std::size_t start, std::string_view text, char c) {
  for (std::size_t i = start; i <= text.size(); ++i) {
    if (text[i - 1] == c) return i;
  }
  return 0;
}

std::string TrimSpaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool LineAlreadyKept(const std::vector<std::string>& kept, const std::string& line) {
  for (const std::string& k : kept) {
    if (k == line) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> Lines(std::string_view file) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < file.size(); ++i) {
    const char c = file[i];
    if (c != '\r' && c != '\n') continue;
    lines.emplace_back(file.substr(start, i - start));
    if (c == '\r' && i + 1 < file.size() && file[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < file.size()) lines.emplace_back(file.substr(start));
  return lines;
}

std::string Upper(std::string_view text) {
  std::string upper;
  for (char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::string_view Payload(std::string_view line) { return line.substr(InStr(1, line, ':')); }

std::string Strip(const std::string& line) {
  const std::size_t g = InStr(1, line, '>');
  if (g < 1 || g > 11) return line;
  const std::size_t c = InStr(g, line, ',');
  if (c == 0 || c - g < 1 || c - g > 11) return line;
  const std::size_t k = InStr(c, line, ':');
  if (k == 0) return line;                   // no colon after the comma: no cut
  if (InStr(1, line, ':') < c) return line;  // the comma lies in the payload
  return line.substr(0, c - 1) + line.substr(k - 1);
}

std::size_t PrefixLength(std::string_view line) {
  // Within the line's first 80 bytes, one of: a time stamp (date, time,
  // optional fraction, optional zone, optional colon) and blanks; aprx's rflog
  // (date and time, blanks, a port of up to 9 letters, digits or '-', blanks,
  // R, T or d, blanks, and after d an optional '*'); a bracketed tag and
  // blanks; multimon-ng's "APRS:" and blanks; findu's 14 digits and a comma.
  // Then a frame's source field and '>'.
  static const std::string dateTime =
      R"(\d{4}-\d{2}-\d{2}[ T]\d{2}:\d{2}(?::\d{2}(?:[.,]\d{1,9})?)?)";
  static const std::regex prefix(
      "^(?:" + dateTime +
      R"((?:Z|[+-]\d{2}(?::?\d{2})?| (?:[+-]\d{2}(?::?\d{2})?|[A-Z]{1,5}))?:?[ \t]+)" + "|" +
      dateTime + R"([ \t]+[A-Za-z0-9-]{1,9}[ \t]+(?:[RT][ \t]+|d[ \t]+\*?))" +
      R"(|\[[^\]]{1,40}\][ \t]+|APRS:[ \t]+|\d{14},)(?=[^ \t:>]{1,10}>))");
  const std::string window(line.substr(0, 80));
  std::smatch match;
  return std::regex_search(window, match, prefix) ? static_cast<std::size_t>(match.length(0)) : 0;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

Run Filter(const Settings& settings, std::string_view file) {
  Run run;
  const std::string target = Upper(settings.callsign);
  const std::vector<std::string> lines = Lines(file);
  const bool prefixes = settings.packet && settings.prefixes;
  // The part of a line the packet tests read; the whole line when prefixes are off.
  auto frameOf = [prefixes](const std::string& line) {
    return prefixes ? line.substr(PrefixLength(line)) : line;
  };
  for (const std::string& line : lines) {
    if (target.empty() || Upper(frameOf(line)).substr(0, target.size()) == target) ++run.counted;
  }
  const std::string trimmed = TrimSpaces(target);
  std::vector<std::string> keptPayloads;
  for (const std::string& line : lines) {
    run.currentLine = line;
    if (!settings.packet) {
      if (!LineAlreadyKept(run.kept, line)) run.kept.push_back(line);
      continue;
    }
    const std::string frame = frameOf(line);
    const bool eligible =
        trimmed.empty() ? InStr(1, frame, ':') > 0 : Upper(frame).find(trimmed) == 0;
    if (!eligible) continue;
    // The kept lines' payloads, taken once each: taking them again for every
    // line made a run of 6,000 distinct frames take minutes.
    const std::string payload(Payload(frame));
    if (std::find(keptPayloads.begin(), keptPayloads.end(), payload) != keptPayloads.end())
      continue;
    if (settings.strip) run.currentLine = line.substr(0, line.size() - frame.size()) + Strip(frame);
    run.kept.push_back(run.currentLine);
    keptPayloads.emplace_back(Payload(frameOf(run.currentLine)));
  }
  return run;
}

}  // namespace sievra::reference
