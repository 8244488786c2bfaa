#include "sievra/ui/frm_help.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include "sievra/presentation/wording.h"
#include "sievra/ui/rich_text_box.h"
#include "sievra/ui/twips.h"

namespace sievra {

frmHelp::frmHelp(QString helpFilePath)
    : RichTextBox1(new RichTextBox(this)), helpFilePath_(std::move(helpFilePath)) {
  setObjectName(QStringLiteral("frmHelp"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Help"));
  resize(TwipsToPixels(5625), TwipsToPixels(4140));
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
  RichTextBox1->SetTwipsGeometry(90, 90, 4515, 3030);
  RichTextBox1->SetText(QStringLiteral("RichTextBox1"));
  Form_Load();
}

namespace {
// A help document is a few pages. One of many megabytes is no help document, and
// reading and laying it out would freeze the window (minutes for 50 MB of one paragraph).
constexpr qint64 kMaxHelpBytes = qint64{1} << 20;
}  // namespace

void frmHelp::Form_Load() {
  if (const QFileInfo info(helpFilePath_); info.isFile() && info.size() > kMaxHelpBytes) {
    RichTextBox1->SetText(QString::fromStdString(
        HelpTooLargeText(QDir::toNativeSeparators(helpFilePath_).toStdString())));
    return;
  }
  const std::string path = helpFilePath_.toStdString();
  if (RichTextBox1->LoadFile(path, LoadFileType::RichText)) return;
  RichTextBox1->SetText(QString::fromStdString(
      HelpUnreadableText(QDir::toNativeSeparators(helpFilePath_).toStdString())));
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
  const float outerWidth = PixelsToTwips(width() + frame.width());
  const float outerHeight = PixelsToTwips(height() + frame.height());
  RichTextBox1->SetTwipsGeometry(50, 50, outerWidth - 200, outerHeight - 600);
}

}  // namespace sievra
