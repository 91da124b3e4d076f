#include "data/vlasnik.h"

#include "common/legacycharset.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Vlasnik, WritesUpToAndIncludingTheFirstEmptyLine) {
  QTemporaryDir dir;
  const QString box = QStringLiteral("Kafana Zlatni Š\nKralja Petra 1\nBeograd\n\nnije za fajl\njos");
  ASSERT_TRUE(Vlasnik::write(dir.path(), box));
  QFile f(QDir(dir.path()).filePath("vlasnik.ini"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("Kafana Zlatni \xC5\xA0\r\nKralja Petra 1\r\nBeograd\r\n\r\n"));
  const Vlasnik v = Vlasnik::read(dir.path());
  EXPECT_EQ(v.ownerName(), QStringLiteral("Kafana Zlatni Š"));
  EXPECT_EQ(v.placeName(), "Beograd");
  EXPECT_EQ(v.ownerBlock(), (QStringList{QStringLiteral("Kafana Zlatni Š"), "Kralja Petra 1"}));
}

TEST(Vlasnik, BoxWithoutEmptyLineStillEndsInOne) {
  EXPECT_EQ(Vlasnik::linesToWrite("A\nB"), (QStringList{"A", "B", ""}));
  EXPECT_EQ(Vlasnik::linesToWrite("\nA\nB"), QStringList{}); // first line empty: file left empty
  EXPECT_EQ(Vlasnik::linesToWrite(""), QStringList{});
  EXPECT_EQ(Vlasnik::linesToWrite("A\r\n\r\nB"), (QStringList{"A", ""}));
}

TEST(Vlasnik, ReadsLegacyBytesWhenNotUtf8) {
  QTemporaryDir dir;
  QFile f(QDir(dir.path()).filePath("vlasnik.ini"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(LegacyCharset::fromUnicode(QStringLiteral("Prodavnica Čačak\r\nЉиљана\r\nNiš\r\n\r\n")));
  f.close();
  const Vlasnik v = Vlasnik::read(dir.path());
  EXPECT_EQ(v.lines, (QStringList{QStringLiteral("Prodavnica Čačak"), QStringLiteral("Љиљана"),
                                  QStringLiteral("Niš")}));
}

TEST(Vlasnik, MissingFileIsAnErrorWithNoLines) {
  QTemporaryDir dir;
  QString error;
  const Vlasnik v = Vlasnik::read(dir.path(), &error);
  EXPECT_TRUE(v.lines.isEmpty());
  EXPECT_FALSE(error.isEmpty());
}
