#include "sievra/ui/help_location.h"

#include <QDir>
#include <QFileInfo>

namespace sievra {

QString HelpFileForProgramIn(const QString& programFolder) {
  const QDir folder(programFolder);
  const QString beside = folder.filePath(QStringLiteral("help.rtf"));
  if (QFileInfo(beside).isFile()) return beside;
  const QString shared =
      QDir::cleanPath(folder.filePath(QStringLiteral("../share/sievra/help.rtf")));
  return QFileInfo(shared).isFile() ? shared : beside;
}

}  // namespace sievra
