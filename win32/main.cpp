// Sievra.exe: creates the main window and runs the message loop until it is gone.
#include <windows.h>

#include "src/frm_main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  sievra::win32::frmMain::Options options;
  options.closed = [] { PostQuitMessage(0); };
  sievra::win32::frmMain window(std::move(options));
  if (!window.Handle()) return 1;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab, the arrow keys in option groups, and the rest of the keyboard interface.
    if (window.Handle() && IsDialogMessageW(window.Handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
