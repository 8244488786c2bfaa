#include "sievra/ui/file_chooser.h"

#include <QDir>
#include <QFileDialog>

namespace sievra {

QStringList NameFiltersFromFilterList(const QString& filterList) {
  const QStringList parts = filterList.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString name = parts[i].trimmed();
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString p = pattern.trimmed();
      if (!p.isEmpty()) patterns << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
    }
    if (name.isEmpty() && patterns.isEmpty()) continue;
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    // The name may carry its own "(...)"; Qt reads the patterns from the last
    // parenthesised part and HideNameFilterDetails shows the user only the name.
    filters << name + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters;
}

std::optional<QString> QtFileChooser::Choose(QWidget* parent, const FileDialogRequest& request) {
  QFileDialog dialog(parent, QString::fromStdString(request.title),
                     QDir::fromNativeSeparators(QString::fromStdString(request.initialFolder)));
  const bool open = request.kind == FileDialogKind::Open;
  dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  const QStringList filters = NameFiltersFromFilterList(QString::fromStdString(request.filter));
  dialog.setNameFilters(filters);
  if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
    dialog.selectNameFilter(filters[request.filterIndex - 1]);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(chosen.first());
}

}  // namespace sievra
