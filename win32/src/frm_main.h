#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "control.h"
#include "platform.h"
#include "results_box.h"
#include "sievra/presentation/main_window_model.h"
#include "sievra/presentation/window_layout.h"

namespace sievra::win32 {

class frmHelp;
class frmOptions;

// The user's number format, double-click time and ANSI code page.
MainWindowOptions SystemModelOptions();

// A main-window control's identifier (see LayoutId).
constexpr int ControlId(std::string_view name) { return LayoutId(name, kMainWindowLayout); }
// The results box's line view, which shares rtbResults's place.
inline constexpr int kLineViewId = 100 + static_cast<int>(kMainWindowLayout.size());

// The main window, a thin view of MainWindowModel: it creates the controls,
// forwards their events to the model and copies the model's state onto them.
class frmMain : public MainWindowView {
 public:
  static constexpr const wchar_t* kClassName = L"SievraMain";

  struct Options {
    WindowSeams seams;
    SettingsStore* settings = nullptr;  // null: the user's INI file
    std::wstring helpPath;              // empty: help.rtf in the program's folder
    MainWindowOptions model = SystemModelOptions();
    std::function<void()> closed;  // the window is gone (the program ends)
  };

  // Creates the window, shown and centred, with kFocusAtStart focused;
  // Handle() is null when no window could be created.
  explicit frmMain(Options options);
  ~frmMain() override;
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  HWND Handle() const { return hwnd_; }
  // The control of the layout table's name (rtbResults: the RichEdit).
  HWND ControlHandle(std::string_view name) const;
  MainWindowModel& Model() { return *model_; }
  const ResultsBox& Results() const { return rtbResults; }
  frmHelp* Help() const { return help_; }
  // The Options dialog while it is open, else null.
  frmOptions* OptionsDialog() const { return optionsDialog_; }

  // MainWindowView
  void Render(const MainWindowState& state) override;
  void ShowMessage(std::string_view text) override;
  void ShowResult(const ResultLines& lines, std::size_t firstNewRow) override;
  void ClearResult() override;
  void RunFinished() override;
  // Counts finished runs, for callers that wait for one.
  int FinishedRuns() const { return finishedRuns_; }

 private:
  template <class Window>
  friend LRESULT CALLBACK ObjectProcedure(HWND, UINT, WPARAM, LPARAM);
  LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  Control* Named(std::string_view name);
  void CreateControls();
  void LayoutControls();
  void OnCommand(int id, int notification);
  void OnEdited(int id);
  void OnDrop(HDROP drop);
  void OnActivate(bool active);
  void OnDpiChanged(UINT dpi, LPARAM suggested);
  void OnNcDestroy();
  void RunPostedTask(LPARAM task) const;
  void Browse(bool input);
  void cmdHelp_Click();
  void cmdOptions_Click();
  void Form_Unload();

  Options options_;
  std::unique_ptr<SettingsStore> ownSettings_;
  HWND hwnd_ = nullptr;
  UINT dpi_ = 96;
  HFONT font_ = nullptr;
  FrameCtrl frmInput, frmOutput, frmCallsign, frmPacketorTxt, frmStripPath, frmOutputTxt;
  EditCtrl txtInputFileName, txtOutputFilename, txtKeyPhrase;
  ButtonCtrl cmdBrowseInput, cmdBrowseOutput, cmdStart, cmdHelp, cmdOptions, cmdClose;
  OptionCtrl optPacket, optText, optStripPathYes, optStripPathNo;
  LabelCtrl lblSummary;
  ProgressCtrl prgRun;
  ResultsBox rtbResults;
  std::unique_ptr<MainWindowModel> model_;
  frmHelp* help_ = nullptr;
  frmOptions* optionsDialog_ = nullptr;
  HWND lastFocus_ = nullptr;
  int finishedRuns_ = 0;
  bool unloading_ = false;
  bool rendering_ = false;  // the edit boxes' changes are the model's own text
};

}  // namespace sievra::win32
