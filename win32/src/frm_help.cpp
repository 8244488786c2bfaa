#include "frm_help.h"

#include <richedit.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "control.h"
#include "sievra/presentation/help_document.h"
#include "sievra/presentation/window_layout.h"
#include "text.h"

namespace sievra::win32 {

namespace {
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

struct StreamSource {
  const std::string* bytes;
  std::size_t offset;
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
  auto* source = reinterpret_cast<StreamSource*>(cookie);
  const std::size_t count =
      std::min(static_cast<std::size_t>(wanted), source->bytes->size() - source->offset);
  std::copy_n(source->bytes->data() + source->offset, count, buffer);
  source->offset += count;
  *given = static_cast<LONG>(count);
  return 0;
}
}  // namespace

frmHelp::frmHelp(std::wstring helpPath, std::function<void()> closed)
    : helpPath_(std::move(helpPath)), closed_(std::move(closed)) {}

frmHelp* frmHelp::Open(std::wstring helpPath, std::function<void()> closed) {
  static const bool registered = RegisterWindowClass(kClassName, nullptr, ObjectProcedure<frmHelp>);
  (void)registered;
  std::unique_ptr<frmHelp> help(new frmHelp(std::move(helpPath), std::move(closed)));
  if (!CreateWindowExW(0, kClassName, Wide(kHelpWindowCaption).c_str(), kStyle, CW_USEDEFAULT,
                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                       GetModuleHandleW(nullptr), help.get()))
    return nullptr;
  help->ownedByWindow_ = true;
  frmHelp* shown = help.release();
  shown->CreateBox();
  shown->Load();
  CentreInWorkArea(shown->hwnd_, kHelpClientWidthTwips, kHelpClientHeightTwips);
  shown->Fit();
  ShowWindow(shown->hwnd_, SW_SHOW);
  SetFocus(shown->box_);
  return shown;
}

void frmHelp::CreateBox() {
  LoadLibraryW(L"Msftedit.dll");
  const UINT dpi = GetDpiForWindow(hwnd_);
  const Twips place = kHelpBoxAtLoad;
  box_ = CreateWindowExW(
      WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"RichTextBox1",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
      TwipsToPixels(place.left, dpi), TwipsToPixels(place.top, dpi),
      TwipsToPixels(place.width, dpi), TwipsToPixels(place.height, dpi), hwnd_, nullptr,
      GetModuleHandleW(nullptr), nullptr);
  SendMessageW(box_, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_WINDOW)));
}

void frmHelp::Load() const {
  const std::filesystem::path path(helpPath_);
  const HelpDocument document = ReadHelpDocument(path);
  if (document.rtf) {
    StreamSource source{&*document.rtf, 0};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, ReadStream};
    SendMessageW(box_, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    if (stream.dwError == 0) return;
  }
  const std::string instead = document.rtf ? HelpUnreadableInstead(path) : document.instead;
  SetWindowTextW(box_, Wide(instead).c_str());
}

void frmHelp::Raise() const {
  if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
}

void frmHelp::Close() const { DestroyWindow(hwnd_); }

void frmHelp::Fit() const {
  if (!box_) return;  // WM_SIZE comes during creation too, before the box
  const UINT dpi = GetDpiForWindow(hwnd_);
  RECT outer{};
  GetWindowRect(hwnd_, &outer);
  const Twips place = HelpBoxPlace(PixelsToTwips(outer.right - outer.left, dpi),
                                   PixelsToTwips(outer.bottom - outer.top, dpi));
  MoveWindow(box_, TwipsToPixels(place.left, dpi), TwipsToPixels(place.top, dpi),
             TwipsToPixels(place.width, dpi), TwipsToPixels(place.height, dpi), TRUE);
}

LRESULT frmHelp::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      hwnd_ = window;
      break;
    case WM_SIZE:
      Fit();
      return 0;
    case WM_DPICHANGED:
      FollowDpiChange(window, lParam);
      return 0;
    case WM_SETFOCUS:
      if (box_) SetFocus(box_);
      return 0;
    case WM_NCDESTROY: {
      const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
      const std::function<void()> closed = std::move(closed_);
      if (ownedByWindow_) delete this;  // else Open still holds it, and frees it
      if (closed) closed();
      return result;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace sievra::win32
