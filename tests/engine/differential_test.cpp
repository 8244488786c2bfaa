#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "compare_rules.h"
#include "engine_support.h"
#include "first_match_reference.h"

namespace sievra {
namespace {

using testing::EngineFixture;

// The output of the plain first-match scan the indexed filters must agree with.
std::string ReferenceOutput(const std::string& input, bool packet, const std::string& target,
                            bool strip, bool prefixes) {
  std::string out;
  for (const std::string& k : reference::Filter({packet, strip, target, prefixes}, input).kept)
    out += k + "\r\n";
  return out;
}

// Lines drawn from a small vocabulary so that duplicates, shared payloads, cut
// paths, callsign prefixes and time stamps or tags (and look-alikes) all happen often.
std::string RandomLog(std::mt19937& random, std::size_t lines) {
  static const char* const kSources[] = {"N0CALL", "n0call-9", "K1ABC", "N0", " N0CALL", ""};
  static const char* const kPaths[] = {"", ",WIDE1-1", ",RELAY*,WIDE2-1", ",qAR,IGATE", ","};
  static const char* const kPayloads[] = {"hi", "Hi", "x,y:z", "x:z", "", ">status", "a b"};
  static const char* const kTerminators[] = {"\r\n", "\n", "\r", "\n\r"};
  static const char* const kPrefixes[] = {"",
                                          "",
                                          "",
                                          "2020-11-07 09:38:16 EST: ",
                                          "2020-11-07T14:38:16.5Z\t",
                                          "[0.3] ",
                                          "[0 12:34:56]  ",
                                          "12:34 ",
                                          "[0]",
                                          "2016-11-16 01:04:19.662 APRSIS    R ",
                                          "2023-08-13 17:30:04.837 SR9NSK-4  d *",
                                          "20160203230921,",
                                          "APRS: "};
  auto pick = [&random](const auto& table) {
    return table[random() % (sizeof(table) / sizeof(table[0]))];
  };
  std::string log;
  for (std::size_t i = 0; i < lines; ++i) {
    const unsigned shape = random() % 8;
    log += pick(kPrefixes);
    if (shape == 0) {
      log += pick(kPayloads);  // a line that is no frame
    } else {
      log += pick(kSources);
      log += shape == 1 ? "" : ">APRS";
      log += pick(kPaths);
      log += shape == 2 ? "" : ":";
      log += pick(kPayloads);
    }
    if (i + 1 < lines || random() % 2) log += pick(kTerminators);
  }
  return log;
}

TEST(DifferentialTest, IndexedFiltersMatchTheFirstMatchScan) {
  std::mt19937 random(20261207);
  const char* const targets[] = {"", "n0call", "N0", "  ", "k1abc ", "N0CALL-9>APRS"};
  for (int round = 0; round < 400; ++round) {
    const std::string log = RandomLog(random, 1 + random() % 60);
    const bool packet = random() % 3 != 0;
    const bool strip = random() % 2;
    const std::string target = targets[random() % 6];
    const bool prefixes = random() % 4 != 0;
    const unsigned threads = testing::kThreadRows[round % 2];
    EngineFixture f;
    f.settings.logPrefixes = prefixes;
    const RunOutcome outcome = testing::RunOnThreads(f, threads, log, packet, target, strip);
    const std::string expected = ReferenceOutput(log, packet, target, strip, prefixes);
    ASSERT_EQ(f.Output(), expected)
        << "round " << round << " packet " << packet << " strip " << strip << " target '" << target
        << "' prefixes " << prefixes << " threads " << threads;
    ASSERT_EQ(f.result.counts.linesCounted,
              reference::Filter({packet, strip, target, prefixes}, log).counted);
    ASSERT_EQ(outcome, expected.empty() ? RunOutcome::NothingKept : RunOutcome::Completed);
  }
}

// Lines whose keys meet under the compare rules (case in ASCII, in Unicode and
// in bytes that are not UTF-8; spaces and tabs), heard seconds apart in every
// stamp form, out of order, or without a stamp.
std::string RandomRuledLog(std::mt19937& random, std::size_t lines, bool packet) {
  static const char* const kKeys[] = {
      "hi",    "Hi",     "HI",      " hi",           "hi\t",          "h  i",    "h\ti",
      "h i",   "Straße", "STRASSE", "straße",        "ΣΊΣΥΦΟΣ",       "σίσυφοσ", "İı",
      "iI",    "ÉCOLE",  "école",   "\xff\xc3\x89x", "\xff\xc3\xa9X", "\xffQ",   "\xffq",
      "x,y:z", "",       " \t",     "a\"b"};
  static const char* const kSources[] = {"N0CALL", "n0call", "K1ABC", "N0CALL-9"};
  static const char* const kPaths[] = {"",           ",WIDE1-1", ",wide1-1", ",RELAY*,WIDE2-1",
                                       ",qAR,IGATE", ","};
  static const char* const kEnds[] = {"\r\n", "\n", "\r"};
  auto pick = [&random](const auto& table) {
    return table[random() % (sizeof(table) / sizeof(table[0]))];
  };
  // A stamp of second t after 2024-01-01 00:00:00 (in its own form), or a tag without time.
  auto stamp = [&random](unsigned long t) {
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02lu:%02lu", t / 60 % 60, t % 60);
    const std::string at = std::string("2024-01-01 00:") + clock;
    switch (random() % 9) {
      case 0:
        return at + " ";
      case 1:
        return "2024-01-01T00:" + std::string(clock) + ".5Z\t";
      case 2:
        return "2024-01-01T01:" + std::string(clock) + "+01:00 ";  // the same moment
      case 3:
        return at + ",25 EST: ";  // a comma for the CSV
      case 4:
        return at + ".662 APRSIS    R ";
      case 5:
        return "2024010100" + std::string(clock).erase(2, 1) + ",";
      case 6:
        return "[0 00:" + std::string(clock) + "] ";
      case 7:
        return std::string("[0.3] ");
      default:
        return "2024-13-01 00:" + std::string(clock) + " ";  // no such month: no time
    }
  };
  // A few keys per log, so that most keys repeat, stamped within a minute and a
  // half, so that windows of 1 to 30 s see copies at, within and beyond their edge.
  std::vector<const char*> keys;
  for (auto n = 2 + random() % 5; n > 0; --n) keys.push_back(pick(kKeys));
  std::string log;
  for (std::size_t i = 0; i < lines; ++i) {
    if (random() % 4 != 0 && (packet || random() % 2 == 0)) log += stamp(random() % 90);
    const auto shape = random() % 10;
    const char* const key = keys[random() % keys.size()];
    if (shape == 0) {
      log += key;  // no frame
    } else {
      log += pick(kSources);
      log += ">APRS";
      log += pick(kPaths);
      log += shape == 1 ? "" : ":";
      log += key;
    }
    if (i + 1 < lines || random() % 2) log += pick(kEnds);
  }
  return log;
}

// The log cut into up to three files at any bytes, a CR LF's two halves too.
std::vector<std::string> CutIntoFiles(std::mt19937& random, const std::string& log) {
  std::vector<std::size_t> cuts{0, log.size()};
  for (auto n = random() % 3; n > 0; --n) cuts.push_back(random() % (log.size() + 1));
  std::sort(cuts.begin(), cuts.end());
  std::vector<std::string> files;
  for (std::size_t i = 0; i + 1 < cuts.size(); ++i)
    files.push_back(log.substr(cuts[i], cuts[i + 1] - cuts[i]));
  return files;
}

// Every compare rule, keep rule and window, alone and together, with both
// reports and the input cut into several files: the engine's output, reports
// and counts are the plain model's.
TEST(DifferentialTest, RulesAndReportsMatchThePlainModel) {
  const struct {
    const char* name;
    DuplicateRules rules;
  } ruleRows[] = {
      {"plain rules, reports only", {}},
      {"ignore case", {{true, false}}},
      {"ignore spacing", {{false, true}}},
      {"keep last", {{}, KeepRule::Last}},
      {"keep once", {{}, KeepRule::Once}},
      {"keep repeated", {{}, KeepRule::Repeated}},
      {"a window of 30 s", {{}, KeepRule::First, 30}},
      {"both compare rules, keep last", {{true, true}, KeepRule::Last}},
      {"ignore case, keep once", {{true, false}, KeepRule::Once}},
      {"ignore spacing, keep repeated", {{false, true}, KeepRule::Repeated}},
      {"both compare rules, a window of 10 s", {{true, true}, KeepRule::First, 10}},
      {"ignore case, a window of 1 s", {{true, false}, KeepRule::First, 1}},
  };
  const char* const targets[] = {"", "", "n0call", " N0CALL ", "K1", "  "};
  std::mt19937 random(20260311);
  for (std::size_t round = 0; round < 360; ++round) {
    const auto& row = ruleRows[round % std::size(ruleRows)];
    reference::RuledSettings model;
    model.base.packet = random() % 4 != 0;
    model.base.strip = random() % 2;
    model.base.callsign = targets[random() % std::size(targets)];
    model.base.prefixes = random() % 5 != 0;
    model.rules = row.rules;
    model.fold = SimpleCaseFold;
    const LineEnd lineEnd = random() % 2 ? LineEnd::Lf : LineEnd::CrLf;
    model.lineEnd = lineEnd == LineEnd::Lf ? "\n" : "\r\n";
    const std::vector<std::string> files =
        CutIntoFiles(random, RandomRuledLog(random, 1 + random() % 40, model.base.packet));
    const reference::RuledRun expected = reference::FilterByRules(model, files);
    SCOPED_TRACE(::testing::Message()
                 << "round " << round << ", " << row.name
                 << (model.base.packet ? ", packet" : ", text")
                 << (model.base.strip ? ", strip" : "") << ", call '" << model.base.callsign << "'"
                 << (model.base.prefixes ? "" : ", prefixes off") << ", files "
                 << ::testing::PrintToString(files));
    for (const unsigned threads : testing::kThreadRows) {
      SCOPED_TRACE(testing::ThreadsName(threads));
      EngineFixture f;
      f.settings.fileType = model.base.packet ? FileType::Packet : FileType::Text;
      f.settings.strip = model.base.strip;
      f.settings.callsignText = model.base.callsign;
      f.settings.logPrefixes = model.base.prefixes;
      f.settings.lineEnd = lineEnd;
      f.settings.rules = row.rules;
      f.settings.reports = {EngineFixture::Utf8(f.dir / "removed.txt"),
                            EngineFixture::Utf8(f.dir / "counts.csv")};
      testing::WriteBytes(f.settings.inputPath, files[0]);
      for (std::size_t i = 1; i < files.size(); ++i) {
        const std::filesystem::path more = f.dir / ("more" + std::to_string(i) + ".txt");
        testing::WriteBytes(more, files[i]);
        f.settings.moreInputPaths.push_back(EngineFixture::Utf8(more));
      }
      const bool anyKept = expected.written > 0;
      ASSERT_EQ(testing::RunOnThreads(f, threads),
                anyKept ? RunOutcome::Completed : RunOutcome::NothingKept);
      // Nothing kept: neither the output nor a report is written.
      ASSERT_EQ(std::filesystem::exists(f.settings.outputPath), anyKept);
      ASSERT_EQ(std::filesystem::exists(f.settings.reports.countsPath), anyKept);
      ASSERT_EQ(std::filesystem::exists(f.settings.reports.removedPath), anyKept);
      ASSERT_EQ(f.Output(), expected.output);
      ASSERT_EQ(testing::ReadBytes(f.settings.reports.removedPath),
                anyKept ? expected.removed : "");
      ASSERT_EQ(testing::ReadBytes(f.settings.reports.countsPath), anyKept ? expected.counts : "");
      const RunCounts& counts = f.result.counts;
      ASSERT_EQ(counts.linesRead, expected.read);
      ASSERT_EQ(counts.linesSkipped, expected.skipped);
      ASSERT_EQ(counts.linesKept, expected.written);
      ASSERT_EQ(counts.duplicatesRemoved, expected.read - expected.skipped - expected.written);
      ASSERT_EQ(counts.bytesWritten, expected.output.size());
    }
  }
}

// A log big enough to be counted in parts, one per core: the counts and the
// output must be those of the count in one piece on one thread, whatever the
// settings, and whichever way the lines at the cut end.
TEST(DifferentialTest, CountingInPartsCountsAsInOnePiece) {
  const struct {
    bool packet;
    const char* target;  // with spaces: the count's own test of the target
    bool strip;
    bool prefixes;
  } rows[] = {{false, "", false, true},
              {false, "n0call", false, true},
              {true, "", false, true},
              {true, " n0call", true, true},
              {true, "N0", false, false}};
  std::mt19937 random(8);
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.packet ? "packet '" : "text '") + row.target + "'");
    const std::string log = RandomLog(random, 320000);
    ASSERT_GE(log.size(), std::size_t{8} << 20) << "too small to be counted in parts";
    RunCounts counts[2];
    std::string outputs[2];
    for (std::size_t i = 0; i < 2; ++i) {
      EngineFixture f;
      f.settings.logPrefixes = row.prefixes;
      testing::RunOnThreads(f, testing::kThreadRows[i], log, row.packet, row.target, row.strip);
      counts[i] = f.result.counts;
      outputs[i] = f.Output();
    }
    EXPECT_GT(counts[0].linesCounted, 0u);
    EXPECT_TRUE(counts[0] == counts[1])
        << "counted " << counts[0].linesCounted << " against " << counts[1].linesCounted;
    EXPECT_TRUE(outputs[0] == outputs[1]) << "outputs differ";
  }
}

