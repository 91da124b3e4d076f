// The server stops in the middle of a receipt: a PostgreSQL cluster of the test's own
// (the suite's is shared by tests running at once) is killed and started again while the
// real engine sells to fiscal-sim. The device's steps confirmed meanwhile wait in the step
// journal, no new receipt starts, and once the server is back the database holds every
// receipt the device printed, line by line, with its payments and totals, nothing twice.
#include "data/database.h"
#include "device/articlemirror.h"
#include "device/serialportlink.h"
#include "device/tcplink.h"
#include "engine/linkwire.h"
#include "engine/salescreens.h"
#include "engine/simprocess.h"
#include "engine/stepjournal.h"
#include "engine/transactionengine.h"
#include "journalcheck.h"
#include "owncluster.h"
#include "soakparts.h"
#include "soakrun.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

constexpr int kCashier = 2;

struct Screen : RetailScreen {
  bool isVisible() const override { return true; }
  void enableEntryLine() override {}
  void takeLastLineOff(bool) override { ++linesTakenOff; }
  void resetAfterReceipt() override {}
  void showStatus(const QString &) override {}
  void loadStoredReceipt(const QList<SoldLine> &) override {}
  void showDatabaseOutage(int waiting) override { status = TransactionEngine::outageText(waiting); }
  QString status;
  int linesTakenOff = 0;
};

struct Prompt : UserPrompt {
  bool messageDialog(const QString &title, const QString &text, bool) override {
    messages << title + ": " + text;
    return true;
  }
  DeviceErrorAnswer deviceErrorDialog(const DeviceError &e) override {
    messages << "device: " + e.tekst;
    DeviceErrorAnswer a;
    a.izborGreske = Ponovi;
    return a;
  }
  int unfinishedReceiptDialog(const UnfinishedReceipt &) override { return 1; }
  void showInstructions() override {}
  void pressEnterNotice(const QString &) override {}
  QStringList messages;
};

// One till: the engine with its own database connection, the device over its link.
class Till {
public:
  Till(int model, const QString &dir, const QString &conn, SimProcess &sim)
      : m_model(model), m_dir(dir), m_conn(conn), m_sim(sim), m_clock(10) {}

  bool open() {
    m_link.Model = m_model;
    m_link.IBFM = QStringLiteral("123450");
    if (!m_db.open(int(DatabaseKind::PostgreSQL), m_conn))
      return false;
    if (m_model != 4)
      for (const Article &a : kArticles)
        m_mirror.insert({a.sifra, a.deviceNumber, QString(), a.naziv, a.cena, 2});
    else // model 4 learns the articles from the sale lines, once its memory holds one
      m_mirror.insert({QStringLiteral("99"), 1, QString(), QStringLiteral("PROBA"), 1, 2});
    engine = std::make_unique<TransactionEngine>(m_link, m_clock);
    engine->setPrompt(&prompt);
    engine->setDatabase(&m_db);
    engine->setMirror(&m_mirror, m_dir + "/artikli.dat");
    engine->setRetailScreen(&screen);
    engine->seedSendSeq(7);
    QObject::connect(engine.get(), &TransactionEngine::receiptCompleted, [this](int) { ++completed; });
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
    return true;
  }
  void close() {
    if (m_device)
      m_device->close();
  }

