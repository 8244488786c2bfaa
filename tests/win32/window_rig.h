#pragma once

// One Sievra main window created in the test's process (Wine's null graphics
// driver: no display), with a stand-in for the user at the file dialogs and the
// message box, and settings kept in memory. Controls are named as in the
// layout table.

#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frm_main.h"
#include "window_cases.h"

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

  HWND Control(std::string_view name) const { return window->ControlHandle(name); }
  // A click as the mouse gives it; the dialog and message seams answer.
  void Click(std::string_view name) const;
  // Replaces a box's text as typing does: the selection replaced, EN_CHANGE sent.
  void Type(std::string_view name, std::string_view utf8) const;
  std::wstring TextOf(std::string_view name) const;
  bool Enabled(std::string_view name) const { return IsWindowEnabled(Control(name)) != FALSE; }
  bool Visible(std::string_view name) const { return IsWindowVisible(Control(name)) != FALSE; }
  bool Checked(std::string_view name) const;
  // The control's rectangle in the window's client area, in pixels.
  RECT Place(std::string_view name) const;
  // Answers the next file dialog with this path, or cancels it (nullopt).
  void AnswerDialog(std::optional<std::string> path) { answers.push_back(std::move(path)); }
  // Picks the input and the output file through their Browse buttons.
  void ChooseFiles(const std::string& input, const std::string& output) {
    AnswerDialog(input);
    Click("cmdBrowseInput");
    AnswerDialog(output);
    Click("cmdBrowseOutput");
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

// The shared window cases' driver on a fresh rig.
class RigDriver : public testing::WindowDriver {
 public:
  void Click(std::string_view control) override { rig.Click(control); }
  void Type(std::string_view control, std::string_view text) override { rig.Type(control, text); }
  void AnswerNextDialog(std::optional<std::string> path) override {
    rig.AnswerDialog(std::move(path));
  }
  bool RunToEnd() override { return rig.RunToEnd(); }
  std::string Text(std::string_view control) override;
  bool Visible(std::string_view control) override { return rig.Visible(control); }
  bool Enabled(std::string_view control) override { return rig.Enabled(control); }
  bool Checked(std::string_view control) override { return rig.Checked(control); }
  std::vector<std::string> Messages() override { return rig.messages; }

  WindowRig rig;
};

// Windows-form pixels of twips at the test's DPI (the null driver's 96).
int Pixels(int twips);

}  // namespace sievra::wintest
