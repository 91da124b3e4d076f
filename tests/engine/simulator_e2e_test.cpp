// The engine against the real fiscal-sim over a pty (models 1, 2, 5) and TCP
// (model 4), with real time and a real SQLite database.
#include "engineharness.h"
#include "simprocess.h"

#include "device/serialportlink.h"
#include "device/tcplink.h"
#include "engine/linkwire.h"
#include "support/testsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace enginetest;

namespace {

// The engine on real time, wired to a real link.
struct LiveEngine {
  explicit LiveEngine(int model, const QString &dir) {
    link.Model = model;
    link.IBFM = "123450";
    db.openInMemory();
    EXPECT_TRUE(db.exec(
        "INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES ('1', '', 'KAFA', 100, 2, "
        "10), "
        "('2', '', 'ESPRESSO', 150, 2, 5)"));
    engine = std::make_unique<TransactionEngine>(link, clock);
    engine->setPrompt(&prompt);
    engine->setDatabase(&db);
    engine->setMirror(&mirror, dir + "/artikli.dat");
    engine->setRetailScreen(&retail);
    engine->seedSendSeq(7);
    if (model != 4) {
      mirror.insert({"1", 10, "", "KAFA", 100, 2});
      mirror.insert({"2", 11, "", "ESPRESSO", 150, 2});
    } else {
      mirror.insert({"99", 1, "", "PROBA", 1, 2}); // the device learns our articles from the lines
    }
    QObject::connect(engine.get(), &TransactionEngine::receiptCompleted, [this] { ++completed; });
  }
  void attach(Link *l) { wire.attach(l, engine.get()); }
  // Waits until the engine accepted one more reply.
  bool step(const std::function<void()> &action, int timeoutMs = 5000) {
    const quint32 before = engine->sendSeq();
    action();
    return testsupport::waitFor([&] { return engine->sendSeq() != before; }, timeoutMs);
  }
  QVariant scalar(const QString &sql) { return db.scalar(sql).value_or(QVariant()); }

  LinkSettings link;
  QtScheduler clock;
  Database db;
  LinkWire wire;
  ScriptedPrompt prompt;
  FakeRetail retail;
  ArticleMirror mirror;
  std::unique_ptr<TransactionEngine> engine;
  int completed = 0;
};

class SimulatorReceipt : public ::testing::TestWithParam<int> {};

// A receipt sold, paid and completed: journal and database agree line by line and in total.
TEST_P(SimulatorReceipt, JournalAndDatabaseAgree) {
  const int model = GetParam();
  QTemporaryDir dir;
  SimProcess sim;
  ASSERT_TRUE(sim.start(model, dir.path()));
  LiveEngine e(model, dir.path());
  std::unique_ptr<Link> link;
  if (model == 4) {
    auto tcp = std::make_unique<TcpLink>(e.clock);
    tcp->setHost("127.0.0.1");
    tcp->setPort(sim.tcpPort);
    link = std::move(tcp);
  } else {
    auto serial = std::make_unique<SerialPortLink>();
    serial->setPortName(dir.path() + "/COM1");
    link = std::move(serial);
  }
  testsupport::Answer<bool> opened;
  link->open(opened.callback());
  ASSERT_TRUE(testsupport::waitFor([&] { return opened.arrived(); }, 5000));
  ASSERT_TRUE(*opened) << link->errorString().toStdString();
  e.attach(link.get());

  e.engine->setBrojRacuna(e.engine->nextReceiptNumber());
  ASSERT_TRUE(e.step([&] { e.engine->beginRetailReceipt(1); }));
  ASSERT_TRUE(e.step([&] { e.engine->sellRetailLine(Harness::sale("1", "KAFA", 2, 100)); }));
  ASSERT_TRUE(e.step([&] { e.engine->sellRetailLine(Harness::sale("2", "ESPRESSO", 1.5, 150)); }));
  e.engine->closeRetail(Harness::payment(Racun::Gotovina, 425, 425), true);
  ASSERT_TRUE(testsupport::waitFor([&] { return e.completed == 1; }, 8000))
      << e.prompt.log.join("\n").toStdString();
  EXPECT_TRUE(e.prompt.errors.isEmpty()) << e.prompt.log.join("\n").toStdString();

  QList<QJsonObject> receipts;
  for (const QJsonObject &d : sim.journal())
    if (d.value("type").toString() == "receipt")
      receipts << d;
  ASSERT_EQ(receipts.size(), 1);
  const QJsonArray lines = receipts[0].value("lines").toArray();
  ASSERT_EQ(lines.size(), 2);
  QSqlQuery q(e.db.connection());
  ASSERT_TRUE(q.exec("SELECT naziv, prodato, iznos FROM prodato WHERE brrac = 1 ORDER BY rbr"));
  for (const QJsonValue &l : lines) {
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString().trimmed(), l.toObject().value("name").toString().trimmed());
    EXPECT_DOUBLE_EQ(q.value(1).toDouble(), l.toObject().value("quantity").toDouble());
    EXPECT_DOUBLE_EQ(q.value(2).toDouble(), l.toObject().value("amount").toDouble());
  }
  EXPECT_DOUBLE_EQ(receipts[0].value("total").toDouble(), 425);
  EXPECT_DOUBLE_EQ(e.scalar("SELECT SUM(iznos) FROM prodato WHERE brrac = 1").toDouble(), 425);
  EXPECT_DOUBLE_EQ(e.scalar("SELECT gotovina FROM racuni WHERE broj = 1").toDouble(), 425);
  EXPECT_EQ(e.scalar("SELECT status FROM racuni WHERE broj = 1").toInt(), 1);
  if (model != 2) {
    EXPECT_EQ(e.scalar("SELECT brfisis FROM racuni WHERE broj = 1").toInt(),
              receipts[0].value("fiscalNumber").toInt());
  }
  link->close();
}

