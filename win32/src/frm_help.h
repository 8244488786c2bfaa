#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace sievra::win32 {

// The help window: the help document read by RichEdit's own RTF reader, in a
// box kept 50 twips inside the window's corner, 200 twips narrower and 600
// twips shorter than its outer size. It has no owner and closes on its own.
class frmHelp {
 public:
  static constexpr const wchar_t* kClassName = L"SievraHelp";

  // Creates and shows the window with the document at `helpPath`; `closed`
  // runs when the window is gone.
  static frmHelp* Open(std::wstring helpPath, std::function<void()> closed);

  HWND Handle() const { return hwnd_; }
  HWND TextBox() const { return box_; }
  // Brings the open window forward without loading the document again.
  void Raise() const;
  void Close() const;
  // Loads the document (or the sentence saying why it cannot be shown).
  void Load() const;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Fit() const;

  HWND hwnd_ = nullptr;
  HWND box_ = nullptr;
  HFONT font_ = nullptr;
  std::wstring helpPath_;
  std::function<void()> closed_;
};

}  // namespace sievra::win32
