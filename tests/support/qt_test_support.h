#pragma once

// Helpers the window tests share: stand-ins for the user at the file dialog and
// for the message box, file bytes by Qt path, and pressing Start until the run
// is over.

#include <QByteArray>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <deque>
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

// Keeps what the window remembers between launches inside `folder`, away from
// the user's own settings.
inline void IsolateSettings(const QString& folder) {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

}  // namespace sievra::testing
