#include <gtest/gtest.h>
#include <windows.h>
// DROPFILES, after windows.h.
#include <shlobj.h>

#include "line_view.h"
#include "platform.h"
#include "sievra/presentation/wording.h"
#include "window_rig.h"
#include "windows_test_support.h"

namespace sievra::wintest {
namespace {

using namespace win32;

struct Placed {
  int id;
  const wchar_t* caption;
  int left, top, width, height;  // twips in the client area
};

// Inner controls sit at their frame's corner plus their own place.
const Placed kLayout[] = {
    {kFrmInput, L"Input File", 90, 90, 5325, 735},
    {kTxtInputFileName, L"enter filename or hit browse", 90 + 135, 90 + 270, 4065, 285},
    {kCmdBrowseInput, L"Browse", 90 + 4365, 90 + 225, 780, 375},
    {kFrmOutput, L"Output File", 90, 1035, 5325, 780},
    {kTxtOutputFilename, L"enter filename or hit browse", 90 + 90, 1035 + 270, 4110, 285},
    {kCmdBrowseOutput, L"Browse", 90 + 4365, 1035 + 225, 780, 375},
    {kFrmCallsign, L"Target Callsign", 5670, 90, 2850, 735},
    {kTxtKeyPhrase, L"", 5670 + 180, 90 + 270, 2535, 285},
    {kFrmPacketorTxt, L"FileType", 5670, 990, 1095, 825},
    {kOptPacket, L"Packet", 5670 + 90, 990 + 225, 870, 330},
    {kOptText, L"Text", 5670 + 90, 990 + 495, 690, 285},
    {kFrmStripPath, L"Strip Digi Path", 7020, 990, 1500, 825},
    {kOptStripPathYes, L"Yes", 7020 + 360, 990 + 495, 690, 285},
    {kOptStripPathNo, L"No", 7020 + 360, 990 + 225, 690, 285},
    {kFrmOutputTxt, L"Output File", 90, 1935, 8430, 4560},
    {kRtbResults, L"", 90 + 90, 1935 + 225, 8250, 4245},
    {kCmdStart, L"Start", 8640, 5265, 870, 510},
    {kCmdHelp, L"Help", 8640, 270, 870, 510},
    {kCmdClose, L"Close", 8640, 5940, 870, 510},
};

TEST(frmMain, ControlsHaveTheirCaptionsAndTwipsPlaces) {
  WindowRig rig;
  wchar_t caption[32] = {};
  GetWindowTextW(rig.window->Handle(), caption, 32);
  EXPECT_STREQ(caption, L"Sievra");
  RECT client{};
  GetClientRect(rig.window->Handle(), &client);
  EXPECT_EQ(client.right, Pixels(9615));
  EXPECT_EQ(client.bottom, Pixels(7200));  // grown downward for the summary and the bar
  for (const Placed& control : kLayout) {
    SCOPED_TRACE(::testing::Message() << "control " << control.id);
    EXPECT_EQ(rig.TextOf(control.id), control.caption);
    const RECT place = rig.Place(control.id);
    EXPECT_EQ(place.left, Pixels(control.left));
    EXPECT_EQ(place.top, Pixels(control.top));
    EXPECT_EQ(place.right - place.left, Pixels(control.width));
    EXPECT_EQ(place.bottom - place.top, Pixels(control.height));
  }
}

TEST(frmMain, StartsWithPacketAndNoSelectedAndTabsInDesignedOrder) {
  WindowRig rig;
  EXPECT_TRUE(rig.Checked(kOptPacket));
  EXPECT_FALSE(rig.Checked(kOptText));
  EXPECT_TRUE(rig.Checked(kOptStripPathNo));
  EXPECT_FALSE(rig.Checked(kOptStripPathYes));
  EXPECT_TRUE(rig.Visible(kFrmCallsign));
  EXPECT_FALSE(rig.Visible(kPrgRun));
  EXPECT_EQ(GetFocus(), rig.Control(kCmdBrowseInput));
  // Tab stops only: frames take no focus and an option group is entered at its
  // selected option.
  const int order[] = {kCmdBrowseInput, kTxtInputFileName, kCmdBrowseOutput, kTxtOutputFilename,
                       kRtbResults,     kTxtKeyPhrase,     kCmdStart,        kOptPacket,
                       kCmdHelp,        kCmdClose,         kOptStripPathNo,  kCmdBrowseInput};
  HWND at = rig.Control(order[0]);
  for (std::size_t i = 1; i < std::size(order); ++i) {
    at = GetNextDlgTabItem(rig.window->Handle(), at, FALSE);
    EXPECT_EQ(GetDlgCtrlID(at), order[i]) << "after tab stop " << i - 1;
  }
}

TEST(frmMain, FileDialogsAreAskedForAndCancellingChangesNothing) {
  WindowRig rig;
  rig.AnswerDialog("C:\\logs\\monitor.txt");
  rig.Click(kCmdBrowseInput);
  rig.AnswerDialog("C:\\logs\\unique.txt");
  rig.Click(kCmdBrowseOutput);
  rig.AnswerDialog(std::nullopt);
  rig.Click(kCmdBrowseOutput);
  ASSERT_EQ(rig.dialogs.size(), 3u);
  EXPECT_EQ(rig.dialogs[0].kind, FileDialogKind::Open);
  EXPECT_EQ(rig.dialogs[0].title, "Open/Import Data File");
  EXPECT_EQ(rig.dialogs[0].filterIndex, 1);
  EXPECT_EQ(rig.dialogs[1].kind, FileDialogKind::SaveAs);
  EXPECT_EQ(rig.dialogs[1].title, "Select or Enter Export Data File");
  EXPECT_EQ(rig.dialogs[1].filterIndex, 2);
  EXPECT_EQ(rig.dialogs[1].initialFolder, "C:\\logs");
  EXPECT_EQ(rig.TextOf(kTxtInputFileName), L"monitor.txt");
  EXPECT_EQ(rig.TextOf(kTxtOutputFilename), L"unique.txt");  // the cancel kept it
  EXPECT_EQ(rig.window->Model().OutputPath(), "C:\\logs\\unique.txt");
}

TEST(frmMain, DialogFilterIsSplitIntoTheListTheDialogTakes) {
  EXPECT_EQ(DialogFilter("Text files (*.txt)|*.txt|all files (*.*)|*.*|"),
            std::wstring(L"Text files (*.txt)\0*.txt\0all files (*.*)\0*.*\0\0", 46));
}

TEST(frmMain, StartWithoutFilesShowsTheMessage) {
  WindowRig rig;
  rig.Click(kCmdStart);
  PumpUntil([&] { return !rig.messages.empty(); }, 5);
  ASSERT_EQ(rig.messages.size(), 1u);
  EXPECT_EQ(rig.messages[0], "Must specify an input file");
}

TEST(frmMain, FileTypeSwitchHidesTheCallsignAndTheRunUsesTheControls) {
  ScratchFolder folder(L"win32 run ĉ");
  ASSERT_TRUE(WriteBytes(folder.Child(L"in.txt"), "b\r\na\r\nb\r\n\r\nc\ra\r\n\r\n"));
  WindowRig rig;
  rig.ChooseFiles(Utf8(folder.Child(L"in.txt")), Utf8(folder.Child(L"out ĉ.txt")));
  rig.Click(kOptText);
  EXPECT_FALSE(rig.Visible(kFrmCallsign));
  EXPECT_FALSE(rig.Visible(kTxtKeyPhrase));
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_TRUE(
      SameBytes(ReadBytes(folder.Child(L"out ĉ.txt")).value_or("?"), "b\r\na\r\n\r\nc\r\n"));
  EXPECT_EQ(rig.window->Results().Text(), L"b\r\na\r\n\r\nc");
  EXPECT_FALSE(rig.window->Results().ShowsLineView());
  EXPECT_EQ(rig.TextOf(kLblSummary).rfind(L"Read 7 lines; kept 4; removed 3 duplicates in ", 0), 0u)
      << Utf8(rig.TextOf(kLblSummary));
  EXPECT_EQ(rig.TextOf(kCmdStart), L"Start");
  EXPECT_TRUE(rig.Enabled(kCmdBrowseInput));
  EXPECT_FALSE(rig.Visible(kPrgRun));
  EXPECT_TRUE(rig.messages.empty());
  // A second run replaces the result; the fresh box keeps its place in the tab order.
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_EQ(rig.window->Results().Text(), L"b\r\na\r\n\r\nc");
  EXPECT_EQ(GetNextDlgTabItem(rig.window->Handle(), rig.Control(kTxtOutputFilename), FALSE),
            rig.window->Results().RichEdit());
  rig.Click(kOptPacket);
  EXPECT_TRUE(rig.Visible(kFrmCallsign));
}

TEST(frmMain, BigResultGoesToTheLineViewWhole) {
  ScratchFolder folder(L"win32 big");
  std::string input;
  for (int i = 0; i < 40000; ++i) input += "line " + std::to_string(i) + "\r\n";
  ASSERT_TRUE(WriteBytes(folder.Child(L"in.txt"), input + input));
  WindowRig rig;
  rig.ChooseFiles(Utf8(folder.Child(L"in.txt")), Utf8(folder.Child(L"out.txt")));
  rig.Click(kOptText);
  ASSERT_TRUE(rig.RunToEnd());
  ASSERT_TRUE(rig.window->Results().ShowsLineView());
  EXPECT_FALSE(IsWindowVisible(rig.window->Results().RichEdit()));
  input.resize(input.size() - 2);  // no line end after the last row
  EXPECT_EQ(rig.window->Results().Text(), Wide(input));
  // Ctrl+A and Ctrl+C put the whole result on the clipboard.
  HWND view = rig.window->Results().LineViewHandle();
  BYTE keys[256] = {};
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  SendMessageW(view, WM_KEYDOWN, 'A', 0);
  SendMessageW(view, WM_KEYDOWN, 'C', 0);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_TRUE(LineView::Of(view)->AllSelected());
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
  const POINT onOutput{Pixels(90 + 200), Pixels(1035 + 100)};
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
    EXPECT_EQ(rig.TextOf(kTxtInputFileName), row.input);
    EXPECT_EQ(rig.TextOf(kTxtOutputFilename), row.output);
  }
}

}  // namespace
}  // namespace sievra::wintest
