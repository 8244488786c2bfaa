// Outputs that cannot be written: one clear message, the old output byte for
// byte as it was, no temporary file left beside it, and the next run works.

#include <algorithm>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine_support.h"
#include "robustness_support.h"

namespace sievra::robustness {
namespace {

const std::string kOldOutput = std::string("earlier output \xe9\0\r\n", 18);
const std::string kInput = "b:\ra:\rb:\r";  // the same lines kept in either mode
const std::string kKept = "b:\r\na:\r\n";

std::string DistinctLines(std::size_t bytes) {
  std::string text;
  for (int i = 0; text.size() < bytes; ++i) text += "distinct line " + std::to_string(i) + "\r\n";
  return text;
}

// Runs the small input from `input` into `output`: the kept lines arrive.
void ExpectSmallRunInto(EngineRig& rig, const fs::path& input, const fs::path& output) {
  WriteBytes(input, kInput);
  rig.settings.inputPath = input.string();
  rig.settings.outputPath = output.string();
  rig.Acknowledge();
  EXPECT_EQ(rig.RunText(), RunOutcome::Completed);
  EXPECT_EQ(ReadBytes(output), kKept);
}

// The run stopped with one message naming the output and the reason; nothing
// in `folder` changed; a writable output then works.
void ExpectRefusedThenRecovers(EngineRig& rig, RunOutcome outcome, std::string_view reason,
                               const fs::path& folder, const std::vector<std::string>& names) {
  EXPECT_EQ(outcome, RunOutcome::Failed);
  const std::string& message = MessageOf(rig.result);
  EXPECT_NE(message.find(rig.settings.outputPath), std::string::npos) << message;
  EXPECT_NE(message.find(reason), std::string::npos) << message;
  std::vector<std::string> after;
  for (const auto& entry : fs::directory_iterator(folder)) {
    after.push_back(entry.path().filename().string());
  }
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, names) << "a temporary file was left, or a file went";
  EXPECT_EQ(ReadBytes(folder / "out.txt"), kOldOutput);

  TempDir elsewhere;
  ExpectSmallRunInto(rig, elsewhere / "in.txt", elsewhere / "out.txt");
}

struct UnwritableRow {
  const char* name;
  std::function<fs::path(const TempDir&)> make;  // prepares the folder, returns the output path
  const char* reason;
};

const UnwritableRow kUnwritableRows[] = {
    {"robustness: output folder missing", [](const TempDir& f) { return f / "gone" / "out.txt"; },
     "No such file or directory"},
    {"robustness: output is a folder",
     [](const TempDir& f) {
       fs::create_directory(f / "results");
       return f / "results";
     },
     "Is a directory"},
    {"robustness: output under a file used as a folder",
     [](const TempDir& f) { return f / "out.txt" / "x.txt"; }, "Not a directory"},
};

TEST(OutputFaultTest, UnwritableOutputIsReportedAndNothingChanges) {
  for (const UnwritableRow& row : kUnwritableRows) {
    for (bool packet : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (packet ? " (packet)" : " (text)"));
      TempDir folder;
      WriteBytes(folder / "in.txt", kInput);
      WriteBytes(folder / "out.txt", kOldOutput);
      EngineRig rig(folder / "in.txt", row.make(folder));
      const std::vector<std::string> names = folder.Listing();
      const RunOutcome outcome = packet ? rig.RunPacket(" ", true) : rig.RunText();
      ExpectRefusedThenRecovers(rig, outcome, row.reason, folder.Path(), names);
    }
  }
}

struct PermissionRow {
  const char* name;
  fs::perms folder;
  fs::perms output;
};

const PermissionRow kPermissionRows[] = {
    {"robustness: folder without write permission",
     fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec,
     fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read},
    {"robustness: read-only output file in a writable folder", fs::perms::all,
     fs::perms::owner_read | fs::perms::others_read},
};