// Enough distinct lines to make the index grow past its first size many times:
// the counting pass sees one line (the log is written in full only once the
// filter begins, as a live log grows), so the index is sized for one. The
// expectation comes from a std::unordered_set, too slow a reference to scan.
TEST(DifferentialTest, LargeLogWithIndexGrowth) {
  std::mt19937 random(7);
  std::string log;
  std::string expectedText;
  std::string expectedPacket;
  std::unordered_set<std::string> seen;
  for (int i = 0; i < 200000; ++i) {
    const std::string payload = std::to_string(random() % 50000);
    log += "N0CALL>APRS,WIDE1-1:" + payload + "\n";
    if (seen.insert(payload).second) {
      expectedText += "N0CALL>APRS,WIDE1-1:" + payload + "\r\n";
      expectedPacket += "N0CALL>APRS:" + payload + "\r\n";
    }
  }
  for (bool packet : {false, true}) {
    EngineFixture f;
    testing::WriteBytes(f.settings.inputPath, "N0CALL>APRS,WIDE1-1:0\n");
    f.settings.fileType = packet ? FileType::Packet : FileType::Text;
    f.settings.strip = packet;
    f.observer.onProgress = [&, grown = false](const RunProgress& progress) mutable {
      if (progress.phase != RunPhase::Filtering || grown) return;
      grown = true;
      testing::WriteBytes(f.settings.inputPath, log);
    };
    testing::RunOnThreads(f, testing::kThreadRows[packet ? 0 : 1]);  // one thread for packet
    EXPECT_EQ(f.Output(), packet ? expectedPacket : expectedText);
  }
}

