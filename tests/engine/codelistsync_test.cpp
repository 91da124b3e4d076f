// The code-list window's reads of operators and tax rates against fiscal-sim's device in
// the test process, on virtual time: what goes out per model, what the tables end up
// holding, and that a refused or unfinished reading leaves them as they were.
#include "engineharness.h"
#include "simdevice.h"

#include "data/recordmessages.h"
#include "data/recordrules.h"
#include "device/articlemirrormodel.h"
#include "engine/articlesync.h"

#include <QTemporaryDir>

#include <QJsonArray>
#include <QJsonObject>

using namespace enginetest;

namespace {

struct NoMessages : RecordMessages {
  void show(const QString &, const QString &) override { ADD_FAILURE() << "a record check spoke"; }
  void warning(const QString &) override { ADD_FAILURE() << "a record check warned"; }
};

struct ReadFixture {
  explicit ReadFixture(int model) : sim(model, clock), rules(db, messages), mirrorModel(mirror) {
    link.Model = model;
    link.IBFM = QStringLiteral("123450");
    db.openInMemory();
    rules.setOperatorRange(model == 4 ? 1 : 0, model == 4 ? 64 : model == 2 || model == 3 ? 15 : 24);
    engine = std::make_unique<TransactionEngine>(link, clock);
    engine->setWire(&sim);
    engine->setPrompt(&prompt);
    engine->setDatabase(&db);
    engine->seedSendSeq(10);
    sim.attach(engine.get());
    articles = std::make_unique<ArticleSync>(*engine, link, clock, mirrorModel, dir.path() + "/artikli.dat");
    articles->setPrompt(&prompt);
    articles->codeLists().setStore(&db, &rules);
    sync = &articles->codeLists();
    QObject::connect(sync, &CodeListSync::operatorButtonEnabled, [this](bool on) { operators << on; });
    QObject::connect(sync, &CodeListSync::taxButtonEnabled, [this](bool on) { rates << on; });
    EXPECT_TRUE(db.exec(
        QStringLiteral("INSERT INTO konobari (rbr, sifkonob, naziv, admin) VALUES "
                       "(1, '111', 'Ana', :t), (2, '222', 'Bora', :f)"),
        {{QStringLiteral("t"), db.booleanValue(true)}, {QStringLiteral("f"), db.booleanValue(false)}}));
    EXPECT_TRUE(db.exec(QStringLiteral("INSERT INTO porstope (stopa, iznos) VALUES (0, 18), (1, 8)")));
  }
  bool run(int budgetMs = 100000) {
    for (int i = 0; i < budgetMs; ++i) {
      if (!sync->running())
        return true;
      clock.advance(1);
    }
    return false;
  }
  QStringList table(const QString &sql) {
    QStringList out;
    for (const QSqlRecord &r : db.rows(sql).value_or({})) {
      QStringList fields;
      for (int i = 0; i < r.count(); ++i)
        fields << r.value(i).toString().trimmed();
      out << fields.join('|');
    }
    return out;
  }
  QStringList waiters() {
    return table(QStringLiteral("SELECT rbr, sifkonob, naziv, admin FROM konobari ORDER BY rbr"));
  }
  QStringList taxRates() { return table(QStringLiteral("SELECT stopa, iznos FROM porstope ORDER BY stopa")); }
  // The number each read request of this code asked for.
  QList<int> asked(int code) const {
    QList<int> out;
    for (const QByteArray &f : sim.frames) {
      const bool isLong = quint8(f[0]) == 0xAA;
      if ((isLong ? quint8(f[7]) : quint8(f[1])) == code)
        out << (isLong ? quint8(f[9]) : f.size() > 4 ? quint8(f[3]) : -1);
    }
    return out;
  }
  void control(const QJsonObject &c) {
    EXPECT_TRUE(sim.control(c).value(QStringLiteral("ok")).toBool())
        << c.value("cmd").toString().toStdString();
  }

