#include "sievra/ui/frm_options.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

#include "layout_controls.h"
#include "sievra/presentation/window_layout.h"
#include "sievra/ui/twips.h"

namespace sievra {

namespace {
// The Keep frame's options, in KeepRule's order.
constexpr std::array<const char*, 4> kKeepOptions = {"optKeepFirst", "optKeepLast", "optKeepOnce",
                                                     "optKeepRepeated"};
}  // namespace

frmOptions::frmOptions(OptionsDialogModel model, MessageSink& messages, QWidget* parent)
    : QDialog(parent), model_(std::move(model)), messages_(messages) {
  setObjectName(QStringLiteral("frmOptions"));
  setWindowTitle(FromUtf8(kOptionsDialogCaption));
  CreateControls(*this, kOptionsDialogLayout);
  setFixedSize(TwipsToPixels(kOptionsClientWidthTwips), TwipsToPixels(kOptionsClientHeightTwips));
  const auto named = [this]<class Widget>(Widget*& member, const char* name) {
    member = findChild<Widget*>(QLatin1String(name));
  };
  named(chkIgnoreCase, "chkIgnoreCase");
  named(chkIgnoreSpacing, "chkIgnoreSpacing");
  for (std::size_t rule = 0; rule < optKeep.size(); ++rule)
    named(optKeep[rule], kKeepOptions[rule]);
  named(lblWindow, "lblWindow");
  named(txtWindow, "txtWindow");
  named(chkRemovedReport, "chkRemovedReport");
  named(chkCountReport, "chkCountReport");
  named(chkFollow, "chkFollow");
  named(cmdOK, "cmdOK");
  named(cmdCancel, "cmdCancel");
  cmdOK->setDefault(true);  // Enter takes the choices, as Esc drops them
  Render();
  connectSignals();
  findChild<QWidget*>(FromUtf8(TabOrder(kOptionsDialogLayout).front()))->setFocus();
}

void frmOptions::connectSignals() {
  // Render's own changes come back with the value the model holds, which changes nothing.
  const auto ticked = [this](QCheckBox* box, void (OptionsDialogModel::*click)(bool)) {
    connect(box, &QCheckBox::toggled, this, [this, click](bool checked) {
      (model_.*click)(checked);
      Render();
    });
  };
  ticked(chkIgnoreCase, &OptionsDialogModel::chkIgnoreCase_Click);
  ticked(chkIgnoreSpacing, &OptionsDialogModel::chkIgnoreSpacing_Click);
  ticked(chkRemovedReport, &OptionsDialogModel::chkRemovedReport_Click);
  ticked(chkCountReport, &OptionsDialogModel::chkCountReport_Click);
  ticked(chkFollow, &OptionsDialogModel::chkFollow_Click);
  for (std::size_t rule = 0; rule < optKeep.size(); ++rule) {
    connect(optKeep[rule], &QRadioButton::toggled, this, [this, rule](bool checked) {
      if (!checked) return;
      model_.optKeep_Click(static_cast<KeepRule>(rule));
      Render();
    });
  }
  connect(txtWindow, &QLineEdit::textChanged, this, [this](const QString& text) {
    model_.txtWindow_Change(text.toStdString());
    Render();
  });
  connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

// The box's text is set only when it differs, so that typing keeps its cursor.
void frmOptions::Render() {
  const OptionsDialogState& state = model_.State();
  const RunChoices& choices = state.choices;
  chkIgnoreCase->setChecked(choices.ignoreCase);
  chkIgnoreSpacing->setChecked(choices.ignoreSpacing);
  optKeep[static_cast<std::size_t>(choices.keep)]->setChecked(true);
  if (const QString text = FromUtf8(choices.windowText); txtWindow->text() != text)
    txtWindow->setText(text);
  txtWindow->setEnabled(state.windowEnabled);
  lblWindow->setEnabled(state.windowEnabled);
  chkRemovedReport->setChecked(choices.removedReport);
  chkCountReport->setChecked(choices.countReport);
  chkFollow->setChecked(choices.follow);
  chkFollow->setEnabled(state.followEnabled);
}

void frmOptions::cmdOK_Click() {
  const std::string refusal = model_.cmdOK_Click();
  if (refusal.empty()) {
    accept();
  } else {
    messages_.ShowMessage(refusal);
  }
}

}  // namespace sievra
