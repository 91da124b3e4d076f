// The audit journal: its chain holds over both engines, a row edited, deleted or
// slipped in is found at that row, and every whole-table act writes its row with
// its data or not at all.
#include "common/localetext.h"
#include "data/articlemaintenance.h"
#include "data/auditjournal.h"
#include "data/codelistmaintenance.h"
#include "data/konfiguracija.h"
#include "data/recordtablemodel.h"
#include "data/schema.h"
#include "localedbfixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <functional>

namespace {

const QDateTime kWhen(QDate(2026, 12, 10), QTime(8, 30, 15));

class AuditJournalTest : public LocaleDbTest {
protected:
  void SetUp() override {
    LocaleDbTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    AuditJournal::setWaiter(3, QStringLiteral("Ana"));
  }
  void TearDown() override {
    AuditJournal::clearWaiter();
    LocaleDbTest::TearDown();
  }
  // "radnja|opis" of every row in order.
  QStringList journal() {
    QStringList out;
    const auto all = AuditJournal(db).rows();
    EXPECT_TRUE(all) << all.error().toStdString();
    for (const AuditRow &r : all.value_or({}))
      out << r.radnja + QLatin1Char('|') + r.opis;
    return out;
  }
  void appendThree() {
    AuditJournal j(db);
    ASSERT_TRUE(j.append(AuditAction::Login, QStringLiteral("prijava"), kWhen));
    ASSERT_TRUE(j.append(AuditAction::DrawerOpen, QStringLiteral("otvaranje fioke"), kWhen.addSecs(5)));
    ASSERT_TRUE(j.append(AuditAction::LineVoid, QStringLiteral("racun 4/2026: 1 Kafa"), kWhen.addSecs(9)));
  }
  AuditCheck check() { return AuditJournal(db).check(); }
};

// The serialization is part of the journal's promise (an inspector may recompute it
// with other tools), so it is pinned here byte for byte.
TEST(AuditHash, IsTheDocumentedSha256OfLengthPrefixedFields) {
  AuditRow r{1, "2026-12-10 08:30:15", "3 Ana", "PRIJAVA", "prijava", {}};
  const QByteArray bytes = "0:1:119:2026-12-10 08:30:155:3 Ana7:PRIJAVA7:prijava";
  EXPECT_EQ(AuditJournal::rowHash({}, r),
            QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));
  // Moving a character from one field into the next gives another hash.
  AuditRow moved = r;
  moved.konobar = "3 An";
  moved.radnja = "aPRIJAVA";
  EXPECT_NE(AuditJournal::rowHash({}, moved), AuditJournal::rowHash({}, r));
  // Non-ASCII text counts in bytes.
  r.opis = QStringLiteral("Ћевапи ž");
  const QByteArray utf8 = "0:1:119:2026-12-10 08:30:155:3 Ana7:PRIJAVA15:" + r.opis.toUtf8();
  EXPECT_EQ(AuditJournal::rowHash({}, r),
            QString::fromLatin1(QCryptographicHash::hash(utf8, QCryptographicHash::Sha256).toHex()));
}

TEST_P(AuditJournalTest, RowsChainAndReadBack) {
  EXPECT_TRUE(check().ok);
  EXPECT_EQ(check().rows, 0);
  appendThree();
  const auto rows = AuditJournal(db).rows();
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 3);
  EXPECT_EQ(rows->at(0).rbr, 1);
  EXPECT_EQ(rows->at(0).vreme, "2026-12-10 08:30:15");
  EXPECT_EQ(rows->at(0).konobar, "3 Ana");
  EXPECT_EQ(rows->at(1).radnja, "FIOKA");
  EXPECT_EQ(rows->at(2).opis, "racun 4/2026: 1 Kafa");
  EXPECT_EQ(rows->at(1).hes, AuditJournal::rowHash(rows->at(0).hes, rows->at(1)));
  const AuditCheck c = check();
  EXPECT_TRUE(c.ok) << c.reason.toStdString();
  EXPECT_EQ(c.rows, 3);
  EXPECT_EQ(c.lastHash, rows->at(2).hes);

  // A text past the column's length is cut before it is hashed, so it still checks.
  ASSERT_TRUE(AuditJournal(db).append(AuditAction::Configuration, QString(1500, QLatin1Char('x'))));
  EXPECT_TRUE(check().ok) << check().reason.toStdString();
  EXPECT_EQ(AuditJournal(db).rows()->last().opis.size(), AuditJournal::kOpisLength);
}

