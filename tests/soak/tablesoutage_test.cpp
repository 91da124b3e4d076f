// A table's receipt while the server goes away: a PostgreSQL cluster of the test's own is
// killed once the receipt's first line is stored, the device prints the receipt, and the
// table's bookkeeping (the paid lines off the table, the table freed) waits in the step
// journal after the receipt's steps. Meanwhile this till shows the paid lines gone and does
// not let the table be paid again; once the server is back exactly the paid lines leave,
// a line another station added stays, a line it changed stays and is reported, and a
// replay of the same journal again writes nothing twice.
#include "data/database.h"
#include "data/tablerepository.h"
#include "device/articlemirror.h"
#include "device/serialportlink.h"
#include "device/tcplink.h"
#include "engine/linkwire.h"
#include "engine/simprocess.h"
#include "engine/stepjournal.h"
#include "engine/transactionengine.h"
#include "journalcheck.h"
#include "outagecluster.h"
#include "sales/restaurantsale.h"
#include "sales/splitbill.h"
#include "soakparts.h"
#include "soakrun.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace outagetest;

namespace {

constexpr int kWaiter = 2; // KONOBARI.RBR, the receipts' operator
constexpr int kTable = 5;  // held by the waiter

// One restaurant till: the engine with its own connection, the device over its link and
// the restaurant screen's model on both.
class RestaurantTill {
public:
  // Time runs at twice its speed only: the server is killed while a command is on its way,
  // well inside the command's watchdog.
  RestaurantTill(int model, const QString &dir, const QString &conn, SimProcess &sim)
      : m_model(model), m_dir(dir), m_conn(conn), m_sim(sim), m_clock(2) {}
  ~RestaurantTill() {
    if (engine)
      engine->setRestaurantScreen(nullptr);
    if (m_device)
      m_device->close();
  }

  bool open() {
    m_link.Model = m_model;
    m_link.IBFM = QStringLiteral("123450");
    if (!m_db.open(int(DatabaseKind::PostgreSQL), m_conn))
      return false;
    if (m_model != 4)
      for (const Article &a : kArticles)
        m_mirror.insert({a.sifra, a.deviceNumber, QString(), a.naziv, a.cena, 2});
    else
      m_mirror.insert({QStringLiteral("99"), 1, QString(), QStringLiteral("PROBA"), 1, 2});
    engine = std::make_unique<TransactionEngine>(m_link, m_clock);
    engine->setPrompt(&prompt);
    engine->setDatabase(&m_db);
    engine->setMirror(&m_mirror, m_dir + "/artikli.dat");
    engine->seedSendSeq(7);
    engine->setRbrKasira(kWaiter);
    QObject::connect(engine.get(), &TransactionEngine::receiptCompleted, [this](int) { ++completed; });
    sale = std::make_unique<RestaurantSale>(m_db, *engine, prompt, m_clock);
    RestaurantSettings s;
    s.model = m_model;
    sale->setSettings(s);
    engine->setRestaurantScreen(sale.get());
    if (m_model == 4) {
      auto tcp = std::make_unique<TcpLink>(m_clock);
      tcp->setHost(QStringLiteral("127.0.0.1"));
      tcp->setPort(m_sim.tcpPort);
      m_device = std::move(tcp);
    } else {
      auto serial = std::make_unique<SerialPortLink>();
      serial->setPortName(m_dir + "/COM1");
      m_device = std::move(serial);
    }
    testsupport::Answer<bool> opened;
    m_device->open(opened.callback());
    if (!testsupport::waitFor([&] { return opened.arrived(); }, 5000) || !*opened)
      return false;
    m_wire.attach(m_device.get(), engine.get());
    engine->setWire(&m_wire);
    // As the program does once the database is open: what waits is written before selling.
    engine->setStepJournalDir(m_dir);
    engine->replayStepJournal();
    sale->showWaiter(kWaiter);
    sale->open();
    return idle();
  }
  bool idle() {
    return testsupport::waitFor([&] { return !engine->awaitingReply() && !engine->racunUToku(); }, 30000);
  }
  // "ZBIR (ENTER)" on the table, until the device has printed the receipt.
  bool settleTable() {
    const int before = completed;
    sale->selectRow(rowOf(kTable));
    sale->zbir();
    return testsupport::waitFor([&] { return completed > before; }, 30000) && idle();
  }
  int rowOf(int sto) const {
    for (qsizetype i = 0; i < sale->tables().size(); ++i)
      if (sale->tables()[i].brstola == sto)
        return int(i);
    return -1;
  }
  QList<int> linesShown() const {
    QList<int> rbr;
    for (const TableLine &l : sale->lines())
      rbr << l.rbr;
    return rbr;
  }

