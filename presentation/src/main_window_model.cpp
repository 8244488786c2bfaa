#include "sievra/presentation/main_window_model.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "sievra/paths.h"
#include "sievra/presentation/result_lines.h"

namespace sievra {

namespace {

// The Options dialog's choices as remembered, under these keys beside kInputFolderKey.
constexpr std::string_view kIgnoreCaseKey = "IgnoreCase";
constexpr std::string_view kIgnoreSpacingKey = "IgnoreSpacing";
constexpr std::string_view kKeepKey = "Keep";
constexpr std::string_view kWindowKey = "WindowSeconds";
constexpr std::string_view kRemovedReportKey = "RemovedReport";
constexpr std::string_view kCountReportKey = "CountReport";
constexpr std::string_view kFollowKey = "Follow";

// The keep rules by their names, as remembered and as sievra-cli spells them.
constexpr std::pair<KeepRule, std::string_view> kKeepNames[] = {
    {KeepRule::First, "first"},
    {KeepRule::Last, "last"},
    {KeepRule::Once, "once"},
    {KeepRule::Repeated, "repeated"},
};

// A window's text as seconds: empty is 0; false for anything but a whole number
// that fits, spaces around it allowed.
bool ParseWindow(std::string_view text, std::uint32_t& seconds) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    seconds = 0;
    return true;
  }
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > UINT32_MAX) return false;
  }
  seconds = static_cast<std::uint32_t>(value);
  return true;
}

// Where the bar stands at the start of each stage, in thousandths: roughly each
// stage's share of a run's time, so that the bar moves at an even pace.
constexpr int kStageStart[] = {0, 100, 650, 800, 1000};

}  // namespace

MainWindowModel::MainWindowModel(MainWindowView& view, SettingsStore& settings,
                                 UiDispatcher dispatch, MainWindowOptions options)
    : view_(view),
      settings_(settings),
      options_(std::move(options)),
      run_(
          std::move(dispatch),
          RunLifecycle::Callbacks{[this](const StageProgress& progress) { ShowProgress(progress); },
                                  [this](std::shared_ptr<ResultLines> piece, bool first) {
                                    ShowResultPiece(std::move(piece), first);
                                  },
                                  [this](const FinishedRun& run) { ShowFinishedRun(run, true); },
                                  [this](const RunCounts& counts) { ShowFollowing(counts); }}) {
  RunChoices& choices = state_.choices;
  choices.ignoreCase = settings_.Value(kIgnoreCaseKey) == "1";
  choices.ignoreSpacing = settings_.Value(kIgnoreSpacingKey) == "1";
  choices.keep = KeepRuleNamed(settings_.Value(kKeepKey)).value_or(KeepRule::First);
  choices.windowText = settings_.Value(kWindowKey);
  choices.removedReport = settings_.Value(kRemovedReportKey) == "1";
  choices.countReport = settings_.Value(kCountReportKey) == "1";
  choices.follow = settings_.Value(kFollowKey) == "1";
  ShowOptionsNote();
}

MainWindowModel::~MainWindowModel() = default;

std::string_view KeepRuleName(KeepRule keep) {
  for (const auto& [rule, name] : kKeepNames)
    if (rule == keep) return name;
  return {};
}

std::optional<KeepRule> KeepRuleNamed(std::string_view name) {
  for (const auto& [rule, ruleName] : kKeepNames)
    if (ruleName == name) return rule;
  return std::nullopt;
}

DuplicateRules RulesOf(const RunChoices& choices, bool packetMode) {
  DuplicateRules rules;
  rules.compare = {choices.ignoreCase, choices.ignoreSpacing};
  rules.keep = choices.keep;
  std::uint32_t seconds = 0;
  // A window is a Packet run's, keeping the first; elsewhere its box is off and ignored.
  if (packetMode && choices.keep == KeepRule::First && ParseWindow(choices.windowText, seconds))
    rules.windowSeconds = seconds;
  return rules;
}

OptionsDialogModel::OptionsDialogModel(RunChoices choices, bool packetMode)
    : packetMode_(packetMode) {
  state_.choices = std::move(choices);
  Update();
}

void OptionsDialogModel::chkIgnoreCase_Click(bool checked) { state_.choices.ignoreCase = checked; }
void OptionsDialogModel::chkIgnoreSpacing_Click(bool checked) {
  state_.choices.ignoreSpacing = checked;
}
void OptionsDialogModel::optKeep_Click(KeepRule keep) {
  state_.choices.keep = keep;
  Update();
}
void OptionsDialogModel::txtWindow_Change(const std::string& text) {
  state_.choices.windowText = text;
}
void OptionsDialogModel::chkRemovedReport_Click(bool checked) {
  state_.choices.removedReport = checked;
}
void OptionsDialogModel::chkCountReport_Click(bool checked) {
  state_.choices.countReport = checked;
}
void OptionsDialogModel::chkFollow_Click(bool checked) { state_.choices.follow = checked; }

