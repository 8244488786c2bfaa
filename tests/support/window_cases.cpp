#include "window_cases.h"

#include <chrono>
#include <filesystem>
#include <sstream>

#include "sievra/presentation/main_window_model.h"
#include "test_support.h"

namespace sievra::testing {

namespace {

using Kind = WindowStep::Kind;

WindowStep Click(std::string control) { return {Kind::Click, std::move(control), {}, {}}; }
WindowStep Type(std::string control, std::string text) {
  return {Kind::Type, std::move(control), std::move(text), {}};
}
WindowStep Answer(std::string fileName) { return {Kind::Answer, {}, std::move(fileName), {}}; }
WindowStep CancelDialog() { return {Kind::CancelDialog, {}, {}, {}}; }
WindowStep RunToEnd() { return {Kind::RunToEnd, {}, {}, {}}; }
WindowStep Reopen() { return {Kind::Reopen, {}, {}, {}}; }
WindowStep Append(std::string file, std::string bytes) {
  return {Kind::Append, std::move(file), std::move(bytes), {}};
}
WindowStep PastDoubleClick() { return {Kind::PastDoubleClick, {}, {}, {}}; }
WindowStep WaitFor(std::string control, std::string textStart) {
  return {Kind::WaitFor, std::move(control), std::move(textStart), {}};
}
WindowStep Options(DialogVisit visit) {
  return {Kind::Options, {}, {}, std::make_shared<const DialogVisit>(std::move(visit))};
}
// Both files chosen through their Browse buttons.
std::vector<WindowStep> ChooseFiles(const std::string& input, const std::string& output) {
  return {Answer(input), Click("cmdBrowseInput"), Answer(output), Click("cmdBrowseOutput")};
}

ControlShows TextOf(std::string control, std::string text) {
  return {std::move(control), std::move(text), {}, {}, {}, false};
}
ControlShows TextStarts(std::string control, std::string text) {
  return {std::move(control), std::move(text), {}, {}, {}, true};
}
ControlShows Visible(std::string control, bool visible) {
  return {std::move(control), {}, visible, {}, {}, false};
}
ControlShows Enabled(std::string control, bool enabled) {
  return {std::move(control), {}, {}, enabled, {}, false};
}
ControlShows Checked(std::string control, bool checked) {
  return {std::move(control), {}, {}, {}, checked, false};
}

template <class... Lists>
std::vector<WindowStep> Steps(Lists&&... lists) {
  std::vector<WindowStep> steps;
  (steps.insert(steps.end(), lists.begin(), lists.end()), ...);
  return steps;
}

const std::string kNone(kNoFileYet);
const std::string kLog =
    "N0CALL-9>APRS,WIDE1-1,WIDE2-1:>status\r\n"
    "K1ABC>APRS,WIDE1-1:>status\r\n"
    "n0call>APRS,RELAY:hello\r\n"
    "N0CALL>APRS:hello\r\n"
    "plain line\r\n"
    "plain line\r\n";

// The window after a run has ended: every choice open again.
std::vector<ControlShows> Idle() {
  return {TextOf("cmdStart", "Start"),      Enabled("cmdBrowseInput", true),
          Enabled("cmdBrowseOutput", true), Enabled("txtKeyPhrase", true),
          Enabled("optText", true),         Enabled("optStripPathYes", true),
          Enabled("cmdOptions", true),      Visible("prgRun", false)};
}

std::vector<ControlShows> With(std::vector<ControlShows> shows, std::vector<ControlShows> more) {
  shows.insert(shows.end(), more.begin(), more.end());
  return shows;
}

std::vector<WindowCase> MakeCases() {
  return {
      {"nominal: at start, Packet and No selected, the callsign shown",
       {},
       {},
       With(Idle(),
            {TextOf("txtInputFileName", kNone), TextOf("txtOutputFilename", kNone),
             TextOf("txtKeyPhrase", ""), Checked("optPacket", true), Checked("optText", false),
             Checked("optStripPathNo", true), Checked("optStripPathYes", false),
             Visible("frmCallsign", true), TextOf("lblSummary", "")}),
       {},
       {}},
      {"nominal: Text hides the callsign, Packet shows it with its text",
       {},
       {Type("txtKeyPhrase", "n0call"), Click("optText")},
       {Visible("frmCallsign", false), Visible("txtKeyPhrase", false), Checked("optText", true),
        Checked("optPacket", false), TextOf("txtKeyPhrase", "n0call")},
       {},
       {}},
      {"nominal: Packet again",
       {},
       {Type("txtKeyPhrase", "n0call"), Click("optText"), Click("optPacket")},
       {Visible("frmCallsign", true), Checked("optPacket", true), TextOf("txtKeyPhrase", "n0call")},
       {},
       {}},
      {"nominal: chosen files show their names, a cancelled dialog changes nothing",
       {},
       Steps(ChooseFiles("monitor.txt", "unique.txt"),
             std::vector{CancelDialog(), Click("cmdBrowseInput"), CancelDialog(),
                         Click("cmdBrowseOutput")}),
       {TextOf("txtInputFileName", "monitor.txt"), TextOf("txtOutputFilename", "unique.txt")},
       {},
       {}},
      {"nominal: a chosen name replaces typed text, even when it is the same name",
       {},
       {Answer("in.txt"), Click("cmdBrowseInput"), Type("txtInputFileName", "typed"),
        Type("txtOutputFilename", "typed too"), Answer("in.txt"), Click("cmdBrowseInput")},
       {TextOf("txtInputFileName", "in.txt"), TextOf("txtOutputFilename", "typed too")},
       {},
       {}},
      {"nominal: typed names are not used, and stay through a run",
       {{"in.txt", "b\r\na\r\nb\r\n"}},
       Steps(ChooseFiles("in.txt", "out.txt"),
             std::vector{Type("txtInputFileName", "typed.txt"), Click("optText"), RunToEnd()}),
       {TextOf("txtInputFileName", "typed.txt"), TextOf("rtbResults", "b\na")},
       {},
       {{"out.txt", "b\r\na\r\n"}}},
      {"robustness: Start with no file chosen",
       {},
       {Type("txtInputFileName", "typed.txt"), Click("cmdStart")},
       With(Idle(), {TextOf("lblSummary", "Must specify an input file"),
                     TextOf("txtInputFileName", "typed.txt")}),
       {"Must specify an input file"},
       {}},
      {"robustness: Start with no output chosen",
       {},
       {Answer("in.txt"), Click("cmdBrowseInput"), Click("cmdStart")},
       {TextOf("lblSummary", "Must specify an output file")},
       {"Must specify an output file"},
       {}},
      {"nominal: a packet run for a callsign, path cut",
       {{"monitor.txt", kLog}},
       Steps(ChooseFiles("monitor.txt", "unique.txt"),
             std::vector{Type("txtKeyPhrase", "n0call"), Click("optStripPathYes"), RunToEnd()}),
       With(Idle(),
            {TextOf("rtbResults", "N0CALL-9>APRS:>status\nn0call>APRS:hello"),
             TextStarts("lblSummary", "Read 6 lines; kept 2; "), Checked("optStripPathYes", true)}),
       {},
       {{"unique.txt", "N0CALL-9>APRS:>status\r\nn0call>APRS:hello\r\n"}}},
      {"nominal: a text run ignores the callsign and the path option",
       {{"monitor.txt", kLog}},
       Steps(ChooseFiles("monitor.txt", "unique.txt"),
             std::vector{Type("txtKeyPhrase", "n0call"), Click("optStripPathYes"), Click("optText"),
                         RunToEnd()}),
       With(Idle(), {TextStarts("lblSummary", "Read 6 lines; kept 5; removed 1 duplicate in ")}),
       {},
       {{"unique.txt",
         "N0CALL-9>APRS,WIDE1-1,WIDE2-1:>status\r\nK1ABC>APRS,WIDE1-1:>status\r\n"
         "n0call>APRS,RELAY:hello\r\nN0CALL>APRS:hello\r\nplain line\r\n"}}},
      {"robustness: nothing kept leaves the output as it was",
       {{"monitor.txt", kLog}, {"unique.txt", "old\r\n"}},
       Steps(ChooseFiles("monitor.txt", "unique.txt"),
             std::vector{Type("txtKeyPhrase", "W1XYZ"), RunToEnd()}),
       With(Idle(), {TextOf("rtbResults", "")}),
       {"No lines were kept; the output file was not written."},
       {{"unique.txt", "old\r\n"}}},
      {"robustness: a missing input file",
       {{"unique.txt", "old\r\n"}},
       Steps(ChooseFiles("absent.txt", "unique.txt"), std::vector{RunToEnd()}),
       With(Idle(), {TextStarts("lblSummary", "Cannot read the input file")}),
       {"Cannot read the input file"},
       {{"unique.txt", "old\r\n"}}},
      {"options: the dialog shows the defaults; Cancel changes nothing",
       {},
       {Options({{Click("chkIgnoreCase"), Click("optKeepLast")},
                 {Checked("chkIgnoreCase", true), Checked("optKeepLast", true),
                  Checked("optKeepFirst", false), Enabled("txtWindow", false)},
                 "cmdCancel"}),
        Options(
            {{},
             {Checked("chkIgnoreCase", false), Checked("chkIgnoreSpacing", false),
              Checked("optKeepFirst", true), TextOf("txtWindow", ""), Enabled("txtWindow", true),
              Checked("chkRemovedReport", false), Checked("chkCountReport", false)},
             "cmdCancel"})},
       {TextOf("lblSummary", "")},
       {},
       {}},
      {"options: keep the last, ignoring case, with both reports beside the output",
       {{"in.txt", "B\r\na\r\nb\r\nc\r\n"}},
       Steps(ChooseFiles("in.txt", "out.txt"),
             std::vector{Click("optText"),
                         Options({{Click("chkIgnoreCase"), Click("optKeepLast"),
                                   Click("chkRemovedReport"), Click("chkCountReport")},
                                  {Enabled("txtWindow", false)},
                                  "cmdOK"})}),
       {TextOf("lblSummary",
               "Options: ignoring case; keeping the last of each; writing the removed lines "
               "and the counts")},
       {},
       {}},
      {"options: a run names the rules it kept by",
       {{"in.txt", "B\r\na\r\nb\r\nc\r\n"}},
       Steps(ChooseFiles("in.txt", "out.txt"),
             std::vector{Click("optText"),
                         Options({{Click("chkIgnoreCase"), Click("optKeepLast"),
                                   Click("chkRemovedReport"), Click("chkCountReport")},
                                  {},
                                  "cmdOK"}),
                         RunToEnd()}),
       With(Idle(), {TextStarts("lblSummary",
                                "Read 4 lines; kept 3 (the last of each); removed 1 duplicate, "
                                "ignoring case in "),
                     TextOf("rtbResults", "a\nb\nc")}),
       {},
       {{"out.txt", "a\r\nb\r\nc\r\n"},
        {"out.removed.txt", "B\r\n"},
        {"out.counts.csv",
         "line,count,first_line,last_line\r\n2,1,2,2\r\n3,2,1,3\r\n4,1,4,4\r\n"}}},
      {"options: remembered for the next launch",
       {},
       {Options({{Click("chkIgnoreSpacing"), Type("txtWindow", "30")}, {}, "cmdOK"}), Reopen(),
        Options({{},
                 {Checked("chkIgnoreSpacing", true), Checked("chkIgnoreCase", false),
                  Checked("optKeepFirst", true), TextOf("txtWindow", "30")},
                 "cmdCancel"})},
       {TextOf("lblSummary", "Options: ignoring spacing; duplicates within 30 s")},
       {},
       {}},
      {"following: kept lines appear as the input grows; Stop keeps them",
       {{"log.txt", "a\r\nb\r\na\r\n"}},
       Steps(ChooseFiles("log.txt", "out.txt"),
             std::vector{Click("optText"),
                         Options({{Click("chkFollow")}, {Enabled("chkFollow", true)}, "cmdOK"}),
                         Click("cmdStart"), WaitFor("rtbResults", "a\nb"),
                         WaitFor("cmdStart", "Stop"), Append("log.txt", "c\r\nb\r\n"),
                         WaitFor("rtbResults", "a\nb\nc"),
                         WaitFor("lblSummary",
                                 "Watching the input: read 5 lines; kept 3; removed 2 duplicates"),
                         PastDoubleClick(), Click("cmdStart"), WaitFor("cmdStart", "Start")}),
       With(Idle(), {TextOf("rtbResults", "a\nb\nc"),
                     TextStarts("lblSummary", "Read 5 lines; kept 3; removed 2 duplicates in ")}),
       {},
       {{"out.txt", "a\r\nb\r\nc\r\n"}}},
      {"following: off for keep rules that need the whole input",
       {},
       {Options(
           {{Click("chkFollow"), Click("optKeepLast")}, {Enabled("chkFollow", false)}, "cmdOK"})},
       {TextOf("lblSummary", "Options: keeping the last of each")},
       {},
       {}},
      {"robustness: a window that is not a whole number is refused, the dialog stays open",
       {},
       {Options({{Click("chkIgnoreCase"), Type("txtWindow", "thirty"), Click("cmdOK")},
                 {Visible("cmdOK", true), TextOf("txtWindow", "thirty")},
                 "cmdCancel"})},
       {TextOf("lblSummary", "")},
       {"The time window must be a whole number of seconds"},
       {}},
  };
}

void AppendBytes(const std::filesystem::path& file, const std::string& bytes) {
  WriteBytes(file, ReadBytes(file) + bytes);
}

std::string Describe(const std::vector<std::string>& texts) {
  std::ostringstream out;
  for (const std::string& text : texts) out << "[" << text << "]";
  return out.str();
}

}  // namespace

const std::vector<WindowCase>& MainWindowCases() {
  static const std::vector<WindowCase> cases = MakeCases();
  return cases;
}

namespace {

void CheckShows(const std::vector<ControlShows>& expected, WindowDriver& driver,
                std::vector<std::string>& faults, std::string_view where) {
  for (const ControlShows& shows : expected) {
    const auto fault = [&](std::string_view what, const std::string& got) {
      faults.push_back(std::string(where) + shows.control + ": " + std::string(what) + " is " +
                       got);
    };
    if (shows.text) {
      const std::string text = driver.Text(shows.control);
      const bool same = shows.textIsPrefix ? text.rfind(*shows.text, 0) == 0 : text == *shows.text;
      if (!same) fault("text", "\"" + text + "\", not \"" + *shows.text + "\"");
    }
    if (shows.visible && driver.Visible(shows.control) != *shows.visible)
      fault("visible", *shows.visible ? "false" : "true");
    if (shows.enabled && driver.Enabled(shows.control) != *shows.enabled)
      fault("enabled", *shows.enabled ? "false" : "true");
    if (shows.checked && driver.Checked(shows.control) != *shows.checked)
      fault("checked", *shows.checked ? "false" : "true");
  }
}

void RunSteps(const std::vector<WindowStep>& steps, WindowDriver& driver,
              const std::filesystem::path& base, std::vector<std::string>& faults);

// The Options dialog's visit: its steps, what it shows, and its closing click.
void VisitOptions(const DialogVisit& visit, WindowDriver& driver, const std::filesystem::path& base,
                  std::vector<std::string>& faults) {
  const bool closed = driver.WithOptionsDialog([&](WindowDriver& dialog) {
    RunSteps(visit.steps, dialog, base, faults);
    CheckShows(visit.shows, dialog, faults, "Options dialog: ");
    dialog.Click(visit.closeWith);
  });
  if (!closed) faults.push_back("the Options dialog did not open, or stayed open");
}

void RunSteps(const std::vector<WindowStep>& steps, WindowDriver& driver,
              const std::filesystem::path& base, std::vector<std::string>& faults) {
  for (const WindowStep& step : steps) {
    switch (step.kind) {
      case Kind::Click:
        driver.Click(step.control);
        break;
      case Kind::Type:
        driver.Type(step.control, step.text);
        break;
      case Kind::Answer:
        driver.AnswerNextDialog((base / step.text).string());
        break;
      case Kind::CancelDialog:
        driver.AnswerNextDialog(std::nullopt);
        break;
      case Kind::RunToEnd:
        if (!driver.RunToEnd()) faults.push_back("the run did not end");
        break;
      case Kind::Options:
        VisitOptions(*step.options, driver, base, faults);
        break;
      case Kind::Reopen:
        driver.Reopen();
        break;
      case Kind::PastDoubleClick: {
        // Longer than the systems' default double-click time (0.5 s), which tests keep.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
        driver.WaitUntil([until] { return std::chrono::steady_clock::now() >= until; });
        break;
      }
      case Kind::Append:
        AppendBytes(base / step.control, step.text);
        break;
      case Kind::WaitFor:
        if (!driver.WaitUntil([&] { return driver.Text(step.control).rfind(step.text, 0) == 0; }))
          faults.push_back(step.control + " never showed \"" + step.text + "\" (it shows \"" +
                           driver.Text(step.control) + "\")");
        break;
    }
  }
}

}  // namespace

std::vector<std::string> RunWindowCase(const WindowCase& windowCase, WindowDriver& driver,
                                       const std::string& folder) {
  const std::filesystem::path base(folder);
  for (const auto& [name, bytes] : windowCase.files) WriteBytes(base / name, bytes);
  std::vector<std::string> faults;
  RunSteps(windowCase.steps, driver, base, faults);
  CheckShows(windowCase.shows, driver, faults, "");
  // A message that starts with the expected text (a path or a reason follows).
  const std::vector<std::string> messages = driver.Messages();
  bool sameMessages = messages.size() == windowCase.messages.size();
  for (std::size_t i = 0; sameMessages && i < messages.size(); ++i)
    sameMessages = messages[i].rfind(windowCase.messages[i], 0) == 0;
  if (!sameMessages)
    faults.push_back("messages are " + Describe(messages) + ", not " +
                     Describe(windowCase.messages));
  for (const auto& [name, bytes] : windowCase.filesAfter)
    if (const std::string got = ReadBytes(base / name); got != bytes)
      faults.push_back(name + " holds \"" + got + "\"");
  return faults;
}

}  // namespace sievra::testing
