#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "frm_options.h"
#include "sievra/presentation/window_layout.h"
#include "text.h"
#include "window_rig.h"

namespace sievra::wintest {
namespace {

using win32::frmOptions;

ControlOf DialogControls(const frmOptions& dialog) {
  return [&dialog](std::string_view name) { return dialog.ControlHandle(name); };
}

// Owned by the main window, which takes no input meanwhile; its controls as
// the table has them, at the DPI it opens at and at another it is moved to.
TEST(frmOptions, ControlsAreBuiltFromTheLayoutTable) {
  WindowRig rig;
  HWND main = rig.window->Handle();
  EXPECT_TRUE(rig.WithOptionsDialog([&](frmOptions& dialog) {
    HWND window = dialog.Handle();
    EXPECT_EQ(TextOf(window), win32::Wide(kOptionsDialogCaption));
    EXPECT_EQ(GetWindow(window, GW_OWNER), main);
    EXPECT_FALSE(IsWindowEnabled(main));
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, Pixels(kOptionsClientWidthTwips));
    EXPECT_EQ(client.bottom, Pixels(kOptionsClientHeightTwips));
    ExpectLayoutAt(kOptionsDialogLayout, DialogControls(dialog), window, 96);
    EXPECT_EQ(GetWindowLongPtrW(dialog.ControlHandle("cmdOK"), GWL_STYLE) & BS_TYPEMASK,
              BS_DEFPUSHBUTTON);
    RECT suggested{0, 0, 900, 800};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    ExpectLayoutAt(kOptionsDialogLayout, DialogControls(dialog), window, 144);
    ClickOn(dialog.ControlHandle("cmdCancel"));
  }));
  EXPECT_TRUE(IsWindowEnabled(main));
}

TEST(frmOptions, StartsAtTheFirstStopAndTabsInTheTablesOrder) {
  WindowRig rig;
  EXPECT_TRUE(rig.WithOptionsDialog([&](frmOptions& dialog) {
    EXPECT_EQ(GetFocus(), dialog.ControlHandle(TabOrder(kOptionsDialogLayout).front()));
    ExpectTabOrder(kOptionsDialogLayout, DialogControls(dialog), dialog.Handle());
    // The arrow keys go round the keep rules and no further.
    const char* const keep[] = {"optKeepFirst", "optKeepLast", "optKeepOnce", "optKeepRepeated"};
    for (std::size_t i = 0; i < std::size(keep); ++i)
      EXPECT_EQ(GetNextDlgGroupItem(dialog.Handle(), dialog.ControlHandle(keep[i]), FALSE),
                dialog.ControlHandle(keep[(i + 1) % std::size(keep)]))
          << keep[i];
    ClickOn(dialog.ControlHandle("cmdCancel"));
  }));
}

// The keyboard closes the dialog as its buttons do, the close box cancels; the
// main window takes input again, where it was left.
TEST(frmOptions, EnterIsOkEscAndTheCloseBoxCancel) {
  const struct {
    const char* name;
    const char* focus;
    UINT message;
    WPARAM key;
    bool accepted;
  } rows[] = {
      {"Enter in the window box", "txtWindow", WM_KEYDOWN, VK_RETURN, true},
      {"Enter on a check box", "chkCountReport", WM_KEYDOWN, VK_RETURN, true},
      {"Enter on Cancel", "cmdCancel", WM_KEYDOWN, VK_RETURN, false},
      {"Esc", "txtWindow", WM_KEYDOWN, VK_ESCAPE, false},
      {"the close box", "chkIgnoreCase", WM_SYSCOMMAND, SC_CLOSE, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WindowRig rig;
    EXPECT_TRUE(rig.WithOptionsDialog([&](frmOptions& dialog) {
      ClickOn(dialog.ControlHandle("chkIgnoreCase"));
      HWND focus = dialog.ControlHandle(row.focus);
      SetFocus(focus);
      // Posted as the keyboard and the title bar give them, for the dialog's own loop.
      PostMessageW(row.message == WM_SYSCOMMAND ? dialog.Handle() : focus, row.message, row.key, 0);
    }));
    EXPECT_EQ(rig.window->Model().State().choices.ignoreCase, row.accepted);
    EXPECT_TRUE(IsWindowEnabled(rig.window->Handle()));
    EXPECT_EQ(GetFocus(), rig.Control("cmdOptions"));
  }
}

// OK's refusal is modal to the dialog, not to the disabled main window.
TEST(frmOptions, RefusalIsShownOverTheDialog) {
  WindowRig rig;
  EXPECT_TRUE(rig.WithOptionsDialog([&](frmOptions& dialog) {
    TypeInto(dialog.ControlHandle("txtWindow"), "ten");
    ClickOn(dialog.ControlHandle("cmdOK"));
    EXPECT_EQ(rig.messageOwners, std::vector<HWND>{dialog.Handle()});
    ClickOn(dialog.ControlHandle("cmdCancel"));
  }));
}

// A dialog a test leaves open is cancelled after a while, not waited for.
TEST(frmOptions, DialogLeftOpenIsCancelledAndReported) {
  WindowRig rig;
  EXPECT_FALSE(rig.WithOptionsDialog(
      [](frmOptions& dialog) { ClickOn(dialog.ControlHandle("chkIgnoreCase")); }));
  EXPECT_EQ(rig.window->OptionsDialog(), nullptr);
  EXPECT_FALSE(rig.window->Model().State().choices.ignoreCase);
  EXPECT_TRUE(IsWindowEnabled(rig.window->Handle()));
}

}  // namespace
}  // namespace sievra::wintest
