#include "common/filelog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
Q_LOGGING_CATEGORY(lcProba, "kasa.proba.okvir")
Q_LOGGING_CATEGORY(lcDrugo, "kasa.probaX")

QString readAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
} // namespace

TEST(RotatingLogFile, KeepsTheConfiguredNumberOfFilesUnderTheLimit) {
  const struct {
    int keep;
    qint64 maxBytes;
    int lines;
  } cases[] = {{1, 100, 30}, {3, 100, 30}, {5, 250, 80}};
  for (const auto &c : cases) {
    QTemporaryDir dir;
    RotatingLogFile log(dir.filePath(QStringLiteral("x.log")), c.maxBytes, c.keep);
    for (int i = 0; i < c.lines; ++i)
      ASSERT_TRUE(log.write(QStringLiteral("red %1 ........").arg(i, 3, 10, QLatin1Char('0'))));
    const QStringList files = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files.size(), c.keep) << "keep " << c.keep;
    for (const QString &f : files)
      EXPECT_LE(QFileInfo(dir.filePath(f)).size(), c.maxBytes) << f.toStdString();
    // The newest line is in the current file, older files hold older lines.
    EXPECT_TRUE(readAll(log.path())
                    .endsWith(QStringLiteral("red %1 ........\n").arg(c.lines - 1, 3, 10, QLatin1Char('0'))));
    if (c.keep > 1) {
      const QString older = readAll(log.olderFile(1));
      const QString newer = readAll(log.path());
      EXPECT_LT(older.left(7), newer.left(7));
    }
  }
}

TEST(RotatingLogFile, ALineLongerThanTheLimitGetsAFileOfItsOwn) {
  QTemporaryDir dir;
  RotatingLogFile log(dir.filePath(QStringLiteral("x.log")), 10, 2);
  ASSERT_TRUE(log.write(QStringLiteral("kratko")));
  ASSERT_TRUE(log.write(QString(40, QLatin1Char('d'))));
  EXPECT_EQ(readAll(log.olderFile(1)), QStringLiteral("kratko\n"));
  EXPECT_EQ(readAll(log.path()), QString(40, QLatin1Char('d')) + QLatin1Char('\n'));
}

// A program started again continues the file it left, counting what is in it.
TEST(RotatingLogFile, ContinuesAnExistingFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("x.log"));
  {
    RotatingLogFile first(path, 20, 2);
    ASSERT_TRUE(first.write(QStringLiteral("prvi pokret")));
  }
  RotatingLogFile second(path, 20, 2);
  ASSERT_TRUE(second.write(QStringLiteral("drugi pokret")));
  EXPECT_EQ(readAll(path + QStringLiteral(".1")), QStringLiteral("prvi pokret\n"));
  EXPECT_EQ(readAll(path), QStringLiteral("drugi pokret\n"));
}

TEST(FileLog, RoutesOnlyTheCategoriesUnderThePrefix) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("uredjaj.log"));
  FileLog::install(QStringLiteral("kasa.proba"), path, 1000, 2);
  qCInfo(lcProba) << "okvir poslat";
  qCInfo(lcDrugo) << "ne ide u fajl";
  FileLog::uninstall();
  qCInfo(lcProba) << "posle zatvaranja";
  const QString text = readAll(path);
  EXPECT_TRUE(text.contains(QStringLiteral("kasa.proba.okvir: okvir poslat"))) << text.toStdString();
  EXPECT_FALSE(text.contains(QStringLiteral("ne ide u fajl")));
  EXPECT_FALSE(text.contains(QStringLiteral("posle zatvaranja")));
  // Each line starts with the date and time.
  EXPECT_TRUE(QDateTime::fromString(text.left(23), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).isValid());
}
