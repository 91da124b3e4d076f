#include "engineharness.h"

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

QByteArray fm7F(bool fiscalised) {
  QByteArray p(29, char(0xFF));
  if (fiscalised)
    p[20] = 0x12; // one byte among 20..37 that is not 0xFF
  p[0] = 0;
  return reply::longFrame(1, 0x7F, p);
}
QByteArray info4(bool fiscalised) {
  QByteArray p(77, 0);
  p[76] = char(fiscalised ? 0xCC : 0x00);
  return FrameCodec::shortFrame(0x20, p);
}

struct CheckCase {
  int model;
  bool fiscalised;
  bool configShowing;
};
class StartupCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(StartupCheck, SettlesOnTheFirstAnswer) {
  const CheckCase c = GetParam();
  Harness h(c.model);
  h.engine->setConfigWindowShowing(c.configShowing);
  int enabled = 0;
  QObject::connect(h.engine.get(), &TransactionEngine::saleButtonsEnabled, [&] { ++enabled; });
  h.engine->startCheck();
  EXPECT_TRUE(h.engine->proveraKase());
  h.feed(c.model == 4 ? info4(c.fiscalised) : fm7F(c.fiscalised));
  EXPECT_FALSE(h.engine->proveraKase());
  EXPECT_EQ(h.engine->kasaProverena(), c.fiscalised);
  EXPECT_EQ(enabled, c.fiscalised ? 1 : 0);
  if (c.fiscalised)
    EXPECT_TRUE(h.prompt.log.isEmpty());
  else if (c.configShowing)
    EXPECT_EQ(h.prompt.log, QStringList{"message|GRESKA|Kasa nije fiskalizovana.Dalji rad je onemogucen!"});
  else
    EXPECT_EQ(h.prompt.log, QStringList{"instructions"});
}

INSTANTIATE_TEST_SUITE_P(Models, StartupCheck,
                         ::testing::Values(CheckCase{1, true, false}, CheckCase{1, false, false},
                                           CheckCase{5, false, true}, CheckCase{4, true, false},
                                           CheckCase{4, false, true}, CheckCase{4, false, false}));

TEST(StartupCheck, SilenceDuringTheCheck) {
  Harness h(1);
  h.engine->setConfigWindowShowing(true);
  h.engine->startCheck();
  h.clock.advance(3000);
  EXPECT_FALSE(h.engine->proveraKase());
  EXPECT_EQ(h.prompt.log,
            QStringList{"message|GRESKA|Doslo je do prekida u komunikaciji.Provera da li je kasa "
                        "fiskalizovana nije uspela. Proverite kablove i da li je kasa u "
                        "odgovarajucem rezimu rada!"});
}

// Model 2 configured, device answering in long frames: the start-up check takes it
// for the variant 3; each showing of the main menu then asks for the long-frame
// article read, and only a device that serves it stays 3.
TEST(Menko, MainMenuDetectionDecidesTheVariant) {
  struct Case {
    const char *name;
    bool servesArticleRead;
    int model;
  } cases[] = {{"article read refused", false, 2}, {"article read served", true, 3}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(2);
    h.engine->startCheck();
    EXPECT_EQ(h.engine->zapocetaOperacija(), QStringLiteral("PRIJAVASTART"));
    h.feed(reply::ack2(2, 0xFF));
    EXPECT_EQ(h.lastCode(), 0x18);
    h.feed(reply::longFrame(2, 0x19, QByteArray(1, 0)));
    ASSERT_EQ(h.link.Model, 3);
    EXPECT_TRUE(h.engine->kasaProverena());

    for (int showing = 1; showing <= 2; ++showing) {
      SCOPED_TRACE(showing);
      h.engine->detectMenkoVariant();
      EXPECT_EQ(h.lastCode(), 0x01); // operator log-in
      h.feed(reply::ack2(h.link.Model, 0xFF));
      EXPECT_EQ(h.engine->zapocetaOperacija(), QStringLiteral("CITANJEART"));
      EXPECT_EQ(h.lastCode(), 0x14); // the long-frame article read
      h.feed(c.servesArticleRead ? reply::longFrame(2, 0x16, QByteArray(60, 0)) : reply::ack2(2, 0x00));
      EXPECT_EQ(h.link.Model, c.model);
      EXPECT_TRUE(h.engine->zapocetaOperacija().isEmpty());
    }
    // Nothing is left pending: a later silence is an ordinary one, not the detection's.
    h.clock.advance(10000);
    EXPECT_TRUE(h.prompt.log.isEmpty()) << h.prompt.log.join('\n').toStdString();
  }
}

TEST(Menko, LoginRefusedAtStart) {
  Harness h(2);
  h.engine->setConfigWindowShowing(true);
  h.engine->startCheck();
  h.feed(reply::ack2(2, 0x00));
  EXPECT_FALSE(h.engine->kasaProverena());
  EXPECT_EQ(h.prompt.log,
            QStringList{"message|GRESKA|Provera da li je kasa fiskalizovana nije uspela. Prebacite "
                        "kasu u SETUP rezim i startujte program ponovo!"});
}

