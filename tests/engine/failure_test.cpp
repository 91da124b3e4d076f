#include "engineharness.h"

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

// The reply as a device that repeats each command's sequence byte sends it.
QByteArray echoing(QByteArray reply, const QByteArray &command) {
  reply[6] = command[6];
  const int last = 8 + quint8(reply[8]);
  reply[last + 1] = char(FrameCodec::CRC1(last, reply));
  reply[last + 2] = char(FrameCodec::CRC2(last, reply));
  return reply;
}

// Opens retail receipt 1 and accepts it: with echo as a device that repeats the
// command's sequence byte, else with byte 0.
void openReceipt(Harness &h, bool echo = false) {
  h.engine->setBrojRacuna(1);
  h.engine->beginRetailReceipt(1);
  h.settle();
  const QByteArray accepted = reply::accept(h.link.Model, 0x01);
  h.feed(echo ? echoing(accepted, h.last()) : accepted);
}

// Sells a line and gives back the frame that carried it.
QByteArray sellLine(Harness &h, const QString &sifra, const QString &naziv, double kol, double cena) {
  h.engine->sellRetailLine(Harness::sale(sifra, naziv, kol, cena));
  h.settle();
  return h.last();
}

// Opens a retail receipt and sells one line, leaving the sale line pending.
void pendingSale(Harness &h) {
  openReceipt(h);
  sellLine(h, QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100);
}

// The echoing device's acceptance of a sale line.
void acceptLine(Harness &h, const QByteArray &line) {
  h.feed(echoing(reply::accept(h.link.Model, 0x03), line));
}

int soldLines(Harness &h) {
  return h.scalar(QStringLiteral("SELECT COUNT(*) FROM prodato")).toInt();
}

// A silent device: resends at 3, 6 and 9 s, the operator's dialog at 12 s.
TEST(Watchdog, ResendsThreeTimesThenAsks) {
  Harness h(1);
  pendingSale(h);
  const int before = h.sentCount();
  const QByteArray sale = h.last();
  QList<int> resendsAt;
  h.prompt.errorAnswers = {UserPrompt::Zaustavi};
  for (int t = 500; t <= 12000; t += 500) {
    const int n = h.sentCount();
    h.clock.advance(500);
    if (h.sentCount() > n)
      resendsAt << t;
    if (!h.prompt.errors.isEmpty() && !resendsAt.contains(-t)) {
      resendsAt << -t; // dialog time, negative
      break;
    }
  }
  EXPECT_EQ(resendsAt, (QList<int>{3000, 6000, 9000, -12000}));
  EXPECT_EQ(h.sentCount(), before + 3);
  EXPECT_EQ(h.last(), sale);
  ASSERT_EQ(h.prompt.errors.size(), 1);
  EXPECT_EQ(h.prompt.errors[0].naslov, QStringLiteral("Greska!"));
  EXPECT_EQ(h.prompt.errors[0].tekst,
            QStringLiteral("Doslo je do prekida u kominikaciji.Izaberite neku opciju za nastavak rada."));
}

// "Ponovi" resends once; a further silence brings the dialog back 3 s later.
TEST(Watchdog, PonoviResendsOnceThenAsksAgain) {
  Harness h(1);
  pendingSale(h);
  h.prompt.errorAnswers = {UserPrompt::Ponovi, UserPrompt::Ponovi, UserPrompt::Zaustavi};
  h.clock.advance(12000);
  ASSERT_EQ(h.prompt.errors.size(), 1);
  const int afterFirst = h.sentCount();
  h.clock.advance(3000);
  EXPECT_EQ(h.prompt.errors.size(), 2);
  EXPECT_EQ(h.sentCount(), afterFirst + 1);
  // The device answers now: the line is written once.
  h.feed(reply::ack1(1));
  EXPECT_EQ(soldLines(h), 1);
}

// A service command that stays unanswered: three resends, then the question.
TEST(Watchdog, ServiceCommandGivesUp) {
  Harness h(4);
  int serviceButtons = 0;
  QObject::connect(h.engine.get(), &TransactionEngine::serviceButtonsEnabled, [&] { ++serviceButtons; });
  h.engine->GetStatus();
  h.clock.advance(12000);
  EXPECT_EQ(h.sentCount(), 4);
  ASSERT_EQ(h.prompt.errors.size(), 1);
  EXPECT_EQ(h.prompt.errors[0].mode, UserPrompt::Mode::Question);
  EXPECT_EQ(h.prompt.errors[0].tekst, QStringLiteral("Doslo je do problema u komunikaciji!"));
  EXPECT_EQ(serviceButtons, 1);
}

