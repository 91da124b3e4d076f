// The retail screen's recovery of an unfinished receipt after the program was killed,
// against fiscal-sim's device, which outlives the program: each choice must leave the
// device's journal and the database in agreement, and the next sale must not join a
// receipt the device still holds.
#include "engineharness.h"
#include "simdevice.h"

#include "journalcheck.h"

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

bool family1(int model) {
  return model == 1 || model == 5;
}

// One run of the program on the shared database and the device that outlives it.
struct Start {
  Start(int model, Database &db, SimDevice &device, VirtualScheduler &clock, const QString &mirrorFile,
        int seq)
      : clock(clock) {
    link.Model = model;
    link.IBFM = QStringLiteral("123450");
    engine = std::make_unique<TransactionEngine>(link, clock);
    engine->setWire(&device);
    engine->setPrompt(&prompt);
    engine->setDatabase(&db);
    mirror.insert({QStringLiteral("1"), 10, QString(), QStringLiteral("KAFA"), 100, 2});
    mirror.insert({QStringLiteral("2"), 11, QString(), QStringLiteral("ESPRESSO"), 150, 2});
    engine->setMirror(&mirror, mirrorFile);
    engine->setRetailScreen(&retail);
    engine->setRbrKasira(1);
    engine->seedSendSeq(seq); // a new start's frames are never the last one's again
    device.attach(engine.get());
  }
  void settle() { clock.advance(3000); }

  // The retail screen opening: the recovery, then the screen's own receipt.
  void open() {
    engine->setBrojRacuna(engine->nextReceiptNumber());
    engine->setRetailScreenOpen(true);
    if (link.Model == 4)
      engine->requestStatusFromSale();
    else
      engine->recoverRetailReceipt();
    settle();
  }
  void sell(const QString &sifra, const QString &naziv, double kol, double cena) {
    engine->sellRetailLine(Harness::sale(sifra, naziv, kol, cena));
    settle();
  }
  void payAll(double total) {
    engine->closeRetail(Harness::payment(0, total, total), !family1(link.Model));
    settle();
  }

  VirtualScheduler &clock;
  LinkSettings link;
  ScriptedPrompt prompt;
  FakeRetail retail;
  ArticleMirror mirror;
  std::unique_ptr<TransactionEngine> engine;
};

// After the recovery the screen's next receipt is one of its own on the device.
void sellNext(Start &s) {
  s.sell(QStringLiteral("2"), QStringLiteral("ESPRESSO"), 1, 150);
  s.payAll(150);
}

struct Shop {
  explicit Shop(int model) : model(model), device(model, clock) {
    db.openInMemory();
    EXPECT_TRUE(
        db.exec(QStringLiteral("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES "
                               "('1', '', 'KAFA', 100, 2, 10), ('2', '', 'ESPRESSO', 150, 2, 5)")));
    if (model != 4) {
      device.program(10, QStringLiteral("KAFA"), 100, 2);
      device.program(11, QStringLiteral("ESPRESSO"), 150, 2);
    }
  }
  std::unique_ptr<Start> start() {
    ++starts;
    return std::make_unique<Start>(model, db, device, clock, dir.filePath(QStringLiteral("artikli.dat")),
                                   starts * 7);
  }
  // Runs until the device has done what done() watches for, then the program dies
  // before it hears the answer.
  void killWhen(std::unique_ptr<Start> &s, const std::function<bool()> &done) {
    for (int i = 0; i < 3000 && !done(); ++i)
      clock.advance(1);
    ASSERT_TRUE(done());
    s.reset();
  }
  int deviceLines() { return int(device.device().receipt().lines.size()); }
  int journalDocs() {
    return int(device.journal(QStringLiteral("receipt")).size() +
               device.journal(QStringLiteral("storno")).size());
  }
  void expectAgreement() {
    QList<QJsonObject> docs = device.journal(QString());
    const JournalCheck c =
        checkJournal(docs, db.connection(), {{QStringLiteral("1"), 10.0}, {QStringLiteral("2"), 5.0}},
                     model != 2 && model != 3);
    EXPECT_TRUE(c.passed()) << c.problems.join(QStringLiteral("; ")).toStdString();
    EXPECT_FALSE(device.device().receipt().isOpen());
  }
  double scalar(const QString &sql) { return db.scalar(sql).value_or(QVariant()).toDouble(); }

