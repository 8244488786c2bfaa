#include "window_rig.h"

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

WindowRig::WindowRig() {
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
  options.seams.showMessage = [this](HWND, std::string_view text) { messages.emplace_back(text); };
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

void WindowRig::Click(std::string_view name) const { SendMessageW(Control(name), BM_CLICK, 0, 0); }

void WindowRig::Type(std::string_view name, std::string_view utf8) const {
  const std::wstring text = win32::Wide(utf8);
  SendMessageW(Control(name), EM_SETSEL, 0, -1);
  SendMessageW(Control(name), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring WindowRig::TextOf(std::string_view name) const {
  HWND control = Control(name);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool WindowRig::Checked(std::string_view name) const {
  return SendMessageW(Control(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

RECT WindowRig::Place(std::string_view name) const {
  RECT place{};
  GetWindowRect(Control(name), &place);
  MapWindowPoints(nullptr, window->Handle(), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

bool WindowRig::RunToEnd() {
  const int before = window->FinishedRuns();
  Click("cmdStart");
  return PumpUntil([&] { return window->FinishedRuns() > before; });
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

}  // namespace sievra::wintest
