#include "common/localetext.h"
#include "common/scheduler.h"
#include "data/database.h"
#include "engine/userprompt.h"
#include "sales/articlelookup.h"
#include "sales/retailsale.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

namespace {

// Records what the screen asks of the engine; the device's answers are given by the test.
struct RecordingEngine : RetailEngineCalls {
  QStringList calls;
  std::vector<Racun> sent;
  bool cekanjePrekinuto = false;
  void Prijava(const Racun &s) override { calls << "Prijava", sent.push_back(s); }
  void Provera(const Racun &s) override { calls << "Provera", sent.push_back(s); }
  void Placanje(const Racun &s, bool closeAfter) override {
    calls << (closeAfter ? "Placanje+Kraj" : "Placanje"), sent.push_back(s);
  }
  void KrajRacuna(const Racun &s) override { calls << "KrajRacuna", sent.push_back(s); }
  void StornirajRacun() override { calls << "StornirajRacun"; }
  void OtvoriFioku() override { calls << "OtvoriFioku"; }
  void LcdShow(const QString &t, int line) override {
    calls << QStringLiteral("LcdShow %1 %2").arg(t).arg(line);
  }
  void GetStatusFromSale() override { calls << "GetStatus"; }
  void screenClosed() override { calls << "closed"; }
  void freeTextStarting() override { calls << "freeText"; }
  void setCekanjePrekinuto(bool v) override { cekanjePrekinuto = v; }
  bool resolveUnfinishedReceipt(int, int &, int &) override { return true; }
  int nextReceiptNumber(int) override { return 7; }
};

struct ScriptedPrompt : UserPrompt {
  QStringList shown;
  bool answer = true;
  bool messageDialog(const QString &title, const QString &text, bool question) override {
    EXPECT_EQ(Database::openTransactions(), 0) << "a prompt inside a transaction";
    shown << (question ? QStringLiteral("?") : QString()) + title + QStringLiteral(" / ") + text;
    return question ? answer : true;
  }
  DeviceErrorAnswer deviceErrorDialog(const DeviceError &) override { return {}; }
  int unfinishedReceiptDialog(const UnfinishedReceipt &) override { return 1; }
  void showInstructions() override {}
  void pressEnterNotice(const QString &) override {}
};

class RetailSaleTest : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::pinLocale();
    ASSERT_TRUE(db.openInMemory());
    const char *rows[] = {
        "('1','8600000000011','Hleb',30,1,0)",           // code 1
        "('123456','','Kod sest',10,2,0)",               // code that is another article's barcode
        "('77','123456','Barkod sest',20,2,0)",          // barcode of 6 characters
        "('1234567','','Sedam',5,1,0)",                  // code of 7 characters
        "('88','1234567','Nije kod',6,1,0)",             // barcode of 7 characters: never found by it
        "('500','2100123000000','Sir na meru',100,1,0)", // weighed article
        "('A','','Sitno',2.5,1,0)",
        "('Z','','Besplatno',0,1,0)",
    };
    for (const char *r : rows)
      ASSERT_TRUE(
          db.exec(QStringLiteral("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES %1")
                      .arg(QLatin1String(r))));
    lookup = std::make_unique<DatabaseArticleLookup>(db);
    sale = std::make_unique<RetailSale>(*lookup, engine, prompt, clock);
    sale->rbrKasira = 3;
    sale->open(2026, QDate(2026, 1, 15), QTime(10, 0));
  }
  void TearDown() override { sale.reset(); }

  // Types text and presses a key; the device accepts every line at once.
  void enter(const QString &text) {
    const int before = sale->sledeciRed;
    sale->setEntry(text);
    sale->unos();
    if (sale->sledeciRed != before)
      sale->enableEntryLine();
  }
  QString col(int row, int c) const { return sale->cell(row, c).trimmed(); }

  Database db;
  VirtualScheduler clock;
  RecordingEngine engine;
  ScriptedPrompt prompt;
  std::unique_ptr<DatabaseArticleLookup> lookup;
  std::unique_ptr<RetailSale> sale;
};

