#include "first_match_reference.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>

#include "sievra/log_prefix.h"
#include "sievra/prefix_time.h"

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

// The digipeater path of a frame as heard: its header (before the first colon)
// after the destination, which ends at the first comma after '>'.
std::string PathAsHeard(std::string_view frame) {
  const std::string header(frame.substr(0, frame.find(':')));
  const std::size_t arrow = header.find('>');
  const std::size_t comma = arrow == std::string::npos ? arrow : header.find(',', arrow);
  return comma == std::string::npos ? "direct" : header.substr(comma + 1);
}

std::string CsvField(const std::string& field) {
  if (field.find_first_of(",\"") == std::string::npos) return field;
  std::string quoted = "\"";
  for (const char c : field) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + '"';
}

bool LineAlreadyKept(const std::vector<std::string>& kept, const std::string& line) {
  for (const std::string& k : kept) {
    if (k == line) return true;
  }
  return false;
}

}  // namespace

std::vector<Line> LinesWithEnds(std::string_view file) {
  std::vector<Line> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < file.size(); ++i) {
    const char c = file[i];
    if (c != '\r' && c != '\n') continue;
    const std::size_t end = i;
    if (c == '\r' && i + 1 < file.size() && file[i + 1] == '\n') ++i;
    lines.push_back(
        {std::string(file.substr(start, end - start)), std::string(file.substr(end, i + 1 - end))});
    start = i + 1;
  }
  if (start < file.size()) lines.push_back({std::string(file.substr(start)), {}});
  return lines;
}

std::vector<std::string> Lines(std::string_view file) {
  std::vector<std::string> lines;
  for (Line& line : LinesWithEnds(file)) lines.push_back(std::move(line.text));
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

namespace {

// A line the tests let through, with all the rules read of it.
struct Copy {
  std::uint64_t number = 0;  // 1-based, counting on across the files
  Line line;
  std::size_t frameAt = 0;  // Packet: where the frame starts, after any prefix
  std::string form;         // the key as compared
  std::optional<std::int64_t> seconds;
  std::string stamp;
  std::string path;
};

}  // namespace

RuledRun FilterByRules(const RuledSettings& settings, const std::vector<std::string>& files) {
  const Settings& base = settings.base;
  const DuplicateRules& rules = settings.rules;
  const std::string trimmed = TrimSpaces(Upper(base.callsign));
  const bool prefixes = base.packet && base.prefixes;
  RuledRun run;
  std::vector<Copy> copies;
  std::uint64_t number = 0;
  for (const std::string& file : files) {
    for (Line& line : LinesWithEnds(file)) {
      ++number;
      ++run.read;
      Copy copy;
      copy.number = number;
      std::string key = line.text;
      if (base.packet) {
        copy.frameAt = prefixes ? PrefixLength(line.text) : 0;
        const std::string frame = line.text.substr(copy.frameAt);
        const bool eligible =
            trimmed.empty() ? InStr(1, frame, ':') > 0 : Upper(frame).find(trimmed) == 0;
        if (!eligible) {
          ++run.skipped;
          continue;
        }
        key = Payload(frame);
        copy.path = PathAsHeard(frame);
        if (prefixes) {
          const LogPrefix prefix = FindLogPrefix(line.text);
          copy.seconds = PrefixSeconds(line.text, prefix);
          copy.stamp = PrefixStampText(line.text, prefix);
        }
      }
      copy.form =
          ComparableKey(key, rules.compare.ignoreCase, rules.compare.ignoreSpacing, settings.fold);
      copy.line = std::move(line);
      copies.push_back(std::move(copy));
    }
  }

  // Each group: a kept line first, then the copies judged against it.
  const bool window = base.packet && rules.keep == KeepRule::First && rules.windowSeconds > 0;
  std::vector<std::vector<std::size_t>> groups;
  for (std::size_t i = 0; i < copies.size(); ++i) {
    std::size_t g = groups.size();
    for (std::size_t j = 0; j < groups.size(); ++j) {
      if (copies[groups[j].front()].form == copies[i].form) g = j;  // the latest of the key
    }
    if (g < groups.size() && window) {
      const std::optional<std::int64_t> kept = copies[groups[g].front()].seconds;
      const std::optional<std::int64_t> own = copies[i].seconds;
      if (kept && own &&
          (*kept > *own ? *kept - *own : *own - *kept) > std::int64_t{rules.windowSeconds})
        g = groups.size();
    }
    if (g == groups.size()) groups.emplace_back();
    groups[g].push_back(i);
  }

  std::vector<std::pair<std::size_t, std::size_t>> written;  // copy, its group
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const std::vector<std::size_t>& members = groups[g];
    if (rules.keep == KeepRule::First) written.emplace_back(members.front(), g);
    if (rules.keep == KeepRule::Last) written.emplace_back(members.back(), g);
    if (rules.keep == KeepRule::Once && members.size() == 1) written.emplace_back(members[0], g);
    if (rules.keep == KeepRule::Repeated && members.size() > 1)
      written.emplace_back(members.front(), g);
  }
  std::sort(written.begin(), written.end());
  run.written = written.size();

  run.counts = "line,count,first_line,last_line";
  if (base.packet) run.counts += ",first_time,last_time,heard_via";
  run.counts += settings.lineEnd;
  for (const auto& [i, g] : written) {
    const Copy& copy = copies[i];
    const std::string& text = copy.line.text;
    if (base.packet && base.strip) {
      run.output += text.substr(0, copy.frameAt) + Strip(text.substr(copy.frameAt));
    } else {
      run.output += text;
    }
    run.output += settings.lineEnd;

    const Copy& first = copies[groups[g].front()];
    const Copy& last = copies[groups[g].back()];
    run.counts += std::to_string(copy.number) + ',' + std::to_string(groups[g].size()) + ',' +
                  std::to_string(first.number) + ',' + std::to_string(last.number);
    if (base.packet) {
      std::vector<std::string> paths;
      for (const std::size_t m : groups[g]) {
        if (std::find(paths.begin(), paths.end(), copies[m].path) == paths.end())
          paths.push_back(copies[m].path);
      }
      std::string via;
      for (std::size_t k = 0; k < paths.size(); ++k) via += (k == 0 ? "" : " | ") + paths[k];
      run.counts += ',' + CsvField(first.stamp) + ',' + CsvField(last.stamp) + ',' + CsvField(via);
    }
    run.counts += settings.lineEnd;
  }

  for (std::size_t i = 0; i < copies.size(); ++i) {
    const bool kept =
        std::any_of(written.begin(), written.end(), [i](const auto& w) { return w.first == i; });
    if (kept) continue;
    run.removed += copies[i].line.text;
    run.removed += copies[i].line.end.empty() ? settings.lineEnd : copies[i].line.end;
  }
  return run;
}

}  // namespace sievra::reference
