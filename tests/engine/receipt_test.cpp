#include "engineharness.h"

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

struct RetailCase {
  int model;
  quint8 saleCode;     // sale command of the model
  bool closesWithKraj; // families 2 and 4 close with KrajRacuna
};

class RetailReceipt : public ::testing::TestWithParam<RetailCase> {};

// One retail receipt from opening to completion, with the rows it leaves.
TEST_P(RetailReceipt, SoldPaidAndCompleted) {
  const RetailCase c = GetParam();
  Harness h(c.model);
  h.engine->setBrojRacuna(h.engine->nextReceiptNumber());
  ASSERT_EQ(h.engine->brojRacuna(), 1);
  h.engine->beginRetailReceipt(3);
  h.settle();
  ASSERT_EQ(h.lastCode(), 0x01);
  EXPECT_EQ(quint8(h.last()[6]), 10); // sequence byte of the first frame
  h.feed(reply::accept(c.model, 0x01));

  h.engine->sellRetailLine(Harness::sale(QStringLiteral("2"), QStringLiteral("ESPRESSO"), 2, 150));
  h.settle();
  ASSERT_EQ(h.lastCode(), c.saleCode);
  EXPECT_EQ(quint8(h.last()[6]), 12); // one accepted reply: +2
  h.feed(reply::accept(c.model, 0x03));

  EXPECT_EQ(h.scalar(QStringLiteral("SELECT COUNT(*) FROM prodato")).toInt(), 1);
  EXPECT_EQ(
      h.scalar(QStringLiteral("SELECT sifra || '|' || naziv || '|' || prodato || '|' || cena || '|' || iznos "
                              "|| '|' || storno || '|' || brrac || '|' || godina FROM prodato"))
          .toString(),
      QStringLiteral("2|ESPRESSO|2|150|300|0|1|2026"));
  EXPECT_EQ(h.scalar(QStringLiteral(
                         "SELECT sifoper || '|' || brstola || '|' || status || '|' || oslprom FROM racuni "
                         "WHERE broj = 1"))
                .toString(),
            QStringLiteral("3|0|0|NE"));
  // Stock of the article and of its recipe's component.
  EXPECT_DOUBLE_EQ(h.scalar(QStringLiteral("SELECT lager FROM artikli WHERE sifra = '2'")).toDouble(), 3);
  EXPECT_DOUBLE_EQ(h.scalar(QStringLiteral("SELECT lager FROM artikli WHERE sifra = '3'")).toDouble(), 99);

  h.engine->closeRetail(Harness::payment(Racun::Gotovina, 300, 300), true);
  h.settle();
  if (c.closesWithKraj) {
    ASSERT_EQ(h.lastCode(), 0x0B);
    h.feed(reply::accept(c.model, 0x0B));
    if (c.model == 4) {
      ASSERT_EQ(h.lastCode(), 0x0D); // the status completes the receipt
      h.feed(reply::ack4(0x0D, true, 1, 0, 4321));
    }
  } else {
    ASSERT_EQ(h.lastCode(), c.model == 1 ? 0x15 : 0x13);
    h.feed(reply::closed1(c.model, 4321));
  }
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT status FROM racuni WHERE broj = 1")).toInt(), 1);
  EXPECT_DOUBLE_EQ(h.scalar(QStringLiteral("SELECT gotovina FROM racuni WHERE broj = 1")).toDouble(), 300);
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT brfisis FROM racuni WHERE broj = 1")).toInt(),
            c.model == 2 || c.model == 3 ? 0 : 4321);
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT COUNT(*) || '|' || SUM(iznos) || '|' || MIN(nacin) FROM rate"))
                .toString(),
            QStringLiteral("1|300.0|0"));
  EXPECT_EQ(h.engine->brojRacuna(), 2);
  EXPECT_TRUE(h.retail.log.contains(QStringLiteral("reset")));
  EXPECT_EQ(h.prompt.log.contains(QStringLiteral("enter|pritisni ENTER za nastavak")),
            c.model != 2 && c.model != 3);
}

