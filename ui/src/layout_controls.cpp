#include "layout_controls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "frame_caption_style.h"
#include "sievra/ui/rich_text_box.h"
#include "sievra/ui/twips.h"

namespace sievra {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

namespace {

// One control of a layout table as a widget of its kind, unplaced.
QWidget* NewControl(const ControlLayout& control, QWidget* parent) {
  const QString caption = FromUtf8(control.caption);
  switch (control.kind) {
    case ControlKind::Frame: {
      auto* frame = new QGroupBox(caption, parent);
      frame->setStyle(FrameCaptionStyle());
      return frame;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(caption, parent);
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::Option: {
      // Only the selected option of a group is a tab stop.
      auto* option = new QRadioButton(caption, parent);
      option->setFocusPolicy(Qt::ClickFocus);
      QObject::connect(option, &QRadioButton::toggled, option, [option](bool selected) {
        option->setFocusPolicy(selected ? Qt::StrongFocus : Qt::ClickFocus);
      });
      return option;
    }
    case ControlKind::CheckBox:
      return new QCheckBox(caption, parent);
    case ControlKind::TextBox: {
      auto* box = new QLineEdit(caption, parent);
      box->setAcceptDrops(false);  // a file dropped on a box is the window's, as a chosen file
      return box;
    }
    case ControlKind::ResultsBox:
      return new RichTextBox(parent);
    case ControlKind::Label:
      return new QLabel(caption, parent);
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setRange(0, 1000);
      bar->hide();
      return bar;
    }
  }
  return nullptr;
}

}  // namespace

void CreateControls(QWidget& window, std::span<const ControlLayout> layout) {
  QFont uiFont = window.font();
  uiFont.setPointSize(kUiPointSize);
  window.setFont(uiFont);
  for (const ControlLayout& control : layout) {
    QWidget* container = &window;
    if (!control.container.empty())
      container =
          window.findChild<QWidget*>(FromUtf8(control.container), Qt::FindDirectChildrenOnly);
    QWidget* widget = NewControl(control, container);
    widget->setObjectName(FromUtf8(control.name));
    const Twips& place = control.place;
    widget->setGeometry(TwipsRect(place.left, place.top, place.width, place.height));
  }
  QWidget* previous = nullptr;
  for (const std::string_view name : TabOrder(layout)) {
    QWidget* next = window.findChild<QWidget*>(FromUtf8(name));
    if (previous) QWidget::setTabOrder(previous, next);
    previous = next;
  }
}

}  // namespace sievra
