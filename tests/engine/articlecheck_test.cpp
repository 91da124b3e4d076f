#include "engineharness.h"

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

int le16(const QByteArray &f, int at) {
  return quint8(f[at]) | (quint8(f[at + 1]) << 8);
}
qint64 le32(const QByteArray &f, int at) {
  return qint64(quint8(f[at])) | (qint64(quint8(f[at + 1])) << 8) | (qint64(quint8(f[at + 2])) << 16) |
         (qint64(quint8(f[at + 3])) << 24);
}

// Retail screen open, receipt opened and confirmed.
void openRetail(Harness &h) {
  h.engine->setBrojRacuna(1);
  h.engine->beginRetailReceipt(1);
  h.settle();
  h.feed(reply::accept(h.link.Model, 0x01));
}

TEST(ArticleCheck, KnownArticleIsSoldAtOnce) {
  Harness h(1);
  openRetail(h);
  h.engine->sellRetailLine(Harness::sale("1", "KAFA", 1, 100));
  h.settle();
  ASSERT_EQ(h.lastCode(), 0x0B);
  EXPECT_EQ(le16(h.last(), 16), 10);
}

TEST(ArticleCheck, NewArticleSkips704AndPadsANonDigitBarcode) {
  Harness h(1);
  h.mirror.insert({"77", 703, "", "CAJ", 50, 1});
  openRetail(h);
  Racun r = Harness::sale("9", "SOK", 1, 120);
  r.barkod = "ABC";
  h.engine->sellRetailLine(r);
  h.settle();
  ASSERT_EQ(h.lastCode(), 0x74);
  EXPECT_EQ(le16(h.last(), 9), 705);
  EXPECT_EQ(h.last().mid(48, 7), FrameCodec::BarkodToBCD(QStringLiteral("          705")));
  EXPECT_EQ(le32(h.last(), 57), 12000);
  h.feed(reply::longFrame(1, 0x74, QByteArray(1, 0)));
  ASSERT_EQ(h.lastCode(), 0x0B);
  EXPECT_EQ(le16(h.last(), 16), 705);
  const int row = h.mirror.indexOfSifra(705);
  ASSERT_GE(row, 0);
  EXPECT_EQ(h.mirror.at(row).KSIFRA, QStringLiteral("9"));
  EXPECT_EQ(h.mirror.at(row).BARKOD, QStringLiteral("          705"));
  h.feed(reply::ack1(1));
  EXPECT_EQ(h.scalar("SELECT barkod FROM prodato").toString().trimmed(), QStringLiteral("705"));
  // Saved: a fresh mirror reads the same rows back.
  ArticleMirror again;
  ASSERT_TRUE(again.load(h.dir.filePath("artikli.dat")));
  EXPECT_EQ(again.count(), 4);
}

TEST(ArticleCheck, EntryLineStaysShutUntilTheSaleLineAfterAWriteIsAnswered) {
  for (int model : {1, 5}) {
    Harness h(model);
    openRetail(h);
    h.engine->sellRetailLine(Harness::sale("9", "SOK", 1, 120));
    h.settle();
    ASSERT_EQ(h.lastCode(), 0x74) << model;
    h.retail.log.clear();
    h.feed(reply::longFrame(model, 0x74, QByteArray(1, 0)));
    // The sale line is on its way: a payment typed now would overtake it.
    EXPECT_FALSE(h.retail.log.contains(QStringLiteral("enable"))) << model;
    h.feed(reply::ack1(model));
    EXPECT_TRUE(h.retail.log.contains(QStringLiteral("enable"))) << model;
  }
}

TEST(ArticleCheck, PriceChangeIsOneWrite) {
  Harness h(5);
  openRetail(h);
  h.engine->sellRetailLine(Harness::sale("1", "KAFA", 1, 110));
  h.settle();
  ASSERT_EQ(h.lastCode(), 0x74);
  EXPECT_EQ(le16(h.last(), 9), 10);
  EXPECT_EQ(le32(h.last(), 57), 11000);
  h.feed(reply::longFrame(5, 0x74, QByteArray(1, 0)));
  EXPECT_EQ(h.lastCode(), 0x05);
  EXPECT_DOUBLE_EQ(h.mirror.at(h.mirror.indexOfSifra(10)).CENA, 110);
  EXPECT_EQ(h.mirror.count(), 2);
}

