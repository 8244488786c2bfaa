#include <QAbstractButton>
#include <QCheckBox>
#include <QEventLoop>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <span>

#include "qt_test_support.h"
#include "sievra/presentation/window_layout.h"
#include "sievra/ui/frm_main.h"
#include "sievra/ui/frm_options.h"
#include "sievra/ui/plain_lines_view.h"
#include "sievra/ui/rich_text_box.h"
#include "sievra/ui/twips.h"
#include "window_cases.h"

using sievra::frmMain;

namespace {

using sievra::testing::PressStartAndWait;
using sievra::testing::ReadAll;
using sievra::testing::WindowFixture;
using sievra::testing::WriteAll;

QString CaptionOf(const QWidget* widget) {
  if (auto* frame = qobject_cast<const QGroupBox*>(widget)) return frame->title();
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (auto* box = qobject_cast<const QLineEdit*>(widget)) return box->text();
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  return QString();
}

bool IsOfKind(const QWidget* widget, sievra::ControlKind kind) {
  using sievra::ControlKind;
  switch (kind) {
    case ControlKind::Frame:
      return qobject_cast<const QGroupBox*>(widget);
    case ControlKind::Button:
      return qobject_cast<const QPushButton*>(widget);
    case ControlKind::Option:
      return qobject_cast<const QRadioButton*>(widget);
    case ControlKind::CheckBox:
      return qobject_cast<const QCheckBox*>(widget);
    case ControlKind::TextBox:
      return qobject_cast<const QLineEdit*>(widget);
    case ControlKind::ResultsBox:
      return qobject_cast<const sievra::RichTextBox*>(widget);
    case ControlKind::Label:
      return qobject_cast<const QLabel*>(widget);
    case ControlKind::ProgressBar:
      return qobject_cast<const QProgressBar*>(widget);
  }
  return false;
}

// The room a button's caption has: the contents rectangle its style draws the
// caption in, without the push button's bevel or the indicator of an option or
// a check box.
int CaptionRoom(const QAbstractButton* button) {
  QStyleOptionButton option;
  option.initFrom(button);
  QStyle::SubElement contents = QStyle::SE_PushButtonContents;
  if (qobject_cast<const QRadioButton*>(button)) contents = QStyle::SE_RadioButtonContents;
  if (qobject_cast<const QCheckBox*>(button)) contents = QStyle::SE_CheckBoxContents;
  return button->style()->subElementRect(contents, &option, button).width();
}

// Every caption of `window` that does not fit its control, described.
QStringList CaptionsThatDoNotFit(const QWidget& window) {
  QStringList faults;
  const auto check = [&](const QString& caption, int textWidth, int room) {
    if (textWidth > room)
      faults << QStringLiteral("%1: %2 > %3").arg(caption).arg(textWidth).arg(room);
  };
  for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
    check(button->text(), button->fontMetrics().horizontalAdvance(button->text()),
          CaptionRoom(button));
  for (const QGroupBox* frame : window.findChildren<QGroupBox*>())
    check(frame->title(), frame->fontMetrics().horizontalAdvance(frame->title()) + 8,
          frame->width());
  for (const QLabel* label : window.findChildren<QLabel*>())
    check(label->text(), label->fontMetrics().horizontalAdvance(label->text()),
          label->contentsRect().width());
  return faults;
}

// The object names the focus visits from where it is, pressing Tab `count` times.
QStringList TabWalk(qsizetype count) {
  QStringList visited;
  for (qsizetype i = 0; i < count; ++i) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return visited << QStringLiteral("<none>");
    QWidget* named = focus;
    while (named && named->objectName().isEmpty()) named = named->parentWidget();
    // The results box takes the focus in its inner text area.
    if (named && qobject_cast<sievra::RichTextBox*>(named->parentWidget()))
      named = named->parentWidget();
    visited << (named ? named->objectName() : QStringLiteral("<none>"));
    QTest::keyClick(focus, Qt::Key_Tab);
  }
  return visited;
}

