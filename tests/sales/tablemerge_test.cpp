// Merging tables and the free-table picker on a real database: which merges go through,
// what the moved lines become, and that a refused or failed merge changes nothing.
#include "restaurantfixture.h"
#include "sales/freetablepicker.h"
#include "sales/tablemerge.h"

namespace {

using restauranttest::Restaurant;

struct Merge {
  Merge() : r(1), merge(r.h.db, r.h.prompt) {
    // Table 7 is Ana's as well; Marko holds 6.
    EXPECT_TRUE(r.h.db.exec("INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (7, 'Sto 7', 2)"));
  }
  bool run(const QString &from, const QString &to, const QString &kon1 = {}, const QString &kon2 = {}) {
    merge.clear();
    merge.edtSto1 = from;
    merge.edtSto2 = to;
    merge.meKon1 = kon1;
    merge.meKon2 = kon2;
    return merge.spojiStolove();
  }
  QStringList lines(int sto) {
    return r.rows(
        QStringLiteral("SELECT rbr, sifra, tura FROM stost WHERE brstola = %1 ORDER BY rbr").arg(sto));
  }
  QString owner(int sto) {
    return r.row(QStringLiteral("SELECT sifkonob FROM stolovi WHERE brstola = %1").arg(sto));
  }
  QString said() { return r.h.prompt.log.isEmpty() ? QString() : r.h.prompt.log.takeLast(); }

