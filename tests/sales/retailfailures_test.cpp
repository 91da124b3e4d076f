// Failures met on the retail screen with fiscal-sim's device in-process.
#include "shopfixture.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace shoptest;

namespace {

// Model 4 runs out of paper on a sale line: the cashier is told so, puts paper in
// and repeats; the line is printed and stored once.
TEST(RetailFailures, PaperOutOnASaleLineThenPonovi) {
  Shop shop(4);
  shop.open();
  shop.device.control({{"cmd", "paperOut"}, {"on", true}});
  shop.h.prompt.errorAnswers = {UserPrompt::Ponovi};
  shop.h.prompt.duringPrompt = [&] { shop.device.control({{"cmd", "paperOut"}, {"on", false}}); };
  shop.sell(QStringLiteral("1"));
  shop.h.prompt.duringPrompt = nullptr;
  ASSERT_EQ(shop.h.prompt.errors.size(), 1);
  EXPECT_EQ(shop.h.prompt.errors[0].tekst,
            QStringLiteral("Nema papira! Namestite papir u fiskalnom stampacu i pritisnite taster ON na "
                           "fiskalnom stampacu!"));
  EXPECT_EQ(shop.h.prompt.errors[0].mode, UserPrompt::Mode::Error);
  shop.enter();
  shop.settle();
  EXPECT_EQ(shop.rows("SELECT sifra, prodato FROM prodato"), QStringList{"1|1"});
  EXPECT_EQ(shop.rows("SELECT status, gotovina FROM racuni"), QStringList{"1|100"});
  const QList<QJsonObject> receipts = shop.device.journal();
  ASSERT_EQ(receipts.size(), 1);
  EXPECT_EQ(receipts[0].value("lines").toArray().size(), 1);
}

} // namespace

namespace {

// The last receipt cannot be marked finished: the screen says why and opens no receipt.
// (The device, asked first, holds none: the receipt is taken as printed and its closing
// booked, which the marking refuses.)
TEST(RetailFailures, UnfinishedReceiptThatCannotBeClosedOpensNothing) {
  for (int model : {1, 2}) {
    SCOPED_TRACE(model);
    Shop shop(model);
    ASSERT_TRUE(shop.h.db.exec(
        "INSERT INTO racuni (broj, godina, datum, status, cek, kartica, gotovina, brfisis) VALUES (4, 2026, "
        "'2026-01-15', 0, 0, 0, 0, 0)"));
    ASSERT_TRUE(shop.h.db.exec("INSERT INTO prodato (rbr, brrac, godina, datum, sifra, barkod, naziv, cena, "
                               "storno, stopa, prodato, iznos) VALUES (1, 4, 2026, '2026-01-15', '1', '', "
                               "'KAFA', 100, 0, 2, 1, 100)"));
    ASSERT_TRUE(shop.h.db.exec("CREATE TRIGGER refuse BEFORE UPDATE OF status ON racuni BEGIN SELECT "
                               "RAISE(ABORT, 'zakljucano'); END"));
    shop.h.prompt.receiptAnswers = {1}; // "Zatvori racun"
    shop.open();
    EXPECT_EQ(shop.sent(), QStringList{}); // the question to the device, and no opening
    ASSERT_FALSE(shop.h.prompt.log.isEmpty());
    EXPECT_TRUE(shop.h.prompt.log.last().startsWith("message|GRESKA|"));
    EXPECT_EQ(shop.rows("SELECT status FROM racuni WHERE broj = 4"), QStringList{"0"});
  }
}

} // namespace

namespace {

// One stray byte before the device's answer: the answer still counts, nothing is resent.
TEST(RetailFailures, GarbageByteBeforeAReplyCostsNoResend) {
  for (int model : {1, 2, 4, 5}) {
    SCOPED_TRACE(model);
    Shop shop(model);
    shop.open();
    const int before = int(shop.device.frames.size());
    // The stray byte and the answer arrive in one read.
    shop.device.control({{"cmd", "split"}, {"mode", "off"}, {"gapMs", 0}});
    shop.device.control({{"cmd", "garbage"}, {"hex", "0d"}, {"count", 1}});
    shop.sell(QStringLiteral("1"));
    shop.h.clock.advance(10000);
    EXPECT_EQ(shop.sent(before), QStringList{"L"});
    EXPECT_EQ(int(shop.device.frames.size()), before + 1);
    EXPECT_EQ(shop.rows("SELECT sifra FROM prodato"), QStringList{"1"});
    EXPECT_TRUE(shop.h.prompt.errors.isEmpty());
  }
}

} // namespace