// The Qt window as a user drives it: clicks and keys on its widgets. With a
// dialog given, the dialog's controls instead.
class QtWindowDriver final : public sievra::testing::WindowDriver {
 public:
  explicit QtWindowDriver(WindowFixture& fixture, QDialog* dialog = nullptr)
      : f_(fixture), dialog_(dialog) {}
  void Click(std::string_view control) override {
    QWidget* widget = Find(control);
    // Near the left edge: an option's circle, a button's face.
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(5, widget->height() / 2));
  }
  void Type(std::string_view control, std::string_view text) override {
    auto* box = qobject_cast<QLineEdit*>(Find(control));
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
  void AnswerNextDialog(std::optional<std::string> path) override {
    f_.chooser.answers.push_back(path ? std::optional(QString::fromStdString(*path))
                                      : std::nullopt);
  }
  bool RunToEnd() override { return PressStartAndWait(*f_.window); }
  std::string Text(std::string_view control) override {
    QWidget* widget = Find(control);
    if (auto* box = qobject_cast<sievra::RichTextBox*>(widget)) return box->Text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
    return CaptionOf(widget).toStdString();
  }
  bool Visible(std::string_view control) override { return Find(control)->isVisibleTo(Root()); }
  bool Enabled(std::string_view control) override { return Find(control)->isEnabled(); }
  bool Checked(std::string_view control) override {
    return qobject_cast<QAbstractButton*>(Find(control))->isChecked();
  }
  std::vector<std::string> Messages() override {
    std::vector<std::string> messages;
    for (const QString& message : f_.sink.messages) messages.push_back(message.toStdString());
    return messages;
  }
  bool WithOptionsDialog(
      const std::function<void(sievra::testing::WindowDriver& dialog)>& inDialog) override {
    return sievra::testing::WithModalDialog(*Find("cmdOptions"), [&](QDialog& dialog) {
      QtWindowDriver inside(f_, &dialog);
      inDialog(inside);
    });
  }
  bool WaitUntil(const std::function<bool()>& done) override { return QTest::qWaitFor(done, 5000); }
  // A new window reads what the last one remembered from the same INI file:
  // the fixture keeps QSettings in its folder for as long as it lives.
  void Reopen() override {
    f_.window->close();
    f_.window = std::make_unique<frmMain>(f_.chooser, f_.sink, f_.Path(QStringLiteral("help.rtf")));
    f_.window->show();
    if (!QTest::qWaitForWindowExposed(f_.window.get())) qFatal("the reopened window is not shown");
  }

 private:
  QWidget* Root() const { return dialog_ ? static_cast<QWidget*>(dialog_) : f_.window.get(); }
  QWidget* Find(std::string_view control) const {
    QWidget* widget = Root()->findChild<QWidget*>(QString::fromLatin1(control));
    if (!widget) qFatal("no control %s", std::string(control).c_str());
    return widget;
  }
  WindowFixture& f_;
  QDialog* dialog_;
};

}  // namespace

class tst_frmMain : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void startState_data();
  void startState();
  void windowAndOptionsAtStart();
  void tabOrder();
  void optionsDialogAtStart();
  void optionsDialogKeys_data();
  void optionsDialogKeys();
  void captionsFit();
  void runControlsOverlapNothing();
  void chooseInput_data();
  void chooseInput();
  void chooseOutput();
  void windowCases_data();
  void windowCases();
  void runAgainShowsTheNewResultWithItsMargin();
  void quickPressesShowOneMessageEach();
  void closedWindowLeavesTheEventLoopRunning();

 private:
  std::unique_ptr<WindowFixture> f_;
  frmMain* window_ = nullptr;
  sievra::testing::FakeChooser* chooser_ = nullptr;
  sievra::testing::RecordingSink* sink_ = nullptr;
};

void tst_frmMain::init() {
  f_ = std::make_unique<WindowFixture>();
  window_ = f_->window.get();
  chooser_ = &f_->chooser;
  sink_ = &f_->sink;
}

void tst_frmMain::cleanup() { f_.reset(); }

// Every row of both layout tables: the main window's and the Options dialog's.
void tst_frmMain::startState_data() {
  QTest::addColumn<bool>("inDialog");
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("container");
  QTest::addColumn<QRect>("twips");
  const auto rows = [](bool inDialog, std::span<const sievra::ControlLayout> layout) {
    for (const sievra::ControlLayout& control : layout) {
      const QString name = QString::fromLatin1(control.name);
      const sievra::Twips& at = control.place;
      QTest::newRow(qPrintable((inDialog ? "frmOptions." : "frmMain.") + name))
          << inDialog << name << static_cast<int>(control.kind)
          << QString::fromUtf8(control.caption) << QString::fromLatin1(control.container)
          << QRect(at.left, at.top, at.width, at.height);
    }
  };
  rows(false, sievra::kMainWindowLayout);
  rows(true, sievra::kOptionsDialogLayout);
}

