#include "sievra/ui/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace sievra {

void QtMessageBox::ShowMessage(std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Sievra"),
                  QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

}  // namespace sievra
