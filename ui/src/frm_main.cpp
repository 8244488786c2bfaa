#include "sievra/ui/frm_main.h"

#include <QApplication>
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

#include "frame_caption_style.h"
#include "sievra/presentation/result_lines.h"
#include "sievra/ui/file_chooser.h"
#include "sievra/ui/frm_help.h"
#include "sievra/ui/help_location.h"
#include "sievra/ui/rich_text_box.h"
#include "sievra/ui/twips.h"

namespace sievra {

namespace {
// At this size every caption fits its control at the sizes the layout gives.
constexpr int kUiPointSize = 8;
// The results box wraps this far beyond its width: in effect, lines do not wrap.
constexpr float kRightMarginExtraTwips = 10000.0f;

template <class Widget>
Widget* Place(Widget* widget, const char* name, double left, double top, double width,
              double height) {
  widget->setObjectName(QLatin1String(name));
  widget->setGeometry(TwipsRect(left, top, width, height));
  return widget;
}

// The window grows downward by the summary line and the progress bar below
// the designed controls.
constexpr double kClientHeightTwips = 7200;

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The one thing remembered between launches: where the Open dialog was last
// used. An INI file on every system (no registry).
class QtSettingsStore final : public SettingsStore {
 public:
  std::string InputFolder() const override {
    return Stored().value(kInputFolderKey).toString().toStdString();
  }
  void SetInputFolder(const std::string& folder) override {
    Stored().setValue(kInputFolderKey, QString::fromStdString(folder));
  }

 private:
  static QSettings Stored() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Sievra"),
                     QStringLiteral("Sievra"));
  }
  static inline const QString kInputFolderKey = QStringLiteral("InputFolder");
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
  setWindowTitle(QStringLiteral("Sievra"));
  QFont uiFont = font();
  uiFont.setPointSize(kUiPointSize);
  setFont(uiFont);
  resize(TwipsToPixels(9615), TwipsToPixels(kClientHeightTwips));
  setAcceptDrops(true);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  createControls();
  arrangeTabOrder();
  settings_ = std::make_unique<QtSettingsStore>();
  // Tasks from the run's worker thread run on this window's thread, and not at
  // all once the window is gone.
  UiDispatcher dispatch = [this](std::function<void()> task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
  };
  MainWindowOptions options;
  options.numbers = LocaleNumbers();
  options.doubleClickInterval = std::chrono::milliseconds(QApplication::doubleClickInterval());
  MainWindowView& view = *this;
  model_ = std::make_unique<MainWindowModel>(view, *settings_, std::move(dispatch), options);
  connectSignals();
  cmdBrowseInput->setFocus();
}

frmMain::~frmMain() { Form_Unload(); }

QString frmMain::DefaultHelpFile() {
  return HelpFileForProgramIn(QCoreApplication::applicationDirPath());
}

void frmMain::createControls() {
  frmInput =
      Place(new QGroupBox(QStringLiteral("Input File"), this), "frmInput", 90, 90, 5325, 735);
  txtInputFileName = Place(new QLineEdit(FromUtf8(shown_.inputBoxText), frmInput),
                           "txtInputFileName", 135, 270, 4065, 285);
  cmdBrowseInput = Place(new QPushButton(QStringLiteral("Browse"), frmInput), "cmdBrowseInput",
                         4365, 225, 780, 375);
  frmOutput =
      Place(new QGroupBox(QStringLiteral("Output File"), this), "frmOutput", 90, 1035, 5325, 780);
  txtOutputFilename = Place(new QLineEdit(FromUtf8(shown_.outputBoxText), frmOutput),
                            "txtOutputFilename", 90, 270, 4110, 285);
  cmdBrowseOutput = Place(new QPushButton(QStringLiteral("Browse"), frmOutput), "cmdBrowseOutput",
                          4365, 225, 780, 375);
  frmCallsign = Place(new QGroupBox(QStringLiteral("Target Callsign"), this), "frmCallsign", 5670,
                      90, 2850, 735);
  txtKeyPhrase = Place(new QLineEdit(frmCallsign), "txtKeyPhrase", 180, 270, 2535, 285);
  frmPacketorTxt = Place(new QGroupBox(QStringLiteral("FileType"), this), "frmPacketorTxt", 5670,
                         990, 1095, 825);
  optPacket = Place(new QRadioButton(QStringLiteral("Packet"), frmPacketorTxt), "optPacket", 90,
                    225, 870, 330);
  optText =
      Place(new QRadioButton(QStringLiteral("Text"), frmPacketorTxt), "optText", 90, 495, 690, 285);
  frmStripPath = Place(new QGroupBox(QStringLiteral("Strip Digi Path"), this), "frmStripPath", 7020,
                       990, 1500, 825);
  optStripPathYes = Place(new QRadioButton(QStringLiteral("Yes"), frmStripPath), "optStripPathYes",
                          360, 495, 690, 285);
  optStripPathNo = Place(new QRadioButton(QStringLiteral("No"), frmStripPath), "optStripPathNo",
                         360, 225, 690, 285);
  frmOutputTxt = Place(new QGroupBox(QStringLiteral("Output File"), this), "frmOutputTxt", 90, 1935,
                       8430, 4560);
  rtbResults = Place(new RichTextBox(frmOutputTxt), "rtbResults", 90, 225, 8250, 4245);
  cmdStart =
      Place(new QPushButton(QStringLiteral("Start"), this), "cmdStart", 8640, 5265, 870, 510);
  cmdHelp = Place(new QPushButton(QStringLiteral("Help"), this), "cmdHelp", 8640, 270, 870, 510);
  cmdClose =
      Place(new QPushButton(QStringLiteral("Close"), this), "cmdClose", 8640, 5940, 870, 510);
  lblSummary = Place(new QLabel(this), "lblSummary", 90, 6570, 9420, 255);
  prgRun = Place(new QProgressBar(this), "prgRun", 90, 6870, 9420, 240);
  prgRun->setRange(0, 1000);
  prgRun->hide();
  // A file dropped on a name box is handled by the window, as a chosen file.
  for (QLineEdit* box : {txtInputFileName, txtOutputFilename, txtKeyPhrase})
    box->setAcceptDrops(false);
  for (QGroupBox* frame :
       {frmInput, frmOutput, frmCallsign, frmPacketorTxt, frmStripPath, frmOutputTxt})
    frame->setStyle(FrameCaptionStyle());
  optPacket->setChecked(true);
  optStripPathNo->setChecked(true);
  for (QPushButton* button : {cmdBrowseInput, cmdBrowseOutput, cmdStart, cmdHelp, cmdClose})
    button->setAutoDefault(false);
}

