#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sievra/presentation/wording.h"
#include "window_rig.h"
#include "windows_test_support.h"

namespace sievra::wintest {
namespace {

using namespace win32;

// A log of a few megabytes, so that every stage reports progress.
std::string BigLog() {
  std::string log;
  for (int i = 0; i < 300000; ++i)
    log += "N0CALL>APRS:frame " + std::to_string(i % 150000) + "\r\n";
  return log;
}

// Holds the worker once it reaches `stage` (setting `reached`) until the run
// is asked to cancel, or 10 s have passed.
void HoldWorkerAt(RunLifecycle& run, RunStage stage, std::atomic<bool>& reached) {
  run.SetWorkerHook([&run, &reached, stage](const StageProgress& progress) {
    if (progress.stage != stage || reached.exchange(true)) return;
    for (int i = 0; i < 2000 && !run.CancelRequested(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  });
}

struct Stage {
  const char* name;
  RunStage stage;
  bool outputWritten;  // Cancel came after the output file was replaced
};

// Cancel at each stage: while the worker waits at the stage, the window shows a
// run (Cancel caption, choices off, bar shown, Help live); the click then stops
// it, nothing is lost and no temporary file is left. What the user types
// meanwhile survives the run's renders.
TEST(MainWindowRun, CancelAtEachStage) {
  ScratchFolder folder(L"win32 cancel");
  const std::string log = BigLog();
  ASSERT_TRUE(WriteBytes(folder.Child(L"in.txt"), log));
  const Stage stages[] = {{"counting", RunStage::Counting, false},
                          {"filtering", RunStage::Filtering, false},
                          {"writing", RunStage::Writing, false},
                          {"loading", RunStage::Loading, true}};
  for (const Stage& row : stages) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(WriteBytes(folder.Child(L"out.txt"), "old\r\n"));
    WindowRig rig;
    rig.ChooseFiles(Utf8(folder.Child(L"in.txt")), Utf8(folder.Child(L"out.txt")));
    std::atomic<bool> reached{false};
    HoldWorkerAt(rig.window->Model().Run(), row.stage, reached);
    rig.Click(kCmdStart);
    ASSERT_TRUE(PumpUntil([&] { return reached.load(); }));
    PumpUntil([&] { return rig.TextOf(kLblSummary) == Wide(StageText(row.stage)); }, 5);
    EXPECT_EQ(rig.TextOf(kCmdStart), L"Cancel");
    for (int id : {kCmdBrowseInput, kCmdBrowseOutput, kTxtKeyPhrase, kOptPacket, kOptText,
                   kOptStripPathYes, kOptStripPathNo})
      EXPECT_FALSE(rig.Enabled(id)) << "control " << id;
    EXPECT_TRUE(rig.Enabled(kCmdHelp));
    EXPECT_TRUE(rig.Enabled(kCmdClose));
    EXPECT_TRUE(rig.Visible(kPrgRun));
    rig.Type(kTxtOutputFilename, "typed during the run");
    const int finished = rig.window->FinishedRuns();
    rig.Click(kCmdStart);
    ASSERT_TRUE(PumpUntil([&] { return rig.window->FinishedRuns() > finished; }));
    const std::string output = ReadBytes(folder.Child(L"out.txt")).value_or("?");
    if (row.outputWritten)
      EXPECT_EQ(output.size(), log.size() / 2);
    else
      EXPECT_TRUE(SameBytes(output, "old\r\n"));
    EXPECT_EQ(folder.Entries(), (std::vector<std::wstring>{L"in.txt", L"out.txt"}));
    EXPECT_EQ(rig.TextOf(kCmdStart), L"Start");
    EXPECT_TRUE(rig.Enabled(kCmdBrowseInput));
    EXPECT_EQ(rig.TextOf(kTxtOutputFilename), L"typed during the run");
    EXPECT_TRUE(rig.messages.empty());
  }
}

// Closing the window mid-run cancels the run and waits: the old output stays
// and nothing temporary is left.
TEST(MainWindowRun, ClosingMidRunLosesNothing) {
  ScratchFolder folder(L"win32 close");
  ASSERT_TRUE(WriteBytes(folder.Child(L"in.txt"), BigLog()));
  ASSERT_TRUE(WriteBytes(folder.Child(L"out.txt"), "old\r\n"));
  WindowRig rig;
  rig.ChooseFiles(Utf8(folder.Child(L"in.txt")), Utf8(folder.Child(L"out.txt")));
  std::atomic<bool> reached{false};
  HoldWorkerAt(rig.window->Model().Run(), RunStage::Filtering, reached);
  bool closed = false;
  rig.Click(kCmdStart);
  ASSERT_TRUE(PumpUntil([&] { return reached.load(); }));
  rig.Click(kCmdClose);
  PumpUntil(
      [&] {
        closed = rig.window->Handle() == nullptr;
        return closed;
      },
      10);
  EXPECT_TRUE(closed);
  EXPECT_TRUE(SameBytes(ReadBytes(folder.Child(L"out.txt")).value_or("?"), "old\r\n"));
  EXPECT_EQ(folder.Entries(), (std::vector<std::wstring>{L"in.txt", L"out.txt"}));
}

}  // namespace
}  // namespace sievra::wintest
