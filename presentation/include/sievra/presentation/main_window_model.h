#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sievra/presentation/run_lifecycle.h"
#include "sievra/presentation/wording.h"

namespace sievra {

class ResultLines;

// What a name box shows before a file is chosen.
inline constexpr std::string_view kNoFileYet = "enter filename or hit browse";

enum class FileDialogKind { Open, SaveAs };

// One file dialog as the window must show it. Paths are UTF-8.
struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Open;
  std::string title;          // "Open/Import Data File", "Select or Enter Export Data File"
  std::string filter;         // "Description|*.a;*.b|...|", pairs each ended by '|'
  int filterIndex = 1;        // 1-based, into the filter's pairs
  std::string initialFolder;  // empty: the dialog's own choice
};

// What the Options dialog chooses: how duplicates are judged, which line of
// each is kept, the time window and the reports. Remembered between launches.
struct RunChoices {
  bool ignoreCase = false;     // chkIgnoreCase
  bool ignoreSpacing = false;  // chkIgnoreSpacing
  KeepRule keep = KeepRule::First;
  // txtWindow as typed: empty or a whole number of seconds, 0 for none. Packet
  // runs keeping the first only.
  std::string windowText;
  bool removedReport = false;  // chkRemovedReport: beside the output, e.g. unique.removed.txt
  bool countReport = false;    // chkCountReport: beside the output, e.g. unique.counts.csv
  // chkFollow: after the input's end, keep reading what is appended, showing
  // kept lines as they come, until Stop. Keeping the first only.
  bool follow = false;
  bool operator==(const RunChoices&) const = default;
};

// The reports' names beside the output file: "unique.txt" gives
// "unique.removed.txt" and "unique.counts.csv".
inline constexpr std::string_view kRemovedReportSuffix = ".removed.txt";
inline constexpr std::string_view kCountReportSuffix = ".counts.csv";

// A keep rule's name as remembered and as sievra-cli spells it ("first",
// "last", "once", "repeated"), and back; nullopt for any other name.
std::string_view KeepRuleName(KeepRule keep);
std::optional<KeepRule> KeepRuleNamed(std::string_view name);

// The rules a run uses for these choices: the window only for a Packet run
// keeping the first, and only when its text is a whole number.
DuplicateRules RulesOf(const RunChoices& choices, bool packetMode);

// Everything on the main window that can change, as values the view copies
// onto its controls.
// The name boxes hold what the user typed until a file is chosen; a view sets
// a box's text only when it differs from this.
struct MainWindowState {
  std::string inputBoxText{kNoFileYet};   // txtInputFileName
  std::string outputBoxText{kNoFileYet};  // txtOutputFilename
  std::string callsignText;               // txtKeyPhrase, UTF-8
  bool packetSelected = true;             // optPacket, else optText
  bool stripPath = false;                 // optStripPathYes, else optStripPathNo
  bool callsignVisible = true;            // frmCallsign
  RunChoices choices;                     // the Options dialog's, applied by Start
  // Both Browse buttons, the callsign box, the four options and Options…; off during a run.
  bool choicesEnabled = true;
  std::string startCaption{"Start"};  // "Cancel" during a run; "Stop" while following
  bool running = false;
  bool progressVisible = false;
  int progressPermille = 0;  // the progress bar, 0 to 1000, even-paced across the stages
  // The line below the results box: the last run's summary; before a run,
  // the options that differ from the default.
  std::string summary;
};

// The Options dialog while it is open: its choices as the user left them and
// what it enables. It changes nothing until OK is accepted.
struct OptionsDialogState {
  RunChoices choices;
  bool windowEnabled = true;  // txtWindow and its label: a Packet run keeping the first
  bool followEnabled = true;  // chkFollow: keeping the first
};

// The Options dialog's decisions, toolkit-neutral: the window shows State()
// on the dialog's controls and forwards each click and edit here.
class OptionsDialogModel {
 public:
  OptionsDialogModel(RunChoices choices, bool packetMode);
  const OptionsDialogState& State() const { return state_; }

  void chkIgnoreCase_Click(bool checked);
  void chkIgnoreSpacing_Click(bool checked);
  void optKeep_Click(KeepRule keep);  // optKeepFirst, optKeepLast, optKeepOnce, optKeepRepeated
  void txtWindow_Change(const std::string& text);
  void chkRemovedReport_Click(bool checked);
  void chkCountReport_Click(bool checked);
  void chkFollow_Click(bool checked);
  // OK: empty when the choices can be taken (then pass them to
  // MainWindowModel::OptionsChosen and close the dialog); otherwise the message
  // to show, and the dialog stays open.
  std::string cmdOK_Click() const;

 private:
  void Update();

  OptionsDialogState state_;
  bool packetMode_;
};

// What is remembered between launches, as named values (UTF-8) that both
// windows keep in the same INI form (no registry): where the Open dialog
// starts ("InputFolder") and the Options dialog's choices. The model names the
// keys and reads and writes the values.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::string Value(std::string_view key) const = 0;  // empty when none
  virtual void SetValue(std::string_view key, const std::string& value) = 0;
};