// Tab indexes as designed; frames take no focus, so only their contents appear.
void frmMain::arrangeTabOrder() {
  const std::pair<int, QWidget*> order[] = {
      {3, cmdBrowseInput},  {4, txtInputFileName}, {5, cmdBrowseOutput}, {6, txtOutputFilename},
      {8, rtbResults},      {9, txtKeyPhrase},     {10, cmdStart},       {12, optPacket},
      {13, optText},        {14, cmdHelp},         {15, cmdClose},       {17, optStripPathYes},
      {18, optStripPathNo},
  };
  for (std::size_t i = 1; i < std::size(order); ++i)
    QWidget::setTabOrder(order[i - 1].second, order[i].second);
}

void frmMain::connectSignals() {
  connect(cmdBrowseInput, &QPushButton::clicked, this, &frmMain::cmdBrowseInput_Click);
  connect(cmdBrowseOutput, &QPushButton::clicked, this, &frmMain::cmdBrowseOutput_Click);
  connect(cmdStart, &QPushButton::clicked, this, &frmMain::cmdStart_Click);
  connect(optPacket, &QRadioButton::clicked, this, [this] { model_->optPacket_Click(); });
  connect(optText, &QRadioButton::clicked, this, [this] { model_->optText_Click(); });
  connect(cmdHelp, &QPushButton::clicked, this, &frmMain::cmdHelp_Click);
  connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
  // Tab enters an option group at its selected option; arrow keys move within it.
  for (QRadioButton* option : {optPacket, optText, optStripPathYes, optStripPathNo}) {
    const auto follow = [option](bool selected) {
      option->setFocusPolicy(selected ? Qt::StrongFocus : Qt::ClickFocus);
    };
    follow(option->isChecked());
    connect(option, &QRadioButton::toggled, this, follow);
  }
}

void frmMain::cmdBrowseInput_Click() {
  const std::optional<QString> chosen = chooser_.Choose(this, model_->InputDialog());
  if (!chosen) return;  // cancelled: nothing changes
  model_->InputChosen(chosen->toStdString());
  ShowChosenName(false);
}

void frmMain::cmdBrowseOutput_Click() {
  const std::optional<QString> chosen = chooser_.Choose(this, model_->OutputDialog());
  if (!chosen) return;
  model_->OutputChosen(chosen->toStdString());
  ShowChosenName(true);
}

// A chosen file's name replaces whatever was typed in its box, even when it is
// the name shown before.
void frmMain::ShowChosenName(bool output) {
  if (output) {
    txtOutputFilename->setText(FromUtf8(shown_.outputBoxText));
  } else {
    txtInputFileName->setText(FromUtf8(shown_.inputBoxText));
  }
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
  ShowChosenName(output);
  event->acceptProposedAction();
}

void frmMain::cmdStart_Click() {
  model_->cmdStart_Click(StartControls{txtKeyPhrase->text().toLocal8Bit().toStdString(),
                                       optStripPathYes->isChecked(), optText->isChecked(),
                                       optPacket->isChecked()});
}

// Only what changed is touched: a name box the user typed in keeps its text
// until a file is chosen.
void frmMain::Render(const MainWindowState& state) {
  if (state.inputBoxText != shown_.inputBoxText)
    txtInputFileName->setText(FromUtf8(state.inputBoxText));
  if (state.outputBoxText != shown_.outputBoxText)
    txtOutputFilename->setText(FromUtf8(state.outputBoxText));
  frmCallsign->setVisible(state.callsignVisible);
  // While a run goes on, only Cancel, Help, Close and the results box respond.
  for (QWidget* control :
       std::initializer_list<QWidget*>{cmdBrowseInput, cmdBrowseOutput, txtKeyPhrase, optPacket,
                                       optText, optStripPathYes, optStripPathNo})
    control->setEnabled(state.choicesEnabled);
  if (state.startCaption != shown_.startCaption) cmdStart->setText(FromUtf8(state.startCaption));
  prgRun->setVisible(state.progressVisible);
  prgRun->setValue(state.progressPermille);
  if (state.summary != shown_.summary) lblSummary->setText(FromUtf8(state.summary));
  shown_ = state;
}

void frmMain::ShowMessage(std::string_view text) { messages_.ShowMessage(text); }

void frmMain::ShowResult(const ResultLines& lines, std::size_t firstNewRow) {
  rtbResults->ShowPlainLines(lines, firstNewRow);
  if (firstNewRow == 0) rtbResults->SetRightMargin(rtbResults->Width() + kRightMarginExtraTwips);
}

void frmMain::ClearResult() { rtbResults->Clear(); }

void frmMain::RunFinished() { emit runFinished(); }

void frmMain::cmdHelp_Click() {
  if (!help_) help_ = new frmHelp(helpFilePath_);
  help_->show();
  help_->raise();
  help_->activateWindow();
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
