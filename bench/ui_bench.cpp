// Measures how long the results box takes to show a big result and how much
// memory it needs, against QTextEdit and QPlainTextEdit holding the same text.
// Every measurement runs in a child process of its own, so that its peak
// resident size is its own. Usage: sievra-ui-bench [lines...] (default 100000 1000000).
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "sievra/ui/file_chooser.h"
#include "sievra/ui/frm_main.h"
#include "sievra/ui/rich_text_box.h"
#include "sievra/ui/twips.h"

extern char** environ;

namespace {

constexpr int kRepetitions = 3;
const char* const kApproaches[] = {"idle", "window", "box", "qtextedit", "qplaintextedit"};

class ScriptedChooser final : public sievra::FileChooser {
 public:
  explicit ScriptedChooser(std::vector<QString> answers) : answers_(std::move(answers)) {}
  std::optional<QString> Choose(QWidget*, const sievra::FileDialogRequest&) override {
    if (next_ >= answers_.size()) return std::nullopt;
    return answers_[next_++];
  }

 private:
  std::vector<QString> answers_;
  std::size_t next_ = 0;
};

class CountingSink final : public sievra::MessageSink {
 public:
  void ShowMessage(std::string_view text) override {
    std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
  }
};

// Waits for the first paint of a widget after it was armed.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(QWidget* target) { target->installEventFilter(this); }
  bool painted = false;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted = true;
    return false;
  }
};

void WaitForPaint(QWidget* target, PaintWatch& watch) {
  target->update();
  QElapsedTimer limit;
  limit.start();
  while (!watch.painted && limit.elapsed() < 120000) QCoreApplication::processEvents();
}

QWidget* ViewportOf(QWidget* view) {
  auto* area = qobject_cast<QAbstractScrollArea*>(view);
  return area ? area->viewport() : view;
}

// What the other editors get: the file decoded and its line ends made '\n' in one pass.
QString DecodedLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QString raw = QString::fromLocal8Bit(file.readAll());
  QString text(raw.size(), Qt::Uninitialized);
  qsizetype out = 0;
  for (qsizetype i = 0; i < raw.size(); ++i) {
    if (raw[i] == QLatin1Char('\r')) {
      text[out++] = QLatin1Char('\n');
      if (i + 1 < raw.size() && raw[i + 1] == QLatin1Char('\n')) ++i;
    } else {
      text[out++] = raw[i];
    }
  }
  text.truncate(out);
  return text;
}