TEST_F(RetailSaleTest, OpeningSendsPrijavaForTheCashier) {
  ASSERT_EQ(engine.calls, QStringList{"Prijava"});
  EXPECT_EQ(engine.sent[0].operacija, 100);
  EXPECT_EQ(engine.sent[0].operater, 3);
  EXPECT_EQ(sale->brojRacuna, 7);
  EXPECT_EQ(sale->edtKol(), "1,000");
  EXPECT_EQ(sale->lblUkupno(), "0,00");
  EXPECT_EQ(sale->cell(1, 0), "  1.");
  EXPECT_EQ(sale->cell(10, 0), " 10.");
  EXPECT_EQ(sale->cell(999, 0), "999.");
}

// Which article and which kind of line an entry gives, by its length.
TEST_F(RetailSaleTest, EntryLookupByLength) {
  struct Case {
    const char *entry;
    const char *sifra; // "" = no line
    const char *kolicina;
    const char *iznos;
  } cases[] = {
      {"123456", "77", "1,000", "20,00"},            // 6 characters: barcode first
      {"1234567", "1234567", "1,000", "5,00"},       // 7 characters: code only
      {"8600000000011", "1", "1,000", "30,00"},      // barcode
      {"2100123015007", "500", "1,500", "150,00"},   // weighed: 01500 grams
      {"2100123123456", "500", "12,340", "1234,00"}, // 12,345 cut to five characters
      {"a", "A", "1,000", "2,50"},                   // codes ignore case
      {"999", "", "", ""},                           // unknown code: nothing, no message
      {"12345678", "", "", ""},                      // unknown barcode
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.entry);
    const int before = sale->sledeciRed;
    enter(QString::fromLatin1(c.entry));
    EXPECT_TRUE(sale->edtUnos.isEmpty());
    EXPECT_EQ(sale->edtStatus(), QString());
    if (*c.sifra == 0) {
      EXPECT_EQ(sale->sledeciRed, before);
      continue;
    }
    ASSERT_EQ(sale->sledeciRed, before + 1);
    EXPECT_EQ(col(before, 1), c.sifra);
    EXPECT_EQ(col(before, 4), c.kolicina);
    EXPECT_EQ(col(before, 6), c.iznos);
    EXPECT_EQ(sale->edtKol(), "1,000");
    EXPECT_EQ(engine.sent.back().operacija, 200);
    EXPECT_EQ(engine.sent.back().sifra, c.sifra);
  }
  EXPECT_EQ(sale->lblUkupno(), "1441,50");
  EXPECT_EQ(sale->edtPovracaj(), "-1441,50");
}

TEST_F(RetailSaleTest, QuantityKeyAndQuantityFromAmount) {
  struct Case {
    const char *typed;
    const char *kol;
    const char *status;
  } cases[] = {
      {"0,5", "0,500", ""},
      {"1234567", "12345,000", ""},
      {"12,345", "12,340", ""},
      {"", "1,000", "Zabranjena operacija!"},
      {"x1", "1,000", "POGRESAN BROJ"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.typed);
    sale->setKolicina(Quantity(1));
    sale->setEntry(QString::fromLatin1(c.typed));
    sale->kolicinaKey();
    EXPECT_EQ(sale->edtKol(), c.kol);
    EXPECT_EQ(sale->edtStatus(), c.status);
  }

  // "/" after 100, then the code of an article priced 30,00.
  sale->setKolicina(Quantity(1));
  sale->setEntry("100");
  sale->preracunajKolicinu();
  EXPECT_EQ(sale->edtIznos(), "100,00");
  EXPECT_EQ(sale->rezimUnosa, "KOLICINA");
  enter("1");
  EXPECT_EQ(col(1, 4), "3,333");
  EXPECT_EQ(col(1, 6), "99,99");
  EXPECT_EQ(sale->edtIznos(), "0,00");
  EXPECT_EQ(sale->rezimUnosa, "NORMAL");

  // An article priced 0 cannot give a quantity: refused, nothing sold.
  sale->setEntry("50");
  sale->preracunajKolicinu();
  enter("Z");
  EXPECT_EQ(sale->edtStatus(), "POGRESAN BROJ");
  EXPECT_EQ(sale->sledeciRed, 2);
  EXPECT_EQ(sale->rezimUnosa, "NORMAL");

  // "/" with an empty entry disarms the mode.
  sale->setEntry("100");
  sale->preracunajKolicinu();
  sale->setEntry("");
  sale->preracunajKolicinu();
  EXPECT_EQ(sale->rezimUnosa, "NORMAL");
  EXPECT_EQ(sale->edtIznos(), "0,00");
}

