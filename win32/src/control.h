#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace sievra::win32 {

// Sizes and positions are designed in twips, 1440 to the inch, and laid out at
// the DPI of the monitor the window is on.
inline int TwipsToPixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }
inline float PixelsToTwips(int pixels, UINT dpi) {
  return static_cast<float>(pixels) * 1440.0f / static_cast<float>(dpi);
}

// Left, Top, Width, Height in twips within the window's client area.
struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// One native child control and where it belongs in twips; a thin wrapper that
// keeps the window's code close to the control names it is designed with.
class Control {
 public:
  // Creates the control (visible, with WS_CHILD and WS_CLIPSIBLINGS added).
  void Create(HWND parent, const wchar_t* windowClass, std::wstring_view text, DWORD style, int id,
              TwipsRect place, DWORD exStyle = 0);
  HWND Handle() const { return hwnd_; }
  int Id() const { return GetDlgCtrlID(hwnd_); }
  const TwipsRect& Twips() const { return twips_; }
  // Moves and sizes the control to its twips at this DPI, with this font.
  void Layout(UINT dpi, HFONT font) const;
  // Sets the text only when it differs, so that a render does not flicker.
  void SetText(std::wstring_view text) const;
  std::wstring Text() const;
  void Enable(bool enabled) const;
  void Show(bool visible) const;
  bool IsChecked() const;
  // An option's check; only the selected option of a group is a tab stop, so
  // Tab enters the group there.
  void SetChecked(bool checked) const;

 private:
  HWND hwnd_ = nullptr;
  TwipsRect twips_;
};

}  // namespace sievra::win32
