#include "frame_caption_style.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionGroupBox>

namespace sievra {

namespace {
constexpr int kCaptionIndent = 6;   // pixels from the frame's left edge to the caption
constexpr int kCaptionPadding = 2;  // gap in the border on each side of the caption

class CaptionOnBorderStyle final : public QProxyStyle {
 public:
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                       const QWidget* widget) const override {
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || !box || box->subControls & SC_GroupBoxCheckBox)
      return QProxyStyle::subControlRect(control, option, part, widget);
    const QFontMetrics& metrics = box->fontMetrics;
    switch (part) {
      case SC_GroupBoxLabel:
        return QRect(box->rect.left() + kCaptionIndent, box->rect.top(),
                     metrics.horizontalAdvance(box->text) + 2 * kCaptionPadding, metrics.height());
      case SC_GroupBoxFrame:
        return box->rect.adjusted(0, metrics.height() / 2, 0, 0);
      default:
        return QProxyStyle::subControlRect(control, option, part, widget);
    }
  }

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget) const override {
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || !box || box->subControls & SC_GroupBoxCheckBox)
      return QProxyStyle::drawComplexControl(control, option, painter, widget);
    const QRect caption = subControlRect(control, option, SC_GroupBoxLabel, widget);
    painter->save();
    // The border stops short of the caption on both sides instead of crossing it.
    painter->setClipRegion(QRegion(box->rect) - QRegion(box->text.isEmpty() ? QRect() : caption));
    // An etched line, drawn here because some styles (Fusion) place their own
    // group-box border below the caption whatever rectangle they are given.
    qDrawShadeRect(painter, subControlRect(control, option, SC_GroupBoxFrame, widget), box->palette,
                   true, 1, 0);
    painter->restore();
    drawItemText(painter, caption, Qt::AlignCenter | Qt::TextHideMnemonic, box->palette,
                 box->state & State_Enabled, box->text, QPalette::WindowText);
  }
};
}  // namespace

QStyle* FrameCaptionStyle() {
  static QStyle* const style = [] {
    auto* created = new CaptionOnBorderStyle;
    created->setParent(qApp);  // gone with the application, after its windows
    return created;
  }();
  return style;
}

}  // namespace sievra
