// Paying part of a table: the split windows' models on the real engine, database and
// fiscal-sim's device in-process. What the lists show, what the receipt holds, what the
// device printed and what is left on the table.
#include "splitfixture.h"

namespace {

using restauranttest::Restaurant;
using restauranttest::Split;

TEST(SplitLineText, QuantityCodeAndNamePadded) {
  testsupport::pinLocale();
  TableLine l;
  l.kolicina = Quantity(1);
  l.sifra = QStringLiteral("12");
  l.naziv = QStringLiteral("Kafa");
  EXPECT_EQ(splitLineText(l),
            QStringLiteral(" 1,00  12       Kafa") + QString(32, ' ') + QStringLiteral(" "));
  l.kolicina = Quantity(12.5);
  l.sifra = QStringLiteral("1234567");
  l.naziv = QString(36, 'N');
  EXPECT_EQ(splitLineText(l), QStringLiteral("12,50  1234567  ") + QString(36, 'N') + QStringLiteral(" "));
  l.kolicina = Quantity(-2);
  EXPECT_TRUE(splitLineText(l).startsWith(QStringLiteral("-2,00  ")));
}

class ByArticles : public ::testing::TestWithParam<int> {};

// Lines 1 and 3 chosen: 9,00; the receipt holds just them, the rest is the cash part;
// afterwards only the beer is on the table, which stays Ana's, and the window is ready
// for the next guest; paying the beer too frees the table.
TEST_P(ByArticles, TwoLinesPaidTheBeerStaysThenTheLastFreesTheTable) {
  const int model = GetParam();
  Split s(model);
  ASSERT_TRUE(s.art.open());
  EXPECT_TRUE(s.r.h.engine->rastavljanjePoArtiklima());
  EXPECT_EQ(Split::keys(s.art.remaining()), (QStringList{"1", "2", "3"}));
  EXPECT_EQ(s.art.remaining()[1].text, QStringLiteral(" 1,00  5        PIVO") + QString(32, ' ') + " ");
  EXPECT_TRUE(s.art.canMoveRight());
  EXPECT_FALSE(s.art.canMoveLeft());
  EXPECT_EQ(s.art.lblUkupno(), "0,00");

  s.art.moveRight(0); // line 1
  EXPECT_EQ(s.art.lblUkupno(), "4,00");
  s.art.moveRight(1); // line 3 (the beer is now first on the left)
  EXPECT_EQ(s.art.lblUkupno(), "9,00");
  EXPECT_EQ(Split::keys(s.art.chosen()), (QStringList{"1", "3"}));
  EXPECT_EQ(Split::keys(s.art.remaining()), QStringList{"2"});
  EXPECT_TRUE(s.art.canMoveLeft());

  s.art.setEntry("");
  s.art.enterKey();
  EXPECT_FALSE(s.art.entryEnabled);
  EXPECT_FALSE(s.art.requestClose()) << "closed while the receipt was being sent";
  // Nothing tendered: the chosen lines are paid in cash.
  EXPECT_EQ(s.art.edtGotovina(), "9,00");
  EXPECT_EQ(s.art.edtPovracaj(), "0,00");
  const QStringList expected =
      model == 2 ? QStringList{"100 op2", "200 4 2,000 4,00 s0 r1", "200 6 1,000 5,00 s0 r3", "-1 o9,00"}
                 : QStringList{"100 op2", "200 4 2,000 4,00 s0 r1", "200 6 1,000 5,00 s0 r3",
                               "300 n0 9,00 o9,00", "-1 o0,00"};
  EXPECT_EQ(Restaurant::describe(s.r.h.engine->stavkeRacuna()), expected);
  s.finish(s.art);

  const QList<QJsonObject> receipts = s.r.device.journal();
  ASSERT_EQ(receipts.size(), 1) << s.r.h.prompt.log.join("\n").toStdString();
  EXPECT_DOUBLE_EQ(receipts[0].value("total").toDouble(), 9.0);
  EXPECT_EQ(receipts[0].value("lines").toArray().size(), 2);
  EXPECT_EQ(s.table(), QStringList{"2|5|1"});
  EXPECT_EQ(s.r.row("SELECT sifkonob FROM stolovi WHERE brstola = 5"), "2");
  EXPECT_EQ(s.r.row("SELECT COUNT(*) FROM racuni WHERE status = 1"), "1");
  EXPECT_TRUE(s.art.entryEnabled);
  EXPECT_TRUE(s.art.chosen().isEmpty());
  EXPECT_EQ(Split::keys(s.art.remaining()), QStringList{"2"});
  EXPECT_EQ(s.art.lblUkupno(), "0,00");
  EXPECT_EQ(s.art.edtGotovina(), "0,00");

  // The beer, paid in cash with change: the table is empty and free.
  s.art.moveRight(0);
  EXPECT_EQ(s.art.lblUkupno(), "3,50");
  s.art.setEntry("10");
  s.art.gotovinaKey();
  EXPECT_EQ(s.art.edtPovracaj(), "6,50");
  s.art.enterKey();
  s.finish(s.art);
  ASSERT_EQ(s.r.device.journal().size(), 2) << s.r.h.prompt.log.join("\n").toStdString();
  EXPECT_DOUBLE_EQ(s.r.device.journal()[1].value("total").toDouble(), 3.5);
  EXPECT_TRUE(s.table().isEmpty());
  EXPECT_EQ(s.r.row("SELECT sifkonob FROM stolovi WHERE brstola = 5"), "-1");
  EXPECT_TRUE(s.art.remaining().isEmpty());
  EXPECT_FALSE(s.art.canMoveRight());
  EXPECT_TRUE(s.art.requestClose());
  EXPECT_FALSE(s.r.h.engine->rastavljanjePoArtiklima());
  EXPECT_TRUE(s.r.sale->tables().isEmpty()) << "the freed table stays in the waiter's list";
}

// Moving back: the last row back gives 0,00 and "<<<" can no longer act; ">>>" cannot
// once the left list is empty.
TEST_P(ByArticles, MovingBackAndTheArrowsState) {
  Split s(GetParam());
  ASSERT_TRUE(s.art.open());
  s.art.moveRight(0);
  s.art.moveRight(0);
  s.art.moveRight(0);
  EXPECT_EQ(s.art.lblUkupno(), "12,50");
  EXPECT_FALSE(s.art.canMoveRight());
  s.art.moveRight(0); // nothing left to move
  EXPECT_EQ(s.art.chosen().size(), 3);
  s.art.moveLeft(1); // the beer goes back to the end of the left list
  EXPECT_EQ(s.art.lblUkupno(), "9,00");
  s.art.moveLeft(0);
  s.art.moveLeft(0);
  EXPECT_EQ(Split::keys(s.art.remaining()), (QStringList{"2", "1", "3"}));
  EXPECT_EQ(s.art.lblUkupno(), "0,00");
  EXPECT_FALSE(s.art.canMoveLeft());
  EXPECT_TRUE(s.art.canMoveRight());
  // Nothing chosen: "ZBIR" sends nothing.
  const int frames = int(s.r.device.frames.size());
  s.art.zbir();
  EXPECT_TRUE(s.art.entryEnabled);
  EXPECT_EQ(int(s.r.device.frames.size()), frames);
}

INSTANTIATE_TEST_SUITE_P(Models, ByArticles, ::testing::Values(1, 2, 4, 5),
                         [](const auto &info) { return "Model" + std::to_string(info.param); });

class ByRounds : public ::testing::TestWithParam<int> {};

// Rounds 1, 2, 3: round 2 paid; its line is gone and the former round 3 is round 2, in
// the table and in the list.
TEST_P(ByRounds, PaidRoundLeavesAndTheNextMovesDown) {
  Split s(GetParam(), {1, 2, 3});
  ASSERT_TRUE(s.ture.open());
  EXPECT_TRUE(s.r.h.engine->rastavljanjePoTurama());
  EXPECT_EQ(s.ture.rounds(), (QStringList{"1", "2", "3"}));
  EXPECT_TRUE(s.ture.chosen().isEmpty());
  s.ture.chooseRound(1);
  EXPECT_EQ(Split::keys(s.ture.chosen()), QStringList{"2"});
  EXPECT_EQ(s.ture.lblUkupno(), "3,50");
  s.ture.setEntry("");
  s.ture.enterKey();
  s.finish(s.ture);
  ASSERT_EQ(s.r.device.journal().size(), 1) << s.r.h.prompt.log.join("\n").toStdString();
  EXPECT_DOUBLE_EQ(s.r.device.journal()[0].value("total").toDouble(), 3.5);
  EXPECT_EQ(s.table(), (QStringList{"1|4|1", "3|6|2"}));
  EXPECT_EQ(s.ture.rounds(), (QStringList{"1", "2"}));
  EXPECT_TRUE(s.ture.chosen().isEmpty());
  EXPECT_EQ(s.ture.lblUkupno(), "0,00");
  EXPECT_EQ(s.r.row("SELECT sifkonob FROM stolovi WHERE brstola = 5"), "2");

  // The rest, round by round: the last one frees the table.
  s.ture.chooseRound(1);
  s.ture.zbir();
  s.finish(s.ture);
  s.ture.chooseRound(0);
  EXPECT_EQ(s.ture.lblUkupno(), "4,00");
  s.ture.zbir();
  s.finish(s.ture);
  EXPECT_EQ(s.r.device.journal().size(), 3);
  EXPECT_TRUE(s.table().isEmpty());
  EXPECT_TRUE(s.ture.rounds().isEmpty());
  EXPECT_EQ(s.r.row("SELECT sifkonob FROM stolovi WHERE brstola = 5"), "-1");
  EXPECT_TRUE(s.ture.requestClose());
  EXPECT_FALSE(s.r.h.engine->rastavljanjePoTurama());
}

// Another till adds to the table while round 2 is on its way: a line in round 2 and a new
// round 4. Only the paid line leaves; round 2 keeps the new line, so nothing moves down.
TEST_P(ByRounds, LinesAddedMeanwhileByAnotherTillSurvive) {
  Split s(GetParam(), {1, 2, 3});
  ASSERT_TRUE(s.ture.open());
  s.ture.chooseRound(1);
  s.ture.zbir();
  ASSERT_FALSE(s.ture.entryEnabled);
  s.r.order(5, "1", 1, 2); // rbr 4, round 2
  s.r.order(5, "2", 1, 4); // rbr 5, a new round 4
  s.finish(s.ture);
  ASSERT_EQ(s.r.device.journal().size(), 1) << s.r.h.prompt.log.join("\n").toStdString();
  EXPECT_DOUBLE_EQ(s.r.device.journal()[0].value("total").toDouble(), 3.5);
  EXPECT_EQ(s.table(), (QStringList{"1|4|1", "3|6|3", "4|1|2", "5|2|4"}));
  EXPECT_EQ(s.ture.rounds(), (QStringList{"1", "2", "3", "4"}));
}

INSTANTIATE_TEST_SUITE_P(Models, ByRounds, ::testing::Values(1, 2, 4, 5),
                         [](const auto &info) { return "Model" + std::to_string(info.param); });

// Nothing to split: the message instead of the window, and no split flag left set.
TEST(SplitOpen, EmptyTableShowsTheMessage) {
  Split s(1);
  s.r.sale->showWaiter(2);
  EXPECT_TRUE(s.r.h.db.exec("UPDATE stolovi SET sifkonob = 2 WHERE brstola = 1"));
  s.r.sale->showWaiter(2);
  s.r.sale->selectRow(0); // table 1, no lines
  ASSERT_EQ(s.r.sale->trenutniSto(), 1);
  EXPECT_FALSE(s.art.open());
  EXPECT_FALSE(s.ture.open());
  EXPECT_EQ(s.r.h.prompt.log, (QStringList{"message|Greska|Nijedan artikal nije unet!",
                                           "message|Greska|Nijedan artikal nije unet!"}));
  EXPECT_FALSE(s.r.h.engine->rastavljanjePoArtiklima());
  EXPECT_FALSE(s.r.h.engine->rastavljanjePoTurama());
}

class SplitRefused : public ::testing::TestWithParam<int> {};

// The device refuses the second line of a split receipt and the waiter stops: the table
// still holds every line it had, each once, and the window can be used again.
TEST_P(SplitRefused, StoppedReceiptLeavesTheTableWhole) {
  const int model = GetParam();
  Split s(model);
  ASSERT_TRUE(s.art.open());
  s.art.moveRight(0);
  s.art.moveRight(0);
  s.art.moveRight(0);
  s.r.h.prompt.errorAnswers = {UserPrompt::Zaustavi};
  s.art.zbir();
  const int family = int(DeviceProfile::of(model).family);
  auto linesSent = [&] {
    int n = 0;
    for (const int code : s.r.device.codes())
      n += family == 1 ? (code == 0x0B || code == 0x0C || code == 0x05 || code == 0x06)
                       : (code == 0x03 || code == 0x04);
    return n;
  };
  for (int ms = 0; ms < 3000 && linesSent() < 1; ++ms)
    s.r.h.clock.advance(1);
  ASSERT_EQ(linesSent(), 1);
  s.r.device.control(QJsonObject{{"cmd", "refuse"}});
  s.finish(s.art);
  s.r.settle();
  ASSERT_EQ(s.r.h.prompt.errors.size(), 1) << s.r.h.prompt.log.join("\n").toStdString();
  const QStringList unpaid = s.table();
  if (model == 4) {
    // Model 4 reports the refusal as a notice and gives the line up: the line it took
    // is paid and gone, the others stay.
    EXPECT_EQ(unpaid, (QStringList{"2|5|1", "3|6|1"}));
  } else {
    EXPECT_EQ(unpaid, (QStringList{"1|4|1", "2|5|1", "3|6|1"}));
  }
  EXPECT_EQ(s.r.row("SELECT COUNT(DISTINCT rbr) FROM stost"), s.r.row("SELECT COUNT(*) FROM stost"));
  EXPECT_EQ(s.r.row("SELECT sifkonob FROM stolovi WHERE brstola = 5"), "2");
  EXPECT_TRUE(s.art.entryEnabled);
  EXPECT_TRUE(s.art.listsEnabled);
  EXPECT_TRUE(s.art.requestClose());
}

INSTANTIATE_TEST_SUITE_P(Models, SplitRefused, ::testing::Values(1, 2, 4, 5),
                         [](const auto &info) { return "Model" + std::to_string(info.param); });

// A card approved by the terminal while the split window is the sale window: its data
// go into the restaurant screen's hidden fields and from there onto the receipt.
TEST(SplitCard, ApprovedCardGoesWithTheReceipt) {
  Split s(1, {1, 1, 1}, true);
  ASSERT_TRUE(s.art.open());
  s.art.moveRight(2);
  EXPECT_EQ(s.art.lblUkupno(), "5,00");
  s.art.setEntry("");
  s.art.karticaKey();
  EXPECT_EQ(s.art.edtKartica(), "5,00");
  EXPECT_TRUE(s.art.edtStatusRest().endsWith("TASTER DEL"));
  EXPECT_EQ(s.art.terminalAmountRequested(), "5,00");
  s.art.terminalResult(true, "VISA", "778899", "4111");
  EXPECT_EQ(s.art.edtStatusRest(), " AUTORIZOVANO");
  EXPECT_EQ(s.r.sale->edtTipKart, "VISA");
  EXPECT_EQ(s.r.sale->edtBrojKart, "4111");
  s.art.zbir();
  const auto &steps = s.r.h.engine->stavkeRacuna();
  const auto card = std::find_if(steps.begin(), steps.end(), [](const Racun &r) {
    return r.operacija == Racun::Placanje && r.nacinPlacanja == Racun::Kartica;
  });
  ASSERT_NE(card, steps.end());
  EXPECT_EQ(card->iznosPlacanja.text(), "5,00");
  EXPECT_EQ(card->brojTransakcije, "778899");
  EXPECT_TRUE(s.r.sale->edtTipKart.isEmpty()) << "the hidden fields keep an approval already used";
  s.finish(s.art);
  EXPECT_EQ(s.r.rows("SELECT nacin, iznos FROM rate ORDER BY rbr").value(0), "2|5");
  EXPECT_EQ(s.table(), (QStringList{"1|4|1", "2|5|1"}));
}

} // namespace
