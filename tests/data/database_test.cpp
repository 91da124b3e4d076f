#include "data/schema.h"
#include "dbfixture.h"

#include <QDir>
#include <QFile>
#include <QSqlRecord>

using DatabaseTest = DbTest;
KASA_BOTH_ENGINES(DatabaseTest);

TEST_P(DatabaseTest, CreatesEveryTableWithItsColumnsAndVersion) {
  for (const TableDef &t : Schema::tables()) {
    const QSqlRecord rec = db.connection().record(t.sqlName());
    // The till that wrote a receipt is the program's own column, beside the shop's.
    const bool till = t.name == "RACUNI";
    ASSERT_EQ(rec.count(), t.columns.size() + (till ? 1 : 0)) << t.name.toStdString();
    if (till)
      EXPECT_GE(rec.indexOf(Schema::receiptTillColumn().name), 0);
    for (const ColumnDef &c : t.columns)
      EXPECT_GE(rec.indexOf(c.name), 0) << t.name.toStdString() << "." << c.name.toStdString();
  }
  EXPECT_EQ(Schema::tables().size(), 13);
  EXPECT_EQ(Schema::storedVersion(db), Schema::currentVersion());
}

TEST_P(DatabaseTest, RequiredColumnsAreRefusedEmptyByTheDatabase) {
  // Straight SQL, past the rules: the database itself keeps the required flags.
  EXPECT_FALSE(db.exec("INSERT INTO artikli (sifra, cena, stopa, lager) VALUES ('A', 1, 1, 0)")); // no naziv
  EXPECT_FALSE(
      db.exec("INSERT INTO rate (broj, godina, rbr, iznos, nacin) VALUES (1, 2024, 1, 5, 0)")); // no datum
  EXPECT_FALSE(db.exec("INSERT INTO mesto (sifmesto, naziv) VALUES ('11000', 'Beograd')"));     // no ptt
  EXPECT_TRUE(db.exec("INSERT INTO prodato (rbr) VALUES (1)")); // sold lines have no required columns
}

TEST_P(DatabaseTest, CodesAreUniqueWithoutRegardToLetterCase) {
  ASSERT_TRUE(db.exec("INSERT INTO artikli (sifra, naziv, cena, stopa, lager) VALUES ('ab1', 'x', 1, 1, 0)"));
  const auto twice =
      db.exec("INSERT INTO artikli (sifra, naziv, cena, stopa, lager) VALUES ('AB1', 'y', 1, 1, 0)");
  ASSERT_FALSE(twice);
  EXPECT_TRUE(twice.failure().keyViolation) << twice.error().toStdString();
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli WHERE UPPER(sifra)=UPPER(:s)", {{"s", "Ab1"}}), 1);
}

TEST_P(DatabaseTest, ReopeningKeepsRowsAndSchema) {
  ASSERT_TRUE(addArticle("1", "Kafa"));
  db.close();
  ASSERT_TRUE(reopen()) << db.lastError().toStdString();
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli"), 1);
  EXPECT_EQ(Schema::storedVersion(db), Schema::currentVersion());
}

TEST_P(DatabaseTest, DialectPiecesWorkInStatements) {
  ASSERT_TRUE(
      db.exec("INSERT INTO prodato (rbr, datum, iznos) VALUES (1, :d, 5)", {{"d", QDate(2008, 3, 5)}}));
  ASSERT_TRUE(
      db.exec("INSERT INTO prodato (rbr, datum, iznos) VALUES (2, :d, 7)", {{"d", QDate(2008, 3, 6)}}));
  EXPECT_EQ(count("SELECT COUNT(*) FROM prodato WHERE datum=" + db.dateLiteral(QDate(2008, 3, 5))), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM prodato WHERE datum BETWEEN " + db.dateLiteral(QDate(2008, 3, 1)) +
                  " AND " + db.dateLiteral(QDate(2008, 3, 31))),
            2);
  ASSERT_TRUE(insert("KONOBARI", {{"rbr", 1}, {"sifkonob", "11"}, {"admin", true}}));
  ASSERT_TRUE(insert("KONOBARI", {{"rbr", 2}, {"sifkonob", "22"}}));
  EXPECT_EQ(count("SELECT COUNT(*) FROM konobari WHERE admin=" + db.booleanLiteral(true)), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM konobari WHERE admin=" + db.booleanLiteral(false)), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM konobari WHERE admin=:admin", {{"admin", db.booleanValue(true)}}), 1);
  QSqlQuery q = rows(db.firstRows("SELECT rbr FROM prodato ORDER BY iznos DESC", 1));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toInt(), 2);
  EXPECT_FALSE(q.next());
}

