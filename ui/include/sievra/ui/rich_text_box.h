#pragma once

#include <QWidget>
#include <string>

#include "sievra/ui/plain_lines.h"
#include "sievra/ui/ports.h"

class QStackedLayout;
class QTextDocument;
class QTextEdit;

namespace sievra {

class PlainLinesView;

// The rich-text box both windows use. Plain text goes to a light line view that
// copes with results of millions of lines; rich text (RTF) goes to a QTextEdit.
// Read-only for the user; the background is the system's window colour.
class RichTextBox : public QWidget, public ResultsBox {
  Q_OBJECT

 public:
  explicit RichTextBox(QWidget* parent = nullptr);

  // Replaces the whole content with the file, as plain lines or as an RTF document;
  // false, content kept, when the file cannot be read.
  bool LoadFile(const std::string& utf8Path, LoadFileType type) override;
  // Why the last LoadFile failed, in the system's words ("No such file or directory").
  QString LoadError() const { return loadError_; }
  // Shows lines read elsewhere as plain text, replacing the content at once.
  void ShowPlainLines(PlainLines lines);
  // Adds the next piece of plain lines below those shown.
  void AppendPlainLines(PlainLines more);
  // Empties the box and hands over the plain lines it showed, so that a caller
  // can free a big result off the window's thread.
  PlainLines TakePlainLines();
  void Clear() override;
  // Current width in twips.
  float Width() const override;
  // Lines wrap this many twips from the text's left edge instead of at the visible edge.
  void SetRightMargin(float twips) override;
  float RightMargin() const { return rightMargin_; }
  // Left, Top, Width and Height in twips within the parent; a negative size counts as 0.
  void SetTwipsGeometry(double left, double top, double width, double height);
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
  QString loadError_;
};

}  // namespace sievra
