#include "frm_main.h"

#include <commctrl.h>
#include <shellapi.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "frm_help.h"
#include "ini_settings.h"
#include "posting_dispatcher.h"
#include "text.h"

namespace sievra::win32 {

namespace {
constexpr int kClientWidthTwips = 9615;
// The window grows downward by the summary line and the progress bar below
// the designed controls.
constexpr int kClientHeightTwips = 7200;
// At this size every caption fits its control at the sizes the layout gives.
constexpr int kUiPointSize = 8;
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;

HFONT UiFont(UINT dpi) {
  return CreateFontW(-MulDiv(kUiPointSize, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE,
                     FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg 2");
}

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

  if (!CreateWindowExW(WS_EX_ACCEPTFILES, kClassName, L"Sievra", kWindowStyle, CW_USEDEFAULT,
                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                       GetModuleHandleW(nullptr), this))
    return;  // no desktop to show a window on: Handle() says so
  dpi_ = GetDpiForWindow(hwnd_);
  CreateControls();
  model_ = std::make_unique<MainWindowModel>(*this, *options_.settings, PostingDispatcher(hwnd_),
                                             options_.model);
  Render(model_->State());
  CentreInWorkArea(hwnd_, kClientWidthTwips, kClientHeightTwips);
  ShowWindow(hwnd_, SW_SHOW);
  SetFocus(cmdBrowseInput.Handle());
}

frmMain::~frmMain() {
  if (hwnd_) Form_Unload();
  model_.reset();
}

HWND frmMain::ControlHandle(int id) const { return GetDlgItem(hwnd_, id); }

void frmMain::CreateControls() {
  // The frames' places; the frames themselves are created last, below every
  // control they hold, so that their borders never paint over them.
  const TwipsRect input{90, 90, 5325, 735};
  const TwipsRect output{90, 1035, 5325, 780};
  const TwipsRect callsign{5670, 90, 2850, 735};
  const TwipsRect fileType{5670, 990, 1095, 825};
  const TwipsRect strip{7020, 990, 1500, 825};
  const TwipsRect resultsFrame{90, 1935, 8430, 4560};
  const auto inside = [](const TwipsRect& box, int left, int top, int width, int height) {
    return TwipsRect{box.left + left, box.top + top, width, height};
  };
  const DWORD button = WS_TABSTOP | BS_PUSHBUTTON;
  const DWORD edit = WS_TABSTOP | ES_AUTOHSCROLL;
  // In tab order: Windows moves the focus in the order the controls were created.
  cmdBrowseInput.Create(hwnd_, L"BUTTON", L"Browse", button | WS_GROUP, kCmdBrowseInput,
                        inside(input, 4365, 225, 780, 375));
  txtInputFileName.Create(hwnd_, L"EDIT", Wide(kNoFileYet), edit, kTxtInputFileName,
                          inside(input, 135, 270, 4065, 285), WS_EX_CLIENTEDGE);
  cmdBrowseOutput.Create(hwnd_, L"BUTTON", L"Browse", button, kCmdBrowseOutput,
                         inside(output, 4365, 225, 780, 375));
  txtOutputFilename.Create(hwnd_, L"EDIT", Wide(kNoFileYet), edit, kTxtOutputFilename,
                           inside(output, 90, 270, 4110, 285), WS_EX_CLIENTEDGE);
  results_.Create(hwnd_, kRtbResults, kRtbResultsLines, inside(resultsFrame, 90, 225, 8250, 4245));
  txtKeyPhrase.Create(hwnd_, L"EDIT", L"", edit, kTxtKeyPhrase,
                      inside(callsign, 180, 270, 2535, 285), WS_EX_CLIENTEDGE);
  cmdStart.Create(hwnd_, L"BUTTON", L"Start", button, kCmdStart, {8640, 5265, 870, 510});
  // An option group begins at WS_GROUP and ends at the next control that has it;
  // Tab enters a group at its selected option, the arrow keys move within it.
  const DWORD option = BS_AUTORADIOBUTTON;
  optPacket.Create(hwnd_, L"BUTTON", L"Packet", option | WS_GROUP, kOptPacket,
                   inside(fileType, 90, 225, 870, 330));
  optText.Create(hwnd_, L"BUTTON", L"Text", option, kOptText, inside(fileType, 90, 495, 690, 285));
  cmdHelp.Create(hwnd_, L"BUTTON", L"Help", button | WS_GROUP, kCmdHelp, {8640, 270, 870, 510});
  cmdClose.Create(hwnd_, L"BUTTON", L"Close", button, kCmdClose, {8640, 5940, 870, 510});
  optStripPathYes.Create(hwnd_, L"BUTTON", L"Yes", option | WS_GROUP, kOptStripPathYes,
                         inside(strip, 360, 495, 690, 285));
  optStripPathNo.Create(hwnd_, L"BUTTON", L"No", option, kOptStripPathNo,
                        inside(strip, 360, 225, 690, 285));
  lblSummary.Create(hwnd_, L"STATIC", L"", WS_GROUP | SS_LEFTNOWORDWRAP | SS_NOPREFIX, kLblSummary,
                    {90, 6570, 9420, 255});
  prgRun.Create(hwnd_, PROGRESS_CLASSW, L"", 0, kPrgRun, {90, 6870, 9420, 240});
  SendMessageW(prgRun.Handle(), PBM_SETRANGE32, 0, 1000);
  const DWORD group = BS_GROUPBOX;
  frmInput.Create(hwnd_, L"BUTTON", L"Input File", group, kFrmInput, input);
  frmOutput.Create(hwnd_, L"BUTTON", L"Output File", group, kFrmOutput, output);
  frmCallsign.Create(hwnd_, L"BUTTON", L"Target Callsign", group, kFrmCallsign, callsign);
  frmPacketorTxt.Create(hwnd_, L"BUTTON", L"FileType", group, kFrmPacketorTxt, fileType);
  frmStripPath.Create(hwnd_, L"BUTTON", L"Strip Digi Path", group, kFrmStripPath, strip);
  frmOutputTxt.Create(hwnd_, L"BUTTON", L"Output File", group, kFrmOutputTxt, resultsFrame);
  LayoutControls();
}

void frmMain::LayoutControls() {
  HFONT old = font_;
  font_ = UiFont(dpi_);
  for (const Control* control :
       {&frmInput,        &txtInputFileName, &cmdBrowseInput,  &frmOutput,      &txtOutputFilename,
        &cmdBrowseOutput, &frmCallsign,      &txtKeyPhrase,    &frmPacketorTxt, &optPacket,
        &optText,         &frmStripPath,     &optStripPathYes, &optStripPathNo, &frmOutputTxt,
        &cmdStart,        &cmdHelp,          &cmdClose,        &lblSummary,     &prgRun})
    control->Layout(dpi_, font_);
  results_.Layout(dpi_, font_);
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
  for (const Control* choice : {&cmdBrowseInput, &cmdBrowseOutput, &txtKeyPhrase, &optPacket,
                                &optText, &optStripPathYes, &optStripPathNo})
    choice->Enable(state.choicesEnabled);
  cmdStart.SetText(Wide(state.startCaption));
  // A disabled control cannot keep the focus: the keyboard would reach nothing.
  if (HWND focus = GetFocus(); focus && GetParent(focus) == hwnd_ && !IsWindowEnabled(focus))
    SetFocus(cmdStart.Handle());
  prgRun.Show(state.progressVisible);
  SendMessageW(prgRun.Handle(), PBM_SETPOS, static_cast<WPARAM>(state.progressPermille), 0);
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
  results_.Show(lines, firstNewRow, dpi_, expected);
}

void frmMain::ClearResult() { results_.Clear(); }

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
    case kCmdBrowseInput:
      return Browse(true);
    case kCmdBrowseOutput:
      return Browse(false);
    case kCmdStart:
      return model_->cmdStart_Click();
    case kOptPacket:
      return model_->optPacket_Click();
    case kOptText:
      return model_->optText_Click();
    case kOptStripPathYes:
      return model_->optStripPathYes_Click();
    case kOptStripPathNo:
      return model_->optStripPathNo_Click();
    case kCmdHelp:
      return cmdHelp_Click();
    case kCmdClose:
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
    case kTxtInputFileName:
      return model_->txtInputFileName_Change(Utf8(txtInputFileName.Text()));
    case kTxtOutputFilename:
      return model_->txtOutputFilename_Change(Utf8(txtOutputFilename.Text()));
    case kTxtKeyPhrase:
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

// A run still going is cancelled and waited for (nothing half-written, no
// temporary left); the help window closes with the main window.
void frmMain::Form_Unload() {
  unloading_ = true;
  if (model_) model_->Form_Unload();
  if (help_) help_->Close();
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
