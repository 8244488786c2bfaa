// Cutting a file into parts of whole lines for the counting pass's cores.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "file_parts.h"
#include "first_match_reference.h"
#include "test_support.h"

namespace sievra {
namespace {

// Whether a line begins at `at`: after a LF, or after a CR that no LF follows.
bool BeginsLine(const std::string& text, std::size_t at) {
  if (at == 0) return true;
  const char before = text[at - 1];
  return before == '\n' || (before == '\r' && (at == text.size() || text[at] != '\n'));
}

std::size_t ExpectedStart(const std::string& text, std::size_t offset) {
  std::size_t at = offset;
  while (at < text.size() && !BeginsLine(text, at)) ++at;
  return at;
}

const KeepSearching kGoOn = [] { return true; };

std::string ReadPart(const std::string& path, const FilePart& part) {
  InputFile in;
  EXPECT_FALSE(in.Open(path));
  EXPECT_FALSE(in.Seek(part.begin));
  in.StopAt(part.end);
  std::string bytes;
  char buffer[7];  // odd and small: reads end inside lines and inside CR LF
  for (std::size_t got = 0; !in.Read(buffer, sizeof buffer, got) && got > 0;)
    bytes.append(buffer, got);
  return bytes;
}

// Texts whose cuts land inside CR LF, inside long lines and at a probe's end.
std::vector<std::string> Texts() {
  std::vector<std::string> texts = {"", "a", "\r", "\n", "\r\n", "\n\r", "a\r\nb", "\r\r\n\n"};
  for (const char* tail : {"\r\nb", "\rb", "\r", "\n"}) {
    for (std::size_t n : {4093u, 4094u, 4095u, 4096u, 9000u}) {
      texts.push_back("x\n" + std::string(n, 'a') + tail);
    }
  }
  std::mt19937 random(20261208);
  for (int i = 0; i < 400; ++i) {
    std::string text;
    for (std::size_t n = random() % 40; n > 0; --n) text += "ab\r\n"[random() % 4];
    texts.push_back(text);
  }
  return texts;
}

TEST(FilePartsTest, NextLineStartFindsTheFirstLineBeginningAtOrAfterTheOffsetBeforeTheLimit) {
  testing::TempDir dir;
  const std::string path = dir.File("log.txt");
  for (const std::string& text : Texts()) {
    testing::WriteBytes(path, text);
    InputFile in;
    ASSERT_FALSE(in.Open(path));
    for (std::size_t offset = 0; offset <= text.size(); ++offset) {
      if (offset > 12 && offset + 12 < text.size())
        offset = text.size() - 12;  // long texts: their ends
      // No further than a limit: just past the offset, past a probe, none.
      const std::uint64_t limits[] = {offset + 1, offset + 4097, UINT64_MAX};
      for (const std::uint64_t limit : limits) {
        std::uint64_t start = 0;
        ASSERT_FALSE(NextLineStart(in, offset, limit, kGoOn, start));
        ASSERT_EQ(start, std::min<std::uint64_t>(ExpectedStart(text, offset), limit))
            << "offset " << offset << ", limit " << limit << " of a text of " << text.size();
      }
    }
  }
}

TEST(FilePartsTest, PartsBeginLinesAndTogetherHoldTheFileAndItsLines) {
  testing::TempDir dir;
  const std::string path = dir.File("log.txt");
  for (const std::string& text : Texts()) {
    testing::WriteBytes(path, text);
    for (std::size_t count = 1; count <= 4; ++count) {
      SCOPED_TRACE(std::to_string(count) + " parts of a text of " + std::to_string(text.size()));
      InputFile probe;
      ASSERT_FALSE(probe.Open(path));
      std::vector<FilePart> parts;
      ASSERT_FALSE(CutAtLines(probe, text.size(), count, kGoOn, parts));
      ASSERT_GE(parts.size(), 1u);
      ASSERT_LE(parts.size(), count);
      EXPECT_EQ(parts.front().begin, 0u);
      EXPECT_EQ(parts.back().end, UINT64_MAX);
      std::string whole;
      std::size_t lines = 0;
      for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_TRUE(BeginsLine(text, parts[i].begin)) << "part " << i;
        if (i > 0) {
          EXPECT_EQ(parts[i].begin, parts[i - 1].end);
          EXPECT_LT(parts[i].begin, text.size());
        }
        const std::string bytes = ReadPart(path, parts[i]);
        whole += bytes;
        lines += reference::Lines(bytes).size();
      }
      EXPECT_EQ(whole, text);
      EXPECT_EQ(lines, reference::Lines(text).size());
    }
  }
}

// A cut inside a line longer than a part: the search reads no byte twice, no
// further than the file, asks to go on at least once per MiB, and stops when
// told to.
TEST(FilePartsTest, CutSearchInALongLineReadsEachByteOnceAndCanBeStopped) {
  testing::TempDir dir;
  const std::string path = dir.File("log.txt");
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  const struct {
    const char* name;
    std::string text;
    std::size_t parts;  // expected of four
  } rows[] = {{"no line end", std::string(16 * kMiB, 'a'), 1},
              {"a line over the second cut",
               "a\n" + std::string(9 * kMiB, 'a') + "\n" + std::string(7 * kMiB, '\n'), 3}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::WriteBytes(path, row.text);
    for (const std::size_t stopAfter : {std::size_t{0}, SIZE_MAX}) {
      InputFile probe;
      ASSERT_FALSE(probe.Open(path));
      std::size_t asked = 0;
      std::vector<FilePart> parts;
      const std::error_code ec = CutAtLines(
          probe, row.text.size(), 4, [&] { return asked++ < stopAfter; }, parts);
      if (stopAfter == 0) {
        EXPECT_EQ(ec, std::errc::operation_canceled);
        EXPECT_LE(probe.BytesRead(), kMiB) << "read on after being told to stop";
        continue;
      }
      ASSERT_FALSE(ec);
      EXPECT_EQ(parts.size(), row.parts);
      EXPECT_LE(probe.BytesRead(), row.text.size() * 3 / 4 + 3) << "a byte was read twice";
      EXPECT_GE(asked, probe.BytesRead() / kMiB) << "not asked once per MiB";
    }
  }
}

}  // namespace
}  // namespace sievra
