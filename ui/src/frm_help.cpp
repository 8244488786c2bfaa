#include "sievra/ui/frm_help.h"

#include <QGuiApplication>
#include <QScreen>

#include <filesystem>

#include "sievra/presentation/help_document.h"
#include "sievra/presentation/window_layout.h"
#include "sievra/ui/rich_text_box.h"
#include "sievra/ui/twips.h"

namespace sievra {

frmHelp::frmHelp(QString helpFilePath)
    : RichTextBox1(new RichTextBox(this)), helpFilePath_(std::move(helpFilePath)) {
  setObjectName(QStringLiteral("frmHelp"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Help"));
  resize(TwipsToPixels(kHelpClientWidthTwips), TwipsToPixels(kHelpClientHeightTwips));
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
  RichTextBox1->SetTwipsGeometry(kHelpBoxAtLoad.left, kHelpBoxAtLoad.top, kHelpBoxAtLoad.width,
                                 kHelpBoxAtLoad.height);
  RichTextBox1->SetText(QStringLiteral("RichTextBox1"));
  Form_Load();
}

void frmHelp::Form_Load() {
  const HelpDocument help = ReadHelpDocument(std::filesystem::path(helpFilePath_.toStdString()));
  if (help.rtf) {
    RichTextBox1->ShowRichText(QByteArray::fromStdString(*help.rtf));
  } else {
    RichTextBox1->SetText(QString::fromStdString(help.instead));
  }
}

void frmHelp::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

// The frame's size is known only once the window is on screen.
void frmHelp::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Form_Resize();
}

// The box fills the window 50 twips in from its corner. The formula takes the
// outer size, frame and title bar included; a window smaller than that gives
// negative sizes, which count as 0.
void frmHelp::Form_Resize() {
  const QSize frame = frameGeometry().size() - geometry().size();
  const Twips box = HelpBoxPlace(PixelsToTwips(width() + frame.width()),
                                 PixelsToTwips(height() + frame.height()));
  RichTextBox1->SetTwipsGeometry(box.left, box.top, box.width, box.height);
}

}  // namespace sievra