double RunChild(const QString& approach, const QString& input, const QString& output) {
  QWidget host;
  host.resize(sievra::TwipsToPixels(9615), sievra::TwipsToPixels(6585));
  const QRect boxRect = sievra::TwipsRect(180, 2160, 8250, 4245);
  ScriptedChooser chooser({input, output});
  CountingSink sink;
  std::unique_ptr<sievra::frmMain> window;
  QWidget* view = nullptr;
  if (approach == "window") {
    window = std::make_unique<sievra::frmMain>(chooser, sink, QString());
    window->cmdBrowseInput->click();
    window->cmdBrowseOutput->click();
    window->show();
  } else {
    host.show();
  }
  QWidget* shown = window ? static_cast<QWidget*>(window.get()) : &host;
  while (!shown->isVisible() || !shown->windowHandle() || !shown->windowHandle()->isExposed())
    QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  QElapsedTimer timer;
  timer.start();
  if (approach == "window") {
    window->optText->click();
    window->cmdStart->click();
    view = window->rtbResults->CurrentView();
  } else if (approach == "box") {
    auto* box = new sievra::RichTextBox(&host);
    box->setGeometry(boxRect);
    box->show();
    box->LoadFile(output.toStdString(), sievra::LoadFileType::PlainText);
    box->SetRightMargin(box->Width() + 10000.0f);
    view = box->CurrentView();
  } else if (approach == "qtextedit") {
    auto* edit = new QTextEdit(&host);
    edit->setGeometry(boxRect);
    edit->setReadOnly(true);
    edit->setPlainText(DecodedLines(output));
    edit->setLineWrapMode(QTextEdit::FixedPixelWidth);
    edit->setLineWrapColumnOrWidth(boxRect.width() + sievra::TwipsToPixels(10000));
    edit->show();
    view = edit;
  } else if (approach == "qplaintextedit") {
    auto* edit = new QPlainTextEdit(&host);
    edit->setGeometry(boxRect);
    edit->setReadOnly(true);
    edit->setPlainText(DecodedLines(output));
    edit->show();
    view = edit;
  } else {
    return 0.0;
  }
  PaintWatch watch(ViewportOf(view));
  WaitForPaint(ViewportOf(view), watch);
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

struct Sample {
  double ms = 0;
  double peakMb = 0;
};

Sample Spawn(const char* self, const char* approach, const QString& input, const QString& output) {
  const std::string in = input.toStdString(), out = output.toStdString();
  const char* argv[] = {self, "--child", approach, in.c_str(), out.c_str(), nullptr};
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, self, &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  Sample sample;
  char buffer[64] = {};
  const ssize_t got = rc == 0 ? read(pipeFds[0], buffer, sizeof buffer - 1) : 0;
  close(pipeFds[0]);
  if (got > 0) sample.ms = std::atof(buffer);
  rusage usage{};
  int status = 0;
  if (rc == 0 && wait4(pid, &status, 0, &usage) == pid)
    sample.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return sample;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

bool WriteInput(const QString& path, long lines) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QByteArray chunk;
  char line[96];
  for (long i = 0; i < lines; ++i) {
    // 61 characters and CR LF, all distinct, so the output is the input again.
    std::snprintf(line, sizeof line, "K%05ld>APRS,WIDE1-1,WIDE2-1:!4903.50N/07201.75W-%013ld\r\n",
                  i % 100000, i);
    chunk += line;
    if (chunk.size() > (1 << 20)) {
      file.write(chunk);
      chunk.clear();
    }
  }
  file.write(chunk);
  return file.error() == QFileDevice::NoError;
}

int Parent(const char* self, std::vector<long> sizes) {
  QTemporaryDir dir;
  std::printf("%-9s %-15s %12s %14s %16s\n", "lines", "approach", "median ms", "ratio to QTE",
              "peak RSS MB");
  for (long lines : sizes) {
    const QString input = dir.filePath(QStringLiteral("in.txt"));
    const QString output = dir.filePath(QStringLiteral("out.txt"));
    if (!WriteInput(input, lines) || !QFile::copy(input, output)) return 1;
    std::map<std::string, std::vector<Sample>> samples;
    for (int rep = 0; rep < kRepetitions; ++rep) {
      for (const char* approach : kApproaches)
        samples[approach].push_back(Spawn(self, approach, input, output));
      QFile::remove(dir.filePath(QStringLiteral("out.txt")));
      QFile::copy(input, output);
    }
    const auto median = [&](const char* approach, double Sample::*field) {
      std::vector<double> values;
      for (const Sample& s : samples[approach]) values.push_back(s.*field);
      return Median(values);
    };
    const double reference = median("qtextedit", &Sample::ms);
    for (const char* approach : kApproaches) {
      const double ms = median(approach, &Sample::ms);
      std::printf("%-9ld %-15s %12.0f %14.2f %16.0f\n", lines, approach, ms,
                  reference > 0 ? ms / reference : 0.0, median(approach, &Sample::peakMb));
    }
    QFile::remove(input);
    QFile::remove(output);
  }
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (argc == 5 && std::string(argv[1]) == "--child") {
    QApplication app(argc, argv);
    std::printf("%.3f\n", RunChild(QString::fromUtf8(argv[2]), QString::fromUtf8(argv[3]),
                                   QString::fromUtf8(argv[4])));
    return 0;
  }
  std::vector<long> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
  if (sizes.empty()) sizes = {100000, 1000000};
  return Parent(argv[0], sizes);
}
