#include "control.h"

#include <commctrl.h>

#include <vector>

#include "text.h"

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

void ButtonCtrl::MakeDefault() const {
  SendMessageW(Handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

bool CheckableCtrl::IsChecked() const {
  return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckableCtrl::SetCheck(bool checked) const {
  if (IsChecked() != checked)
    SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CheckBoxCtrl::Create(const ControlArgs& args) {
  CreateNative(args, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX);
}

// The tab stop is added when the option is selected.
void OptionCtrl::Create(const ControlArgs& args) {
  CreateNative(args, L"BUTTON", BS_AUTORADIOBUTTON);
}

void OptionCtrl::SetChecked(bool checked) const {
  SetCheck(checked);
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

HFONT UiFont(UINT dpi) {
  return CreateFontW(-MulDiv(kUiPointSize, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE,
                     FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg 2");
}

namespace {
// Windows moves the focus in the order the controls were created: the tab
// stops first, in tab order, then the rest, and the frames last, below the
// controls they hold, so that their borders never paint over them.
std::vector<ControlLayout> CreationOrder(std::span<const ControlLayout> layout) {
  std::vector<ControlLayout> order;
  for (std::string_view name : TabOrder(layout)) order.push_back(*FindControl(name, layout));
  for (const ControlLayout& row : layout)
    if (row.tabIndex < 0 && row.kind != ControlKind::Frame) order.push_back(row);
  for (const ControlLayout& row : layout)
    if (row.kind == ControlKind::Frame) order.push_back(row);
  return order;
}

// A group of the keyboard interface begins at the first control, at each
// group of options and at the control after one: Tab enters an option group
// at its selected option, the arrow keys move within it, and clicking an
// option clears the others of its group only.
bool StartsGroup(const ControlLayout& row, const ControlLayout* previous) {
  if (!previous) return true;
  const bool option = row.kind == ControlKind::Option;
  const bool afterOption = previous->kind == ControlKind::Option;
  return option != afterOption || (option && row.container != previous->container);
}
}  // namespace

void CreateFromLayout(HWND parent, std::span<const ControlLayout> layout,
                      const std::function<void(const ControlLayout&, const ControlArgs&)>& create) {
  const std::vector<ControlLayout> order = CreationOrder(layout);
  const ControlLayout* previous = nullptr;
  for (const ControlLayout& row : order) {
    const std::wstring caption = Wide(row.caption);
    create(row, ControlArgs{parent, LayoutId(row.name, layout), caption, PlaceInWindow(row, layout),
                            StartsGroup(row, previous)});
    previous = &row;
  }
}

}  // namespace sievra::win32
