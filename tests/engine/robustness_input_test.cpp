// Inputs that cannot be read, and logs that change while a run reads them:
// a clear message or the bytes really read, never a crash, and the next run works.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "robustness_support.h"

namespace sievra::robustness {
namespace {

constexpr std::string_view kOldOutput = "output of an earlier run\r\n";

// The run stopped with one message naming the file and the reason; the old
// output, the folder and the results box are as they were; a readable input then works.
void ExpectRefusedThenRecovers(EngineRig& rig, const TempDir& folder, RunOutcome outcome,
                               std::string_view reason) {
  const std::vector<std::string> namesBefore = folder.Listing();
  EXPECT_EQ(outcome, RunOutcome::Failed);
  const std::string& message = MessageOf(rig.result);
  EXPECT_NE(message.find(rig.settings.inputPath), std::string::npos) << message;
  EXPECT_NE(message.find(reason), std::string::npos) << message;
  EXPECT_EQ(ReadBytes(folder / "out.txt"), kOldOutput);
  EXPECT_EQ(folder.Listing(), namesBefore);

  WriteBytes(folder / "good.txt", "a\rb\ra\r");
  rig.settings.inputPath = (folder / "good.txt").string();
  rig.Acknowledge();
  EXPECT_EQ(rig.RunText(), RunOutcome::Completed);
  EXPECT_EQ(ReadBytes(folder / "out.txt"), "a\r\nb\r\n");
  EXPECT_TRUE(MessageOf(rig.result).empty());
}

struct UnreadableRow {
  const char* name;
  std::function<fs::path(const TempDir&)> make;  // creates the input, returns its path
  const char* reason;
};

const UnreadableRow kUnreadableRows[] = {
    {"robustness: input file missing", [](const TempDir& f) { return f / "gone.txt"; },
     "No such file or directory"},
    {"robustness: input folder missing", [](const TempDir& f) { return f / "gone" / "in.txt"; },
     "No such file or directory"},
    {"robustness: input is a folder",
     [](const TempDir& f) {
       fs::create_directory(f / "logs");
       return f / "logs";
     },
     "Is a directory"},
    {"robustness: a file used as a folder",
     [](const TempDir& f) {
       WriteBytes(f / "plain.txt", "x\r\n");
       return f / "plain.txt" / "in.txt";
     },
     "Not a directory"},
};

TEST(InputFaultTest, UnreadableInputIsReportedAndTheNextRunWorks) {
  for (const UnreadableRow& row : kUnreadableRows) {
    for (bool packet : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (packet ? " (packet)" : " (text)"));
      TempDir folder;
      WriteBytes(folder / "out.txt", kOldOutput);
      EngineRig rig(row.make(folder), folder / "out.txt");
      const RunOutcome outcome = packet ? rig.RunPacket("N0CALL", true) : rig.RunText();
      ExpectRefusedThenRecovers(rig, folder, outcome, row.reason);
    }
  }
}

TEST(InputFaultTest, InputWithoutReadPermissionIsReported) {
  TempDir folder;
  fs::permissions(folder.Path(), fs::perms::all);
  WriteBytes(folder / "out.txt", kOldOutput);
  WriteBytes(folder / "in.txt", "secret\r\n");
  fs::permissions(folder / "in.txt", fs::perms::none);
  EngineRig rig(folder / "in.txt", folder / "out.txt");
  RunOutcome outcome;
  {
    WithoutRootRights user;
    if (!user.Failure().empty()) GTEST_SKIP() << user.Failure();
    outcome = rig.RunText();
  }
  ExpectRefusedThenRecovers(rig, folder, outcome, "Permission denied");
}

TEST(InputFaultTest, EmptyInputKeepsNothingAndSaysSo) {
  TempDir folder;
  WriteBytes(folder / "in.txt", "");
  WriteBytes(folder / "out.txt", kOldOutput);
  EngineRig rig(folder / "in.txt", folder / "out.txt");
  for (bool packet : {false, true}) {
    rig.Acknowledge();
    EXPECT_EQ(packet ? rig.RunPacket() : rig.RunText(), RunOutcome::NothingKept);
    EXPECT_EQ(MessageOf(rig.result), "No lines were kept; the output file was not written.");
    EXPECT_EQ(ReadBytes(folder / "out.txt"), kOldOutput);
    EXPECT_EQ(rig.result.counts.linesCounted, 0u);
  }
}

TEST(InputFaultTest, NamedPipeIsRefusedWithoutWaitingForAWriter) {
  TempDir folder;
  WriteBytes(folder / "out.txt", kOldOutput);
  const fs::path pipe = folder / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EngineRig rig(pipe, folder / "out.txt");
  auto run = std::async(std::launch::async, [&rig] { return rig.RunText(); });
  // Generous: this only tells a run that waits for a writer from one that does not.
  if (run.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << "the run waits for a program to write into the pipe";
    ::close(::open(pipe.c_str(), O_WRONLY));  // lets the blocked open return
  }
  ExpectRefusedThenRecovers(rig, folder, run.get(), "Not a regular file");
}

// Address space the process uses now, from /proc; 0 when unknown.
[[maybe_unused]] std::size_t AddressSpaceInUse() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmSize:", 0) == 0) return std::stoul(line.substr(7)) * 1024;  // in kB
  }
  return 0;
}

// Runs in a child process: limits its address space to far less than the input
// needs, runs, shows the messages on stderr and exits 0 when the run failed cleanly.
[[maybe_unused]] [[noreturn]] void RunWithLittleMemory(EngineRig& rig, const fs::path& output) {
  constexpr std::size_t kRoom = 128u << 20;
  const std::size_t inUse = AddressSpaceInUse();
  const rlimit limit{inUse + kRoom, RLIM_INFINITY};
  if (inUse == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0) std::exit(2);
  const RunOutcome outcome = rig.RunText();
  std::fprintf(stderr, "%s\n", MessageOf(rig.result).c_str());
  std::exit(outcome == RunOutcome::Failed && ReadBytes(output) == kOldOutput ? 0 : 1);
}

TEST(InputFaultTest, InputLargerThanTheMemoryLeftIsReported) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves more address space than a limit can leave";
#else
  TempDir folder;
  WriteBytes(folder / "out.txt", kOldOutput);
  WriteBytes(folder / "in.txt", "");
  fs::resize_file(folder / "in.txt", std::size_t{512} << 20);  // sparse: costs no disk
  EngineRig rig(folder / "in.txt", folder / "out.txt");
  EXPECT_EXIT(RunWithLittleMemory(rig, folder / "out.txt"), ::testing::ExitedWithCode(0), "memory");
#endif
}

}  // namespace
}  // namespace sievra::robustness