struct ChoiceCase {
  int model;
  bool silence; // watchdog instead of a refusal
  int choice;
  QString expectedText;
  QString retailEffect; // what the retail grid gets
  int sentAfter;        // frames sent after the dialog (Ponovi resends)
};

class RetailChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(RetailChoice, FailedSaleLine) {
  const ChoiceCase c = GetParam();
  Harness h(c.model);
  pendingSale(h);
  h.prompt.errorAnswers = {c.choice};
  h.retail.log.clear();
  const int sentBefore = h.sentCount();
  if (c.silence)
    h.clock.advance(12000);
  else
    h.feed(c.model == 2 ? reply::ack2(2, 0x00) : reply::ack1(c.model, true, 0x08));
  h.settle();
  ASSERT_EQ(h.prompt.errors.size(), 1);
  EXPECT_EQ(h.prompt.errors[0].tekst, c.expectedText);
  EXPECT_EQ(h.retail.log.contains(c.retailEffect), !c.retailEffect.isEmpty());
  EXPECT_EQ(h.sentCount() - sentBefore, (c.silence ? 3 : 0) + c.sentAfter);
  EXPECT_EQ(soldLines(h), 0);
}

const QString kProdaja1 =
    QStringLiteral("Doslo je do greske prilikom prodaje.Izaberite neku opciju za nastavak rada.");
const QString kPrepunjenje5 =
    QStringLiteral("Doslo je do prepunjenja po racunima.Izaberite neku opciju za nastavak rada.");
const QString kPrekid =
    QStringLiteral("Doslo je do prekida u kominikaciji.Izaberite neku opciju za nastavak rada.");

INSTANTIATE_TEST_SUITE_P(
    Choices, RetailChoice,
    ::testing::Values(ChoiceCase{1, false, UserPrompt::Nastavi, kProdaja1, QStringLiteral("takeOff"), 0},
                      ChoiceCase{5, false, UserPrompt::Nastavi, kPrepunjenje5, QStringLiteral("takeOff"), 0},
                      ChoiceCase{2, false, UserPrompt::Nastavi, kProdaja1, QStringLiteral("takeOff"), 0},
                      ChoiceCase{1, false, UserPrompt::Zaustavi, kProdaja1, QString(), 0},
                      ChoiceCase{1, false, UserPrompt::Ponovi, kProdaja1, QString(), 1},
                      ChoiceCase{1, true, UserPrompt::Nastavi, kPrekid, QStringLiteral("takeOff(w)"), 0},
                      ChoiceCase{1, true, UserPrompt::Zaustavi, kPrekid, QString(), 0},
                      ChoiceCase{1, true, UserPrompt::Ponovi, kPrekid, QString(), 1}));

// Paper out: after OK the same line goes again and is written once.
TEST(DeviceFailure, PaperOutRepeatsTheLine) {
  Harness h(1);
  pendingSale(h);
  const QByteArray sale = h.last();
  h.feed(reply::ack1(1, true, 0x40));
  ASSERT_EQ(h.prompt.errors.size(), 1);
  EXPECT_EQ(h.prompt.errors[0].tekst, QStringLiteral("Namestite papir i pritisnite OK."));
  EXPECT_EQ(h.prompt.errors[0].mode, UserPrompt::Mode::Notice);
  EXPECT_EQ(h.last().mid(7), sale.mid(7).left(h.last().size() - 7 - 3) + h.last().right(3));
  EXPECT_EQ(quint8(h.last()[7]), 0x0B);
  h.feed(reply::ack1(1));
  EXPECT_EQ(soldLines(h), 1);
}

// Restaurant receipt: the third line refused (model 1) or unanswered (models 1, 2),
// "Nastavi": only the lines the device confirmed leave the table.
struct RestaurantCase {
  int model;
  bool silence;
  int linesLeft; // lines still on the table
};
class RestaurantNastavi : public ::testing::TestWithParam<RestaurantCase> {};