std::string OptionsDialogModel::cmdOK_Click() const {
  std::uint32_t seconds = 0;
  if (state_.windowEnabled && !ParseWindow(state_.choices.windowText, seconds))
    return "The time window must be a whole number of seconds; leave it empty or 0 for none.";
  return {};
}

void OptionsDialogModel::Update() {
  state_.windowEnabled = packetMode_ && state_.choices.keep == KeepRule::First;
  state_.followEnabled = state_.choices.keep == KeepRule::First;
}

const MainWindowState& MainWindowModel::State() const { return state_; }
const std::string& MainWindowModel::InputPath() const { return inputPath_; }
const std::string& MainWindowModel::InputFolder() const { return inputFolder_; }
const std::string& MainWindowModel::OutputPath() const { return outputPath_; }
bool MainWindowModel::PacketMode() const { return state_.packetSelected; }
const FinishedRun& MainWindowModel::LastRun() const { return lastRun_; }
RunLifecycle& MainWindowModel::Run() { return run_; }

FileDialogRequest MainWindowModel::InputDialog() const {
  return {FileDialogKind::Open, "Open/Import Data File",
          "Text/Data files (*.txt, *.log)|*.txt;*.log|Text files (*.txt)|*.txt|"
          "Data files (*.dat)|*.dat|all files (*.*)|*.*|",
          1, settings_.Value(kInputFolderKey)};
}

FileDialogRequest MainWindowModel::OutputDialog() const {
  return {FileDialogKind::SaveAs, "Select or Enter Export Data File",
          "Text/Log files (*.txt, *.log)|*.txt;*.log|Text files (*.txt)|*.txt|"
          "Log files (*.log)|*.log|all files (*.*)|*.*|",
          2, inputFolder_};
}

void MainWindowModel::InputChosen(const std::string& path) {
  inputPath_ = path;
  inputFolder_ = FolderOfPath(inputPath_);
  state_.inputBoxText = FileNameOfPath(inputPath_);
  settings_.SetValue(kInputFolderKey, inputFolder_);
  Render();
}

void MainWindowModel::OutputChosen(const std::string& path) {
  outputPath_ = path;
  state_.outputBoxText = FileNameOfPath(outputPath_);
  Render();
}

bool MainWindowModel::AcceptsDrop() const { return !state_.running; }

void MainWindowModel::FileDropped(const std::string& path, bool onOutputChooser) {
  if (!AcceptsDrop() || path.empty()) return;
  if (onOutputChooser) {
    OutputChosen(path);
  } else {
    InputChosen(path);
  }
}

void MainWindowModel::optPacket_Click() {
  state_.packetSelected = true;
  state_.callsignVisible = true;
  if (showingOptionsNote_) ShowOptionsNote();  // a window applies to Packet runs only
  Render();
}

void MainWindowModel::optText_Click() {
  state_.packetSelected = false;
  state_.callsignVisible = false;  // the callsign text stays and is still used by Start
  if (showingOptionsNote_) ShowOptionsNote();
  Render();
}

void MainWindowModel::optStripPathYes_Click() {
  state_.stripPath = true;
  Render();
}

void MainWindowModel::optStripPathNo_Click() {
  state_.stripPath = false;
  Render();
}

void MainWindowModel::txtInputFileName_Change(const std::string& text) {
  state_.inputBoxText = text;
}

void MainWindowModel::txtOutputFilename_Change(const std::string& text) {
  state_.outputBoxText = text;
}

void MainWindowModel::txtKeyPhrase_Change(const std::string& text) { state_.callsignText = text; }

OptionsDialogModel MainWindowModel::OptionsDialog() const {
  return OptionsDialogModel(state_.choices, state_.packetSelected);
}

void MainWindowModel::OptionsChosen(const RunChoices& choices) {
  if (state_.running) return;
  state_.choices = choices;
  RememberChoices();
  ShowOptionsNote();  // the last run's summary named the rules it ran by, not these
  Render();
}

void MainWindowModel::RememberChoices() const {
  const RunChoices& choices = state_.choices;
  const auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
  settings_.SetValue(kIgnoreCaseKey, flag(choices.ignoreCase));
  settings_.SetValue(kIgnoreSpacingKey, flag(choices.ignoreSpacing));
  settings_.SetValue(kKeepKey, std::string(KeepRuleName(choices.keep)));
  settings_.SetValue(kWindowKey, choices.windowText);
  settings_.SetValue(kRemovedReportKey, flag(choices.removedReport));
  settings_.SetValue(kCountReportKey, flag(choices.countReport));
  settings_.SetValue(kFollowKey, flag(choices.follow));
}