  Database &db() { return m_db; }

  std::unique_ptr<TransactionEngine> engine;
  std::unique_ptr<RestaurantSale> sale;
  Prompt prompt;
  int completed = 0;

private:
  int m_model;
  QString m_dir;
  QString m_conn;
  SimProcess &m_sim;
  ScaledScheduler m_clock;
  LinkSettings m_link;
  Database m_db;
  ArticleMirror m_mirror;
  LinkWire m_wire;
  std::unique_ptr<Link> m_device;
};

class TablesOutage : public testing::TestWithParam<int> {
protected:
  void SetUp() override {
    if (!OwnCluster::available())
      GTEST_SKIP() << "PostgreSQL binaries not found (" << OwnCluster::bin().toStdString() << ")";
    testsupport::pinLocale();
    ASSERT_TRUE(tmp.isValid());
    ASSERT_TRUE(cluster.init());
    ASSERT_TRUE(checker.open(int(DatabaseKind::PostgreSQL), cluster.conn()))
        << checker.lastError().toStdString();
    ASSERT_TRUE(seedSoakShop(checker, startStock));
    ASSERT_TRUE(checker.exec("INSERT INTO konobari (rbr, sifkonob, naziv) VALUES (2, '2222', 'Ana')"));
    ASSERT_TRUE(checker.exec("INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (4, 'Sto 4', -1), "
                             "(5, 'Sto 5', 2), (6, 'Sto 6', 2)"));
    ASSERT_TRUE(sim.start(GetParam(), tmp.path(), true, simArticles()));
  }
  bool restart() { return cluster.start() && checker.reopen(); }
  // A line on a table as another station's order window writes it (kArticles' codes).
  void order(int sto, int article, double kolicina, int tura = 1) {
    const Article &a = kArticles[article];
    TableLine l;
    l.brstola = sto;
    l.sifra = a.sifra;
    l.naziv = a.naziv;
    l.stopa = 2;
    l.cena = Money(a.cena);
    l.kolicina = Quantity(kolicina);
    l.iznos = *roundedAmount(l.kolicina, l.cena);
    l.tura = tura;
    ASSERT_TRUE(TableRepository(checker).addLine(l));
  }
  // The table's lines as "rbr sifra kolicina".
  QStringList stost(int sto) {
    QStringList out;
    const auto lines = TableRepository(checker).lines(sto);
    EXPECT_TRUE(lines) << lines.error().toStdString();
    for (const TableLine &l : lines.value_or({}))
      out << QStringLiteral("%1 %2 %3").arg(l.rbr).arg(l.sifra, l.kolicina.text());
    return out;
  }
  int holder(int sto) {
    return int(count(checker, "SELECT sifkonob FROM stolovi WHERE brstola=:s", {{"s", sto}}));
  }
  // Kills the server once the receipt's first line is stored, with what another station
  // does just before (while the receipt is on its way to the device).
  void killAfterFirstLine(RestaurantTill &till, std::function<void()> meanwhile) {
    auto armed = std::make_shared<bool>(true);
    QObject::connect(till.engine.get(), &TransactionEngine::frameSent, till.engine.get(),
                     [this, armed, meanwhile](const QByteArray &, bool) {
                       if (!*armed || count(checker, "SELECT COUNT(*) FROM prodato") == 0)
                         return;
                       *armed = false;
                       if (meanwhile)
                         meanwhile();
                       killed = cluster.kill();
                     });
  }
  // The waiting steps' table parts as "kind sto rbr,rbr".
  QStringList tableParts() {
    StepJournal j(tmp.path());
    EXPECT_TRUE(j.load());
    QStringList out;
    for (const PendingStep &s : j.steps())
      for (const StepPart &p : s.parts) {
        if (p.kind != StepKind::TableLinesOff && p.kind != StepKind::TableFreed)
          continue;
        QStringList rbr;
        for (const PaidTableLine &l : p.lines)
          rbr << QString::number(l.rbr);
        out << QStringLiteral("%1 %2 %3")
                   .arg(p.kind == StepKind::TableLinesOff ? "off" : "free")
                   .arg(p.sto)
                   .arg(rbr.join(','));
      }
    return out;
  }
  // What a second replay could write twice.
  auto totals() {
    return std::tuple(count(checker, "SELECT COUNT(*) FROM prodato"),
                      count(checker, "SELECT COUNT(*) FROM rate"),
                      count(checker, "SELECT COUNT(*) FROM racuni"),
                      count(checker, "SELECT COUNT(*) FROM upisani_koraci"), stost(kTable), holder(kTable));
  }
  JournalCheck compare() {
    return checkJournal(sim.journal(), checker.connection(), startStock, GetParam() != 2 && GetParam() != 3,
                        kWaiter);
  }
  QString journalPath() const { return QDir(tmp.path()).filePath(StepJournal::fileName()); }
  QString conflictsPath() const { return QDir(tmp.path()).filePath(StepJournal::conflictsFileName()); }

