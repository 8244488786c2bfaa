// A file read in pieces of any size shows the same lines as read whole: line
// ends, characters and long lines are never cut apart at a piece's edge.
#include "sievra/presentation/result_lines.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace sievra {
namespace {

// The lines as shown: rows joined where a row continues a line.
std::vector<std::string> LinesOf(const ResultLines& lines) {
  std::vector<std::string> shown;
  for (std::size_t row = 0; row < lines.RowCount(); ++row) {
    if (lines.ContinuesLine(row) && !shown.empty()) {
      shown.back() += lines.RowBytes(row);
    } else {
      shown.emplace_back(lines.RowBytes(row));
    }
  }
  return shown;
}

TEST(ResultLines, PiecesReadAsTheWhole) {
  struct Row {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {"CR LF lines", "ab\r\ncd\r\n", {"ab", "cd"}},
      {"every kind of line end", "a\rb\nc\r\nd", {"a", "b", "c", "d"}},
      {"empty lines", "\r\n\r\n\n\r", {"", "", "", ""}},
      {"UTF-8 letters",
       "\xC3\xA9t\xC3\xA9\r\n\xE2\x82\xAC\xF0\x9F\x93\xA1\r\n",
       {"\xC3\xA9t\xC3\xA9", "\xE2\x82\xAC\xF0\x9F\x93\xA1"}},
      {"a line longer than a piece or a row",
       std::string(70'000, 'x') + "\r\ny",
       {std::string(70'000, 'x'), "y"}},
      {"no line end at all", std::string(300, 'z'), {std::string(300, 'z')}},
      {"empty file", "", {}},
  };
  testing::TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(LinesOf(ResultLines(row.bytes)), row.lines);
    testing::WriteBytes(dir / "result.txt", row.bytes);
    for (std::size_t pieceBytes : {1u, 2u, 3u, 5u, 7u, 64u, 1u << 16}) {
      SCOPED_TRACE(pieceBytes);
      ResultLinesReader reader;
      std::string error;
      ASSERT_TRUE(reader.Open(dir.File("result.txt"), error)) << error;
      EXPECT_EQ(reader.Size(), row.bytes.size());
      ResultLines whole;
      for (;;) {
        ResultLines piece;
        ASSERT_TRUE(reader.Next(pieceBytes, piece, error)) << error;
        if (piece.RowCount() == 0) break;
        whole.Append(std::move(piece));
      }
      EXPECT_EQ(whole.ByteCount(), row.bytes.size());
      EXPECT_EQ(LinesOf(whole), row.lines);
    }
  }
}

TEST(ResultLines, LongLineRowsStayShortAndKeepCharactersWhole) {
  // 3-byte characters: a cut at exactly kMaxRowBytes would fall inside one.
  std::string line;
  while (line.size() < 3 * ResultLines::kMaxRowBytes) line += "\xE2\x82\xAC";
  const ResultLines lines(line);
  ASSERT_GT(lines.RowCount(), 2u);
  for (std::size_t row = 0; row < lines.RowCount(); ++row) {
    EXPECT_LE(lines.RowBytes(row).size(), ResultLines::kMaxRowBytes);
    EXPECT_EQ(lines.RowBytes(row).size() % 3, 0u) << "row " << row;
    EXPECT_EQ(lines.ContinuesLine(row), row > 0);
  }
}

TEST(ResultLines, MissingFileSaysWhy) {
  ResultLinesReader reader;
  std::string error;
  testing::TempDir dir;
  EXPECT_FALSE(reader.Open(dir.File("missing.txt"), error));
#ifdef _WIN32
  EXPECT_FALSE(error.empty());
#else
  EXPECT_EQ(error, "No such file or directory");
#endif
}

}  // namespace
}  // namespace sievra
