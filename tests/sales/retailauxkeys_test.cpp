// The drawer (F11) and the customer display (F1) on the retail screen, pressed at
// every point of a receipt: they never confirm a step, never book anything, and
// the receipts around them come out whole.
#include "shopfixture.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace shoptest;

namespace {

enum class AuxKey { Drawer, Display };

struct AuxCase {
  int model;
  AuxKey key;
};

std::ostream &operator<<(std::ostream &os, const AuxCase &c) {
  return os << "model " << c.model << (c.key == AuxKey::Drawer ? " drawer" : " display");
}

class RetailAuxKeys : public ::testing::TestWithParam<AuxCase> {
protected:
  void press(Shop &shop) {
    if (GetParam().key == AuxKey::Drawer) {
      shop.sale->fiokaKey();
    } else {
      shop.entry(QStringLiteral("DOBAR DAN"));
      shop.sale->displejKey();
    }
    ++presses;
  }
  int presses = 0;
};

TEST_P(RetailAuxKeys, BeforeDuringAndAfterAReceipt) {
  const AuxCase c = GetParam();
  Shop shop(c.model);
  shop.sale->open(2026, shop.h.clock.now().date(), shop.h.clock.now().time());
  press(shop); // while the opening is still unanswered
  shop.settle();

  shop.entry(QStringLiteral("1"));
  shop.sale->unos();
  press(shop); // while the sale line is unanswered
  shop.settle();
  press(shop); // between two lines
  shop.settle();
  shop.sell(QStringLiteral("2"), QStringLiteral("2"));
  shop.cash(QStringLiteral("100"));
  press(shop); // while the payment is unanswered
  shop.settle();
  press(shop); // between the payment and the closing
  shop.settle();
  shop.enter();
  shop.settle();
  ASSERT_EQ(shop.sale->sledeciRed, 1) << shop.h.prompt.log.join("\n").toStdString();
  press(shop); // after the receipt
  shop.settle();

  // The next receipt: one line paid with Enter.
  shop.sell(QStringLiteral("1"));
  press(shop);
  shop.settle();
  shop.enter();
  shop.settle();
  ASSERT_EQ(shop.sale->sledeciRed, 1);

  // Every line once, with its stock.
  EXPECT_EQ(shop.rows("SELECT brrac, sifra, prodato FROM prodato ORDER BY rbr"),
            (QStringList{"1|1|1", "1|2|2", "2|1|1"}));
  EXPECT_EQ(shop.rows("SELECT sifra, lager FROM artikli ORDER BY sifra"),
            (QStringList{"1|8", "2|3", "3|99"}));
  // Each receipt's own payments.
  EXPECT_EQ(shop.rows("SELECT broj, status, gotovina, cek, kartica FROM racuni ORDER BY broj"),
            (QStringList{"1|1|400|0|0", "2|1|100|0|0"}));
  EXPECT_EQ(shop.rows("SELECT broj, rbr, iznos, nacin FROM rate ORDER BY broj, rbr"),
            (QStringList{"1|1|100|0", "1|2|300|0", "2|1|100|0"}));

  const QList<QJsonObject> receipts = shop.device.journal();
  ASSERT_EQ(receipts.size(), 2);
  EXPECT_EQ(receipts[0].value("lines").toArray().size(), 2);
  EXPECT_EQ(receipts[1].value("lines").toArray().size(), 1);

  // No dialog about a receipt step; a model without the command sends nothing.
  for (const auto &e : shop.h.prompt.errors)
    EXPECT_FALSE(e.tekst.contains(QStringLiteral("prodaje"))) << e.tekst.toStdString();
  const QStringList sent = shop.sent();
  const QString aux = c.key == AuxKey::Drawer ? QStringLiteral("FIOKA") : QStringLiteral("LCD");
  const bool hasIt = c.key == AuxKey::Drawer ? (c.model == 1 || c.model == 4 || c.model == 5) : c.model == 4;
  EXPECT_EQ(sent.count(aux), hasIt ? presses : 0);
  if (c.key == AuxKey::Drawer && c.model != 4) {
    EXPECT_EQ(shop.device.device().drawerOpenings, hasIt ? presses : 0);
  }
  if (c.key == AuxKey::Display) {
    EXPECT_EQ(shop.device.device().lcdLines[0].trimmed(), hasIt ? QStringLiteral("DOBAR DAN") : QString());
  }
  EXPECT_FALSE(shop.h.engine->pomocnaKomanda());
  EXPECT_FALSE(shop.h.engine->awaitingReply());
}

INSTANTIATE_TEST_SUITE_P(Keys, RetailAuxKeys,
                         ::testing::Values(AuxCase{1, AuxKey::Drawer}, AuxCase{5, AuxKey::Drawer},
                                           AuxCase{4, AuxKey::Drawer}, AuxCase{2, AuxKey::Drawer},
                                           AuxCase{3, AuxKey::Drawer}, AuxCase{4, AuxKey::Display}),
                         [](const auto &info) {
                           return "Model" + std::to_string(info.param.model) +
                                  (info.param.key == AuxKey::Drawer ? "_Drawer" : "_Display");
                         });

// A drawer whose answer never comes does not hold the next line back for ever.
TEST(RetailAuxKeys, LostDrawerReplyDoesNotBlockTheSale) {
  Shop shop(1);
  shop.open();
  shop.device.control({{"cmd", "loseReplies"}, {"count", 1}});
  shop.sale->fiokaKey();
  shop.entry(QStringLiteral("1"));
  shop.sale->unos();
  shop.settle();
  EXPECT_EQ(shop.sent(), QStringList{"FIOKA"});
  shop.h.clock.advance(3000);
  shop.settle();
  EXPECT_EQ(shop.sent(), (QStringList{"FIOKA", "L"}));
  EXPECT_EQ(shop.rows("SELECT sifra FROM prodato"), QStringList{"1"});
  EXPECT_TRUE(shop.h.prompt.errors.isEmpty());
}

// A display command whose answer is lost is resent as itself, not as the last sale line.
TEST(RetailAuxKeys, LostDisplayReplyResendsTheDisplay) {
  Shop shop(4);
  shop.open();
  shop.sell(QStringLiteral("1"));
  shop.device.control({{"cmd", "loseReplies"}, {"count", 1}});
  shop.entry(QStringLiteral("DOBAR DAN"));
  shop.sale->displejKey();
  shop.h.clock.advance(3500);
  EXPECT_EQ(shop.sent(), (QStringList{"L", "LCD", "LCD"}));
  EXPECT_EQ(shop.rows("SELECT COUNT(*) FROM prodato"), QStringList{"1"});
  EXPECT_EQ(shop.device.device().receipt().lines.size(), 1);
}

} // namespace

