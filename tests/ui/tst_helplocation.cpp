#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "sievra/ui/help_location.h"

// A program installed under a prefix finds help.rtf in its own folder first, then
// in ../share/sievra, the place a Debian package puts it.
class tst_HelpLocation : public QObject {
  Q_OBJECT

 private slots:
  void findsTheHelpFile_data();
  void findsTheHelpFile();
};

void tst_HelpLocation::findsTheHelpFile_data() {
  QTest::addColumn<QStringList>("files");  // relative to the prefix
  QTest::addColumn<QString>("expected");
  const QString beside = QStringLiteral("bin/help.rtf");
  const QString shared = QStringLiteral("share/sievra/help.rtf");
  QTest::newRow("nominal: beside the program (build tree, Windows)")
      << QStringList{beside} << beside;
  QTest::newRow("nominal: installed under a prefix") << QStringList{shared} << shared;
  QTest::newRow("nominal: the program's own folder wins") << QStringList{beside, shared} << beside;
  QTest::newRow("robustness: neither names the program's folder") << QStringList{} << beside;
  QTest::newRow("robustness: a folder named help.rtf is no help file")
      << QStringList{QStringLiteral("bin/help.rtf/"), shared} << shared;
}

void tst_HelpLocation::findsTheHelpFile() {
  QFETCH(QStringList, files);
  QFETCH(QString, expected);
  QTemporaryDir prefix;
  QVERIFY(prefix.isValid());
  const QDir root(prefix.path());
  QVERIFY(root.mkpath(QStringLiteral("bin")));
  for (const QString& file : files) {
    QVERIFY(root.mkpath(QFileInfo(root.filePath(file)).path()));
    if (file.endsWith(u'/')) continue;  // only the folder
    QFile out(root.filePath(file));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("{\\rtf1 help\\par}");
  }
  QCOMPARE(sievra::HelpFileForProgramIn(root.filePath(QStringLiteral("bin"))),
           root.filePath(expected));
}

QTEST_MAIN(tst_HelpLocation)
#include "tst_helplocation.moc"
