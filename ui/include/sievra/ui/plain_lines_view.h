#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <memory>

#include "sievra/presentation/result_lines.h"

class QTextLayout;

namespace sievra {

// Shows a text file line by line without building a QTextDocument. The bytes stay
// as read and only the rows on screen are decoded and laid out, so a result of a
// million lines appears at once and costs little more memory than the file itself.
// Rows scroll one stored line at a time; a line wraps at the wrap width. Text can
// be selected with the mouse (or all of it) and copied.
class PlainLinesView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit PlainLinesView(QWidget* parent = nullptr);

  // Replaces the content with the file's lines (ended by CR, LF or CR LF, decoded
  // with the system's 8-bit encoding); false, content kept, when it cannot be read.
  bool LoadFile(const QString& path);
  // Shows these lines, replacing the content; they must outlive their showing
  // (until Clear or the next SetLines or LoadFile).
  void SetLines(const ResultLines& lines);
  // The lines shown have grown at their end; the view stays where it is.
  void LinesAppended();
  // Empties the view; it keeps no reference to the lines it showed.
  void Clear();
  // Lines wrap this many pixels from the text's left edge; 0 wraps at the visible edge.
  void SetWrapWidth(int pixels);
  bool IsEmpty() const { return lines_->RowCount() == 0; }
  // Lines of the file as stored.
  qsizetype LineCount() const;
  // The whole content, lines joined by '\n'.
  QString Text() const;
  // How many screen lines the stored line at `index` takes at the current wrap width.
  int ScreenLinesOf(qsizetype index) const;
  // The selected text, lines joined by '\n'; empty without a selection.
  QString SelectedText() const;
  void SelectAll();
  // Puts the selected text on the clipboard.
  void Copy() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // A place in the text: a row and a UTF-16 offset in its decoded text.
  struct TextPoint {
    std::size_t row = 0;
    qsizetype offset = 0;
    auto operator<=>(const TextPoint&) const = default;
  };

  TextPoint PointAt(QPoint position) const;
  void ClearSelection();
  QString RowText(std::size_t row) const;
  std::unique_ptr<QTextLayout> LayoutRow(std::size_t row) const;
  qreal LineWidth() const;
  void UpdateScrollBars();

  static const ResultLines kNoLines;
  const ResultLines* lines_ = &kNoLines;  // shown: owned_ or the caller's
  std::unique_ptr<ResultLines> owned_;    // read by LoadFile
  int wrapWidth_ = 0;
  TextPoint anchor_;  // where the selection started
  TextPoint cursor_;  // where it ends; equal to anchor_ when nothing is selected
};

}  // namespace sievra