// Another till stored a receipt under the number this one hoped for, after the opening
// and before the first line: the receipt is stored under the next number, the other
// till's receipt is left as it was, and the completion marks this one.
TEST_P(RetailReceipt, ANumberAnotherTillTookMeanwhileGivesTheNextOne) {
  const RetailCase c = GetParam();
  Harness h(c.model);
  h.engine->setBrojRacuna(h.engine->nextReceiptNumber());
  h.engine->beginRetailReceipt(3);
  h.settle();
  h.feed(reply::accept(c.model, 0x01));
  ASSERT_TRUE(h.db.exec(QStringLiteral("INSERT INTO racuni (godina, broj, status, sifoper, gotovina) "
                                       "VALUES (2026, 1, 0, 7, 0)")));
  int completed = 0;
  QObject::connect(h.engine.get(), &TransactionEngine::receiptCompleted, [&](int broj) { completed = broj; });
  h.engine->sellRetailLine(Harness::sale(QStringLiteral("2"), QStringLiteral("ESPRESSO"), 2, 150));
  h.settle();
  h.feed(reply::accept(c.model, 0x03));
  EXPECT_EQ(h.engine->brojRacuna(), 2);
  h.engine->closeRetail(Harness::payment(Racun::Gotovina, 300, 300), true);
  h.settle();
  if (c.closesWithKraj) {
    h.feed(reply::accept(c.model, 0x0B));
    if (c.model == 4)
      h.feed(reply::ack4(0x0D, true, 1, 0, 4321));
  } else {
    h.feed(reply::closed1(c.model, 4321));
  }
  EXPECT_EQ(completed, 2);
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT brrac FROM prodato")).toInt(), 2);
  EXPECT_EQ(
      h
          .scalar(QStringLiteral(
              "SELECT group_concat(broj || '|' || sifoper || '|' || status || '|' || "
              "COALESCE(broj_dok, '') || '|' || gotovina, ' ') FROM (SELECT * FROM racuni ORDER BY broj)"))
          .toString(),
      QStringLiteral("1|7|0||0.0 2|3|1|2|300.0"));
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT broj || '|' || rbr FROM rate")).toString(),
            QStringLiteral("2|1"));
  EXPECT_EQ(h.engine->brojRacuna(), 3);
}

INSTANTIATE_TEST_SUITE_P(Models, RetailReceipt,
                         ::testing::Values(RetailCase{1, 0x0B, false}, RetailCase{5, 0x05, false},
                                           RetailCase{2, 0x03, true}, RetailCase{3, 0x03, true},
                                           RetailCase{4, 0x03, true}));

// A whole restaurant receipt walks the array one confirmed step at a time.
class WholeReceipt : public ::testing::TestWithParam<int> {};

