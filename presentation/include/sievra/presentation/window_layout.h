#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace sievra {

// Sizes and places are in twips, 1440 to the inch; each window converts them
// at its own DPI.
struct Twips {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

enum class ControlKind { Frame, Button, Option, CheckBox, TextBox, ResultsBox, Label, ProgressBar };

// One control of the main window as designed. Frames take no focus; a control
// without a tab index is never a tab stop.
struct ControlLayout {
  std::string_view name;
  ControlKind kind;
  std::string_view container;  // a frame's name, or empty for the window itself
  std::string_view caption;    // the caption or text at start
  Twips place;                 // within the container: a frame's origin is its corner
  int tabIndex;                // -1: none
};

inline constexpr std::string_view kMainWindowCaption = "Sievra";
// The designed client area grows downward by the summary line and the
// progress bar below the designed controls.
inline constexpr int kMainClientWidthTwips = 9615;
inline constexpr int kMainClientHeightTwips = 7200;
// At this size every caption fits its control at the sizes the layout gives.
inline constexpr int kUiPointSize = 8;
// The results box wraps this far beyond its width: in effect, lines do not wrap.
inline constexpr int kResultsRightMarginExtraTwips = 10000;
// The control that has the focus when the window opens.
inline constexpr std::string_view kFocusAtStart = "cmdBrowseInput";

// Every control of the main window. Both windows build from this table and
// both windows' tests check against it.
inline constexpr std::array kMainWindowLayout = {
    ControlLayout{"frmInput", ControlKind::Frame, "", "Input File", {90, 90, 5325, 735}, 0},
    ControlLayout{"txtInputFileName",
                  ControlKind::TextBox,
                  "frmInput",
                  "enter filename or hit browse",
                  {135, 270, 4065, 285},
                  4},
    ControlLayout{
        "cmdBrowseInput", ControlKind::Button, "frmInput", "Browse", {4365, 225, 780, 375}, 3},
    ControlLayout{"frmOutput", ControlKind::Frame, "", "Output File", {90, 1035, 5325, 780}, 1},
    ControlLayout{"txtOutputFilename",
                  ControlKind::TextBox,
                  "frmOutput",
                  "enter filename or hit browse",
                  {90, 270, 4110, 285},
                  6},
    ControlLayout{
        "cmdBrowseOutput", ControlKind::Button, "frmOutput", "Browse", {4365, 225, 780, 375}, 5},
    ControlLayout{
        "frmCallsign", ControlKind::Frame, "", "Target Callsign", {5670, 90, 2850, 735}, 2},
    ControlLayout{
        "txtKeyPhrase", ControlKind::TextBox, "frmCallsign", "", {180, 270, 2535, 285}, 9},
    ControlLayout{"frmPacketorTxt", ControlKind::Frame, "", "FileType", {5670, 990, 1095, 825}, 11},
    ControlLayout{
        "optPacket", ControlKind::Option, "frmPacketorTxt", "Packet", {90, 225, 870, 330}, 12},
    ControlLayout{
        "optText", ControlKind::Option, "frmPacketorTxt", "Text", {90, 495, 690, 285}, 13},
    ControlLayout{
        "frmStripPath", ControlKind::Frame, "", "Strip Digi Path", {7020, 990, 1500, 825}, 16},
    ControlLayout{
        "optStripPathYes", ControlKind::Option, "frmStripPath", "Yes", {360, 495, 690, 285}, 17},
    ControlLayout{
        "optStripPathNo", ControlKind::Option, "frmStripPath", "No", {360, 225, 690, 285}, 18},
    ControlLayout{"frmOutputTxt", ControlKind::Frame, "", "Output File", {90, 1935, 8430, 4560}, 7},
    ControlLayout{
        "rtbResults", ControlKind::ResultsBox, "frmOutputTxt", "", {90, 225, 8250, 4245}, 8},
    ControlLayout{"cmdStart", ControlKind::Button, "", "Start", {8640, 5265, 870, 510}, 10},
    ControlLayout{"cmdHelp", ControlKind::Button, "", "Help", {8640, 270, 870, 510}, 14},
    // Opens the Options dialog: in the right-hand column above Start, spaced as Close is below it.
    ControlLayout{
        "cmdOptions", ControlKind::Button, "", "Options\xE2\x80\xA6", {8640, 4590, 870, 510}, 19},
    ControlLayout{"cmdClose", ControlKind::Button, "", "Close", {8640, 5940, 870, 510}, 15},
    // Below the designed controls: what the last run did, and the running one's progress.
    ControlLayout{"lblSummary", ControlKind::Label, "", "", {90, 6570, 9420, 255}, -1},
    ControlLayout{"prgRun", ControlKind::ProgressBar, "", "", {90, 6870, 9420, 240}, -1},
};

// The Options dialog, modal over the main window, with OK and Cancel.
inline constexpr std::string_view kOptionsDialogCaption = "Options";
inline constexpr int kOptionsClientWidthTwips = 4800;
inline constexpr int kOptionsClientHeightTwips = 4800;
// Option buttons of one frame form one group; the Keep frame's are the keep rules,
// in KeepRule's order.
inline constexpr std::array kOptionsDialogLayout = {
    ControlLayout{"frmCompare", ControlKind::Frame, "", "Compare", {120, 90, 4560, 855}, 0},
    ControlLayout{"chkIgnoreCase",
                  ControlKind::CheckBox,
                  "frmCompare",
                  "Ignore letter case",
                  {150, 255, 4260, 255},
                  1},
    ControlLayout{"chkIgnoreSpacing",
                  ControlKind::CheckBox,
                  "frmCompare",
                  "Ignore spacing",
                  {150, 540, 4260, 255},
                  2},
    ControlLayout{"frmKeep", ControlKind::Frame, "", "Keep", {120, 1035, 4560, 1395}, 3},
    ControlLayout{"optKeepFirst",
                  ControlKind::Option,
                  "frmKeep",
                  "The first of each line",
                  {150, 255, 4260, 255},
                  4},
    ControlLayout{"optKeepLast",
                  ControlKind::Option,
                  "frmKeep",
                  "The last of each line",
                  {150, 525, 4260, 255},
                  5},
    ControlLayout{"optKeepOnce",
                  ControlKind::Option,
                  "frmKeep",
                  "Only lines that occur once",
                  {150, 795, 4260, 255},
                  6},
    ControlLayout{"optKeepRepeated",
                  ControlKind::Option,
                  "frmKeep",
                  "The first of each repeated line",
                  {150, 1065, 4260, 255},
                  7},
    ControlLayout{"lblWindow",
                  ControlKind::Label,
                  "",
                  "Time window in seconds (0 for none):",
                  {120, 2550, 3540, 255},
                  -1},
    ControlLayout{"txtWindow", ControlKind::TextBox, "", "", {3780, 2520, 900, 285}, 8},
    ControlLayout{"frmReports",
                  ControlKind::Frame,
                  "",
                  "Reports beside the output file",
                  {120, 2940, 4560, 855},
                  9},
    ControlLayout{"chkRemovedReport",
                  ControlKind::CheckBox,
                  "frmReports",
                  "Removed lines (name.removed.txt)",
                  {150, 255, 4260, 255},
                  10},
    ControlLayout{"chkCountReport",
                  ControlKind::CheckBox,
                  "frmReports",
                  "Counts (name.counts.csv)",
                  {150, 540, 4260, 255},
                  11},
    ControlLayout{"chkFollow",
                  ControlKind::CheckBox,
                  "",
                  "Keep watching the input for new lines",
                  {270, 3900, 4260, 255},
                  12},
    ControlLayout{"cmdOK", ControlKind::Button, "", "OK", {2430, 4305, 1080, 375}, 13},
    ControlLayout{"cmdCancel", ControlKind::Button, "", "Cancel", {3600, 4305, 1080, 375}, 14},
};

// The control's row in a window's table (the main window's unless another is
// given), or nullopt for a name the table does not hold.
std::optional<ControlLayout> FindControl(std::string_view name,
                                         std::span<const ControlLayout> layout = kMainWindowLayout);

// The control's place in the window's client area: its own place plus its
// container's corner.
Twips PlaceInWindow(const ControlLayout& control,
                    std::span<const ControlLayout> layout = kMainWindowLayout);

// The controls that take the focus, in tab order (by tab index; frames take none).
std::vector<std::string_view> TabOrder(std::span<const ControlLayout> layout = kMainWindowLayout);

// The help window: its caption, client area and its one box's first place.
inline constexpr std::string_view kHelpWindowCaption = "Help";
inline constexpr int kHelpClientWidthTwips = 5625;
inline constexpr int kHelpClientHeightTwips = 4140;
inline constexpr Twips kHelpBoxAtLoad{90, 90, 4515, 3030};
// Where the help box goes in a window whose outer size (frame and title bar
// included) is this: 50 twips in from the corner, 200 narrower and 600
// shorter; a window too small for that gives a box of size 0.
Twips HelpBoxPlace(float outerWidthTwips, float outerHeightTwips);

}  // namespace sievra
