#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

#include "sievra/presentation/main_window_model.h"
#include "sievra/ui/frm_help.h"
#include "sievra/ui/ports.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace sievra {

class FileChooser;
class RichTextBox;

// The main window: file choosers, file type and path options, Start, Options,
// Help and Close, and the results box. What it shows and decides is MainWindowModel's;
// this class creates the controls, forwards their events to the model and
// copies the model's state onto them. Dialogs and messages go through the given
// seams so that tests can stand in for the user.
class frmMain : public QWidget, private MainWindowView {
  Q_OBJECT

 public:
  frmMain(FileChooser& chooser, MessageSink& messages, QString helpFilePath = DefaultHelpFile());
  ~frmMain() override;

  // "help.rtf" in the program's own folder.
  static QString DefaultHelpFile();

  const MainWindowModel& model() const { return *model_; }
  // True from Start until the run's result is shown.
  bool isRunning() const { return model_->State().running; }
  // The run in the background, for tests that act at an exact stage.
  RunLifecycle& backgroundRun() const { return model_->Run(); }
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
  QPushButton* cmdOptions;
  QPushButton* cmdClose;
  QLabel* lblSummary;  // what the last run did, or the stage of the current one
  QProgressBar* prgRun;

 signals:
  // The run started by Start has ended and its result is shown.
  void runFinished();
  // The window has closed, its run stopped and its help window gone: the
  // program's entry point ends the program on it.
  void closed();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void createControls();
  void connectSignals();
  QString DroppedFile(const QDropEvent* event) const;

  // MainWindowView
  void Render(const MainWindowState& state) override;
  void ShowMessage(std::string_view text) override;
  void ShowResult(const ResultLines& lines, std::size_t firstNewRow) override;
  void ClearResult() override;
  void RunFinished() override;

  void cmdBrowseInput_Click();
  void cmdBrowseOutput_Click();
  void cmdHelp_Click();
  void cmdOptions_Click();
  void Form_Unload();

  FileChooser& chooser_;
  MessageSink& messages_;
  QString helpFilePath_;
  QPointer<frmHelp> help_;
  std::unique_ptr<SettingsStore> settings_;
  std::unique_ptr<MainWindowModel> model_;  // last: its run stops before the rest goes
};

}  // namespace sievra
