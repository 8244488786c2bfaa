#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "compare_rules_reference.h"
#include "sievra/engine.h"

// A deliberately plain model of the duplicate filter, written from the rules
// rather than from the engine: 1-based positions, byte-by-byte upper-casing and
// a first-match scan over everything kept so far (quadratic, so only for small
// inputs). The fuzz targets and the fault tests compare the engine against it.
namespace sievra::reference {

struct Settings {
  bool packet = false;
  bool strip = false;
  std::string callsign;  // the callsign box's text, as typed
  bool prefixes = true;  // packet: a time stamp or tag before a frame is passed over
};

struct Run {
  std::vector<std::string> kept;  // in order of first occurrence
  std::size_t counted = 0;        // lines the counting pass counts
  std::string currentLine;        // the last line read, path-cut when it was stored cut
};

struct Line {
  std::string text;
  std::string end;  // CR, LF or CR LF as read; empty for a last line without one
};

// Lines end at CR, LF or CR LF; the last line needs no terminator.
std::vector<Line> LinesWithEnds(std::string_view file);
std::vector<std::string> Lines(std::string_view file);
std::string Upper(std::string_view text);
std::string_view Payload(std::string_view line);
std::string Strip(const std::string& line);
// How many bytes of the line's start are a time stamp or tag before a frame; 0 for none.
std::size_t PrefixLength(std::string_view line);
Run Filter(const Settings& settings, std::string_view file);

// The duplicate rules by the same plain means: every compared line grouped with
// the kept line it is judged against, a scan over all groups per line.
struct RuledSettings {
  Settings base;
  DuplicateRules rules;
  Fold fold = nullptr;  // one code point's simple case folding; needed to ignore case
  std::string lineEnd = "\r\n";
};

struct RuledRun {
  std::string output;
  std::string removed;  // the removed-lines report
  std::string counts;   // the count report
  std::size_t read = 0;
  std::size_t skipped = 0;  // Packet: lines the target or header test turned away
  std::size_t written = 0;
};

// The files are read one after another as one input.
RuledRun FilterByRules(const RuledSettings& settings, const std::vector<std::string>& files);

}  // namespace sievra::reference
