#pragma once

// One Sievra main window created in the test's process (Wine's null graphics
// driver: no display), with a stand-in for the user at the file dialogs and the
// message box, and settings kept in memory.

#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frm_main.h"

namespace sievra::wintest {

class MemorySettings : public SettingsStore {
 public:
  std::string InputFolder() const override { return folder; }
  void SetInputFolder(const std::string& value) override { folder = value; }
  std::string folder;
};

// Runs the window's messages until `done` holds or `seconds` have passed;
// returns whether it holds.
bool PumpUntil(const std::function<bool()>& done, double seconds = 20);

struct WindowRig {
  WindowRig();
  ~WindowRig();

  HWND Control(int id) const { return window->ControlHandle(id); }
  // A click as the mouse gives it; the dialog and message seams answer.
  void Click(int id) const;
  // Replaces a box's text as typing does: the selection replaced, EN_CHANGE sent.
  void Type(int id, std::string_view utf8) const;
  std::wstring TextOf(int id) const;
  bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
  bool Visible(int id) const { return IsWindowVisible(Control(id)) != FALSE; }
  bool Checked(int id) const;
  // The control's rectangle in the window's client area, in pixels.
  RECT Place(int id) const;
  // Answers the next file dialog with this path, or cancels it (nullopt).
  void AnswerDialog(std::optional<std::string> path) { answers.push_back(std::move(path)); }
  // Picks the input and the output file through their Browse buttons.
  void ChooseFiles(const std::string& input, const std::string& output) {
    AnswerDialog(input);
    Click(win32::kCmdBrowseInput);
    AnswerDialog(output);
    Click(win32::kCmdBrowseOutput);
  }
  // Clicks Start and waits until the run it started has finished.
  bool RunToEnd();

  MemorySettings settings;
  std::wstring helpPath;
  std::deque<std::optional<std::string>> answers;
  std::vector<FileDialogRequest> dialogs;
  std::vector<std::string> messages;
  std::unique_ptr<win32::frmMain> window;
};

// Windows-form pixels of twips at the test's DPI (the null driver's 96).
int Pixels(int twips);

}  // namespace sievra::wintest