// Silent on the login: the short-frame service decides, Model stays 2.
TEST(Menko, ShortFrameFallback) {
  for (bool fiscalised : {true, false}) {
    Harness h(2);
    h.engine->startCheck();
    h.clock.advance(3000);
    ASSERT_EQ(h.last(), QByteArray::fromHex("5f0002021 10d").replace(' ', ""));
    h.feed(FrameCodec::shortFrame(0x00, QByteArray(2, 0)));
    EXPECT_TRUE(h.mirror.isEmpty()); // model 2's mirror is emptied
    EXPECT_EQ(h.last(), QByteArray::fromHex("5f20000d"));
    QByteArray p(77, 0);
    p[76] = char(fiscalised ? 0xCC : 0x01);
    h.feed(FrameCodec::shortFrame(0x20, p));
    EXPECT_EQ(h.last(), QByteArray::fromHex("5f10000d"));
    h.feed(QByteArray::fromHex("5f10000d"));
    EXPECT_FALSE(h.engine->proveraKase());
    EXPECT_EQ(h.engine->kasaProverena(), fiscalised);
    EXPECT_EQ(h.link.Model, 2);
    EXPECT_EQ(h.prompt.log.contains("message|GRESKA|Kasa nije fiskalizovana.Dalji rad je onemogucen!"),
              !fiscalised);
  }
}

TEST(Model4, RemainingDailyReports) {
  for (int stored : {2950, 2949}) {
    Harness h(4);
    h.engine->GetFMInfo();
    QByteArray p(8, 0);
    p[0] = 7;
    p[6] = char(stored & 0xFF);
    p[7] = char(stored >> 8);
    h.feed(reply::longFrame(4, 0x21, p));
    EXPECT_EQ(h.prompt.log.contains("message|INFORMACIJA|Broj preostalih dnevnih izvestaja je 50!"),
              stored == 2950);
    EXPECT_EQ(h.prompt.log.size(), stored == 2950 ? 1 : 0);
  }
}

// ---------------------------------------------------------------- unfinished receipts

void storeUnfinished(Harness &h, int lines) {
  h.db.exec(QStringLiteral(
      "INSERT INTO racuni (broj, godina, datum, status, cek, kartica, gotovina, brfisis) VALUES "
      "(4, 2026, '2026-01-15', 0, 0, 0, 50, 0)"));
  h.db.exec(
      QStringLiteral("INSERT INTO rate (broj, godina, rbr, iznos, datum, nacin) VALUES (4, 2026, 1, 50, "
                     "'2026-01-15', 0)"));
  for (int i = 1; i <= lines; ++i)
    h.db.exec(QStringLiteral(
                  "INSERT INTO prodato (rbr, brrac, godina, datum, sifra, barkod, naziv, cena, storno, "
                  "stopa, prodato, iznos) VALUES (%1, 4, 2026, '2026-01-15', '1', '', 'KAFA', 100, 0, 2, "
                  "%1, %2)")
                  .arg(i)
                  .arg(i * 100));
}

struct UnfinishedCase {
  int model;
  int choice;
  int status;      // STATUS afterwards
  int stornoRows;  // reversal rows written
  int brojRacuna;  // receipt in progress afterwards
  int loadedLines; // lines reloaded into the grid
};
class Unfinished : public ::testing::TestWithParam<UnfinishedCase> {};

TEST_P(Unfinished, CloseStornoOrContinue) {
  const UnfinishedCase c = GetParam();
  Harness h(c.model);
  storeUnfinished(h, 3);
  h.prompt.receiptAnswers = {c.choice};
  h.engine->checkUnfinishedRetailReceipt();
  ASSERT_EQ(h.prompt.receipts.size(), 1);
  const auto &d = h.prompt.receipts[0];
  EXPECT_EQ(d.buttons.size(), c.model == 2 ? 3 : 2);
  ASSERT_EQ(d.rows.size(), 3);
  EXPECT_EQ(d.rows[1], (QStringList{"1", "KAFA", "     2,000", "    100,00"}));
  EXPECT_EQ(h.scalar("SELECT status FROM racuni WHERE broj = 4").toInt(), c.status);
  EXPECT_EQ(h.scalar("SELECT COUNT(*) FROM prodato WHERE storno = 1").toInt(), c.stornoRows);
  EXPECT_EQ(h.engine->brojRacuna(), c.brojRacuna);
  EXPECT_EQ(h.retail.loaded.size(), c.loadedLines);
  if (c.stornoRows) {
    EXPECT_EQ(h.scalar("SELECT COUNT(*) FROM rate").toInt(), 0);
    EXPECT_DOUBLE_EQ(h.scalar("SELECT lager FROM artikli WHERE sifra = '1'").toDouble(), 16);
  }
}

