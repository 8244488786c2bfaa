#include "sievra/ui/frm_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <utility>

#include "frame_caption_style.h"
#include "sievra/paths.h"
#include "sievra/ui/background_run.h"
#include "sievra/ui/file_chooser.h"
#include "sievra/ui/frm_help.h"
#include "sievra/ui/help_location.h"
#include "sievra/ui/rich_text_box.h"
#include "sievra/ui/run_summary.h"
#include "sievra/ui/twips.h"

namespace sievra {

namespace {
// At this size every caption fits its control at the sizes the layout gives.
constexpr int kUiPointSize = 8;
const QString kNoFileYet = QStringLiteral("enter filename or hit browse");
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

// Where the bar stands at the start of each stage, in thousandths: roughly each
// stage's share of a run's time, so that the bar moves at an even pace.
constexpr int kStageStart[] = {0, 100, 650, 800, 1000};

// The one thing remembered between launches: where the Open dialog was last
// used. An INI file on every system (no registry).
const QString kInputFolderKey = QStringLiteral("InputFolder");
QSettings Stored() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Sievra"),
                   QStringLiteral("Sievra"));
}
QString RememberedInputFolder() { return Stored().value(kInputFolderKey).toString(); }
void RememberInputFolder(const QString& folder) { Stored().setValue(kInputFolderKey, folder); }

// Frees a big result on a worker thread: unmapping hundreds of MB can take
// longer than the window may stall.
void FreeInBackground(PlainLines lines) {
  if (lines.ByteCount() < (qint64{1} << 20)) return;
  (void)QtConcurrent::run(
      [doomed = std::make_shared<PlainLines>(std::move(lines))]() mutable { doomed.reset(); });
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
  run_ = new BackgroundRun(this);
  connectSignals();
  cmdBrowseInput->setFocus();
}

frmMain::~frmMain() {
  closing_ = true;
  run_->CancelAndWait();
  delete help_.data();
}

QString frmMain::DefaultHelpFile() {
  return HelpFileForProgramIn(QCoreApplication::applicationDirPath());
}

void frmMain::createControls() {
  frmInput =
      Place(new QGroupBox(QStringLiteral("Input File"), this), "frmInput", 90, 90, 5325, 735);
  txtInputFileName =
      Place(new QLineEdit(kNoFileYet, frmInput), "txtInputFileName", 135, 270, 4065, 285);
  cmdBrowseInput = Place(new QPushButton(QStringLiteral("Browse"), frmInput), "cmdBrowseInput",
                         4365, 225, 780, 375);
  frmOutput =
      Place(new QGroupBox(QStringLiteral("Output File"), this), "frmOutput", 90, 1035, 5325, 780);
  txtOutputFilename =
      Place(new QLineEdit(kNoFileYet, frmOutput), "txtOutputFilename", 90, 270, 4110, 285);
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
  prgRun->setRange(0, kStageStart[4]);
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
  connect(optPacket, &QRadioButton::clicked, this, &frmMain::optPacket_Click);
  connect(optText, &QRadioButton::clicked, this, &frmMain::optText_Click);
  connect(cmdHelp, &QPushButton::clicked, this, &frmMain::cmdHelp_Click);
  connect(cmdClose, &QPushButton::clicked, this, &frmMain::cmdClose_Click);
  connect(run_, &BackgroundRun::progressed, this, &frmMain::ShowProgress);
  connect(run_, &BackgroundRun::piece, this, &frmMain::ShowResultPiece);
  connect(run_, &BackgroundRun::finished, this, &frmMain::ShowFinishedRun);
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
  const FileDialogRequest request{
      FileDialogKind::Open, QStringLiteral("Open/Import Data File"),
      QStringLiteral("Text/Data files (*.txt, *.log)|*.txt;*.log|Text files (*.txt)|*.txt|"
                     "Data files (*.dat)|*.dat|all files (*.*)|*.*|"),
      1, RememberedInputFolder()};
  const std::optional<QString> chosen = chooser_.Choose(this, request);
  if (chosen) ChooseInput(*chosen);  // cancelled: nothing changes
}

void frmMain::cmdBrowseOutput_Click() {
  const FileDialogRequest request{
      FileDialogKind::SaveAs, QStringLiteral("Select or Enter Export Data File"),
      QStringLiteral("Text/Log files (*.txt, *.log)|*.txt;*.log|Text files (*.txt)|*.txt|"
                     "Log files (*.log)|*.log|all files (*.*)|*.*|"),
      2, QString::fromStdString(choices_.InputFolder)};
  const std::optional<QString> chosen = chooser_.Choose(this, request);
  if (chosen) ChooseOutput(*chosen);
}

void frmMain::ChooseInput(const QString& path) {
  choices_.InputPath = path.toStdString();
  choices_.InputFolder = FolderOfPath(choices_.InputPath);
  txtInputFileName->setText(QString::fromStdString(FileNameOfPath(choices_.InputPath)));
  RememberInputFolder(QString::fromStdString(choices_.InputFolder));
}

void frmMain::ChooseOutput(const QString& path) {
  choices_.OutputPath = path.toStdString();
  txtOutputFilename->setText(QString::fromStdString(FileNameOfPath(choices_.OutputPath)));
}

