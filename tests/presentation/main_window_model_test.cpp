// The main window's decisions, as any window shows them: each event and
// outcome, and what the window must show after it.
#include "sievra/presentation/main_window_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <map>

#include "sievra/presentation/result_lines.h"
#include "task_queue.h"
#include "test_support.h"

namespace sievra {
namespace {

class FakeView : public MainWindowView {
 public:
  void Render(const MainWindowState& state) override {
    shown = state;
    ++renders;
  }
  void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
  void ShowResult(const ResultLines& lines, std::size_t firstNewRow) override {
    if (firstNewRow == 0) rows.clear();
    EXPECT_EQ(firstNewRow, rows.size());
    for (std::size_t row = firstNewRow; row < lines.RowCount(); ++row)
      rows.emplace_back(lines.RowBytes(row));
  }
  void ClearResult() override { rows.clear(); }
  void RunFinished() override { ++finishedRuns; }

  MainWindowState shown;
  int renders = 0;
  std::vector<std::string> messages;
  std::vector<std::string> rows;
  int finishedRuns = 0;
};

class FakeSettings : public SettingsStore {
 public:
  std::string Value(std::string_view key) const override {
    const auto found = values.find(std::string(key));
    return found == values.end() ? std::string() : found->second;
  }
  void SetValue(std::string_view key, const std::string& value) override {
    values[std::string(key)] = value;
  }
  std::map<std::string, std::string> values;
};

struct ModelRig {
  FakeView view;
  FakeSettings settings;
  testing::TaskQueue ui;
  testing::TempDir dir;
  std::chrono::steady_clock::time_point clock{};
  MainWindowModel model{
      view, settings, ui.Dispatcher(),
      MainWindowOptions{PlainNumbers(), std::chrono::milliseconds(500), [this] { return clock; }}};

