#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

#include "sievra/engine.h"
#include "sievra/ui/frm_help.h"
#include "sievra/ui/ports.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace sievra {

class BackgroundRun;
class PlainLines;
class FileChooser;
class RichTextBox;
struct FinishedRun;
struct StageProgress;

// What the window remembers between events: the chosen files and the file type.
struct RunChoices {
  std::string InputPath;  // UTF-8
  std::string InputFolder;
  std::string OutputPath;
  bool PacketMode = false;
};

// The main window: file choosers, file type and path options, Start, Help and
// Close, and the results box. Start hands the choices to the engine on a worker
// thread, shows its progress and then what its result says; while it runs,
// Start is Cancel. Files may also be dropped on the window. Dialogs and
// messages go through the given seams so that tests can stand in for the user.
class frmMain : public QWidget {
  Q_OBJECT

 public:
  frmMain(FileChooser& chooser, MessageSink& messages, QString helpFilePath = DefaultHelpFile());
  ~frmMain() override;

  // "help.rtf" in the program's own folder.
  static QString DefaultHelpFile();

  const RunChoices& choices() const { return choices_; }
  // True from Start until the run's result is shown.
  bool isRunning() const { return running_; }
  // The run in the background, for tests that act at an exact stage.
  BackgroundRun& backgroundRun() const { return *run_; }
  // The open help window, or null.
  frmHelp* helpWindow() const { return help_; }

  QGroupBox* frmInput;
  QLineEdit* txtInputFileName;
  QPushButton* cmdBrowseInput;
  QGroupBox* frmOutput;
  QLineEdit* txtOutputFilename;
  QPushButton* cmdBrowseOutput;
  QGroupBox* frmCallsign;
  QLineEdit* txtKeyPhrase;
  QGroupBox* frmPacketorTxt;
  QRadioButton* optPacket;
  QRadioButton* optText;
  QGroupBox* frmStripPath;
  QRadioButton* optStripPathYes;
  QRadioButton* optStripPathNo;
  QGroupBox* frmOutputTxt;
  RichTextBox* rtbResults;
  QPushButton* cmdStart;
  QPushButton* cmdHelp;
  QPushButton* cmdClose;
  QLabel* lblSummary;  // what the last run did, or the stage of the current one
  QProgressBar* prgRun;

 signals:
  // The run started by Start has ended and its result is shown.
  void runFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void createControls();
  void arrangeTabOrder();
  void connectSignals();

  void ChooseInput(const QString& path);
  void ChooseOutput(const QString& path);
  QString DroppedFile(const QDropEvent* event) const;
  RunSettings CaptureSettings();
  void SetRunning(bool running);
  void ShowProgress(const StageProgress& progress);
  void ShowResultPiece(const std::shared_ptr<PlainLines>& lines, bool first);
  void ShowFinishedRun(const FinishedRun& run);

  void cmdBrowseInput_Click();
  void cmdBrowseOutput_Click();
  void cmdStart_Click();
  void optPacket_Click();
  void optText_Click();
  void cmdHelp_Click();
  void cmdClose_Click();
  void Form_Unload();

  FileChooser& chooser_;
  MessageSink& messages_;
  QString helpFilePath_;
  RunChoices choices_;
  BackgroundRun* run_;
  bool running_ = false;
  QElapsedTimer runClock_;  // since Start
  bool closing_ = false;
  RunSettings runSettings_;  // of the run going on, which its summary describes
  QPointer<frmHelp> help_;
};

}  // namespace sievra
