#include "sievra/ui/frm_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>
#include <utility>

#include "frame_caption_style.h"
#include "sievra/paths.h"
#include "sievra/ui/file_chooser.h"
#include "sievra/ui/frm_help.h"
#include "sievra/ui/rich_text_box.h"
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

// The wait cursor for as long as a run takes.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};
}  // namespace

frmMain::frmMain(FileChooser& chooser, MessageSink& messages, QString helpFilePath)
    : chooser_(chooser), messages_(messages), helpFilePath_(std::move(helpFilePath)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Sievra"));
  QFont uiFont = font();
  uiFont.setPointSize(kUiPointSize);
  setFont(uiFont);
  resize(TwipsToPixels(9615), TwipsToPixels(6585));
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  createControls();
  arrangeTabOrder();
  connectSignals();
  cmdBrowseInput->setFocus();
}

frmMain::~frmMain() { delete help_.data(); }

QString frmMain::DefaultHelpFile() {
  return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help.rtf"));
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
      1, QString()};
  const std::optional<QString> chosen = chooser_.Choose(this, request);
  if (!chosen) return;  // cancelled: nothing changes
  choices_.InputPath = chosen->toStdString();
  choices_.InputFolder = FolderOfPath(choices_.InputPath);
  txtInputFileName->setText(QString::fromStdString(FileNameOfPath(choices_.InputPath)));
}

void frmMain::cmdBrowseOutput_Click() {
  const FileDialogRequest request{
      FileDialogKind::SaveAs, QStringLiteral("Select or Enter Export Data File"),
      QStringLiteral("Text/Log files (*.txt, *.log)|*.txt;*.log|Text files (*.txt)|*.txt|"
                     "Log files (*.log)|*.log|all files (*.*)|*.*|"),
      2, QString::fromStdString(choices_.InputFolder)};
  const std::optional<QString> chosen = chooser_.Choose(this, request);
  if (!chosen) return;
  choices_.OutputPath = chosen->toStdString();
  txtOutputFilename->setText(QString::fromStdString(FileNameOfPath(choices_.OutputPath)));
}

void frmMain::cmdStart_Click() {
  const WaitCursor wait;
  // The file type as the run request captures it: Text, then Packet, each when
  // selected; with neither, the type chosen last.
  bool packet = choices_.PacketMode;
  if (optText->isChecked()) packet = false;
  if (optPacket->isChecked()) packet = true;
  const QByteArray callsign = txtKeyPhrase->text().toLocal8Bit();
  RunSettings settings;
  settings.inputPath = choices_.InputPath;
  settings.outputPath = choices_.OutputPath;
  settings.fileType = packet ? FileType::Packet : FileType::Text;
  settings.callsignText = callsign.toStdString();
  settings.strip = optStripPathYes->isChecked();
  const RunResult result = RunRequest(settings);
  if (result.outcome != RunOutcome::MissingInput && result.outcome != RunOutcome::MissingOutput)
    choices_.PacketMode = packet;
  showResult(result);
}

void frmMain::showResult(const RunResult& result) {
  switch (result.outcome) {
    case RunOutcome::Completed:
      if (!rtbResults->LoadFile(choices_.OutputPath, LoadFileType::PlainText)) {
        rtbResults->Clear();
        messages_.ShowMessage("The output file \"" + choices_.OutputPath +
                              "\" was written but cannot be shown.");
        return;
      }
      rtbResults->SetRightMargin(rtbResults->Width() + kRightMarginExtraTwips);
      return;
    case RunOutcome::NothingKept:
    case RunOutcome::Failed:
    case RunOutcome::Cancelled:
      // Showing an older output file here would pass it off as this run's result.
      rtbResults->Clear();
      break;
    case RunOutcome::MissingInput:
    case RunOutcome::MissingOutput:
      break;
  }
  if (!result.message.empty()) messages_.ShowMessage(result.message);
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

// No file stays open between events, so ending is closing the help window and leaving the loop.
void frmMain::Form_Unload() {
  delete help_.data();
  QCoreApplication::exit(0);
}

}  // namespace sievra