INSTANTIATE_TEST_SUITE_P(Models, SimulatorReceipt, ::testing::Values(1, 2, 5, 4));

// The device goes silent mid-receipt; the operator's "Ponovi" completes the line, written once.
TEST(SimulatorSilence, PonoviAfterSilenceWritesTheLineOnce) {
  QTemporaryDir dir;
  SimProcess sim;
  ASSERT_TRUE(sim.start(1, dir.path()));
  LiveEngine e(1, dir.path());
  SerialPortLink link;
  link.setPortName(dir.path() + "/COM1");
  ASSERT_TRUE(link.openNow());
  e.attach(&link);
  e.engine->setBrojRacuna(1);
  ASSERT_TRUE(e.step([&] { e.engine->beginRetailReceipt(1); }));
  // The line is sold but no reply reaches us: four frames (the line and three resends) go unanswered.
  ASSERT_TRUE(sim.control({{"cmd", "loseReplies"}, {"count", 4}}).value("ok").toBool());
  e.prompt.errorAnswers = {UserPrompt::Ponovi};
  ASSERT_TRUE(e.step([&] { e.engine->sellRetailLine(Harness::sale("1", "KAFA", 1, 100)); }, 20000));
  ASSERT_EQ(e.prompt.errors.size(), 1);
  EXPECT_EQ(e.scalar("SELECT COUNT(*) FROM prodato").toInt(), 1);
  e.engine->closeRetail(Harness::payment(Racun::Gotovina, 100, 100), true);
  ASSERT_TRUE(testsupport::waitFor([&] { return e.completed == 1; }, 5000));
  QList<QJsonObject> receipts;
  for (const QJsonObject &d : sim.journal())
    if (d.value("type").toString() == "receipt")
      receipts << d;
  ASSERT_EQ(receipts.size(), 1);
  EXPECT_EQ(receipts[0].value("lines").toArray().size(), 1);
  EXPECT_DOUBLE_EQ(e.scalar("SELECT SUM(iznos) FROM prodato").toDouble(), 100);
}

} // namespace