TEST(OutputFaultTest, OutputWithoutWritePermissionIsReported) {
  for (const PermissionRow& row : kPermissionRows) {
    SCOPED_TRACE(row.name);
    TempDir folder;
    WriteBytes(folder / "in.txt", kInput);
    WriteBytes(folder / "out.txt", kOldOutput);
    fs::permissions(folder / "out.txt", row.output);
    fs::permissions(folder.Path(), row.folder);
    EngineRig rig(folder / "in.txt", folder / "out.txt");
    const std::vector<std::string> names = folder.Listing();
    RunOutcome outcome;
    {
      WithoutRootRights user;
      if (!user.Failure().empty()) GTEST_SKIP() << user.Failure();
      outcome = rig.RunText();
    }
    ExpectRefusedThenRecovers(rig, outcome, "Permission denied", folder.Path(), names);
  }
}

TEST(OutputFaultTest, FullDiskLeavesTheOldOutputAndNoTemporaryFile) {
  constexpr std::size_t kDiskBytes = 64 * 1024;
  // Small, and over two kept blocks: the disk fills at the end of the run, or
  // while the filter still reads (kept blocks written early, where two cores are).
  const std::size_t inputRows[] = {4 * kDiskBytes, std::size_t{9} << 20};
  for (const std::size_t inputBytes : inputRows) {
    for (const unsigned threads : testing::kThreadRows) {
      SCOPED_TRACE(std::to_string(inputBytes) + " bytes, " + testing::ThreadsName(threads));
      SmallTmpfs disk(kDiskBytes);
      std::optional<TempDir> plainFolder;
      std::optional<FileSizeLimit> limit;
      fs::path folder = disk.Path();
      std::string reason = "No space left on device";
      if (!disk.Failure().empty()) {
        // No mount allowed here: a file size limit makes the very same write fail.
        std::cout << "disk full is a file size limit here (" << disk.Failure() << ")\n";
        plainFolder.emplace();
        folder = plainFolder->Path();
        reason = "File too large";
      }
      TempDir inputs;
      WriteBytes(inputs / "in.txt", DistinctLines(inputBytes));
      WriteBytes(folder / "out.txt", kOldOutput);
      EngineRig rig(inputs / "in.txt", folder / "out.txt");
      const std::vector<std::string> names = {"out.txt"};
      if (plainFolder) limit.emplace(kDiskBytes);
      rig.settings.fileType = FileType::Text;
      const RunOutcome outcome = testing::RunOnThreads(rig, threads);
      limit.reset();
      ExpectRefusedThenRecovers(rig, outcome, reason, folder, names);

      // Once the lines fit, the same output takes them.
      ExpectSmallRunInto(rig, inputs / "small.txt", folder / "out.txt");
    }
  }
}

TEST(OutputFaultTest, ReadOnlyFileSystemIsReported) {
  SmallTmpfs disk(64 * 1024);
  if (!disk.Failure().empty()) GTEST_SKIP() << disk.Failure();
  TempDir inputs;
  WriteBytes(inputs / "in.txt", kInput);
  WriteBytes(disk / "out.txt", kOldOutput);
  ASSERT_TRUE(disk.MakeReadOnly());
  EngineRig rig(inputs / "in.txt", disk / "out.txt");
  ExpectRefusedThenRecovers(rig, rig.RunText(), "Read-only file system", disk.Path(), {"out.txt"});
}

TEST(OutputFaultTest, LongestOutputNameTheSystemAllowsIsWritten) {
  TempDir folder;
  WriteBytes(folder / "in.txt", kInput);
  const std::string name = std::string(251, 'n') + ".txt";  // 255 bytes, the usual limit
  EngineRig rig(folder / "in.txt", folder / name);
  EXPECT_EQ(rig.RunText(), RunOutcome::Completed) << MessageOf(rig.result);
  EXPECT_EQ(ReadBytes(folder / name), kKept);
  EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"in.txt", name}));
}

}  // namespace
}  // namespace sievra::robustness