TEST_F(RetailSaleTest, LineAmountByModelAndRounding) {
  struct Case {
    int model;
    bool zaokruzi;
    double q, p, amount;
  } cases[] = {
      {1, false, 0.375, 2.50, 0.93}, {1, true, 0.375, 2.50, 0.94},   {4, false, 0.375, 2.50, 0.94},
      {1, false, 3, 1.15, 3.45},     {1, false, 1.005, 9.99, 10.03}, {2, false, 2.675, 1, 2.68},
      {1, false, -3, 2.50, -7.50},
  };
  for (const Case &c : cases)
    EXPECT_EQ(RetailSale::codeLineAmount(Quantity(c.q), Money(c.p), {c.model, c.zaokruzi, false}),
              Money(c.amount))
        << c.model << " " << c.q << "x" << c.p;

  // Through the screen: code line truncated on model 1, barcode line rounded by its display.
  sale->setSettings({1, false, false});
  sale->setEntry("0,375");
  sale->kolicinaKey();
  enter("A");
  EXPECT_EQ(col(1, 6), "0,93");
  sale->setSettings({4, false, false});
  sale->setEntry("0,375");
  sale->kolicinaKey();
  enter("A");
  EXPECT_EQ(col(2, 6), "0,94");
}

TEST_F(RetailSaleTest, VoidsAcceptedAndRefused) {
  sale->setEntry("3");
  sale->kolicinaKey();
  enter("1"); // row 1: 3 x 30,00
  enter("A"); // row 2
  struct Case {
    const char *row;
    const char *status;
    int rows; // lines after the attempt
    const char *kol;
  } cases[] = {
      {"1", "", 3, "-3,000"},                 // accepted: the whole row
      {"1", "NEMOGUCA ISPRAVKA", 3, nullptr}, // nothing left of it
      {"3", "NEMOGUCA ISPRAVKA", 3, nullptr}, // a void line cannot be voided
      {"12", "", 3, nullptr},                 // empty row: nothing found, no message
      {"x", "POGRESAN BROJ", 3, nullptr},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.row);
    sale->ponistiKey();
    EXPECT_TRUE(sale->lblPonistavanjeVisible);
    EXPECT_EQ(sale->rezimUnosa, "PONISTAVANJE");
    enter(QString::fromLatin1(c.row));
    EXPECT_EQ(sale->edtStatus(), c.status);
    EXPECT_EQ(sale->sledeciRed - 1, c.rows);
    EXPECT_EQ(sale->rezimUnosa, "NORMAL");
    if (c.kol) {
      EXPECT_EQ(col(3, 4), c.kol);
      EXPECT_EQ(col(3, 6), "-90,00");
      EXPECT_EQ(engine.sent.back().storno, 1);
    }
  }
  EXPECT_EQ(sale->lblUkupno(), "2,50");

  // Void by scanning a barcode: one unit of that article, as long as some remains.
  enter("8600000000011");
  sale->ponistiKey();
  enter("8600000000011");
  EXPECT_EQ(col(5, 4), "-1,000");
  sale->ponistiKey();
  enter("8600000000011");
  EXPECT_EQ(sale->edtStatus(), "NEMOGUCA ISPRAVKA");
  EXPECT_EQ(sale->sledeciRed, 6);
}