TEST(ArticleCheck, ChangedNameIsReplacedInTwoWrites) {
  Harness h(1);
  h.mirror.clear();
  h.mirror.insert({"1", 10, "8600000000011", "KAFA", 100, 2});
  openRetail(h);
  h.engine->sellRetailLine(Harness::sale("1", "KAFA DUPLA", 1, 100));
  h.settle();
  ASSERT_EQ(h.lastCode(), 0x74);
  EXPECT_EQ(le16(h.last(), 9), 11); // the next free number
  EXPECT_EQ(h.last().mid(48, 7), FrameCodec::BarkodToBCD(QStringLiteral("8600000000011")));
  h.feed(reply::longFrame(1, 0x74, QByteArray(1, 0)));
  ASSERT_EQ(h.lastCode(), 0x74);
  EXPECT_EQ(le16(h.last(), 9), 10); // the old article, without its barcode
  EXPECT_EQ(h.last().mid(48, 7), QByteArray(7, char(0xFF)));
  h.feed(reply::longFrame(1, 0x74, QByteArray(1, 0)));
  ASSERT_EQ(h.lastCode(), 0x0B);
  EXPECT_EQ(le16(h.last(), 16), 11);
  ASSERT_EQ(h.mirror.count(), 2);
  EXPECT_TRUE(h.mirror.at(0).KSIFRA.isEmpty());
  EXPECT_TRUE(h.mirror.at(0).BARKOD.isEmpty());
  EXPECT_EQ(h.mirror.at(1).KSIFRA, QStringLiteral("1"));
  EXPECT_EQ(h.mirror.at(1).BARKOD, QStringLiteral("8600000000011"));
  EXPECT_EQ(h.mirror.at(1).NAZIV, QStringLiteral("KAFA DUPLA"));
}

TEST(ArticleCheck, Model2RefusesWhatTheDeviceDoesNotHold) {
  {
    Harness h(2);
    openRetail(h);
    const int sent = h.sentCount();
    h.engine->sellRetailLine(Harness::sale("1", "KAFA", 1, 105));
    h.settle();
    EXPECT_EQ(h.sentCount(), sent);
    EXPECT_TRUE(h.retail.log.contains("takeOff"));
    EXPECT_TRUE(h.retail.log.contains("status:ARTIKAL SE NE NALAZI U BAZI KASE"));
  }
  {
    Harness h(2);
    h.engine->setRezimRestoran(true);
    StavkeRacuna s(1);
    s[0].operacija = Racun::Otvaranje;
    s.push_back(Harness::sale("1", "KAFA", 1, 105));
    Racun end;
    end.operacija = Racun::Kraj;
    s.push_back(end);
    h.engine->startWholeReceipt(s);
    EXPECT_EQ(h.prompt.log, QStringList{"message|Greska|Artikal sa sa sifrom 1 se ne nalazi u bazi kase!"});
    EXPECT_EQ(h.sentCount(), 0);
  }
}

struct StopCase {
  int model;
  int rows;
  QString text;
};
class CheckStops : public ::testing::TestWithParam<StopCase> {};

