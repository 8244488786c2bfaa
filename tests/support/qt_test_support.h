#pragma once

// Helpers the window tests share: stand-ins for the user at the file dialog and
// for the message box, file bytes by Qt path, pressing Start until the run is
// over, a modal dialog driven from inside its own event loop, and one window on
// a temporary folder.

#include <QApplication>
#include <QByteArray>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "sievra/ui/file_chooser.h"
#include "sievra/ui/frm_main.h"
#include "sievra/ui/ports.h"

namespace sievra::testing {

// Answers the file dialog from a queue and keeps every request it was given.
// An empty answer is a cancelled dialog.
class FakeChooser final : public FileChooser {
 public:
  std::optional<QString> Choose(QWidget*, const FileDialogRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) return std::nullopt;
    std::optional<QString> answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::deque<std::optional<QString>> answers;
  std::vector<FileDialogRequest> requests;
};

// Keeps the messages instead of showing them.
class RecordingSink final : public MessageSink {
 public:
  void ShowMessage(std::string_view text) override {
    messages << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  }

  QStringList messages;
};

inline void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write");
}

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Presses Start and waits until the run's result is shown; at once when Start
// only reported a missing file. False when the run did not end in time.
inline bool PressStartAndWait(frmMain& window, int timeoutMs = 60000) {
  QSignalSpy finished(&window, &frmMain::runFinished);
  window.cmdStart->click();
  return !window.isRunning() || finished.wait(timeoutMs);
}

// Clicks `opener` and, once the modal dialog it opens is up and active, calls `inDialog`
// with it from inside the dialog's event loop. False when no modal dialog
// opened, when it was still open after `inDialog` (it is cancelled then), or
// when it was still open after `timeoutMs` (cancelled by a watchdog, so that a
// fault fails the test rather than hanging it).
inline bool WithModalDialog(QWidget& opener, const std::function<void(QDialog&)>& inDialog,
                            int timeoutMs = 10000) {
  bool opened = false;
  bool stayedOpen = false;
  bool timedOut = false;
  // Both timers go with this function: when nothing modal opened, they never fire.
  QTimer driving;
  driving.setSingleShot(true);
  QObject::connect(&driving, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    opened = true;
    // The window system activates it a moment after it is shown; a test that
    // needs the keyboard there checks that it is active.
    static_cast<void>(QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }));
    inDialog(*dialog);
    stayedOpen = dialog->isVisible();
    if (stayedOpen) dialog->reject();
  });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timedOut = true;
      modal->close();
    }
  });
  driving.start(0);
  watchdog.start(timeoutMs);
  QTest::mouseClick(&opener, Qt::LeftButton, {}, QPoint(5, opener.height() / 2));
  return opened && !stayedOpen && !timedOut;
}

// Keeps what the window remembers between launches inside `folder`, away from
// the user's own settings.
inline void IsolateSettings(const QString& folder) {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

// A fresh main window per test, with its files, settings and help file in a
// temporary folder and stand-ins for the dialogs and the message box. Made in
// a test's init() and dropped in its cleanup().
struct WindowFixture {
  QString Path(const QString& name) const { return dir.filePath(name); }
  // Chooses both files through the Browse buttons, in native form.
  void ChooseFiles(const QString& input, const QString& output) {
    chooser.answers = {QDir::toNativeSeparators(input), QDir::toNativeSeparators(output)};
    window->cmdBrowseInput->click();
    window->cmdBrowseOutput->click();
  }
  // The files in the folder, to spot leftover temporary files.
  QStringList Listing() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir dir;
  const bool settingsIsolated = [this] {
    IsolateSettings(Path(QStringLiteral("settings")));
    return true;
  }();
  FakeChooser chooser;
  RecordingSink sink;
  std::unique_ptr<frmMain> window =
      std::make_unique<frmMain>(chooser, sink, Path(QStringLiteral("help.rtf")));
};

}  // namespace sievra::testing