  // Both files chosen, the input holding `input`, the output "old".
  void ChooseFiles(std::string_view input) {
    testing::WriteBytes(dir / "in.txt", input);
    testing::WriteBytes(dir / "out.txt", "old\r\n");
    model.InputChosen(dir.File("in.txt"));
    model.OutputChosen(dir.File("out.txt"));
  }
  void Start(bool text = true, const std::string& call = "") {
    if (text) {
      model.optText_Click();
    } else {
      model.optPacket_Click();
    }
    model.txtKeyPhrase_Change(call);
    model.cmdStart_Click();
  }
  bool Finish() {
    return ui.RunUntil([this] { return !model.Run().IsRunning(); });
  }
};

TEST(MainWindowModel, ChoosingFiles) {
  ModelRig rig;
  rig.settings.values["InputFolder"] = "C:\\last";
  EXPECT_EQ(rig.model.InputDialog().initialFolder, "C:\\last");
  EXPECT_EQ(rig.model.InputDialog().title, "Open/Import Data File");
  EXPECT_EQ(rig.model.OutputDialog().filterIndex, 2);
  EXPECT_EQ(rig.model.OutputDialog().initialFolder, "");
  rig.model.InputChosen("C:\\logs\\2024\\april.log");
  EXPECT_EQ(rig.view.shown.inputBoxText, "april.log");
  EXPECT_EQ(rig.model.InputFolder(), "C:\\logs\\2024");
  EXPECT_EQ(rig.settings.values["InputFolder"], "C:\\logs\\2024");
  EXPECT_EQ(rig.model.OutputDialog().initialFolder, "C:\\logs\\2024");
  rig.model.OutputChosen("/home/op/out.txt");
  EXPECT_EQ(rig.view.shown.outputBoxText, "out.txt");
  EXPECT_EQ(rig.model.OutputPath(), "/home/op/out.txt");
  EXPECT_EQ(rig.view.shown.inputBoxText, "april.log");
}

TEST(MainWindowModel, DropsChooseFilesExceptDuringARun) {
  ModelRig rig;
  rig.model.FileDropped("/a/in.log", false);
  rig.model.FileDropped("/b/out.log", true);
  EXPECT_EQ(rig.model.InputPath(), "/a/in.log");
  EXPECT_EQ(rig.model.OutputPath(), "/b/out.log");
  rig.ChooseFiles("a\r\n");
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  rig.model.Run().SetWorkerHook([released](const StageProgress&) { released.wait(); });
  rig.Start();
  EXPECT_FALSE(rig.model.AcceptsDrop());
  rig.model.FileDropped("/c/other.log", false);
  EXPECT_EQ(rig.model.InputPath(), rig.dir.File("in.txt"));
  release.set_value();
  ASSERT_TRUE(rig.Finish());
  EXPECT_TRUE(rig.model.AcceptsDrop());
}

// The options are the model's: what the window shows at start, what each
// event changes, and what Start hands the engine.
TEST(MainWindowModel, OptionsAndWhatStartCaptures) {
  struct Row {
    const char* name;
    std::function<void(MainWindowModel&)> act;
    bool packet;
    bool strip;
    bool callsignVisible;
    std::string output;
  };
  const std::string log = "N0CALL>APRS,WIDE1-1:x\r\nK1ABC>APRS:y\r\nN0CALL>APRS:x\r\n";
  const Row rows[] = {
      {"at start: packet, no strip, no callsign", [](MainWindowModel&) {}, true, false, true,
       "N0CALL>APRS,WIDE1-1:x\r\nK1ABC>APRS:y\r\n"},
      {"text", [](MainWindowModel& m) { m.optText_Click(); }, false, false, false,
       "N0CALL>APRS,WIDE1-1:x\r\nK1ABC>APRS:y\r\nN0CALL>APRS:x\r\n"},
      {"text then packet, callsign typed while hidden",
       [](MainWindowModel& m) {
         m.optText_Click();
         m.txtKeyPhrase_Change("n0call");
         m.optPacket_Click();
       },
       true, false, true, "N0CALL>APRS,WIDE1-1:x\r\n"},
      {"strip yes", [](MainWindowModel& m) { m.optStripPathYes_Click(); }, true, true, true,
       "N0CALL>APRS:x\r\nK1ABC>APRS:y\r\n"},
      {"strip yes then no",
       [](MainWindowModel& m) {
         m.optStripPathYes_Click();
         m.optStripPathNo_Click();
       },
       true, false, true, "N0CALL>APRS,WIDE1-1:x\r\nK1ABC>APRS:y\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ModelRig rig;
    rig.ChooseFiles(log);
    row.act(rig.model);
    EXPECT_EQ(rig.view.shown.packetSelected, row.packet);
    EXPECT_EQ(rig.view.shown.stripPath, row.strip);
    EXPECT_EQ(rig.view.shown.callsignVisible, row.callsignVisible);
    rig.model.cmdStart_Click();
    ASSERT_TRUE(rig.Finish());
    EXPECT_EQ(rig.model.PacketMode(), row.packet);
    EXPECT_EQ(testing::ReadBytes(rig.dir / "out.txt"), row.output);
  }
}

// The callsign reaches the engine in the system's 8-bit encoding.
TEST(MainWindowModel, CallsignGoesToTheEngineInTheLocalEncoding) {
  FakeView view;
  FakeSettings settings;
  testing::TaskQueue ui;
  testing::TempDir dir;
  MainWindowOptions options;
  options.localEncoding = [](std::string_view utf8) {
    return utf8 == "\xC3\x89" ? std::string("\xC9") : std::string(utf8);  // É in Latin-1
  };
  MainWindowModel model(view, settings, ui.Dispatcher(), options);
  testing::WriteBytes(dir / "in.txt", "\xC9>APRS:a\r\nK1ABC>APRS:b\r\n");
  model.InputChosen(dir.File("in.txt"));
  model.OutputChosen(dir.File("out.txt"));
  model.txtKeyPhrase_Change("\xC3\x89");
  model.cmdStart_Click();
  ASSERT_TRUE(ui.RunUntil([&] { return !model.Run().IsRunning(); }));
  EXPECT_EQ(testing::ReadBytes(dir / "out.txt"), "\xC9>APRS:a\r\n");
}

TEST(MainWindowModel, WhatEachOutcomeShows) {
  struct Row {
    const char* name;
    std::function<void(ModelRig&)> act;
    std::string summaryStart;
    std::vector<std::string> messages;
    std::vector<std::string> rows;
    std::string output;
  };
  const Row rows[] = {
      {"no input chosen",
       [](ModelRig& rig) { rig.Start(); },
       "Must specify an input file",
       {"Must specify an input file"},
       {},
       ""},
      {"no output chosen",
       [](ModelRig& rig) {
         rig.model.InputChosen(rig.dir.File("in.txt"));
         rig.Start();
       },
       "Must specify an output file",
       {"Must specify an output file"},
       {},
       ""},
      {"completed: the result is shown",
       [](ModelRig& rig) {
         rig.ChooseFiles("b\r\na\r\nb\r\n");
         rig.Start();
       },
       "Read 3 lines; kept 2; removed 1 duplicate in ",
       {},
       {"b", "a"},
       "b\r\na\r\n"},
      {"nothing kept",
       [](ModelRig& rig) {
         rig.ChooseFiles("K1ABC>APRS:x\r\n");
         rig.Start(false, "n0call");
       },
       "Read 1 line; kept none; skipped 1 line not from N0CALL; the output file was not written.",
       {"No lines were kept; the output file was not written."},
       {},
       "old\r\n"},
      {"input unreadable",
       [](ModelRig& rig) {
         rig.ChooseFiles("a\r\n");
         rig.model.InputChosen(rig.dir.File("missing.txt"));
         rig.Start();
       },
       "Cannot read the input file \"",
       {"*Cannot read the input file \""},
       {},
       "old\r\n"},
      {"cancelled: the summary line says so, no message",
       [](ModelRig& rig) {
         rig.ChooseFiles("a\r\n");
         rig.model.Run().SetWorkerHook([&rig](const StageProgress&) { rig.model.Run().Cancel(); });
         rig.Start();
       },
       "The run was cancelled; the output file was not changed.",
       {},
       {},
       "old\r\n"},
      {"the result cannot be read back",
       [](ModelRig& rig) {
         rig.ChooseFiles("a\r\n");
         rig.model.Run().SetWorkerHook([&rig](const StageProgress& p) {
           if (p.stage == RunStage::Loading) std::filesystem::remove(rig.dir / "out.txt");
         });
         rig.Start();
       },
       "Read 1 line; kept 1; removed 0 duplicates in ",
       {"*was written but cannot be shown: "},
       {},
       ""},
      {"Cancel while the result is read",
       [](ModelRig& rig) {
         rig.ChooseFiles("a\r\n");
         rig.model.Run().SetWorkerHook([&rig](const StageProgress& p) {
           if (p.stage == RunStage::Loading) rig.model.Run().Cancel();
         });
         rig.Start();
       },
       "Read 1 line; kept 1; removed 0 duplicates in ",
       {},
       {},
       "a\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ModelRig rig;
    row.act(rig);
    ASSERT_TRUE(rig.Finish());
    const MainWindowState& shown = rig.view.shown;
    EXPECT_EQ(shown.summary.rfind(row.summaryStart, 0), 0u) << shown.summary;
    EXPECT_FALSE(shown.running);
    EXPECT_TRUE(shown.choicesEnabled);
    EXPECT_EQ(shown.startCaption, "Start");
    EXPECT_FALSE(shown.progressVisible);
    ASSERT_EQ(rig.view.messages.size(), row.messages.size());
    for (std::size_t i = 0; i < row.messages.size(); ++i) {
      const std::string& want = row.messages[i];
      if (want.front() == '*') {  // a part of the message, around a path or a reason
        EXPECT_NE(rig.view.messages[i].find(want.substr(1)), std::string::npos)
            << rig.view.messages[i];
      } else {
        EXPECT_EQ(rig.view.messages[i], want);
      }
    }
    EXPECT_EQ(rig.view.rows, row.rows);
    EXPECT_EQ(testing::ReadBytes(rig.dir / "out.txt"), row.output);
  }
}

// Start pressed again and again after trouble: each press shows its message
// once, the earlier result is not passed off as this run's, and once the
// trouble is gone the next press runs normally.
TEST(MainWindowModel, TroubleRepeatsOncePerPressThenClears) {
  struct Row {
    const char* name;
    const char* input;
    const char* output;
    const char* messageStart;
  };
  const Row rows[] = {
      {"input is a folder", "folder", "out.txt", "Cannot read the input file"},
      {"output folder missing", "in.txt", "absent/out.txt", "Cannot write the output file"},
      {"output is a folder", "in.txt", "folder", "Cannot write the output file"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ModelRig rig;
    rig.ChooseFiles("a\r\nb\r\na\r\n");
    std::filesystem::create_directory(rig.dir / "folder");
    rig.Start();
    ASSERT_TRUE(rig.Finish());
    ASSERT_EQ(rig.view.rows, (std::vector<std::string>{"a", "b"}));
    rig.model.InputChosen(rig.dir.File(row.input));
    rig.model.OutputChosen(rig.dir.File(row.output));
    for (std::size_t press = 1; press <= 2; ++press) {
      rig.Start();
      ASSERT_TRUE(rig.Finish());
      ASSERT_EQ(rig.view.messages.size(), press);
      EXPECT_EQ(rig.view.messages.back().rfind(row.messageStart, 0), 0u)
          << rig.view.messages.back();
      EXPECT_EQ(rig.view.messages.back(), rig.view.messages.front());
      EXPECT_TRUE(rig.view.rows.empty());
      EXPECT_EQ(testing::ReadBytes(rig.dir / "out.txt"), "a\r\nb\r\n");
      EXPECT_EQ(rig.dir.Listing(), (std::vector<std::string>{"folder", "in.txt", "out.txt"}));
    }
    rig.model.InputChosen(rig.dir.File("in.txt"));
    rig.model.OutputChosen(rig.dir.File("again.txt"));
    rig.Start();
    ASSERT_TRUE(rig.Finish());
    EXPECT_EQ(rig.view.messages.size(), 2u);
    EXPECT_EQ(rig.view.rows, (std::vector<std::string>{"a", "b"}));
  }
}

TEST(MainWindowModel, DuringARunOnlyCancelResponds) {
  ModelRig rig;
  rig.ChooseFiles("a\r\n");
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  rig.model.Run().SetWorkerHook([released](const StageProgress& p) {
    if (p.stage == RunStage::Counting) released.wait();
  });
  rig.Start();
  const MainWindowState& shown = rig.view.shown;
  EXPECT_TRUE(shown.running);
  EXPECT_FALSE(shown.choicesEnabled);
  EXPECT_EQ(shown.startCaption, "Cancel");
  EXPECT_TRUE(shown.progressVisible);
  EXPECT_EQ(shown.progressPermille, 0);
  EXPECT_EQ(shown.summary, "Counting lines\xE2\x80\xA6");
  // The second click of a double-click on Start does not cancel.
  rig.clock += std::chrono::milliseconds(499);
  rig.model.cmdStart_Click();
  EXPECT_FALSE(rig.model.Run().CancelRequested());
  rig.clock += std::chrono::milliseconds(1);
  rig.model.cmdStart_Click();
  EXPECT_TRUE(rig.model.Run().CancelRequested());
  release.set_value();
  ASSERT_TRUE(rig.Finish());
  EXPECT_EQ(shown.summary, "The run was cancelled; the output file was not changed.");
  EXPECT_EQ(rig.view.finishedRuns, 1);
}

// Cancel at each stage of a run, over an older output and over none: the
// window during the held stage, what the cancel leaves, and the next run. The
// windows' own tests check only that their Cancel reaches this.
TEST(MainWindowModel, CancelAtEachStage) {
  struct Row {
    const char* name;
    RunStage stage;
    bool olderOutput;
  };
  const Row rows[] = {
      {"counting", RunStage::Counting, true},
      {"filtering", RunStage::Filtering, true},
      {"writing", RunStage::Writing, true},
      {"writing, no output yet", RunStage::Writing, false},
      {"loading the result", RunStage::Loading, true},
  };
  std::string input;
  for (int i = 0; i < 30'000; ++i) input += "line " + std::to_string(i % 20'000) + "\r\n";
  std::string deduplicated;
  for (int i = 0; i < 20'000; ++i) deduplicated += "line " + std::to_string(i) + "\r\n";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ModelRig rig;
    rig.ChooseFiles(input);
    if (!row.olderOutput) std::filesystem::remove(rig.dir / "out.txt");
    const std::vector<std::string> before = rig.dir.Listing();
    std::promise<void> reached;
    std::promise<void> cancelAsked;
    std::shared_future<void> asked = cancelAsked.get_future().share();
    rig.model.Run().SetWorkerHook(
        [stage = row.stage, &reached, asked, first = true](const StageProgress& p) mutable {
          if (p.stage != stage || !first) return;
          first = false;
          reached.set_value();
          asked.wait();
        });
    rig.Start();
    reached.get_future().wait();
    ASSERT_TRUE(rig.ui.RunUntil([&] { return rig.view.shown.summary == StageText(row.stage); }));
    EXPECT_TRUE(rig.view.shown.running);
    EXPECT_FALSE(rig.view.shown.choicesEnabled);
    EXPECT_EQ(rig.view.shown.startCaption, "Cancel");
    EXPECT_TRUE(rig.view.shown.progressVisible);
    rig.clock += std::chrono::seconds(1);
    rig.model.cmdStart_Click();
    EXPECT_TRUE(rig.model.Run().CancelRequested());
    cancelAsked.set_value();
    ASSERT_TRUE(rig.Finish());
    const MainWindowState& shown = rig.view.shown;
    EXPECT_FALSE(shown.running);
    EXPECT_TRUE(shown.choicesEnabled);
    EXPECT_EQ(shown.startCaption, "Start");
    EXPECT_FALSE(shown.progressVisible);
    EXPECT_TRUE(rig.view.messages.empty());
    EXPECT_TRUE(rig.view.rows.empty());
    if (row.stage == RunStage::Loading) {
      EXPECT_EQ(testing::ReadBytes(rig.dir / "out.txt"), deduplicated);
      EXPECT_TRUE(shown.summary.ends_with("Loading the result was cancelled.")) << shown.summary;
    } else {
      EXPECT_EQ(std::filesystem::exists(rig.dir / "out.txt"), row.olderOutput);
      if (row.olderOutput) {
        EXPECT_EQ(testing::ReadBytes(rig.dir / "out.txt"), "old\r\n");
      }
      EXPECT_EQ(shown.summary, "The run was cancelled; the output file was not changed.");
      EXPECT_EQ(rig.dir.Listing(), before);  // no temporary file left
    }
    // The next Start runs normally.
    rig.model.Run().SetWorkerHook({});
    rig.model.cmdStart_Click();
    ASSERT_TRUE(rig.Finish());
    EXPECT_EQ(testing::ReadBytes(rig.dir / "out.txt"), deduplicated);
    EXPECT_EQ(rig.view.rows.size(), 20'000u);
  }
}

TEST(MainWindowModel, ProgressMovesEvenlyAcrossTheStages) {
  ModelRig rig;
  rig.ChooseFiles("a\r\n");
  std::vector<int> permille;
  rig.Start();
  ASSERT_TRUE(rig.ui.RunUntil([&] {
    permille.push_back(rig.view.shown.progressPermille);
    return !rig.model.Run().IsRunning();
  }));
  EXPECT_TRUE(std::is_sorted(permille.begin(), permille.end() - 1));
  EXPECT_GE(*(permille.end() - 2), 800);  // loading the result: the last stretch
}

TEST(MainWindowModel, ClosingDuringARunCancelsAndWaits) {
  ModelRig rig;
  rig.ChooseFiles("a\r\n");
  rig.model.Run().SetWorkerHook([](const StageProgress&) {});
  rig.Start();
  rig.model.Form_Unload();
  EXPECT_TRUE(rig.model.Run().CancelRequested());
  const int renders = rig.view.renders;
  rig.ui.RunPending();  // what the worker reported before it stopped is not shown
  EXPECT_EQ(rig.view.renders, renders);
  EXPECT_EQ(rig.view.finishedRuns, 0);
  EXPECT_EQ(rig.dir.Listing(), (std::vector<std::string>{"in.txt", "out.txt"}));
}

TEST(MainWindowModel, ANewRunClearsTheOldResult) {
  ModelRig rig;
  rig.ChooseFiles("a\r\n");
  rig.Start();
  ASSERT_TRUE(rig.Finish());
  EXPECT_EQ(rig.view.rows, std::vector<std::string>{"a"});
  rig.model.Run().SetWorkerHook([&rig](const StageProgress&) { rig.model.Run().Cancel(); });
  rig.Start();
  EXPECT_TRUE(rig.view.rows.empty());
  ASSERT_TRUE(rig.Finish());
  EXPECT_TRUE(rig.view.rows.empty());
}

// What the Options dialog enables and accepts, and what its choices make of a run.
TEST(OptionsDialogModel, EnablesTheWindowAndChecksItsText) {
  struct Row {
    const char* name;
    bool packet;
    KeepRule keep;
    const char* window;
    bool windowEnabled;
    bool accepted;
    std::uint32_t seconds;  // the window a run gets
  };
  const Row rows[] = {
      {"packet, keep first, empty", true, KeepRule::First, "", true, true, 0},
      {"packet, keep first, 30 with spaces", true, KeepRule::First, " 30 ", true, true, 30},
      {"the largest whole number", true, KeepRule::First, "4294967295", true, true, 4294967295u},
      {"too large", true, KeepRule::First, "4294967296", true, false, 0},
      {"not a number", true, KeepRule::First, "thirty", true, false, 0},
      {"negative", true, KeepRule::First, "-5", true, false, 0},
      {"a fraction", true, KeepRule::First, "1.5", true, false, 0},
      {"keep last: the window is off and not checked", true, KeepRule::Last, "x", false, true, 0},
      {"text: the window is off", false, KeepRule::First, "30", false, true, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    OptionsDialogModel dialog(RunChoices{}, row.packet);
    dialog.optKeep_Click(row.keep);
    dialog.txtWindow_Change(row.window);
    EXPECT_EQ(dialog.State().windowEnabled, row.windowEnabled);
    EXPECT_EQ(dialog.cmdOK_Click().empty(), row.accepted);
    if (row.accepted) {
      EXPECT_EQ(RulesOf(dialog.State().choices, row.packet).windowSeconds, row.seconds);
    }
  }
}

// The choices reach the run, are remembered for the next launch and are named
// on the summary line until a run's summary replaces them.
TEST(MainWindowModel, OptionsReachTheRunAndAreRemembered) {
  ModelRig rig;
  EXPECT_EQ(rig.view.shown.summary, "");
  OptionsDialogModel dialog = rig.model.OptionsDialog();
  dialog.chkIgnoreCase_Click(true);
  dialog.optKeep_Click(KeepRule::Last);
  dialog.chkCountReport_Click(true);
  ASSERT_EQ(dialog.cmdOK_Click(), "");
  rig.model.OptionsChosen(dialog.State().choices);
  EXPECT_EQ(rig.view.shown.summary,
            "Options: ignoring case; keeping the last of each; writing the counts");
  EXPECT_EQ(rig.settings.values["Keep"], "last");
  EXPECT_EQ(rig.settings.values["IgnoreCase"], "1");
  EXPECT_EQ(rig.settings.values["CountReport"], "1");

  rig.ChooseFiles("B\r\na\r\nb\r\n");
  rig.Start();
  ASSERT_TRUE(rig.Finish());
  EXPECT_EQ(testing::ReadBytes(rig.dir / "out.txt"), "a\r\nb\r\n");
  EXPECT_EQ(testing::ReadBytes(rig.dir / "out.counts.csv"),
            "line,count,first_line,last_line\r\n2,1,2,2\r\n3,2,1,3\r\n");
  EXPECT_FALSE(std::filesystem::exists(rig.dir / "out.removed.txt"));
  EXPECT_EQ(
      rig.view.shown.summary.rfind(
          "Read 3 lines; kept 2 (the last of each); removed 1 duplicate, ignoring case in ", 0),
      0u)
      << rig.view.shown.summary;

  // The next launch starts with them.
  FakeView view;
  testing::TaskQueue ui;
  MainWindowModel next(view, rig.settings, ui.Dispatcher());
  EXPECT_EQ(next.State().choices, dialog.State().choices);
  EXPECT_EQ(next.State().summary,
            "Options: ignoring case; keeping the last of each; writing the counts");
}

// Following: Start reads Stop, the summary counts as lines come, and Stop
// keeps what was written.
TEST(MainWindowModel, FollowingUntilStop) {
  ModelRig rig;
  OptionsDialogModel dialog = rig.model.OptionsDialog();
  dialog.chkFollow_Click(true);
  EXPECT_TRUE(dialog.State().followEnabled);
  dialog.optKeep_Click(KeepRule::Once);
  EXPECT_FALSE(dialog.State().followEnabled);  // the whole input would never come
  dialog.optKeep_Click(KeepRule::First);
  rig.model.OptionsChosen(dialog.State().choices);
  EXPECT_EQ(rig.view.shown.summary, "Options: watching the input for new lines");
  EXPECT_EQ(rig.settings.values["Follow"], "1");
  rig.ChooseFiles("a\r\nb\r\na\r\n");
  rig.Start();
  EXPECT_EQ(rig.view.shown.startCaption, "Stop");
  EXPECT_FALSE(rig.view.shown.progressVisible);
  ASSERT_TRUE(rig.ui.RunUntil([&] {
    return rig.view.shown.summary ==
           "Watching the input: read 3 lines; kept 2; removed 1 duplicate";
  })) << rig.view.shown.summary;
  rig.clock += std::chrono::seconds(1);  // past the double-click
  rig.model.cmdStart_Click();
  ASSERT_TRUE(rig.Finish());
  EXPECT_EQ(rig.view.shown.startCaption, "Start");
  EXPECT_EQ(rig.view.shown.summary.rfind("Read 3 lines; kept 2; removed 1 duplicate in ", 0), 0u)
      << rig.view.shown.summary;
  EXPECT_TRUE(rig.view.messages.empty());
  EXPECT_EQ(testing::ReadBytes(rig.dir / "out.txt"), "a\r\nb\r\n");
}

}  // namespace
}  // namespace sievra