TEST_P(RestaurantNastavi, AcceptedLinesLeaveTheTable) {
  const RestaurantCase c = GetParam();
  Harness h(c.model);
  EXPECT_TRUE(
      h.db.exec(QStringLiteral("INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (7, 'Sto 7', 2)")));
  StavkeRacuna s(1);
  s[0].operacija = Racun::Otvaranje;
  for (int i = 1; i <= 4; ++i) {
    EXPECT_TRUE(h.db.exec(
        QStringLiteral("INSERT INTO stost (rbr, brstola, sifra, naziv, stopa, cena, kolicina, iznos, storno, "
                       "tura) VALUES (%1, 7, '1', 'KAFA', 2, 100, 1, 100, 0, 1)")
            .arg(i)));
    Racun l = Harness::sale(QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100);
    l.rbrStavke = i;
    s.push_back(l);
  }
  Racun end;
  end.operacija = Racun::Kraj;
  if (c.model != 2)
    s.push_back(Harness::payment(0, 400, 400));
  s.push_back(end);
  h.engine->setRezimRestoran(true);
  h.engine->setTrenutniSto(7);
  h.engine->setBrojRacuna(1);
  h.engine->startWholeReceipt(s);
  h.settle();
  for (int i = 0; i < 3; ++i) // opening and two lines
    h.feed(reply::accept(c.model, 0));
  h.prompt.errorAnswers = {UserPrompt::Nastavi};
  const int sent = h.sentCount();
  if (c.silence)
    h.clock.advance(12000);
  else
    h.feed(reply::ack1(c.model, true, 0x01));
  ASSERT_EQ(h.prompt.errors.size(), 1);
  EXPECT_TRUE(h.prompt.errors[0].showZaustavi);
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT COUNT(*) FROM stost WHERE brstola = 7")).toInt(), c.linesLeft);
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT MIN(rbr) FROM stost WHERE brstola = 7")).toInt(),
            5 - c.linesLeft);
  // Every line is either stored as sold or still on the table, never both, never neither.
  EXPECT_EQ(soldLines(h), 4 - c.linesLeft);
  if (c.silence) {
    // The device may hold the unanswered line too: no payment is guessed.
    EXPECT_FALSE(h.engine->racunUToku());
    h.clock.advance(20000);
    EXPECT_EQ(h.sentCount(), sent + 3); // the three resends, nothing after the choice
    return;
  }
  // A refusal: the receipt the device holds open is paid for the two lines it took.
  EXPECT_TRUE(h.engine->racunUToku());
  ASSERT_EQ(h.sentCount(), sent + 1);
  EXPECT_EQ(quint8(h.last()[7]), 0x15); // the payment
  h.feed(reply::closed1(c.model, 17));
  EXPECT_FALSE(h.engine->racunUToku());
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT STATUS FROM racuni WHERE broj = 1")).toInt(), 1);
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT SUM(iznos) FROM rate")).toDouble(), 200.0);
  EXPECT_EQ(h.scalar(QStringLiteral("SELECT COUNT(*) FROM stost WHERE brstola = 7")).toInt(), c.linesLeft);
}

INSTANTIATE_TEST_SUITE_P(Tables, RestaurantNastavi,
                         ::testing::Values(RestaurantCase{1, false, 2}, RestaurantCase{2, true, 2},
                                           RestaurantCase{1, true, 2}));

// Model 4 refusals by error class.
TEST(Model4Failure, ErrorClasses) {
  {
    Harness h(4);
    pendingSale(h);
    h.feed(reply::ack4(0x03, false, 3, 0x400));
    EXPECT_EQ(h.lastCode(), 0x0B); // class 3: the receipt is closed, no message
    EXPECT_TRUE(h.prompt.errors.isEmpty());
  }
  {
    Harness h(4);
    pendingSale(h);
    h.feed(reply::ack4(0x03, false, 1, 0x400));
    ASSERT_EQ(h.prompt.errors.size(), 1);
    EXPECT_EQ(h.prompt.errors[0].tekst, QStringLiteral("Doslo je do greske / Nedefinisan artikal(10)."));
    EXPECT_TRUE(h.retail.log.contains(QStringLiteral("takeOff")));
  }
  {
    Harness h(4);
    pendingSale(h);
    h.prompt.errorAnswers = {2};
    h.feed(reply::ack4(0x03, false, 2, 0));
    ASSERT_EQ(h.prompt.errors.size(), 1);
    EXPECT_EQ(h.prompt.errors[0].captions,
              (QStringList{"Zatvori prethodni", "Storniraj prethodni", "Nastavi dalje"}));
    EXPECT_EQ(h.lastCode(), 0x0C); // "Storniraj prethodni"
  }
  {
    Harness h(4);
    h.engine->GetStatus();
    h.feed(reply::ack4(0x0D, false, 0, 0x08));
    ASSERT_EQ(h.prompt.errors.size(), 1);
    EXPECT_EQ(h.prompt.errors[0].tekst,
              QStringLiteral("Nema papira! Namestite papir u fiskalnom stampacu i pritisnite taster ON na "
                             "fiskalnom stampacu!"));
  }
}

} // namespace

