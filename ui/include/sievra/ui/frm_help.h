#pragma once

#include <QString>
#include <QWidget>

namespace sievra {

class RichTextBox;

// The help window: shows the help document, an RTF file, in one rich-text box that
// follows the window's size. It has no owner and deletes itself when closed.
class frmHelp : public QWidget {
  Q_OBJECT

 public:
  explicit frmHelp(QString helpFilePath);

  RichTextBox* RichTextBox1;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Form_Load();
  void Form_Resize();

  QString helpFilePath_;
};

}  // namespace sievra
