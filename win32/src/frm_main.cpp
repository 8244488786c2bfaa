#include "frm_main.h"

#include <commctrl.h>
#include <shellapi.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "frm_help.h"
#include "frm_options.h"
#include "ini_settings.h"
#include "posting_dispatcher.h"
#include "text.h"

namespace sievra::win32 {

namespace {
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kWindowExStyle = WS_EX_ACCEPTFILES;
}  // namespace

MainWindowOptions SystemModelOptions() {
  MainWindowOptions options;
  options.numbers = UserLocaleNumbers();
  options.doubleClickInterval = std::chrono::milliseconds(GetDoubleClickTime());
  options.localEncoding = [](std::string_view utf8) { return AnsiFromWide(Wide(utf8)); };
  return options;
}

frmMain::frmMain(Options options) : options_(std::move(options)) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  static const bool registered =
      RegisterWindowClass(kClassName, LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)),
                          ObjectProcedure<frmMain>);
  (void)registered;
  if (!options_.settings) {
    ownSettings_ = std::make_unique<IniSettingsStore>();
    options_.settings = ownSettings_.get();
  }
  if (options_.helpPath.empty()) options_.helpPath = ProgramFolder() + L"\\help.rtf";

  if (!CreateWindowExW(kWindowExStyle, kClassName, Wide(kMainWindowCaption).c_str(), kWindowStyle,
                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                       GetModuleHandleW(nullptr), this))
    return;  // no desktop to show a window on: Handle() says so
  dpi_ = GetDpiForWindow(hwnd_);
  CreateControls();
  model_ = std::make_unique<MainWindowModel>(*this, *options_.settings, PostingDispatcher(hwnd_),
                                             options_.model);
  Render(model_->State());
  CentreInWorkArea(hwnd_, kMainClientWidthTwips, kMainClientHeightTwips);
  ShowWindow(hwnd_, SW_SHOW);
  SetFocus(ControlHandle(kFocusAtStart));
}

frmMain::~frmMain() {
  if (hwnd_) Form_Unload();
  model_.reset();
}

HWND frmMain::ControlHandle(std::string_view name) const {
  return GetDlgItem(hwnd_, ControlId(name));
}

Control* frmMain::Named(std::string_view name) {
  const std::pair<std::string_view, Control*> controls[] = {
      {"frmInput", &frmInput},
      {"frmOutput", &frmOutput},
      {"frmCallsign", &frmCallsign},
      {"frmPacketorTxt", &frmPacketorTxt},
      {"frmStripPath", &frmStripPath},
      {"frmOutputTxt", &frmOutputTxt},
      {"txtInputFileName", &txtInputFileName},
      {"txtOutputFilename", &txtOutputFilename},
      {"txtKeyPhrase", &txtKeyPhrase},
      {"cmdBrowseInput", &cmdBrowseInput},
      {"cmdBrowseOutput", &cmdBrowseOutput},
      {"cmdStart", &cmdStart},
      {"cmdHelp", &cmdHelp},
      {"cmdOptions", &cmdOptions},
      {"cmdClose", &cmdClose},
      {"optPacket", &optPacket},
      {"optText", &optText},
      {"optStripPathYes", &optStripPathYes},
      {"optStripPathNo", &optStripPathNo},
      {"lblSummary", &lblSummary},
      {"prgRun", &prgRun},
  };
  for (const auto& [controlName, control] : controls)
    if (controlName == name) return control;
  throw std::logic_error("a control of the layout table has no member");
}

void frmMain::CreateControls() {
  CreateFromLayout(hwnd_, kMainWindowLayout,
                   [this](const ControlLayout& row, const ControlArgs& args) {
                     if (row.kind == ControlKind::ResultsBox)
                       rtbResults.Create(args, kLineViewId);
                     else
                       Named(row.name)->Create(args);
                   });
  LayoutControls();
}

void frmMain::LayoutControls() {
  HFONT old = std::exchange(font_, UiFont(dpi_));
  for (const ControlLayout& row : kMainWindowLayout)
    if (row.kind != ControlKind::ResultsBox) Named(row.name)->Layout(dpi_, font_);
  rtbResults.Layout(dpi_, font_);
  if (old) DeleteObject(old);
}

void frmMain::Render(const MainWindowState& state) {
  const bool wasRendering = std::exchange(rendering_, true);
  txtInputFileName.SetText(Wide(state.inputBoxText));
  txtOutputFilename.SetText(Wide(state.outputBoxText));
  txtKeyPhrase.SetText(Wide(state.callsignText));
  rendering_ = wasRendering;
  optPacket.SetChecked(state.packetSelected);
  optText.SetChecked(!state.packetSelected);
  optStripPathYes.SetChecked(state.stripPath);
  optStripPathNo.SetChecked(!state.stripPath);
  frmCallsign.Show(state.callsignVisible);
  txtKeyPhrase.Show(state.callsignVisible);
  for (const Control* choice : std::initializer_list<const Control*>{
           &cmdBrowseInput, &cmdBrowseOutput, &txtKeyPhrase, &optPacket, &optText, &optStripPathYes,
           &optStripPathNo, &cmdOptions})
    choice->Enable(state.choicesEnabled);
  cmdStart.SetText(Wide(state.startCaption));
  // A disabled control cannot keep the focus: the keyboard would reach nothing.
  if (HWND focus = GetFocus(); focus && GetParent(focus) == hwnd_ && !IsWindowEnabled(focus))
    SetFocus(cmdStart.Handle());
  prgRun.Show(state.progressVisible);
  prgRun.SetPermille(state.progressPermille);
  lblSummary.SetText(Wide(state.summary));
}

void frmMain::ShowMessage(std::string_view text) { options_.seams.showMessage(hwnd_, text); }

