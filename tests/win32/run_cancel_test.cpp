#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sievra/presentation/wording.h"
#include "window_rig.h"
#include "windows_test_support.h"

namespace sievra::wintest {
namespace {

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

// A window whose run is held in filtering, over an output holding "old": the
// big log and the old output are in `folder`, Start has been clicked.
struct HeldRun {
  explicit HeldRun(std::wstring_view name) : folder(name) {
    EXPECT_TRUE(WriteBytes(folder.Child(L"in.txt"), BigLog()));
    EXPECT_TRUE(WriteBytes(folder.Child(L"out.txt"), "old\r\n"));
    rig.ChooseFiles(Utf8(folder.Child(L"in.txt")), Utf8(folder.Child(L"out.txt")));
    HoldWorkerAt(rig.window->Model().Run(), RunStage::Filtering, reached);
    rig.Click("cmdStart");
    EXPECT_TRUE(PumpUntil([&] { return reached.load(); }));
  }
  // The old output stands and nothing temporary is left.
  void ExpectOutputUntouched() const {
    EXPECT_TRUE(SameBytes(ReadBytes(folder.Child(L"out.txt")).value_or("?"), "old\r\n"));
    EXPECT_EQ(folder.Entries(), (std::vector<std::wstring>{L"in.txt", L"out.txt"}));
  }

  ScratchFolder folder;
  WindowRig rig;
  std::atomic<bool> reached{false};
};

// Start during a run is Cancel: while the worker waits the window shows the
// run; the click reaches the model, nothing is lost and the window is back at
// Start. What the user types meanwhile survives the run's renders.
TEST(MainWindowRun, StartDuringARunCancelsIt) {
  HeldRun held(L"win32 cancel");
  ASSERT_TRUE(held.reached);
  WindowRig& rig = held.rig;
  PumpUntil([&] { return rig.TextOf("lblSummary") == Wide(StageText(RunStage::Filtering)); }, 5);
  EXPECT_EQ(rig.TextOf("cmdStart"), L"Cancel");
  for (const char* choice : {"cmdBrowseInput", "cmdBrowseOutput", "txtKeyPhrase", "optPacket",
                             "optText", "optStripPathYes", "optStripPathNo", "cmdOptions"})
    EXPECT_FALSE(rig.Enabled(choice)) << choice;
  EXPECT_TRUE(rig.Enabled("cmdHelp"));
  EXPECT_TRUE(rig.Visible("prgRun"));
  rig.Type("txtOutputFilename", "typed during the run");
  const int finished = rig.window->FinishedRuns();
  rig.Click("cmdStart");
  ASSERT_TRUE(PumpUntil([&] { return rig.window->FinishedRuns() > finished; }));
  EXPECT_EQ(rig.window->Model().LastRun().result.outcome, RunOutcome::Cancelled);
  held.ExpectOutputUntouched();
  EXPECT_EQ(rig.TextOf("cmdStart"), L"Start");
  EXPECT_TRUE(rig.Enabled("cmdBrowseInput"));
  EXPECT_FALSE(rig.Visible("prgRun"));
  EXPECT_EQ(rig.TextOf("txtOutputFilename"), L"typed during the run");
  EXPECT_TRUE(rig.messages.empty());
}

// Closing the window mid-run cancels the run and waits: the old output stays
// and nothing temporary is left.
TEST(MainWindowRun, ClosingMidRunLosesNothing) {
  HeldRun held(L"win32 close");
  ASSERT_TRUE(held.reached);
  WindowRig& rig = held.rig;
  bool closed = false;
  rig.Click("cmdClose");
  PumpUntil(
      [&] {
        closed = rig.window->Handle() == nullptr;
        return closed;
      },
      10);
  EXPECT_TRUE(closed);
  held.ExpectOutputUntouched();
}

}  // namespace
}  // namespace sievra::wintest
