#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "sievra/presentation/main_window_model.h"

class QWidget;

namespace sievra {

// The filter pairs as Qt name filters, "Name (pattern pattern)". "*.*" becomes "*",
// which is what it means on Windows; elsewhere "*.*" would hide files without a dot.
QStringList NameFiltersFromFilterList(const QString& filterList);

// Shows a file dialog and waits for it. Tests supply a fake.
class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The chosen full path in native form, or nothing when the dialog was cancelled.
  virtual std::optional<QString> Choose(QWidget* parent, const FileDialogRequest& request) = 0;
};

// The platform's Open and Save As dialogs through QFileDialog. They make no checks
// of their own: Open accepts a name that does not exist, Save As asks nothing
// about an existing file.
class QtFileChooser final : public FileChooser {
 public:
  std::optional<QString> Choose(QWidget* parent, const FileDialogRequest& request) override;
};

}  // namespace sievra
