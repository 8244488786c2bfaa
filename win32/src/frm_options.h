#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

#include "control.h"
#include "sievra/presentation/main_window_model.h"
#include "sievra/presentation/window_layout.h"

namespace sievra::win32 {

// An Options dialog control's identifier (see LayoutId).
constexpr int OptionsControlId(std::string_view name) {
  return LayoutId(name, kOptionsDialogLayout);
}

// The Options dialog, modal over the main window: built from
// kOptionsDialogLayout, a thin view of OptionsDialogModel. Enter is OK (Cancel
// when the focus is on Cancel), Esc and the close box are Cancel.
class frmOptions {
 public:
  static constexpr const wchar_t* kClassName = L"SievraOptions";
  using ShowMessage = std::function<void(HWND owner, std::string_view text)>;

  // `showMessage` shows OK's refusals, over the dialog.
  frmOptions(OptionsDialogModel model, ShowMessage showMessage);
  ~frmOptions();
  frmOptions(const frmOptions&) = delete;
  frmOptions& operator=(const frmOptions&) = delete;

  // Shows the dialog over `owner`, which takes no input meanwhile, until it is
  // closed; true when it closed by an accepted OK. Once only.
  bool ShowModal(HWND owner);
  // The choices as the user left them.
  const RunChoices& Choices() const { return model_.State().choices; }
  // Closes the dialog as Cancel does.
  void Close();

  HWND Handle() const { return hwnd_; }
  // The control of kOptionsDialogLayout's name.
  HWND ControlHandle(std::string_view name) const;

 private:
  template <class Window>
  friend LRESULT CALLBACK ObjectProcedure(HWND, UINT, WPARAM, LPARAM);
  LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  Control* Named(std::string_view name);
  void LayoutControls();
  void Render();
  void OnCommand(int id, int notification);
  void cmdOK_Click();
  void End(bool accepted);

  OptionsDialogModel model_;
  ShowMessage showMessage_;
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  UINT dpi_ = 96;
  HFONT font_ = nullptr;
  bool accepted_ = false;
  bool rendering_ = false;  // txtWindow's change is the model's own text
  FrameCtrl frmCompare, frmKeep, frmReports;
  CheckBoxCtrl chkIgnoreCase, chkIgnoreSpacing, chkRemovedReport, chkCountReport, chkFollow;
  // In KeepRule's order, as the table lists them.
  OptionCtrl optKeepFirst, optKeepLast, optKeepOnce, optKeepRepeated;
  const OptionCtrl* const keepOptions_[4] = {&optKeepFirst, &optKeepLast, &optKeepOnce,
                                             &optKeepRepeated};
  LabelCtrl lblWindow;
  EditCtrl txtWindow;
  ButtonCtrl cmdOK, cmdCancel;
};

}  // namespace sievra::win32
