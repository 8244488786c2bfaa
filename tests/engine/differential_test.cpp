#include <gtest/gtest.h>

#include <random>
#include <unordered_set>

#include "first_match_reference.h"
#include "test_support.h"

namespace sievra {
namespace {

using testing::EngineFixture;

// The output of the plain first-match scan the indexed filters must agree with.
std::string ReferenceOutput(const std::string& input, bool packet, const std::string& target,
                            bool strip) {
  std::string out;
  for (const std::string& k : reference::Filter({packet, strip, target}, input).kept)
    out += k + "\r\n";
  return out;
}

// Lines drawn from a small vocabulary so that duplicates, shared payloads, cut
// paths and callsign prefixes all happen often.
std::string RandomLog(std::mt19937& random, std::size_t lines) {
  static const char* const kSources[] = {"N0CALL", "n0call-9", "K1ABC", "N0", " N0CALL", ""};
  static const char* const kPaths[] = {"", ",WIDE1-1", ",RELAY*,WIDE2-1", ",qAR,IGATE", ","};
  static const char* const kPayloads[] = {"hi", "Hi", "x,y:z", "x:z", "", ">status", "a b"};
  static const char* const kTerminators[] = {"\r\n", "\n", "\r", "\n\r"};
  auto pick = [&random](const auto& table) {
    return table[random() % (sizeof(table) / sizeof(table[0]))];
  };
  std::string log;
  for (std::size_t i = 0; i < lines; ++i) {
    const unsigned shape = random() % 8;
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
    EngineFixture f;
    const RunOutcome outcome = f.Run(log, packet, target, strip);
    const std::string expected = ReferenceOutput(log, packet, target, strip);
    ASSERT_EQ(f.Output(), expected) << "round " << round << " packet " << packet << " strip "
                                    << strip << " target '" << target << "'";
    ASSERT_EQ(outcome, expected.empty() ? RunOutcome::NothingKept : RunOutcome::Completed);
  }
}

// Enough distinct lines to make the index grow past its first size many times;
// the expectation comes from a std::unordered_set, too slow a reference to scan.
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
    // A callsign in a text run counts no line, so the table starts at its smallest.
    f.Run(log, packet, packet ? "" : "zz", packet);
    EXPECT_EQ(f.Output(), packet ? expectedPacket : expectedText);
  }
}

}  // namespace
}  // namespace sievra
