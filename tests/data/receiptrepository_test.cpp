#include "data/receiptrepository.h"
#include "dbfixture.h"

#include <QSqlRecord>

namespace {

class ReceiptRepositoryTest : public DbTest {
protected:
  // Columns of the rows of a query joined with "|", numbers in their shortest form.
  QStringList table(const QString &sql) {
    QStringList out;
    QSqlQuery q = rows(sql);
    while (q.next()) {
      QStringList cols;
      for (int i = 0; i < q.record().count(); ++i) {
        const QVariant v = q.value(i);
        bool isNumber = false;
        const double d = v.toDouble(&isNumber);
        cols << (isNumber && v.typeId() != QMetaType::QString ? QString::number(d, 'g', 12) : v.toString());
      }
      out << cols.join('|');
    }
    return out;
  }
  static SoldLine line(const char *sifra, double kolicina, double cena, bool storno = false) {
    SoldLine l;
    l.sifra = sifra;
    l.naziv = QStringLiteral("Art ") + sifra;
    l.cena = Money(cena);
    l.prodato = Quantity(kolicina);
    l.iznos = *roundedAmount(l.prodato, l.cena);
    l.stopa = 2;
    l.storno = storno;
    return l;
  }
  const QDate day{2026, 3, 9};
};
KASA_BOTH_ENGINES(ReceiptRepositoryTest);

TEST_P(ReceiptRepositoryTest, NumbersAreLargestPlusOneInTheirScope) {
  ReceiptRepository receipts(db);
  EXPECT_EQ(receipts.nextReceiptNumber(2024).value_or(-1), 1); // empty
  EXPECT_EQ(receipts.nextLineNumber().value_or(-1), 1);
  const char *rows[] = {
      "INSERT INTO prodato (rbr, brrac, godina) VALUES (7, 4, 2024)",
      "INSERT INTO prodato (rbr, brrac, godina) VALUES (9, 40, 2023)",
      "INSERT INTO racuni (broj, godina, status) VALUES (4, 2024, 1)",
      "INSERT INTO rate (broj, godina, rbr, iznos, datum, nacin) VALUES (4, 2024, 2, 1, '2024-01-01', 0)",
      "INSERT INTO rate (broj, godina, rbr, iznos, datum, nacin) VALUES (5, 2024, 8, 1, '2024-01-01', 0)",
  };
  for (const char *r : rows)
    ASSERT_TRUE(db.exec(r)) << r;
  EXPECT_EQ(receipts.nextLineNumber().value_or(-1), 10); // over the whole table
  EXPECT_EQ(receipts.nextReceiptNumber(2024).value_or(-1), 5);
  EXPECT_EQ(receipts.nextReceiptNumber(2023).value_or(-1), 41);
  EXPECT_EQ(receipts.nextReceiptNumber(2025).value_or(-1), 1);
  // A payment is numbered within its receipt.
  ASSERT_TRUE(receipts.addPayment({2024, 4}, day, {0, Money(10), {}, {}, {}}));
  ASSERT_TRUE(receipts.addPayment({2023, 4}, day, {0, Money(10), {}, {}, {}}));
  EXPECT_EQ(table("SELECT godina, broj, rbr FROM rate WHERE iznos=10 ORDER BY godina"),
            (QStringList{"2023|4|1", "2024|4|3"}));
}

// Another till holds the number hoped for (and the ones after it, stored without lines):
// the receipt takes the year's next free number, its BROJ_DOK with it; other years do not count.
TEST_P(ReceiptRepositoryTest, AHeaderWhoseNumberIsTakenGetsTheNextFreeOne) {
  for (const char *r : {"INSERT INTO racuni (broj, godina, status, sifoper) VALUES (5, 2026, 0, 7)",
                        "INSERT INTO racuni (broj, godina, status, sifoper) VALUES (6, 2026, 1, 7)",
                        "INSERT INTO racuni (broj, godina, status, sifoper) VALUES (30, 2025, 1, 7)"})
    ASSERT_TRUE(db.exec(r)) << r;
  ReceiptRepository receipts(db);
  ReceiptHeader h;
  h.id = {2026, 5};
  h.datum = day;
  h.sifoper = 2;
  ASSERT_TRUE(db.inTransaction([&] { return receipts.insertHeader(h); }));
  EXPECT_TRUE(h.stored);
  EXPECT_EQ(h.id.broj, 7);
  // Free: taken as hoped.
  ReceiptHeader free = h;
  free.stored = false;
  free.id = {2025, 12};
  ASSERT_TRUE(receipts.insertHeader(free));
  EXPECT_EQ(free.id.broj, 12);
  EXPECT_EQ(table("SELECT godina, broj, sifoper, status, broj_dok FROM racuni ORDER BY godina, broj"),
            (QStringList{"2025|12|2|0|12", "2025|30|7|1|", "2026|5|7|0|", "2026|6|7|1|", "2026|7|2|0|7"}));
}

// A receipt as the engine writes it: header on the first line, lines, payments, closing.
TEST_P(ReceiptRepositoryTest, AReceiptFromItsFirstLineToItsEnd) {
  ReceiptRepository receipts(db);
  ReceiptHeader h;
  h.id = {2026, 3};
  h.datum = day;
  h.vreme = QTime(10, 5, 7);
  h.sifoper = 2;
  h.brstola = 9;
  h.restoran = true;
  ASSERT_TRUE(receipts.insertHeader(h));
  EXPECT_TRUE(h.stored);
  ASSERT_TRUE(receipts.insertHeader(h)); // stored already: nothing new
  EXPECT_EQ(table("SELECT broj, vreme, sifoper, brstola, rezim, status, oslprom, broj_dok, cek, kartica, "
                  "gotovina, brfisis, rok, sifpartner, nazivkupca, clan FROM racuni"),
            QStringList{"3|10:05:07|2|9|1|0|NE|3|0|0|0|0|0|||"});
  ASSERT_TRUE(receipts.addLine(h.id, day, line("1", 2, 100.12)));
  ASSERT_TRUE(receipts.addLine(h.id, day, line("2", 1, 49.9)));
  ASSERT_TRUE(receipts.addToPaid(h.id, 2, Money(100)));
  ASSERT_TRUE(receipts.addPayment(h.id, day, {2, Money(100), "4111", "VISA", "T9"}));
  ASSERT_TRUE(receipts.addToPaid(h.id, 1, Money(50)));
  // What is left for cash: 250,14 sold, 100 by card, 50 by cheque.
  EXPECT_EQ(receipts.restAmount(h.id).value_or(Money(-1)), Money(150.14));
  ASSERT_TRUE(receipts.settleCash(h.id));
  ASSERT_TRUE(receipts.markFinished(h.id, 777));
  EXPECT_EQ(table("SELECT status, brfisis, cek, kartica, gotovina FROM racuni"),
            QStringList{"1|777|50|100|100.14"});
  EXPECT_EQ(table("SELECT rbr, nacin, iznos, brojkart, tipkart, brtrans FROM rate"),
            QStringList{"1|2|100|4111|VISA|T9"});
  const auto lines = receipts.lines(h.id);
  ASSERT_TRUE(lines);
  ASSERT_EQ(lines->size(), 2);
  EXPECT_EQ(lines->at(0).sifra, "1");
  EXPECT_EQ(lines->at(0).iznos, Money(200.24));
  EXPECT_EQ(lines->at(1).cena, Money(49.9));
  const auto last = receipts.lastReceipt(2026);
  ASSERT_TRUE(last && *last);
  EXPECT_EQ((*last)->broj, 3);
  EXPECT_EQ((*last)->status, 1);
  EXPECT_FALSE(receipts.lastReceipt(2025).value_or(LastReceipt{}).has_value());
}

TEST_P(ReceiptRepositoryTest, StornoReversesWhatIsNotVoidedAndClearsThePayments) {
  ASSERT_TRUE(addArticle("15", "Sok", 10, 2, 100));
  ReceiptRepository receipts(db);
  const ReceiptId id{2026, 9};
  ReceiptHeader h;
  h.id = id;
  h.datum = day;
  ASSERT_TRUE(receipts.insertHeader(h));
  ASSERT_TRUE(receipts.addLine(id, day, line("15", 2, 10)));
  ASSERT_TRUE(receipts.addLine(id, day, line("15", 1, 10)));
  ASSERT_TRUE(receipts.addLine(id, day, line("15", -1, 10, true))); // voids the second
  ASSERT_TRUE(receipts.addToPaid(id, 0, Money(20)));
  ASSERT_TRUE(receipts.addPayment(id, day, {0, Money(20), {}, {}, {}}));
  ASSERT_TRUE(receipts.storniraj(id, day.addDays(1)));
  EXPECT_EQ(table("SELECT rbr, sifra, storno, prodato, iznos, datum FROM prodato WHERE rbr > 3"),
            QStringList{"4|15|1|-2|-20|2026-03-10"});
  EXPECT_DOUBLE_EQ(db.scalar("SELECT lager FROM artikli").value_or(0).toDouble(), 102);
  EXPECT_EQ(table("SELECT status, cek, kartica, gotovina FROM racuni"), QStringList{"0|0|0|0"});
  EXPECT_EQ(count("SELECT COUNT(*) FROM rate"), 0);
}

// The database refuses part of the storno: nothing of it stays.
TEST_P(ReceiptRepositoryTest, ARefusedStornoWritesNothing) {
  ASSERT_TRUE(addArticle("15", "Sok", 10, 2, 100));
  ReceiptRepository receipts(db);
  const ReceiptId id{2026, 9};
  ReceiptHeader h{id, day, {}, 0, 0, false};
  ASSERT_TRUE(receipts.insertHeader(h));
  ASSERT_TRUE(receipts.addLine(id, day, line("15", 2, 10)));
  ASSERT_TRUE(receipts.addToPaid(id, 0, Money(20)));
  ASSERT_TRUE(db.exec("DROP TABLE rate")); // its last statement fails
  const auto storno = receipts.storniraj(id, day);
  EXPECT_FALSE(storno);
  EXPECT_FALSE(storno.error().isEmpty());
  EXPECT_EQ(count("SELECT COUNT(*) FROM prodato"), 1);
  EXPECT_DOUBLE_EQ(db.scalar("SELECT lager FROM artikli").value_or(0).toDouble(), 100);
  EXPECT_EQ(table("SELECT status, gotovina FROM racuni"), QStringList{"0|20"});
  EXPECT_EQ(db.transactionDepth(), 0);
}

} // namespace