void tst_frmMain::startState() {
  QFETCH(bool, inDialog);
  QFETCH(QString, name);
  QFETCH(int, kind);
  QFETCH(QString, caption);
  QFETCH(QString, container);
  QFETCH(QRect, twips);
  sievra::frmOptions dialog(window_->model().OptionsDialog(), *sink_);
  QWidget* window = inDialog ? static_cast<QWidget*>(&dialog) : window_;
  const auto* control = window->findChild<QWidget*>(name);
  QVERIFY(control);
  QVERIFY(IsOfKind(control, static_cast<sievra::ControlKind>(kind)));
  QCOMPARE(CaptionOf(control), caption);
  QCOMPARE(control->geometry(),
           sievra::TwipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
  QCOMPARE(control->parentWidget(),
           container.isEmpty() ? window : window->findChild<QWidget*>(container));
  QCOMPARE(control->isVisibleTo(window), name != "prgRun");
}

void tst_frmMain::windowAndOptionsAtStart() {
  QCOMPARE(window_->windowTitle(), QStringLiteral("Sievra"));
  QCOMPARE(window_->size(), QSize(sievra::TwipsToPixels(sievra::kMainClientWidthTwips),
                                  sievra::TwipsToPixels(sievra::kMainClientHeightTwips)));
  QVERIFY(window_->optPacket->isChecked() && !window_->optText->isChecked());
  QVERIFY(window_->optStripPathNo->isChecked() && !window_->optStripPathYes->isChecked());
  QCOMPARE(window_->focusWidget(), window_->cmdBrowseInput);
  QVERIFY(window_->rtbResults->Text().isEmpty());
  for (QGroupBox* frame : window_->findChildren<QGroupBox*>())
    QCOMPARE(frame->focusPolicy(), Qt::NoFocus);
  for (QAbstractButton* button : window_->findChildren<QAbstractButton*>())
    QVERIFY2(!button->text().contains('&'), qPrintable(button->text()));
  const sievra::MainWindowModel& model = window_->model();
  QVERIFY(model.InputPath().empty() && model.OutputPath().empty() && model.PacketMode());
}

void tst_frmMain::tabOrder() {
  window_->show();
  QVERIFY(QTest::qWaitForWindowActive(window_));
  // Tab goes to the selected option of a group only, as arrow keys move within it.
  const QStringList expected = {"cmdBrowseInput",    "txtInputFileName", "cmdBrowseOutput",
                                "txtOutputFilename", "rtbResults",       "txtKeyPhrase",
                                "cmdStart",          "optPacket",        "cmdHelp",
                                "cmdClose",          "optStripPathNo",   "cmdOptions"};
  QCOMPARE(TabWalk(expected.size()), expected);
  QCOMPARE(QApplication::focusWidget(), window_->cmdBrowseInput);  // and round again
  // An arrow key selects the other option, which then holds the group's tab stop.
  window_->optStripPathNo->setFocus();
  QTest::keyClick(window_->optStripPathNo, Qt::Key_Down);
  QVERIFY(window_->optStripPathYes->isChecked());
  window_->cmdClose->setFocus();
  QTest::keyClick(window_->cmdClose, Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), window_->optStripPathYes);
}

// The dialog as Options opens it: modal over the window, sized as designed,
// the focus on its first choice and Tab through the rest.
void tst_frmMain::optionsDialogAtStart() {
  window_->show();
  QVERIFY(QTest::qWaitForWindowActive(window_));
  const QStringList expected = {"chkIgnoreCase",    "chkIgnoreSpacing", "optKeepFirst", "txtWindow",
                                "chkRemovedReport", "chkCountReport",   "chkFollow",    "cmdOK",
                                "cmdCancel",        "chkIgnoreCase"};
  QStringList visited;
  QVERIFY(sievra::testing::WithModalDialog(*window_->cmdOptions, [&](QDialog& dialog) {
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Options"));
    QCOMPARE(dialog.parentWidget(), window_);
    QVERIFY(dialog.isModal());
    QCOMPARE(dialog.size(), QSize(sievra::TwipsToPixels(sievra::kOptionsClientWidthTwips),
                                  sievra::TwipsToPixels(sievra::kOptionsClientHeightTwips)));
    QCOMPARE(QApplication::activeWindow(), &dialog);
    visited = TabWalk(expected.size());
    dialog.reject();
  }));
  QCOMPARE(visited, expected);
}

