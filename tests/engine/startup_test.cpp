#include "engineharness.h"

#include "device/memorycommands.h"

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
    EXPECT_EQ(h.engine->zapocetaOperacija(), StartedOperation::PrijavaStart);
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
      EXPECT_EQ(h.engine->zapocetaOperacija(), StartedOperation::CitanjeArt);
      EXPECT_EQ(h.lastCode(), 0x14); // the long-frame article read
      h.feed(c.servesArticleRead ? reply::longFrame(2, 0x16, QByteArray(60, 0)) : reply::ack2(2, 0x00));
      EXPECT_EQ(h.link.Model, c.model);
      EXPECT_EQ(h.engine->zapocetaOperacija(), StartedOperation::None);
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
    EXPECT_EQ(h.mirror.count(), 2); // the check leaves the article mirror alone
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
    if (!fiscalised)
      continue;
    // The shop sells at once, with the articles the device holds.
    h.engine->setBrojRacuna(1);
    h.engine->beginRetailReceipt(1);
    h.settle();
    h.feed(reply::ack2(2, 0xFF));
    h.engine->sellRetailLine(Harness::sale(QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100));
    h.settle();
    EXPECT_EQ(h.lastCode(), 0x03);
    EXPECT_TRUE(h.prompt.errors.isEmpty()) << h.prompt.log.join("\n").toStdString();
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
  EXPECT_TRUE(h.db.exec(QStringLiteral(
      "INSERT INTO racuni (broj, godina, datum, status, cek, kartica, gotovina, brfisis) VALUES "
      "(4, 2026, '2026-01-15', 0, 0, 0, 50, 0)")));
  EXPECT_TRUE(h.db.exec(
      QStringLiteral("INSERT INTO rate (broj, godina, rbr, iznos, datum, nacin) VALUES (4, 2026, 1, 50, "
                     "'2026-01-15', 0)")));
  for (int i = 1; i <= lines; ++i)
    EXPECT_TRUE(
        h.db.exec(QStringLiteral(
                      "INSERT INTO prodato (rbr, brrac, godina, datum, sifra, barkod, naziv, cena, storno, "
                      "stopa, prodato, iznos) VALUES (%1, 4, 2026, '2026-01-15', '1', '', 'KAFA', 100, 0, 2, "
                      "%1, %2)")
                      .arg(i)
                      .arg(i * 100)));
}

// The recovery asks the device with a zero cash payment before anything else.
int paymentCode(int model) {
  return model == 1 ? 0x15 : model == 5 ? 0x13 : 0x09;
}

// The device's part of a recovery, scripted: the probe finds a receipt open, every
// further command is taken, and a family-1 payment closes the receipt as number 7.
void answerDevice(Harness &h, int model) {
  const int probe = h.sentCount();
  h.feed(reply::accept(model, 0x09));
  for (int i = 0; i < 20 && h.sentCount() > probe; ++i) {
    const int before = h.sentCount();
    const bool family1 = model == 1 || model == 5;
    if (family1 && h.lastCode() == paymentCode(model))
      h.feed(reply::closed1(model, 7));
    else
      h.feed(reply::accept(model, quint8(h.lastCode())));
    if (h.sentCount() == before)
      break;
  }
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
  h.engine->recoverRetailReceipt();
  h.settle();
  // The device is asked before the cashier.
  ASSERT_EQ(h.sentCount(), 1);
  EXPECT_EQ(h.lastCode(), paymentCode(c.model));
  EXPECT_TRUE(h.prompt.receipts.isEmpty());
  answerDevice(h, c.model);
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
    EXPECT_DOUBLE_EQ(h.scalar("SELECT cek + kartica + gotovina FROM racuni WHERE broj = 4").toDouble(), 0);
  } else if (c.status == 1) {
    // Closed on the device with the rest the database held: 600 sold, 50 paid before.
    EXPECT_DOUBLE_EQ(h.scalar("SELECT gotovina FROM racuni WHERE broj = 4").toDouble(), 600);
    if (c.model != 2) // model 2's closing books the rest without a payment row of its own
      EXPECT_DOUBLE_EQ(h.scalar("SELECT SUM(iznos) FROM rate WHERE broj = 4").toDouble(), 600);
  }
  if (c.status == 1 && (c.model == 1 || c.model == 5))
    EXPECT_EQ(h.scalar("SELECT brfisis FROM racuni WHERE broj = 4").toInt(), 7);
  // Then the screen's own receipt is opened.
  EXPECT_EQ(h.lastCode(), 0x01);
}

