// The invoices window's model: stored receipts newest first, only the invoice
// fields editable, the print checks, the partner hand-back and the instalments.
#include "data/dbfixture.h"
#include "sales/invoices.h"
#include "shopfixture.h"

#include <QAbstractItemModelTester>

namespace {

class InvoicesTest : public DbTest {
protected:
  void seed() override {
    testsupport::pinLocale();
    exec("INSERT INTO partner (sifpartner, naziv) VALUES ('P1', 'Jelena doo')");
    receipt(2025, 9, "9", 1);
    receipt(2026, 1, "1", 1);
    receipt(2026, 2, "2", 1);
    exec("INSERT INTO prodato (rbr, brrac, godina, datum, sifra, naziv, cena, prodato, iznos, stopa, storno) "
         "VALUES (1, 2, 2026, '2026-12-09', 'A1', 'Kafa', 120, 1, 120, 1, 0)");
    exec("INSERT INTO rate (broj, godina, rbr, iznos, datum, nacin) VALUES (2, 2026, 1, 120, :d, 0)",
         {{"d", QDateTime(QDate(2026, 12, 9), QTime(0, 0))}});
    invoices = std::make_unique<Invoices>(db, *rules, messages);
  }
  void TearDown() override {
    invoices.reset();
    DbTest::TearDown();
  }
  void exec(const char *sql, const QVariantMap &binds = {}) {
    const auto r = db.exec(QString::fromLatin1(sql), binds);
    ASSERT_TRUE(r) << sql << ": " << r.error().toStdString();
  }
  void receipt(int godina, int broj, const char *dok, int status) {
    exec("INSERT INTO racuni (broj, godina, datum, broj_dok, status, rezim, brstola, sifoper, cek, kartica, "
         "gotovina, brfisis) VALUES (:b, :g, '2026-12-09', :dok, :s, 0, 0, 1, 0, 0, 120, 77)",
         {{"b", broj},
          {"g", godina},
          {"dok", dok ? QVariant(dok) : QVariant(QMetaType::fromType<QString>())},
          {"s", status}});
  }
  QString stored(const char *column, int broj, int godina = 2026) {
    return db
        .scalar(
            QStringLiteral("SELECT %1 FROM racuni WHERE godina=:g AND broj=:b").arg(QLatin1String(column)),
            {{"g", godina}, {"b", broj}})
        .value_or({})
        .toString();
  }
  int rowOf(int broj) { return invoices->receipts()->locate({{"godina", 2026}, {"broj", broj}}); }

