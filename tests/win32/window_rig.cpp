#include "window_rig.h"

#include <gtest/gtest.h>

#include "text.h"

namespace sievra::wintest {

bool PumpUntil(const std::function<bool()>& done, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG message;
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }
  return true;
}

void ClickOn(HWND control) { SendMessageW(control, BM_CLICK, 0, 0); }

void TypeInto(HWND control, std::string_view utf8) {
  const std::wstring text = win32::Wide(utf8);
  SendMessageW(control, EM_SETSEL, 0, -1);
  SendMessageW(control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring TextOf(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool IsChecked(HWND control) { return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED; }

WindowRig::WindowRig() { Open(); }

void WindowRig::Open() {
  win32::frmMain::Options options;
  options.seams.chooseFile = [this](HWND, const FileDialogRequest& request) {
    dialogs.push_back(request);
    std::optional<std::string> answer;
    if (!answers.empty()) {
      answer = answers.front();
      answers.pop_front();
    }
    return answer;
  };
  options.seams.showMessage = [this](HWND owner, std::string_view text) {
    messages.emplace_back(text);
    messageOwners.push_back(owner);
  };
  options.settings = &settings;
  options.helpPath = helpPath = win32::ProgramFolder() + L"\\help.rtf";
  options.model.numbers = PlainNumbers();
  options.model.doubleClickInterval = std::chrono::milliseconds(0);
  window = std::make_unique<win32::frmMain>(std::move(options));
}

WindowRig::~WindowRig() {
  window.reset();
  PumpUntil([] { return false; }, 0.05);  // lets destroyed windows' last messages go
}

bool WindowRig::RunToEnd() {
  const int before = window->FinishedRuns();
  Click("cmdStart");
  return PumpUntil([&] { return window->FinishedRuns() > before; });
}

void WindowRig::Reopen() {
  window.reset();
  PumpUntil([] { return false; }, 0.05);
  Open();
}

namespace {
// The Options dialog's visit in progress: thread timers carry no context.
struct DialogVisit {
  const WindowRig* rig;
  const std::function<void(win32::frmOptions&)>* inDialog;
  bool visited = false;
  bool gaveUp = false;
  UINT_PTR giveUpTimer = 0;
};
DialogVisit* gVisit = nullptr;

// The Options dialog open on this thread, whether the window knows it or not.
HWND OpenOptionsDialog() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM result) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (std::wstring_view(name) != win32::frmOptions::kClassName) return TRUE;
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// The dialog stayed open: cancelled as Esc does it, or else destroyed, so that
// its loop ends and the test goes on.
void CALLBACK GiveUp(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (!gVisit) return;
  gVisit->gaveUp = true;
  HWND dialog = OpenOptionsDialog();
  if (!dialog) return;
  SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  if (IsWindow(dialog)) DestroyWindow(dialog);
}

// Runs once the dialog's loop runs, which is once the dialog is up.
void CALLBACK DialogUp(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (!gVisit || gVisit->visited) return;
  if (win32::frmOptions* dialog = gVisit->rig->window->OptionsDialog()) {
    gVisit->visited = true;
    (*gVisit->inDialog)(*dialog);
  }
  if (OpenOptionsDialog()) gVisit->giveUpTimer = SetTimer(nullptr, 0, 2000, GiveUp);
}

// The shared cases' driver inside the Options dialog, by its table's names.
class OptionsDialogDriver : public testing::WindowDriver {
 public:
  OptionsDialogDriver(const WindowRig& rig, const win32::frmOptions& dialog)
      : rig_(rig), dialog_(dialog) {}
  void Click(std::string_view control) override { ClickOn(dialog_.ControlHandle(control)); }
  void Type(std::string_view control, std::string_view text) override {
    TypeInto(dialog_.ControlHandle(control), text);
  }
  std::string Text(std::string_view control) override {
    return win32::Utf8(TextOf(dialog_.ControlHandle(control)));
  }
  bool Visible(std::string_view control) override {
    return IsWindowVisible(dialog_.ControlHandle(control)) != FALSE;
  }
  bool Enabled(std::string_view control) override {
    return IsWindowEnabled(dialog_.ControlHandle(control)) != FALSE;
  }
  bool Checked(std::string_view control) override {
    return IsChecked(dialog_.ControlHandle(control));
  }
  std::vector<std::string> Messages() override { return rig_.messages; }
  void AnswerNextDialog(std::optional<std::string>) override { NotInTheDialog("a file dialog"); }
  bool RunToEnd() override { return NotInTheDialog("Start"); }
  bool WithOptionsDialog(const std::function<void(WindowDriver&)>&) override {
    return NotInTheDialog("Options");
  }
  void Reopen() override { NotInTheDialog("a new launch"); }
  bool WaitUntil(const std::function<bool()>& done) override { return PumpUntil(done, 5); }

 private:
  static bool NotInTheDialog(std::string_view what) {
    ADD_FAILURE() << "the Options dialog has no " << what;
    return false;
  }
  const WindowRig& rig_;
  const win32::frmOptions& dialog_;
};
}  // namespace

bool WindowRig::WithOptionsDialog(const std::function<void(win32::frmOptions&)>& inDialog) {
  DialogVisit visit{this, &inDialog};
  gVisit = &visit;
  const UINT_PTR up = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, DialogUp);
  Click("cmdOptions");
  KillTimer(nullptr, up);
  if (visit.giveUpTimer) KillTimer(nullptr, visit.giveUpTimer);
  gVisit = nullptr;
  return visit.visited && !visit.gaveUp && !window->OptionsDialog();
}

bool RigDriver::WithOptionsDialog(const std::function<void(WindowDriver&)>& inDialog) {
  return rig.WithOptionsDialog([&](win32::frmOptions& dialog) {
    OptionsDialogDriver driver(rig, dialog);
    inDialog(driver);
  });
}

// The results box's lines joined by '\n', whichever view shows them.
std::string RigDriver::Text(std::string_view control) {
  if (control != "rtbResults") return win32::Utf8(rig.TextOf(control));
  std::string text = win32::Utf8(rig.window->Results().Text());
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
    text.erase(at, 1);
  return text;
}

int Pixels(int twips) { return MulDiv(twips, 96, 1440); }

namespace {
// The native class and button type each kind of control is made of.
struct NativeKind {
  ControlKind kind;
  const wchar_t* windowClass;
  std::optional<LONG_PTR> buttonType;  // BS_TYPEMASK bits, for buttons
};
const NativeKind kNativeKinds[] = {
    {ControlKind::Frame, L"Button", BS_GROUPBOX},
    {ControlKind::Button, L"Button", BS_PUSHBUTTON},
    {ControlKind::Option, L"Button", BS_AUTORADIOBUTTON},
    {ControlKind::CheckBox, L"Button", BS_AUTOCHECKBOX},
    {ControlKind::TextBox, L"Edit", {}},
    {ControlKind::ResultsBox, L"RICHEDIT50W", {}},
    {ControlKind::Label, L"Static", {}},
    {ControlKind::ProgressBar, L"msctls_progress32", {}},
};
}  // namespace

void ExpectLayoutAt(std::span<const ControlLayout> layout, const ControlOf& control, HWND window,
                    UINT dpi) {
  const auto pixels = [dpi](int twips) { return MulDiv(twips, static_cast<int>(dpi), 1440); };
  for (const ControlLayout& row : layout) {
    SCOPED_TRACE(std::string(row.name));
    HWND handle = control(row.name);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(TextOf(handle), win32::Wide(row.caption));
    const Twips twips = PlaceInWindow(row, layout);
    RECT place{};
    GetWindowRect(handle, &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, pixels(twips.left));
    EXPECT_EQ(place.top, pixels(twips.top));
    EXPECT_EQ(place.right - place.left, pixels(twips.width));
    EXPECT_EQ(place.bottom - place.top, pixels(twips.height));
    wchar_t windowClass[64] = {};
    GetClassNameW(handle, windowClass, 64);
    for (const NativeKind& native : kNativeKinds) {
      if (native.kind != row.kind) continue;
      EXPECT_EQ(_wcsicmp(windowClass, native.windowClass), 0) << win32::Utf8(windowClass);
      LONG_PTR type = GetWindowLongPtrW(handle, GWL_STYLE) & BS_TYPEMASK;
      if (row.kind == ControlKind::Button && type == BS_DEFPUSHBUTTON) type = BS_PUSHBUTTON;
      if (native.buttonType) {
        EXPECT_EQ(type, *native.buttonType);
      }
    }
  }
}

void ExpectTabOrder(std::span<const ControlLayout> layout, const ControlOf& control, HWND window) {
  std::vector<std::string_view> stops;
  for (std::string_view name : TabOrder(layout)) {
    HWND handle = control(name);
    const bool option = FindControl(name, layout)->kind == ControlKind::Option;
    if (IsWindowEnabled(handle) && (!option || IsChecked(handle))) stops.push_back(name);
  }
  ASSERT_GT(stops.size(), 2u);
  stops.push_back(stops.front());  // round again
  HWND at = control(stops.front());
  for (std::size_t i = 1; i < stops.size(); ++i) {
    at = GetNextDlgTabItem(window, at, FALSE);
    EXPECT_EQ(at, control(stops[i])) << "after " << stops[i - 1];
  }
}

}  // namespace sievra::wintest
