#pragma once

// One Sievra main window created in the test's process (Wine's null graphics
// driver: no display), with a stand-in for the user at the file dialogs and the
// message box, and settings kept in memory. Controls are named as in the
// layout table.

#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frm_main.h"
#include "frm_options.h"
#include "window_cases.h"

namespace sievra::wintest {

class MemorySettings : public SettingsStore {
 public:
  std::string Value(std::string_view key) const override {
    const auto found = values.find(key);
    return found == values.end() ? std::string() : found->second;
  }
  void SetValue(std::string_view key, const std::string& value) override {
    values.insert_or_assign(std::string(key), value);
  }
  std::map<std::string, std::string, std::less<>> values;
};

// Runs the window's messages until `done` holds or `seconds` have passed;
// returns whether it holds.
bool PumpUntil(const std::function<bool()>& done, double seconds = 20);

// A control driven as the user would, by its handle.
// A click as the mouse gives it.
void ClickOn(HWND control);
// Replaces a box's text as typing does: the selection replaced, EN_CHANGE sent.
void TypeInto(HWND control, std::string_view utf8);
std::wstring TextOf(HWND control);
bool IsChecked(HWND control);

struct WindowRig {
  WindowRig();
  ~WindowRig();

  HWND Control(std::string_view name) const { return window->ControlHandle(name); }
  // The dialog and message seams answer.
  void Click(std::string_view name) const { ClickOn(Control(name)); }
  void Type(std::string_view name, std::string_view utf8) const { TypeInto(Control(name), utf8); }
  std::wstring TextOf(std::string_view name) const { return wintest::TextOf(Control(name)); }
  bool Enabled(std::string_view name) const { return IsWindowEnabled(Control(name)) != FALSE; }
  bool Visible(std::string_view name) const { return IsWindowVisible(Control(name)) != FALSE; }
  bool Checked(std::string_view name) const { return IsChecked(Control(name)); }
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
  // Clicks cmdOptions and, once the modal dialog is up, calls `inDialog` from
  // within the dialog's own message loop. True when the dialog opened and
  // closed. One still open 2 s after `inDialog` (input it posted goes
  // meanwhile) is cancelled, as Esc does, or else destroyed: false.
  bool WithOptionsDialog(const std::function<void(win32::frmOptions& dialog)>& inDialog);
  // Closes the window and opens a new one over the same settings, as the next
  // launch would.
  void Reopen();

  MemorySettings settings;
  std::wstring helpPath;
  std::deque<std::optional<std::string>> answers;
  std::vector<FileDialogRequest> dialogs;
  std::vector<std::string> messages;
  std::vector<HWND> messageOwners;  // the window each message was shown over
  std::unique_ptr<win32::frmMain> window;

 private:
  void Open();
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
  bool WithOptionsDialog(const std::function<void(WindowDriver& dialog)>& inDialog) override;
  void Reopen() override { rig.Reopen(); }
  bool WaitUntil(const std::function<bool()>& done) override { return PumpUntil(done, 5); }

  WindowRig rig;
};

// Windows-form pixels of twips at the test's DPI (the null driver's 96).
int Pixels(int twips);

// A window's control of a layout row's name.
using ControlOf = std::function<HWND(std::string_view name)>;
// Every control of `layout` is of its kind's native class and button type,
// with its caption, at its twips converted at `dpi` in `window`'s client area.
void ExpectLayoutAt(std::span<const ControlLayout> layout, const ControlOf& control, HWND window,
                    UINT dpi);
// Tab goes round the tab stops of `window` in the table's order, and no others:
// frames take no focus, an option group is entered at its selected option only
// (the arrow keys move within it) and a disabled control is passed over.
void ExpectTabOrder(std::span<const ControlLayout> layout, const ControlOf& control, HWND window);

}  // namespace sievra::wintest