INSTANTIATE_TEST_SUITE_P(Choices, Unfinished,
                         ::testing::Values(UnfinishedCase{1, 1, 1, 0, 5, 0}, UnfinishedCase{1, 2, 1, 3, 5, 0},
                                           UnfinishedCase{2, 1, 1, 0, 5, 0}, UnfinishedCase{2, 2, 1, 3, 5, 0},
                                           UnfinishedCase{2, 3, 0, 0, 4, 3},
                                           UnfinishedCase{5, 2, 1, 3, 5, 0}));

// Model 1 paid the rest the database holds and still wants more: the recovery ends with
// the receipt in the screen, its payment booked, for the cashier to settle; nothing hangs.
TEST(Unfinished, DeviceWantingMoreThanBookedLeavesTheReceiptOnTheScreen) {
  Harness h(1);
  storeUnfinished(h, 2);
  h.prompt.receiptAnswers = {1};
  h.engine->recoverRetailReceipt();
  h.settle();
  h.feed(reply::ack1(1)); // open
  ASSERT_EQ(h.lastCode(), 0x15);
  h.feed(reply::ack1(1)); // the payment taken, the receipt not closed
  EXPECT_FALSE(h.engine->recoveringRetailReceipt());
  EXPECT_EQ(h.retail.loaded.size(), 2);
  EXPECT_EQ(h.scalar("SELECT status FROM racuni WHERE broj = 4").toInt(), 0);
  EXPECT_DOUBLE_EQ(h.scalar("SELECT SUM(iznos) FROM rate WHERE broj = 4").toDouble(), 300);
}

// A device that holds no receipt printed the unfinished one: it is booked as closed,
// with no question, and the screen opens its receipt.
TEST(Unfinished, NothingOpenOnTheDeviceBooksTheClosing) {
  for (int model : {1, 2}) {
    SCOPED_TRACE(model);
    Harness h(model);
    storeUnfinished(h, 2);
    EXPECT_TRUE(h.db.exec(QStringLiteral(
        "INSERT INTO racuni (broj, godina, datum, status, brfisis) VALUES (3, 2026, '2026-01-15', 1, 41)")));
    h.engine->recoverRetailReceipt();
    h.settle();
    h.feed(model == 1 ? reply::ack1(1, true, 0x01) : reply::ack2(2, 0x00)); // refused: none open
    EXPECT_TRUE(h.prompt.receipts.isEmpty());
    EXPECT_EQ(
        h.prompt.log,
        QStringList{"device|Upozorenje!|Poslednji racun u programu je otvoren. Racun ce biti zavrsen!"});
    EXPECT_EQ(h.scalar("SELECT status FROM racuni WHERE broj = 4").toInt(), 1);
    EXPECT_DOUBLE_EQ(h.scalar("SELECT gotovina FROM racuni WHERE broj = 4").toDouble(), 300);
    EXPECT_DOUBLE_EQ(h.scalar("SELECT SUM(iznos) FROM rate WHERE broj = 4").toDouble(), 300);
    // Model 1's device numbers its receipts one by one; model 2 reports none.
    EXPECT_EQ(h.scalar("SELECT brfisis FROM racuni WHERE broj = 4").toInt(), model == 1 ? 42 : 0);
    EXPECT_EQ(h.lastCode(), 0x01);
  }
}

