// The retail window in the real window stack (offscreen), over the real engine and
// fiscal-sim's device in-process.
#include "sales/shopfixture.h"
#include "sales/ui/tform2.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

using namespace shoptest;

namespace {

// Delivers an event straight to the window, as the window system would, keeping its
// spontaneous mark (QApplication::sendEvent clears it).
struct Form2 : TForm2 {
  using TForm2::TForm2;
  void deliver(QEvent *e, bool spontaneous) {
    if (spontaneous)
      QSpontaneKeyEvent::setSpontaneous(e);
    event(e);
  }
};

int openings(const Shop &shop) {
  int n = 0;
  for (const QByteArray &f : shop.device.frames)
    n += quint8(f[0]) == 0xAA && quint8(f[7]) == 0x01;
  return n;
}

// Only a real opening of the window opens a receipt on the device.
TEST(TForm2Window, ShowEventsOpenAReceiptOnlyWhenReallyOpened) {
  Shop shop(1);
  Form2 form(*shop.sale, shop.h.clock);
  form.show();
  shop.settle();
  ASSERT_EQ(openings(shop), 1);
  shop.sell(QStringLiteral("1"));

  // Restored from the task bar, or shown again while open: nothing new.
  QShowEvent restored;
  form.deliver(&restored, true);
  QShowEvent again;
  form.deliver(&again, false);
  form.show();
  shop.settle();
  EXPECT_EQ(openings(shop), 1);
  EXPECT_EQ(shop.sale->sledeciRed, 2); // the line is still on the receipt
  ASSERT_TRUE(shop.h.engine->racunUToku());
  QHideEvent minimised;
  form.deliver(&minimised, true);
  EXPECT_TRUE(shop.h.engine->racunUToku());

  // Closed and opened again: a new opening.
  form.close();
  EXPECT_FALSE(shop.h.engine->racunUToku());
  form.show();
  shop.settle();
  EXPECT_EQ(openings(shop), 2);
  form.close();
}

// The keypad * with a number it cannot read leaves the entry line empty, as every operator key.
TEST(TForm2Window, KeypadKeysNeverLeaveTheirTextBehind) {
  Shop shop(1);
  TForm2 form(*shop.sale, shop.h.clock);
  form.show();
  shop.settle();
  struct Case {
    const char *typed;
    const char *status;
    const char *kolicina;
  } cases[] = {{"abc", "POGRESAN BROJ", "1,000"}, {"2", "", "2,000"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.typed);
    shop.h.clock.advance(RetailSale::kStatusMs); // the last status has gone
    form.edtUnos->setText(QString::fromLatin1(c.typed));
    QTest::keyClick(form.edtUnos, Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_TRUE(form.edtUnos->text().isEmpty());
    EXPECT_EQ(shop.sale->edtStatus(), QString::fromLatin1(c.status));
    EXPECT_EQ(shop.sale->edtKol(), QString::fromLatin1(c.kolicina));
  }
  form.close();
}

// Esc with no card payment waiting: no question, nothing sent, nothing booked.
TEST(TForm2Window, EscWithoutACardPaymentDoesNothing) {
  Shop shop(2);
  TForm2 form(*shop.sale, shop.h.clock);
  form.show();
  shop.settle();
  shop.sell(QStringLiteral("1"));
  form.edtUnos->setText(QStringLiteral("40"));
  QTest::keyClick(form.edtUnos, Qt::Key_Plus, Qt::KeypadModifier);
  shop.settle();
  const int sent = int(shop.device.frames.size());
  QTest::keyClick(form.edtUnos, Qt::Key_Escape);
  QTest::keyClick(form.edtUnos, Qt::Key_Return); // the habit: Esc, then Enter on "U redu"
  shop.settle();
  EXPECT_TRUE(shop.h.prompt.log.isEmpty()) << shop.h.prompt.log.join("\n").toStdString();
  EXPECT_TRUE(form.isVisible());
  // Enter on the empty line closed the receipt with the rest in cash: one payment of 40 before it.
  EXPECT_EQ(shop.sent(sent), QStringList{"KRAJ"});
  EXPECT_EQ(shop.rows("SELECT rbr, iznos, nacin FROM rate ORDER BY rbr"), (QStringList{"1|40|0", "2|60|0"}));
  EXPECT_EQ(shop.rows("SELECT gotovina FROM racuni"), QStringList{"100"});
  form.close();
}

} // namespace

// Each model shows the keys its device has: the drawer with families 1 and 4,
// free text and the storno of the open receipt with model 4 only; F1, F2 and F12
// tell the others it is not for their device.
TEST(TForm2Window, KeysFollowTheDevice) {
  struct Case {
    int model;
    bool drawer, freeText, storno;
  } cases[] = {{1, true, false, false},
               {2, false, false, false},
               {3, false, false, false},
               {4, true, true, true},
               {5, true, false, false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.model);
    Shop shop(c.model);
    TForm2 form(*shop.sale, shop.h.clock);
    form.applyModel(c.model);
    form.show();
    EXPECT_EQ(form.BtnFioka->isVisible(), c.drawer);
    EXPECT_EQ(form.BtnTekst->isVisible(), c.freeText);
    EXPECT_EQ(form.BitBtn9->isVisible(), c.storno);
    if (!c.storno) {
      shop.h.prompt.log.clear();
      form.handleKey(Qt::Key_F12, Qt::NoModifier);
      EXPECT_EQ(shop.h.prompt.log,
                QStringList{"message|GRESKA|Nije dostupno za model kase sa kojom radite!"});
    }
    form.close();
  }
}