// The one local file a drop carries, in native form; empty for anything else
// (text, a web address, a folder, several files) and while a run goes on.
QString frmMain::DroppedFile(const QDropEvent* event) const {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (running_ || urls.size() != 1 || !urls[0].isLocalFile()) return QString();
  const QString path = urls[0].toLocalFile();
  if (path.isEmpty() || QFileInfo(path).isDir()) return QString();
  return QDir::toNativeSeparators(path);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event).isEmpty()) event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event);
  if (path.isEmpty()) return;
  const QPoint onOutput = frmOutput->mapFrom(this, event->position().toPoint());
  if (frmOutput->rect().contains(onOutput)) {
    ChooseOutput(path);
  } else {
    ChooseInput(path);
  }
  event->acceptProposedAction();
}

void frmMain::cmdStart_Click() {
  if (running_) {
    // A double-click on Start must not cancel the run it just started.
    if (runClock_.elapsed() >= QApplication::doubleClickInterval()) run_->Cancel();
    return;
  }
  const RunSettings settings = CaptureSettings();
  if (settings.inputPath.empty() || settings.outputPath.empty()) {
    // Only the missing-file message: nothing to run in the background.
    ShowFinishedRun(FinishedRun{RunRequest(settings), false, QString(), false});
    return;
  }
  choices_.PacketMode = settings.fileType == FileType::Packet;
  runSettings_ = settings;
  FreeInBackground(rtbResults->TakePlainLines());  // the old result is being replaced
  SetRunning(true);
  runClock_.start();
  ShowProgress(StageProgress{});
  run_->Start(settings);
}

RunSettings frmMain::CaptureSettings() {
  // The file type as the run request captures it: Text, then Packet, each when
  // selected; with neither, the type chosen last.
  bool packet = choices_.PacketMode;
  if (optText->isChecked()) packet = false;
  if (optPacket->isChecked()) packet = true;
  RunSettings settings;
  settings.inputPath = choices_.InputPath;
  settings.outputPath = choices_.OutputPath;
  settings.fileType = packet ? FileType::Packet : FileType::Text;
  settings.callsignText = txtKeyPhrase->text().toLocal8Bit().toStdString();
  settings.strip = optStripPathYes->isChecked();
  return settings;
}

// While a run goes on, only Cancel, Help, Close and the results box respond.
void frmMain::SetRunning(bool running) {
  running_ = running;
  for (QWidget* control :
       std::initializer_list<QWidget*>{cmdBrowseInput, cmdBrowseOutput, txtKeyPhrase, optPacket,
                                       optText, optStripPathYes, optStripPathNo})
    control->setEnabled(!running);
  cmdStart->setText(running ? QStringLiteral("Cancel") : QStringLiteral("Start"));
  prgRun->setVisible(running);
}

void frmMain::ShowProgress(const StageProgress& progress) {
  if (!running_) return;
  const auto stage = static_cast<std::size_t>(progress.stage);
  const double share = progress.total > 0 ? double(progress.done) / double(progress.total) : 0.0;
  const int span = kStageStart[stage + 1] - kStageStart[stage];
  prgRun->setValue(kStageStart[stage] + static_cast<int>(std::min(1.0, share) * span));
  lblSummary->setText(StageText(progress.stage));
}

// The result's lines as they are read: the first piece replaces the (empty)
// content and is painted at once, the others follow below it.
void frmMain::ShowResultPiece(const std::shared_ptr<PlainLines>& lines, bool first) {
  if (!running_ || closing_) return;
  if (!first) return rtbResults->AppendPlainLines(std::move(*lines));
  rtbResults->ShowPlainLines(std::move(*lines));
  rtbResults->SetRightMargin(rtbResults->Width() + kRightMarginExtraTwips);
}

void frmMain::ShowFinishedRun(const FinishedRun& run) {
  if (closing_) return;
  const bool ran = running_;
  SetRunning(false);
  const RunResult& result = run.result;
  lblSummary->setText(WindowSummary(ran ? runSettings_ : RunSettings{}, run));
  if (result.outcome == RunOutcome::Completed && !run.loaded) {
    // Part of a file is not the result: show nothing rather than that.
    FreeInBackground(rtbResults->TakePlainLines());
  }
  if (result.outcome == RunOutcome::Completed && !run.loaded && !run.loadCancelled) {
    messages_.ShowMessage("The output file \"" + choices_.OutputPath +
                          "\" was written but cannot be shown: " + run.loadError.toStdString() +
                          ".");
  } else if (result.outcome != RunOutcome::Completed && result.outcome != RunOutcome::Cancelled &&
             !result.message.empty()) {
    // A cancel was asked for: the summary line says so; a box would only repeat it.
    messages_.ShowMessage(result.message);
  }
  if (ran) emit runFinished();
}

void frmMain::optPacket_Click() {
  frmCallsign->setVisible(true);
  choices_.PacketMode = true;
}

void frmMain::optText_Click() {
  frmCallsign->setVisible(false);  // the callsign text stays and is still used by Start
  choices_.PacketMode = false;
}

void frmMain::cmdHelp_Click() {
  if (!help_) help_ = new frmHelp(helpFilePath_);
  help_->show();
  help_->raise();
  help_->activateWindow();
}

void frmMain::cmdClose_Click() { close(); }

void frmMain::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

// A run still going is cancelled first and waited for (the engine stops within
// a fraction of a second and removes its temporary file); no file stays open
// between events, so the rest is closing the help window and leaving the loop.
void frmMain::Form_Unload() {
  closing_ = true;
  run_->CancelAndWait();
  delete help_.data();
  QCoreApplication::exit(0);
}

}  // namespace sievra