void frmMain::ShowResult(const ResultLines& lines, std::size_t firstNewRow) {
  std::uint64_t expected = 0;
  if (firstNewRow == 0) {
    // The result is the output file, read in pieces: its size tells at once
    // which view can show it.
    std::error_code error;
    expected = std::filesystem::file_size(std::filesystem::path(Wide(model_->OutputPath())), error);
    if (error) expected = 0;
  }
  rtbResults.Show(lines, firstNewRow, dpi_, expected);
}

void frmMain::ClearResult() { rtbResults.Clear(); }

void frmMain::RunFinished() { ++finishedRuns_; }

void frmMain::Browse(bool input) {
  const FileDialogRequest request = input ? model_->InputDialog() : model_->OutputDialog();
  const std::optional<std::string> chosen = options_.seams.chooseFile(hwnd_, request);
  if (!chosen) return;  // cancelled: nothing changes
  if (input)
    model_->InputChosen(*chosen);
  else
    model_->OutputChosen(*chosen);
}

void frmMain::OnCommand(int id, int notification) {
  if (!model_) return;
  if (notification == EN_CHANGE) return OnEdited(id);
  if (notification != BN_CLICKED) return;
  switch (id) {
    case ControlId("cmdBrowseInput"):
      return Browse(true);
    case ControlId("cmdBrowseOutput"):
      return Browse(false);
    case ControlId("cmdStart"):
      return model_->cmdStart_Click();
    case ControlId("optPacket"):
      return model_->optPacket_Click();
    case ControlId("optText"):
      return model_->optText_Click();
    case ControlId("optStripPathYes"):
      return model_->optStripPathYes_Click();
    case ControlId("optStripPathNo"):
      return model_->optStripPathNo_Click();
    case ControlId("cmdHelp"):
      return cmdHelp_Click();
    case ControlId("cmdOptions"):
      return cmdOptions_Click();
    case ControlId("cmdClose"):
      PostMessageW(hwnd_, WM_CLOSE, 0, 0);
      return;
    default:
      return;
  }
}

// What the user typed goes to the model; the model's own text, set by Render,
// does not come back as if typed.
void frmMain::OnEdited(int id) {
  if (rendering_) return;
  switch (id) {
    case ControlId("txtInputFileName"):
      return model_->txtInputFileName_Change(Utf8(txtInputFileName.Text()));
    case ControlId("txtOutputFilename"):
      return model_->txtOutputFilename_Change(Utf8(txtOutputFilename.Text()));
    case ControlId("txtKeyPhrase"):
      return model_->txtKeyPhrase_Change(Utf8(txtKeyPhrase.Text()));
    default:
      return;
  }
}

// One local file, not a folder, and not during a run; anything else is ignored.
void frmMain::OnDrop(HDROP drop) {
  if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1 && model_->AcceptsDrop()) {
    std::vector<wchar_t> name(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
    DragQueryFileW(drop, 0, name.data(), static_cast<UINT>(name.size()));
    const DWORD attributes = GetFileAttributesW(name.data());
    POINT point{};
    DragQueryPoint(drop, &point);
    RECT frame{};
    GetWindowRect(frmOutput.Handle(), &frame);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&frame), 2);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      model_->FileDropped(Utf8(name.data()), PtInRect(&frame, point) != FALSE);
  }
  DragFinish(drop);
}

void frmMain::cmdHelp_Click() {
  if (help_) return help_->Raise();
  help_ = frmHelp::Open(options_.helpPath, [this] { help_ = nullptr; });
}

// Modal: the window takes no input until the dialog closes. Its choices count
// only when OK was accepted.
void frmMain::cmdOptions_Click() {
  frmOptions dialog(model_->OptionsDialog(), options_.seams.showMessage);
  optionsDialog_ = &dialog;
  const bool accepted = dialog.ShowModal(hwnd_);
  optionsDialog_ = nullptr;
  if (accepted && !unloading_) model_->OptionsChosen(dialog.Choices());
}

// A run still going is cancelled and waited for (nothing half-written, no
// temporary left); the help window closes with the main window.
void frmMain::Form_Unload() {
  unloading_ = true;
  if (model_) model_->Form_Unload();
  if (help_) help_->Close();
  if (optionsDialog_) optionsDialog_->Close();
  DestroyWindow(hwnd_);
}

LRESULT frmMain::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      hwnd_ = window;
      break;
    case kRunTaskMessage:
      RunPostedTask(lParam);
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_DROPFILES:
      OnDrop(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_CLOSE:
      Form_Unload();
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), lParam);
      return 0;
    case WM_NCDESTROY:
      OnNcDestroy();
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void frmMain::RunPostedTask(LPARAM task) const {
  std::unique_ptr<std::function<void()>> posted(reinterpret_cast<std::function<void()>*>(task));
  if (!unloading_) (*posted)();
}

// The focus returns to the control that had it when the window was left.
void frmMain::OnActivate(bool active) {
  if (!active)
    lastFocus_ = GetFocus();
  else if (lastFocus_ && IsWindow(lastFocus_))
    SetFocus(lastFocus_);
}

void frmMain::OnDpiChanged(UINT dpi, LPARAM suggested) {
  dpi_ = dpi;
  FollowDpiChange(hwnd_, suggested);
  LayoutControls();
}

// Tasks still queued for the window are freed, never run.
void frmMain::OnNcDestroy() {
  MSG queued;
  while (PeekMessageW(&queued, hwnd_, kRunTaskMessage, kRunTaskMessage, PM_REMOVE))
    delete reinterpret_cast<std::function<void()>*>(queued.lParam);
  hwnd_ = nullptr;
  if (font_) DeleteObject(font_);
  font_ = nullptr;
  if (options_.closed) options_.closed();
}

}  // namespace sievra::win32