namespace {

// A slow reply and the reply to the watchdog's resend both arrive: one line is written.
TEST(Watchdog, SecondAnswerToAResentLineIsDropped) {
  for (int model : {1, 2, 4}) {
    Harness h(model);
    pendingSale(h);
    h.clock.advance(3000); // resent
    h.feed(reply::accept(model, 0x03));
    h.feed(reply::accept(model, 0x03));
    EXPECT_EQ(soldLines(h), 1) << "model " << model;
    EXPECT_EQ(h.engine->sendSeq(), 14u);
  }
}

// The device answers while the cashier looks at the lost-reply dialog: that answer
// settles the line whatever the choice, and nothing goes out that the device would
// answer a second time (that answer would be taken for the next step's).
TEST(Watchdog, AnswerDuringTheDialogSettlesTheLine) {
  for (int model : {1, 2, 4}) {
    for (int choice : {UserPrompt::Ponovi, UserPrompt::Nastavi}) {
      SCOPED_TRACE(testing::Message() << "model " << model << ", choice " << choice);
      Harness h(model);
      pendingSale(h);
      h.prompt.errorAnswers = {choice};
      int sent = -1;
      h.prompt.duringPrompt = [&] {
        if (sent < 0 && !h.prompt.errors.isEmpty()) {
          sent = h.sentCount();
          h.engine->onBytesReceived(reply::accept(model, 0x03));
        }
      };
      h.clock.advance(12000);
      ASSERT_EQ(h.prompt.errors.size(), 1);
      h.settle();
      EXPECT_EQ(soldLines(h), 1);
      EXPECT_EQ(h.sentCount(), sent);
      EXPECT_FALSE(h.engine->awaitingReply());
      h.clock.advance(12000);
      EXPECT_EQ(h.prompt.errors.size(), 1);
    }
  }
}

} // namespace