INSTANTIATE_TEST_SUITE_P(Choices, Unfinished,
                         ::testing::Values(UnfinishedCase{1, 1, 1, 0, 5, 0}, UnfinishedCase{1, 2, 1, 3, 5, 0},
                                           UnfinishedCase{2, 3, 0, 0, 4, 3},
                                           UnfinishedCase{5, 2, 1, 3, 5, 0}));

TEST(Unfinished, Model4StatusDrivesTheRecovery) {
  // Device idle after a closed receipt, the program's last receipt open: TForm5, then the login.
  Harness h(4);
  storeUnfinished(h, 1);
  h.engine->setRbrKasira(2);
  h.prompt.receiptAnswers = {1};
  h.engine->requestStatusFromSale();
  h.feed(reply::ack4(0x0D, true, 1));
  ASSERT_EQ(h.prompt.receipts.size(), 1);
  EXPECT_EQ(
      h.prompt.receipts[0].tekst,
      QStringLiteral("Poslednji racun u programu nije zavrsen. Izaberite neku opciju za nastavak rada!"));
  EXPECT_EQ(h.scalar("SELECT status FROM racuni WHERE broj = 4").toInt(), 1);
  EXPECT_EQ(h.lastCode(), 0x01);
  EXPECT_EQ(quint8(h.last()[9]), 2) << h.last().toHex().toStdString() << " "
                                    << h.prompt.log.join(";").toStdString();

  // A receipt open on the device: the notice and its end.
  Harness g(4);
  g.engine->requestStatusFromSale();
  g.feed(reply::ack4(0x0D, true, 3));
  EXPECT_EQ(
      g.prompt.log,
      QStringList{"device|Upozorenje!|Poslednji racun na stampacu nije zavrsen. Bice odstampan kraj racuna"});
  EXPECT_EQ(g.lastCode(), 0x0B);

  // Busy: asks again after 5 s.
  Harness b(4);
  b.engine->GetStatus();
  b.feed(reply::ack4(0x0D, true, 11));
  const int n = b.sentCount();
  b.clock.advance(4500); // 4.9 s after the reply
  EXPECT_EQ(b.sentCount(), n);
  b.clock.advance(200);
  EXPECT_EQ(b.sentCount(), n + 1);
  EXPECT_EQ(b.lastCode(), 0x0D);
}

// Storniraj pairs voided sales and returns stock only for the rest; any length.
TEST(Storniraj, PairsVoidsAndReturnsStock) {
  Harness h(1);
  auto line = [&](int rbr, const char *sifra, double kol, int storno) {
    h.db.exec(
        QStringLiteral("INSERT INTO prodato (rbr, brrac, godina, datum, sifra, barkod, naziv, cena, storno, "
                       "stopa, prodato, iznos) VALUES (%1, 9, 2026, '2026-01-15', '%2', '', 'X', 10, %4, 2, "
                       "%3, %5)")
            .arg(rbr)
            .arg(QLatin1String(sifra))
            .arg(kol)
            .arg(storno)
            .arg(kol * 10));
  };
  line(1, "1", 2, 0);
  line(2, "1", 1, 0);
  line(3, "1", -1, 1);
  // A long receipt: 300 further sales of the recipe article.
  for (int i = 0; i < 300; ++i)
    line(10 + i, "2", 1, 0);
  h.db.exec(QStringLiteral(
      "INSERT INTO racuni (broj, godina, cek, kartica, gotovina, status) VALUES (9, 2026, 5, 5, "
      "5, 0)"));
  h.engine->Storniraj(2026, 9);
  EXPECT_EQ(h.scalar("SELECT COUNT(*) FROM prodato WHERE storno = 1 AND sifra = '1'").toInt(), 2);
  EXPECT_EQ(h.scalar("SELECT prodato FROM prodato WHERE storno = 1 AND sifra = '1' AND rbr > 3").toDouble(),
            -2);
  EXPECT_EQ(h.scalar("SELECT COUNT(*) FROM prodato WHERE storno = 1 AND sifra = '2'").toInt(), 300);
  EXPECT_DOUBLE_EQ(h.scalar("SELECT lager FROM artikli WHERE sifra = '1'").toDouble(), 12);
  EXPECT_DOUBLE_EQ(h.scalar("SELECT lager FROM artikli WHERE sifra = '2'").toDouble(), 305);
  EXPECT_DOUBLE_EQ(h.scalar("SELECT lager FROM artikli WHERE sifra = '3'").toDouble(), 250);
  EXPECT_DOUBLE_EQ(h.scalar("SELECT cek + kartica + gotovina FROM racuni WHERE broj = 9").toDouble(), 0);
  EXPECT_EQ(h.scalar("SELECT status FROM racuni WHERE broj = 9").toInt(), 0);
}

} // namespace
