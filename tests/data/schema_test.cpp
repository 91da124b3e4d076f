#include "data/receiptrepository.h"
#include "data/schema.h"
#include "dbfixture.h"

#include <functional>

// An older database: version 1 only (as databases made before the indexes).
class SchemaUpgradeTest : public DbTest {
protected:
  void SetUp() override {
    if (GetParam() == Engine::PostgreSQL) {
      if (PgScratch::conn().isEmpty())
        GTEST_SKIP() << "KASA_PG_CONN is not set (scripts/pg-cluster start provides it)";
      m_pg = std::make_unique<PgScratch>();
      ASSERT_TRUE(m_pg->create());
    }
    rules = std::make_unique<RecordRules>(db, messages);
  }
  // Runs work on a bare connection of the same kind, past the facade.
  void withRaw(const std::function<void(QSqlQuery &)> &work) {
    const QString name = "raw";
    {
      QSqlDatabase raw;
      if (GetParam() == Engine::SQLite) {
        raw = QSqlDatabase::addDatabase("QSQLITE", name);
        raw.setDatabaseName(m_dir.filePath("kasa.db"));
      } else {
        raw = QSqlDatabase::addDatabase("QPSQL", name);
        for (const QString &pair : PgScratch::conn().split(' ', Qt::SkipEmptyParts)) {
          const QString key = pair.section('=', 0, 0), value = pair.section('=', 1);
          if (key == "host")
            raw.setHostName(value);
          else if (key == "port")
            raw.setPort(value.toInt());
          else if (key == "dbname")
            raw.setDatabaseName(value);
          else if (key == "user")
            raw.setUserName(value);
        }
        raw.setConnectOptions("options=-csearch_path=" + m_pg->schema());
      }
      ASSERT_TRUE(raw.open());
      QSqlQuery q(raw);
      work(q);
      q.finish();
      raw.close();
    }
    QSqlDatabase::removeDatabase(name);
  }
  // Lays version 1 down with the given rows.
  void makeVersion1(const QStringList &rows, bool recordVersion = true) {
    withRaw([&](QSqlQuery &q) {
      QStringList all = Schema::upgradeStatements(1);
      if (recordVersion)
        all << "CREATE TABLE kasa_verzija (verzija INTEGER NOT NULL)"
            << "INSERT INTO kasa_verzija VALUES (1)";
      all << rows;
      for (const QString &s : all)
        ASSERT_TRUE(q.exec(s)) << s.toStdString() << q.lastError().text().toStdString();
    });
  }
  int rawInt(const QString &sql) {
    int v = -1;
    withRaw([&](QSqlQuery &q) {
      if (q.exec(sql) && q.next())
        v = q.value(0).toInt();
    });
    return v;
  }
};
KASA_BOTH_ENGINES(SchemaUpgradeTest);

