#include "data/dbfixture.h"
#include "data/tablerepository.h"
#include "sales/articlelookup.h"
#include "sales/tableorders.h"
#include "support/testsupport.h"

namespace {

// The order window's model on a real database: keys in, STOST rows and fields out.
class TableOrdersTest : public DbTest {
protected:
  void seed() override {
    testsupport::pinLocale();
    const char *rows[] = {
        "('1','','Coca cola',100,2,'P')",
        "('2','','Supa',200,1,'J')",
        "('3','8600000000116','Pivo',150,2,'P')",
        "('123456','','Kod sest',10,2,'J')", // a code that is another article's barcode
        "('77','123456','Barkod sest',20,2,'P')",
        "('654321','','Sest kod',12,1,'J')", // six characters, no such barcode
        "('1234567','','Sedam',5,1,'J')",
        "('88','7654321','Nije kod',6,1,'J')",             // a barcode of 7 characters is never looked for
        "('500','2100123000000','Sir na meru',100,1,'J')", // weighed: not in this window
        "('A','','Sitno',2.5,1,'J')",
    };
    for (const char *r : rows)
      ASSERT_TRUE(
          db.exec(QStringLiteral("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, vrsta, "
                                 "lager) VALUES %1")
                      .arg(QString::fromLatin1(r).replace(QStringLiteral(")"), QStringLiteral(",0)")))));
    ASSERT_TRUE(db.exec("INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (5, 'Sto 5', 2)"));
    lookup = std::make_unique<DatabaseArticleLookup>(db);
    orders = std::make_unique<TableOrders>(db, *lookup);
    orders->setAmountRule(4, false);
    ASSERT_TRUE(orders->open(5, Waiter{2, QStringLiteral("Marko"), false}));
  }
  void TearDown() override {
    orders.reset();
    DbTest::TearDown();
  }

  // Keys as the waiter presses them: "E:text" Enter, "*:text" quantity, "-" void, "R:n" round n.
  void press(const QString &step) {
    const QString text = step.mid(2);
    switch (step.at(0).toLatin1()) {
    case 'E':
      orders->setEntry(text);
      orders->unos();
      break;
    case '*':
      orders->setEntry(text);
      orders->kolicinaKey();
      break;
    case '-':
      orders->ponistiKey();
      break;
    case 'R':
      orders->selectRound(text.toInt() - 1);
      break;
    default:
      FAIL() << "unknown step " << step.toStdString();
    }
  }
  // The table's STOST rows as "rbr:sifra:kolicina:iznos:storno:tura", in line order.
  QString stost() {
    QStringList out;
    for (const TableLine &l : TableRepository(db).lines(5).value_or({}))
      out << QStringLiteral("%1:%2:%3:%4:%5:%6")
                 .arg(l.rbr)
                 .arg(l.sifra, l.kolicina.text(), l.iznos.text())
                 .arg(l.storno ? 1 : 0)
                 .arg(l.tura);
    return out.join(' ');
  }
  QString grid() {
    QStringList out;
    for (const TableLine &l : orders->DBGridTure())
      out << QStringLiteral("%1:%2").arg(l.rbr).arg(l.sifra);
    return out.join(' ');
  }