  // A start whose screen is open and has sold two KAFA at 100.
  std::unique_ptr<Start> sellingKafa() {
    auto s = start();
    s->open();
    s->sell(QStringLiteral("1"), QStringLiteral("KAFA"), 2, 100);
    return s;
  }
  // The start after the kill: its screen opening meets the receipt the last one left on
  // the device, and the cashier answers the one question about it with choice (rows < 0:
  // the receipt's lines are not counted).
  void restart(std::unique_ptr<Start> &s, int choice, int rows = -1) {
    s = start();
    s->prompt.receiptAnswers = {choice};
    s->open();
    ASSERT_EQ(s->prompt.receipts.size(), 1) << s->prompt.log.join(";").toStdString();
    if (rows >= 0) {
      EXPECT_EQ(s->prompt.receipts[0].rows.size(), rows);
    }
  }
  // The answer carried out: a receipt kept ("Nastavi dalje") is paid in full; either way
  // the device holds one document of it, and the screen's next receipt is its own.
  void expectMatchesDevice(Start &s, int choice, double keptTotal) {
    if (choice == 3)
      s.payAll(keptTotal);
    EXPECT_EQ(journalDocs(), 1);
    sellNext(s);
    expectAgreement();
  }

  int model;
  QTemporaryDir dir;
  VirtualScheduler clock;
  Database db;
  SimDevice device;
  int starts = 0;
};

struct Case {
  int model;
  int choice; // 1 "Zatvori racun", 2 "Storniraj racun", 3 "Nastavi dalje"
};
std::string caseName(const ::testing::TestParamInfo<Case> &i) {
  return "model" + std::to_string(i.param.model) + "_choice" + std::to_string(i.param.choice);
}

class Recovery : public ::testing::TestWithParam<Case> {};

// Killed with two lines booked and on the device.
TEST_P(Recovery, DeviceOpenWithItsDatabaseRow) {
  const Case c = GetParam();
  Shop shop(c.model);
  auto a = shop.sellingKafa();
  a->sell(QStringLiteral("2"), QStringLiteral("ESPRESSO"), 1, 150);
  ASSERT_EQ(shop.deviceLines(), 2);
  a.reset();

  std::unique_ptr<Start> b;
  ASSERT_NO_FATAL_FAILURE(shop.restart(b, c.choice, 2));
  if (c.choice == 3) {
    EXPECT_EQ(b->retail.loaded.size(), 2);
    b->payAll(350);
  }
  EXPECT_EQ(shop.journalDocs(), 1);
  EXPECT_EQ(shop.scalar("SELECT status FROM racuni WHERE broj = 1"), 1);
  if (c.choice == 2)
    EXPECT_EQ(shop.scalar("SELECT SUM(iznos) FROM prodato WHERE brrac = 1"), 0);
  else
    EXPECT_EQ(shop.scalar("SELECT gotovina FROM racuni WHERE broj = 1"), 350);
  sellNext(*b);
  EXPECT_EQ(shop.journalDocs(), 2);
  shop.expectAgreement();
}

// Killed after the device took the receipt's first line, before it was booked: the
// database has no row of the receipt the device holds.
TEST_P(Recovery, DeviceOpenWithNoDatabaseRow) {
  const Case c = GetParam();
  Shop shop(c.model);
  auto a = shop.start();
  a->open();
  a->engine->sellRetailLine(Harness::sale(QStringLiteral("1"), QStringLiteral("KAFA"), 2, 100));
  shop.killWhen(a, [&] { return shop.deviceLines() == 1; });
  EXPECT_EQ(shop.scalar("SELECT COUNT(*) FROM racuni"), 0);

  std::unique_ptr<Start> b;
  ASSERT_NO_FATAL_FAILURE(shop.restart(b, c.choice, 1));
  shop.expectMatchesDevice(*b, c.choice, 200);
}