  QTemporaryDir tmp;
  OwnCluster cluster;
  Database checker; // another station's connection
  std::map<QString, double> startStock;
  SimProcess sim;
  bool killed = false;
};

} // namespace

TEST_P(TablesOutage, PaidLinesLeaveExactlyOnceAfterTheOutageAndAnotherStationsLinesStay) {
  order(kTable, 0, 2);   // 1
  order(kTable, 1, 1);   // 2
  order(kTable, 2, 1.5); // 3
  order(6, 0, 1);        // another table of the waiter's, untouched
  RestaurantTill till(GetParam(), tmp.path(), cluster.conn(), sim);
  ASSERT_TRUE(till.open()) << till.prompt.messages.join('\n').toStdString();

  // While the receipt is on the device another station adds a line and changes line 3.
  killAfterFirstLine(till, [this] {
    order(kTable, 0, 1); // 4
    ASSERT_TRUE(checker.exec("UPDATE stost SET kolicina=3, iznos=240 WHERE brstola=5 AND rbr=3"));
  });
  ASSERT_TRUE(till.settleTable()) << till.prompt.messages.join('\n').toStdString();
  ASSERT_TRUE(killed);
  for (const QString &m : std::as_const(till.prompt.messages))
    EXPECT_FALSE(m.startsWith("GRESKA"))
        << "the device printed it: no database error shown: " << m.toStdString();
  // The bookkeeping waits after the receipt's steps, with exactly the lines paid.
  EXPECT_EQ(tableParts(), (QStringList{"off 5 1,2,3", "free 5 "}));
  EXPECT_GE(till.engine->waitingSteps(), 3);

  // This till shows the paid lines gone and refuses the table, nothing reaches the device.
  EXPECT_EQ(till.linesShown(), QList<int>{});
  EXPECT_EQ(till.sale->lblUkupno(), "0,00");
  EXPECT_NE(till.rowOf(kTable), -1) << "the table stays in the waiter's list while it settles";
  EXPECT_TRUE(
      till.sale->edtStatusRest().contains(TransactionEngine::outageText(till.engine->waitingSteps())));
  const qsizetype printed = sim.journal().size();
  till.prompt.messages.clear();
  till.sale->zbir();
  till.sale->isprazniSto();
  EXPECT_EQ(till.prompt.messages, QStringList(2, "GRESKA: " + TransactionEngine::tableSettlingText(kTable)));
  EXPECT_TRUE(till.sale->entryEnabled);
  EXPECT_TRUE(till.idle());
  EXPECT_EQ(sim.journal().size(), printed);

  const QByteArray waiting = fileText(journalPath());
  ASSERT_FALSE(waiting.isEmpty());
  ASSERT_TRUE(restart());
  ASSERT_TRUE(testsupport::waitFor([&] { return till.engine->waitingSteps() == 0; }, 20000))
      << till.engine->waitingSteps() << " steps still wait";

  // Exactly the paid lines left; the changed one stayed and is reported and kept.
  EXPECT_EQ(stost(kTable), (QStringList{"3 3 3,000", "4 1 1,000"}));
  EXPECT_EQ(holder(kTable), kWaiter) << "a table with lines stays open";
  EXPECT_EQ(stost(6), QStringList{"1 1 1,000"});
  const QString report = till.prompt.messages.join('\n');
  EXPECT_TRUE(report.contains("stavka 3 (3, kolicina 1,500, iznos 120,00)")) << report.toStdString();
  const QList<QByteArray> kept = fileText(conflictsPath()).trimmed().split('\n');
  ASSERT_EQ(kept.size(), 1);
  const QJsonObject note = QJsonDocument::fromJson(kept[0]).object();
  EXPECT_TRUE(note["delimicno"].toBool());
  EXPECT_TRUE(note["razlog"].toString().contains("stavka 3")) << note["razlog"].toString().toStdString();
  // The screen follows the written state.
  EXPECT_EQ(till.sale->edtStatusRest(), QString());
  EXPECT_EQ(till.linesShown(), (QList<int>{3, 4}));
  const JournalCheck check = compare();
  EXPECT_TRUE(check.passed()) << check.problems.join('\n').toStdString();
  EXPECT_EQ(check.databaseReceipts, 1);

  // The program died after the commits but before the file was rewritten: the same records
  // again are each recognised as written.
  const auto after = totals();
  const QByteArray conflicts = fileText(conflictsPath());
  till.engine->setStepJournalDir(QString());
  {
    QFile f(journalPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(waiting);
  }
  till.prompt.messages.clear();
  till.engine->setStepJournalDir(tmp.path());
  EXPECT_TRUE(till.engine->replayStepJournal());
  EXPECT_EQ(till.engine->waitingSteps(), 0);
  EXPECT_EQ(totals(), after);
  EXPECT_EQ(fileText(conflictsPath()), conflicts);
  EXPECT_TRUE(till.prompt.messages.isEmpty()) << till.prompt.messages.join('\n').toStdString();
  EXPECT_TRUE(compare().passed());

  // The table is paid normally again: the rest leaves and the table is freed.
  ASSERT_TRUE(till.settleTable()) << till.prompt.messages.join('\n').toStdString();
  EXPECT_EQ(stost(kTable), QStringList());
  EXPECT_EQ(holder(kTable), -1);
  EXPECT_TRUE(compare().passed());
}

TEST_P(TablesOutage, AProgramEndingWithTheTableWaitingFreesTheTableOnceAtTheNextStart) {
  order(kTable, 0, 1);
  order(kTable, 1, 2, 2);
  QByteArray waiting;
  {
    RestaurantTill till(GetParam(), tmp.path(), cluster.conn(), sim);
    ASSERT_TRUE(till.open()) << till.prompt.messages.join('\n').toStdString();
    killAfterFirstLine(till, {});
    ASSERT_TRUE(till.settleTable()) << till.prompt.messages.join('\n').toStdString();
    ASSERT_TRUE(killed);
    EXPECT_EQ(tableParts(), (QStringList{"off 5 1,2", "free 5 "}));
    EXPECT_EQ(till.linesShown(), QList<int>{});
    waiting = fileText(journalPath());
  } // the program ends with the server still away
  ASSERT_FALSE(waiting.isEmpty());
  ASSERT_TRUE(restart());
  ASSERT_EQ(stost(kTable).size(), 2) << "nothing left the table while the server was away";

  {
    RestaurantTill again(GetParam(), tmp.path(), cluster.conn(), sim);
    ASSERT_TRUE(again.open()); // replays at start, before the screen reads the tables
    EXPECT_EQ(again.engine->waitingSteps(), 0);
    EXPECT_FALSE(QFile::exists(journalPath()));
    EXPECT_EQ(again.rowOf(kTable), -1) << "the freed table left the waiter's list";
    EXPECT_TRUE(again.prompt.messages.isEmpty()) << again.prompt.messages.join('\n').toStdString();
  }
  EXPECT_EQ(stost(kTable), QStringList());
  EXPECT_EQ(holder(kTable), -1);
  EXPECT_FALSE(QFile::exists(conflictsPath()));
  const JournalCheck check = compare();
  EXPECT_TRUE(check.passed()) << check.problems.join('\n').toStdString();
  const auto after = totals();

  // The table is taken and ordered on again; the old journal put back takes nothing off it.
  ASSERT_TRUE(checker.exec("UPDATE stolovi SET sifkonob=2 WHERE brstola=5"));
  order(kTable, 2, 1);
  {
    QFile f(journalPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(waiting);
  }
  {
    RestaurantTill third(GetParam(), tmp.path(), cluster.conn(), sim);
    ASSERT_TRUE(third.open());
    EXPECT_EQ(third.engine->waitingSteps(), 0);
    EXPECT_TRUE(third.prompt.messages.isEmpty()) << third.prompt.messages.join('\n').toStdString();
  }
  EXPECT_EQ(stost(kTable), QStringList{"1 3 1,000"});
  EXPECT_EQ(holder(kTable), kWaiter);
  EXPECT_EQ(std::get<0>(totals()), std::get<0>(after));
  EXPECT_EQ(std::get<3>(totals()), std::get<3>(after));
  EXPECT_TRUE(compare().passed());
}

TEST_P(TablesOutage, ASplitPaymentTakesOffOnlyItsChosenLinesOnceTheServerIsBack) {
  order(kTable, 0, 1);
  order(kTable, 1, 1);
  order(kTable, 2, 1);
  RestaurantTill till(GetParam(), tmp.path(), cluster.conn(), sim);
  ASSERT_TRUE(till.open()) << till.prompt.messages.join('\n').toStdString();
  till.sale->selectRow(till.rowOf(kTable));
  ArticleSplit split(*till.sale, till.db(), *till.engine, till.prompt);
  ASSERT_TRUE(split.open());
  split.moveRight(0);
  split.moveRight(0); // lines 1 and 2 to pay now
  const auto keys = [](const QList<SplitRow> &rows) {
    QList<int> rbr;
    for (const SplitRow &r : rows)
      rbr << r.rbr;
    return rbr;
  };
  ASSERT_EQ(keys(split.chosen()), (QList<int>{1, 2}));

  killAfterFirstLine(till, {});
  const int before = till.completed;
  split.zbir();
  ASSERT_TRUE(testsupport::waitFor([&] { return till.completed > before; }, 30000) && till.idle())
      << till.prompt.messages.join('\n').toStdString();
  ASSERT_TRUE(killed);
  EXPECT_EQ(tableParts(), (QStringList{"off 5 1,2", "free 5 "}));
  // The split window offers only the line left, and that is not paid while the others wait.
  EXPECT_EQ(keys(split.remaining()), QList<int>{3});
  EXPECT_EQ(keys(split.chosen()), QList<int>{});
  const qsizetype printed = sim.journal().size();
  split.moveRight(0);
  till.prompt.messages.clear();
  split.zbir();
  EXPECT_EQ(till.prompt.messages, QStringList{"GRESKA: " + TransactionEngine::tableSettlingText(kTable)});
  EXPECT_TRUE(split.entryEnabled);
  EXPECT_EQ(sim.journal().size(), printed);

  ASSERT_TRUE(restart());
  ASSERT_TRUE(testsupport::waitFor([&] { return till.engine->waitingSteps() == 0; }, 20000));
  EXPECT_EQ(stost(kTable), QStringList{"3 3 1,000"});
  EXPECT_EQ(holder(kTable), kWaiter);
  EXPECT_FALSE(QFile::exists(conflictsPath()));
  EXPECT_EQ(keys(split.remaining()) + keys(split.chosen()), QList<int>{3});
  const JournalCheck check = compare();
  EXPECT_TRUE(check.passed()) << check.problems.join('\n').toStdString();

  // Now it is paid: the last line leaves and the table is freed.
  const int paid = till.completed;
  split.zbir();
  ASSERT_TRUE(testsupport::waitFor([&] { return till.completed > paid; }, 30000) && till.idle())
      << till.prompt.messages.join('\n').toStdString();
  EXPECT_EQ(stost(kTable), QStringList());
  EXPECT_EQ(holder(kTable), -1);
  EXPECT_TRUE(compare().passed());
  EXPECT_TRUE(split.requestClose());
}

INSTANTIATE_TEST_SUITE_P(Models, TablesOutage, testing::Values(1, 2, 4),
                         [](const testing::TestParamInfo<int> &i) {
                           return "model" + std::to_string(i.param);
                         });