// The key of the folder the Open dialog starts in.
inline constexpr std::string_view kInputFolderKey = "InputFolder";

// What a window does for the model. Every call comes on the UI thread.
class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  // Copies the state onto the controls; called after every change.
  virtual void Render(const MainWindowState& state) = 0;
  // A modal message: OK only, no icon, caption "Sievra"; returns once dismissed.
  virtual void ShowMessage(std::string_view text) = 0;
  // The results box shows `lines`; rows from `firstNewRow` on are new since the
  // last call. 0 starts a new result: replace the content and set the right
  // margin to the box's width + 10000 twips. The lines stay alive until
  // ClearResult.
  virtual void ShowResult(const ResultLines& lines, std::size_t firstNewRow) = 0;
  // Empties the results box and drops every reference to the lines shown.
  virtual void ClearResult() = 0;
  // The run started by Start has ended and its outcome is shown.
  virtual void RunFinished() {}
};

struct MainWindowOptions {
  NumberFormat numbers = PlainNumbers();
  // A Cancel within this time of Start is the second click of a double-click.
  std::chrono::milliseconds doubleClickInterval{500};
  std::function<std::chrono::steady_clock::time_point()> now = std::chrono::steady_clock::now;
  // The callsign as the engine compares it: in the system's 8-bit encoding.
  std::function<std::string(std::string_view utf8)> localEncoding = [](std::string_view utf8) {
    return std::string(utf8);
  };
};

// The main window's state and decisions, toolkit-neutral: each window forwards
// its control events here and shows what Render gives it.
class MainWindowModel {
 public:
  MainWindowModel(MainWindowView& view, SettingsStore& settings, UiDispatcher dispatch,
                  MainWindowOptions options = {});
  // Cancels a run still going and waits for it.
  ~MainWindowModel();

  const MainWindowState& State() const;
  // The run state the handlers keep (UTF-8).
  const std::string& InputPath() const;
  const std::string& InputFolder() const;
  const std::string& OutputPath() const;
  bool PacketMode() const;  // the file type chosen
  // The last run's end as the model was told it (empty before the first).
  const FinishedRun& LastRun() const;

  // cmdBrowseInput_Click / cmdBrowseOutput_Click: the dialog to show; then the
  // chosen full path goes to InputChosen / OutputChosen. A cancelled dialog
  // changes nothing: call nothing.
  FileDialogRequest InputDialog() const;
  FileDialogRequest OutputDialog() const;
  void InputChosen(const std::string& path);
  void OutputChosen(const std::string& path);
  // One local file (not a folder) dropped on the window: on the output chooser
  // it becomes the output file, anywhere else the input file. Ignored during a
  // run. The view filters out folders, several files and anything not a file.
  bool AcceptsDrop() const;
  void FileDropped(const std::string& path, bool onOutputChooser);

  void optPacket_Click();
  void optText_Click();
  void optStripPathYes_Click();
  void optStripPathNo_Click();
  // What the user typed in a box (UTF-8). A name box's text is never used: a
  // run uses only the chosen paths.
  void txtInputFileName_Change(const std::string& text);
  void txtOutputFilename_Change(const std::string& text);
  void txtKeyPhrase_Change(const std::string& text);
  // cmdOptions_Click: the dialog to show, modal, over the current choices.
  OptionsDialogModel OptionsDialog() const;
  // The dialog's OK was accepted: its choices are used by the next Start,
  // remembered, and named on the summary line.
  void OptionsChosen(const RunChoices& choices);
  // Start, or Cancel while a run goes on (not within the double-click interval
  // of Start); Stop while following, which keeps what was written.
  void cmdStart_Click();
  // The window is closing: a run still going is cancelled and waited for, so
  // nothing is lost and no temporary file is left.
  void Form_Unload();

  // The run in the background, for tests that act at an exact stage.
  RunLifecycle& Run();

 private:
  void SetRunning(bool running);
  void ShowProgress(const StageProgress& progress);
  void ShowFollowing(const RunCounts& counts);
  // Whether Start follows the input: chosen, and keeping the first.
  bool Following() const;
  void ShowResultPiece(std::shared_ptr<ResultLines> piece, bool first);
  void ShowFinishedRun(const FinishedRun& run, bool ran);
  // Empties the results box and frees what it held.
  void DropResult();
  void Render() { view_.Render(state_); }
  void RememberChoices() const;
  // The summary line names the options that differ from the default.
  void ShowOptionsNote();

  MainWindowView& view_;
  SettingsStore& settings_;
  const MainWindowOptions options_;
  MainWindowState state_;
  std::string inputPath_;
  std::string inputFolder_;
  std::string outputPath_;
  bool closing_ = false;
  bool showingOptionsNote_ = false;  // the summary line shows OptionsNote, not a run's summary
  bool followingRun_ = false;        // the run going on follows its input until Stop
  std::chrono::steady_clock::time_point startedAt_{};
  FinishedRun lastRun_;
  std::shared_ptr<ResultLines> result_;  // what the results box shows
  RunLifecycle run_;                     // last: gone first, with its worker
};

}  // namespace sievra
