#include "data/schema.h"
#include "data/statements.h"
#include "dbfixture.h"

#include <QDir>
#include <QFile>
#include <QSqlRecord>

using DatabaseTest = DbTest;
KASA_BOTH_ENGINES(DatabaseTest);

TEST_P(DatabaseTest, CreatesEveryTableWithItsColumnsAndVersion) {
  for (const TableDef &t : Schema::tables()) {
    const QSqlRecord rec = db.connection().record(t.sqlName());
    ASSERT_EQ(rec.count(), t.columns.size()) << t.name.toStdString();
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
  QSqlQuery q = db.run("INSERT INTO artikli (sifra, naziv, cena, stopa, lager) VALUES ('AB1', 'y', 1, 1, 0)");
  EXPECT_FALSE(q.isActive());
  EXPECT_TRUE(Database::isKeyViolation(q.lastError())) << q.lastError().text().toStdString();
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
  EXPECT_EQ(count(Statements::AdminCount, {{"admin", db.booleanValue(true)}}), 1);
  QSqlQuery q = db.run(db.firstRows("SELECT rbr FROM prodato ORDER BY iznos DESC", 1));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toInt(), 2);
  EXPECT_FALSE(q.next());
}

TEST_P(DatabaseTest, KeysAreLargestPlusOnePerScope) {
  EXPECT_EQ(db.nextProdatoRbr(), 1); // empty table
  EXPECT_EQ(db.nextReceiptNumber(2024), 1);
  EXPECT_EQ(db.nextRateRbr(1, 2024), 1);
  EXPECT_EQ(db.nextStostRbr(3), 1);
  EXPECT_EQ(db.nextTura(3), 1);
  const char *rows[] = {
      "INSERT INTO prodato (rbr, brrac, godina) VALUES (7, 4, 2024)",
      "INSERT INTO prodato (rbr, brrac, godina) VALUES (9, 40, 2023)",
      "INSERT INTO rate (broj, godina, rbr, iznos, datum, nacin) VALUES (4, 2024, 2, 1, '2024-01-01', 0)",
      "INSERT INTO rate (broj, godina, rbr, iznos, datum, nacin) VALUES (5, 2024, 8, 1, '2024-01-01', 0)",
      "INSERT INTO stost (rbr, brstola, tura) VALUES (3, 1, 2)",
      "INSERT INTO stost (rbr, brstola, tura) VALUES (11, 2, 5)",
  };
  for (const char *r : rows)
    ASSERT_TRUE(db.exec(r)) << r << db.lastError().toStdString();
  EXPECT_EQ(db.nextProdatoRbr(), 10);       // over the whole table
  EXPECT_EQ(db.nextReceiptNumber(2024), 5); // within the year
  EXPECT_EQ(db.nextReceiptNumber(2023), 41);
  EXPECT_EQ(db.nextReceiptNumber(2025), 1);
  EXPECT_EQ(db.nextRateRbr(4, 2024), 3); // within the receipt
  EXPECT_EQ(db.nextRateRbr(4, 2023), 1);
  EXPECT_EQ(db.nextStostRbr(1), 4); // within the table
  EXPECT_EQ(db.nextTura(2), 6);
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

// Every named statement runs on the engine as written, with its parameters bound.
TEST_P(DatabaseTest, NamedStatementsRunOnTheEngine) {
  ASSERT_TRUE(addArticle("1", "Kafa"));
  ASSERT_TRUE(db.exec("INSERT INTO porstope (stopa, iznos) VALUES (1, 20)"));
  ASSERT_TRUE(db.exec("INSERT INTO prodato (rbr, brrac, godina, datum, sifra, stopa, iznos, prodato, storno) "
                      "VALUES (1, 1, 2024, :d, '1', 1, 12.5, 1, 0)",
                      {{"d", QDate(2024, 5, 1)}}));
  const QVariantMap binds = {{"god", 2024},
                             {"id", 1},
                             {"broj", 1},
                             {"brrac", 1},
                             {"racun", 1},
                             {"sifartikla", "1"},
                             {"sifra", "1"},
                             {"tura", 1},
                             {"operater", 1},
                             {"nacin", 0},
                             {"sifkonob", 1},
                             {"brfisis", 5},
                             {"kolicina", 1.5},
                             {"sifgrupa", "G"},
                             {"r0", 1},
                             {"na", 2},
                             {"sa", 1},
                             {"rbr", 1},
                             {"admin", db.booleanValue(true)},
                             {"datum_od", QDate(2024, 1, 1)},
                             {"datum_do", QDate(2024, 12, 31)}};
  const QString all[] = {Statements::QBrRac,
                         Statements::Qrbr,
                         Statements::QBrRate,
                         Statements::QRBRSto,
                         Statements::QRbrTure,
                         Statements::QRacStampa,
                         Statements::QRacStStampa,
                         Statements::QPDV,
                         Statements::QRate,
                         Statements::QRacunM,
                         Statements::ds,
                         Statements::QSastavnica,
                         Statements::QSumIznosSto,
                         Statements::QRacunSto,
                         Statements::QIsprazniSto,
                         Statements::QStorno,
                         Statements::QSlobodniStolovi,
                         Statements::QTure,
                         Statements::QBroj,
                         Statements::QKuhinja,
                         Statements::QBar,
                         Statements::QIzvestajStope,
                         Statements::QKasiri1,
                         Statements::QKasiriSuma,
                         Statements::QKasiri1Placanja,
                         Statements::KKPrint,
                         Statements::QLagerLista,
                         Statements::QMinLager,
                         Statements::ArticleName,
                         Statements::ArticleUnit,
                         Statements::ArticlePrice,
                         Statements::ArticleStock,
                         Statements::GroupName,
                         Statements::LastReceipt,
                         Statements::ReceiptStatus,
                         Statements::TableLineCount,
                         Statements::TableCount,
                         Statements::TableOwner,
                         Statements::AdminCount,
                         Statements::ReceiptSoldSum,
                         Statements::ReceiptPaidSum,
                         Statements::FinishReceipt,
                         Statements::FinishReceiptFiscal,
                         Statements::ClearReceiptPayments,
                         Statements::DeleteReceiptRates,
                         Statements::FreeTable,
                         Statements::TakeTable,
                         Statements::MoveTableLines,
                         Statements::LowerStock,
                         Statements::QSumaStavke(3),
                         Statements::DeleteTableLines(1)};
  QVariantMap withList = binds;
  withList.insert({{"r1", 2}, {"r2", 3}});
  for (const QString &sql : all) {
    QSqlQuery q = db.run(sql, withList);
    EXPECT_TRUE(q.isActive()) << sql.toStdString() << "\n  " << q.lastError().text().toStdString();
  }
  EXPECT_DOUBLE_EQ(db.scalar(Statements::QPDV, binds).value_or(0).toDouble(), 1); // stopa of the one line
  EXPECT_EQ(db.scalar(Statements::ArticleName, {{"sifra", "1"}}).value_or(QVariant()).toString(), "Kafa");
  EXPECT_DOUBLE_EQ(db.scalar(Statements::ArticleStock, {{"sifra", "1"}}).value_or(0).toDouble(),
                   3.5); // lowered
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
    QSqlQuery q = db.run((pg ? "EXPLAIN " : "EXPLAIN QUERY PLAN ") + sql);
    ASSERT_TRUE(q.isActive()) << sql.toStdString();
    QStringList plan;
    while (q.next())
      plan << q.value(pg ? 0 : 3).toString();
    const QString text = plan.join(" | ");
    const bool indexed = pg ? text.contains("Index") : text.contains("SEARCH") && !text.contains("SCAN");
    EXPECT_TRUE(indexed) << sql.toStdString() << "\n  " << text.toStdString();
  }
}
