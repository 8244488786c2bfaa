#include "sievra/ui/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace sievra {

void QtMessageBox::ShowMessage(std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Sievra"),
                  QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                  QMessageBox::Ok, QApplication::activeWindow());
  // A run shows the wait cursor; the user must still see that the box wants a click.
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  box.exec();
  QApplication::restoreOverrideCursor();
}

}  // namespace sievra
