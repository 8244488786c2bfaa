// Files dropped on the window, and what is remembered between launches: the
// input folder and the Options dialog's choices, in one INI file.

#include <QAbstractButton>
#include <QDir>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "qt_test_support.h"
#include "sievra/ui/frm_main.h"
#include "sievra/ui/frm_options.h"
#include "sievra/ui/rich_text_box.h"

using namespace sievra::testing;

namespace {
std::string Native(const QString& path) { return QDir::toNativeSeparators(path).toStdString(); }
}  // namespace

class tst_frmMainDrop : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void drop_data();
  void drop();
  void inputFolderIsRememberedBetweenLaunches();
  void optionsAreKeptInTheIni_data();
  void optionsAreKeptInTheIni();

 private:
  QString Path(const QString& name) const { return f_->Path(name); }
  QSettings Stored() const {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Sievra", "Sievra");
  }

  std::unique_ptr<WindowFixture> f_;
};

void tst_frmMainDrop::init() {
  f_ = std::make_unique<WindowFixture>();
  QVERIFY(QDir(f_->dir.path()).mkpath("logs"));
  WriteAll(Path("logs/monitor.txt"), "A>B:x\r\n");
  WriteAll(Path("logs/other.txt"), "");
}

void tst_frmMainDrop::cleanup() { f_.reset(); }

void tst_frmMainDrop::drop_data() {
  QTest::addColumn<QString>("target");    // object name of the control dropped on
  QTest::addColumn<QStringList>("urls");  // file names in the temporary folder, or full URLs
  QTest::addColumn<QString>("becomes");   // "input", "output" or "" for nothing
  const QStringList file{"logs/monitor.txt"};
  QTest::newRow("nominal: on the output box") << "txtOutputFilename" << file << "output";
  QTest::newRow("nominal: on the output Browse button") << "cmdBrowseOutput" << file << "output";
  QTest::newRow("nominal: on the input box") << "txtInputFileName" << file << "input";
  QTest::newRow("nominal: on the results box") << "rtbResults" << file << "input";
  QTest::newRow("nominal: on the callsign box") << "txtKeyPhrase" << file << "input";
  QTest::newRow("robustness: a web address")
      << "txtInputFileName" << QStringList{"https://example.org/monitor.txt"} << "";
  QTest::newRow("robustness: two files")
      << "txtInputFileName" << QStringList{"logs/monitor.txt", "logs/other.txt"} << "";
  QTest::newRow("robustness: a folder") << "txtOutputFilename" << QStringList{"logs"} << "";
  QTest::newRow("robustness: plain text") << "txtInputFileName" << QStringList() << "";
}

void tst_frmMainDrop::drop() {
  QFETCH(QString, target);
  QFETCH(QStringList, urls);
  QFETCH(QString, becomes);
  QMimeData data;
  QList<QUrl> list;
  for (const QString& url : urls)
    list << (url.contains("://") ? QUrl(url) : QUrl::fromLocalFile(Path(url)));
  if (list.isEmpty()) {
    data.setText(Path("logs/monitor.txt"));
  } else {
    data.setUrls(list);
  }
  auto* control = f_->window->findChild<QWidget*>(target);
  QVERIFY(control);
  // A name box passes a dropped file on to the window instead of taking its text.
  if (auto* box = qobject_cast<QLineEdit*>(control)) QVERIFY(!box->acceptDrops());
  const QPointF at = control->mapTo(f_->window.get(), control->rect().center());
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f_->window.get(), &enter);
  QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f_->window.get(), &dropped);
  QCOMPARE(enter.isAccepted(), !becomes.isEmpty());

  const std::string native = QDir::toNativeSeparators(Path("logs/monitor.txt")).toStdString();
  const std::string folder = QDir::toNativeSeparators(Path("logs")).toStdString();
  const sievra::MainWindowModel& model = f_->window->model();
  QCOMPARE(model.InputPath(), becomes == "input" ? native : std::string());
  QCOMPARE(model.InputFolder(), becomes == "input" ? folder : std::string());
  QCOMPARE(model.OutputPath(), becomes == "output" ? native : std::string());
  QCOMPARE(f_->window->txtInputFileName->text(),
           becomes == "input" ? "monitor.txt" : "enter filename or hit browse");
  QCOMPARE(f_->window->txtOutputFilename->text(),
           becomes == "output" ? "monitor.txt" : "enter filename or hit browse");
  QCOMPARE(Stored().value("InputFolder").toString().toStdString(),
           becomes == "input" ? folder : std::string());
}

void tst_frmMainDrop::inputFolderIsRememberedBetweenLaunches() {
  f_->chooser.answers = {Path("logs/monitor.txt"), std::nullopt};
  f_->window->cmdBrowseInput->click();
  f_->window->cmdBrowseInput->click();  // cancelled: what is remembered stays
  QCOMPARE(f_->chooser.requests.at(0).initialFolder, std::string());  // first launch
  QCOMPARE(f_->chooser.requests.at(1).initialFolder, Native(Path("logs")));
  // The next launch opens there too; the Save As dialog still starts where the
  // input of this launch is, that is nowhere yet.
  f_->window = std::make_unique<sievra::frmMain>(f_->chooser, f_->sink, Path("help.rtf"));
  f_->window->cmdBrowseInput->click();
  f_->window->cmdBrowseOutput->click();
  QCOMPARE(f_->chooser.requests.at(2).initialFolder, Native(Path("logs")));
  QCOMPARE(f_->chooser.requests.at(3).initialFolder, std::string());
  QCOMPARE(Stored().allKeys(), QStringList{"InputFolder"});  // nothing else is kept
}

// The INI file is what the other window reads too: OK writes every choice
// under its key beside InputFolder; Cancel writes nothing.
void tst_frmMainDrop::optionsAreKeptInTheIni_data() {
  QTest::addColumn<QStringList>("clicks");
  QTest::addColumn<QString>("closeWith");
  QTest::addColumn<QStringList>("kept");  // key=value, by key
  QTest::newRow("nominal: OK") << QStringList{"chkIgnoreSpacing", "optKeepRepeated",
                                              "chkRemovedReport"}
                               << "cmdOK"
                               << QStringList{"CountReport=0",   "Follow=0",      "IgnoreCase=0",
                                              "IgnoreSpacing=1", "Keep=repeated", "RemovedReport=1",
                                              "WindowSeconds=30"};
  QTest::newRow("nominal: Cancel")
      << QStringList{"chkIgnoreSpacing"} << "cmdCancel" << QStringList();
}

void tst_frmMainDrop::optionsAreKeptInTheIni() {
  QFETCH(QStringList, clicks);
  QFETCH(QString, closeWith);
  QFETCH(QStringList, kept);
  f_->window->show();
  QVERIFY(QTest::qWaitForWindowExposed(f_->window.get()));
  QVERIFY(WithModalDialog(*f_->window->cmdOptions, [&](QDialog& dialog) {
    static_cast<sievra::frmOptions&>(dialog).txtWindow->setText("30");
    for (const QString& name : clicks) dialog.findChild<QAbstractButton*>(name)->click();
    dialog.findChild<QAbstractButton*>(closeWith)->click();
  }));
  QStringList stored;
  for (const QString& key : Stored().allKeys())
    stored << key + "=" + Stored().value(key).toString();
  QCOMPARE(stored, kept);
}

QTEST_MAIN(tst_frmMainDrop)
#include "tst_frmmain_drop.moc"
