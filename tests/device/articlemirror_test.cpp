#include "device/articlemirror.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(ArticleMirror, KeepsSifraOrderAndSurvivesARoundTrip) {
  QTemporaryDir dir;
  const QString path = dir.filePath("artikli.dat");
  ArticleMirror m;
  m.insert({"3", 30, "", "C", 3, 1});
  m.insert({"1", 10, "8600000000011", "Љиљана", 1.5, 0});
  m.insert({"2", 20, "", "B", 2, 8});
  ASSERT_EQ(m.lastSifra(), 30);
  ASSERT_TRUE(m.save(path));
  ArticleMirror back;
  ASSERT_TRUE(back.load(path));
  ASSERT_EQ(back.count(), 3);
  EXPECT_EQ(back.at(0).NAZIV, QStringLiteral("Љиљана"));
  EXPECT_EQ(back.at(0).BARKOD, QStringLiteral("8600000000011"));
  EXPECT_DOUBLE_EQ(back.at(0).CENA, 1.5);
  EXPECT_EQ(back.at(2).PORESKA_GRUPA, 1);
  EXPECT_EQ(back.indexOfSifra(20), 1);
  EXPECT_EQ(back.indexOfSifra(25), -1);
  // Changing a number moves the row.
  MirrorArticle r = back.at(0);
  r.SIFRA = 40;
  EXPECT_EQ(back.update(0, r), 2);
}

TEST(ArticleMirror, DamagedFilesGiveAnEmptyMirrorAndAMessage) {
  QTemporaryDir dir;
  const QString path = dir.filePath("artikli.dat");
  const QList<QByteArray> damaged = {
      "", "not json", "{\"format\":\"other\",\"version\":1,\"rows\":[]}",
      "{\"format\":\"kasa-artikli\",\"version\":1,\"rows\":[{\"SIFRA\":\"x\"}]}", QByteArray(5000, '\xff')};
  for (const QByteArray &content : damaged) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    ArticleMirror m;
    m.insert({"1", 1, "", "A", 1, 0});
    EXPECT_FALSE(m.load(path));
    EXPECT_TRUE(m.isEmpty());
    EXPECT_TRUE(m.errorText().contains("ostecen")) << m.errorText().toStdString();
    QFile again(path);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), content); // the damaged file is left for inspection
  }
  ArticleMirror missing;
  EXPECT_TRUE(missing.load(dir.filePath("none.dat")));
  EXPECT_TRUE(missing.isEmpty());
}

} // namespace