TEST_P(CheckStops, EmptyOrFullMirror) {
  const StopCase c = GetParam();
  Harness h(c.model);
  h.mirror.clear();
  for (int i = 1; i <= c.rows; ++i)
    h.mirror.insert({QString::number(1000 + i), i, "", "A", 1, 0});
  openRetail(h);
  const int sent = h.sentCount();
  h.engine->sellRetailLine(Harness::sale("1", "KAFA", 1, 100));
  h.settle();
  EXPECT_EQ(h.sentCount(), sent);
  ASSERT_EQ(h.prompt.errors.size(), 1);
  EXPECT_EQ(h.prompt.errors[0].naslov, QStringLiteral("GRESKA"));
  EXPECT_EQ(h.prompt.errors[0].tekst, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Mirror, CheckStops,
    ::testing::Values(StopCase{1, 0,
                               "Lokalna baza nije sinhronizovana sa bazom u kasi.Uradite citanje iz kase."},
                      StopCase{2, 3000, "Napunili ste bazu artikala. Uraditi praznjenje kase!"},
                      StopCase{1, 4000, "Napunili ste bazu artikala. Uradite praznjenje kase!"}));

TEST(ArticleCheck, Model4LearnsFromTheSaleReply) {
  Harness h(4);
  openRetail(h);
  h.engine->sellRetailLine(Harness::sale("5", "SOK", 1, 90));
  h.settle();
  ASSERT_EQ(h.lastCode(), 0x03); // sold at once with the next free number
  EXPECT_EQ(le16(h.last(), 9), 12);
  h.feed(reply::ack4(0x03, true, 0, 0, 0, 12, 0x07));
  const int row = h.mirror.indexOfSifra(12);
  ASSERT_GE(row, 0);
  EXPECT_EQ(h.mirror.at(row).KSIFRA, QStringLiteral("5"));
  // Only the price bit: the price is taken over.
  h.engine->sellRetailLine(Harness::sale("1", "KAFA", 1, 130));
  h.settle();
  h.feed(reply::ack4(0x03, true, 0, 0, 0, 10, 0x02));
  EXPECT_DOUBLE_EQ(h.mirror.at(h.mirror.indexOfSifra(10)).CENA, 130);
}

TEST(ArticleCheck, Model4ReplacesAChangedArticle) {
  Harness h(4);
  openRetail(h);
  h.engine->sellRetailLine(Harness::sale("1", "KAFA VELIKA", 1, 100));
  h.settle();
  ASSERT_EQ(h.lastCode(), 0x13);
  EXPECT_EQ(le16(h.last(), 9), 10);
  EXPECT_EQ(h.last().mid(11, 7), QByteArray(7, char(0xFF)));
  h.feed(reply::ack4(0x13));
  ASSERT_EQ(h.lastCode(), 0x03);
  EXPECT_EQ(le16(h.last(), 9), 12);
  EXPECT_TRUE(h.mirror.at(h.mirror.indexOfSifra(10)).KSIFRA.isEmpty());
}

} // namespace

namespace {

// The mirror's highest number is the model's last: a new article gets no number past
// it; the memory-full notice comes instead and the line leaves the grid.
TEST(ArticleCheck, NoNumberPastTheModelsRange) {
  struct Case {
    int model;
    int last;
    const char *text;
  } cases[] = {
      {1, 3999, "Napunili ste bazu artikala. Uradite praznjenje kase!"},
      {5, 11999, "Napunili ste bazu artikala. Uradite praznjenje kase!"},
      {3, 3000, "Napunili ste bazu artikala. Uraditi praznjenje kase!"},
      {4, 60000, "Napunili ste bazu artikala. Uradite praznjenje kase!"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.model);
    for (bool renamed : {false, true}) {
      Harness h(c.model);
      h.mirror.insert({"77", c.last, "", "CAJ", 50, 2});
      openRetail(h);
      const int sent = h.sentCount();
      h.retail.log.clear();
      // A new article, or a known code whose name changed (a replacement needs a new number).
      h.engine->sellRetailLine(renamed ? Harness::sale("77", "CAJ ZELENI", 1, 50)
                                       : Harness::sale("9", "SOK", 1, 120));
      h.settle();
      EXPECT_EQ(h.sentCount(), sent) << "renamed " << renamed;
      ASSERT_EQ(h.prompt.errors.size(), 1);
      EXPECT_EQ(h.prompt.errors[0].tekst, QString::fromLatin1(c.text));
      EXPECT_TRUE(h.retail.log.contains(QStringLiteral("takeOff")));
      EXPECT_EQ(h.mirror.count(), 3);
    }
  }
}

} // namespace
