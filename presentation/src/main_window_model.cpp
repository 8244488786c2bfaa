#include "sievra/presentation/main_window_model.h"

#include <algorithm>
#include <utility>

#include "sievra/paths.h"
#include "sievra/presentation/result_lines.h"

namespace sievra {

namespace {

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
                                  [this](const FinishedRun& run) { ShowFinishedRun(run, true); }}) {
}

MainWindowModel::~MainWindowModel() = default;

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
          1, settings_.InputFolder()};
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
  settings_.SetInputFolder(inputFolder_);
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
  Render();
}

void MainWindowModel::optText_Click() {
  state_.packetSelected = false;
  state_.callsignVisible = false;  // the callsign text stays and is still used by Start
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
  if (settings.inputPath.empty() || settings.outputPath.empty()) {
    // Only the missing-file message: nothing to run in the background.
    ShowFinishedRun(FinishedRun{RunRequest(settings), false, {}, false}, false);
    return;
  }
  DropResult();  // the old result is being replaced
  startedAt_ = options_.now();
  SetRunning(true);
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
  state_.startCaption = running ? "Cancel" : "Start";
  state_.progressVisible = running;
}

void MainWindowModel::ShowProgress(const StageProgress& progress) {
  if (!state_.running || closing_) return;
  const auto stage = static_cast<std::size_t>(progress.stage);
  const double share = progress.total > 0 ? double(progress.done) / double(progress.total) : 0.0;
  const int span = kStageStart[stage + 1] - kStageStart[stage];
  state_.progressPermille = kStageStart[stage] + static_cast<int>(std::min(1.0, share) * span);
  state_.summary = StageText(progress.stage);
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
  const RunResult& result = run.result;
  state_.summary = WindowSummary(run, options_.numbers);
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
