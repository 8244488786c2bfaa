// Copied into an unpacked package's bin folder by scripts/check-package.sh: opens
// the help window the way the installed Sievra would (the same lookup from the
// program's folder) and fails unless the help document itself was shown.
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "sievra/ui/frm_help.h"
#include "sievra/ui/frm_main.h"
#include "sievra/ui/rich_text_box.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const QString path = sievra::frmMain::DefaultHelpFile();
  auto* help = new sievra::frmHelp(path);  // deletes itself on close
  help->show();
  const QString text = help->RichTextBox1->Text();
  const bool shown = text.contains(QStringLiteral("What Sievra does"));
  std::printf(
      "help file: %s\n%s\n", qPrintable(QDir::toNativeSeparators(path)),
      shown ? "help shown" : qPrintable(QStringLiteral("help not shown: ") + text.left(200)));
  help->close();
  return shown ? 0 : 1;
}
