#include "first_match_reference.h"

#include <cctype>

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

bool PayloadAlreadyKept(const std::vector<std::string>& kept, std::string_view payload) {
  for (const std::string& line : kept) {
    if (Payload(line) == payload) return true;
  }
  return false;
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

Run Filter(const Settings& settings, std::string_view file) {
  Run run;
  const std::string target = Upper(settings.callsign);
  const std::vector<std::string> lines = Lines(file);
  for (const std::string& line : lines) {
    if (target.empty() || Upper(line).substr(0, target.size()) == target) ++run.counted;
  }
  const std::string trimmed = TrimSpaces(target);
  for (const std::string& line : lines) {
    run.currentLine = line;
    if (!settings.packet) {
      if (!LineAlreadyKept(run.kept, line)) run.kept.push_back(line);
      continue;
    }
    const bool eligible =
        trimmed.empty() ? InStr(1, line, ':') > 0 : Upper(line).find(trimmed) == 0;
    if (!eligible || PayloadAlreadyKept(run.kept, Payload(line))) continue;
    if (settings.strip) run.currentLine = Strip(line);
    run.kept.push_back(run.currentLine);
  }
  return run;
}

}  // namespace sievra::reference