namespace {

const QString kNemaPapira = QStringLiteral(
    "Nema papira! Namestite papir u fiskalnom stampacu i pritisnite taster ON na fiskalnom stampacu!");

// Model 4: a refusal with the paper-out bit names the paper, whatever command it answers.
TEST(Model4Failure, PaperOutIsNamedForEveryRefusedCommand) {
  struct Case {
    const char *what;
    quint8 answered;
    quint8 errorClass;
    UserPrompt::Mode mode; // notice for commands outside the receipt, the choice for steps
    int resent;            // command sent again after "Ponovi" (-1: none)
  } cases[] = {
      {"sale line", 0x03, 0, UserPrompt::Mode::Error, 0x03},
      {"sale line, receipt in the way", 0x03, 2, UserPrompt::Mode::Error, 0x03},
      {"payment", 0x09, 0, UserPrompt::Mode::Error, 0x09},
      {"drawer", 0x15, 2, UserPrompt::Mode::Notice, -1},
      {"display", 0x1D, 0, UserPrompt::Mode::Notice, -1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Harness h(4);
    pendingSale(h);
    if (c.answered == 0x09) {
      h.feed(reply::ack4(0x03));
      h.engine->payRetail(Harness::payment(Racun::Gotovina, 50, 50));
      h.settle();
    } else if (c.answered == 0x15 || c.answered == 0x1D) {
      h.feed(reply::ack4(0x03));
      if (c.answered == 0x15)
        h.engine->OtvoriFioku();
      else
        h.engine->LcdShow(QStringLiteral("DOBAR DAN"), 0);
      h.settle();
    }
    h.prompt.errorAnswers = {UserPrompt::Ponovi};
    const int sent = h.sentCount();
    h.feed(reply::ack4(c.answered, false, c.errorClass, 0x08));
    ASSERT_EQ(h.prompt.errors.size(), 1);
    EXPECT_EQ(h.prompt.errors[0].tekst, kNemaPapira);
    EXPECT_EQ(h.prompt.errors[0].mode, c.mode);
    if (c.resent < 0) {
      EXPECT_EQ(h.sentCount(), sent);
      continue;
    }
    ASSERT_EQ(h.sentCount(), sent + 1);
    EXPECT_EQ(h.lastCode(), c.resent);
    h.feed(reply::ack4(quint8(c.resent)));
    EXPECT_EQ(soldLines(h), 1);
  }
}

// Model 4: "Ponovi" after a refused command sends that command again: a refused
// closing is closed again, not paid again.
TEST(Model4Failure, PonoviRepeatsTheRefusedCommand) {
  struct Case {
    const char *what;
    bool closeNow; // total-and-close that goes straight to KrajRacuna
    quint8 refused;
  } cases[] = {
      {"closing", true, 0x0B},
      {"payment", false, 0x09},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Harness h(4);
    pendingSale(h);
    h.feed(reply::ack4(0x03));
    if (c.closeNow)
      h.engine->closeRetail(Harness::payment(Racun::Gotovina, 100, 100), true);
    else
      h.engine->payRetail(Harness::payment(Racun::Gotovina, 100, 100));
    h.settle();
    ASSERT_EQ(h.lastCode(), c.refused);
    h.prompt.errorAnswers = {UserPrompt::Ponovi};
    h.feed(reply::ack4(c.refused, false, 5, 0x400));
    ASSERT_EQ(h.prompt.errors.size(), 1);
    EXPECT_EQ(h.prompt.errors[0].mode, UserPrompt::Mode::Error);
    EXPECT_EQ(h.lastCode(), c.refused);
    h.feed(reply::ack4(c.refused));
    if (c.closeNow) {
      ASSERT_EQ(h.lastCode(), 0x0D);
      h.feed(reply::ack4(0x0D, true, 1, 0, 77));
      EXPECT_EQ(h.scalar(QStringLiteral("SELECT status FROM racuni WHERE broj = 1")).toInt(), 1);
    }
    EXPECT_EQ(h.scalar(QStringLiteral("SELECT COUNT(*) FROM rate")).toInt(), 1);
    EXPECT_DOUBLE_EQ(h.scalar(QStringLiteral("SELECT SUM(iznos) FROM rate")).toDouble(), 100);
  }
}

} // namespace

namespace {

// A device slower than the watchdog answers the line and its resend. The second
// answer comes after the next line went out: it must not confirm that line, which
// the device has not sold yet (it would be booked, and the real answer taken for
// the line after). The real answer then confirms it.
TEST(Watchdog, LateSecondAnswerIsNotTakenForTheNextLine) {
  for (int model : {1, 2, 4, 5}) {
    SCOPED_TRACE(testing::Message() << "model " << model);
    Harness h(model);
    openReceipt(h, true);
    const QByteArray first = sellLine(h, QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100);
    h.clock.advance(3000); // no answer yet: resent
    ASSERT_EQ(h.last(), first);
    acceptLine(h, first);
    const QByteArray second = sellLine(h, QStringLiteral("2"), QStringLiteral("ESPRESSO"), 1, 150);
    ASSERT_NE(second[6], first[6]);
    acceptLine(h, first); // the answer to the resend
    EXPECT_EQ(soldLines(h), 1);
    EXPECT_TRUE(h.engine->awaitingReply());
    acceptLine(h, second);
    EXPECT_EQ(soldLines(h), 2);
    EXPECT_EQ(h.scalar(QStringLiteral("SELECT naziv FROM prodato ORDER BY rbr DESC LIMIT 1")).toString(),
              QStringLiteral("ESPRESSO"));
    EXPECT_FALSE(h.engine->awaitingReply());
  }
}

// Under load an answer can come a whole step late (a resend's second answer behind the
// next step's own). Once the device is known to repeat the byte, no answer to an earlier
// command confirms the one out, and such a stray does not switch the check off.
TEST(Watchdog, AnswerToAnyEarlierCommandIsNotTakenForTheOneOut) {
  for (int model : {1, 2, 4, 5}) {
    SCOPED_TRACE(testing::Message() << "model " << model);
    Harness h(model);
    openReceipt(h, true);
    QList<QByteArray> lines; // one article: no article check comes between the lines
    for (int i = 0; i < 2; ++i) {
      lines << sellLine(h, QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100);
      acceptLine(h, lines.last());
    }
    const QByteArray third = sellLine(h, QStringLiteral("1"), QStringLiteral("KAFA"), 2, 100);
    for (int round = 0; round < 2; ++round) {
      acceptLine(h, lines[0]); // two commands late
      acceptLine(h, lines[1]);
      EXPECT_EQ(soldLines(h), 2);
      EXPECT_TRUE(h.engine->awaitingReply());
    }
    acceptLine(h, third);
    EXPECT_EQ(soldLines(h), 3);
    EXPECT_FALSE(h.engine->awaitingReply());
  }
}

// A device that does not repeat the sequence byte keeps working as before: every
// reply counts, whatever byte it carries.
TEST(Watchdog, DeviceWithoutSequenceEchoIsNotSecondGuessed) {
  for (int model : {1, 4}) {
    SCOPED_TRACE(testing::Message() << "model " << model);
    Harness h(model);
    openReceipt(h); // sequence byte 0, the command's was not
    for (const char *sifra : {"1", "2"}) {
      sellLine(h, QString::fromLatin1(sifra), QStringLiteral("X"), 1, 100);
      h.feed(reply::accept(model, 0x03));
    }
    EXPECT_EQ(soldLines(h), 2);
  }
}

} // namespace
