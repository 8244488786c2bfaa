#pragma once

#include <QDialog>
#include <array>

#include "sievra/presentation/main_window_model.h"
#include "sievra/ui/ports.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace sievra {

// The Options dialog: how duplicates are judged, which line of each is kept,
// the time window and the reports. What it shows and decides is
// OptionsDialogModel's; this class creates the controls, forwards their events
// to the model and copies its state onto them. OK closes the dialog (accepted)
// only when the model takes the choices; otherwise its message goes through
// `messages` and the dialog stays open. Cancel and Esc close it (rejected).
class frmOptions : public QDialog {
  Q_OBJECT

 public:
  frmOptions(OptionsDialogModel model, MessageSink& messages, QWidget* parent = nullptr);

  // The choices as the user has left them; once accepted, the ones to use.
  const RunChoices& Choices() const { return model_.State().choices; }

  QCheckBox* chkIgnoreCase;
  QCheckBox* chkIgnoreSpacing;
  std::array<QRadioButton*, 4> optKeep;  // by KeepRule: First, Last, Once, Repeated
  QLabel* lblWindow;
  QLineEdit* txtWindow;
  QCheckBox* chkRemovedReport;
  QCheckBox* chkCountReport;
  QCheckBox* chkFollow;
  QPushButton* cmdOK;
  QPushButton* cmdCancel;

 private:
  void connectSignals();
  void Render();
  void cmdOK_Click();

  OptionsDialogModel model_;
  MessageSink& messages_;
};

}  // namespace sievra
