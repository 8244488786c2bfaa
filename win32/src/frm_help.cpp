#include "frm_help.h"
#include "platform.h"

#include <richedit.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "control.h"
#include "sievra/presentation/wording.h"
#include "text.h"

namespace sievra::win32 {

namespace {
// A help document is a few pages; one of many megabytes is no help document, and
// reading it would freeze the window.
constexpr std::uintmax_t kMaxHelpBytes = std::uintmax_t{1} << 20;
constexpr int kClientWidthTwips = 5625;
constexpr int kClientHeightTwips = 4140;

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

void Register() {
  static const bool registered = RegisterWindowClass(frmHelp::kClassName, nullptr);
  (void)registered;
}
}  // namespace

frmHelp* frmHelp::Open(std::wstring helpPath, std::function<void()> closed) {
  Register();
  auto* help = new frmHelp;
  help->helpPath_ = std::move(helpPath);
  help->closed_ = std::move(closed);
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  help->hwnd_ =
      CreateWindowExW(0, kClassName, L"Help", style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(help->hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(help));
  SetWindowLongPtrW(help->hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Procedure));
  const UINT dpi = GetDpiForWindow(help->hwnd_);
  RECT outer{0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
  AdjustWindowRectExForDpi(&outer, style, FALSE, 0, dpi);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  LoadLibraryW(L"Msftedit.dll");
  help->box_ = CreateWindowExW(
      WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"RichTextBox1",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
      TwipsToPixels(90, dpi), TwipsToPixels(90, dpi), TwipsToPixels(4515, dpi),
      TwipsToPixels(3030, dpi), help->hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(help->box_, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_WINDOW)));
  help->Load();
  SetWindowPos(help->hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER);
  help->Fit();
  ShowWindow(help->hwnd_, SW_SHOW);
  SetFocus(help->box_);
  return help;
}

void frmHelp::Load() const {
  std::error_code error;
  const std::filesystem::path path(helpPath_);
  const std::string shown = Utf8(helpPath_);
  if (std::filesystem::is_regular_file(path, error) &&
      std::filesystem::file_size(path, error) > kMaxHelpBytes) {
    SetWindowTextW(box_, Wide(HelpTooLargeText(shown)).c_str());
    return;
  }
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  if (!file || file.bad()) {
    SetWindowTextW(box_, Wide(HelpUnreadableText(shown)).c_str());
    return;
  }
  const std::string document = bytes.str();
  StreamSource source{&document, 0};
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, ReadStream};
  SendMessageW(box_, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  if (stream.dwError != 0) SetWindowTextW(box_, Wide(HelpUnreadableText(shown)).c_str());
}

void frmHelp::Raise() const {
  if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
}

void frmHelp::Close() const { DestroyWindow(hwnd_); }

// The formula takes the outer size, frame and title bar included; a window
// smaller than that gives negative sizes, which count as 0.
void frmHelp::Fit() const {
  const UINT dpi = GetDpiForWindow(hwnd_);
  RECT outer{};
  GetWindowRect(hwnd_, &outer);
  const float width = PixelsToTwips(outer.right - outer.left, dpi);
  const float height = PixelsToTwips(outer.bottom - outer.top, dpi);
  MoveWindow(box_, TwipsToPixels(50, dpi), TwipsToPixels(50, dpi),
             TwipsToPixels(std::max(0, static_cast<int>(width - 200)), dpi),
             TwipsToPixels(std::max(0, static_cast<int>(height - 600)), dpi), TRUE);
}

LRESULT CALLBACK frmHelp::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* help = reinterpret_cast<frmHelp*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_SIZE:
      help->Fit();
      return 0;
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_SETFOCUS:
      SetFocus(help->box_);
      return 0;
    case WM_NCDESTROY: {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      const std::function<void()> closed = std::move(help->closed_);
      delete help;
      if (closed) closed();
      return DefWindowProcW(window, message, wParam, lParam);
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace sievra::win32