// Esc drops what was chosen in the dialog; Enter takes it, as OK would.
void tst_frmMain::optionsDialogKeys_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<bool>("taken");
  QTest::newRow("nominal: Esc") << int{Qt::Key_Escape} << false;
  QTest::newRow("nominal: Enter") << int{Qt::Key_Return} << true;
}

void tst_frmMain::optionsDialogKeys() {
  QFETCH(int, key);
  QFETCH(bool, taken);
  window_->show();
  QVERIFY(QTest::qWaitForWindowActive(window_));
  QVERIFY(sievra::testing::WithModalDialog(*window_->cmdOptions, [&](QDialog& dialog) {
    auto& options = static_cast<sievra::frmOptions&>(dialog);
    options.chkIgnoreCase->click();
    QTest::keyClick(options.chkIgnoreCase, static_cast<Qt::Key>(key));
  }));
  QCOMPARE(window_->model().State().choices.ignoreCase, taken);
  QCOMPARE(window_->lblSummary->text().isEmpty(), !taken);
}

void tst_frmMain::captionsFit() {
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_));
  sievra::frmOptions dialog(window_->model().OptionsDialog(), *sink_);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  const QStringList faults = CaptionsThatDoNotFit(*window_) + CaptionsThatDoNotFit(dialog);
  QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
}

void tst_frmMain::runControlsOverlapNothing() {
  for (const QWidget* added :
       {static_cast<QWidget*>(window_->lblSummary), static_cast<QWidget*>(window_->prgRun)}) {
    QVERIFY(window_->rect().contains(added->geometry()));
    for (const QWidget* other : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (other != added && !other->objectName().isEmpty())
        QVERIFY2(!added->geometry().intersects(other->geometry()),
                 qPrintable(added->objectName() + " overlaps " + other->objectName()));
    }
  }
}

void tst_frmMain::chooseInput_data() {
  QTest::addColumn<QString>("chosen");
  QTest::addColumn<QString>("folder");
  QTest::addColumn<QString>("shown");
  QTest::newRow("nominal: Windows path") << "C:\\logs\\monitor.txt"
                                         << "C:\\logs"
                                         << "monitor.txt";
  QTest::newRow("nominal: non-ASCII name")
      << QString::fromUtf8("C:\\journaux\\été.log") << QString::fromUtf8("C:\\journaux")
      << QString::fromUtf8("été.log");
}

void tst_frmMain::chooseInput() {
  QFETCH(QString, chosen);
  QFETCH(QString, folder);
  QFETCH(QString, shown);
  chooser_->answers = {chosen};
  window_->cmdBrowseInput->click();
  QCOMPARE(chooser_->requests.size(), std::size_t{1});
  const sievra::FileDialogRequest& request = chooser_->requests[0];
  QCOMPARE(request.kind, sievra::FileDialogKind::Open);
  QCOMPARE(request.title, "Open/Import Data File");
  QCOMPARE(
      sievra::NameFiltersFromFilterList(QString::fromStdString(request.filter)),
      QStringList({"Text/Data files (*.txt, *.log) (*.txt *.log)", "Text files (*.txt) (*.txt)",
                   "Data files (*.dat) (*.dat)", "all files (*.*) (*)"}));
  QCOMPARE(request.filterIndex, 1);
  QCOMPARE(QString::fromStdString(window_->model().InputPath()), chosen);
  QCOMPARE(QString::fromStdString(window_->model().InputFolder()), folder);
  QCOMPARE(window_->txtInputFileName->text(), shown);
  // The output dialog starts in the input's folder.
  window_->cmdBrowseOutput->click();
  QCOMPARE(QString::fromStdString(chooser_->requests.back().initialFolder), folder);
}