TEST_P(WholeReceipt, TableSettledAndFreed) {
  const int model = GetParam();
  Harness h(model);
  EXPECT_TRUE(
      h.db.exec(QStringLiteral("INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (5, 'Sto 5', 2)")));
  EXPECT_TRUE(h.db.exec(QStringLiteral(
      "INSERT INTO stost (rbr, brstola, sifra, naziv, stopa, cena, kolicina, iznos, storno, "
      "tura) VALUES (1, 5, '1', 'KAFA', 2, 100, 1, 100, 0, 1), (2, 5, '2', 'ESPRESSO', 2, 150, "
      "2, 300, 0, 1)")));
  h.engine->setRezimRestoran(true);
  h.engine->setTrenutniSto(5);
  h.engine->setBrojRacuna(1);
  StavkeRacuna s(1);
  s[0].operacija = Racun::Otvaranje;
  s[0].operater = 2;
  Racun l1 = Harness::sale(QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100);
  l1.rbrStavke = 1;
  Racun l2 = Harness::sale(QStringLiteral("2"), QStringLiteral("ESPRESSO"), 2, 150);
  l2.rbrStavke = 2;
  s.push_back(l1);
  s.push_back(l2);
  if (model != 2)
    s.push_back(Harness::payment(Racun::Gotovina, 400, 400));
  Racun end;
  end.operacija = Racun::Kraj;
  end.ostatak = Money(400);
  s.push_back(end);
  h.engine->startWholeReceipt(s);
  h.settle();

  QList<int> codes;
  bool completed = false;
  QObject::connect(h.engine.get(), &TransactionEngine::receiptCompleted, [&] { completed = true; });
  for (int guard = 0; guard < 12 && !completed; ++guard) {
    const int code = h.lastCode();
    codes << code;
    if ((model == 1) && code == 0x15)
      h.feed(reply::closed1(model, 99));
    else if (model == 4 && code == 0x0D)
      h.feed(reply::ack4(0x0D, true, 1, 0, 99));
    else
      h.feed(reply::accept(model, quint8(code)));
  }
  const QList<int> expected = model == 1   ? QList<int>{0x01, 0x0B, 0x0B, 0x15}
                              : model == 2 ? QList<int>{0x01, 0x03, 0x03, 0x0B}
                                           : QList<int>{0x01, 0x03, 0x03, 0x09, 0x0B, 0x0D};
  EXPECT_EQ(codes, expected);
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT COUNT(*) FROM prodato WHERE brrac = 1")).toInt(), 2);
  EXPECT_DOUBLE_EQ(h.scalar(QStringLiteral("SELECT gotovina FROM racuni WHERE broj = 1")).toDouble(), 400);
  EXPECT_EQ(
      h.scalar(QStringLiteral("SELECT sifoper || '|' || brstola || '|' || status FROM racuni")).toString(),
      QStringLiteral("2|5|1"));
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT COUNT(*) FROM rate")).toInt(), model == 2 ? 0 : 1);
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT COUNT(*) FROM stost WHERE brstola = 5")).toInt(), 0);
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT sifkonob FROM stolovi WHERE brstola = 5")).toInt(), -1);
  EXPECT_TRUE(h.restaurant.log.contains(QStringLiteral("controls")));
}

INSTANTIATE_TEST_SUITE_P(Models, WholeReceipt, ::testing::Values(1, 2, 4));

// Each accepted reply moves the sequence on by 2; a resend by the watchdog does not.
TEST(Sequence, AcceptedRepliesAdvanceResendsDoNot) {
  Harness h(1);
  h.engine->beginRetailReceipt(1);
  h.settle();
  const QByteArray first = h.last();
  h.clock.advance(3000);
  ASSERT_EQ(h.sentCount(), 2);
  EXPECT_EQ(h.last(), first); // the same bytes, the same sequence byte
  h.feed(reply::ack1(1));
  EXPECT_EQ(h.engine->sendSeq(), 12u);
}

// Bytes that arrive while a prompt is open are handled after it, in order.
TEST(Prompts, RepliesWaitForAnOpenPrompt) {
  Harness h(1);
  h.engine->beginRetailReceipt(1);
  h.settle();
  h.feed(reply::ack1(1));
  h.engine->sellRetailLine(Harness::sale(QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100));
  h.settle();
  h.feed(reply::ack1(1));
  h.engine->closeRetail(Harness::payment(0, 100, 100), true);
  h.settle();
  int writesDuringPrompt = -1;
  h.prompt.duringPrompt = [&] {
    // The drawer's reply comes while "pritisni ENTER" is still open.
    h.engine->onBytesReceived(reply::ack1(1));
    writesDuringPrompt = h.sentCount();
  };
  h.engine->setDrawerEnabled(true);
  const int sentBefore = h.sentCount();
  h.feed(reply::closed1(1, 5));
  h.prompt.duringPrompt = nullptr;
  EXPECT_EQ(writesDuringPrompt, sentBefore); // the prompt was shown and nothing went out under it
  ASSERT_EQ(h.sentCount(), sentBefore + 1);
  EXPECT_EQ(h.lastCode(), 0x29); // the drawer went out after the prompt
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT status FROM racuni WHERE broj = 1")).toInt(), 1);
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT COUNT(*) FROM prodato")).toInt(), 1);
}

} // namespace

