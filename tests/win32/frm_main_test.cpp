#include <gtest/gtest.h>
#include <windows.h>
// DROPFILES, after windows.h.
#include <shlobj.h>

#include <cctype>
#include <optional>

#include "line_view.h"
#include "platform.h"
#include "sievra/presentation/window_layout.h"
#include "sievra/presentation/wording.h"
#include "window_rig.h"
#include "windows_test_support.h"

namespace sievra::wintest {
namespace {

using namespace win32;

// The main window's control of a layout row's name.
ControlOf MainControls(const WindowRig& rig) {
  return [&rig](std::string_view name) { return rig.Control(name); };
}

TEST(frmMain, ControlsAreBuiltFromTheLayoutTable) {
  WindowRig rig;
  wchar_t caption[32] = {};
  GetWindowTextW(rig.window->Handle(), caption, 32);
  EXPECT_EQ(Utf8(caption), kMainWindowCaption);
  RECT client{};
  GetClientRect(rig.window->Handle(), &client);
  EXPECT_EQ(client.right, Pixels(kMainClientWidthTwips));
  EXPECT_EQ(client.bottom, Pixels(kMainClientHeightTwips));
  ExpectLayoutAt(kMainWindowLayout, MainControls(rig), rig.window->Handle(), 96);
}

TEST(frmMain, ControlsFollowTheWindowToAMonitorOfAnotherDpi) {
  WindowRig rig;
  RECT suggested{0, 0, 1600, 1200};
  SendMessageW(rig.window->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  ExpectLayoutAt(kMainWindowLayout, MainControls(rig), rig.window->Handle(), 144);
}

TEST(frmMain, StartsFocusedAndTabsInTheTablesOrder) {
  WindowRig rig;
  EXPECT_EQ(GetFocus(), rig.Control(kFocusAtStart));
  ExpectTabOrder(kMainWindowLayout, MainControls(rig), rig.window->Handle());
  // The arrow keys move between the options of one frame and no further.
  for (const auto& [option, next] : {std::pair{"optPacket", "optText"},
                                     {"optText", "optPacket"},
                                     {"optStripPathYes", "optStripPathNo"},
                                     {"optStripPathNo", "optStripPathYes"}})
    EXPECT_EQ(GetNextDlgGroupItem(rig.window->Handle(), rig.Control(option), FALSE),
              rig.Control(next))
        << option;
}

// The callsign box is its frame's sibling here, not its child: it is hidden
// and shown with the frame.
TEST(frmMain, CallsignBoxHidesWithItsFrame) {
  WindowRig rig;
  for (const auto& [option, shown] : {std::pair{"optText", false}, {"optPacket", true}}) {
    rig.Click(option);
    EXPECT_EQ(rig.Visible("frmCallsign"), shown) << option;
    EXPECT_EQ(rig.Visible("txtKeyPhrase"), shown) << option;
  }
}

// The shared cases, each on a fresh window, named by the case.
class WindowCases : public ::testing::TestWithParam<std::size_t> {};

TEST_P(WindowCases, PassesTheCase) {
  const testing::WindowCase& windowCase = testing::MainWindowCases()[GetParam()];
  ScratchFolder folder(L"win32 case");
  RigDriver driver;
  const std::vector<std::string> faults =
      testing::RunWindowCase(windowCase, driver, Utf8(folder.Path()));
  for (const std::string& fault : faults) ADD_FAILURE() << fault;
}

INSTANTIATE_TEST_SUITE_P(frmMain, WindowCases,
                         ::testing::Range<std::size_t>(0, testing::MainWindowCases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& param) {
                           std::string name;
                           for (char c : testing::MainWindowCases()[param.param].name)
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

TEST(frmMain, FileDialogsAreAskedForAndCancellingChangesNothing) {
  WindowRig rig;
  rig.AnswerDialog("C:\\logs\\monitor.txt");
  rig.Click("cmdBrowseInput");
  rig.AnswerDialog("C:\\logs\\unique.txt");
  rig.Click("cmdBrowseOutput");
  rig.AnswerDialog(std::nullopt);
  rig.Click("cmdBrowseOutput");
  ASSERT_EQ(rig.dialogs.size(), 3u);
  EXPECT_EQ(rig.dialogs[0].kind, FileDialogKind::Open);
  EXPECT_EQ(rig.dialogs[0].title, "Open/Import Data File");
  EXPECT_EQ(rig.dialogs[0].filterIndex, 1);
  EXPECT_EQ(rig.dialogs[1].kind, FileDialogKind::SaveAs);
  EXPECT_EQ(rig.dialogs[1].title, "Select or Enter Export Data File");
  EXPECT_EQ(rig.dialogs[1].filterIndex, 2);
  EXPECT_EQ(rig.dialogs[1].initialFolder, "C:\\logs");
  EXPECT_EQ(rig.TextOf("txtOutputFilename"), L"unique.txt");  // the cancel kept it
  EXPECT_EQ(rig.window->Model().OutputPath(), "C:\\logs\\unique.txt");
}

TEST(frmMain, DialogFilterIsSplitIntoTheListTheDialogTakes) {
  EXPECT_EQ(DialogFilter("Text files (*.txt)|*.txt|all files (*.*)|*.*|"),
            std::wstring(L"Text files (*.txt)\0*.txt\0all files (*.*)\0*.*\0\0", 46));
}

// A path outside the ANSI code page reaches the engine whole; a second run
// replaces the result, and the fresh RichEdit keeps its place in the tab order.
TEST(frmMain, RunsToANonAsciiPathAndAgain) {
  ScratchFolder folder(L"win32 run ĉ");
  ASSERT_TRUE(WriteBytes(folder.Child(L"in.txt"), "b\r\na\r\nb\r\n\r\nc\ra\r\n\r\n"));
  WindowRig rig;
  rig.ChooseFiles(Utf8(folder.Child(L"in.txt")), Utf8(folder.Child(L"out ĉ.txt")));
  rig.Click("optText");
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_TRUE(
        SameBytes(ReadBytes(folder.Child(L"out ĉ.txt")).value_or("?"), "b\r\na\r\n\r\nc\r\n"));
    EXPECT_EQ(rig.window->Results().Text(), L"b\r\na\r\n\r\nc");
    EXPECT_FALSE(rig.window->Results().ShowsLineView());
  }
  EXPECT_EQ(GetNextDlgTabItem(rig.window->Handle(), rig.Control("txtOutputFilename"), FALSE),
            rig.window->Results().RichEdit());
  EXPECT_TRUE(rig.messages.empty());
}

TEST(frmMain, BigResultGoesToTheLineViewWhole) {
  ScratchFolder folder(L"win32 big");
  std::string input;
  for (int i = 0; i < 40000; ++i) input += "line " + std::to_string(i) + "\r\n";
  ASSERT_TRUE(WriteBytes(folder.Child(L"in.txt"), input + input));
  WindowRig rig;
  rig.ChooseFiles(Utf8(folder.Child(L"in.txt")), Utf8(folder.Child(L"out.txt")));
  rig.Click("optText");
  ASSERT_TRUE(rig.RunToEnd());
  ASSERT_TRUE(rig.window->Results().ShowsLineView());
  EXPECT_FALSE(IsWindowVisible(rig.window->Results().RichEdit()));
  input.resize(input.size() - 2);  // no line end after the last row
  EXPECT_EQ(rig.window->Results().Text(), Wide(input));
  // Ctrl+A and Ctrl+C put the whole result on the clipboard.
  const LineView& lines = rig.window->Results().Lines();
  BYTE keys[256] = {};
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  SendMessageW(lines.Handle(), WM_KEYDOWN, 'A', 0);
  SendMessageW(lines.Handle(), WM_KEYDOWN, 'C', 0);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_TRUE(lines.AllSelected());
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  const std::wstring copied = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
  if (data) GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(copied, Wide(input));
}

// A drop made as Explorer makes it: DROPFILES and a list of wide names.
HDROP DropOf(const std::vector<std::wstring>& paths, POINT at) {
  std::wstring names;
  for (const std::wstring& path : paths) names += path + L'\0';
  names += L'\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->pt = at;
  drop->fWide = TRUE;
  std::copy(names.begin(), names.end(),
            reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(drop) + sizeof(DROPFILES)));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

TEST(frmMain, DroppedFileBecomesInputOrOutputByWhereItLands) {
  ScratchFolder folder(L"win32 drop");
  ASSERT_TRUE(WriteBytes(folder.Child(L"a.txt"), "a\r\n"));
  ASSERT_TRUE(WriteBytes(folder.Child(L"b.txt"), "b\r\n"));
  const Twips output = FindControl("frmOutput")->place;
  const POINT onOutput{Pixels(output.left + 200), Pixels(output.top + 100)};
  const POINT onResults{Pixels(3000), Pixels(4000)};
  struct Row {
    const char* name;
    std::vector<std::wstring> files;
    POINT at;
    const wchar_t* input;
    const wchar_t* output;
  };
  const std::wstring none = Wide(kNoFileYet);
  const Row rows[] = {
      {"nominal: on the output chooser",
       {folder.Child(L"a.txt")},
       onOutput,
       none.c_str(),
       L"a.txt"},
      {"nominal: anywhere else", {folder.Child(L"a.txt")}, onResults, L"a.txt", none.c_str()},
      {"robustness: a folder", {folder.Path()}, onResults, none.c_str(), none.c_str()},
      {"robustness: two files",
       {folder.Child(L"a.txt"), folder.Child(L"b.txt")},
       onResults,
       none.c_str(),
       none.c_str()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WindowRig rig;
    SendMessageW(rig.window->Handle(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(DropOf(row.files, row.at)), 0);
    EXPECT_EQ(rig.TextOf("txtInputFileName"), row.input);
    EXPECT_EQ(rig.TextOf("txtOutputFilename"), row.output);
  }
}

}  // namespace
}  // namespace sievra::wintest
