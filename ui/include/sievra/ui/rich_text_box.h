#pragma once

#include <QWidget>
#include <string>

class QStackedLayout;
class QTextDocument;
class QTextEdit;

namespace sievra {

class PlainLinesView;
class ResultLines;

// How a file is loaded into a rich-text box.
enum class LoadFileType { RichText, PlainText };

// The rich-text box both windows use. Plain text goes to a light line view that
// copes with results of millions of lines; rich text (RTF) goes to a QTextEdit.
// Read-only for the user; the background is the system's window colour.
class RichTextBox : public QWidget {
  Q_OBJECT

 public:
  explicit RichTextBox(QWidget* parent = nullptr);

  // Replaces the whole content with the file, as plain lines or as an RTF document;
  // false, content kept, when the file cannot be read.
  bool LoadFile(const std::string& utf8Path, LoadFileType type);
  // Shows lines read elsewhere as plain text; rows from `firstNewRow` on are new
  // (0: the content is replaced). `lines` must stay alive until Clear or the next
  // replacement.
  void ShowPlainLines(const ResultLines& lines, std::size_t firstNewRow);
  // Empties the box; it keeps no reference to lines shown.
  void Clear();
  // Current width in twips.
  float Width() const;
  // Lines wrap this many twips from the text's left edge instead of at the visible edge.
  void SetRightMargin(float twips);
  float RightMargin() const { return rightMargin_; }
  // Left, Top, Width and Height in twips within the parent; a negative size counts as 0.
  void SetTwipsGeometry(double left, double top, double width, double height);
  // Shows an RTF document, replacing the content.
  void ShowRichText(const QByteArray& rtf);
  // Shows this text as it is, replacing the content.
  void SetText(const QString& text);
  // The whole content as plain text, lines or paragraphs joined by '\n'.
  QString Text() const;
  // The document shown, or null while plain lines are shown.
  const QTextDocument* Document() const;
  // The widget that shows the content now (and takes the focus for the box).
  QWidget* CurrentView() const;
  // The view of plain lines, shown after a plain-text load.
  const PlainLinesView* PlainView() const { return plain_; }

 private:
  bool LoadRichText(const QString& path);
  void Show(QWidget* view);

  QStackedLayout* stack_;
  PlainLinesView* plain_;
  QTextEdit* rich_;
  QTextDocument* ownDocument_ = nullptr;
  float rightMargin_ = 0.0f;
};

}  // namespace sievra