// Killed after the device took a further line of a stored receipt, before it was
// booked; the same article is on the receipt already, so only the quantity tells.
TEST_P(Recovery, DeviceOneLineAheadOfTheDatabase) {
  const Case c = GetParam();
  Shop shop(c.model);
  auto a = shop.sellingKafa();
  a->engine->sellRetailLine(Harness::sale(QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100));
  shop.killWhen(a, [&] { return shop.deviceLines() == 2; });
  EXPECT_EQ(shop.scalar("SELECT COUNT(*) FROM prodato"), 1);

  std::unique_ptr<Start> b;
  ASSERT_NO_FATAL_FAILURE(shop.restart(b, c.choice));
  shop.expectMatchesDevice(*b, c.choice, 300);
}

// The same kill, but the device never got the line: the database is right as it is.
TEST_P(Recovery, LineSentButNeverTaken) {
  const Case c = GetParam();
  Shop shop(c.model);
  auto a = shop.sellingKafa();
  shop.device.control(
      QJsonObject{{QStringLiteral("cmd"), QStringLiteral("silent")}, {QStringLiteral("count"), 1}});
  const qsizetype written = shop.device.frames.size();
  a->engine->sellRetailLine(Harness::sale(QStringLiteral("2"), QStringLiteral("ESPRESSO"), 1, 150));
  shop.killWhen(a, [&] { return shop.device.frames.size() > written; });
  EXPECT_EQ(shop.deviceLines(), 1);

  std::unique_ptr<Start> b;
  ASSERT_NO_FATAL_FAILURE(shop.restart(b, c.choice, 1));
  shop.expectMatchesDevice(*b, c.choice, 200);
}

INSTANTIATE_TEST_SUITE_P(Choices, Recovery,
                         ::testing::Values(Case{1, 1}, Case{1, 2}, Case{5, 2}, Case{2, 1}, Case{2, 2},
                                           Case{2, 3}, Case{3, 2}, Case{4, 1}, Case{4, 2}, Case{4, 3}),
                         caseName);

// Killed after the device closed the receipt, before the closing was booked: the device
// holds nothing, and the receipt is booked as printed, with its fiscal number where the
// model gives one.
TEST(RecoveryClosedOnDevice, TheClosingIsBooked) {
  for (int model : {1, 2, 4}) {
    SCOPED_TRACE(model);
    Shop shop(model);
    auto a = shop.sellingKafa();
    a->payAll(200); // a first receipt, booked, so the fiscal numbers have one to follow
    a->sell(QStringLiteral("2"), QStringLiteral("ESPRESSO"), 2, 150);
    a->engine->closeRetail(Harness::payment(0, 300, 300), !family1(model));
    shop.killWhen(a, [&] { return shop.journalDocs() == 2; });
    EXPECT_EQ(shop.scalar("SELECT status FROM racuni WHERE broj = 2"), 0);

    auto b = shop.start();
    b->open();
    EXPECT_TRUE(b->prompt.receipts.isEmpty());
    EXPECT_TRUE(b->prompt.log.contains(
        QStringLiteral("device|Upozorenje!|Poslednji racun u programu je otvoren. Racun ce biti zavrsen!")))
        << b->prompt.log.join(";").toStdString();
    EXPECT_EQ(shop.scalar("SELECT status FROM racuni WHERE broj = 2"), 1);
    sellNext(*b);
    shop.expectAgreement();
  }
}

// Model 4: killed after the device cancelled the receipt, before the cancellation was
// booked: its last fiscal number is the one booked already, so it was no closing.
TEST(RecoveryClosedOnDevice, Model4CancellationIsBooked) {
  Shop shop(4);
  auto a = shop.sellingKafa();
  a->payAll(200);
  a->sell(QStringLiteral("2"), QStringLiteral("ESPRESSO"), 2, 150);
  a->engine->stornoRetail();
  shop.killWhen(a, [&] { return shop.journalDocs() == 2; });

  auto b = shop.start();
  b->open();
  EXPECT_EQ(shop.scalar("SELECT status FROM racuni WHERE broj = 2"), 1);
  EXPECT_EQ(shop.scalar("SELECT SUM(iznos) FROM prodato WHERE brrac = 2"), 0);
  sellNext(*b);
  shop.expectAgreement();
}

} // namespace
