#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "sievra/presentation/main_window_model.h"

namespace sievra::win32 {

// The Open or Save As dialog as asked; the chosen full path (UTF-8), or nothing
// when it was cancelled. No checks of its own: a name that does not exist is
// accepted and an existing file is not questioned.
std::optional<std::string> ShowFileDialog(HWND owner, const FileDialogRequest& request);

// The filter list as the dialog takes it: "a|b|c|d|" becomes "a\0b\0c\0d\0\0".
std::wstring DialogFilter(std::string_view filter);

// A modal message: OK only, no icon, caption "Sievra".
void ShowMessageBox(HWND owner, std::string_view text);

// Numbers as the user's locale writes them.
NumberFormat UserLocaleNumbers();

// Registers a top-level window class of this program, with the button-face
// background and the arrow cursor both windows use. True when registered.
bool RegisterWindowClass(const wchar_t* className, HICON icon, WNDPROC procedure);

// Sizes the window so that its client area is this many twips at its DPI,
// and centres it in the work area, or over window `over` but within the work area.
void CentreInWorkArea(HWND window, int clientWidthTwips, int clientHeightTwips,
                      HWND over = nullptr);
// WM_DPICHANGED: the window takes the place Windows suggests (in `lParam`).
void FollowDpiChange(HWND window, LPARAM lParam);

// The procedure of a class whose every window belongs to an object of type
// Window: the object comes as CreateWindowExW's lpParam and is kept in
// GWLP_USERDATA from WM_NCCREATE on, so that it sees every message from the
// first to WM_NCDESTROY, which is its last. Window::WindowProc does the rest.
template <class Window>
LRESULT CALLBACK ObjectProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  return self->WindowProc(hwnd, message, wParam, lParam);
}

// The user's application-data folder (roaming), or empty when unknown.
std::wstring ApplicationDataFolder();
// The folder that holds the running program.
std::wstring ProgramFolder();

// What the window asks of the system: tests stand in for the user here.
struct WindowSeams {
  std::function<std::optional<std::string>(HWND, const FileDialogRequest&)> chooseFile =
      ShowFileDialog;
  std::function<void(HWND, std::string_view)> showMessage = ShowMessageBox;
};

}  // namespace sievra::win32