// Each kind of tampering, done as someone with the database's password would: straight SQL.
TEST_P(AuditJournalTest, TamperingIsFoundAtItsRow) {
  struct Case {
    const char *what;
    std::function<QStringList()> sql; // made once the three rows are there
    int brokenRow;
    int goodRows; // rows that hold before it
  };
  // A row as it would be written after the first one: what a forger who knows the algorithm makes.
  auto forgedSecond = [&](int rbr) {
    const AuditRow first = AuditJournal(db).rows()->first();
    const AuditRow row{rbr, "2026-12-10 08:30:20", "3 Ana", "FIOKA", "fioka otvorena za kusur", {}};
    return QStringLiteral("INSERT INTO dnevnik (rbr, vreme, konobar, radnja, opis, hes) VALUES "
                          "(%1, '%2', '%3', '%4', '%5', '%6')")
        .arg(row.rbr)
        .arg(row.vreme, row.konobar, row.radnja, row.opis, AuditJournal::rowHash(first.hes, row));
  };
  auto fixed = [](QStringList sql) { return [sql] { return sql; }; };
  const QList<Case> cases = {
      {"opis edited", fixed({"UPDATE dnevnik SET opis='racun 4/2026: 2 Caj' WHERE rbr=3"}), 3, 2},
      {"waiter edited", fixed({"UPDATE dnevnik SET konobar='1 Bora' WHERE rbr=1"}), 1, 0},
      {"time edited", fixed({"UPDATE dnevnik SET vreme='2026-12-10 08:30:16' WHERE rbr=2"}), 2, 1},
      {"action edited", fixed({"UPDATE dnevnik SET radnja='PRIJAVA' WHERE rbr=2"}), 2, 1},
      {"row deleted", fixed({"DELETE FROM dnevnik WHERE rbr=2"}), 3, 1},
      {"first row deleted", fixed({"DELETE FROM dnevnik WHERE rbr=1"}), 2, 0},
      {"deleted and renumbered",
       fixed({"DELETE FROM dnevnik WHERE rbr=2", "UPDATE dnevnik SET rbr=2 WHERE rbr=3"}), 2, 1},
      // A row replaced by a forged one with a correct link still breaks the next row's link.
      {"replaced with its hash",
       [&] {
         return QStringList{"DELETE FROM dnevnik WHERE rbr=2", forgedSecond(2)};
       },
       3, 2},
      {"row slipped in",
       [&] {
         return QStringList{"UPDATE dnevnik SET rbr=rbr+10 WHERE rbr>=2",
                            "UPDATE dnevnik SET rbr=rbr-9 WHERE rbr>=12", forgedSecond(2)};
       },
       3, 2},
      {"hash edited", fixed({"UPDATE dnevnik SET hes='00' WHERE rbr=3"}), 3, 2},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(db.exec("DELETE FROM dnevnik"));
    appendThree();
    ASSERT_TRUE(check().ok);
    for (const QString &s : c.sql())
      ASSERT_TRUE(db.exec(s)) << s.toStdString();
    const AuditCheck after = check();
    EXPECT_FALSE(after.ok);
    EXPECT_EQ(after.brokenRow, c.brokenRow) << after.reason.toStdString();
    EXPECT_EQ(after.rows, c.goodRows);
  }
  // Cutting the tail leaves a chain that holds; only the last hash, if written down, tells.
  ASSERT_TRUE(db.exec("DELETE FROM dnevnik"));
  appendThree();
  const QString last = check().lastHash;
  ASSERT_TRUE(db.exec("DELETE FROM dnevnik WHERE rbr=3"));
  EXPECT_TRUE(check().ok);
  EXPECT_NE(check().lastHash, last);
}

// A row belongs to its act: an act that fails leaves no row, and a failing row undoes the act.
TEST_P(AuditJournalTest, RowAndActCommitTogether) {
  ASSERT_TRUE(addArticle("1", "Kafa", 120));
  const auto failed = db.inTransaction([&]() -> DbResult<> {
    DB_TRY(db.exec("UPDATE artikli SET cena=130 WHERE sifra='1'"));
    DB_TRY(AuditJournal(db).append(AuditAction::PriceChange, "1: 120,00 -> 130,00"));
    return db.exec("INSERT INTO nema_tabele VALUES (1)");
  });
  EXPECT_FALSE(failed);
  EXPECT_TRUE(journal().isEmpty());
  // The journal's own failure takes the act back: a price change without its row never stays.
  ASSERT_TRUE(db.exec("ALTER TABLE dnevnik RENAME TO dnevnik_x"));
  ArticleMaintenance articles(db, *rules);
  EXPECT_FALSE(articles.changePrices({}, {10, true, false}).ok);
  ASSERT_TRUE(db.exec("ALTER TABLE dnevnik_x RENAME TO dnevnik"));
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli WHERE cena=120"), 1);
  EXPECT_TRUE(journal().isEmpty());
}

