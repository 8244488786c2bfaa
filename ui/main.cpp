#include <QApplication>
#include <clocale>

#include "sievra/ui/file_chooser.h"
#include "sievra/ui/frm_main.h"
#include "sievra/ui/message_box.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The engine upper-cases callsigns with the C library under the user's locale.
  std::setlocale(LC_ALL, "");
  sievra::QtFileChooser chooser;
  sievra::QtMessageBox messages;
  sievra::frmMain window(chooser, messages);
  // Closing the main window ends the program, the help window with it.
  QObject::connect(&window, &sievra::frmMain::closed, &app, [] { QCoreApplication::exit(0); });
  window.show();
  return app.exec();
}
