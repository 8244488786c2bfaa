#include <gtest/gtest.h>

#include "frm_help.h"
#include "ini_settings.h"
#include "sievra/presentation/window_layout.h"
#include "sievra/presentation/wording.h"
#include "text.h"
#include "window_rig.h"
#include "windows_test_support.h"

namespace sievra::wintest {
namespace {

using namespace win32;

std::wstring BoxText(HWND box) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
  return text;
}

TEST(frmHelp, HelpOpensOnceAndShowsTheDocumentFittedToTheWindow) {
  WindowRig rig;
  rig.Click("cmdHelp");
  frmHelp* help = rig.window->Help();
  ASSERT_NE(help, nullptr);
  rig.Click("cmdHelp");
  EXPECT_EQ(rig.window->Help(), help);  // brought forward, not opened again
  wchar_t caption[16] = {};
  GetWindowTextW(help->Handle(), caption, 16);
  EXPECT_EQ(Utf8(caption), kHelpWindowCaption);
  RECT client{};
  GetClientRect(help->Handle(), &client);
  EXPECT_EQ(client.right, Pixels(kHelpClientWidthTwips));
  EXPECT_EQ(client.bottom, Pixels(kHelpClientHeightTwips));
  // RichEdit's RTF reader turned the document into text: no control words left.
  const std::wstring text = BoxText(help->TextBox());
  EXPECT_NE(text.find(L"Sievra"), std::wstring::npos);
  EXPECT_EQ(text.find(L"\\rtf"), std::wstring::npos);
  EXPECT_EQ(text.find(L"\\par"), std::wstring::npos);
  // The box follows the window's outer size: as opened (0 x 0), then resized,
  // last too small for a box at all.
  for (const SIZE outerSize : {SIZE{0, 0}, SIZE{640, 560}, SIZE{100, 30}}) {
    SCOPED_TRACE(::testing::Message() << outerSize.cx << "x" << outerSize.cy);
    if (outerSize.cx > 0)
      SetWindowPos(help->Handle(), nullptr, 0, 0, outerSize.cx, outerSize.cy,
                   SWP_NOMOVE | SWP_NOZORDER);
    RECT outer{}, box{};
    GetWindowRect(help->Handle(), &outer);
    GetWindowRect(help->TextBox(), &box);
    MapWindowPoints(nullptr, help->Handle(), reinterpret_cast<POINT*>(&box), 2);
    const Twips place = HelpBoxPlace(PixelsToTwips(outer.right - outer.left, 96),
                                     PixelsToTwips(outer.bottom - outer.top, 96));
    EXPECT_EQ(box.left, Pixels(place.left));
    EXPECT_EQ(box.top, Pixels(place.top));
    EXPECT_EQ(box.right - box.left, Pixels(place.width));
    EXPECT_EQ(box.bottom - box.top, Pixels(place.height));
  }
  SendMessageW(help->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(rig.window->Help(), nullptr);
}

TEST(frmHelp, UnreadableDocumentGetsTheClearMessage) {
  ScratchFolder folder(L"win32 help");
  const std::wstring missing = folder.Child(L"help.rtf");
  ASSERT_TRUE(WriteBytes(folder.Child(L"big.rtf"), std::string((1 << 20) + 1, 'x')));
  struct Row {
    std::wstring path;
    std::string expected;
  } rows[] = {{missing, HelpUnreadableText(Utf8(missing))},
              {folder.Child(L"big.rtf"), HelpTooLargeText(Utf8(folder.Child(L"big.rtf")))}};
  for (const Row& row : rows) {
    frmHelp* help = frmHelp::Open(row.path, nullptr);
    EXPECT_EQ(Utf8(BoxText(help->TextBox())), row.expected);
    help->Close();
  }
}

// Values as QSettings (IniFormat) writes them, taken from its own output.
TEST(IniSettings, ValuesAreWrittenAndReadAsQSettingsDoes) {
  const struct {
    const char* value;
    const char* written;
  } rows[] = {
      {"C:\\logs", "C:\\\\logs"},
      {"C:", "C:"},
      {"", ""},
      {"C:\\donn\xC3\xA9"
       "es \xC4\x89",
       "C:\\\\donn\xC3\xA9"
       "es \xC4\x89"},
      {"C:\\a,b;c=d", "\"C:\\\\a,b;c=d\""},
      {" C:\\lead", "\" C:\\\\lead\""},
      {"C:\\q\"uote", "C:\\\\q\\\"uote"},
      {"\\\\server\\share", "\\\\\\\\server\\\\share"},
      {"@first", "@@first"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(IniEscaped(row.value), row.written);
    EXPECT_EQ(IniUnescaped(row.written), row.value);
  }
}

// Every key the window remembers, set one after another in a new file: each
// reads back, alone or through a fresh store, and is written in [General] as
// QSettings writes it, after the keys set before it.
TEST(IniSettings, EachKeyIsStoredInGeneralBesideTheOthers) {
  ScratchFolder folder(L"win32 ini keys");
  const std::wstring path = folder.Child(L"Sievra\\Sievra.ini");
  const struct {
    const char* key;
    const char* value;
    const char* line;
  } rows[] = {
      {"InputFolder", "C:\\logs ĉ", "InputFolder=C:\\\\logs ĉ"},
      {"IgnoreCase", "1", "IgnoreCase=1"},
      {"IgnoreSpacing", "0", "IgnoreSpacing=0"},
      {"Keep", "repeated", "Keep=repeated"},
      {"WindowSeconds", " 30", "WindowSeconds=\" 30\""},
      {"RemovedReport", "1", "RemovedReport=1"},
      {"CountReport", "1", "CountReport=1"},
  };
  IniSettingsStore store(path);  // the folder is made at the first value
  std::string written = "[General]\r\n";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.key);
    EXPECT_EQ(store.Value(row.key), "");
    store.SetValue(row.key, row.value);
    EXPECT_EQ(store.Value(row.key), row.value);
    written += std::string(row.line) + "\r\n";
  }
  EXPECT_TRUE(SameBytes(ReadBytes(path).value_or("?"), written));
  const IniSettingsStore reread(path);
  for (const auto& row : rows) EXPECT_EQ(reread.Value(row.key), row.value) << row.key;
}

// A value is replaced where it stands in [General]; other sections, other keys
// (one whose name starts with the key's too) and the order stay.
TEST(IniSettings, ValueIsReplacedInGeneralKeepingEverythingElse) {
  ScratchFolder folder(L"win32 ini");
  const std::wstring path = folder.Child(L"Sievra.ini");
  ASSERT_TRUE(
      WriteBytes(path, "[Other]\nKeep=no\n[General]\nKeepLast=1\nKeep=old\nInputFolder=C:\n"));
  IniSettingsStore store(path);
  EXPECT_EQ(store.Value("Keep"), "old");
  store.SetValue("Keep", "last");
  EXPECT_EQ(store.Value("Keep"), "last");
  EXPECT_EQ(store.Value("KeepLast"), "1");
  EXPECT_TRUE(SameBytes(
      ReadBytes(path).value_or("?"),
      "[Other]\r\nKeep=no\r\n[General]\r\nKeepLast=1\r\nKeep=last\r\nInputFolder=C:\r\n"));
}

}  // namespace
}  // namespace sievra::wintest