namespace {

// A display command the device refuses is a notice about that command, never the
// receipt-step dialog; the receipt goes on.
TEST(RetailAuxKeys, RefusedDisplayIsANoticeAboutTheCommand) {
  Shop shop(4);
  shop.open();
  shop.sell(QStringLiteral("1"));
  shop.device.control({{"cmd", "refuse"}, {"errorClass", 5}, {"errorBits", 1024}, {"count", 1}});
  shop.entry(QStringLiteral("DOBAR DAN"));
  shop.sale->displejKey();
  shop.settle();
  ASSERT_EQ(shop.h.prompt.errors.size(), 1);
  EXPECT_EQ(shop.h.prompt.errors[0].mode, UserPrompt::Mode::Notice);
  EXPECT_TRUE(shop.h.prompt.errors[0].tekst.startsWith(
      QStringLiteral("Doslo je do greske prilikom izvrsenja komande(29)")))
      << shop.h.prompt.errors[0].tekst.toStdString();
  shop.sell(QStringLiteral("2"));
  shop.enter();
  shop.settle();
  EXPECT_EQ(shop.rows("SELECT sifra FROM prodato ORDER BY rbr"), (QStringList{"1", "2"}));
  EXPECT_EQ(shop.rows("SELECT status, gotovina FROM racuni"), QStringList{"1|250"});
}

} // namespace

namespace {

// Model 4 writes the configured idle texts after a receipt; "DATUM I VREME" puts the
// moment's date and time on the second line.
TEST(RetailAuxKeys, IdleDisplayAfterAReceipt) {
  struct Case {
    const char *what;
    QString line2;
    bool dateTime;
    QString expected;
  } cases[] = {
      {"free text", QStringLiteral("DOVIDJENJA"), false, QStringLiteral("DOVIDJENJA")},
      {"date and time", QString(), true, QStringLiteral("15.01.2026 10:00")},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Shop shop(4);
    shop.h.engine->setIdleDisplayTexts(QStringLiteral("HVALA"), c.line2, c.dateTime);
    shop.open();
    shop.sell(QStringLiteral("1"));
    shop.enter();
    shop.settle();
    ASSERT_EQ(shop.rows("SELECT status FROM racuni"), QStringList{"1"});
    EXPECT_EQ(shop.sent().count(QStringLiteral("LCD")), 2);
    EXPECT_EQ(shop.device.device().lcdLines[0].trimmed(), QStringLiteral("HVALA"));
    EXPECT_EQ(shop.device.device().lcdLines[1].trimmed(), c.expected);
  }
}

} // namespace
