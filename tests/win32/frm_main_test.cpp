#include <gtest/gtest.h>
#include <windows.h>
// DROPFILES, after windows.h.
#include <shlobj.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <optional>

#include "line_view.h"
#include "platform.h"
#include "sievra/presentation/result_lines.h"
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

// The vertical scroll bar's range: what can be scrolled to.
int ScrollRange(HWND box) {
  SCROLLINFO range{};
  range.cbSize = sizeof range;
  range.fMask = SIF_RANGE;
  GetScrollInfo(box, SB_VERT, &range);
  return range.nMax;
}

// While following, kept lines come a few at a time for as long as the log
// grows: each piece must cost the box the same however much it already shows,
// paints included, or a long watch would slow the window to a crawl. Where the
// user scrolled to stays put.
TEST(frmMain, AppendedPiecesCostTheSameHoweverLongTheResult) {
  constexpr int kPieces = 20000;
  constexpr int kBlock = 2000;
  using Clock = std::chrono::steady_clock;
  const auto ms = [](Clock::duration d) {
    return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
  };
  WindowRig rig;
  const ResultsBox& box = rig.window->Results();
  std::string expected = "first";
  ResultLines lines("first\r\n");
  rig.window->ShowResult(lines, 0);
  std::vector<Clock::duration> blocks;
  Clock::duration total{};
  int lineViewFrom = 0;
  LRESULT richEditTop = 0;  // the first line in view, once paged down
  auto started = Clock::now();
  for (int piece = 1; piece <= kPieces; ++piece) {
    std::string bytes;
    for (int row = 0; row < 3; ++row)
      bytes +=
          "N0CALL-" + std::to_string(piece) + ">APRS,WIDE1-1:row " + std::to_string(row) + "\r\n";
    expected += "\r\n" + bytes.substr(0, bytes.size() - 2);
    const std::size_t firstNew = lines.RowCount();
    lines.Append(ResultLines(std::move(bytes)));
    rig.window->ShowResult(lines, firstNew);
    // The paints and whatever else the box asked for, as the window's loop would.
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&message);
    if (piece == 100) {
      SendMessageW(box.RichEdit(), WM_VSCROLL, SB_PAGEDOWN, 0);
      richEditTop = SendMessageW(box.RichEdit(), EM_GETFIRSTVISIBLELINE, 0, 0);
      EXPECT_GT(richEditTop, 0) << "the RichEdit could not be scrolled";
    }
    if (piece == 600) {
      EXPECT_EQ(SendMessageW(box.RichEdit(), EM_GETFIRSTVISIBLELINE, 0, 0), richEditTop);
    }
    if (!lineViewFrom && box.ShowsLineView()) {
      lineViewFrom = piece;
      SendMessageW(box.Lines().Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    }
    if (piece % kBlock == 0) {
      blocks.push_back(Clock::now() - started);
      total += blocks.back();
      started = Clock::now();
    }
  }
  std::printf("%d pieces of 3 rows: %lld ms, the line view from piece %d; per %d pieces:", kPieces,
              ms(total), lineViewFrom, kBlock);
  for (const auto& block : blocks) std::printf(" %lld", ms(block));
  std::printf(" ms\n");
  // The scroll bars caught up with the rows, and nothing moved meanwhile.
  PumpUntil([] { return false; }, 2.0 * LineView::kScrollBarsCatchUpMs / 1000);
  ASSERT_TRUE(box.ShowsLineView());
  EXPECT_EQ(ScrollRange(box.Lines().Handle()), 3 * kPieces);
  EXPECT_GT(GetScrollPos(box.Lines().Handle(), SB_VERT), 0);
  EXPECT_LT(GetScrollPos(box.Lines().Handle(), SB_VERT), 100);
  EXPECT_EQ(box.Text(), Wide(expected));
  // The last pieces, on a result ten times as long, cost about what the first
  // in the line view did, and far below a millisecond each (repainting the
  // scroll bars for each piece took Wine 7 ms).
  ASSERT_GE(blocks.size(), 3u);
  EXPECT_LT(blocks.back(), 3 * blocks[1] + std::chrono::milliseconds(500))
      << ms(blocks.back()) << " ms then, " << ms(blocks[1]) << " ms at first";
  EXPECT_LT(blocks.back(), std::chrono::seconds(2)) << ms(blocks.back()) << " ms";
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
