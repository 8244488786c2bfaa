#include "sievra/ui/frm_main.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <utility>

#include "layout_controls.h"
#include "sievra/presentation/hand_off_annotations.h"
#include "sievra/presentation/result_lines.h"
#include "sievra/presentation/window_layout.h"
#include "sievra/ui/file_chooser.h"
#include "sievra/ui/frm_help.h"
#include "sievra/ui/frm_options.h"
#include "sievra/ui/help_location.h"
#include "sievra/ui/rich_text_box.h"
#include "sievra/ui/twips.h"

namespace sievra {

namespace {

// A task from another thread, run when the window's thread takes the event.
class TaskEvent final : public QEvent {
 public:
  static inline const QEvent::Type kType = static_cast<QEvent::Type>(QEvent::registerEventType());
  explicit TaskEvent(std::function<void()> task) : QEvent(kType), task_(std::move(task)) {}
  // Also when Qt drops the event unrun, with the window.
  ~TaskEvent() override { HandOffAcquire(this); }
  void Run() const { task_(); }

 private:
  std::function<void()> task_;
};

// What is remembered between launches, in an INI file on every system (no registry).
class QtSettingsStore final : public SettingsStore {
 public:
  std::string Value(std::string_view key) const override {
    return Stored().value(Key(key)).toString().toStdString();
  }
  void SetValue(std::string_view key, const std::string& value) override {
    Stored().setValue(Key(key), QString::fromStdString(value));
  }

 private:
  static QSettings Stored() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Sievra"),
                     QStringLiteral("Sievra"));
  }
  static QString Key(std::string_view key) {
    return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
  }
};

// Numbers as the user's locale writes them.
NumberFormat LocaleNumbers() {
  return {[](std::uint64_t value) {
            return QLocale().toString(static_cast<qulonglong>(value)).toStdString();
          },
          [](double value) { return QLocale().toString(value, 'f', 1).toStdString(); }};
}
}  // namespace

frmMain::frmMain(FileChooser& chooser, MessageSink& messages, QString helpFilePath)
    : chooser_(chooser), messages_(messages), helpFilePath_(std::move(helpFilePath)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(FromUtf8(kMainWindowCaption));
  resize(TwipsToPixels(kMainClientWidthTwips), TwipsToPixels(kMainClientHeightTwips));
  setAcceptDrops(true);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  createControls();
  settings_ = std::make_unique<QtSettingsStore>();
  // Tasks from the run's worker thread run on this window's thread, and not at
  // all once the window is gone (Qt drops the window's posted events with it).
  UiDispatcher dispatch = [this](std::function<void()> task) {
    auto* event = new TaskEvent(std::move(task));
    HandOffRelease(event);
    QCoreApplication::postEvent(this, event);
  };
  MainWindowOptions options;
  options.numbers = LocaleNumbers();
  options.doubleClickInterval = std::chrono::milliseconds(QApplication::doubleClickInterval());
  options.localEncoding = [](std::string_view utf8) {
    return FromUtf8(utf8).toLocal8Bit().toStdString();
  };
  MainWindowView& view = *this;
  model_ = std::make_unique<MainWindowModel>(view, *settings_, std::move(dispatch), options);
  Render(model_->State());
  connectSignals();
  findChild<QWidget*>(FromUtf8(kFocusAtStart))->setFocus();
}

frmMain::~frmMain() { Form_Unload(); }

QString frmMain::DefaultHelpFile() {
  return HelpFileForProgramIn(QCoreApplication::applicationDirPath());
}

// The controls of the layout table, and the members that name them.
void frmMain::createControls() {
  CreateControls(*this, kMainWindowLayout);
  const auto named = [this]<class Widget>(Widget*& member, const char* name) {
    member = findChild<Widget*>(QLatin1String(name));
  };
  named(frmInput, "frmInput");
  named(txtInputFileName, "txtInputFileName");
  named(cmdBrowseInput, "cmdBrowseInput");
  named(frmOutput, "frmOutput");
  named(txtOutputFilename, "txtOutputFilename");
  named(cmdBrowseOutput, "cmdBrowseOutput");
  named(frmCallsign, "frmCallsign");
  named(txtKeyPhrase, "txtKeyPhrase");
  named(frmPacketorTxt, "frmPacketorTxt");
  named(optPacket, "optPacket");
  named(optText, "optText");
  named(frmStripPath, "frmStripPath");
  named(optStripPathYes, "optStripPathYes");
  named(optStripPathNo, "optStripPathNo");
  named(frmOutputTxt, "frmOutputTxt");
  named(rtbResults, "rtbResults");
  named(cmdStart, "cmdStart");
  named(cmdHelp, "cmdHelp");
  named(cmdOptions, "cmdOptions");
  named(cmdClose, "cmdClose");
  named(lblSummary, "lblSummary");
  named(prgRun, "prgRun");
}