TEST(Unfinished, Model4StatusDrivesTheRecovery) {
  // Device idle after a closed receipt, the program's last receipt open: the device's
  // last fiscal number tells whether it printed it (past the last one booked) or
  // cancelled it; either is booked, then the login.
  for (const quint32 deviceNumber : {0u, 1u}) {
    SCOPED_TRACE(deviceNumber);
    Harness h(4);
    storeUnfinished(h, 1);
    h.engine->setRbrKasira(2);
    h.engine->requestStatusFromSale();
    h.feed(reply::ack4(0x0D, true, 1, 0, deviceNumber));
    EXPECT_TRUE(h.prompt.receipts.isEmpty());
    EXPECT_EQ(
        h.prompt.log,
        QStringList{"device|Upozorenje!|Poslednji racun u programu je otvoren. Racun ce biti zavrsen!"});
    EXPECT_EQ(h.scalar("SELECT status FROM racuni WHERE broj = 4").toInt(), 1);
    EXPECT_EQ(h.scalar("SELECT COUNT(*) FROM prodato WHERE storno = 1").toInt(), deviceNumber ? 0 : 1);
    EXPECT_EQ(h.scalar("SELECT brfisis FROM racuni WHERE broj = 4").toInt(), int(deviceNumber));
    EXPECT_DOUBLE_EQ(h.scalar("SELECT cek + kartica + gotovina FROM racuni WHERE broj = 4").toDouble(),
                     deviceNumber ? 100 : 0);
    EXPECT_EQ(h.lastCode(), 0x01);
    EXPECT_EQ(quint8(h.last()[9]), 2)
        << h.last().toHex().toStdString() << " " << h.prompt.log.join(";").toStdString();
  }

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
    EXPECT_TRUE(h.db.exec(
        QStringLiteral("INSERT INTO prodato (rbr, brrac, godina, datum, sifra, barkod, naziv, cena, storno, "
                       "stopa, prodato, iznos) VALUES (%1, 9, 2026, '2026-01-15', '%2', '', 'X', 10, %4, 2, "
                       "%3, %5)")
            .arg(rbr)
            .arg(QLatin1String(sifra))
            .arg(kol)
            .arg(storno)
            .arg(kol * 10)));
  };
  line(1, "1", 2, 0);
  line(2, "1", 1, 0);
  line(3, "1", -1, 1);
  // A long receipt: 300 further sales of the recipe article.
  for (int i = 0; i < 300; ++i)
    line(10 + i, "2", 1, 0);
  EXPECT_TRUE(h.db.exec(QStringLiteral(
      "INSERT INTO racuni (broj, godina, cek, kartica, gotovina, status) VALUES (9, 2026, 5, 5, "
      "5, 0)")));
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