  std::unique_ptr<DatabaseArticleLookup> lookup;
  std::unique_ptr<TableOrders> orders;
};
KASA_BOTH_ENGINES(TableOrdersTest);

struct UnosCase {
  const char *name;
  QStringList steps;
  const char *rows;   // STOST afterwards
  const char *status; // edtStatusRest afterwards
};

TEST_P(TableOrdersTest, EntryInterpreter) {
  const UnosCase cases[] = {
      {"code", {"E:1"}, "1:1:1,000:100,00:0:1", ""},
      {"code in other letter case", {"E:a"}, "1:A:1,000:2,50:0:1", ""},
      {"quantity key then code", {"*:2", "E:1"}, "1:1:2,000:200,00:0:1", ""},
      {"quantity cut to five characters", {"*:1,23456", "E:A"}, "1:A:1,234:3,09:0:1", ""},
      {"quantity of five ending in a separator keeps four",
       {"*:1234,", "E:A"},
       "1:A:1234,000:3085,00:0:1",
       ""},
      {"barcode", {"E:8600000000116"}, "1:3:1,000:150,00:0:1", ""},
      {"13-digit barcode that is no article: no weighed look-up", {"E:2100123015007"}, "", ""},
      {"six characters: barcode before code", {"E:123456"}, "1:77:1,000:20,00:0:1", ""},
      {"six characters without such barcode: code", {"E:654321"}, "1:654321:1,000:12,00:0:1", ""},
      {"seven characters: code", {"E:1234567"}, "1:1234567:1,000:5,00:0:1", ""},
      {"seven-character barcode: not looked for", {"E:7654321"}, "", ""},
      {"unknown code: nothing", {"E:999"}, "", ""},
      {"empty Enter: nothing", {"E:"}, "", ""},
      {"quantity key on an empty line", {"*:"}, "", "Zabranjena operacija!"},
      {"quantity that is no number", {"*:x"}, "", "POGRESAN BROJ"},
      {"zero quantity adds nothing", {"*:0", "E:1"}, "", ""},
      {"void by position",
       {"*:2", "E:1", "E:2", "-", "E:2"},
       "1:1:2,000:200,00:0:1 2:2:1,000:200,00:0:1 3:2:-1,000:-200,00:1:1",
       ""},
      {"void of the same position again: nothing left of it",
       {"*:2", "E:1", "E:2", "-", "E:2", "-", "E:2"},
       "1:1:2,000:200,00:0:1 2:2:1,000:200,00:0:1 3:2:-1,000:-200,00:1:1",
       "NEMOGUCA ISPRAVKA"},
      {"void of a void line",
       {"E:2", "-", "E:1", "-", "E:2"},
       "1:2:1,000:200,00:0:1 2:2:-1,000:-200,00:1:1",
       "NEMOGUCA ISPRAVKA"},
      {"void of a position beyond the round: nothing", {"E:1", "-", "E:5"}, "1:1:1,000:100,00:0:1", ""},
      {"void of a position that is no number", {"E:1", "-", "E:x"}, "1:1:1,000:100,00:0:1", "POGRESAN BROJ"},
      {"void takes the line's quantity, not the typed one",
       {"*:3", "E:1", "*:2", "-", "E:1"},
       "1:1:3,000:300,00:0:1 2:1:-3,000:-300,00:1:1",
       ""},
      {"void by barcode of the typed quantity",
       {"*:2", "E:8600000000116", "-", "E:8600000000116"},
       "1:3:2,000:300,00:0:1 2:3:-1,000:-150,00:1:1",
       ""},
      {"void by barcode beyond what the table holds",
       {"E:8600000000116", "*:2", "-", "E:8600000000116"},
       "1:3:1,000:150,00:0:1",
       "NEMOGUCA ISPRAVKA"},
      {"void by barcode of an article not on the table",
       {"E:1", "-", "E:8600000000116"},
       "1:1:1,000:100,00:0:1",
       "NEMOGUCA ISPRAVKA"},
      {"void by a six-character barcode not on the table (no position 123456)",
       {"E:1", "-", "E:123456"},
       "1:1:1,000:100,00:0:1",
       "NEMOGUCA ISPRAVKA"},
      {"void mode ends with an empty Enter",
       {"E:1", "-", "E:", "E:1"},
       "1:1:1,000:100,00:0:1 2:1:1,000:100,00:0:1",
       ""},
  };
  for (const UnosCase &c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(db.exec("DELETE FROM stost"));
    ASSERT_TRUE(orders->open(5, Waiter{2, QStringLiteral("Marko"), false}));
    for (const QString &step : c.steps)
      press(step);
    EXPECT_EQ(stost(), QString::fromLatin1(c.rows));
    EXPECT_EQ(orders->edtStatusRest, QString::fromLatin1(c.status));
    // Every Enter leaves the mode normal; one that was read leaves the entry empty and
    // the quantity at one (a text that is no number stays to be corrected).
    if (c.steps.last().startsWith('E')) {
      EXPECT_EQ(orders->rezimNarudzbine, "NORMAL");
      EXPECT_FALSE(orders->lblPonistavanjeVisible);
      if (QString::fromLatin1(c.status) != "POGRESAN BROJ") {
        EXPECT_EQ(orders->edtUnosRest, QString());
        EXPECT_EQ(orders->edtKol(), "1,000");
      }
    }
    // The grid shows the selected round as stored.
    EXPECT_EQ(int(orders->DBGridTure().size()), TableRepository(db).countRoundLines(5, 1).value_or(-1));
  }
}

TEST_P(TableOrdersTest, VoidKeyArmsTheModeAndQuantityKeyTakesTheNumber) {
  orders->ponistiKey();
  EXPECT_EQ(orders->rezimNarudzbine, "PONISTAVANJE");
  EXPECT_TRUE(orders->lblPonistavanjeVisible);
  orders->setEntry("2,5");
  orders->kolicinaKey();
  EXPECT_EQ(orders->edtKol(), "2,500");
  EXPECT_EQ(orders->edtUnosRest, QString());
}

TEST_P(TableOrdersTest, LineAmountFollowsTheDeviceRule) {
  struct Case {
    int model;
    bool zaokruzi;
    const char *amount;
  } cases[] = {{1, false, "0,93"}, {1, true, "0,94"}, {4, false, "0,94"}, {2, false, "0,94"}};
  for (const Case &c : cases) {
    ASSERT_TRUE(db.exec("DELETE FROM stost"));
    orders->setAmountRule(c.model, c.zaokruzi);
    press("*:0,375");
    press("E:A");
    EXPECT_EQ(stost(), QStringLiteral("1:A:0,375:%1:0:1").arg(QString::fromLatin1(c.amount))) << c.model;
  }
}

TEST_P(TableOrdersTest, RoundsOfATable) {
  // A new table: only round 1, selected; its first line is line 1 of round 1.
  EXPECT_EQ(orders->ListTure, QStringList{"1"});
  EXPECT_EQ(orders->selectedRound(), 1);
  EXPECT_EQ(orders->lblNar, "NARUDZBINE NA STOLU BROJ 5");
  EXPECT_TRUE(orders->cbKuhinja && orders->cbBar && orders->cbGost);
  EXPECT_EQ(orders->edtKol(), "1,000");
  press("E:1");
  press("E:2");
  ASSERT_TRUE(orders->open(5, Waiter{2, "Marko", false}));
  press("E:3");
  // Rounds 1 and 2 stand: the window opens on a new round 3 with an empty grid.
  ASSERT_TRUE(orders->open(5, Waiter{2, "Marko", false}));
  EXPECT_EQ(orders->ListTure, (QStringList{"1", "2", "3"}));
  EXPECT_EQ(orders->selectedRound(), 3);
  EXPECT_EQ(grid(), "");
  // Round 1 chosen: the next article goes to it, numbered over the whole table.
  press("R:1");
  EXPECT_EQ(grid(), "1:1 2:2");
  press("E:A");
  EXPECT_EQ(grid(), "1:1 2:2 4:A");
  // A void by position counts the article over all rounds: the soup of round 1 voided
  // from round 1, then once more refused.
  press("-");
  press("E:2");
  press("-");
  press("E:2");
  EXPECT_EQ(orders->edtStatusRest, "NEMOGUCA ISPRAVKA");
  EXPECT_EQ(stost(), "1:1:1,000:100,00:0:1 2:2:1,000:200,00:0:1 3:3:1,000:150,00:0:2 "
                     "4:A:1,000:2,50:0:1 5:2:-1,000:-200,00:1:1");
  // The new round 3 still has nothing: it exists only as a list item.
  press("R:3");
  EXPECT_EQ(grid(), "");
}

TEST_P(TableOrdersTest, TicketsOfTheSelectedRound) {
  // Round 1: soup ordered and voided, cola ×2, beer; round 2: another soup.
  for (const char *s : {"E:2", "-", "E:1", "*:2", "E:1", "E:8600000000116", "E:654321"})
    press(s);
  ASSERT_TRUE(orders->open(5, Waiter{2, "Marko", false}));
  press("E:2");
  press("R:1");
  auto t = orders->tickets();
  ASSERT_TRUE(t) << t.error().toStdString();
  ASSERT_EQ(t->size(), 3);
  EXPECT_EQ(t->at(0).title, "Narudzbenica za kuhinju");
  EXPECT_EQ(t->at(0).waiterLabel, "Konobar: Marko");
  QStringList kitchen, bar;
  for (const TicketLine &l : t->at(0).items)
    kitchen << l.sifra + "=" + l.kolicina.text();
  for (const TicketLine &l : t->at(1).items)
    bar << l.sifra + "=" + l.kolicina.text();
  // The summed soup is 0 here; the ticket's layout leaves it out.
  EXPECT_EQ(kitchen, (QStringList{"2=0,000", "654321=1,000"}));
  EXPECT_EQ(t->at(1).title, "Narudzbenica za bar");
  EXPECT_EQ(bar, (QStringList{"1=2,000", "3=1,000"}));
  EXPECT_EQ(t->at(2).title, "NEFISKALAN ISECAK");
  EXPECT_EQ(t->at(2).lines.size(), 5); // voids included
  // Only the ticked tickets, in their order.
  orders->cbKuhinja = false;
  orders->cbGost = false;
  t = orders->tickets();
  ASSERT_TRUE(t);
  ASSERT_EQ(t->size(), 1);
  EXPECT_EQ(t->at(0).kind, OrderTicket::Kind::Bar);
}

TEST_P(TableOrdersTest, LineNumbersStayUniqueWhenAnotherTillWroteFirst) {
  // Another till's line on the same table between our read of the rounds and our Enter:
  // ours takes the next free number.
  TableLine theirs;
  theirs.brstola = 5;
  theirs.sifra = "2";
  theirs.naziv = "Supa";
  theirs.kolicina = Quantity(1);
  theirs.tura = 1;
  ASSERT_TRUE(TableRepository(db).addLine(theirs));
  press("E:1");
  press("E:1");
  EXPECT_EQ(stost(), "1:2:1,000:0,00:0:1 2:1:1,000:100,00:0:1 3:1:1,000:100,00:0:1");
  // The pair (table, line) is a key: a second line 2 is refused by the database.
  EXPECT_FALSE(db.exec("INSERT INTO stost (rbr, brstola, sifra, tura) VALUES (2, 5, '1', 1)"));
}

} // namespace
