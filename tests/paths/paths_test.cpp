#include <gtest/gtest.h>

#include <string>

#include "sievra/paths.h"

namespace sievra {
namespace {

struct PathRow {
  const char* name;
  std::string path;
  std::string fileName;
  std::string folder;
};

std::string Slashed(std::string s) {
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

const PathRow kRows[] = {
    {"nominal: folder and name", R"(C:\logs\today.txt)", "today.txt", R"(C:\logs)"},
    {"nominal: drive root keeps no separator", R"(C:\today.txt)", "today.txt", "C:"},
    {"nominal: bare name has no folder", "today.txt", "today.txt", ""},
    {"nominal: trailing separator gives empty name", R"(C:\logs\)", "", R"(C:\logs)"},
    {"robustness: empty path", "", "", ""},
    {"robustness: separator first gives empty folder", R"(\a.txt)", "a.txt", ""},
    {"nominal: deep folder", R"(C:\a\b\c\d.log)", "d.log", R"(C:\a\b\c)"},
    {"robustness: only a separator", R"(\)", "", ""},
    {"robustness: doubled separator", R"(C:\logs\\x)", "x", R"(C:\logs\)"},
    {"nominal: UTF-8 bytes pass through", "C:\\m\xc3\xa9t\xc3\xa9o\\\xc3\xa9t\xc3\xa9.txt",
     "\xc3\xa9t\xc3\xa9.txt", "C:\\m\xc3\xa9t\xc3\xa9o"},
    {"nominal: mixed separators split at the last", "C:/logs\\sub/x.txt", "x.txt", "C:/logs\\sub"},
};

TEST(PathsTest, SplitsAtLastBackslashAsTabulated) {
  for (const PathRow& row : kRows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FileNameOfPath(row.path), row.fileName);
    EXPECT_EQ(FolderOfPath(row.path), row.folder);
  }
}

TEST(PathsTest, ForwardSlashesSplitTheSameWay) {
  for (const PathRow& row : kRows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FileNameOfPath(Slashed(row.path)), Slashed(row.fileName));
    EXPECT_EQ(FolderOfPath(Slashed(row.path)), Slashed(row.folder));
  }
}

TEST(PathsTest, LinuxPathShowsOnlyTheName) {
  EXPECT_EQ(FileNameOfPath("/home/op/logs/monitor.txt"), "monitor.txt");
  EXPECT_EQ(FolderOfPath("/home/op/logs/monitor.txt"), "/home/op/logs");
}

}  // namespace
}  // namespace sievra

TEST(PathsTest, SiblingPathReplacesOnlyTheNamesLastExtension) {
  struct Row {
    const char* path;
    const char* sibling;
  } const rows[] = {
      {R"(C:\logs\unique.txt)", R"(C:\logs\unique.removed.txt)"},
      {"/home/op/unique", "/home/op/unique.removed.txt"},
      {"/home/op/day.2026.log", "/home/op/day.2026.removed.txt"},
      {R"(C:\my.logs\unique)", R"(C:\my.logs\unique.removed.txt)"},  // a dot in a folder
      {"/home/op/.log", "/home/op/.log.removed.txt"},                // a name that is all dot
      {"unique.txt", "unique.removed.txt"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(sievra::SiblingPath(row.path, ".removed.txt"), row.sibling) << row.path;
}