// The void checks add the lines' quantities and amounts exactly: 0,7 + 0,1 kg is 0,8 kg
// (as doubles the sum falls just short and the void would be refused).
TEST_F(RetailSaleTest, VoidChecksAddUpExactly) {
  for (const char *kg : {"0,7", "0,1"}) {
    sale->setEntry(kg);
    sale->kolicinaKey();
    enter("8600000000011");
  }
  sale->setEntry("0,8");
  sale->kolicinaKey();
  sale->ponistiKey();
  enter("8600000000011");
  EXPECT_EQ(sale->edtStatus(), "");
  EXPECT_EQ(col(3, 4), "-0,800");
  EXPECT_EQ(col(3, 6), "-24,00");
  EXPECT_EQ(sale->lblUkupno(), "0,00");
  EXPECT_EQ(engine.sent.back().storno, 1);
}

TEST_F(RetailSaleTest, VoidKeyWithoutLinesAndCheckMode) {
  sale->ponistiKey();
  ASSERT_EQ(prompt.shown, QStringList{"PROVERA / Nije izvrsena promena artikla"});
  EXPECT_EQ(sale->rezimUnosa, "NORMAL");

  sale->proveraKey();
  EXPECT_TRUE(sale->lblProveraVisible);
  enter("1");
  enter("123456"); // check mode is consumed by the first Enter: this one sells
  sale->proveraKey();
  enter("8600000000011");
  EXPECT_EQ(prompt.shown.mid(1), (QStringList{"Provera / Hleb ; CENA=30,00", "PROVERA / Hleb ; CENA=30,00"}));
  EXPECT_EQ(sale->sledeciRed, 2);
  EXPECT_EQ(col(1, 1), "77");
}

