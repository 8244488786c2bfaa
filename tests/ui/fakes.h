#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "sievra/ui/file_chooser.h"
#include "sievra/ui/ports.h"

// Stands in for the user at the file dialog: answers from a queue and keeps
// every request it was given. An empty answer is a cancelled dialog.
class FakeChooser final : public sievra::FileChooser {
 public:
  std::optional<QString> Choose(QWidget*, const sievra::FileDialogRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) return std::nullopt;
    std::optional<QString> answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::deque<std::optional<QString>> answers;
  std::vector<sievra::FileDialogRequest> requests;
};

// Keeps the messages instead of showing them.
class RecordingSink final : public sievra::MessageSink {
 public:
  void ShowMessage(std::string_view text) override {
    messages << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  }

  QStringList messages;
};
