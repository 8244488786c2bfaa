// CR and LF in every combination, NUL and 8-bit bytes: the engine splits and
// keeps exactly what the plain model does, and writes every byte back as read.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "first_match_reference.h"
#include "robustness_support.h"
#include "sievra/line_counter.h"
#include "sievra/line_scanner.h"
#include "sievra/upper_case.h"

namespace sievra::robustness {
namespace {

// Every string of at most `maxLength` bytes drawn from `alphabet`.
std::vector<std::string> AllStrings(std::string_view alphabet, std::size_t maxLength) {
  std::vector<std::string> all{""};
  for (std::size_t from = 0; all.back().size() < maxLength;) {
    const std::size_t to = all.size();
    for (std::size_t i = from; i < to; ++i) {
      for (char c : alphabet) all.push_back(all[i] + c);
    }
    from = to;
  }
  return all;
}

std::string Printable(std::string_view bytes) {
  std::string shown;
  for (char c : bytes) shown += c == '\r' ? "<CR>" : c == '\n' ? "<LF>" : std::string(1, c);
  return shown;
}

TEST(LineEndsTest, ScannerSplitsEveryCombinationAndStopsAtTheEnd) {
  for (const std::string& bytes : AllStrings("a\r\n", 7)) {
    SCOPED_TRACE(Printable(bytes));
    LineScanner scanner(bytes.data(), bytes.size());
    std::vector<std::string> lines;
    std::string_view line;
    std::size_t terminator = 0;
    std::size_t consumed = 0;
    while (scanner.Next(line, terminator)) {
      lines.emplace_back(line);
      consumed += line.size() + terminator;
      // Stepping past the end would send the next search through foreign memory.
      ASSERT_LE(scanner.Position(), bytes.data() + bytes.size());
    }
    EXPECT_EQ(consumed, bytes.size());
    EXPECT_EQ(lines, reference::Lines(bytes));
  }
}

TEST(LineEndsTest, CounterGivesOneCountWhereverTheReadsSplitTheFile) {
  const UpperCaser upper;
  for (const std::string& bytes : AllStrings("a\r\n", 7)) {
    SCOPED_TRACE(Printable(bytes));
    for (std::string_view target : {"", "A"}) {
      const std::size_t expected =
          reference::Filter({false, false, std::string(target)}, bytes).counted;
      for (std::size_t split = 0; split <= bytes.size(); ++split) {
        LineCounter counter(upper, target);
        counter.Feed(std::string_view(bytes).substr(0, split));
        counter.Feed(std::string_view(bytes).substr(split));
        EXPECT_EQ(counter.Finish(), expected) << "split at " << split << ", target " << target;
      }
    }
  }
}

TEST(LineEndsTest, BothFiltersReadEveryCombinationAsTheModelDoes) {
  TempDir folder(RamFolderBase());
  const std::string oldOutput = "older output\r\n";
  EngineRig rig(folder / "in.txt", folder / "out.txt");
  for (const std::string& bytes : AllStrings("a:\r\n", 5)) {
    for (bool packet : {false, true}) {
      SCOPED_TRACE(Printable(bytes) + (packet ? " packet" : " text"));
      WriteBytes(folder / "in.txt", bytes);
      WriteBytes(folder / "out.txt", oldOutput);
      rig.Acknowledge();
      const RunOutcome outcome = packet ? rig.RunPacket() : rig.RunText();
      const std::vector<std::string> kept = reference::Filter({packet, false, ""}, bytes).kept;
      EXPECT_EQ(outcome, kept.empty() ? RunOutcome::NothingKept : RunOutcome::Completed);
      EXPECT_EQ(ReadBytes(folder / "out.txt"), kept.empty() ? oldOutput : CrLfLines(kept));
    }
  }
}

TEST(LineEndsTest, LineEndsAcrossTheEngineReadSizeKeepTheirMeaning) {
  // The counting pass and the filter read 1 MiB at a time; put every kind of
  // line end, and a line longer than one read, across those boundaries.
  constexpr std::size_t kRead = std::size_t{1} << 20;
  TempDir folder(RamFolderBase());
  EngineRig rig(folder / "in.txt", folder / "out.txt");
  for (std::string_view end : {"\r\n", "\r", "\n", "\r\r", "\n\r"}) {
    for (std::size_t shift = 0; shift < 4; ++shift) {
      SCOPED_TRACE(Printable(end) + " ending at offset 1 MiB - " + std::to_string(shift));
      std::string bytes(kRead - shift, 'a');
      bytes += std::string(end) + "b:" + std::string(end) + std::string(kRead + 7, 'c') +
               std::string(end) + "b:" + std::string(end) + std::string(kRead - shift, 'a');
      WriteBytes(folder / "in.txt", bytes);
      for (bool packet : {false, true}) {
        const reference::Run expected = reference::Filter({packet, false, ""}, bytes);
        EXPECT_EQ(packet ? rig.RunPacket() : rig.RunText(), RunOutcome::Completed);
        EXPECT_TRUE(ReadBytes(folder / "out.txt") == CrLfLines(expected.kept));
        EXPECT_EQ(rig.result.counts.linesCounted, expected.counted);
      }
    }
  }
}

struct ByteRow {
  const char* name;
  bool packet;
  std::string input;
  std::string output;
};

std::string EveryByteButLineEnds() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) {
    if (b != '\r' && b != '\n') bytes += static_cast<char>(b);
  }
  return bytes;
}

using namespace std::string_literals;

const ByteRow kByteRows[] = {
    {"robustness: NUL inside lines is an ordinary byte", false, "a\0b\r\na\0c\r\na\0b\r\n"s,
     "a\0b\r\na\0c\r\n"s},
    {"robustness: lines of NUL only", false, "\0\n\0\0\n\0\n"s, "\0\r\n\0\0\r\n"s},
    {"robustness: 8-bit letters are not folded", false, "\xe9t\xe9\r\n\xc9T\xc9\r\n\xe9t\xe9\r\n",
     "\xe9t\xe9\r\n\xc9T\xc9\r\n"},
    {"robustness: every byte value survives", false,
     EveryByteButLineEnds() + "\r" + EveryByteButLineEnds(), EveryByteButLineEnds() + "\r\n"},
    {"robustness: payloads differing after a NUL differ", true, "A>B:x\0y\rC>D:x\0z\rE>F:x\0y\r"s,
     "A>B:x\0y\r\nC>D:x\0z\r\n"s},
    {"robustness: 8-bit payload kept byte for byte", true, "A>B,C:" + EveryByteButLineEnds() + "\n",
     "A>B,C:" + EveryByteButLineEnds() + "\r\n"},
};

TEST(LineEndsTest, NulAndEightBitBytesAreKeptAndWrittenAsRead) {
  TempDir folder;
  EngineRig rig(folder / "in.txt", folder / "out.txt");
  for (const ByteRow& row : kByteRows) {
    SCOPED_TRACE(row.name);
    WriteBytes(folder / "in.txt", row.input);
    EXPECT_EQ(row.packet ? rig.RunPacket() : rig.RunText(), RunOutcome::Completed);
    EXPECT_EQ(ReadBytes(folder / "out.txt"), row.output);
  }
}

}  // namespace
}  // namespace sievra::robustness
