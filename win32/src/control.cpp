#include "control.h"

namespace sievra::win32 {

void Control::Create(HWND parent, const wchar_t* windowClass, std::wstring_view text, DWORD style,
                     int id, TwipsRect place, DWORD exStyle) {
  twips_ = place;
  const std::wstring caption(text);
  hwnd_ = CreateWindowExW(exStyle, windowClass, caption.c_str(),
                          style | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), nullptr);
}

void Control::Layout(UINT dpi, HFONT font) const {
  MoveWindow(hwnd_, TwipsToPixels(twips_.left, dpi), TwipsToPixels(twips_.top, dpi),
             TwipsToPixels(twips_.width, dpi), TwipsToPixels(twips_.height, dpi), TRUE);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void Control::SetText(std::wstring_view text) const {
  if (Text() == text) return;
  const std::wstring copy(text);
  SetWindowTextW(hwnd_, copy.c_str());
}

std::wstring Control::Text() const {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
  return text;
}

void Control::Enable(bool enabled) const { EnableWindow(hwnd_, enabled); }

void Control::Show(bool visible) const { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }

bool Control::IsChecked() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// Renders come many times a second during a run: a change only, or the
// option would repaint each time.
void Control::SetChecked(bool checked) const {
  if (IsChecked() != checked)
    SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  const auto style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  const auto tabStop = checked ? style | LONG_PTR{WS_TABSTOP} : style & ~LONG_PTR{WS_TABSTOP};
  if (tabStop != style) SetWindowLongPtrW(hwnd_, GWL_STYLE, tabStop);
}

}  // namespace sievra::win32