// Whole-table acts of the articles and code-list windows, each with its row.
TEST_P(AuditJournalTest, MaintenanceActsLeaveTheirRows) {
  ASSERT_TRUE(addArticle("1", "Kafa", 120, 2, 10));
  ASSERT_TRUE(addArticle("2", "Caj", 80, 2, 10));
  ArticleMaintenance articles(db, *rules);
  CodeListMaintenance lists(db, *rules);

  const QString csv = QDir(m_dir.path()).filePath("Artikli.CSV");
  ASSERT_TRUE(articles.exportArticles(csv, {}).ok);
  ASSERT_TRUE(articles.importArticles(csv, {}).ok);
  const QString goods = file("Prijem.CSV", "1;\"Kafa\";\"\";130;2;1;\"\";\"\";\"\";0\n"
                                           "2;\"Caj\";\"\";80;2;1;\"\";\"\";\"\";0\n");
  ASSERT_TRUE(articles.receiveGoods(goods).ok);
  ASSERT_TRUE(articles.changePrices({}, {10, true, false}).ok);
  // Refused acts write nothing, not even their row.
  EXPECT_FALSE(articles.receiveGoods(file("Los.CSV", "B;\"X\";\"\";0;1;1;\"\";\"\";\"\";0\n")).ok);
  EXPECT_FALSE(articles.changePrices({}, {100, false, false}).ok);
  const QString recipe = file("Sastavnica.CSV", "1;2;\"\";0,5\n");
  ASSERT_TRUE(articles.importRecipe(recipe, "1").ok);
  ASSERT_TRUE(articles.takeOver({{"1", "", "KAFA", "80,5", "2"}, {"2", "", "CAJ", "60", "2"}}, {}).ok);
  const QString places = file("Mesta.CSV", "11000;Beograd;11000\n");
  ASSERT_TRUE(lists.importFile(CodeList::Mesta, places).ok);
  QSqlRecord waiter = RecordRules::emptyRecord("KONOBARI");
  waiter.setValue("rbr", 1);
  waiter.setValue("sifkonob", "A1");
  waiter.setValue("naziv", "Ana");
  waiter.setValue("admin", true);
  ASSERT_TRUE(lists.replaceWaiters({waiter}).ok);
  ASSERT_TRUE(lists.defaultTaxRates().ok);

  EXPECT_EQ(
      journal(),
      (QStringList{"UVOZ|artikli iz " + csv + ": 2 artikala", "UVOZ|prijem robe iz " + goods + ": 2 artikala",
                   "CENA|prijem robe: 1: 120,00 -> 130,00", "CENA|promena cena za 2 artikala: +10%",
                   "UVOZ|sastavnica 1 iz " + recipe + ": 1 redova", "PREUZIMANJE|artikli iz kase: 2",
                   "UVOZ|MESTO iz " + places + ": 1 redova", "PREUZIMANJE|operateri iz kase: 1",
                   "PREUZIMANJE|poreske stope: 9"}));
  const AuditCheck c = check();
  EXPECT_TRUE(c.ok) << c.reason.toStdString();
  EXPECT_EQ(c.rows, 9);
}

// A price typed into the articles grid: one row naming every article whose price changed.
TEST_P(AuditJournalTest, GridPriceEditsAreJournaled) {
  ASSERT_TRUE(addArticle("1", "Kafa", 120, 2, 10));
  ASSERT_TRUE(addArticle("2", "Caj", 80, 2, 10));
  RecordTableModel m(db, *rules, "ARTIKLI");
  m.setSortColumn("sifra", Qt::AscendingOrder);
  ASSERT_TRUE(m.select());
  ASSERT_EQ(m.rowCount(), 2);
  ASSERT_TRUE(m.setValue(0, "naziv", "Kafa domaca"));
  ASSERT_TRUE(m.post());
  EXPECT_TRUE(journal().isEmpty()); // a name is no price
  ASSERT_TRUE(m.setValue(0, "cena", 125.5));
  ASSERT_TRUE(m.setValue(1, "cena", 80));
  ASSERT_TRUE(m.post());
  EXPECT_EQ(journal(), QStringList{"CENA|1: 120,00 -> 125,50"});
  EXPECT_TRUE(check().ok);
}

// A database of an older version gets the journal when it is opened, its rows kept.
TEST_P(AuditJournalTest, OlderDatabaseGetsTheJournal) {
  ASSERT_TRUE(addArticle("1", "Kafa", 120));
  ASSERT_TRUE(db.exec("DROP TABLE dnevnik"));
  ASSERT_TRUE(db.exec("DROP TABLE upisani_koraci"));           // version 3 had neither
  ASSERT_TRUE(db.exec("ALTER TABLE racuni DROP COLUMN kasa")); // nor the till of a receipt
  ASSERT_TRUE(db.exec("UPDATE kasa_verzija SET verzija=3"));
  db.close();
  ASSERT_TRUE(reopen()) << db.lastError().toStdString();
  EXPECT_EQ(Schema::storedVersion(db), Schema::currentVersion());
  EXPECT_TRUE(db.hasTable("dnevnik"));
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli"), 1);
  ASSERT_TRUE(AuditJournal(db).append(AuditAction::Login, "prijava"));
  EXPECT_TRUE(check().ok);
}

TEST(AuditConfiguration, DifferencesNameEachChangedField) {
  SetKonfiguracija a;
  SetKonfiguracija b = a;
  EXPECT_TRUE(KonfiguracijaStore::differences(a, b).isEmpty());
  b.Model = 4;
  b.IP = QStringLiteral("10.0.0.7");
  b.Fioka = 2;
  EXPECT_EQ(KonfiguracijaStore::differences(a, b),
            (QStringList{"Model: 1 -> 4", "Fioka: 1 -> 2", "IP: \"0.0.0.0\" -> \"10.0.0.7\""}));
}

KASA_BOTH_ENGINES(AuditJournalTest);

} // namespace