namespace {

// A storno or a marking that fails leaves the receipt unfinished, says why, and
// opens nothing.
TEST(Unfinished, FailedMarkingOrStornoStopsTheCheck) {
  struct Case {
    const char *what;
    int model;
    int choice;
    const char *trigger;
  } cases[] = {
      {"marking, close", 1, 1, "BEFORE UPDATE OF status ON racuni"},
      {"marking, storno", 2, 2, "BEFORE UPDATE OF status ON racuni"},
      {"storno", 5, 2, "BEFORE INSERT ON prodato"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Harness h(c.model);
    storeUnfinished(h, 2);
    h.engine->setBrojRacuna(5);
    ASSERT_TRUE(
        h.db.exec(QStringLiteral("CREATE TRIGGER refuse %1 BEGIN SELECT RAISE(ABORT, 'zakljucano'); END")
                      .arg(QLatin1String(c.trigger))));
    h.prompt.receiptAnswers = {c.choice};
    h.engine->recoverRetailReceipt();
    h.settle();
    answerDevice(h, c.model);
    EXPECT_EQ(h.scalar("SELECT status FROM racuni WHERE broj = 4").toInt(), 0);
    ASSERT_FALSE(h.prompt.log.isEmpty());
    const QStringList failures = h.prompt.log.filter("message|GRESKA|");
    ASSERT_FALSE(failures.isEmpty()) << h.prompt.log.join(";").toStdString();
    EXPECT_TRUE(failures.first().contains("zakljucano"));
  }
  // Restaurant screen: announced, then the failure, no receipt.
  Harness r(1);
  storeUnfinished(r, 1);
  ASSERT_TRUE(r.db.exec(
      QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE OF status ON racuni BEGIN SELECT RAISE(ABORT, "
                     "'zakljucano'); END")));
  EXPECT_FALSE(r.engine->checkUnfinishedRestaurantReceipt());
  EXPECT_EQ(r.scalar("SELECT status FROM racuni WHERE broj = 4").toInt(), 0);
}

// Model 4 idle with the program's last receipt open: a failed marking sends no log-in.
TEST(Unfinished, Model4FailedMarkingSendsNoLogin) {
  Harness h(4);
  storeUnfinished(h, 1);
  ASSERT_TRUE(h.db.exec(
      QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE OF status ON racuni BEGIN SELECT RAISE(ABORT, "
                     "'zakljucano'); END")));
  h.prompt.receiptAnswers = {1};
  h.engine->requestStatusFromSale();
  h.settle();
  const int sent = h.sentCount();
  h.feed(reply::ack4(0x0D, true, 1));
  EXPECT_EQ(h.sentCount(), sent);
  EXPECT_EQ(h.scalar("SELECT status FROM racuni WHERE broj = 4").toInt(), 0);
  EXPECT_TRUE(h.prompt.log.last().startsWith("message|GRESKA|"));
}

// Model 4's clock synchronisation: the device's date and time become the computer's.
TEST(Model4, DatumVremeSetsTheComputerClock) {
  struct Case {
    const char *what;
    int day, month, year1900;
    bool allowed, set;
    const char *deviceTime;
  } cases[] = {
      {"valid", 24, 3, 125, true, true, ""},
      {"no such date", 31, 2, 125, true, false, "neispravno (31.2.2025 13:45:30)"},
      {"no right to set the clock", 24, 3, 125, false, false, "24.03.2025 13:45:30"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Harness h(4);
    h.clock.clockSettable = c.allowed;
    int buttons = 0, cursor = 0;
    QObject::connect(h.engine.get(), &TransactionEngine::serviceButtonsEnabled, [&] { ++buttons; });
    QObject::connect(h.engine.get(), &TransactionEngine::cursorRestored, [&] { ++cursor; });
    const QDateTime before = h.clock.now();
    h.engine->DatumVreme();
    h.settle();
    EXPECT_EQ(h.last(), QByteArray::fromHex("5f60000d"));
    QByteArray p(7, 0);
    p[0] = 30; // seconds
    p[1] = 45; // minutes
    p[2] = 13; // hours
    p[4] = char(c.day);
    p[5] = char(c.month);
    p[6] = char(c.year1900);
    const quint32 seq = h.engine->sendSeq();
    h.engine->onBytesReceived(FrameCodec::shortFrame(0x60, p));
    EXPECT_EQ(h.engine->sendSeq(), seq + 2);
    if (c.set) {
      EXPECT_EQ(h.clock.now(), QDateTime(QDate(2025, 3, 24), QTime(13, 45, 30)));
      EXPECT_TRUE(h.prompt.log.isEmpty());
    } else {
      EXPECT_EQ(h.clock.now(), before.addMSecs(400));
      // The clock stays as it was, and the operator learns what the device says.
      ASSERT_EQ(h.prompt.log.size(), 1);
      EXPECT_TRUE(h.prompt.log[0].startsWith("message|Greska|Vreme racunara nije podeseno! Vreme u kasi je " +
                                             QString::fromLatin1(c.deviceTime) + "."))
          << h.prompt.log[0].toStdString();
    }
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(cursor, 1);
    h.clock.advance(10000);
    EXPECT_EQ(h.sentCount(), 1); // answered: no resend
  }
  Harness one(1);
  one.engine->DatumVreme();
  one.settle();
  EXPECT_EQ(one.sentCount(), 0);
}

// A window that claims a reply gets it after the engine's prologue: the watchdog is
// off, SendSeq moved on, and the window's next command has a watchdog of its own.
struct ClaimingWindow : ServiceReplyHandler {
  TransactionEngine *engine = nullptr;
  LinkSettings *link = nullptr;
  SendSequence seq;
  QList<QByteArray> handled;
  bool claimsServiceReply(const QByteArray &frame) const override {
    return frame.size() > 1 && quint8(frame[0]) == 0x5F && quint8(frame[1]) == 0x70;
  }
  void handleServiceReply(const QByteArray &frame) override {
    handled << frame;
    if (handled.size() == 1)
      engine->sendService(MemoryCommands(*link, seq).CitanjeOperatera(1));
  }
};

TEST(ServiceReplies, ClaimedReplyRunsThePrologue) {
  Harness h(4);
  ClaimingWindow w;
  w.engine = h.engine.get();
  w.link = &h.link;
  h.engine->setServiceHandler(&w);
  h.engine->sendService(MemoryCommands(h.link, w.seq).CitanjeStopa(0));
  h.settle();
  ASSERT_EQ(h.last(), QByteArray::fromHex("5f70000d"));
  const quint32 seq = h.engine->sendSeq();
  h.clock.advance(2000);
  h.engine->onBytesReceived(FrameCodec::shortFrame(0x70, QByteArray(18, 0)));
  ASSERT_EQ(w.handled.size(), 1);
  EXPECT_EQ(h.engine->sendSeq(), seq + 2);
  EXPECT_EQ(h.sentCount(), 2); // the window's next command
  EXPECT_EQ(h.lastCode(), 0x90);
  h.clock.advance(2900);
  EXPECT_EQ(h.sentCount(), 2); // the tax rates' watchdog is off
  h.clock.advance(200);        // the operator read's own watchdog
  EXPECT_EQ(h.sentCount(), 3);
  EXPECT_EQ(h.lastCode(), 0x90);
  h.engine->setServiceHandler(nullptr);
}

// Model 2 refuses a negative price before sending: the notice, the buttons back,
// and the article service closed.
TEST(ServiceReplies, NegativePriceClosesModel2Service) {
  Harness h(2);
  int buttons = 0;
  QObject::connect(h.engine.get(), &TransactionEngine::serviceButtonsEnabled, [&] { ++buttons; });
  SendSequence seq;
  DeviceArticleWrite a;
  a.broj = 5;
  a.naziv = QStringLiteral("KAFA");
  a.cena = -1;
  a.poreskaGrupa = 2;
  h.engine->sendService(MemoryCommands(h.link, seq).UpisArtikla(a));
  h.settle();
  EXPECT_EQ(h.prompt.log, QStringList{"device|Greska!!!|Greska u podacima"});
  EXPECT_EQ(buttons, 1);
  ASSERT_EQ(h.sentCount(), 1);
  EXPECT_EQ(h.last(), QByteArray::fromHex("5f10000d"));
}

} // namespace

namespace {

// A new start-up seeds SendSeq and starts clean: half a reply left from before, the
// resend count and the awaited reply of an abandoned command are gone.
TEST(StartUp, SeedingStartsTheLinkClean) {
  Harness h(1);
  h.engine->setBrojRacuna(1);
  h.engine->beginRetailReceipt(1);
  h.settle();
  h.clock.advance(3000); // one resend
  h.engine->onBytesReceived(reply::ack1(1).left(5));
  ASSERT_TRUE(h.engine->awaitingReply());
  h.engine->seedSendSeq(21);
  EXPECT_FALSE(h.engine->awaitingReply());
  h.engine->startCheck();
  h.settle();
  ASSERT_EQ(h.lastCode(), 0x7F);
  EXPECT_EQ(quint8(h.last()[6]), 21);
  h.feed(fm7F(true));
  EXPECT_TRUE(h.engine->kasaProverena());
  EXPECT_EQ(h.engine->sendSeq(), 23u);
  // The abandoned opening's watchdog is gone with it: nothing resent, no dialog.
  const int sent = h.sentCount();
  h.clock.advance(15000);
  EXPECT_EQ(h.sentCount(), sent);
  EXPECT_TRUE(h.prompt.log.isEmpty());
}

} // namespace

namespace {

// Model 4: the device has cancelled its open receipt; the database refuses the storno.
// The receipt stays unfinished and keeps its number, the error is shown, and nothing
// of the storno is written. Taken, the storno settles the receipt and a new one starts.
TEST(Storniraj, Model4StornoRefusedByTheDatabaseChangesNothing) {
  for (bool refused : {true, false}) {
    SCOPED_TRACE(refused ? "refused" : "taken");
    Harness h(4);
    storeUnfinished(h, 2);
    h.engine->takeUpReceipt(4);
    if (refused) {
      ASSERT_TRUE(h.db.exec(QStringLiteral(
          "CREATE TRIGGER refuse BEFORE INSERT ON prodato BEGIN SELECT RAISE(ABORT, 'zakljucano'); END")));
    }
    h.engine->StornirajRacun();
    h.settle();
    ASSERT_EQ(h.lastCode(), 0x0C);
    h.feed(reply::ack4(0x0C));
    EXPECT_EQ(h.scalar("SELECT status FROM racuni WHERE broj = 4").toInt(), refused ? 0 : 1);
    EXPECT_EQ(h.scalar("SELECT COUNT(*) FROM prodato WHERE storno = 1").toInt(), refused ? 0 : 2);
    EXPECT_EQ(h.scalar("SELECT COUNT(*) FROM rate").toInt(), refused ? 1 : 0);
    EXPECT_DOUBLE_EQ(h.scalar("SELECT gotovina FROM racuni WHERE broj = 4").toDouble(), refused ? 50 : 0);
    EXPECT_DOUBLE_EQ(h.scalar("SELECT lager FROM artikli WHERE sifra = '1'").toDouble(), refused ? 10 : 13);
    EXPECT_EQ(h.engine->brojRacuna(), refused ? 4 : 5);
    if (refused) {
      ASSERT_EQ(h.prompt.log.size(), 1);
      EXPECT_TRUE(h.prompt.log[0].startsWith("message|GRESKA|Greska u bazi podataka: "))
          << h.prompt.log[0].toStdString();
      EXPECT_TRUE(h.prompt.log[0].contains("zakljucano"));
    } else {
      EXPECT_TRUE(h.prompt.log.isEmpty()) << h.prompt.log.join(";").toStdString();
    }
  }
}

// The device has closed the receipt but the database refuses to mark it finished: the
// cashier is told, the receipt stays unfinished for the recovery, and the screen moves on.
TEST(Completion, RefusedMarkingIsShownAndTheScreenMovesOn) {
  Harness h(1);
  h.engine->setBrojRacuna(h.engine->nextReceiptNumber());
  h.engine->beginRetailReceipt(3);
  h.settle();
  h.feed(reply::accept(1, 0x01));
  h.engine->sellRetailLine(Harness::sale(QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100));
  h.settle();
  h.feed(reply::accept(1, 0x0B));
  ASSERT_TRUE(h.db.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE OF status ON racuni BEGIN SELECT "
                                       "RAISE(ABORT, 'zakljucano'); END")));
  h.engine->closeRetail(Harness::payment(Racun::Gotovina, 100, 100), true);
  h.settle();
  h.feed(reply::closed1(1, 77));
  EXPECT_EQ(h.scalar("SELECT status FROM racuni WHERE broj = 1").toInt(), 0);
  EXPECT_DOUBLE_EQ(h.scalar("SELECT gotovina FROM racuni WHERE broj = 1").toDouble(),
                   100); // the payment stays
  ASSERT_EQ(h.prompt.log.size(), 2);
  EXPECT_TRUE(h.prompt.log[0].startsWith("message|GRESKA|Greska u bazi podataka: zakljucano"))
      << h.prompt.log[0].toStdString();
  EXPECT_EQ(h.prompt.log[1], "enter|pritisni ENTER za nastavak");
  EXPECT_TRUE(h.retail.log.contains("reset"));
  EXPECT_EQ(h.engine->brojRacuna(), 2);
}

// Without a database a confirmed line cannot be stored: the cashier is told why.
TEST(Completion, NoDatabaseOpenIsShown) {
  Harness h(1);
  h.engine->setDatabase(nullptr);
  h.engine->beginRetailReceipt(3);
  h.settle();
  h.feed(reply::accept(1, 0x01));
  h.engine->sellRetailLine(Harness::sale(QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100));
  h.settle();
  h.feed(reply::accept(1, 0x0B));
  // The opening's reply and the line's: each confirmed step is a unit that cannot start.
  const QString shown = "message|GRESKA|Greska u bazi podataka: Baza podataka nije otvorena.";
  EXPECT_EQ(h.prompt.log, (QStringList{shown, shown}));
  EXPECT_EQ(h.scalar("SELECT COUNT(*) FROM prodato").toInt(), 0);
}

} // namespace

namespace {

// The engine's own prompts share the check: one inside an open transaction stops.
TEST(PromptCheck, EnginePromptInsideATransactionStops) {
#ifdef KASA_CHECKS
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        Harness h(1);
        storeUnfinished(h, 1);
        Transaction tx(h.db);
        h.engine->checkUnfinishedRestaurantReceipt(); // announces the receipt
      },
      "an engine prompt opened while 1 database transaction");
#else
  GTEST_SKIP() << "checks are built only into debug and test builds";
#endif
}

} // namespace