TEST(LeavePrinterMode, OnlyModel5SendsItAndNothingIsAwaited) {
  for (int model : {1, 2, 4, 5}) {
    Harness h(model);
    h.engine->IzlazPrinter();
    h.settle();
    if (model != 5) {
      EXPECT_EQ(h.sentCount(), 0) << model;
      continue;
    }
    ASSERT_EQ(h.sentCount(), 1);
    EXPECT_EQ(quint8(h.last()[0]), 0xAA);
    EXPECT_EQ(quint8(h.last()[1]), 0x05); // the model number in place of the family byte
    EXPECT_EQ(h.lastCode(), 0x1F);
    EXPECT_EQ(h.last().size(), 12);
    h.clock.advance(20000); // no watchdog: never resent, no dialog
    EXPECT_EQ(h.sentCount(), 1);
    EXPECT_TRUE(h.prompt.log.isEmpty());
  }
}

TEST(FreeText, LinesGoOutOnePerReplyThenTheEnd) {
  Harness h(4);
  h.engine->printFreeText({{QStringLiteral("HVALA NA POSETI"), 1}, {QStringLiteral("Dodjite opet"), 0}});
  h.settle();
  ASSERT_EQ(h.lastCode(), 0x07); // begin
  h.feed(reply::ack4(0x07));
  ASSERT_EQ(h.lastCode(), 0x05);
  EXPECT_EQ(quint8(h.last()[9]), 1); // bold
  EXPECT_EQ(h.last().mid(10, 15), QByteArray("HVALA NA POSETI"));
  EXPECT_EQ(h.sentCount(), 2); // one command per reply
  h.feed(reply::ack4(0x05));
  ASSERT_EQ(h.lastCode(), 0x05);
  EXPECT_EQ(quint8(h.last()[9]), 0);
  EXPECT_EQ(h.last().mid(10, 12), QByteArray("Dodjite opet"));
  h.feed(reply::ack4(0x05));
  ASSERT_EQ(h.lastCode(), 0x06); // end
  h.feed(reply::ack4(0x06));
  EXPECT_EQ(h.sentCount(), 4);
  // Later replies do not start the text again.
  h.engine->OtvoriFioku();
  h.settle();
  h.feed(reply::ack4(0x05));
  EXPECT_NE(h.lastCode(), 0x05);
}

// F2 in the middle of the retail screen: the free text is no receipt step, so a
// lost reply is answered by resending the free-text frame, not the receipt's.
TEST(FreeText, LostReplyDuringAReceiptResendsTheFreeText) {
  for (int lostAt : {0, 1, 2}) { // begin, the line, the end
    SCOPED_TRACE(lostAt);
    Harness h(4);
    h.engine->beginRetailReceipt(1);
    h.settle();
    h.feed(reply::ack4(0x01));
    ASSERT_TRUE(h.engine->racunUToku());
    h.engine->freeTextStarting();
    EXPECT_FALSE(h.engine->racunUToku());
    h.engine->printFreeText({{QStringLiteral("AKCIJA"), 0}});
    h.settle();
    const quint8 codes[] = {0x07, 0x05, 0x06};
    for (int i = 0; i < lostAt; ++i)
      h.feed(reply::ack4(codes[i]));
    ASSERT_EQ(h.lastCode(), codes[lostAt]);
    const QByteArray lost = h.last();
    const int sent = h.sentCount();
    h.clock.advance(3000);
    ASSERT_EQ(h.sentCount(), sent + 1);
    EXPECT_EQ(h.last(), lost);
    EXPECT_TRUE(h.prompt.log.isEmpty()) << h.prompt.log.join('\n').toStdString();
    h.feed(reply::ack4(codes[lostAt])); // the resend is answered: the text goes on
    if (lostAt < 2) {
      EXPECT_EQ(h.lastCode(), codes[lostAt + 1]);
    }
  }
}

TEST(FreeText, OnlyModel4PrintsIt) {
  for (int model : {1, 2, 5}) {
    Harness h(model);
    h.engine->printFreeText({{QStringLiteral("X"), 0}});
    h.settle();
    EXPECT_EQ(h.sentCount(), 0) << model;
  }
}
