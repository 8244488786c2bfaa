#include "sievra/ui/rich_text_box.h"

#include <QFile>
#include <QStackedLayout>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>

#include "sievra/ui/plain_lines_view.h"
#include "sievra/ui/rtf_reader.h"
#include "sievra/ui/twips.h"

namespace sievra {

RichTextBox::RichTextBox(QWidget* parent)
    : QWidget(parent),
      stack_(new QStackedLayout(this)),
      plain_(new PlainLinesView(this)),
      rich_(new QTextEdit(this)) {
  stack_->setContentsMargins(0, 0, 0, 0);
  stack_->addWidget(plain_);
  stack_->addWidget(rich_);
  rich_->setReadOnly(true);
  // Selectable with the mouse for copying; no caret, as nothing can be typed.
  rich_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  for (QWidget* view : {static_cast<QWidget*>(plain_), static_cast<QWidget*>(rich_)}) {
    view->setBackgroundRole(QPalette::Base);
  }
  setFocusPolicy(Qt::StrongFocus);
  QWidget::setTabOrder(plain_, rich_);
  Show(plain_);
}

bool RichTextBox::LoadFile(const std::string& utf8Path, LoadFileType type) {
  const QString path = QString::fromStdString(utf8Path);
  if (type == LoadFileType::RichText) return LoadRichText(path);
  if (!plain_->LoadFile(path)) return false;
  rich_->clear();
  Show(plain_);
  return true;
}

void RichTextBox::ShowPlainLines(const ResultLines& lines, std::size_t firstNewRow) {
  if (firstNewRow > 0) return plain_->LinesAppended();
  plain_->SetLines(lines);
  rich_->clear();
  Show(plain_);
}

bool RichTextBox::LoadRichText(const QString& path) {
  QFile file(path);
  const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  if (file.error() != QFileDevice::NoError) return false;
  ShowRichText(bytes);
  return true;
}

void RichTextBox::ShowRichText(const QByteArray& bytes) {
  // Built apart from the view so that the editor lays it out once, not per insert.
  auto* document = new QTextDocument(rich_);
  document->setDefaultFont(rich_->font());
  ReadRtf(bytes, *document);
  rich_->setDocument(document);
  delete ownDocument_;
  ownDocument_ = document;
  plain_->Clear();
  Show(rich_);
}

void RichTextBox::Clear() {
  plain_->Clear();
  rich_->clear();
  Show(plain_);
}

void RichTextBox::SetText(const QString& text) {
  plain_->Clear();
  rich_->setPlainText(text);
  Show(rich_);
}

float RichTextBox::Width() const { return PixelsToTwips(width()); }

void RichTextBox::SetRightMargin(float twips) {
  rightMargin_ = twips;
  const int pixels = twips > 0 ? TwipsToPixels(twips) : 0;
  plain_->SetWrapWidth(pixels);
  rich_->setLineWrapMode(pixels > 0 ? QTextEdit::FixedPixelWidth : QTextEdit::WidgetWidth);
  if (pixels > 0) rich_->setLineWrapColumnOrWidth(pixels);
}

void RichTextBox::SetTwipsGeometry(double left, double top, double width, double height) {
  setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(std::max(0.0, width)),
              TwipsToPixels(std::max(0.0, height)));
}

QString RichTextBox::Text() const {
  return stack_->currentWidget() == plain_ ? plain_->Text() : rich_->toPlainText();
}

const QTextDocument* RichTextBox::Document() const {
  return stack_->currentWidget() == rich_ ? rich_->document() : nullptr;
}

QWidget* RichTextBox::CurrentView() const { return stack_->currentWidget(); }

void RichTextBox::Show(QWidget* view) {
  const bool hadFocus = hasFocus() || (focusProxy() && focusProxy()->hasFocus());
  stack_->setCurrentWidget(view);
  setFocusProxy(view);
  if (hadFocus) view->setFocus();
}

}  // namespace sievra