TEST_P(SchemaUpgradeTest, UpgradeFromVersion1KeepsEveryRow) {
  makeVersion1({"INSERT INTO artikli (sifra, naziv, cena, stopa, lager) VALUES ('1', 'Kafa', 120, 1, 3)",
                "INSERT INTO prodato (rbr, brrac, godina, sifra, iznos) VALUES (1, 1, 2024, '1', 120)",
                "INSERT INTO racuni (broj, godina, status) VALUES (1, 2024, 1)"});
  ASSERT_TRUE(reopen()) << db.lastError().toStdString();
  EXPECT_EQ(Schema::storedVersion(db), Schema::currentVersion());
  EXPECT_EQ(db.scalar("SELECT naziv FROM artikli WHERE sifra='1'").value_or(QVariant()).toString(), "Kafa");
  EXPECT_EQ(count("SELECT COUNT(*) FROM prodato"), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM racuni"), 1);
  // The upgrade's unique index now guards the codes.
  EXPECT_FALSE(db.exec("INSERT INTO artikli (sifra, naziv, cena, stopa, lager) VALUES ('1', 'x', 1, 1, 0)"));
}

TEST_P(SchemaUpgradeTest, UpgradedDatabaseWritesAStepIdOnlyOnce) {
  makeVersion1({"INSERT INTO racuni (broj, godina, status) VALUES (1, 2024, 1)"});
  ASSERT_TRUE(reopen()) << db.lastError().toStdString();
  ASSERT_TRUE(db.hasTable("upisani_koraci"));
  ReceiptRepository r(db);
  ASSERT_TRUE(r.recordAppliedStep("k1", {2024, 1}, QDate(2024, 3, 1)));
  EXPECT_FALSE(r.recordAppliedStep("k1", {2024, 2}, QDate(2024, 3, 1))) << "a second write of the same step";
  EXPECT_EQ(r.appliedStep("k1").value_or(std::nullopt), std::optional<int>(1));
  EXPECT_EQ(r.appliedStep("k2").value_or(std::optional<int>(-1)), std::nullopt);
  ASSERT_TRUE(r.forgetAppliedSteps(QDate(2024, 3, 1)));
  EXPECT_TRUE(r.appliedStep("k1").value_or(std::nullopt)) << "only ids written before the day go";
  ASSERT_TRUE(r.forgetAppliedSteps(QDate(2024, 3, 2)));
  EXPECT_FALSE(r.appliedStep("k1").value_or(std::optional<int>(-1)));
}

TEST_P(SchemaUpgradeTest, DatabaseWithoutVersionRecordCountsAsVersion1) {
  makeVersion1({"INSERT INTO mesto (sifmesto, naziv, ptt) VALUES ('NS', 'Novi Sad', '21000')"}, false);
  ASSERT_TRUE(reopen()) << db.lastError().toStdString();
  EXPECT_EQ(Schema::storedVersion(db), Schema::currentVersion());
  EXPECT_EQ(count("SELECT COUNT(*) FROM mesto"), 1);
}

TEST_P(SchemaUpgradeTest, FailedUpgradeChangesNothing) {
  // Two codes that differ only in case cannot take the unique index.
  makeVersion1({"INSERT INTO artikli (sifra, naziv, cena, stopa, lager) VALUES ('ab', 'x', 1, 1, 0)",
                "INSERT INTO artikli (sifra, naziv, cena, stopa, lager) VALUES ('AB', 'y', 1, 1, 0)"});
  EXPECT_FALSE(reopen());
  EXPECT_FALSE(db.isOpen());
  EXPECT_EQ(rawInt("SELECT MAX(verzija) FROM kasa_verzija"), 1);
  EXPECT_EQ(rawInt("SELECT COUNT(*) FROM artikli"), 2);
}

// Receipts of a database from before tills were told apart keep counting as the till's own:
// the single-till shop still finds its unfinished receipt after the upgrade.
TEST_P(SchemaUpgradeTest, ReceiptsWithoutATillStayEveryTillsOwn) {
  makeVersion1({"INSERT INTO racuni (broj, godina, status) VALUES (7, 2024, 0)"});
  ASSERT_TRUE(reopen()) << db.lastError().toStdString();
  ReceiptRepository r(db);
  const auto own = r.lastReceiptOf(2024, "111111");
  ASSERT_TRUE(own && *own) << (own ? "none" : own.error().toStdString());
  EXPECT_EQ((*own)->broj, 7);
  EXPECT_EQ((*own)->status, 0);

  // Another till's receipt after it is that till's alone; the old one stays this till's last.
  ReceiptHeader h;
  h.id = {2024, 8};
  h.datum = QDate(2024, 3, 1);
  h.vreme = QTime(10, 0);
  h.kasa = "222222";
  ASSERT_TRUE(r.insertHeader(h));
  EXPECT_EQ(db.scalar("SELECT kasa FROM racuni WHERE broj=8").value_or(QVariant()).toString(), "222222");
  EXPECT_EQ(r.lastReceiptOf(2024, "111111").value_or(std::nullopt).value_or(LastReceipt{}).broj, 7);
  EXPECT_EQ(r.lastReceiptOf(2024, "222222").value_or(std::nullopt).value_or(LastReceipt{}).broj, 8);
  EXPECT_EQ(r.lastReceipt(2024).value_or(std::nullopt).value_or(LastReceipt{}).broj, 8);
  const auto none = r.lastReceiptOf(2023, "111111");
  ASSERT_TRUE(none);
  EXPECT_FALSE(*none);
}