  bool step(const std::function<void()> &action) {
    action();
    return testsupport::waitFor([&] { return !engine->awaitingReply(); }, 30000);
  }
  Racun line(int article, double quantity) const {
    const Article &a = kArticles[article];
    Racun r;
    r.operacija = Racun::Prodaja;
    r.sifra = a.sifra;
    r.barkod = a.sifra;
    r.naziv = a.naziv;
    r.kolicina = Quantity(quantity);
    r.cena = Money(a.cena);
    r.iznos = *roundedAmount(r.kolicina, r.cena);
    r.poreskaGrupa = 2;
    return r;
  }
  bool begin() {
    return step([&] { engine->beginRetailReceipt(kCashier); });
  }
  bool sell(int article, double quantity) {
    m_total += line(article, quantity).iznos;
    return step([&] { engine->sellRetailLine(line(article, quantity)); });
  }
  // A card payment for part of it, then cash for the rest, which closes the receipt.
  bool payAndClose() {
    Racun card;
    card.operacija = Racun::Placanje;
    card.nacinPlacanja = Racun::Kartica;
    card.iznosPlacanja = Money::fromUnits(5000);
    card.ostatak = m_total - card.iznosPlacanja;
    card.brojKartice = QStringLiteral("4111");
    card.tipKartice = QStringLiteral("VISA");
    if (!step([&] { engine->payRetail(card); }))
      return false;
    Racun cash;
    cash.operacija = Racun::Placanje;
    cash.nacinPlacanja = Racun::Gotovina;
    cash.iznosPlacanja = card.ostatak;
    cash.ostatak = card.ostatak;
    m_total = Money();
    const int before = completed;
    return step([&] { engine->closeRetail(cash, m_model == 2 || m_model == 3 || m_model == 4); }) &&
           testsupport::waitFor([&] { return completed > before; }, 10000);
  }
  bool receipt(std::initializer_list<std::pair<int, double>> lines) {
    if (!begin())
      return false;
    for (const auto &[a, q] : lines)
      if (!sell(a, q))
        return false;
    return payAndClose();
  }

  std::unique_ptr<TransactionEngine> engine;
  Prompt prompt;
  Screen screen;
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
  Money m_total;
};

QByteArray simArticles() {
  QByteArray articles;
  for (const Article &a : kArticles)
    articles += QStringLiteral("%1;%2;%3;2;\n").arg(a.deviceNumber).arg(a.naziv).arg(a.cena).toUtf8();
  return articles;
}

qint64 count(Database &db, const QString &sql, const QVariantMap &binds = {}) {
  const auto v = db.scalar(sql, binds);
  EXPECT_TRUE(v) << sql.toStdString() << ": " << v.error().toStdString();
  return v.value_or(QVariant()).toLongLong();
}

QByteArray fileText(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ServerOutage : public testing::TestWithParam<int> {
protected:
  void SetUp() override {
    if (!OwnCluster::available())
      GTEST_SKIP() << "PostgreSQL binaries not found (" << OwnCluster::bin().toStdString() << ")";
    ASSERT_TRUE(tmp.isValid());
    ASSERT_TRUE(cluster.init());
    ASSERT_TRUE(checker.open(int(DatabaseKind::PostgreSQL), cluster.conn()))
        << checker.lastError().toStdString();
    ASSERT_TRUE(seedSoakShop(checker, startStock));
    ASSERT_TRUE(sim.start(GetParam(), tmp.path(), true, simArticles()));
  }
  bool restart() { return cluster.start() && checker.reopen(); }
  // A receipt whose first line is stored, then the server dies and the other lines,
  // the payments and the closing wait; the program ends with them waiting.
  void sellThroughAnOutage(int lines) {
    Till till(GetParam(), tmp.path(), cluster.conn(), sim);
    ASSERT_TRUE(till.open());
    ASSERT_TRUE(till.begin());
    ASSERT_TRUE(till.sell(0, 1));
    ASSERT_TRUE(cluster.kill());
    for (int i = 1; i < lines; ++i)
      ASSERT_TRUE(till.sell(i % 3, 1));
    ASSERT_TRUE(till.payAndClose());
    ASSERT_GE(till.engine->waitingSteps(), lines);
    till.close();
  }
  JournalCheck compare() {
    return checkJournal(sim.journal(), checker.connection(), startStock, GetParam() != 2 && GetParam() != 3,
                        kCashier);
  }

  QTemporaryDir tmp;
  OwnCluster cluster;
  Database checker; // another connection, as another till or the shop's office sees the data
  std::map<QString, double> startStock;
  SimProcess sim;
};

} // namespace

