// Models 2 and 3 through the real windows against fiscal-sim over a pty: part by
// cheque, part by card, the rest in cash with Enter. The device closes only on
// Enter; what it printed and what the program stored agree.
#include "app/tfrmpocetna.h"
#include "sales/ui/tform2.h"
#include "shopfixture.h"

#include <QJsonArray>
#include <QSqlQuery>

namespace {

class MenkoPaymentsE2E : public ::testing::TestWithParam<int>, protected e2e::ShopFixture {
protected:
  void SetUp() override {
    // Model 3 is a Menko found at start-up: the shop configures a Menko (2).
    ASSERT_NO_FATAL_FAILURE(prepareShop(2));
    ASSERT_NO_FATAL_FAILURE(startDevice(GetParam()));
  }
};

TEST_P(MenkoPaymentsE2E, ChequeCardAndCashOnOneReceipt) {
  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();

  TForm2 &kasa = p.form2();
  RetailSale &sale = p.retail();
  QString shownBeforeClose;
  bool closed = false;
  int model = 0;

  inRetailScreen(p, "2222", [&] {
    model = p.engine().model();
    // Each key once the device has answered the one before, as a cashier does.
    auto step = [&](const QString &text, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
      kasa.edtUnos->setText(text);
      kasa.handleKey(key, mods);
      return testsupport::waitFor([&] { return retailIdle(p); }, 10000);
    };
    // Kafa espresso 2 x 120,00 and Hleb beli 65,00: 305,00; cheque 100, card 50.
    if (!step("2", Qt::Key_Asterisk, Qt::KeypadModifier) || !step("1", Qt::Key_Return) ||
        !step("13", Qt::Key_Return) || !step("100", Qt::Key_F3) || !step("50", Qt::Key_F4))
      return;
    shownBeforeClose = kasa.lblUkupno->text() + " " + kasa.edtCek->text() + " " + kasa.edtKartica->text() +
                       " " + kasa.edtPovracaj->text() + " " + QString::number(sale.sledeciRed);
    step("", Qt::Key_Return); // total and close: the rest in cash
    closed = testsupport::waitFor([&] { return sale.sledeciRed == 1; }, 10000);
  });
  p.pocetna().BtnProdesk->click(); // returns when the windows are closed again

  EXPECT_EQ(model, GetParam());
  // Nothing closed the receipt before Enter.
  EXPECT_EQ(shownBeforeClose, "305,00 100,00 50,00 -155,00 3");
  EXPECT_TRUE(closed);
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();
  EXPECT_EQ(enterNotices, 0);

  const QList<QJsonObject> receipts = journal("receipt");
  ASSERT_EQ(receipts.size(), 1);
  QStringList printed;
  for (const QJsonValue &v : receipts[0].value("payments").toArray())
    printed << QStringLiteral("%1:%2")
                   .arg(v.toObject().value("type").toInt())
                   .arg(v.toObject().value("amount").toDouble());
  EXPECT_EQ(printed, (QStringList{"1:100", "2:50", "0:155"}));
  EXPECT_DOUBLE_EQ(receipts[0].value("total").toDouble(), 305.0);

  QSqlQuery q(p.database().connection());
  ASSERT_TRUE(q.exec("SELECT STATUS, CEK, KARTICA, GOTOVINA FROM RACUNI"));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(QStringLiteral("%1|%2|%3|%4")
                .arg(q.value(0).toInt())
                .arg(q.value(1).toDouble())
                .arg(q.value(2).toDouble())
                .arg(q.value(3).toDouble()),
            "1|100|50|155");
  EXPECT_FALSE(q.next());
  ASSERT_TRUE(q.exec("SELECT NACIN, IZNOS FROM RATE ORDER BY RBR"));
  QStringList stored;
  while (q.next())
    stored << QStringLiteral("%1:%2").arg(q.value(0).toInt()).arg(q.value(1).toDouble());
  EXPECT_EQ(stored, printed);
  ASSERT_TRUE(q.exec("SELECT SIFRA, PRODATO FROM PRODATO ORDER BY RBR"));
  QStringList lines;
  while (q.next())
    lines << q.value(0).toString().trimmed() + " " + QString::number(q.value(1).toDouble());
  EXPECT_EQ(lines, (QStringList{"1 2", "13 1"}));
}

INSTANTIATE_TEST_SUITE_P(Menko, MenkoPaymentsE2E, ::testing::Values(2, 3),
                         [](const auto &info) { return "Model" + std::to_string(info.param); });

} // namespace
