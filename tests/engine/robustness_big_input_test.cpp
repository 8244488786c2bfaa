// Inputs of extreme shape: one enormous line with no terminator, and millions
// of empty lines. Kept apart from the quick fault tests because they are slow.

#include <string>

#include <gtest/gtest.h>

#include "robustness_support.h"

namespace sievra::robustness {
namespace {

constexpr std::size_t kHugeLineBytes = 100u << 20;
constexpr std::size_t kManyLines = 10'000'000;

// Bytes of every value but CR and LF, in a pattern that does not repeat soon.
std::string HugePayload(std::size_t bytes) {
  std::string payload(bytes, '\0');
  unsigned x = 12345;
  for (char& c : payload) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
    if (c == '\r' || c == '\n') c = ':';
  }
  return payload;
}

std::string Repeated(std::string_view piece, std::size_t times) {
  std::string text(piece);
  while (text.size() < piece.size() * times) text += text;  // doubling: fast even unoptimised
  text.resize(piece.size() * times);
  return text;
}

TEST(BigInputTest, HundredMegabyteLineWithoutTerminatorIsKeptWhole) {
  TempDir folder;
  const std::string frame = "N0CALL>APRS,WIDE1-1,WIDE2-1:" + HugePayload(kHugeLineBytes);
  WriteBytes(folder / "in.txt", frame);
  EngineRig rig(folder / "in.txt", folder / "out.txt");

  ASSERT_EQ(rig.RunText(), RunOutcome::Completed);
  // EXPECT_TRUE, not EXPECT_EQ: a failure must not print 100 MB.
  EXPECT_TRUE(ReadBytes(folder / "out.txt") == frame + "\r\n");

  ASSERT_EQ(rig.RunPacket("n0call", true), RunOutcome::Completed);
  const std::string cut = "N0CALL>APRS" + frame.substr(frame.find(':'));
  EXPECT_TRUE(ReadBytes(folder / "out.txt") == cut + "\r\n");
  EXPECT_EQ(rig.result.counts.linesCounted, 1u);
  EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"in.txt", "out.txt"}));
}

struct ManyLinesRow {
  const char* name;
  std::string_view line;  // with its terminator
  bool packet;
  std::string_view output;
};

const ManyLinesRow kManyLinesRows[] = {
    {"robustness: ten million empty LF lines", "\n", false, "\r\n"},
    {"robustness: ten million empty CR lines", "\r", false, "\r\n"},
    {"robustness: ten million empty CR LF lines", "\r\n", false, "\r\n"},
    {"robustness: ten million frames of an empty payload", ":\r\n", true, ":\r\n"},
};

TEST(BigInputTest, TenMillionEmptyLinesKeepOne) {
  TempDir folder;
  EngineRig rig(folder / "in.txt", folder / "out.txt");
  for (const ManyLinesRow& row : kManyLinesRows) {
    SCOPED_TRACE(row.name);
    WriteBytes(folder / "in.txt", Repeated(row.line, kManyLines));
    rig.Acknowledge();
    ASSERT_EQ(row.packet ? rig.RunPacket() : rig.RunText(), RunOutcome::Completed);
    EXPECT_EQ(ReadBytes(folder / "out.txt"), row.output);
    // The counting pass counted every line; one was kept.
    EXPECT_EQ(rig.result.counts.linesCounted, kManyLines);
    EXPECT_EQ(rig.result.counts.linesKept, 1u);
    EXPECT_EQ(rig.result.counts.duplicatesRemoved, kManyLines - 1);
  }
}

}  // namespace
}  // namespace sievra::robustness