TEST_F(RetailSaleTest, ChequeAndCardAddUpToWhatIsDue) {
  struct Case {
    const char *name;
    std::vector<std::pair<void (RetailSale::*)(), const char *>> keys; // key, typed text
    const char *cek;
    const char *kartica;
    const char *povracaj;
    std::vector<double> sent; // amounts of the payments sent
  } cases[] = {
      {"cheque capped", {{&RetailSale::cekKey, "500"}}, "150,00", "0,00", "0,00", {150}},
      {"cheque partial", {{&RetailSale::cekKey, "100"}}, "100,00", "0,00", "-50,00", {100}},
      {"card rest",
       {{&RetailSale::cekKey, "100"}, {&RetailSale::karticaKey, ""}},
       "100,00",
       "50,00",
       "0,00",
       {100, 50}},
      {"card negative", {{&RetailSale::karticaKey, "-5"}}, "0,00", "150,00", "0,00", {150}},
      {"two cheques",
       {{&RetailSale::cekKey, "50"}, {&RetailSale::cekKey, "30"}},
       "80,00",
       "0,00",
       "-70,00",
       {50, 30}},
      {"second card for the rest",
       {{&RetailSale::karticaKey, "100"}, {&RetailSale::karticaKey, ""}},
       "0,00",
       "150,00",
       "0,00",
       {100, 50}},
      {"nothing left to pay",
       {{&RetailSale::cekKey, ""}, {&RetailSale::karticaKey, ""}},
       "150,00",
       "0,00",
       "0,00",
       {150}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    sale->resetAfterReceipt();
    for (int i = 0; i < 5; ++i)
      enter("1"); // 150,00
    ASSERT_EQ(sale->lblUkupno(), "150,00");
    const auto before = engine.sent.size();
    for (const auto &[key, typed] : c.keys) {
      sale->setEntry(QString::fromLatin1(typed));
      (sale.get()->*key)();
    }
    EXPECT_EQ(sale->edtCek(), c.cek);
    EXPECT_EQ(sale->edtKartica(), c.kartica);
    EXPECT_EQ(sale->edtPovracaj(), c.povracaj);
    std::vector<double> sent;
    for (auto i = before; i < engine.sent.size(); ++i) {
      EXPECT_EQ(engine.sent[i].operacija, 300);
      sent.push_back(engine.sent[i].iznosPlacanja.toDouble());
    }
    EXPECT_EQ(sent, c.sent);
  }
}

TEST_F(RetailSaleTest, CashWithChangeThenChequeRefused) {
  for (int i = 0; i < 5; ++i)
    enter("1");
  sale->setEntry("200");
  sale->unosGotovina();
  EXPECT_EQ(sale->edtGotovina(), "200,00");
  EXPECT_EQ(sale->edtPovracaj(), "50,00");
  EXPECT_EQ(engine.calls.back(), "Placanje");
  EXPECT_EQ(engine.sent.back().iznosPlacanja, Money(200.0));
  EXPECT_EQ(engine.sent.back().ostatak, Money(150.0));
  EXPECT_EQ(engine.sent.back().nacinPlacanja, 0);

  const int sentBefore = int(engine.sent.size());
  sale->setEntry("10");
  sale->cekKey();
  EXPECT_EQ(sale->edtStatus(), "NE MOZETE UNETI PLACANJE CEKOM POSLE GOTOVINE");
  sale->karticaKey();
  EXPECT_EQ(sale->edtStatus(), "NE MOZETE UNETI PLACANJE KARTICOM POSLE GOTOVINE");
  EXPECT_EQ(int(engine.sent.size()), sentBefore);

  // The status line empties itself after three seconds.
  clock.advance(2999);
  EXPECT_FALSE(sale->edtStatus().isEmpty());
  clock.advance(1);
  EXPECT_TRUE(sale->edtStatus().isEmpty());
}

TEST_F(RetailSaleTest, ChequeOrCardWithNothingDue) {
  sale->cekKey();
  EXPECT_EQ(sale->edtStatus(), "NEMOGUCA OPERACIJA.IZNOS ZA PLACANJE JE 0!");
  sale->karticaKey();
  EXPECT_EQ(sale->edtStatus(), "NEMOGUCA OPERACIJA.IZNOS ZA PLACANJE JE 0!");
  EXPECT_EQ(engine.calls, QStringList{"Prijava"});
}

TEST_F(RetailSaleTest, TotalAndCloseByModel) {
  struct Case {
    int model;
    const char *call;
  } cases[] = {{1, "Placanje+Kraj"}, {5, "Placanje+Kraj"}, {2, "KrajRacuna"}, {4, "KrajRacuna"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.model);
    sale->resetAfterReceipt();
    sale->setSettings({c.model, false, false});
    enter("1");
    enter("A");
    enter(""); // Enter on an empty line: cash is the whole total
    EXPECT_EQ(sale->edtGotovina(), "32,50");
    EXPECT_EQ(sale->edtPovracaj(), "0,00");
    EXPECT_EQ(engine.calls.back(), c.call);
    EXPECT_EQ(engine.sent.back().iznosPlacanja, Money(32.5));
    EXPECT_EQ(engine.sent.back().ostatak, Money(32.5));
    EXPECT_EQ(sale->entryEnabled, c.model != 4);
  }
  // The engine's completion resets the screen.
  sale->resetAfterReceipt();
  EXPECT_EQ(sale->sledeciRed, 1);
  EXPECT_EQ(sale->lblUkupno(), "0,00");
  EXPECT_EQ(sale->edtGotovina(), "0,00");
  EXPECT_TRUE(sale->cell(1, 1).isEmpty());
}

TEST_F(RetailSaleTest, TotalAndCloseAddsTheRestAndNeedsALine) {
  sale->setSettings({1, false, false});
  enter(""); // nothing sold: nothing to close
  EXPECT_EQ(engine.calls, QStringList{"Prijava"});
  EXPECT_EQ(sale->edtGotovina(), "0,00");

  for (int i = 0; i < 5; ++i)
    enter("1"); // 150,00
  sale->setEntry("100");
  sale->unosGotovina();
  EXPECT_EQ(sale->edtPovracaj(), "-50,00");
  enter("");
  EXPECT_EQ(sale->edtGotovina(), "150,00");
  EXPECT_EQ(sale->edtPovracaj(), "0,00");
  EXPECT_EQ(engine.calls.back(), "Placanje+Kraj");
  EXPECT_EQ(engine.sent.back().iznosPlacanja, Money(50.0)); // only what is still due
  EXPECT_EQ(engine.sent.back().ostatak, Money(50.0));
}

TEST_F(RetailSaleTest, RefusedLineLeavesTheGrid) {
  enter("1");
  sale->setEntry("A");
  sale->unos();
  EXPECT_FALSE(sale->entryEnabled);
  sale->takeLastLineOff(false);
  EXPECT_TRUE(sale->entryEnabled);
  EXPECT_EQ(sale->sledeciRed, 2);
  EXPECT_EQ(sale->lblUkupno(), "30,00");
  EXPECT_EQ(sale->edtPovracaj(), "-30,00");
  EXPECT_TRUE(sale->cell(2, 1).isEmpty());
}

TEST_F(RetailSaleTest, CardTerminalWaitAndEscape) {
  sale->setSettings({4, false, true});
  enter("1");
  // Esc with no card payment waiting asks nothing and sends nothing.
  const auto callsBefore = engine.calls.size();
  sale->escapeKey();
  EXPECT_TRUE(prompt.shown.isEmpty());
  EXPECT_EQ(engine.calls.size(), callsBefore);

  const int sentBefore = int(engine.sent.size());
  sale->setEntry("");
  sale->karticaKey();
  EXPECT_EQ(sale->edtStatus(),
            "PROVUCITE KARTICU I SACEKAJTE. UKOLIKO NE ZELITE DA SACEKATE ODGOVOR TERMINALA "
            "PRITISNITE TASTER ESC");
  EXPECT_EQ(sale->edtKartica(), "30,00");
  EXPECT_TRUE(sale->cardPaymentPending());
  EXPECT_EQ(int(engine.sent.size()), sentBefore); // the terminal sends it after approval
  EXPECT_FALSE(engine.cekanjePrekinuto);

  prompt.answer = false;
  sale->escapeKey();
  EXPECT_TRUE(engine.cekanjePrekinuto);
  EXPECT_TRUE(prompt.shown.back().startsWith("?PREKID / Prekinuto cekanje odgovora terminala."));
  EXPECT_EQ(sale->edtKartica(), "0,00");
  EXPECT_EQ(sale->edtPovracaj(), "-30,00");
  EXPECT_FALSE(sale->cardPaymentPending());

  sale->karticaKey();
  prompt.answer = true;
  sale->escapeKey();
  EXPECT_EQ(engine.calls.back(), "Placanje");
  EXPECT_EQ(engine.sent.back().nacinPlacanja, 2);
  EXPECT_EQ(engine.sent.back().iznosPlacanja, Money(30.0));

  // The habitual Esc + Enter after the payment went out books nothing more.
  const auto shown = prompt.shown.size();
  const auto sent = engine.sent.size();
  sale->escapeKey();
  EXPECT_EQ(prompt.shown.size(), shown);
  EXPECT_EQ(engine.sent.size(), sent);
}

TEST_F(RetailSaleTest, KeysOnlyForModelFour) {
  sale->setSettings({1, false, false});
  sale->displejKey();
  sale->slobodanTekstKey();
  sale->stornoKey();
  EXPECT_EQ(prompt.shown.size(), 3);
  for (const QString &s : prompt.shown)
    EXPECT_EQ(s, "GRESKA / Nije dostupno za model kase sa kojom radite!");
  sale->fiokaKey();
  EXPECT_EQ(engine.calls.back(), "OtvoriFioku");

  sale->setSettings({4, false, false});
  bool freeTextShown = false;
  sale->showFreeText = [&] { freeTextShown = true; };
  sale->slobodanTekstKey();
  EXPECT_TRUE(freeTextShown);
  sale->stornoKey();
  EXPECT_EQ(engine.calls.back(), "StornirajRacun");
  EXPECT_FALSE(sale->entryEnabled);
}

TEST_F(RetailSaleTest, StoredReceiptContinues) {
  sale->loadStoredReceipt({{"1", "8600000000011", "Hleb", Money(2), Quantity(30), Money(60)},
                           {"A", "", "Sitno", Money(1), Quantity(2.5), Money(2.5)}});
  EXPECT_EQ(sale->sledeciRed, 3);
  EXPECT_EQ(sale->lblUkupno(), "62,50");
  EXPECT_EQ(sale->edtPovracaj(), "-62,50");
  EXPECT_EQ(col(2, 3), "Sitno");
  enter("1");
  EXPECT_EQ(col(3, 1), "1");
  EXPECT_EQ(sale->lblUkupno(), "92,50");
}

TEST_F(RetailSaleTest, CardTerminalAnswers) {
  sale->setSettings({4, false, true});
  struct Case {
    const char *name;
    bool approved;
    bool abandoned;
    const char *status;
    const char *kartica;
    bool sent;
  } cases[] = {
      {"approved", true, false, " AUTORIZOVANO", "30,00", true},
      {"refused", false, false, " GRESKA U AUTORIZACIJI", "0,00", false},
      {"too late", true, true, "", "30,00", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    sale->resetAfterReceipt();
    enter("1");
    sale->setEntry("");
    sale->karticaKey();
    EXPECT_EQ(sale->terminalAmountRequested(), "30,00");
    EXPECT_EQ(sale->edtStatus(), "SALJEM IZOS");
    sale->setStatus("");
    const auto before = engine.sent.size();
    sale->terminalResult(c.approved, "VISA", "REF1", "4111", c.abandoned);
    EXPECT_EQ(sale->edtStatus(), c.status);
    EXPECT_EQ(sale->edtKartica(), c.kartica);
    EXPECT_EQ(engine.sent.size() > before, c.sent);
    if (c.sent) {
      EXPECT_EQ(engine.sent.back().nacinPlacanja, 2);
      EXPECT_EQ(engine.sent.back().brojKartice, "4111");
      EXPECT_EQ(engine.sent.back().brojTransakcije, "REF1");
      EXPECT_EQ(engine.sent.back().tipKartice, "VISA");
      // An answer that comes again sends nothing more.
      sale->terminalResult(true, "VISA", "REF1", "4111", false);
      EXPECT_EQ(engine.sent.size(), before + 1);
    }
    if (!c.approved) {
      EXPECT_EQ(sale->edtPovracaj(), "-30,00");
    }
  }
}

TEST(RetailSaleCut, FiveCharacters) {
  EXPECT_EQ(RetailSale::cutFive("12,345"), "12,34");
  EXPECT_EQ(RetailSale::cutFive("1234567"), "12345");
  EXPECT_EQ(RetailSale::cutFive("1234,"), "1234");
  EXPECT_EQ(RetailSale::cutFive("0,5"), "0,5");
  EXPECT_EQ(RetailSale::cutFive("12,34"), "12,34");
}

} // namespace

// The server went away in the middle of the receipt: an article sold before is still
// found (as the till last read it), one never read is not; the status line says how
// many steps wait until none does.
TEST_F(RetailSaleTest, WhileTheDatabaseIsAwayArticlesReadBeforeAreStillSoldAndTheStatusSaysSo) {
  enter("1");
  ASSERT_EQ(sale->sledeciRed, 2);
  db.close();
  enter("1");
  ASSERT_EQ(sale->sledeciRed, 3);
  EXPECT_EQ(col(2, 3), "Hleb");
  EXPECT_EQ(col(2, 5), "30,00");
  enter("8600000000011"); // its barcode was never read: not found
  EXPECT_EQ(sale->sledeciRed, 3);
  enter("A");
  EXPECT_EQ(sale->sledeciRed, 3);

  sale->showDatabaseOutage(3);
  EXPECT_EQ(sale->statusLine(), "BAZA NEDOSTUPNA - koraka na cekanju: 3");
  sale->showDatabaseOutage(0);
  EXPECT_EQ(sale->statusLine(), QString());
}