void frmMain::connectSignals() {
  connect(cmdBrowseInput, &QPushButton::clicked, this, &frmMain::cmdBrowseInput_Click);
  connect(cmdBrowseOutput, &QPushButton::clicked, this, &frmMain::cmdBrowseOutput_Click);
  connect(cmdStart, &QPushButton::clicked, this, [this] { model_->cmdStart_Click(); });
  // An option selected by the mouse or by the arrow keys; Render selecting the
  // one the model holds selects it again, which changes nothing.
  const auto chosen = [this](QRadioButton* option, void (MainWindowModel::*click)()) {
    connect(option, &QRadioButton::toggled, this, [this, click](bool checked) {
      if (checked) (model_.get()->*click)();
    });
  };
  chosen(optPacket, &MainWindowModel::optPacket_Click);
  chosen(optText, &MainWindowModel::optText_Click);
  chosen(optStripPathYes, &MainWindowModel::optStripPathYes_Click);
  chosen(optStripPathNo, &MainWindowModel::optStripPathNo_Click);
  // Every change of a box's text; Render's own come back as the text the model holds.
  const auto typed = [this](QLineEdit* box, void (MainWindowModel::*changed)(const std::string&)) {
    connect(box, &QLineEdit::textChanged, this,
            [this, changed](const QString& text) { (model_.get()->*changed)(text.toStdString()); });
  };
  typed(txtInputFileName, &MainWindowModel::txtInputFileName_Change);
  typed(txtOutputFilename, &MainWindowModel::txtOutputFilename_Change);
  typed(txtKeyPhrase, &MainWindowModel::txtKeyPhrase_Change);
  connect(cmdHelp, &QPushButton::clicked, this, &frmMain::cmdHelp_Click);
  connect(cmdOptions, &QPushButton::clicked, this, &frmMain::cmdOptions_Click);
  connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
}

void frmMain::cmdBrowseInput_Click() {
  const std::optional<QString> chosen = chooser_.Choose(this, model_->InputDialog());
  if (!chosen) return;  // cancelled: nothing changes
  model_->InputChosen(chosen->toStdString());
}

void frmMain::cmdBrowseOutput_Click() {
  const std::optional<QString> chosen = chooser_.Choose(this, model_->OutputDialog());
  if (!chosen) return;
  model_->OutputChosen(chosen->toStdString());
}

// The one local file a drop carries, in native form; empty for anything else
// (text, a web address, a folder, several files).
QString frmMain::DroppedFile(const QDropEvent* event) const {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls[0].isLocalFile()) return QString();
  const QString path = urls[0].toLocalFile();
  if (path.isEmpty() || QFileInfo(path).isDir()) return QString();
  return QDir::toNativeSeparators(path);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (model_->AcceptsDrop() && !DroppedFile(event).isEmpty()) event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event);
  if (path.isEmpty() || !model_->AcceptsDrop()) return;
  const QPoint onOutput = frmOutput->mapFrom(this, event->position().toPoint());
  const bool output = frmOutput->rect().contains(onOutput);
  model_->FileDropped(path.toStdString(), output);
  event->acceptProposedAction();
}

// A box's text is set only when it differs from the state's, so that typing
// keeps its cursor; a chosen file's name replaces whatever was typed.
void frmMain::Render(const MainWindowState& state) {
  const auto showText = [](QLineEdit* box, const std::string& text) {
    if (const QString wanted = FromUtf8(text); box->text() != wanted) box->setText(wanted);
  };
  showText(txtInputFileName, state.inputBoxText);
  showText(txtOutputFilename, state.outputBoxText);
  showText(txtKeyPhrase, state.callsignText);
  (state.packetSelected ? optPacket : optText)->setChecked(true);
  (state.stripPath ? optStripPathYes : optStripPathNo)->setChecked(true);
  frmCallsign->setVisible(state.callsignVisible);
  // While a run goes on, only Cancel, Help, Close and the results box respond.
  for (QWidget* control :
       std::initializer_list<QWidget*>{cmdBrowseInput, cmdBrowseOutput, txtKeyPhrase, optPacket,
                                       optText, optStripPathYes, optStripPathNo, cmdOptions})
    control->setEnabled(state.choicesEnabled);
  if (cmdStart->text() != FromUtf8(state.startCaption))
    cmdStart->setText(FromUtf8(state.startCaption));
  prgRun->setVisible(state.progressVisible);
  prgRun->setValue(state.progressPermille);
  if (lblSummary->text() != FromUtf8(state.summary)) lblSummary->setText(FromUtf8(state.summary));
}

void frmMain::ShowMessage(std::string_view text) { messages_.ShowMessage(text); }

void frmMain::ShowResult(const ResultLines& lines, std::size_t firstNewRow) {
  rtbResults->ShowPlainLines(lines, firstNewRow);
  if (firstNewRow == 0)
    rtbResults->SetRightMargin(rtbResults->Width() + float{kResultsRightMarginExtraTwips});
}

void frmMain::ClearResult() { rtbResults->Clear(); }

void frmMain::RunFinished() { emit runFinished(); }

void frmMain::cmdHelp_Click() {
  if (!help_) help_ = new frmHelp(helpFilePath_);
  help_->show();
  help_->raise();
  help_->activateWindow();
}

// The dialog changes nothing until its OK is accepted; Cancel and Esc leave
// every choice as it was.
void frmMain::cmdOptions_Click() {
  frmOptions dialog(model_->OptionsDialog(), messages_, this);
  if (dialog.exec() == QDialog::Accepted) model_->OptionsChosen(dialog.Choices());
}

bool frmMain::event(QEvent* event) {
  HandOffAcquire(event);  // before the event is read: it may come from the run's thread
  if (event->type() != TaskEvent::kType) return QWidget::event(event);
  static_cast<const TaskEvent*>(event)->Run();
  return true;
}

void frmMain::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
  emit closed();
}

// A run still going is cancelled first and waited for (the engine stops within
// a fraction of a second and removes its temporary file); no file stays open
// between events, so the rest is closing the help window.
void frmMain::Form_Unload() {
  model_->Form_Unload();
  delete help_.data();
}

}  // namespace sievra
