#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform.h"

namespace sievra::win32 {

// The help window: the help document read by RichEdit's own RTF reader, in a
// box placed by HelpBoxPlace as the window's size changes. It has no owner
// and closes on its own.
class frmHelp {
 public:
  static constexpr const wchar_t* kClassName = L"SievraHelp";

  // Creates and shows the window with the document at `helpPath`; `closed`
  // runs when the window is gone. Null when no window could be created.
  static frmHelp* Open(std::wstring helpPath, std::function<void()> closed);

  HWND Handle() const { return hwnd_; }
  HWND TextBox() const { return box_; }
  // Brings the open window forward without loading the document again.
  void Raise() const;
  void Close() const;
  // Loads the document (or the sentence saying why it cannot be shown).
  void Load() const;

 private:
  frmHelp(std::wstring helpPath, std::function<void()> closed);
  template <class Window>
  friend LRESULT CALLBACK ObjectProcedure(HWND, UINT, WPARAM, LPARAM);
  LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void CreateBox();
  void Fit() const;

  HWND hwnd_ = nullptr;
  HWND box_ = nullptr;
  bool ownedByWindow_ = false;  // from a successful Open: WM_NCDESTROY frees it
  std::wstring helpPath_;
  std::function<void()> closed_;
};

}  // namespace sievra::win32
