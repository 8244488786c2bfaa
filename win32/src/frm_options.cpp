#include "frm_options.h"

#include <stdexcept>
#include <utility>

#include "platform.h"
#include "text.h"

namespace sievra::win32 {

namespace {
// The keep options' rows follow one another in KeepRule's order.
static_assert(OptionsControlId("optKeepRepeated") - OptionsControlId("optKeepFirst") ==
              static_cast<int>(KeepRule::Repeated));

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
}  // namespace

frmOptions::frmOptions(OptionsDialogModel model, ShowMessage showMessage)
    : model_(std::move(model)), showMessage_(std::move(showMessage)) {}

frmOptions::~frmOptions() { Close(); }

HWND frmOptions::ControlHandle(std::string_view name) const {
  return GetDlgItem(hwnd_, OptionsControlId(name));
}

Control* frmOptions::Named(std::string_view name) {
  const std::pair<std::string_view, Control*> controls[] = {
      {"frmCompare", &frmCompare},
      {"chkIgnoreCase", &chkIgnoreCase},
      {"chkIgnoreSpacing", &chkIgnoreSpacing},
      {"frmKeep", &frmKeep},
      {"optKeepFirst", &optKeepFirst},
      {"optKeepLast", &optKeepLast},
      {"optKeepOnce", &optKeepOnce},
      {"optKeepRepeated", &optKeepRepeated},
      {"lblWindow", &lblWindow},
      {"txtWindow", &txtWindow},
      {"frmReports", &frmReports},
      {"chkRemovedReport", &chkRemovedReport},
      {"chkCountReport", &chkCountReport},
      {"chkFollow", &chkFollow},
      {"cmdOK", &cmdOK},
      {"cmdCancel", &cmdCancel},
  };
  for (const auto& [controlName, control] : controls)
    if (controlName == name) return control;
  throw std::logic_error("a control of the Options dialog's table has no member");
}

bool frmOptions::ShowModal(HWND owner) {
  static const bool registered =
      RegisterWindowClass(kClassName, nullptr, ObjectProcedure<frmOptions>);
  (void)registered;
  if (hwnd_ || !CreateWindowExW(kExStyle, kClassName, Wide(kOptionsDialogCaption).c_str(), kStyle,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner,
                                nullptr, GetModuleHandleW(nullptr), this))
    return false;
  owner_ = owner;
  dpi_ = GetDpiForWindow(hwnd_);
  CreateFromLayout(
      hwnd_, kOptionsDialogLayout,
      [this](const ControlLayout& row, const ControlArgs& args) { Named(row.name)->Create(args); });
  cmdOK.MakeDefault();
  LayoutControls();
  Render();
  CentreInWorkArea(hwnd_, kOptionsClientWidthTwips, kOptionsClientHeightTwips, owner);
  // Disabled only once the dialog stands, so that the focus has somewhere to go.
  EnableWindow(owner, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  SetFocus(ControlHandle(TabOrder(kOptionsDialogLayout).front()));

  MSG message;
  while (hwnd_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // WM_QUIT ends the program's loop too: it is posted again for that loop.
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      Close();
      break;
    }
    // Tab, the arrow keys in option groups, Enter and Esc.
    if (IsDialogMessageW(hwnd_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return accepted_;
}

void frmOptions::Close() {
  if (hwnd_) End(false);
}

// The owner is enabled before the dialog goes, or Windows would activate
// another program's window.
void frmOptions::End(bool accepted) {
  accepted_ = accepted;
  if (owner_) EnableWindow(owner_, TRUE);
  owner_ = nullptr;
  if (hwnd_) DestroyWindow(hwnd_);
}

void frmOptions::LayoutControls() {
  HFONT old = std::exchange(font_, UiFont(dpi_));
  for (const ControlLayout& row : kOptionsDialogLayout) Named(row.name)->Layout(dpi_, font_);
  if (old) DeleteObject(old);
}

void frmOptions::Render() {
  const OptionsDialogState& state = model_.State();
  chkIgnoreCase.SetChecked(state.choices.ignoreCase);
  chkIgnoreSpacing.SetChecked(state.choices.ignoreSpacing);
  for (std::size_t rule = 0; rule < std::size(keepOptions_); ++rule)
    keepOptions_[rule]->SetChecked(state.choices.keep == static_cast<KeepRule>(rule));
  const bool wasRendering = std::exchange(rendering_, true);
  txtWindow.SetText(Wide(state.choices.windowText));
  rendering_ = wasRendering;
  txtWindow.Enable(state.windowEnabled);
  lblWindow.Enable(state.windowEnabled);
  chkRemovedReport.SetChecked(state.choices.removedReport);
  chkCountReport.SetChecked(state.choices.countReport);
  chkFollow.SetChecked(state.choices.follow);
  chkFollow.Enable(state.followEnabled);
}

void frmOptions::OnCommand(int id, int notification) {
  if (notification == EN_CHANGE) {
    if (id == OptionsControlId("txtWindow") && !rendering_)
      model_.txtWindow_Change(Utf8(txtWindow.Text()));
    return;
  }
  if (notification != BN_CLICKED) return;
  switch (id) {
    case IDOK:  // Enter, as IsDialogMessage sends it
    case OptionsControlId("cmdOK"):
      return cmdOK_Click();
    case IDCANCEL:  // Esc
    case OptionsControlId("cmdCancel"):
      return End(false);
    case OptionsControlId("chkIgnoreCase"):
      model_.chkIgnoreCase_Click(chkIgnoreCase.IsChecked());
      break;
    case OptionsControlId("chkIgnoreSpacing"):
      model_.chkIgnoreSpacing_Click(chkIgnoreSpacing.IsChecked());
      break;
    case OptionsControlId("optKeepFirst"):
    case OptionsControlId("optKeepLast"):
    case OptionsControlId("optKeepOnce"):
    case OptionsControlId("optKeepRepeated"):
      model_.optKeep_Click(static_cast<KeepRule>(id - OptionsControlId("optKeepFirst")));
      break;
    case OptionsControlId("chkRemovedReport"):
      model_.chkRemovedReport_Click(chkRemovedReport.IsChecked());
      break;
    case OptionsControlId("chkCountReport"):
      model_.chkCountReport_Click(chkCountReport.IsChecked());
      break;
    case OptionsControlId("chkFollow"):
      model_.chkFollow_Click(chkFollow.IsChecked());
      break;
    default:
      return;
  }
  Render();
}

// A refusal is shown over the dialog, which stays open.
void frmOptions::cmdOK_Click() {
  const std::string refusal = model_.cmdOK_Click();
  if (refusal.empty()) return End(true);
  showMessage_(hwnd_, refusal);
}

LRESULT frmOptions::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      hwnd_ = window;
      break;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case DM_GETDEFID: {
      // Enter presses OK, or Cancel when Cancel has the focus.
      const bool onCancel = GetFocus() == cmdCancel.Handle();
      return MAKELRESULT(OptionsControlId(onCancel ? "cmdCancel" : "cmdOK"), DC_HASDEFID);
    }
    case WM_CLOSE:
      End(false);
      return 0;
    case WM_DPICHANGED:
      dpi_ = HIWORD(wParam);
      FollowDpiChange(window, lParam);
      LayoutControls();
      return 0;
    case WM_DESTROY:
      // However the dialog goes, the window it held is usable again.
      if (owner_) EnableWindow(owner_, TRUE);
      owner_ = nullptr;
      break;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      if (font_) DeleteObject(font_);
      font_ = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace sievra::win32