void MainWindowModel::ShowOptionsNote() {
  state_.summary =
      OptionsNote(RulesOf(state_.choices, state_.packetSelected), state_.choices.removedReport,
                  state_.choices.countReport, Following());
  showingOptionsNote_ = true;
}

void MainWindowModel::cmdStart_Click() {
  if (state_.running) {
    // A double-click on Start must not cancel the run it just started.
    if (options_.now() - startedAt_ >= options_.doubleClickInterval) run_.Cancel();
    return;
  }
  RunSettings settings;
  settings.inputPath = inputPath_;
  settings.outputPath = outputPath_;
  settings.fileType = state_.packetSelected ? FileType::Packet : FileType::Text;
  settings.callsignText = options_.localEncoding(state_.callsignText);
  settings.strip = state_.stripPath;
  settings.rules = RulesOf(state_.choices, state_.packetSelected);
  settings.follow = Following();
  if (state_.choices.removedReport && !outputPath_.empty())
    settings.reports.removedPath = SiblingPath(outputPath_, kRemovedReportSuffix);
  if (state_.choices.countReport && !outputPath_.empty())
    settings.reports.countsPath = SiblingPath(outputPath_, kCountReportSuffix);
  if (settings.inputPath.empty() || settings.outputPath.empty()) {
    // Only the missing-file message: nothing to run in the background.
    ShowFinishedRun(FinishedRun{RunRequest(settings), false, {}, false}, false);
    return;
  }
  DropResult();  // the old result is being replaced
  startedAt_ = options_.now();
  followingRun_ = settings.follow;
  SetRunning(true);
  if (followingRun_) {
    state_.summary = FollowingSummary(RunCounts{}, options_.numbers);
    showingOptionsNote_ = false;
    Render();
  }
  ShowProgress(StageProgress{});
  run_.Start(settings);
}

void MainWindowModel::Form_Unload() {
  closing_ = true;
  run_.CancelAndWait();
}

// While a run goes on, only Cancel, Help, Close and the results box respond.
void MainWindowModel::SetRunning(bool running) {
  state_.running = running;
  state_.choicesEnabled = !running;
  state_.startCaption = !running ? "Start" : followingRun_ ? "Stop" : "Cancel";
  // A followed input has no end to measure against: its counts say how it goes.
  state_.progressVisible = running && !followingRun_;
}

bool MainWindowModel::Following() const {
  return state_.choices.follow && state_.choices.keep == KeepRule::First;
}

void MainWindowModel::ShowFollowing(const RunCounts& counts) {
  if (!state_.running || closing_) return;
  state_.summary = FollowingSummary(counts, options_.numbers);
  Render();
}

void MainWindowModel::ShowProgress(const StageProgress& progress) {
  if (!state_.running || closing_ || followingRun_) return;
  const auto stage = static_cast<std::size_t>(progress.stage);
  const double share = progress.total > 0 ? double(progress.done) / double(progress.total) : 0.0;
  const int span = kStageStart[stage + 1] - kStageStart[stage];
  state_.progressPermille = kStageStart[stage] + static_cast<int>(std::min(1.0, share) * span);
  state_.summary = StageText(progress.stage);
  showingOptionsNote_ = false;
  Render();
}

// The result's lines as they are read: the first piece replaces the (empty)
// content and is painted at once, the others follow below it.
void MainWindowModel::ShowResultPiece(std::shared_ptr<ResultLines> piece, bool first) {
  if (!state_.running || closing_) return;
  if (first || !result_) {
    result_ = std::move(piece);
    view_.ShowResult(*result_, 0);
    return;
  }
  const std::size_t firstNew = result_->RowCount();
  result_->Append(std::move(*piece));
  view_.ShowResult(*result_, firstNew);
}

void MainWindowModel::ShowFinishedRun(const FinishedRun& run, bool ran) {
  if (closing_) return;
  lastRun_ = run;
  SetRunning(false);
  followingRun_ = false;
  const RunResult& result = run.result;
  state_.summary = WindowSummary(run, options_.numbers);
  showingOptionsNote_ = false;
  // Part of a file is not the result: show nothing rather than that.
  if (result.outcome == RunOutcome::Completed && !run.loaded) DropResult();
  Render();
  if (result.outcome == RunOutcome::Completed && !run.loaded && !run.loadCancelled) {
    view_.ShowMessage(ResultNotShownMessage(outputPath_, run.loadError));
  } else if (result.outcome != RunOutcome::Cancelled) {
    // A cancel was asked for: the summary line says so; a box would only repeat it.
    if (const std::string message = OutcomeMessage(result); !message.empty())
      view_.ShowMessage(message);
  }
  if (ran) view_.RunFinished();
}

void MainWindowModel::DropResult() {
  if (!result_) return;
  view_.ClearResult();
  run_.FreeInBackground(std::move(result_));
  result_.reset();
}

}  // namespace sievra
