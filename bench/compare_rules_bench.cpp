// What each compare rule costs per key: ComparableKey on keys in memory, no file
// involved. `sievra-compare-rules-bench [keys] [rounds] [only]` (200000 keys and
// 7 rounds by default; `only` keeps the rows whose "data | rules" holds it)
// prints, per data set and rules, the fastest round's nanoseconds per key (on a
// shared machine the least disturbed one) and the share of keys whose form had
// to be written out rather than being the key or a stretch of it.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "compare_rules.h"

namespace {

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Below(std::uint64_t n) {
    std::uint64_t x = state_ += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return (x ^ (x >> 31)) % n;
  }

 private:
  std::uint64_t state_;
};

template <std::size_t N>
std::string_view Pick(Random& r, const char* const (&words)[N]) {
  return words[r.Below(N)];
}

// Lower-case words and numbers, one space apart: no rule changes anything.
std::string PlainLine(Random& r) {
  static const char* const kWords[] = {"the",  "radio", "packet", "beacon", "station", "relay",
                                       "west", "check", "frame",  "path",   "monitor", "73"};
  std::string line = std::to_string(r.Below(100000));
  while (line.size() < 40 + r.Below(50)) (line += ' ') += Pick(r, kWords);
  return line;
}

// A monitor log line: time, callsigns in capitals, a payload, now and then two blanks.
std::string LogLine(Random& r) {
  static const char* const kCalls[] = {"N0CALL-7", "DB0XYZ-10", "W1AW", "G4ABC-9", "VK2RZ"};
  static const char* const kWords[] = {"Beacon", "WX",  "PHG2360", "Test", "QSL", "via",
                                       "igate",  "73!", "net",     "Temp", "NET", "in"};
  std::string line = "2026-12-07 19:0" + std::to_string(r.Below(10)) + ":1" +
                     std::to_string(r.Below(10)) + "  " + std::string(Pick(r, kCalls)) +
                     ">APRS,WIDE1-1:!4903.50N/07201.75W-";
  while (line.size() < 60 + r.Below(40)) (line += r.Below(8) == 0 ? "  " : " ") += Pick(r, kWords);
  return line;
}

// Words in Latin with accents, Greek, Cyrillic, Deseret and CJK, some capitalised,
// the scripts mixed word by word: the hardest case for branch prediction.
std::string MixedUtf8Line(Random& r) {
  static const char* const kWords[] = {
      "Straße", "café",     "ÉCOLE", "Ωμέγα", "ΣΟΦΙΑ", "привет", "МОСКВА", "\U00010400\U00010428",
      "東京",   "İstanbul", "naïve", "data",  "ŁÓDŹ",  "señor",  "ÅSE",    "über"};
  std::string line;
  while (line.size() < 50 + r.Below(50)) {
    if (!line.empty()) line += r.Below(6) == 0 ? " \t" : " ";
    line += Pick(r, kWords);
  }
  return line;
}

// Words of one script a line (French, Greek, Russian or Japanese), some capitalised.
std::string OneScriptLine(Random& r) {
  static const char* const kScripts[][6] = {
      {"Été", "café", "ÉCOLE", "naïve", "leçon", "où"},
      {"Ωμέγα", "ΣΟΦΙΑ", "λόγος", "Αθήνα", "καλημέρα", "ΣΤΑΘΜΟΣ"},
      {"привет", "МОСКВА", "Станция", "погода", "РАДИО", "сигнал"},
      {"東京", "無線", "局", "天気", "信号", "アンテナ"}};
  const auto& words = kScripts[r.Below(4)];
  std::string line;
  while (line.size() < 50 + r.Below(50)) (line += line.empty() ? "" : " ") += Pick(r, words);
  return line;
}

using Generator = std::string (*)(Random&);

struct DataSet {
  const char* name;
  Generator line;
};

struct RuleSet {
  const char* name;
  sievra::CompareRules rules;
};

}  // namespace

int main(int argc, char** argv) {
  const std::size_t keyCount = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
  const std::string_view only = argc > 3 ? argv[3] : "";
  const DataSet dataSets[] = {{"plain ASCII text", PlainLine},
                              {"ASCII log lines", LogLine},
                              {"UTF-8, one script a line", OneScriptLine},
                              {"UTF-8, scripts mixed", MixedUtf8Line}};
  const RuleSet ruleSets[] = {{"default", {}},
                              {"ignore case", {true, false}},
                              {"ignore spacing", {false, true}},
                              {"both", {true, true}}};

  std::printf("| data | rules | ns/key | bytes/key | forms written |\n|---|---|---:|---:|---:|\n");
  for (const DataSet& data : dataSets) {
    // The keys back to back in one buffer, as the filter meets them in a block of lines.
    Random random(42);
    std::string text;
    std::vector<std::size_t> ends;
    for (std::size_t k = 0; k < keyCount; ++k) ends.push_back((text += data.line(random)).size());
    std::vector<std::string_view> keys;
    for (std::size_t k = 0, begin = 0; k < keyCount; begin = ends[k++]) {
      keys.push_back(std::string_view(text).substr(begin, ends[k] - begin));
    }
    const std::size_t bytes = text.size();
    for (const RuleSet& set : ruleSets) {
      const std::string row = std::string(data.name) + " | " + set.name;
      if (row.find(only) == std::string::npos) continue;
      std::string scratch;
      std::vector<double> nsPerKey;
      std::size_t written = 0;
      std::uint64_t sink = 0;  // keeps the forms alive for the optimiser
      for (int round = 0; round < rounds; ++round) {
        written = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const std::string_view key : keys) {
          const std::string_view form = sievra::ComparableKey(key, set.rules, scratch);
          sink += form.size() + (form.empty() ? 0u : static_cast<unsigned char>(form.back()));
          written += form.data() == scratch.data() ? 1u : 0u;
        }
        const std::chrono::duration<double, std::nano> took =
            std::chrono::steady_clock::now() - start;
        nsPerKey.push_back(took.count() / static_cast<double>(keyCount));
      }
      std::printf("| %s | %.1f | %.0f | %.0f%% |\n", row.c_str(),
                  *std::min_element(nsPerKey.begin(), nsPerKey.end()),
                  static_cast<double>(bytes) / static_cast<double>(keyCount),
                  100.0 * static_cast<double>(written) / static_cast<double>(keyCount));
      if (sink == 1) std::printf("\n");
    }
  }
  return 0;
}
