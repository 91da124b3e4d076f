#include "data/recordtablemodel.h"
#include "dbfixture.h"

#include <QAbstractItemModelTester>
#include <QMutex>

#include <functional>

namespace {

// Collects the complaints of QAbstractItemModelTester (it reports through warnings).
QStringList g_modelFailures;
QtMessageHandler g_previous = nullptr;
void collectModelFailures(QtMsgType type, const QMessageLogContext &ctx, const QString &msg) {
  if (ctx.category && QByteArray(ctx.category).startsWith("qt.modeltest") && type != QtDebugMsg)
    g_modelFailures << msg;
  else if (g_previous)
    g_previous(type, ctx, msg);
}

} // namespace

class RecordTableModelTest : public DbTest {
protected:
  void SetUp() override {
    DbTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    g_modelFailures.clear();
    g_previous = qInstallMessageHandler(collectModelFailures);
  }
  void TearDown() override {
    qInstallMessageHandler(g_previous);
    EXPECT_TRUE(g_modelFailures.isEmpty()) << g_modelFailures.join("\n").toStdString();
    DbTest::TearDown();
  }
  std::unique_ptr<RecordTableModel> model(const QString &table) {
    auto m = std::make_unique<RecordTableModel>(db, *rules, table);
    new QAbstractItemModelTester(m.get(), QAbstractItemModelTester::FailureReportingMode::Warning, m.get());
    EXPECT_TRUE(m->select()) << m->lastError().text().toStdString();
    return m;
  }
  QStringList column(RecordTableModel &m, const QString &name) {
    QStringList out;
    while (m.canFetchMore())
      m.fetchMore();
    for (int r = 0; r < m.rowCount(); ++r)
      out << m.value(r, name).toString();
    return out;
  }
};
KASA_BOTH_ENGINES(RecordTableModelTest);

TEST_P(RecordTableModelTest, EnteredValuesPassTheColumnChecks) {
  ASSERT_TRUE(addArticle("1", "Kafa", 120));
  auto m = model("ARTIKLI");
  ASSERT_EQ(m->rowCount(), 1);
  messages.clear();
  EXPECT_FALSE(m->setValue(0, "cena", "0"));
  EXPECT_EQ(messages.lastText(), "Cena ne sme da bude 0!");
  EXPECT_DOUBLE_EQ(m->value(0, "cena").toDouble(), 120); // refused value not stored
  EXPECT_TRUE(m->setValue(0, "cena", "99,90"));
  EXPECT_TRUE(m->setValue(0, "STOPA", "4")); // column names ignore case
  ASSERT_TRUE(m->post()) << messages.lastText().toStdString();
  EXPECT_DOUBLE_EQ(db.scalar("SELECT cena FROM artikli")->toDouble(), 99.9);
  EXPECT_EQ(db.scalar("SELECT stopa FROM artikli")->toInt(), 4);
}

TEST_P(RecordTableModelTest, RefusedPostKeepsTheRowForCorrection) {
  ASSERT_TRUE(addArticle("1", "Kafa"));
  auto m = model("ARTIKLI");
  const int r = m->appendRow();
  ASSERT_GE(r, 0);
  ASSERT_TRUE(m->setValue(r, "sifra", "1"));
  ASSERT_TRUE(m->setValue(r, "naziv", "Caj"));
  ASSERT_TRUE(m->setValue(r, "cena", 80));
  ASSERT_TRUE(m->setValue(r, "stopa", 1));
  ASSERT_TRUE(m->setValue(r, "lager", 0));
  messages.clear();
  EXPECT_FALSE(m->post());
  EXPECT_EQ(messages.lastText(), "Artikal sa tom sifrom vec postoji!");
  EXPECT_TRUE(m->hasPendingEdits());
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli"), 1);
  ASSERT_TRUE(m->setValue(r, "sifra", "2"));
  ASSERT_TRUE(m->post()) << messages.lastText().toStdString();
  EXPECT_FALSE(m->hasPendingEdits());
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli WHERE minlag=0 AND barkod=''"), 2); // defaults applied
}

