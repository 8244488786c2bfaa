#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace sievra {
namespace {

namespace fs = std::filesystem;
using testing::EngineFixture;
using testing::ReadBytes;
using testing::WriteBytes;

TEST(OutputTest, ReplacesAnExistingOutputAndLeavesNoTemporary) {
  EngineFixture f;
  WriteBytes(f.dir.File("out.txt"), "a much longer older output that must vanish\r\n");
  EXPECT_EQ(f.Run("b\r\nb\r\n", false), RunOutcome::Completed);
  EXPECT_EQ(f.Output(), "b\r\n");
  EXPECT_EQ(f.dir.Listing(), (std::vector<std::string>{"in.txt", "out.txt"}));
}

TEST(OutputTest, InputChosenAsOutputIsReplacedByItsDistinctLines) {
  EngineFixture f;
  f.settings.inputPath = f.settings.outputPath = f.dir.File("log.txt");
  WriteBytes(f.settings.inputPath, "x\ny\nx\n");
  EXPECT_EQ(f.RunWith("", false, FileType::Text), RunOutcome::Completed);
  EXPECT_EQ(ReadBytes(f.settings.inputPath), "x\r\ny\r\n");
  EXPECT_EQ(f.dir.Listing(), std::vector<std::string>{"log.txt"});
}

#ifndef _WIN32
TEST(OutputTest, KeepsPermissionsAndSymbolicLinkOfTheReplacedFile) {
  EngineFixture f;
  WriteBytes(f.dir.File("real.txt"), "old\r\n");
  fs::permissions(f.dir.File("real.txt"), fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("real.txt", f.dir.File("link.txt"));
  f.settings.inputPath = f.dir.File("in.txt");
  f.settings.outputPath = f.dir.File("link.txt");
  WriteBytes(f.settings.inputPath, "new\r\n");
  EXPECT_EQ(f.RunWith("", false, FileType::Text), RunOutcome::Completed);
  EXPECT_TRUE(fs::is_symlink(f.dir.File("link.txt")));
  EXPECT_EQ(ReadBytes(f.dir.File("real.txt")), "new\r\n");
  EXPECT_EQ(fs::status(f.dir.File("real.txt")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}
#endif

// Every failure names the file and the system's reason, leaves the old output
// byte for byte, leaves no temporary file and lets the next run work.
TEST(OutputTest, FailuresAreMessagesAndLoseNothing) {
  struct Row {
    const char* name;
    const char* input;   // relative to the temporary folder
    const char* output;  // relative to the temporary folder
    const char* expectedStart;
    const char* named;  // the path the message must name
  };
  const Row rows[] = {
      {"input missing", "absent.txt", "out.txt", "Cannot read the input file", "absent.txt"},
      {"input is a folder", "folder", "out.txt", "Cannot read the input file", "folder"},
      {"output folder missing", "in.txt", "nowhere/out.txt", "Cannot write the output file",
       "nowhere/out.txt"},
      {"output is a folder", "in.txt", "folder", "Cannot write the output file", "folder\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EngineFixture f;
    fs::create_directory(f.dir.File("folder"));
    WriteBytes(f.dir.File("in.txt"), "a\r\n");
    WriteBytes(f.dir.File("out.txt"), "old\r\n");
    const auto before = f.dir.Listing();
    f.settings.inputPath = f.dir.File(row.input);
    f.settings.outputPath = f.dir.File(row.output);
    EXPECT_EQ(f.RunWith("", false, FileType::Text), RunOutcome::Failed);
    const std::string& message = MessageOf(f.result);
    EXPECT_EQ(message.rfind(row.expectedStart, 0), 0u) << message;
    EXPECT_NE(message.find(row.named), std::string::npos) << message;
    EXPECT_NE(message.find(": "), std::string::npos) << "no reason given: " << message;
    EXPECT_EQ(ReadBytes(f.dir.File("out.txt")), "old\r\n");
    EXPECT_EQ(f.dir.Listing(), before);

    f.settings.inputPath = f.dir.File("in.txt");
    f.settings.outputPath = f.dir.File("out.txt");
    EXPECT_EQ(f.RunWith("", false, FileType::Text), RunOutcome::Completed);
    EXPECT_EQ(ReadBytes(f.dir.File("out.txt")), "a\r\n");
  }
}

}  // namespace
}  // namespace sievra