TEST_P(DatabaseTest, RolledBackTransactionLeavesNothing) {
  {
    Transaction tx(db);
    ASSERT_TRUE(tx.isActive());
    ASSERT_TRUE(addArticle("1", "Kafa"));
    ASSERT_TRUE(db.exec("INSERT INTO prodato (rbr, brrac, godina) VALUES (1, 1, 2024)"));
    // no commit: leaving the scope rolls back
  }
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli"), 0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM prodato"), 0);
  EXPECT_EQ(db.transactionDepth(), 0);
  {
    Transaction tx(db);
    ASSERT_TRUE(addArticle("2", "Caj"));
    ASSERT_TRUE(tx.commit());
  }
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli"), 1);
}

TEST_P(DatabaseTest, NestedTransactionsUndoOnlyTheirOwnWrites) {
  Transaction outer(db);
  ASSERT_TRUE(addArticle("1", "Kafa"));
  {
    Transaction inner(db);
    ASSERT_TRUE(inner.isActive());
    ASSERT_TRUE(addArticle("2", "Caj"));
    inner.rollback();
  }
  {
    Transaction inner(db);
    ASSERT_TRUE(addArticle("3", "Sok"));
    ASSERT_TRUE(inner.commit());
  }
  ASSERT_TRUE(outer.commit());
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli"), 2);
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli WHERE sifra='2'"), 0);
}

TEST_P(DatabaseTest, InnerCommitIsUndoneByOuterRollback) {
  {
    Transaction outer(db);
    Transaction inner(db);
    ASSERT_TRUE(addArticle("1", "Kafa"));
    ASSERT_TRUE(inner.commit());
  }
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli"), 0);
}

// rows, exec and scalar keep one prepared statement per text; each run binds its own values,
// a failed run does not spoil the next, and a reopened connection prepares afresh.
TEST_P(DatabaseTest, KeptStatementsRunAgainWithTheirNewValues) {
  const QString insertLine = "INSERT INTO prodato (rbr, brrac, godina, iznos) VALUES (:rbr, 1, 2024, :iznos)";
  const QString amountOf = "SELECT iznos FROM prodato WHERE rbr=:rbr";
  const int before = db.preparedStatements();
  for (int rbr = 1; rbr <= 5; ++rbr)
    ASSERT_TRUE(db.exec(insertLine, {{"rbr", rbr}, {"iznos", rbr * 10}}));
  for (int rbr = 1; rbr <= 5; ++rbr)
    EXPECT_EQ(db.scalar(amountOf, {{"rbr", rbr}}).value_or(QVariant()).toInt(), rbr * 10);
  EXPECT_EQ(db.preparedStatements(), before + 2);

  // A read that found nothing and a refused write leave the statements usable.
  EXPECT_TRUE(db.scalar(amountOf, {{"rbr", 99}}).value_or(QVariant(1)).isNull());
  ASSERT_TRUE(db.exec("CREATE UNIQUE INDEX prodato_rbr_once ON prodato (rbr)"));
  EXPECT_FALSE(db.exec(insertLine, {{"rbr", 1}, {"iznos", 1}}));
  ASSERT_TRUE(db.exec(insertLine, {{"rbr", 6}, {"iznos", 60}}));
  const auto all = db.rows("SELECT rbr, iznos FROM prodato WHERE iznos>=:min ORDER BY rbr", {{"min", 30}});
  ASSERT_TRUE(all);
  QStringList seen;
  for (const QSqlRecord &r : *all)
    seen << r.value(0).toString() + "|" + r.value(1).toString();
  EXPECT_EQ(seen, (QStringList{"3|30", "4|40", "5|50", "6|60"}));

  // A rolled-back write through a kept statement is gone like any other.
  {
    Transaction tx(db);
    ASSERT_TRUE(db.exec(insertLine, {{"rbr", 7}, {"iznos", 70}}));
  }
  EXPECT_EQ(count("SELECT COUNT(*) FROM prodato"), 6);

  db.close();
  EXPECT_EQ(db.preparedStatements(), 0);
  ASSERT_TRUE(reopen()) << db.lastError().toStdString();
  EXPECT_EQ(db.scalar(amountOf, {{"rbr", 6}}).value_or(QVariant()).toInt(), 60);
}
TEST(DatabaseOpen, FailuresGiveTheStandardMessage) {
  EXPECT_EQ(Database::openFailureText(), "Problem u otvaranju baze.Proverite konfiguraciju putanje");
  QTemporaryDir dir;
  Database db;
  EXPECT_FALSE(db.open(2, dir.path())); // dBase directories are not supported yet
  EXPECT_FALSE(db.isOpen());
  EXPECT_FALSE(db.open(1, dir.filePath("missing")));
  EXPECT_FALSE(QFile::exists(dir.filePath("missing/kasa.db")));
  EXPECT_FALSE(db.open(9, dir.path()));
  EXPECT_FALSE(db.open(3, "host=127.0.0.1 port='5432"));                   // unterminated quote
  EXPECT_FALSE(db.open(3, "host=127.0.0.1 port=1 dbname=kasa user=kasa")); // nobody listens there
  EXPECT_FALSE(db.isOpen());
}

