#include "control.h"

#include <commctrl.h>

namespace sievra::win32 {

void Control::CreateNative(const ControlArgs& args, const wchar_t* windowClass, DWORD style,
                           DWORD exStyle, void* self) {
  place_ = args.place;
  const std::wstring caption(args.caption);
  if (args.startsGroup) style |= WS_GROUP;
  hwnd_ = CreateWindowExW(exStyle, windowClass, caption.c_str(),
                          style | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, args.parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)),
                          GetModuleHandleW(nullptr), self);
}

void Control::Layout(UINT dpi, HFONT font) const {
  MoveWindow(hwnd_, TwipsToPixels(place_.left, dpi), TwipsToPixels(place_.top, dpi),
             TwipsToPixels(place_.width, dpi), TwipsToPixels(place_.height, dpi), TRUE);
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

void FrameCtrl::Create(const ControlArgs& args) { CreateNative(args, L"BUTTON", BS_GROUPBOX); }

void ButtonCtrl::Create(const ControlArgs& args) {
  CreateNative(args, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON);
}

// The tab stop is added when the option is selected.
void OptionCtrl::Create(const ControlArgs& args) {
  CreateNative(args, L"BUTTON", BS_AUTORADIOBUTTON);
}

bool OptionCtrl::IsChecked() const {
  return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Renders come many times a second during a run: a change only, or the
// option would repaint each time.
void OptionCtrl::SetChecked(bool checked) const {
  if (IsChecked() != checked)
    SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  const auto style = GetWindowLongPtrW(Handle(), GWL_STYLE);
  const auto tabStop = checked ? style | LONG_PTR{WS_TABSTOP} : style & ~LONG_PTR{WS_TABSTOP};
  if (tabStop != style) SetWindowLongPtrW(Handle(), GWL_STYLE, tabStop);
}

void EditCtrl::Create(const ControlArgs& args) {
  CreateNative(args, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
}

void LabelCtrl::Create(const ControlArgs& args) {
  CreateNative(args, L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX);
}

void ProgressCtrl::Create(const ControlArgs& args) {
  CreateNative(args, PROGRESS_CLASSW, 0);
  SendMessageW(Handle(), PBM_SETRANGE32, 0, 1000);
}

void ProgressCtrl::SetPermille(int permille) const {
  SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(permille), 0);
}

}  // namespace sievra::win32