  std::unique_ptr<Invoices> invoices;
};

TEST_P(InvoicesTest, NewestFirstWithOnlyTheInvoiceFieldsEditable) {
  invoices->refresh();
  InvoiceTableModel *m = invoices->receipts();
  QAbstractItemModelTester tester(m, QAbstractItemModelTester::FailureReportingMode::Warning);
  ASSERT_EQ(m->rowCount(), 3);
  EXPECT_EQ(m->value(0, "broj").toInt(), 2);
  EXPECT_EQ(m->value(1, "broj").toInt(), 1);
  EXPECT_EQ(m->value(2, "godina").toInt(), 2025);
  EXPECT_EQ(invoices->currentRow(), 0);
  EXPECT_EQ(invoices->lines()->rowCount(), 1); // the lines follow the selected receipt

  QStringList editable, titles;
  for (int c = 0; c < m->columnCount(); ++c) {
    if (m->flags(m->index(0, c)) & Qt::ItemIsEditable)
      editable << m->record().fieldName(c).toLower();
  }
  for (const QString &c : InvoiceTableModel::shownColumns())
    titles << m->headerData(m->fieldIndex(c), Qt::Horizontal).toString();
  editable.sort();
  EXPECT_EQ(editable,
            (QStringList{"brfisis", "broj_dok", "clan", "nazivkupca", "oslprom", "rok", "sifpartner"}));
  EXPECT_EQ(titles, (QStringList{"BROJ RACUNA", "DATUM", "PARTNER", "NAZIV KUPCA", "FIS.ISECAK", "ROK",
                                 "OSLOBODJENJE", "CLAN"}));

  // The fiscal receipt's amounts, state and date cannot be changed here, by the grid or otherwise.
  for (const char *column : {"gotovina", "cek", "kartica", "status", "datum", "broj", "godina", "sifoper"})
    EXPECT_FALSE(m->setValue(0, column, "5")) << column;
  EXPECT_TRUE(m->setValue(0, "rok", "30"));
  EXPECT_TRUE(m->setValue(0, "oslprom", "da")); // typed text mapped to "DA"
  EXPECT_FALSE(m->setValue(0, "oslprom", "mozda"));
  EXPECT_EQ(messages.lastText(), "Losa vrednost! Izberite neku od vrednosti: DA ili NE!");
  ASSERT_TRUE(invoices->save());
  EXPECT_EQ(stored("rok", 2), "30");
  EXPECT_EQ(stored("oslprom", 2), "DA");
  EXPECT_EQ(stored("gotovina", 2).toDouble(), 120);
  EXPECT_EQ(stored("status", 2), "1");
}

TEST_P(InvoicesTest, EmptyDocumentNumberSavedBecomesTheReceiptNumberAndPrints) {
  invoices->refresh();
  invoices->setCurrentRow(rowOf(1));
  ASSERT_TRUE(invoices->receipts()->setValue(invoices->currentRow(), "broj_dok", "   "));
  const auto invoice = invoices->printable(); // saves first, then checks
  ASSERT_TRUE(invoice) << messages.lastText().toStdString();
  EXPECT_EQ(invoice->brojDok, "1");
  EXPECT_EQ(stored("broj_dok", 1), "1");
  EXPECT_EQ(stored("oslprom", 1), "NE"); // the rest of the defaults with it
  EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_P(InvoicesTest, PrintChecksRefuseWithTheirMessages) {
  exec("UPDATE racuni SET broj_dok='  ' WHERE broj=1 AND godina=2026"); // stored so by an older program
  invoices->refresh();
  invoices->setCurrentRow(rowOf(1));
  EXPECT_FALSE(invoices->printable());
  ASSERT_EQ(messages.shown.size(), 1);
  EXPECT_EQ(messages.shown[0].title, "GRESKA");
  EXPECT_EQ(messages.shown[0].text, "Nemoguca stampa! Nije unet broj dokumenta!");
  EXPECT_EQ(messages.beeps, 1);

  messages.clear();
  exec("DELETE FROM racuni");
  invoices->refresh();
  EXPECT_FALSE(invoices->printable());
  EXPECT_EQ(messages.lastText(), "Ne postoji nijedan racun za stampu!");
  EXPECT_EQ(messages.beeps, 1);
}

TEST_P(InvoicesTest, PartnerHandedBackBecomesTheCurrentReceiptsWithItsName) {
  invoices->refresh();
  invoices->setCurrentRow(rowOf(1));
  ASSERT_TRUE(invoices->setPartner("p1"));
  EXPECT_TRUE(invoices->receipts()->hasPendingEdits()); // in edit state until saved
  ASSERT_TRUE(invoices->save());
  EXPECT_EQ(stored("sifpartner", 1), "p1");
  EXPECT_EQ(stored("nazivkupca", 1), "Jelena doo");
  EXPECT_EQ(invoices->receipts()->value(invoices->currentRow(), "broj").toInt(), 1); // the cursor stayed

  EXPECT_FALSE(invoices->setPartner("P9"));
  EXPECT_EQ(messages.lastText(), "Ne postoji partner sa tom sifrom");
  EXPECT_EQ(messages.beeps, 1);
}

TEST_P(InvoicesTest, InstalmentsAddedToACompletedReceiptStoredRowsKept) {
  invoices->refresh();
  invoices->setCurrentRow(rowOf(2));
  invoices->showInstalments();
  InstalmentTableModel *m = invoices->instalments();
  QAbstractItemModelTester tester(m, QAbstractItemModelTester::FailureReportingMode::Warning);
  ASSERT_EQ(m->rowCount(), 1);
  // The payment the device confirmed stays as it is.
  EXPECT_FALSE(m->flags(m->index(0, m->fieldIndex("iznos"))) & Qt::ItemIsEditable);
  EXPECT_FALSE(m->setValue(0, "iznos", "1"));
  EXPECT_FALSE(m->canDeleteRow(0));
  EXPECT_EQ(m->headerData(m->fieldIndex("brojkart"), Qt::Horizontal).toString(), "CEK/KARTICA");

  const int row = m->appendInstalment();
  ASSERT_EQ(row, 1);
  EXPECT_TRUE(m->flags(m->index(row, m->fieldIndex("iznos"))) & Qt::ItemIsEditable);
  for (auto [column, value] :
       {std::pair{"rbr", "1"}, {"iznos", "60,50"}, {"datum", "09.01.2027"}, {"nacin", "1"}})
    ASSERT_TRUE(m->setValue(row, column, value)) << column;
  EXPECT_FALSE(m->save());
  EXPECT_EQ(messages.shown.last().form, "warning");
  EXPECT_EQ(messages.lastText(), "Redni broj vec postoji!");
  EXPECT_TRUE(m->isPendingInsert(row)); // kept for correction
  ASSERT_TRUE(m->setValue(row, "rbr", "2"));
  ASSERT_TRUE(m->save()) << messages.lastText().toStdString();
  EXPECT_EQ(
      count("SELECT COUNT(*) FROM rate WHERE godina=2026 AND broj=2 AND rbr=2 AND iznos=60.5 AND nacin=1 "
            "AND brojkart='' AND tipkart='' AND brtrans=''"),
      1);

  // A receipt still in progress gets no instalments: its payments are being written.
  invoices->setCurrentRow(rowOf(1));
  exec("UPDATE racuni SET status=0 WHERE broj=1 AND godina=2026");
  invoices->refresh();
  invoices->setCurrentRow(rowOf(1));
  invoices->showInstalments();
  EXPECT_EQ(invoices->instalments()->appendInstalment(), -1);
}

KASA_BOTH_ENGINES(InvoicesTest);

class InvoicesSQLite : public InvoicesTest {};

TEST_P(InvoicesSQLite, InstalmentTheDatabaseRefusesIsDiscarded) {
  exec("CREATE TRIGGER odbij BEFORE INSERT ON rate BEGIN SELECT RAISE(ABORT, 'odbijeno'); END");
  invoices->refresh();
  invoices->setCurrentRow(rowOf(2));
  invoices->showInstalments();
  InstalmentTableModel *m = invoices->instalments();
  const int row = m->appendInstalment();
  for (auto [column, value] :
       {std::pair{"rbr", "5"}, {"iznos", "10"}, {"datum", "09.01.2027"}, {"nacin", "0"}})
    ASSERT_TRUE(m->setValue(row, column, value)) << column;
  EXPECT_FALSE(m->save());
  EXPECT_EQ(messages.shown.last().title, "Greska");
  EXPECT_EQ(messages.lastText(), "OBAVEZAN UNOS U POLJE RBR,IZNOS,DATUM,NACIN ILI DUPLA SIFRA");
  EXPECT_FALSE(m->hasPendingEdits());
  EXPECT_EQ(m->rowCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(SQLite, InvoicesSQLite, ::testing::Values(Engine::SQLite), engineName);

// A receipt sold through the engine against fiscal-sim's device is listed first and
// prints with the amounts and payments the device confirmed.
TEST(InvoicesAfterASale, TheSoldReceiptIsFirstAndItsInvoiceAgreesWithTheDevice) {
  shoptest::Shop shop(4);
  shop.open();
  shop.sell("1");
  shop.sell("2", "2");
  shop.cash("500");
  shop.enter();
  shop.settle();
  ASSERT_EQ(shop.row("SELECT status FROM racuni"), "1");

  RecordedMessages messages;
  RecordRules rules(shop.h.db, messages);
  Invoices invoices(shop.h.db, rules, messages);
  invoices.refresh();
  ASSERT_TRUE(invoices.currentReceipt());
  EXPECT_TRUE(invoices.currentCompleted());
  EXPECT_EQ(invoices.lines()->rowCount(), 2);
  EXPECT_EQ(invoices.lines()->index(1, InvoiceLinesModel::Kolicina).data().toString(), "2,000");
  const auto invoice = invoices.printable();
  ASSERT_TRUE(invoice) << messages.lastText().toStdString();
  EXPECT_EQ(invoice->total(), Money::fromUnits(40000));
  EXPECT_EQ(invoice->brfisis, shop.row("SELECT brfisis FROM racuni").toLongLong());
  ASSERT_EQ(invoice->payments.size(), 1);
  EXPECT_EQ(invoice->payments[0].iznos, Money::fromUnits(40000));

  invoices.showInstalments();
  EXPECT_FALSE(invoices.instalments()->setValue(0, "iznos", "1")); // the device's payment stays
  invoices.close();
}

} // namespace