  Restaurant r;
  TableMerge merge;
};

// Table 5 (lines 1-3, rounds 1 and 2) into table 7 (lines 1-4, rounds 1-3), one waiter:
// table 7 ends with lines 1-7, the moved ones in rounds 4 and 5; table 5 is free.
TEST(TableMerge, SameWaiterLinesAndRoundsFollowTheTarget) {
  Merge m;
  m.r.order(5, "1", 1, 1);
  m.r.order(5, "2", 1, 1);
  m.r.order(5, "1", 2, 2);
  for (int tura : {1, 2, 3, 3})
    m.r.order(7, "2", 1, tura);
  EXPECT_TRUE(m.run(" 5 ", "7"));
  EXPECT_TRUE(m.r.h.prompt.log.isEmpty()) << m.r.h.prompt.log.join("\n").toStdString();
  EXPECT_EQ(m.lines(7), (QStringList{"1|2|1", "2|2|2", "3|2|3", "4|2|3", "5|1|4", "6|2|4", "7|1|5"}));
  EXPECT_TRUE(m.lines(5).isEmpty());
  EXPECT_EQ(m.owner(5), "-1");
  EXPECT_EQ(m.owner(7), "2");
}

// Into an open table without lines: the lines keep their numbers and rounds.
TEST(TableMerge, IntoAnEmptyTableKeepsNumbersAndRounds) {
  Merge m;
  m.r.order(5, "1", 1, 1);
  m.r.order(5, "2", 1, 2);
  EXPECT_TRUE(m.run("5", "7"));
  EXPECT_EQ(m.lines(7), (QStringList{"1|1|1", "2|2|2"}));
  EXPECT_EQ(m.owner(5), "-1");
}

// Ana's table 5 into Marko's table 6: both codes, each in its own field, case and all.
TEST(TableMerge, TwoWaitersNeedBothCodesInTheirFields) {
  Merge m;
  m.r.order(5, "1", 1, 1);
  m.r.order(6, "2", 1, 1);
  const QString refused = "message|Greska|Stolove drze razliciti konobari. Morate uneti sifre konobara!";
  EXPECT_FALSE(m.run("5", "6"));
  EXPECT_EQ(m.said(), refused);
  EXPECT_FALSE(m.run("5", "6", "3333", "2222")); // swapped
  EXPECT_EQ(m.said(), refused);
  EXPECT_FALSE(m.run("5", "6", "2222", ""));
  EXPECT_EQ(m.said(), refused);
  EXPECT_EQ(m.lines(5), QStringList{"1|1|1"});
  EXPECT_EQ(m.lines(6), QStringList{"1|2|1"});
  EXPECT_TRUE(m.run("5", "6", "2222", "3333"));
  EXPECT_EQ(m.lines(6), (QStringList{"1|2|1", "2|1|2"}));
  EXPECT_EQ(m.owner(5), "-1");
  EXPECT_EQ(m.owner(6), "3") << "the receiving table keeps its waiter";
}

// Refusals that leave everything as it was: a free source into another waiter's table
// (it has no code to match), a table into itself, missing, unknown and bad numbers.
TEST(TableMerge, RefusedMergesChangeNothing) {
  Merge m;
  m.r.order(5, "1", 1, 1);
  m.r.order(5, "2", 1, 2);
  EXPECT_FALSE(m.run("1", "6", "", "3333"));
  EXPECT_EQ(m.said(), "message|Greska|Stolove drze razliciti konobari. Morate uneti sifre konobara!");
  EXPECT_FALSE(m.run("1", "6", "x", "3333"));
  EXPECT_EQ(m.owner(6), "3");

  EXPECT_FALSE(m.run("5", "5"));
  EXPECT_EQ(m.said(), "message|Greska|Sto ne moze da se spoji sam sa sobom! Unesite dva razlicita stola.");
  EXPECT_EQ(m.lines(5), (QStringList{"1|1|1", "2|2|2"}));
  EXPECT_EQ(m.owner(5), "2");

  EXPECT_FALSE(m.run("", "7"));
  EXPECT_EQ(m.said(), "message|Greska|Morate uneti brojeve stolova!");
  EXPECT_FALSE(m.run("5", "  "));
  EXPECT_EQ(m.said(), "message|Greska|Morate uneti brojeve stolova!");
  EXPECT_FALSE(m.run("5", "99"));
  EXPECT_EQ(m.said(), "message|Greska|Stolovi sa datim brojevima nisu pronadjeni!");
  EXPECT_FALSE(m.run("5", "7; DELETE FROM stost"));
  EXPECT_EQ(
      m.said(),
      "message|Greska|Greska!Spajanje stolova nije uspelo!Proverite da li ste dobro uneli brojeve stolova");
  EXPECT_EQ(m.lines(5), (QStringList{"1|1|1", "2|2|2"}));
  EXPECT_EQ(m.owner(5), "2");
}

// The database refuses freeing the source after its lines were moved: the move is undone,
// both tables are exactly as before, and the waiter is told.
TEST(TableMerge, FailureHalfWayLeavesBothTablesAsTheyWere) {
  Merge m;
  m.r.order(5, "1", 1, 1);
  m.r.order(7, "2", 1, 1);
  ASSERT_TRUE(m.r.h.db.exec("CREATE TRIGGER no_free BEFORE UPDATE OF sifkonob ON stolovi "
                            "WHEN NEW.sifkonob = -1 BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  EXPECT_FALSE(m.run("5", "7"));
  EXPECT_EQ(
      m.said(),
      "message|Greska|Greska!Spajanje stolova nije uspelo!Proverite da li ste dobro uneli brojeve stolova");
  EXPECT_EQ(m.lines(5), QStringList{"1|1|1"});
  EXPECT_EQ(m.lines(7), QStringList{"1|2|1"});
  EXPECT_EQ(m.owner(5), "2");
}

// The restaurant screen after a merge: the emptied table has left the waiter's list and the
// receiving table shows its new total; nothing happens while a receipt is being sent.
TEST(TableMerge, RestaurantScreenShowsTheResult) {
  Merge m;
  m.r.order(5, "1", 1, 1);
  m.r.order(7, "2", 1, 1);
  m.r.open();
  ASSERT_EQ(m.r.sale->trenutniSto(), 5);
  int shown = 0;
  m.r.sale->showMerge = [&] {
    ++shown;
    return m.run("5", "7");
  };
  m.r.sale->spajanjeKey();
  EXPECT_EQ(shown, 1);
  ASSERT_EQ(m.r.sale->tables().size(), 1);
  EXPECT_EQ(m.r.sale->trenutniSto(), 7);
  EXPECT_EQ(m.r.sale->lblUkupno(), "250,00");
  m.r.sale->entryEnabled = false;
  m.r.sale->spajanjeKey();
  EXPECT_EQ(shown, 1);
}

TEST(FreeTablePicker, OnlyAFreeTableIsChosen) {
  Restaurant r(1);
  FreeTablePicker picker(r.h.db);
  ASSERT_TRUE(picker.load());
  QStringList free;
  for (const RestaurantTable &t : picker.tables())
    free << QString::number(t.brstola);
  EXPECT_EQ(free, (QStringList{"1", "2", "3", "4"}));
  for (const char *text : {"", "5", "6", "99", "x", "2x"}) {
    picker.Edit1 = QString::fromLatin1(text);
    EXPECT_FALSE(picker.numberEntered()) << text;
    EXPECT_FALSE(picker.izabraniSto) << text;
  }
  picker.Edit1 = " 3 ";
  EXPECT_TRUE(picker.numberEntered());
  EXPECT_EQ(picker.izabraniSto, 3);
  ASSERT_TRUE(picker.load());
  EXPECT_FALSE(picker.izabraniSto) << "a new showing starts without a choice";
  EXPECT_FALSE(picker.rowChosen(4));
  EXPECT_TRUE(picker.rowChosen(1));
  EXPECT_EQ(picker.izabraniSto, 2);
}

// F8 with an empty entry line: the picker's table is opened for the waiter; a table
// taken by another till since the list was read is refused.
TEST(FreeTablePicker, RestaurantOpensThePickedTable) {
  Restaurant r(1);
  r.open();
  FreeTablePicker picker(r.h.db);
  r.sale->pickFreeTable = [&]() -> std::optional<int> {
    picker.load();
    picker.rowChosen(2);
    return picker.izabraniSto;
  };
  r.key("", &RestaurantSale::otvoriSto);
  EXPECT_EQ(r.sale->trenutniSto(), 3);
  EXPECT_EQ(r.row("SELECT sifkonob FROM stolovi WHERE brstola = 3"), "2");
  r.sale->pickFreeTable = [&]() -> std::optional<int> {
    picker.load();
    picker.rowChosen(0);
    EXPECT_TRUE(r.h.db.exec("UPDATE stolovi SET sifkonob = 3 WHERE brstola = 1"));
    return picker.izabraniSto;
  };
  r.key("", &RestaurantSale::otvoriSto);
  EXPECT_EQ(r.sale->edtStatusRest(), "STO NIJE SLOBODAN");
  EXPECT_EQ(r.row("SELECT sifkonob FROM stolovi WHERE brstola = 1"), "3");
  r.sale->pickFreeTable = [] { return std::optional<int>(); }; // closed without a choice
  r.key("", &RestaurantSale::otvoriSto);
  EXPECT_EQ(r.sale->trenutniSto(), 3);
}

} // namespace
