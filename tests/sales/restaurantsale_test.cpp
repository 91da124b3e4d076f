// The restaurant screen's own rules: the voids of "ISPRAZNI STO", opening and freeing
// tables, the entry-line keys, the card terminal's wait and the checks on opening.
#include "restaurantfixture.h"

namespace {

using restauranttest::Restaurant;

struct Pairing {
  const char *name;
  std::vector<std::pair<const char *, double>> lines; // sifra, quantity (negative: void)
  int model;
  QStringList generated; // the steps after the table's lines
};

class EmptyingPairs : public ::testing::TestWithParam<Pairing> {};

TEST_P(EmptyingPairs, EachVoidCancelsOneSaleTheRestAreVoided) {
  const Pairing &c = GetParam();
  Restaurant r(c.model);
  for (const auto &[sifra, q] : c.lines)
    r.order(5, sifra, q);
  r.sale->showWaiter(2);
  const auto steps = r.sale->buildEmptying();
  ASSERT_TRUE(steps);
  const QStringList all = Restaurant::describe(*steps);
  ASSERT_EQ(all.size(), 1 + int(c.lines.size()) + c.generated.size());
  EXPECT_EQ(all.mid(1 + int(c.lines.size())), c.generated);
}

// Cola is article 1 (100,00), beer article 2 (150,00).
INSTANTIATE_TEST_SUITE_P(
    Cases, EmptyingPairs,
    ::testing::Values(Pairing{"ColaTwiceBeerOnceColaVoided",
                              {{"1", 2}, {"2", 1}, {"1", -2}},
                              1,
                              {"200 2 -1,000 -150,00 s1 r0", "300 n0 0,00 o0,00", "-1 o0,00"}},
                      Pairing{"TwoSalesOneVoid",
                              {{"1", 1}, {"1", 1}, {"1", -1}},
                              1,
                              {"200 1 -1,000 -100,00 s1 r0", "300 n0 0,00 o0,00", "-1 o0,00"}},
                      Pairing{"VoidOfAnotherQuantityCancelsNothing",
                              {{"1", 2}, {"1", -1}},
                              2,
                              {"200 1 -2,000 -200,00 s1 r0", "-1 o0,00"}},
                      Pairing{"VoidBeforeItsSaleStillPairs",
                              {{"1", -1}, {"1", 1}, {"2", 3}},
                              4,
                              {"200 2 -3,000 -450,00 s1 r0", "300 n0 0,00 o0,00", "-1 o0,00"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RestaurantTables, OpeningAndFreeing) {
  Restaurant r(1);
  r.open();
  ASSERT_EQ(r.sale->tables().size(), 1);
  struct Step {
    const char *entry;
    void (RestaurantSale::*op)();
    QString status;
    int current;
    int tables;
  } steps[] = {
      {"abc", &RestaurantSale::otvoriSto, "POGRESAN UNOS", 5, 1},
      {"6", &RestaurantSale::otvoriSto, "STO NIJE SLOBODAN", 5, 1},  // Marko's
      {"5", &RestaurantSale::otvoriSto, "STO NIJE SLOBODAN", 5, 1},  // her own, already open
      {"99", &RestaurantSale::otvoriSto, "STO NIJE SLOBODAN", 5, 1}, // no such table
      {"3", &RestaurantSale::otvoriSto, "", 3, 2},
      {"", &RestaurantSale::oslobodiSto, "", 5, 1}, // empty: freed, gone from her list
  };
  for (const Step &s : steps) {
    r.key(QString::fromLatin1(s.entry), s.op);
    EXPECT_EQ(r.sale->edtStatusRest(), s.status) << s.entry;
    EXPECT_EQ(r.sale->trenutniSto(), s.current) << s.entry;
    EXPECT_EQ(r.sale->tables().size(), s.tables) << s.entry;
  }
  EXPECT_EQ(r.row("SELECT sifkonob FROM stolovi WHERE brstola = 3"), "-1");
  r.order(5, "1", 1);
  r.sale->refreshTable();
  r.key("", &RestaurantSale::oslobodiSto);
  EXPECT_EQ(r.sale->edtStatusRest(), "STO NIJE PRAZAN!");
  EXPECT_EQ(r.row("SELECT sifkonob FROM stolovi WHERE brstola = 5"), "2");
  r.h.clock.advance(RestaurantSale::kStatusMs);
  EXPECT_EQ(r.sale->edtStatusRest(), "");
}

TEST(RestaurantKeys, EnterWithTextDoesNothingOrdersNeedATable) {
  Restaurant r(1);
  r.order(5, "1", 1);
  r.open();
  const int sent = int(r.device.frames.size());
  r.key("12", &RestaurantSale::enterKey);
  EXPECT_TRUE(r.sale->entryEnabled);
  EXPECT_EQ(int(r.device.frames.size()), sent);
  EXPECT_EQ(r.sale->edtUnosRest, "12");

  int shownFor = 0;
  r.sale->showOrders = [&](int) { return false; }; // the rounds could not be read
  r.key("", &RestaurantSale::narudzbina);
  EXPECT_EQ(r.sale->edtStatusRest(), "PROBLEM U TOKU OTVARANJA NARUDZBINA");
  r.sale->showOrders = [&](int sto) {
    shownFor = sto;
    r.order(sto, "2", 1);
    return true;
  };
  r.key("", &RestaurantSale::narudzbina);
  EXPECT_EQ(shownFor, 5);
  EXPECT_EQ(r.sale->lblUkupno(), "250,00"); // the new round is on the screen

  r.sale->showWaiter(3); // Marko's only table
  r.key("", &RestaurantSale::oslobodiSto);
  r.sale->showWaiter(2);
  r.sale->showWaiter(4); // nobody's: no table
  EXPECT_EQ(r.sale->trenutniSto(), 0);
  r.key("", &RestaurantSale::narudzbina);
  EXPECT_EQ(r.h.prompt.log.last(), "message|Greska|Prvo morate otvoriti neki sto!");
  r.key("", &RestaurantSale::rastavljanjeKey);
  EXPECT_EQ(r.h.prompt.log.last(), "message|Greska|Nijedan artikal nije unet!");
  r.key("", &RestaurantSale::slobodanTekstKey);
  EXPECT_EQ(r.h.prompt.log.last(), "message|GRESKA|Nije dostupno za model kase sa kojom radite!");
}

struct PaymentCase {
  const char *name;
  std::vector<std::pair<const char *, void (RestaurantSale::*)()>> keys;
  QString fields; // cash|cheque|card|change
  QString status;
};

class RestaurantPayments : public ::testing::TestWithParam<PaymentCase> {};

// A table of 100,00: the keys only fill the fields.
TEST_P(RestaurantPayments, FieldsOnly) {
  const PaymentCase &c = GetParam();
  Restaurant r(1);
  r.order(5, "1", 1);
  r.open();
  const int sent = int(r.device.frames.size());
  for (const auto &[entry, op] : c.keys)
    r.key(QString::fromLatin1(entry), op);
  const RestaurantSale &s = *r.sale;
  EXPECT_EQ(QStringList({s.edtGotovina(), s.edtCek(), s.edtKartica(), s.edtPovracaj()}).join("|"), c.fields);
  EXPECT_EQ(s.edtStatusRest(), c.status);
  EXPECT_EQ(int(r.device.frames.size()), sent) << "a payment key sent something";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestaurantPayments,
    ::testing::Values(
        PaymentCase{"CashGivesChange", {{"150", &RestaurantSale::gotovinaKey}}, "150,00|0,00|0,00|50,00", ""},
        PaymentCase{"EmptyCashDoesNothing", {{"", &RestaurantSale::gotovinaKey}}, "0,00|0,00|0,00|0,00", ""},
        PaymentCase{
            "BadNumber", {{"1x", &RestaurantSale::gotovinaKey}}, "0,00|0,00|0,00|0,00", "POGRESAN BROJ"},
        PaymentCase{
            "ChequeCappedAtTheTotal", {{"500", &RestaurantSale::cekKey}}, "0,00|100,00|0,00|0,00", ""},
        PaymentCase{"EmptyChequePaysTheRest",
                    {{"40", &RestaurantSale::karticaKey}, {"", &RestaurantSale::cekKey}},
                    "0,00|60,00|40,00|0,00",
                    ""},
        PaymentCase{"CardAfterChequeCapped",
                    {{"70", &RestaurantSale::cekKey}, {"50", &RestaurantSale::karticaKey}},
                    "0,00|70,00|30,00|0,00",
                    ""},
        PaymentCase{
            "NegativeChequePaysWhatIsDue", {{"-5", &RestaurantSale::cekKey}}, "0,00|100,00|0,00|0,00", ""}),
    [](const auto &info) { return std::string(info.param.name); });

// The card terminal's wait: Del abandons it; a late answer changes nothing.
TEST(RestaurantCard, AbandonedWaitAndRefusal) {
  Restaurant r(1, true);
  r.order(5, "1", 1);
  r.open();
  r.key("", &RestaurantSale::delKey); // nothing waits: no question
  EXPECT_TRUE(r.h.prompt.log.isEmpty());

  r.key("", &RestaurantSale::karticaKey);
  EXPECT_EQ(
      r.sale->edtStatusRest(),
      "PROVUCITE KARTICU I SACEKAJTE. UKOLIKO NE ZELITE DA SACEKATE ODGOVOR TERMINALA PRITISNITE TASTER DEL");
  r.sale->terminalTransactionStarted();
  EXPECT_EQ(r.sale->edtStatusRest(),
            "TRANSAKCIJA U TOKU. UKOLIKO NE ZELITE DA SACEKATE ODGOVOR TERMINALA PRITISNITE TASTER DEL");
  r.key("", &RestaurantSale::delKey); // "U redu": the amount stays, without terminal data
  EXPECT_TRUE(r.h.prompt.log.last().startsWith("message|PREKID|"));
  EXPECT_TRUE(r.sale->cekanjePrekinuto());
  r.sale->terminalResult(true, "VISA", "1", "2");
  EXPECT_EQ(r.sale->edtKartica(), "100,00");
  EXPECT_TRUE(r.sale->edtTipKart.isEmpty()) << "a late approval was taken";

  r.key("", &RestaurantSale::karticaKey); // a new card wait clears the abandon flag
  EXPECT_FALSE(r.sale->cekanjePrekinuto());
  r.sale->terminalTransactionFailed();
  EXPECT_EQ(r.sale->edtStatusRest(), "TRANSAKCIJA NIJE USPELA");
  r.sale->terminalResult(false, "", "", "");
  EXPECT_EQ(r.sale->edtStatusRest(), " GRESKA U AUTORIZACIJI");
  EXPECT_EQ(r.sale->edtKartica(), "0,00");
  EXPECT_EQ(r.sale->edtPovracaj(), "-100,00");
}

// Opening the screen on a model that checks the program's last receipt: one left open
// is announced, marked finished, and the waiter logs in.
TEST(RestaurantOpening, UnfinishedReceiptMarkedFinishedThenTheWaiterLogsIn) {
  Restaurant r(1);
  const int year = r.h.clock.now().date().year();
  ASSERT_TRUE(
      r.h.db.exec(QStringLiteral("INSERT INTO racuni (broj, godina, status) VALUES (4, %1, 0)").arg(year)));
  ASSERT_TRUE(r.h.db.exec(
      QStringLiteral(
          "INSERT INTO prodato (rbr, brrac, godina, sifra, prodato, iznos) VALUES (1, 4, %1, '1', 1, 100)")
          .arg(year)));
  r.open();
  EXPECT_EQ(r.h.prompt.log,
            QStringList{"device|Upozorenje!|Poslednji racun u programu je otvoren. Racun ce biti zavrsen!"});
  EXPECT_EQ(r.row("SELECT status FROM racuni WHERE broj = 4"), "1");
  EXPECT_EQ(r.h.engine->brojRacuna(), 5);
  ASSERT_FALSE(r.device.codes().isEmpty());
  EXPECT_EQ(r.device.codes().last(), 0x01); // Prijava
  EXPECT_EQ(quint8(r.device.frames.last()[9]), 2) << "not the waiter's login";
}

// Model 4 asks the device instead; the status answer opens with the waiter's step.
TEST(RestaurantOpening, Model4AsksForTheStatus) {
  Restaurant r(4);
  r.open();
  EXPECT_TRUE(r.h.prompt.log.isEmpty());
  ASSERT_GE(r.device.codes().size(), 2);
  EXPECT_EQ(r.device.codes().mid(r.device.codes().size() - 2), (QList<int>{0x0D, 0x01}));
  EXPECT_TRUE(r.sale->entryEnabled);
}

} // namespace