// Data shapes the index and the kept blocks treat specially, each too big for
// the first-match scan: the expectation keeps each key's first line, by a set.
struct ShapeRow {
  const char* name;
  bool packet;  // packet rows: the key is the text after the first colon
  std::vector<std::string> lines;
};

std::vector<ShapeRow> ShapeRows() {
  std::vector<ShapeRow> rows;
  rows.push_back(
      {"identical lines", false, std::vector<std::string>(100000, "identical line 001")});
  std::vector<std::string> distinct;  // 7919 is invertible modulo the prime 1000003
  for (int i = 0; i < 60000; ++i)
    distinct.emplace_back("line ").append(std::to_string(i * 7919 % 1000003));
  rows.push_back({"all distinct: the index grows many times", false, distinct});
  std::vector<std::string> runs;  // runs of equal payloads under changing headers
  for (int i = 0; i < 60000; ++i)
    runs.emplace_back("K")
        .append(std::to_string(i % 7))
        .append(">APRS:run of repeats ")
        .append(std::to_string(i / 500 % 90));
  rows.push_back({"runs of repeats across read blocks", true, runs});
  std::mt19937 random(11);
  std::vector<std::string> longLines;  // 10-100 KB, and one just beyond a kept block
  for (int i = 0; i < 40; ++i)
    longLines.emplace_back(10000 + random() % 90000 / 20 * 20, static_cast<char>('a' + i % 3));
  longLines.push_back(std::string((4 << 20) + 100, 'z'));
  longLines.push_back(longLines.back());
  rows.push_back({"long lines", false, longLines});
  rows.push_back({"keys alike but for their length",
                  false,
                  {std::string(301, 'x'), std::string(300, 'x'), std::string(300, 'x'),
                   std::string(256, 'x'), std::string(255, 'x'), std::string(255, 'x'), ""}});
  return rows;
}

TEST(DifferentialTest, DataShapesKeepEachKeysFirstLine) {
  for (const ShapeRow& row : ShapeRows()) {
    for (LineEnd end : {LineEnd::CrLf, LineEnd::Lf}) {
      SCOPED_TRACE(std::string(row.name) + (end == LineEnd::Lf ? ", LF" : ", CR LF"));
      const std::string terminator = end == LineEnd::Lf ? "\n" : "\r\n";
      std::string log;
      std::string expected;
      std::unordered_set<std::string> seen;
      for (const std::string& line : row.lines) {
        log.append(line).append("\r\n");
        const std::string key = row.packet ? line.substr(line.find(':') + 1) : line;
        if (seen.insert(key).second) expected.append(line).append(terminator);
      }
      EngineFixture f;
      f.settings.lineEnd = end;
      // Each shape through both filter loops.
      testing::RunOnThreads(f, testing::kThreadRows[end == LineEnd::Lf], log, row.packet);
      EXPECT_TRUE(f.Output() == expected) << "outputs differ";
      EXPECT_EQ(f.result.counts.linesKept, seen.size());
    }
  }
}

}  // namespace
}  // namespace sievra