void tst_frmMain::chooseOutput() {
  chooser_->answers = {QStringLiteral("D:\\out\\unique.txt")};
  window_->cmdBrowseOutput->click();
  const sievra::FileDialogRequest& request = chooser_->requests.at(0);
  QCOMPARE(request.kind, sievra::FileDialogKind::SaveAs);
  QCOMPARE(request.title, "Select or Enter Export Data File");
  QCOMPARE(sievra::NameFiltersFromFilterList(QString::fromStdString(request.filter)),
           QStringList({"Text/Log files (*.txt, *.log) (*.txt *.log)", "Text files (*.txt) (*.txt)",
                        "Log files (*.log) (*.log)", "all files (*.*) (*)"}));
  QCOMPARE(request.filterIndex, 2);
  QCOMPARE(request.initialFolder, std::string());  // no input chosen yet
  QCOMPARE(window_->model().OutputPath(), std::string("D:\\out\\unique.txt"));
  QCOMPARE(window_->model().InputFolder(), std::string());
  QCOMPARE(window_->txtOutputFilename->text(), QStringLiteral("unique.txt"));
}

void tst_frmMain::windowCases_data() {
  QTest::addColumn<int>("index");
  const std::vector<sievra::testing::WindowCase>& cases = sievra::testing::MainWindowCases();
  for (std::size_t i = 0; i < cases.size(); ++i)
    QTest::newRow(cases[i].name.c_str()) << static_cast<int>(i);
}

void tst_frmMain::windowCases() {
  QFETCH(int, index);
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_));
  QtWindowDriver driver(*f_);
  const std::vector<std::string> faults = sievra::testing::RunWindowCase(
      sievra::testing::MainWindowCases().at(static_cast<std::size_t>(index)), driver,
      f_->dir.path().toStdString());
  QString described;
  for (const std::string& fault : faults) described += QString::fromStdString(fault) + "; ";
  QVERIFY2(faults.empty(), qPrintable(described));
}

// What each run shows is in the shared window cases; here, what only this
// window holds: the results box's margin, and Start pressed again.
void tst_frmMain::runAgainShowsTheNewResultWithItsMargin() {
  const QString input = f_->Path(QStringLiteral("in.txt"));
  const QString output = f_->Path(QStringLiteral("out.txt"));
  WriteAll(input, "b\r\na\r\nb\r\n");
  f_->ChooseFiles(input, output);
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_));
  window_->optText->click();
  for (const QByteArray& bytes : {QByteArray("b\r\na\r\nb\r\n"), QByteArray("c\r\nc\r\n")}) {
    WriteAll(input, bytes);
    QVERIFY(PressStartAndWait(*window_));
    QVERIFY2(sink_->messages.isEmpty(), qPrintable(sink_->messages.join('|')));
    QCOMPARE(window_->rtbResults->Text(), bytes.startsWith('b') ? "b\na" : "c");
    QCOMPARE(window_->rtbResults->RightMargin(),
             window_->rtbResults->Width() + float{sievra::kResultsRightMarginExtraTwips});
  }
}

void tst_frmMain::quickPressesShowOneMessageEach() {
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_));
  f_->ChooseFiles(f_->Path(QStringLiteral("absent.txt")), f_->Path(QStringLiteral("unique.txt")));
  QSignalSpy presses(window_->cmdStart, &QPushButton::clicked);
  QSignalSpy runs(window_, &frmMain::runFinished);
  // Two presses with the mouse and one with the keyboard, with no pause between:
  // one run, as a double-click on Start is not taken for Cancel.
  for (int round = 1; round <= 2; ++round) {
    QTest::mouseClick(window_->cmdStart, Qt::LeftButton);
    QTest::mouseClick(window_->cmdStart, Qt::LeftButton);
    window_->cmdStart->setFocus();
    QTest::keyClick(window_->cmdStart, Qt::Key_Space);
    QTRY_COMPARE(runs.count(), round);
    QCOMPARE(presses.count(), 3 * round);
    QCOMPARE(sink_->messages.size(), round);
    QVERIFY2(sink_->messages.last().startsWith("Cannot read the input file"),
             qPrintable(sink_->messages.last()));
    QCOMPARE(window_->cmdStart->text(), QStringLiteral("Start"));
  }
}

// The program ends on the window's closed signal, not the window itself, so a
// test can close a window and go on.
void tst_frmMain::closedWindowLeavesTheEventLoopRunning() {
  QSignalSpy closed(window_, &frmMain::closed);
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_));
  window_->cmdClose->click();
  QCOMPARE(closed.count(), 1);
  QVERIFY(!window_->isVisible());
  // A later event loop still waits for its events.
  QEventLoop loop;
  bool ran = false;
  QTimer::singleShot(20, &loop, [&] {
    ran = true;
    loop.quit();
  });
  loop.exec();
  QVERIFY(ran);
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