TEST(DatabaseOpen, CreatesTheFileWhenMissingAndNeverOverwritesAForeignFile) {
  QTemporaryDir dir;
  {
    Database db;
    ASSERT_TRUE(db.open(1, "  " + dir.path() + "/  "))
        << db.lastError().toStdString(); // trimmed, trailing slash
    EXPECT_TRUE(QFile::exists(dir.filePath("kasa.db")));
  }
  QTemporaryDir other;
  QFile f(other.filePath("kasa.db"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray(4096, 'x'));
  f.close();
  Database db;
  EXPECT_FALSE(db.open(1, other.path()));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray(4096, 'x'));
}

// The look-ups of every receipt step must not read the whole history.
TEST_P(DatabaseTest, FrequentLookupsUseAnIndex) {
  const bool pg = GetParam() == Engine::PostgreSQL;
  if (pg) {
    ASSERT_TRUE(db.exec("SET enable_seqscan = off"));
  }
  const QString from = db.dateLiteral(QDate(2024, 1, 1)), to = db.dateLiteral(QDate(2024, 1, 31));
  const QString lookups[] = {
      "SELECT MAX(brrac)+1 FROM prodato WHERE godina=2024",
      "SELECT MAX(rbr)+1 FROM prodato",
      "SELECT * FROM prodato WHERE brrac=5 AND godina=2024",
      "SELECT * FROM prodato WHERE datum BETWEEN " + from + " AND " + to,
      "SELECT * FROM racuni WHERE broj=5 AND godina=2024",
      "SELECT MAX(broj) FROM racuni WHERE godina=2024",
      "SELECT MAX(rbr)+1 FROM rate WHERE broj=5 AND godina=2024",
      "SELECT * FROM stost WHERE brstola=3",
      "SELECT * FROM stost WHERE brstola=3 AND tura=2",
      "SELECT * FROM artikli WHERE UPPER(TRIM(sifra))=UPPER(TRIM('a1'))",
      "SELECT * FROM artikli WHERE UPPER(TRIM(barkod))=UPPER(TRIM('8600000000001'))",
      "SELECT sifsas, kolicina FROM sastav WHERE UPPER(TRIM(sifra))=UPPER(TRIM('a1'))",
      "SELECT * FROM konobari WHERE UPPER(TRIM(sifkonob))=UPPER(TRIM('007'))",
      "SELECT * FROM stolovi WHERE sifkonob=-1",
  };
  for (const QString &sql : lookups) {
    QSqlQuery q = rows((pg ? "EXPLAIN " : "EXPLAIN QUERY PLAN ") + sql);
    ASSERT_TRUE(q.isActive()) << sql.toStdString();
    QStringList plan;
    while (q.next())
      plan << q.value(pg ? 0 : 3).toString();
    const QString text = plan.join(" | ");
    const bool indexed = pg ? text.contains("Index") : text.contains("SEARCH") && !text.contains("SCAN");
    EXPECT_TRUE(indexed) << sql.toStdString() << "\n  " << text.toStdString();
  }
}

// A prompt that opens inside a transaction stops a checked build: its event loop could
// hand a device reply to the engine, whose writes would land in that transaction.
TEST(PromptCheck, APromptInsideATransactionStops) {
#ifdef KASA_CHECKS
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Database db;
  ASSERT_TRUE(db.openInMemory());
  expectNoOpenTransaction("a message"); // none open
  EXPECT_DEATH(
      {
        Transaction tx(db);
        expectNoOpenTransaction("a message");
      },
      "a message opened while 1 database transaction");
  {
    Transaction outer(db);
    Transaction inner(db);
    EXPECT_EQ(Database::openTransactions(), 1); // a savepoint is no transaction of its own
  }
  EXPECT_EQ(Database::openTransactions(), 0);
#else
  GTEST_SKIP() << "checks are built only into debug and test builds";
#endif
}
