// Writes deterministic test data: packet-radio monitor logs or plain text with a
// given share of repeated lines. Same arguments, same bytes, on every platform
// (own SplitMix64 and modulo reductions; std distributions differ between libraries).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::uint64_t Mix(std::uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() { return state_ = Mix(state_); }
  std::uint64_t Below(std::uint64_t n) { return Next() % n; }
  bool Chance(double share) { return static_cast<double>(Next() >> 11) * 0x1p-53 < share; }

 private:
  std::uint64_t state_;
};

const char* const kWords[] = {
    "the",     "radio",  "packet", "beacon", "station", "relay",  "weather",  "battery",
    "antenna", "north",  "south",  "east",   "west",    "mobile", "portable", "digipeater",
    "igate",   "signal", "report", "net",    "check",   "in",     "out",      "at",
    "on",      "with",   "via",    "from",   "to",      "and",    "qsl",      "73",
    "tnc",     "kiss",   "aprs",   "frame",  "path",    "wide",   "trace",    "monitor",
    "hello",   "world",  "local",  "remote", "field",   "day",    "contest",  "club"};
constexpr std::size_t kWordCount = sizeof(kWords) / sizeof(kWords[0]);

const char* const kDestinations[] = {"APRS", "APDR16", "APMI06", "APX219", "BEACON",
                                     "ID",   "T2QT9V", "APN382", "APDW17", "CQ"};
const char* const kPaths[] = {"",
                              ",WIDE1-1,WIDE2-1",
                              ",WIDE1*,WIDE2-1",
                              ",DIGI1*,WIDE2*",
                              ",RELAY*,WIDE2-1,qAR,IGATE-10",
                              ",TCPIP*,qAC,T2EUSV",
                              ",WIDE2-2,qAR,DB0XYZ-10",
                              ",DIGI2*,DIGI3*,WIDE2*,qAO,IGATE-1"};

std::string TextLine(std::uint64_t seed, std::uint64_t id, std::uint64_t minLength,
                     std::uint64_t maxLength) {
  Random r(Mix(seed ^ Mix(id)));
  const std::size_t length = minLength + r.Below(maxLength - minLength);
  std::string line = std::to_string(id % 97) + " ";
  while (line.size() < length) {
    line += kWords[r.Below(kWordCount)];
    line += ' ';
  }
  line += std::to_string(r.Below(1000000));
  return line;
}

std::string Callsign(std::uint64_t seed, std::uint64_t station) {
  if (station == 0) return "N0CALL";
  if (station == 1) return "N0CALL-9";
  Random r(Mix(seed ^ (station * 7919)));
  static const char* const kPrefixes[] = {"K", "W", "N", "DL", "G", "VK", "JA", "F", "PA", "OH"};
  std::string call = kPrefixes[r.Below(10)];
  if (call.size() == 1 && r.Chance(0.5)) call += static_cast<char>('A' + r.Below(26));
  call += static_cast<char>('0' + r.Below(10));
  for (std::uint64_t i = 0, n = 1 + r.Below(3); i < n; ++i)
    call += static_cast<char>('A' + r.Below(26));
  // Appended piecewise: "-" + std::to_string(...) trips GCC 12's false -Wrestrict at -O3.
  if (r.Chance(0.6)) call.append("-").append(std::to_string(1 + r.Below(15)));
  return call;
}

// One transmission: station and payload; digipeated copies repeat it over another path.
std::string Frame(std::uint64_t seed, std::uint64_t id, std::uint64_t stations, unsigned copy) {
  Random r(Mix(seed ^ Mix(id * 31 + 1)));
  const std::uint64_t station = r.Chance(0.01) ? r.Below(2) : r.Below(stations);
  std::string frame = Callsign(seed, station);
  frame += '>';
  frame += kDestinations[r.Below(10)];
  frame += kPaths[(r.Below(8) + copy * 3) % 8];
  frame += ':';
  char buf[160];
  const unsigned kind = static_cast<unsigned>(r.Below(5));
  const unsigned long long a = r.Below(100000), b = r.Below(100000), t = id % 1000000;
  if (kind == 0) {
    std::snprintf(buf, sizeof buf,
                  "!%02llu%02llu.%02lluN/%03llu%02llu.%02lluW>%06lluh PHG2360 mobile", a % 90,
                  a % 60, b % 100, b % 180, a % 60, b % 97, t);
  } else if (kind == 1) {
    std::snprintf(buf, sizeof buf,
                  "@%06lluz%02llu%02llu.%02lluN/%03llu%02llu.%02lluE_%03llu/%03llug%03llut%03lluWX",
                  t, a % 90, b % 60, a % 100, b % 180, a % 60, b % 100, a % 360, b % 100, a % 50,
                  b % 120);
  } else if (kind == 2) {
    std::snprintf(buf, sizeof buf, ">%s %s %s %llu", kWords[a % kWordCount], kWords[b % kWordCount],
                  kWords[(a + b) % kWordCount], t);
  } else if (kind == 3) {
    std::snprintf(buf, sizeof buf, ":%-9s:%s %s %s{%llu", Callsign(seed, b % stations).c_str(),
                  kWords[a % kWordCount], kWords[b % kWordCount], kWords[t % kWordCount], t % 1000);
  } else {
    std::snprintf(buf, sizeof buf, "T#%03llu,%03llu,%03llu,%03llu,%03llu,%03llu,%08llu", t % 1000,
                  a % 256, b % 256, (a + b) % 256, a % 100, b % 100, (a * b) % 100000000);
  }
  frame += buf;
  return frame;
}