TEST_P(ServerOutage, KilledMidReceiptTheReceiptCompletesAndTheDatabaseMatchesTheDeviceAfterReplay) {
  Till till(GetParam(), tmp.path(), cluster.conn(), sim);
  ASSERT_TRUE(till.open());
  ASSERT_TRUE(till.receipt({{0, 1}, {1, 2}})) << till.prompt.messages.join('\n').toStdString();

  // The receipt's first line is stored, then the server dies.
  ASSERT_TRUE(till.begin());
  ASSERT_TRUE(till.sell(2, 1.5));
  ASSERT_TRUE(cluster.kill());
  ASSERT_TRUE(till.sell(0, 3));
  ASSERT_TRUE(till.sell(1, 0.5));
  EXPECT_EQ(till.screen.status, QStringLiteral("BAZA NEDOSTUPNA - koraka na cekanju: 2"));
  ASSERT_TRUE(till.payAndClose()) << till.prompt.messages.join('\n').toStdString();
  EXPECT_GE(till.engine->waitingSteps(), 3); // lines, payment(s), closing
  EXPECT_TRUE(QFile::exists(QDir(tmp.path()).filePath(StepJournal::fileName())));
  for (const QString &m : std::as_const(till.prompt.messages))
    EXPECT_FALSE(m.startsWith("GRESKA"))
        << "the device confirmed it: no database error shown: " << m.toStdString();

  // No new receipt while steps wait: nothing reaches the device.
  const qsizetype printed = sim.journal().size();
  ASSERT_TRUE(till.begin());
  ASSERT_TRUE(till.step([&] { till.engine->sellRetailLine(till.line(0, 1)); }));
  EXPECT_EQ(till.prompt.messages.count("GRESKA: " + TransactionEngine::newReceiptRefusedText()), 2);
  EXPECT_EQ(till.screen.linesTakenOff, 1);
  EXPECT_EQ(sim.journal().size(), printed);

  // Another till meanwhile takes the number this till would hope for next.
  ASSERT_TRUE(restart());
  ASSERT_TRUE(testsupport::waitFor([&] { return till.engine->waitingSteps() == 0; }, 20000))
      << till.engine->waitingSteps() << " steps still wait";
  EXPECT_EQ(till.screen.status, QString());
  EXPECT_FALSE(QFile::exists(QDir(tmp.path()).filePath(StepJournal::fileName())));
  JournalCheck check = compare();
  EXPECT_TRUE(check.passed()) << check.problems.join('\n').toStdString();
  EXPECT_EQ(check.databaseReceipts, 2);

  // A receipt that begins and loses the server before its first line: its number is
  // settled only when it is replayed, and the number it hoped for is by then another till's.
  const int hoped = till.engine->brojRacuna();
  ASSERT_TRUE(
      checker.exec("INSERT INTO racuni (godina, broj, sifoper, status, datum) VALUES (:g, :b, 99, 1, :d)",
                   {{"g", QDate::currentDate().year()}, {"b", hoped}, {"d", QDate::currentDate()}}));
  ASSERT_TRUE(till.begin());
  ASSERT_TRUE(cluster.kill());
  ASSERT_TRUE(till.sell(1, 1));
  ASSERT_TRUE(till.sell(2, 2));
  ASSERT_TRUE(till.payAndClose()) << till.prompt.messages.join('\n').toStdString();
  ASSERT_GE(till.engine->waitingSteps(), 3);
  ASSERT_TRUE(restart());
  ASSERT_TRUE(testsupport::waitFor([&] { return till.engine->waitingSteps() == 0; }, 20000));
  ASSERT_TRUE(till.receipt({{0, 2}}));

  check = compare();
  EXPECT_TRUE(check.passed()) << check.problems.join('\n').toStdString();
  EXPECT_EQ(check.databaseReceipts, 4);
  EXPECT_EQ(check.doubledLines, 0);
  // The other till's receipt is untouched: no line of ours landed on it.
  EXPECT_EQ(count(checker, "SELECT COUNT(*) FROM prodato WHERE brrac=:b", {{"b", hoped}}), 0);
  EXPECT_EQ(count(checker, "SELECT COUNT(*) FROM racuni WHERE sifoper=:s AND status=1", {{"s", kCashier}}),
            4);
  till.close();
}

