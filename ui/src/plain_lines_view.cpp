#include "sievra/ui/plain_lines_view.h"

#include <QFile>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>

namespace sievra {

namespace {
constexpr int kTextMargin = 4;                    // pixels around the text, as QTextDocument has
constexpr qint64 kMaxRowBytes = qint64{1} << 16;  // bounds the cost of laying out one row

// A cut inside a long line is moved back off UTF-8 continuation bytes, so that a
// character is not split between two rows.
qint64 RowCut(const char* data, qint64 start, qint64 end) {
  qint64 cut = start + kMaxRowBytes;
  for (int back = 0; back < 3 && cut > start + 1; ++back) {
    if ((static_cast<unsigned char>(data[cut]) & 0xC0) != 0x80) break;
    --cut;
  }
  return std::min(cut, end);
}
}  // namespace

PlainLinesView::PlainLinesView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  verticalScrollBar()->setSingleStep(1);
  horizontalScrollBar()->setSingleStep(20);
}

bool PlainLinesView::LoadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return false;
  bytes_ = std::move(bytes);
  rows_.clear();
  const char* text = bytes_.constData();
  const qint64 size = bytes_.size();
  qint64 lineStart = 0;
  for (qint64 i = 0; i < size; ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') continue;
    AddLine(lineStart, i);
    if (c == '\r' && i + 1 < size && text[i + 1] == '\n') ++i;
    lineStart = i + 1;
  }
  if (lineStart < size) AddLine(lineStart, size);
  rows_.shrink_to_fit();
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
  return true;
}

void PlainLinesView::AddLine(qint64 start, qint64 end) {
  bool continues = false;
  do {
    const qint64 cut = end - start > kMaxRowBytes ? RowCut(bytes_.constData(), start, end) : end;
    rows_.push_back(Row{start, static_cast<quint32>(cut - start), continues});
    start = cut;
    continues = true;
  } while (start < end);
}

void PlainLinesView::Clear() {
  bytes_.clear();
  rows_.clear();
  rows_.shrink_to_fit();
  UpdateScrollBars();
  viewport()->update();
}

void PlainLinesView::SetWrapWidth(int pixels) {
  wrapWidth_ = std::max(0, pixels);
  UpdateScrollBars();
  viewport()->update();
}

qsizetype PlainLinesView::LineCount() const {
  return static_cast<qsizetype>(
      std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return !r.continuesLine; }));
}

QString PlainLinesView::Text() const {
  QString text;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (i > 0 && !rows_[i].continuesLine) text += QLatin1Char('\n');
    text += RowText(i);
  }
  return text;
}

int PlainLinesView::ScreenLinesOf(qsizetype index) const {
  int lines = 0;
  qsizetype line = -1;
  for (std::size_t i = 0; i < rows_.size() && line <= index; ++i) {
    if (!rows_[i].continuesLine) ++line;
    if (line == index) lines += LayoutRow(i)->lineCount();
  }
  return lines;
}

QString PlainLinesView::RowText(std::size_t row) const {
  const Row& r = rows_[row];
  return QString::fromLocal8Bit(bytes_.constData() + r.start, static_cast<qsizetype>(r.length));
}

qreal PlainLinesView::LineWidth() const {
  const int width = wrapWidth_ > 0 ? wrapWidth_ : viewport()->width() - 2 * kTextMargin;
  return std::max(1, width);
}

std::unique_ptr<QTextLayout> PlainLinesView::LayoutRow(std::size_t row) const {
  auto layout = std::make_unique<QTextLayout>(RowText(row), font());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout->setTextOption(option);
  layout->beginLayout();
  qreal y = 0;
  for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
    line.setLeadingIncluded(true);
    line.setLineWidth(LineWidth());
    line.setPosition(QPointF(0, y));
    y += line.height();
  }
  layout->endLayout();
  return layout;
}

void PlainLinesView::UpdateScrollBars() {
  // The last rows must be reachable: the highest first row is the one from which
  // the remaining rows just fill the viewport.
  const qreal available = viewport()->height() - kTextMargin;
  qreal height = 0;
  std::size_t top = rows_.size();
  while (top > 0) {
    height += LayoutRow(top - 1)->boundingRect().height();
    if (height > available && top < rows_.size()) break;
    --top;
  }
  const int lastTop = static_cast<int>(std::min<std::size_t>(top, INT_MAX));
  const int lineHeight = std::max(1, fontMetrics().lineSpacing());
  verticalScrollBar()->setRange(0, lastTop);
  verticalScrollBar()->setPageStep(std::max(1, viewport()->height() / lineHeight - 1));
  const int contentWidth = wrapWidth_ > 0 ? wrapWidth_ + 2 * kTextMargin : 0;
  horizontalScrollBar()->setRange(0, std::max(0, contentWidth - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
}

void PlainLinesView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::Text));
  const qreal left = kTextMargin - horizontalScrollBar()->value();
  qreal y = kTextMargin;
  for (auto row = static_cast<std::size_t>(verticalScrollBar()->value());
       row < rows_.size() && y < viewport()->height(); ++row) {
    const auto layout = LayoutRow(row);
    layout->draw(&painter, QPointF(left, y));
    y += layout->boundingRect().height();
  }
}

void PlainLinesView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void PlainLinesView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) UpdateScrollBars();
}

void PlainLinesView::scrollContentsBy(int, int) { viewport()->update(); }

void PlainLinesView::keyPressEvent(QKeyEvent* event) {
  QScrollBar* vertical = verticalScrollBar();
  QScrollBar* horizontal = horizontalScrollBar();
  switch (event->key()) {
    case Qt::Key_Up:
      vertical->triggerAction(QAbstractSlider::SliderSingleStepSub);
      break;
    case Qt::Key_Down:
      vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
      break;
    case Qt::Key_PageUp:
      vertical->triggerAction(QAbstractSlider::SliderPageStepSub);
      break;
    case Qt::Key_PageDown:
      vertical->triggerAction(QAbstractSlider::SliderPageStepAdd);
      break;
    case Qt::Key_Home:
      vertical->triggerAction(QAbstractSlider::SliderToMinimum);
      break;
    case Qt::Key_End:
      vertical->triggerAction(QAbstractSlider::SliderToMaximum);
      break;
    case Qt::Key_Left:
      horizontal->triggerAction(QAbstractSlider::SliderSingleStepSub);
      break;
    case Qt::Key_Right:
      horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  event->accept();
}

}  // namespace sievra