  LinkSettings link;
  VirtualScheduler clock;
  SimDevice sim;
  Database db;
  NoMessages messages;
  RecordRules rules;
  ScriptedPrompt prompt;
  std::unique_ptr<TransactionEngine> engine;
  QTemporaryDir dir;
  ArticleMirror mirror;
  ArticleMirrorModel mirrorModel;
  std::unique_ptr<ArticleSync> articles; // the engine's service-reply handler, which owns the reading
  CodeListSync *sync = nullptr;
  QList<bool> operators, rates; // the buttons, as the reading switched them
};

QList<int> range(int from, int to) {
  QList<int> out;
  for (int i = from; i <= to; ++i)
    out << i;
  return out;
}

TEST(CodeListSync, OperatorsOfEachModelBecomeTheWaiters) {
  struct Case {
    int model;
    QJsonObject operators; // besides the device's defaults
    QList<int> asked;
    QStringList waiters;
  } cases[] = {
      {1,
       {{"0", QJsonObject{{"name", "Šef Sale"}, {"code", 4321}}}, {"24", "ZADNJI"}, {"3", ""}},
       range(0, 24),
       {"0|4321|Šef Sale|1", "1|1001|OPERATER 1|0", "2|1002|OPERATER 2|0", "24|1024|ZADNJI|0"}},
      {5,
       {{"7", QJsonObject{{"name", "Mika"}, {"code", 77}}}},
       range(0, 24),
       {"0|1000|OPERATER 0|1", "1|1001|OPERATER 1|0", "2|1002|OPERATER 2|0", "3|1003|OPERATER 3|0",
        "7|77|Mika|0"}},
      // Model 4 keeps no codes: the number stands for one; operator 1 administers.
      {4,
       {{"64", "Dugo ime operatera koje je duze od trideset"}, {"2", ""}},
       range(1, 64),
       {"1|1|OPERATER 1|1", "3|3|OPERATER 3|0", "64|64|Dugo ime operatera koje je duz|0"}},
  };
  for (const Case &c : cases) {
    ReadFixture f(c.model);
    f.control({{"cmd", "set"}, {"operators", c.operators}});
    f.articles->citanjeOperatera();
    EXPECT_EQ(f.operators.value(0, true), false) << "disabled while the request is out";
    ASSERT_TRUE(f.run()) << c.model;
    EXPECT_EQ(f.asked(c.model == 4 ? 0x90 : 0x75), c.asked) << c.model;
    EXPECT_EQ(f.waiters(), c.waiters) << c.model;
    // Every reply gives the button back; every request but the first follows a reply.
    EXPECT_EQ(f.operators.count(true), c.asked.size()) << c.model;
    EXPECT_EQ(f.operators.count(false), c.asked.size()) << c.model;
    EXPECT_TRUE(f.operators.last()) << c.model;
    EXPECT_TRUE(f.prompt.log.isEmpty()) << f.prompt.log.join('\n').toStdString();
  }
}

TEST(CodeListSync, TaxRatesOneByOneOrAllAtOnce) {
  const QJsonArray rates{2000, 1000, 10000, 800, 0xFFFF, 1, 0, 9999, 0xFFFF};
  const QStringList stored = {"0|20", "1|10", "2|0", "3|8", "4|0", "5|0.01", "6|0", "7|99.99", "8|0"};
  for (int model : {1, 5, 4}) {
    ReadFixture f(model);
    f.control({{"cmd", "set"}, {"taxRates", rates}});
    f.articles->citanjeStopa();
    ASSERT_TRUE(f.run()) << model;
    EXPECT_EQ(f.asked(model == 4 ? 0x70 : 0x6B), model == 4 ? QList<int>{-1} : range(0, 8)) << model;
    EXPECT_EQ(f.taxRates(), stored) << model;
    EXPECT_TRUE(f.rates.last()) << model;
  }
}

// Whole or nothing: a refused operator or a reading the engine gives up changes nothing.
TEST(CodeListSync, ARefusedOrUnfinishedReadingChangesNothing) {
  {
    ReadFixture f(1);
    const QStringList before = f.waiters();
    f.control({{"cmd", "set"},
               {"operators", QJsonObject{{"5", QJsonObject{{"name", "Prvi"}, {"code", 555}}},
                                         {"9", QJsonObject{{"name", "Drugi"}, {"code", 555}}},
                                         {"12", QJsonObject{{"name", "Treci"}, {"code", 555}}}}}});
    f.articles->citanjeOperatera();
    ASSERT_TRUE(f.run());
    EXPECT_EQ(f.prompt.log,
              QStringList{"message|GRESKA|Operater 9: Konobar/Operater sa tom sifrom vec postoji!"});
    EXPECT_EQ(f.waiters(), before);
    EXPECT_TRUE(f.operators.last());
  }
  {
    // A code longer than the column's 7 characters.
    ReadFixture f(5);
    const QStringList before = f.waiters();
    f.control(
        {{"cmd", "set"}, {"operators", QJsonObject{{"2", QJsonObject{{"name", "X"}, {"code", 12345678}}}}}});
    f.articles->citanjeOperatera();
    ASSERT_TRUE(f.run());
    EXPECT_EQ(f.prompt.log, QStringList{"message|GRESKA|Operater 2: Losa vrednost! Najvise 7 znakova!"});
    EXPECT_EQ(f.waiters(), before);
  }
  {
    // The device goes silent half way: the watchdog resends three times, then gives up.
    ReadFixture f(4);
    const QStringList before = f.taxRates();
    const QStringList waitersBefore = f.waiters();
    f.articles->citanjeOperatera();
    for (int i = 0; i < 100000 && f.asked(0x90).size() < 10; ++i)
      f.clock.advance(1);
    // Operator 10's reply is on its way; 11 is never answered.
    f.control({{"cmd", "silent"}, {"count", 100}});
    ASSERT_TRUE(f.run(60000));
    EXPECT_EQ(f.asked(0x90).mid(10), QList<int>({11, 11, 11, 11})) << "the request and its three resends";
    EXPECT_TRUE(f.operators.last()) << "the watchdog gives the button back";
    EXPECT_EQ(f.waiters(), waitersBefore);
    EXPECT_EQ(f.taxRates(), before);
    ASSERT_EQ(f.prompt.errors.size(), 1);
    EXPECT_EQ(f.prompt.errors.first().tekst, "Doslo je do problema u komunikaciji!");
  }
}

TEST(CodeListSync, ModelsTwoAndThreeReadNothing) {
  for (int model : {2, 3}) {
    ReadFixture f(model);
    f.articles->citanjeOperatera();
    f.articles->citanjeStopa();
    f.clock.advance(10000);
    EXPECT_TRUE(f.sim.frames.isEmpty()) << model;
    EXPECT_TRUE(f.operators.isEmpty() && f.rates.isEmpty()) << model;
    EXPECT_EQ(f.waiters().size(), 2) << model;
  }
}

} // namespace

namespace {

// One service path: while the operators are read, the article loops do not start, and
// the article loop's replies are not taken for operators.
TEST(CodeListSync, SharesTheServicePathWithTheArticleLoops) {
  ReadFixture f(1);
  f.articles->citanjeOperatera();
  ASSERT_TRUE(f.sync->running());
  f.articles->citanjeIzKase();
  EXPECT_FALSE(f.articles->running());
  ASSERT_TRUE(f.run());
  EXPECT_TRUE(f.asked(0x73).isEmpty()) << "no article was asked for";
  EXPECT_EQ(f.waiters().size(), 4) << "the device's four operators 0 to 3";
  f.articles->citanjeIzKase();
  EXPECT_TRUE(f.articles->running());
  f.articles->citanjeStopa();
  EXPECT_FALSE(f.sync->running()) << "no reading while an article loop runs";
}

} // namespace
