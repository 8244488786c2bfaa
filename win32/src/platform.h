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

// Registers a top-level window class of this program (the button-face
// background and the arrow cursor both windows use); its procedure is set per
// window at creation. True when registered.
bool RegisterWindowClass(const wchar_t* className, HICON icon);

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
