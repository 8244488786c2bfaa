#pragma once

// The main window's cases, as a user meets them: what the user does, then what
// the window shows. The Qt window and the Windows window each pass every case
// through a driver of their own.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sievra::testing {

// The window driven as a user would drive it, by control name (the layout
// table's names). Texts are UTF-8.
class WindowDriver {
 public:
  virtual ~WindowDriver() = default;
  virtual void Click(std::string_view control) = 0;
  // Replaces a box's text as typing would.
  virtual void Type(std::string_view control, std::string_view text) = 0;
  // Answers the next file dialog with this path, or cancels it (nullopt).
  virtual void AnswerNextDialog(std::optional<std::string> path) = 0;
  // Clicks Start and waits until the run it started has ended and is shown.
  virtual bool RunToEnd() = 0;
  // A caption or a box's text; the results box's lines joined by '\n'.
  virtual std::string Text(std::string_view control) = 0;
  virtual bool Visible(std::string_view control) = 0;
  virtual bool Enabled(std::string_view control) = 0;
  virtual bool Checked(std::string_view control) = 0;
  // Every modal message shown so far, in order.
  virtual std::vector<std::string> Messages() = 0;
  // Clicks cmdOptions and, once the modal Options dialog it opens is up, calls
  // `inDialog` with a driver of the dialog's controls (kOptionsDialogLayout's
  // names; Click, Type, Text, Visible, Enabled, Checked), which leaves it closed.
  // False when no dialog opened, or when it was still open after `inDialog`
  // (then it is cancelled).
  virtual bool WithOptionsDialog(const std::function<void(WindowDriver& dialog)>& inDialog) = 0;
  // Closes the window and opens a new one, as the next launch would: with
  // what was remembered, and nothing else.
  virtual void Reopen() = 0;
  // Lets the window work (its events handled) until `done` answers true, for
  // at most 5 s; false when it never did.
  virtual bool WaitUntil(const std::function<bool()>& done) = 0;
};

// What one control shows; an unset field is not checked.
struct ControlShows {
  std::string control;
  std::optional<std::string> text;
  std::optional<bool> visible;
  std::optional<bool> enabled;
  std::optional<bool> checked;
  bool textIsPrefix = false;  // `text` starts the control's text (a duration follows)
};

struct DialogVisit;

struct WindowStep {
  enum class Kind {
    Click,
    Type,
    Answer,
    CancelDialog,
    RunToEnd,
    Options,
    Reopen,
    Append,
    WaitFor,
    PastDoubleClick,  // the window works on until a click is no double-click's second
  };
  Kind kind;
  // Click, Type, WaitFor; Append: a file name in the case's folder
  std::string control;
  // Type: the text; Answer: a file name in the case's folder; Append: the bytes
  // added to the file; WaitFor: what the control's text starts with
  std::string text;
  std::shared_ptr<const DialogVisit> options;  // Options: what is done in the dialog
};

// What is done in the Options dialog: its steps (clicks and typing), then what
// it shows, then the click that closes it.
struct DialogVisit {
  std::vector<WindowStep> steps;
  std::vector<ControlShows> shows;
  std::string closeWith;  // "cmdOK" or "cmdCancel"
};

struct WindowCase {
  std::string name;
  std::vector<std::pair<std::string, std::string>> files;  // written to the folder first
  std::vector<WindowStep> steps;
  std::vector<ControlShows> shows;
  std::vector<std::string> messages;                            // every message shown, in order
  std::vector<std::pair<std::string, std::string>> filesAfter;  // file and its bytes at the end
};

const std::vector<WindowCase>& MainWindowCases();

// Runs `windowCase` on a fresh window through `driver`, with its files in
// `folder`; returns what the window showed otherwise (empty: it passed).
std::vector<std::string> RunWindowCase(const WindowCase& windowCase, WindowDriver& driver,
                                       const std::string& folder);

}  // namespace sievra::testing