// Every refusal of a post is a modal message: it comes before the transaction opens
// (the checks) or after it has closed (the database's own refusal), never inside it.
TEST_P(RecordTableModelTest, RefusalsAreShownWithNoTransactionOpen) {
  ASSERT_TRUE(addArticle("1", "Kafa"));
  ASSERT_TRUE(addArticle("2", "Caj"));
  ASSERT_TRUE(insert("STOLOVI", {{"brstola", 5}, {"naziv", "Sto 5"}}));
  ASSERT_TRUE(db.exec("INSERT INTO stost (rbr, brstola, sifra, tura) VALUES (1, 5, '1', 1)"));
  struct Case {
    const char *what;
    const char *table;
    std::function<void(RecordTableModel &)> edit;
    const char *message;
  } cases[] = {
      {"count before a new row", "ARTIKLI",
       [](RecordTableModel &m) {
         const int r = m.appendRow();
         m.setValue(r, "sifra", "1");
         m.setValue(r, "naziv", "Sok");
         m.setValue(r, "cena", 80);
         m.setValue(r, "stopa", 1);
         m.setValue(r, "lager", 0);
       },
       "Artikal sa tom sifrom vec postoji!"},
      {"required column", "ARTIKLI",
       [](RecordTableModel &m) {
         const int r = m.appendRow();
         m.setValue(r, "sifra", "9");
       },
       "OBAVEZAN UNOS U POLJA SIFRA,NAZIV,CENA,PORESKA GRUPA I LAGER ILI DUPLA SIFRA"},
      {"database refuses the edit", "ARTIKLI",
       [](RecordTableModel &m) {
         m.setValue(m.locate({{"sifra", "2"}}), "sifra", "1");
       },
       "DUPLA SIFRA!"},
      {"delete of a table with lines", "STOLOVI", [](RecordTableModel &m) { m.removeRow(0); },
       "Sto nije prazan.Nemoguce brisanje stola!"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    auto m = model(c.table);
    c.edit(*m);
    messages.clear();
    EXPECT_FALSE(m->post());
    ASSERT_FALSE(messages.shown.isEmpty());
    EXPECT_EQ(messages.lastText(), c.message);
    for (const auto &shown : messages.shown)
      EXPECT_EQ(shown.openTransactions, 0) << shown.text.toStdString();
    EXPECT_EQ(Database::openTransactions(), 0);
  }
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli"), 2);
  EXPECT_EQ(count("SELECT COUNT(*) FROM stolovi"), 1);
}

TEST_P(RecordTableModelTest, EditToAnExistingCodeShowsDuplaSifra) {
  ASSERT_TRUE(addArticle("1", "Kafa"));
  ASSERT_TRUE(addArticle("2", "Caj"));
  auto m = model("ARTIKLI");
  const int r = m->locate({{"sifra", "2"}});
  ASSERT_GE(r, 0);
  ASSERT_TRUE(m->setValue(r, "sifra", "1"));
  messages.clear();
  EXPECT_FALSE(m->post());
  ASSERT_FALSE(messages.shown.isEmpty());
  EXPECT_EQ(messages.shown.last().title, "Greska");
  EXPECT_EQ(messages.shown.last().text, "DUPLA SIFRA!");
  EXPECT_TRUE(m->hasPendingEdits());
  m->cancel();
  EXPECT_EQ(m->value(r, "sifra").toString(), "2");
}

TEST_P(RecordTableModelTest, ArticleEditReachesTheOpenRecipeView) {
  ASSERT_TRUE(addArticle("S1", "Secer"));
  ASSERT_TRUE(addArticle("K1", "Kafa"));
  ASSERT_TRUE(insert("SASTAV", {{"sifra", "K1"}, {"sifsas", "S1"}, {"kolicina", 0.01}}));
  ASSERT_TRUE(insert("STOST", {{"rbr", 1}, {"brstola", 1}, {"sifra", "S1"}, {"stopa", 1}, {"tura", 1}}));
  auto articles = model("ARTIKLI");
  auto recipes = model("SASTAV");
  const int r = articles->locate({{"sifra", "S1"}});
  ASSERT_TRUE(articles->setValue(r, "naziv", "Secer 'kristal' 100%"));
  ASSERT_TRUE(articles->setValue(r, "stopa", 2));
  ASSERT_TRUE(articles->post()) << messages.lastText().toStdString();
  EXPECT_EQ(recipes->value(0, "naziv").toString(), "Secer 'kristal' 100%");
  EXPECT_EQ(db.scalar("SELECT stopa FROM stost")->toInt(), 2);
}

TEST_P(RecordTableModelTest, SearchMatchesTypedTextLiterallyAndIgnoresCase) {
  const char *names[] = {"Popust 50% cene", "Kafa 500 g", "Mc'Donald", "_podvuceno", "Caj"};
  int code = 1;
  for (const char *n : names)
    ASSERT_TRUE(addArticle(QString::number(code++), n));
  auto m = model("ARTIKLI");
  using M = RecordTableModel::Match;
  m->setSearch({{"naziv", "0%", M::Contains}});
  EXPECT_EQ(column(*m, "naziv"), QStringList{"Popust 50% cene"});
  m->setSearch({{"naziv", "c'd", M::Contains}});
  EXPECT_EQ(column(*m, "naziv"), QStringList{"Mc'Donald"});
  m->setSearch({{"naziv", "_", M::BeginsWith}});
  EXPECT_EQ(column(*m, "naziv"), QStringList{"_podvuceno"});
  m->setSearch({{"naziv", "KAFA", M::Contains}, {"sifra", "2", M::BeginsWith}});
  EXPECT_EQ(column(*m, "naziv"), QStringList{"Kafa 500 g"});
  m->setSearch({{"naziv", "", M::Contains}}); // empty boxes switch the filter off
  EXPECT_EQ(m->rowCount(), 5);
}

TEST_P(RecordTableModelTest, SortAndLocate) {
  ASSERT_TRUE(addArticle("1", "Banana"));
  ASSERT_TRUE(addArticle("2", "avokado"));
  ASSERT_TRUE(addArticle("3", "Cvekla"));
  auto m = model("ARTIKLI");
  m->setSortColumn("sifra", Qt::DescendingOrder);
  ASSERT_TRUE(m->select());
  EXPECT_EQ(column(*m, "sifra"), (QStringList{"3", "2", "1"}));
  EXPECT_EQ(m->locate({{"naziv", "AVO"}}, true), 1); // prefix, case ignored
  EXPECT_EQ(m->locate({{"naziv", "AVO"}}), -1);      // exact
  EXPECT_EQ(m->locate({{"sifra", "1"}, {"naziv", "Banana"}}), 2);
  EXPECT_EQ(m->locate({{"stopa", 1}, {"sifra", "3"}}), 0);
  EXPECT_EQ(m->locate({{"naziv", "nema"}}, true), -1);
}

TEST_P(RecordTableModelTest, DetailFollowsItsMastersRow) {
  ASSERT_TRUE(insert("RACUNI", {{"broj", 1}, {"godina", 2023}}));
  ASSERT_TRUE(insert("RACUNI", {{"broj", 1}, {"godina", 2024}}));
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(
        insert("PRODATO", {{"brrac", 1}, {"godina", i == 0 ? 2023 : 2024}, {"sifra", QString::number(i)}}));
  auto receipts = model("RACUNI");
  receipts->setSortColumn("godina", Qt::AscendingOrder);
  ASSERT_TRUE(receipts->select());
  auto lines = model("PRODATO");
  lines->setMaster(receipts.get(), {{"broj", "brrac"}, {"godina", "godina"}});
  EXPECT_EQ(lines->rowCount(), 0); // no master row chosen yet
  lines->setMasterRow(0);
  EXPECT_EQ(column(*lines, "sifra"), QStringList{"0"});
  lines->setMasterRow(1);
  EXPECT_EQ(column(*lines, "sifra"), (QStringList{"1", "2"}));
  lines->setSearch({{"sifra", "2", RecordTableModel::Match::BeginsWith}}); // search and master combine
  EXPECT_EQ(column(*lines, "sifra"), QStringList{"2"});
}

TEST_P(RecordTableModelTest, NewRowsAndDeletesGoThroughTheRules) {
  auto tables = model("STOLOVI");
  int r = tables->appendRow();
  ASSERT_TRUE(tables->setValue(r, "brstola", 1));
  ASSERT_TRUE(tables->setValue(r, "naziv", "Basta 1"));
  r = tables->appendRow();
  ASSERT_TRUE(tables->setValue(r, "brstola", 2));
  ASSERT_TRUE(tables->setValue(r, "naziv", "Basta 2"));
  ASSERT_TRUE(tables->post()) << messages.lastText().toStdString();
  EXPECT_EQ(count("SELECT COUNT(*) FROM stolovi WHERE sifkonob=-1"), 2);
  ASSERT_TRUE(insert("STOST", {{"rbr", 1}, {"brstola", 1}, {"sifra", "1"}, {"tura", 1}}));
  messages.clear();
  EXPECT_FALSE(tables->deleteRow(tables->locate({{"brstola", 1}})));
  EXPECT_EQ(messages.lastText(), "Sto nije prazan.Nemoguce brisanje stola!");
  EXPECT_TRUE(tables->deleteRow(tables->locate({{"brstola", 2}})));
  ASSERT_TRUE(tables->post());
  EXPECT_EQ(count("SELECT COUNT(*) FROM stolovi"), 1);

  auto waiters = model("KONOBARI");
  r = waiters->appendRow();
  ASSERT_TRUE(waiters->setValue(r, "rbr", 1));
  ASSERT_TRUE(waiters->setValue(r, "sifkonob", "007"));
  ASSERT_TRUE(waiters->setValue(r, "admin", true));
  ASSERT_TRUE(waiters->post()) << messages.lastText().toStdString();
  EXPECT_EQ(count("SELECT COUNT(*) FROM konobari WHERE admin=" + db.booleanLiteral(true)), 1);
  EXPECT_TRUE(waiters->value(0, "admin").toBool());
}

TEST_P(RecordTableModelTest, BoundRowsPostedAreShownOnceAsStored) {
  ASSERT_TRUE(insert("RACUNI", {{"broj", 1}, {"godina", 2024}}));
  ASSERT_TRUE(insert("PRODATO", {{"brrac", 1}, {"godina", 2024}, {"rbr", 1}, {"sifra", "1"}}));
  auto receipts = model("RACUNI");
  auto lines = model("PRODATO");
  lines->setMaster(receipts.get(), {{"broj", "brrac"}, {"godina", "godina"}});
  lines->setMasterRow(0);
  ASSERT_EQ(column(*lines, "sifra"), QStringList{"1"});
  // An edit and a new row posted together: the re-read shows the stored rows, each once,
  // with nothing of the posted edit left over a row that moved.
  ASSERT_TRUE(lines->setValue(0, "sifra", "7"));
  const int r = lines->appendRow();
  ASSERT_TRUE(lines->setValue(r, "brrac", 1));
  ASSERT_TRUE(lines->setValue(r, "godina", 2024));
  ASSERT_TRUE(lines->setValue(r, "rbr", 2));
  ASSERT_TRUE(lines->setValue(r, "sifra", "2"));
  ASSERT_TRUE(lines->post()) << messages.lastText().toStdString();
  EXPECT_EQ(count("SELECT COUNT(*) FROM prodato"), 2);
  EXPECT_EQ(column(*lines, "sifra"), (QStringList{"7", "2"}));
  EXPECT_FALSE(lines->isDirty());
  lines->setSortColumn("rbr", Qt::DescendingOrder);
  ASSERT_TRUE(lines->select());
  EXPECT_EQ(column(*lines, "sifra"), (QStringList{"2", "7"}));
}