TEST_P(ServerOutage, WaitingStepsSurviveARestartAndAReplayCutShortWritesNothingTwice) {
  const QString journal = QDir(tmp.path()).filePath(StepJournal::fileName());
  ASSERT_NO_FATAL_FAILURE(sellThroughAnOutage(2)); // the program ends with the server still away
  const QByteArray waiting = fileText(journal);
  ASSERT_FALSE(waiting.isEmpty());
  ASSERT_TRUE(restart());

  const auto totals = [&] {
    return std::tuple(count(checker, "SELECT COUNT(*) FROM prodato"),
                      count(checker, "SELECT COUNT(*) FROM rate"),
                      count(checker, "SELECT COUNT(*) FROM racuni"),
                      count(checker, "SELECT ROUND(SUM(iznos)*100) FROM rate"),
                      count(checker, "SELECT ROUND(SUM(gotovina+kartica+cek)*100) FROM racuni"));
  };
  {
    Till again(GetParam(), tmp.path(), cluster.conn(), sim);
    ASSERT_TRUE(again.open()); // replays at start
    EXPECT_EQ(again.engine->waitingSteps(), 0);
    EXPECT_FALSE(QFile::exists(journal));
    again.close();
  }
  const JournalCheck check = compare();
  EXPECT_TRUE(check.passed()) << check.problems.join('\n').toStdString();
  const auto after = totals();

  // The program died after the commits but before the file was rewritten: the same
  // records are replayed again and each is recognised as written.
  {
    QFile f(journal);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(waiting);
  }
  {
    Till third(GetParam(), tmp.path(), cluster.conn(), sim);
    ASSERT_TRUE(third.open());
    EXPECT_EQ(third.engine->waitingSteps(), 0);
    EXPECT_TRUE(third.prompt.messages.isEmpty()) << third.prompt.messages.join('\n').toStdString();
    third.close();
  }
  EXPECT_EQ(totals(), after);
  EXPECT_TRUE(compare().passed());
}

TEST_P(ServerOutage, AStepTheDatabaseRefusesIsKeptAndReportedAndTheOthersGoOn) {
  const QString journal = QDir(tmp.path()).filePath(StepJournal::fileName());
  ASSERT_NO_FATAL_FAILURE(sellThroughAnOutage(3));
  // The middle line's name no longer fits the column (as if changed by hand): the
  // database refuses it for a reason of its own, not the connection.
  StepJournal j(tmp.path());
  ASSERT_TRUE(j.load());
  ASSERT_GE(j.count(), 3);
  QList<QByteArray> lines = fileText(journal).split('\n');
  QJsonObject bad = QJsonDocument::fromJson(lines[0]).object();
  QJsonArray parts = bad["delovi"].toArray();
  QJsonObject part = parts[0].toObject();
  QJsonObject korak = part["korak"].toObject();
  korak["naziv"] = QString(80, QLatin1Char('X'));
  part["korak"] = korak;
  parts[0] = part;
  bad["delovi"] = parts;
  lines[0] = QJsonDocument(bad).toJson(QJsonDocument::Compact);
  {
    QFile f(journal);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(lines.join('\n'));
  }
  const qint64 waiting = j.count();
  ASSERT_TRUE(restart());
  const qint64 linesBefore = count(checker, "SELECT COUNT(*) FROM prodato");

  Till again(GetParam(), tmp.path(), cluster.conn(), sim);
  ASSERT_TRUE(again.open());
  EXPECT_EQ(again.engine->waitingSteps(), 0);
  const QString report = again.prompt.messages.join('\n');
  EXPECT_TRUE(report.contains("GRESKA")) << report.toStdString();
  EXPECT_TRUE(report.contains(StepJournal::conflictsFileName())) << report.toStdString();
  // Kept whole, with the database's reason.
  const QJsonObject kept =
      QJsonDocument::fromJson(fileText(QDir(tmp.path()).filePath(StepJournal::conflictsFileName())).trimmed())
          .object();
  EXPECT_EQ(kept["korak"].toObject()["id"].toString(), bad["id"].toString());
  EXPECT_FALSE(kept["razlog"].toString().isEmpty());
  // The other steps went on: the third line, the payments and the closing.
  EXPECT_EQ(count(checker, "SELECT COUNT(*) FROM prodato"), linesBefore + 1);
  // The first line's id written with it, then each replayed step's but the refused one's.
  EXPECT_EQ(count(checker, "SELECT COUNT(*) FROM upisani_koraci"), 1 + waiting - 1);
  EXPECT_EQ(count(checker, "SELECT COUNT(*) FROM racuni WHERE sifoper=:s AND status=1", {{"s", kCashier}}),
            1);
  again.close();
}

INSTANTIATE_TEST_SUITE_P(Models, ServerOutage, testing::Values(1, 2, 4),
                         [](const testing::TestParamInfo<int> &i) {
                           return "model" + std::to_string(i.param);
                         });
