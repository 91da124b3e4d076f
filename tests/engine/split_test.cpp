#include "engineharness.h"

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

struct FakeSplit : SplitScreen {
  QStringList log;
  int round = 0;
  void enableControls() override { log << "controls"; }
  void reloadLines() override { log << "reload"; }
  void resetAfterReceipt() override { log << "reset"; }
  int selectedRoundIndex() const override { return round; }
  void refillRounds(int maxTura) override { log << QStringLiteral("rounds:%1").arg(maxTura); }
};

// A split-by-rounds receipt: only the paid lines leave the table, later rounds move
// one lower, and the table stays taken while lines remain.
TEST(SplitByRounds, PaidRoundLeavesAndLaterRoundsMoveDown) {
  Harness h(1);
  FakeSplit split;
  split.round = 0; // round 1 is paid
  h.engine->setSplitScreen(&split);
  EXPECT_TRUE(h.db.exec("INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (3, 'Sto 3', 1)"));
  EXPECT_TRUE(h.db.exec(
      "INSERT INTO stost (rbr, brstola, sifra, naziv, stopa, cena, kolicina, iznos, storno, tura) VALUES "
      "(1, 3, '1', 'KAFA', 2, 100, 1, 100, 0, 1), (2, 3, '1', 'KAFA', 2, 100, 1, 100, 0, 2), "
      "(3, 3, '1', 'KAFA', 2, 100, 1, 100, 0, 3)"));
  h.engine->setRezimRestoran(true);
  h.engine->setSplitMode(false, true);
  h.engine->setTrenutniSto(3);
  h.restaurant.current = 3;
  h.engine->setBrojRacuna(1);
  StavkeRacuna s(1);
  s[0].operacija = Racun::Otvaranje;
  Racun l = Harness::sale("1", "KAFA", 1, 100);
  l.rbrStavke = 1;
  s.push_back(l);
  s.push_back(Harness::payment(0, 100, 100));
  Racun end;
  end.operacija = Racun::Kraj;
  s.push_back(end);
  h.engine->startWholeReceipt(s);
  h.settle();
  h.feed(reply::ack1(1)); // opening
  h.feed(reply::ack1(1)); // line
  h.feed(reply::closed1(1, 8));
  EXPECT_EQ(h.scalar("SELECT COUNT(*) FROM stost WHERE brstola = 3").toInt(), 2);
  EXPECT_EQ(
      h.scalar("SELECT GROUP_CONCAT(rbr || ':' || tura) FROM (SELECT rbr, tura FROM stost ORDER BY rbr)")
          .toString(),
      QStringLiteral("2:1,3:2"));
  EXPECT_EQ(h.scalar("SELECT sifkonob FROM stolovi WHERE brstola = 3").toInt(), 1);
  EXPECT_EQ(split.log, (QStringList{"reload", "rounds:2", "reset"}));
}

// Model 3 programs an unknown article with a long frame; its 0x20 confirms the write.
TEST(Model3, ArticleWriteConfirmedByTheAcknowledgement) {
  Harness h(3);
  h.engine->setBrojRacuna(1);
  h.engine->beginRetailReceipt(1);
  h.settle();
  h.feed(reply::ack2(3, 0x01)); // consumed by the opening
  h.engine->sellRetailLine(Harness::sale("7", "SOK", 1, 90));
  h.settle();
  ASSERT_EQ(h.lastCode(), 0x15);
  h.feed(reply::ack2(3, 0x01));
  ASSERT_EQ(h.lastCode(), 0x03);
  EXPECT_GE(h.mirror.indexOfSifra(12), 0);
  h.feed(reply::ack2(3, 0x01));
  EXPECT_EQ(h.scalar("SELECT COUNT(*) FROM prodato").toInt(), 1);
  // A write refused with status 0 is a failed step.
  h.engine->sellRetailLine(Harness::sale("8", "VODA", 1, 60));
  h.settle();
  ASSERT_EQ(h.lastCode(), 0x15);
  h.prompt.errorAnswers = {UserPrompt::Nastavi};
  h.feed(reply::ack2(3, 0x00));
  ASSERT_EQ(h.prompt.errors.size(), 1);
  EXPECT_TRUE(h.retail.log.contains("takeOff"));
  EXPECT_LT(h.mirror.indexOfSifra(13), 0);
}

} // namespace
