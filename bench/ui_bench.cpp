// Measures how long the results box takes to show a big result and how much
// memory it needs, against QTextEdit and QPlainTextEdit holding the same text;
// with --live, how responsive the window stays through a run. Every measurement
// runs in a child process of its own, so that its peak resident size is its own.
// Usage: sievra-ui-bench [--live] [lines...] (default 100000 1000000).
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
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sievra/presentation/main_window_model.h"
#include "sievra/ui/file_chooser.h"
#include "sievra/ui/frm_main.h"
#include "sievra/ui/plain_lines_view.h"
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
  // Only paints while `counts` holds are counted.
  explicit PaintWatch(
      QWidget* target, std::function<bool()> counts = [] { return true; })
      : counts_(std::move(counts)) {
    target->installEventFilter(this);
  }
  bool painted = false;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && counts_()) painted = true;
    return false;
  }

 private:
  std::function<bool()> counts_;
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
    while (window->isRunning()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
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

double ResidentMb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ')[0].toDouble() / 1024.0;
  }
  return 0;
}

// The real window, Start pressed: the longest gap between two 10 ms ticks of
// a timer on the window's thread until both the summary and the first paint of
// the result are there, the times to each, the engine's own time, and the
// resident size before the run and once the run is over and settled.
QString RunLiveChild(const QString& input, const QString& output) {
  ScriptedChooser chooser({input, output});
  CountingSink sink;
  sievra::frmMain window(chooser, sink, QString());
  window.cmdBrowseInput->click();
  window.cmdBrowseOutput->click();
  window.optText->click();
  window.show();
  while (!window.windowHandle() || !window.windowHandle()->isExposed())
    QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  const double rssBefore = ResidentMb();
  auto* view = window.rtbResults->findChild<sievra::PlainLinesView*>();
  // From the first piece on, a paint shows the result.
  PaintWatch watch(view->viewport(), [view] { return !view->IsEmpty(); });
  QElapsedTimer clock;
  qint64 lastTick = 0, longestGap = 0, summaryAt = -1, paintAt = -1;
  double engineMs = 0;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  ticker.setInterval(10);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    longestGap = std::max(longestGap, now - lastTick);
    lastTick = now;
  });
  QObject::connect(&window, &sievra::frmMain::runFinished, [&] {
    summaryAt = clock.nsecsElapsed();
    engineMs =
        std::chrono::duration<double, std::milli>(window.model().LastRun().result.elapsed).count();
  });
  clock.start();
  ticker.start();
  window.cmdStart->click();
  while ((paintAt < 0 || summaryAt < 0) && clock.elapsed() < 600000) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    if (paintAt < 0 && watch.painted) paintAt = clock.nsecsElapsed();
  }
  longestGap = std::max(longestGap, clock.nsecsElapsed() - lastTick);
  ticker.stop();
  QElapsedTimer settle;  // the old result and the engine's memory go in the background
  settle.start();
  while (settle.elapsed() < 1500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  return QStringLiteral("%1 %2 %3 %4 %5 %6")
      .arg(double(longestGap) / 1e6)
      .arg(double(summaryAt) / 1e6)
      .arg(double(paintAt) / 1e6)
      .arg(engineMs)
      .arg(rssBefore)
      .arg(ResidentMb());
}

struct ChildRun {
  QByteArray printed;  // what the child wrote on standard output
  double peakMb = 0;
};

// Runs this program again with `args` and collects what it printed and its peak memory.
ChildRun SpawnSelf(const char* self, std::vector<const char*> args) {
  args.insert(args.begin(), self);
  args.push_back(nullptr);
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  pid_t pid = 0;
  const int rc =
      posix_spawn(&pid, self, &actions, nullptr, const_cast<char**>(args.data()), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  ChildRun run;
  char buffer[256];
  for (ssize_t got = 0; rc == 0 && (got = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
    run.printed.append(buffer, got);
  close(pipeFds[0]);
  rusage usage{};
  int status = 0;
  if (rc == 0 && wait4(pid, &status, 0, &usage) == pid)
    run.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return run;
}

// The numbers a live child printed.
std::vector<double> SpawnLive(const char* self, const QString& input, const QString& output) {
  const std::string in = input.toStdString(), out = output.toStdString();
  std::vector<double> values;
  for (const QByteArray& field :
       SpawnSelf(self, {"--live-child", in.c_str(), out.c_str()}).printed.trimmed().split(' '))
    values.push_back(field.toDouble());
  return values;
}

struct Sample {
  double ms = 0;
  double peakMb = 0;
};

Sample Spawn(const char* self, const char* approach, const QString& input, const QString& output) {
  const std::string in = input.toStdString(), out = output.toStdString();
  const ChildRun run = SpawnSelf(self, {"--child", approach, in.c_str(), out.c_str()});
  return {run.printed.trimmed().toDouble(), run.peakMb};
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

int Live(const char* self, const std::vector<long>& sizes) {
  QTemporaryDir dir;
  std::printf("%-10s %13s %15s %13s %10s %19s %14s\n", "lines", "longest gap", "Start-summary",
              "Start-paint", "engine", "paint - engine", "RSS after MB");
  for (long lines : sizes) {
    const QString input = dir.filePath(QStringLiteral("in.txt"));
    const QString output = dir.filePath(QStringLiteral("out.txt"));
    if (!WriteInput(input, lines)) return 1;
    std::vector<std::vector<double>> runs;
    for (int rep = 0; rep < kRepetitions; ++rep) {
      QFile::remove(output);
      runs.push_back(SpawnLive(self, input, output));
      if (runs.back().size() != 6) return 1;
    }
    const auto median = [&](std::size_t field) {
      std::vector<double> values;
      for (const auto& run : runs) values.push_back(run[field]);
      return Median(values);
    };
    std::vector<double> lead;
    for (const auto& run : runs) lead.push_back(run[2] - run[3]);
    std::printf("%-10ld %10.0f ms %12.0f ms %10.0f ms %7.0f ms %16.0f ms %8.0f (idle %.0f)\n",
                lines, median(0), median(1), median(2), median(3), Median(lead), median(5),
                median(4));
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
  if (argc == 4 && std::string(argv[1]) == "--live-child") {
    QApplication app(argc, argv);
    std::printf("%s\n",
                qPrintable(RunLiveChild(QString::fromUtf8(argv[2]), QString::fromUtf8(argv[3]))));
    return 0;
  }
  const bool live = argc > 1 && std::string(argv[1]) == "--live";
  std::vector<long> sizes;
  for (int i = live ? 2 : 1; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
  if (sizes.empty()) sizes = {100000, 1000000};
  return live ? Live(argv[0], sizes) : Parent(argv[0], sizes);
}
