#include "sievra/ui/plain_lines_view.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>

namespace sievra {

namespace {
constexpr int kTextMargin = 4;  // pixels around the text, as QTextDocument has
constexpr std::size_t kReadPieceBytes = std::size_t{8} << 20;
}  // namespace

const ResultLines PlainLinesView::kNoLines;

PlainLinesView::PlainLinesView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  verticalScrollBar()->setSingleStep(1);
  horizontalScrollBar()->setSingleStep(20);
}

bool PlainLinesView::LoadFile(const QString& path) {
  ResultLinesReader reader;
  std::string error;
  if (!reader.Open(path.toStdString(), error)) return false;
  auto read = std::make_unique<ResultLines>();
  for (;;) {
    ResultLines piece;
    if (!reader.Next(kReadPieceBytes, piece, error)) return false;
    if (piece.RowCount() == 0) break;
    read->Append(std::move(piece));
  }
  SetLines(*read);
  owned_ = std::move(read);
  return true;
}

void PlainLinesView::SetLines(const ResultLines& lines) {
  lines_ = &lines;
  owned_.reset();
  ClearSelection();
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
}

void PlainLinesView::LinesAppended() {
  UpdateScrollBars();
  viewport()->update();
}

void PlainLinesView::Clear() {
  lines_ = &kNoLines;
  owned_.reset();
  ClearSelection();
  UpdateScrollBars();
  viewport()->update();
}

void PlainLinesView::SetWrapWidth(int pixels) {
  wrapWidth_ = std::max(0, pixels);
  UpdateScrollBars();
  viewport()->update();
}

qsizetype PlainLinesView::LineCount() const {
  qsizetype count = 0;
  for (std::size_t i = 0; i < lines_->RowCount(); ++i) count += lines_->ContinuesLine(i) ? 0 : 1;
  return count;
}

QString PlainLinesView::Text() const {
  QString text;
  for (std::size_t i = 0; i < lines_->RowCount(); ++i) {
    if (i > 0 && !lines_->ContinuesLine(i)) text += QLatin1Char('\n');
    text += RowText(i);
  }
  return text;
}

int PlainLinesView::ScreenLinesOf(qsizetype index) const {
  int lines = 0;
  qsizetype line = -1;
  for (std::size_t i = 0; i < lines_->RowCount() && line <= index; ++i) {
    if (!lines_->ContinuesLine(i)) ++line;
    if (line == index) lines += LayoutRow(i)->lineCount();
  }
  return lines;
}

// Bytes as written, decoded with the system's 8-bit encoding.
QString PlainLinesView::RowText(std::size_t row) const {
  const std::string_view bytes = lines_->RowBytes(row);
  return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
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
  std::size_t top = lines_->RowCount();
  while (top > 0) {
    height += LayoutRow(top - 1)->boundingRect().height();
    if (height > available && top < lines_->RowCount()) break;
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
  const TextPoint from = std::min(anchor_, cursor_);
  const TextPoint to = std::max(anchor_, cursor_);
  QTextLayout::FormatRange selection;
  selection.format.setBackground(palette().brush(QPalette::Highlight));
  selection.format.setForeground(palette().brush(QPalette::HighlightedText));
  const qreal left = kTextMargin - horizontalScrollBar()->value();
  qreal y = kTextMargin;
  for (auto row = static_cast<std::size_t>(verticalScrollBar()->value());
       row < lines_->RowCount() && y < viewport()->height(); ++row) {
    const auto layout = LayoutRow(row);
    QList<QTextLayout::FormatRange> selected;
    if (from != to && row >= from.row && row <= to.row) {
      selection.start = static_cast<int>(row == from.row ? from.offset : 0);
      const qsizetype end = row == to.row ? to.offset : layout->text().size();
      selection.length = static_cast<int>(end) - selection.start;
      selected.append(selection);
    }
    layout->draw(&painter, QPointF(left, y), selected);
    y += layout->boundingRect().height();
  }
}

PlainLinesView::TextPoint PlainLinesView::PointAt(QPoint position) const {
  const qreal x = position.x() - kTextMargin + horizontalScrollBar()->value();
  qreal y = kTextMargin;
  auto row = static_cast<std::size_t>(verticalScrollBar()->value());
  if (lines_->RowCount() == 0) return {};
  if (position.y() < 0) return {row, 0};
  for (; row < lines_->RowCount(); ++row) {
    const auto layout = LayoutRow(row);
    const qreal height = layout->boundingRect().height();
    if (position.y() < y + height || row + 1 == lines_->RowCount()) {
      for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        if (position.y() < y + line.y() + line.height() || i + 1 == layout->lineCount())
          return {row, line.xToCursor(x)};
      }
    }
    y += height;
  }
  return {lines_->RowCount() - 1, 0};
}

void PlainLinesView::ClearSelection() { anchor_ = cursor_ = TextPoint{}; }

void PlainLinesView::SelectAll() {
  if (lines_->RowCount() == 0) return;
  anchor_ = TextPoint{};
  cursor_ = TextPoint{lines_->RowCount() - 1, RowText(lines_->RowCount() - 1).size()};
  viewport()->update();
}

QString PlainLinesView::SelectedText() const {
  const TextPoint from = std::min(anchor_, cursor_);
  const TextPoint to = std::max(anchor_, cursor_);
  QString text;
  for (std::size_t row = from.row; from != to && row <= to.row && row < lines_->RowCount(); ++row) {
    if (row > from.row && !lines_->ContinuesLine(row)) text += QLatin1Char('\n');
    const QString rowText = RowText(row);
    const qsizetype begin = row == from.row ? from.offset : 0;
    const qsizetype end = row == to.row ? to.offset : rowText.size();
    text += rowText.mid(begin, end - begin);
  }
  return text;
}

void PlainLinesView::Copy() const {
  const QString text = SelectedText();
  if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

void PlainLinesView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
  anchor_ = cursor_ = PointAt(event->position().toPoint());
  viewport()->update();
}

void PlainLinesView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return QAbstractScrollArea::mouseMoveEvent(event);
  const QPoint position = event->position().toPoint();
  // Dragging past the top or bottom edge scrolls on, a line at a time.
  if (position.y() < 0) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  if (position.y() > viewport()->height())
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  cursor_ = PointAt(position);
  viewport()->update();
}

void PlainLinesView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction(tr("&Copy"), this, &PlainLinesView::Copy);
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(anchor_ != cursor_);
  menu.addAction(tr("Select &All"), this, &PlainLinesView::SelectAll)
      ->setShortcut(QKeySequence::SelectAll);
  menu.exec(event->globalPos());
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
  if (event->matches(QKeySequence::Copy)) return Copy();
  if (event->matches(QKeySequence::SelectAll)) return SelectAll();
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