// What a monitor program or an archive export writes before line `i`: a time
// stamp from 2020-11-07 00:00:00, `perSecond` lines a second ("stamp", as
// aprs.fi exports) or Dire Wolf's channel and decoder ("tag"). The frames do not depend
// on it, so a prefixed log is its unprefixed twin line for line.
std::string LinePrefix(const std::string& kind, std::uint64_t i, std::uint64_t perSecond) {
  char buf[48];
  if (kind == "stamp") {
    const std::uint64_t second = i / perSecond;
    const std::uint64_t day = 7 + second / 86400 % 23, s = second % 86400;
    std::snprintf(buf, sizeof buf,
                  "2020-11-%02llu %02llu:%02llu:%02llu EST: ", static_cast<unsigned long long>(day),
                  static_cast<unsigned long long>(s / 3600),
                  static_cast<unsigned long long>(s / 60 % 60),
                  static_cast<unsigned long long>(s % 60));
    return buf;
  }
  if (kind == "tag") {
    std::snprintf(buf, sizeof buf, "[0.%llu] ", static_cast<unsigned long long>(i % 3));
    return buf;
  }
  return {};
}

int Usage() {
  std::cerr << "usage: sievra-gen (--text|--packet) --lines N --out FILE [--eol crlf|lf|cr]\n"
               "                  [--seed S] [--dup-share F] [--stations N] [--length MIN-MAX]\n"
               "                  [--prefix none|stamp|tag] [--per-second N]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool packet = false, text = false;
  std::uint64_t lines = 0, seed = 1, stations = 3000, minLength = 50, maxLength = 100;
  std::uint64_t perSecond = 1;  // stamped lines a second
  double dupShare = 0.3;
  std::string out, eol = "\r\n", prefix = "none";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool value = i + 1 < argc;
    if (arg == "--text")
      text = true;
    else if (arg == "--packet")
      packet = true;
    else if (arg == "--lines" && value)
      lines = std::stoull(argv[++i]);
    else if (arg == "--out" && value)
      out = argv[++i];
    else if (arg == "--seed" && value)
      seed = std::stoull(argv[++i]);
    else if (arg == "--stations" && value)
      stations = std::max<std::uint64_t>(2, std::stoull(argv[++i]));
    else if (arg == "--length" && value) {  // text line lengths, e.g. 10000-100000
      const std::string range = argv[++i];
      minLength = std::stoull(range);
      maxLength = std::stoull(range.substr(range.find('-') + 1));
      if (maxLength <= minLength) return Usage();
    } else if (arg == "--prefix" && value) {
      prefix = argv[++i];
      if (prefix != "none" && prefix != "stamp" && prefix != "tag") return Usage();
    } else if (arg == "--per-second" && value) {
      perSecond = std::max<std::uint64_t>(1, std::stoull(argv[++i]));
    } else if (arg == "--dup-share" && value)
      dupShare = std::stod(argv[++i]);
    else if (arg == "--eol" && value) {
      const std::string e = argv[++i];
      eol = e == "lf" ? "\n" : e == "cr" ? "\r" : e == "crlf" ? "\r\n" : "";
      if (eol.empty()) return Usage();
    } else
      return Usage();
  }
  if (text == packet || out.empty()) return Usage();
  std::FILE* f = std::fopen(out.c_str(), "wb");
  if (!f) {
    std::perror(out.c_str());
    return 1;
  }
  std::vector<char> buffer(1 << 20);
  std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
  Random r(seed);
  std::uint64_t nextId = 0;
  for (std::uint64_t i = 0; i < lines; ++i) {
    std::string line = LinePrefix(prefix, i, perSecond);
    const bool repeat = nextId > 0 && r.Chance(dupShare);
    if (text) {
      line += TextLine(seed, repeat ? r.Below(nextId) : nextId++, minLength, maxLength);
    } else if (repeat) {
      // A digipeated copy of a recent transmission: same payload, other path.
      const std::uint64_t back = 1 + r.Below(std::min<std::uint64_t>(nextId, 500));
      line += Frame(seed, nextId - back, stations, 1 + static_cast<unsigned>(r.Below(3)));
    } else {
      line += Frame(seed, nextId++, stations, 0);
    }
    line += eol;
    std::fwrite(line.data(), 1, line.size(), f);
  }
  if (std::fclose(f) != 0) {
    std::perror(out.c_str());
    return 1;
  }
  return 0;
}
