// The code-list reads against the real fiscal-sim over a pty (models 1, 5) and TCP
// (model 4), on real time: the device's operators and tax rates end up as waiters and
// tax rates, and a device whose operators share a code leaves the tables as they were.
#include "engineharness.h"
#include "simprocess.h"

#include "data/recordmessages.h"
#include "data/recordrules.h"
#include "device/articlemirrormodel.h"
#include "device/serialportlink.h"
#include "device/tcplink.h"
#include "engine/articlesync.h"
#include "engine/linkwire.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace enginetest;

namespace {

struct Quiet : RecordMessages {
  void show(const QString &, const QString &) override {}
  void warning(const QString &) override {}
};

class CodeListSyncLive : public ::testing::TestWithParam<int> {};

TEST_P(CodeListSyncLive, OperatorsAndTaxRatesFromTheDevice) {
  const int model = GetParam();
  QTemporaryDir dir;
  SimProcess sim;
  ASSERT_TRUE(sim.start(model, dir.path()));
  LinkSettings settings;
  settings.Model = model;
  settings.IBFM = "123450";
  QtScheduler clock;
  ScriptedPrompt prompt;
  Database db;
  ASSERT_TRUE(db.open(1, dir.path()));
  Quiet quiet;
  RecordRules rules(db, quiet);
  rules.setOperatorRange(model == 4 ? 1 : 0, model == 4 ? 64 : 24);
  TransactionEngine engine(settings, clock);
  engine.setPrompt(&prompt);
  engine.setDatabase(&db);
  engine.seedSendSeq(7);
  ArticleMirror mirror;
  ArticleMirrorModel mirrorModel(mirror);
  ArticleSync articles(engine, settings, clock, mirrorModel, dir.path() + "/artikli.dat");
  articles.setPrompt(&prompt);
  articles.codeLists().setStore(&db, &rules);
  const CodeListSync &sync = articles.codeLists();

  std::unique_ptr<Link> link;
  if (model == 4) {
    auto tcp = std::make_unique<TcpLink>(clock);
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
  LinkWire wire;
  wire.attach(link.get(), &engine);

  const auto rows = [&](const char *sql) {
    QStringList out;
    for (const QSqlRecord &r : db.rows(sql).value_or({})) {
      QStringList fields;
      for (int i = 0; i < r.count(); ++i)
        fields << r.value(i).toString().trimmed();
      out << fields.join('|');
    }
    return out;
  };
  const int admin = model == 4 ? 1 : 0;
  QJsonObject ops{{QString::number(admin), QJsonObject{{"name", "Šef"}, {"code", 9090}}},
                  {"12", QJsonObject{{"name", "Ljilja"}, {"code", 1212}}}};
  ASSERT_TRUE(
      sim.control({{"cmd", "set"},
                   {"operators", ops},
                   {"taxRates", QJsonArray{2000, 1000, 0, 800, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 1050}}})
          .value("ok")
          .toBool());
  articles.citanjeOperatera();
  ASSERT_TRUE(testsupport::waitFor([&] { return !sync.running(); }, 60000));
  articles.citanjeStopa();
  ASSERT_TRUE(testsupport::waitFor([&] { return !sync.running(); }, 30000));
  EXPECT_TRUE(prompt.log.isEmpty()) << prompt.log.join('\n').toStdString();
  QStringList waiters;
  if (model == 4)
    waiters = {"1|1|Šef|1", "2|2|OPERATER 2|0", "3|3|OPERATER 3|0", "12|12|Ljilja|0"};
  else
    waiters = {"0|9090|Šef|1", "1|1001|OPERATER 1|0", "2|1002|OPERATER 2|0", "3|1003|OPERATER 3|0",
               "12|1212|Ljilja|0"};
  EXPECT_EQ(rows("SELECT rbr, sifkonob, naziv, admin FROM konobari ORDER BY rbr"), waiters);
  EXPECT_EQ(rows("SELECT stopa, iznos FROM porstope ORDER BY stopa"),
            QStringList({"0|20", "1|10", "2|0", "3|8", "4|0", "5|0", "6|0", "7|0", "8|10.5"}));

  // Two operators with one code: refused, nothing changes.
  ASSERT_TRUE(
      sim.control({{"cmd", "set"},
                   {"operators", QJsonObject{{"13", QJsonObject{{"name", "Dupla"}, {"code", 1212}}}}}})
          .value("ok")
          .toBool());
  articles.citanjeOperatera();
  ASSERT_TRUE(testsupport::waitFor([&] { return !sync.running(); }, 60000));
  if (model == 4) {
    // Model 4 reports no codes: the numbers differ, the reading goes through.
    EXPECT_TRUE(prompt.log.isEmpty()) << prompt.log.join('\n').toStdString();
  } else {
    EXPECT_EQ(prompt.log,
              QStringList{"message|GRESKA|Operater 13: Konobar/Operater sa tom sifrom vec postoji!"});
    EXPECT_EQ(rows("SELECT rbr, sifkonob, naziv, admin FROM konobari ORDER BY rbr"), waiters);
  }
  link->close();
}

INSTANTIATE_TEST_SUITE_P(Models, CodeListSyncLive, ::testing::Values(1, 4, 5));

} // namespace
