#include "device/articletextfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The line the device maker's program reads: model 1, names of 36.
TEST(ArticleTextFile, GoldenLineBothWays) {
  const MirrorArticle kafa{QString(), 12, QStringLiteral("860000000001"), QStringLiteral("KAFA"), 80, 2};
  const QByteArray golden = "0012"
                            "0860000000001"
                            "KAFA" +
                            QByteArray(32, ' ') +
                            "000008000"
                            "0000000000000"
                            "02";
  EXPECT_EQ(ArticleTextFile::line(kafa, 1, 36), golden);
  EXPECT_EQ(golden.size(), ArticleTextFile::lineWidth(1, 36));
  const auto back = ArticleTextFile::parse(golden + "\r\n", 1, 36);
  ASSERT_TRUE(back.ok) << back.error.toStdString();
  ASSERT_EQ(back.rows.size(), 1);
  const MirrorArticle &r = back.rows[0];
  EXPECT_EQ(r.SIFRA, 12);
  EXPECT_EQ(r.BARKOD, QStringLiteral("0860000000001"));
  EXPECT_EQ(r.NAZIV, QStringLiteral("KAFA"));
  EXPECT_DOUBLE_EQ(r.CENA, 80);
  EXPECT_EQ(r.KSIFRA, QStringLiteral("0000000000000"));
  EXPECT_EQ(r.PORESKA_GRUPA, 2);
}

// Widths follow the model and Duzina; long names are cut, prices are whole para, and
// Serbian and Cyrillic names travel in the legacy single-byte charset.
TEST(ArticleTextFile, FieldsFollowModelAndDuzina) {
  struct Case {
    int model, duzina;
    MirrorArticle row;
    QByteArray line;
  } cases[] = {
      {4,
       36,
       {QString(), 12, QString(), QStringLiteral("KAFA"), 80, 2},
       "00012"
       "0000000000000"
       "KAFA" +
           QByteArray(32, ' ') +
           "000008000"
           "0000000000000"
           "02"},
      {2,
       10,
       {QStringLiteral("123"), 7, QString(), QStringLiteral("ČAJ OD NANE I MEDA"), 1.235, 8},
       "0007"
       "0000000000000"
       "^AJ OD NAN"
       "000000124"
       "0000000000123"
       "08"},
      {5,
       6,
       {QString(), 11999, QString(), QStringLiteral("Љиљана"), 0.5, 0},
       "11999"
       "0000000000000"
       "\x8A\xE8\x9A\xE0\xED\xE0"
       "000000050"
       "0000000000000"
       "00"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.model);
    const QByteArray l = ArticleTextFile::line(c.row, c.model, c.duzina);
    EXPECT_EQ(l, c.line);
    EXPECT_EQ(l.size(), ArticleTextFile::lineWidth(c.model, c.duzina));
    const auto back = ArticleTextFile::parse(l + "\r\n", c.model, c.duzina);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.rows[0].SIFRA, c.row.SIFRA);
    EXPECT_EQ(back.rows[0].NAZIV, c.row.NAZIV.left(c.duzina));
  }
}

TEST(ArticleTextFile, FileIsWrittenWithCrLfAndReadBackInOrder) {
  QTemporaryDir dir;
  const QString path = dir.filePath(ArticleTextFile::defaultName(QStringLiteral("123450")));
  EXPECT_TRUE(path.endsWith("ARTBON_123450.TXT"));
  QList<MirrorArticle> rows = {{QString(), 704, QString(), QStringLiteral("PRESKOCEN"), 1, 1},
                               {QString(), 3, QString(), QStringLiteral("ŠAH"), 2, 1},
                               {QString(), 1, QString(), QStringLiteral("ЋЕВАП"), 3, 1}};
  QString error;
  ASSERT_TRUE(ArticleTextFile::write(path, rows, 1, 36, &error));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray content = f.readAll();
  EXPECT_EQ(content.count("\r\n"), 3);
  EXPECT_TRUE(content.endsWith("\r\n"));
  const auto back = ArticleTextFile::read(path, 1, 36);
  ASSERT_TRUE(back.ok);
  ASSERT_EQ(back.rows.size(), 2); // model 1's line "0704" is skipped
  EXPECT_EQ(back.rows[0].NAZIV, QStringLiteral("ŠAH"));
  EXPECT_EQ(back.rows[1].NAZIV, QStringLiteral("ЋЕВАП"));
  EXPECT_FALSE(ArticleTextFile::write(dir.filePath("no/such/dir/x.txt"), rows, 1, 36, &error));
  EXPECT_FALSE(ArticleTextFile::read(dir.filePath("missing.txt"), 1, 36).ok);
}

// A damaged line fails the whole file and is named by its number.
TEST(ArticleTextFile, DamagedLinesAreNamed) {
  const QByteArray good =
      ArticleTextFile::line({QString(), 12, QString(), QStringLiteral("KAFA"), 80, 2}, 1, 36);
  auto with = [&](int at, char c) {
    QByteArray l = good;
    l[at] = c;
    return l;
  };
  struct Case {
    const char *what;
    QByteArray line;
  } cases[] = {
      {"too short", good.left(70)},
      {"number", with(2, 'x')},
      {"price", with(4 + 13 + 36 + 3, 'x')},
      {"tax group", with(76, 'x')},
      {"tax group above 8", good.left(75) + "12"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const auto r =
        ArticleTextFile::parse(good + "\r\n" + good + "\r\n" + c.line + "\r\n" + good + "\r\n", 1, 36);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.rows.isEmpty());
    EXPECT_EQ(r.badLine, 3);
    EXPECT_TRUE(r.error.startsWith("Greska u liniji 3:")) << r.error.toStdString();
  }
}

} // namespace
