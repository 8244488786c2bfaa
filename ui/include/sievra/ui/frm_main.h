#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

#include "sievra/engine.h"
#include "sievra/ui/frm_help.h"
#include "sievra/ui/ports.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace sievra {

class FileChooser;
class RichTextBox;

// What the window remembers between events: the chosen files and the file type.
struct RunChoices {
  std::string InputPath;  // UTF-8
  std::string InputFolder;
  std::string OutputPath;
  bool PacketMode = false;
};

// The main window: file choosers, file type and path options, Start, Help and
// Close, and the results box. Start hands the choices to the engine and shows
// what its result says; dialogs and messages go through the given seams so that
// tests can stand in for the user.
class frmMain : public QWidget {
  Q_OBJECT

 public:
  frmMain(FileChooser& chooser, MessageSink& messages, QString helpFilePath = DefaultHelpFile());
  ~frmMain() override;

  // "help.rtf" in the program's own folder.
  static QString DefaultHelpFile();

  const RunChoices& choices() const { return choices_; }
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

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createControls();
  void arrangeTabOrder();
  void connectSignals();

  void cmdBrowseInput_Click();
  void cmdBrowseOutput_Click();
  void cmdStart_Click();
  void optPacket_Click();
  void optText_Click();
  void cmdHelp_Click();
  void cmdClose_Click();
  void Form_Unload();
  void showResult(const RunResult& result);

  FileChooser& chooser_;
  MessageSink& messages_;
  QString helpFilePath_;
  RunChoices choices_;
  QPointer<frmHelp> help_;
};

}  // namespace sievra
