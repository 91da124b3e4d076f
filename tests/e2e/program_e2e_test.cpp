// The real program's windows, offscreen, against fiscal-sim: the Menko variant
// found by the main menu, the free-text window beside the modal retail screen,
// and the configuration's OK over TCP. Keys and clicks go through the window
// system, so a window blocked by a modal one does not get them.
#include "app/tfrmpocetna.h"
#include "data/ui/tfrmkonf.h"
#include "sales/ui/tform2.h"
#include "sales/ui/tfrmfreetext.h"
#include "shopfixture.h"

#include <QJsonArray>
#include <QTest>

namespace {

using e2e::when;

class ProgramE2E : public ::testing::Test, protected e2e::ShopFixture {};

void typeInto(QWindow *window, const QString &text) {
  for (QChar c : text)
    QTest::keyClick(window, c.toLatin1());
}

void clickOn(QWidget *button) {
  QTest::mouseClick(button->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                    button->mapTo(button->window(), button->rect().center()));
}

// Model 2 configured; both devices answer long frames, so the start-up check takes
// them for model 3. The main menu's long-frame article read tells them apart.
class MenkoVariantE2E : public ::testing::TestWithParam<std::pair<int, int>>, protected e2e::ShopFixture {};

TEST_P(MenkoVariantE2E, MainMenuFindsTheVariant) {
  const auto [device, model] = GetParam();
  ASSERT_NO_FATAL_FAILURE(prepareShop(2));
  ASSERT_NO_FATAL_FAILURE(startDevice(device));
  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();
  EXPECT_EQ(p.link().Model, 3);
  int inMenu = 0;
  logInThen(p, "2222", [&] {
    testsupport::waitFor([&] { return p.engine().zapocetaOperacija() == StartedOperation::None; }, 10000);
    inMenu = p.link().Model;
    p.glavna().close();
  });
  p.pocetna().BtnProdesk->click();
  EXPECT_EQ(inMenu, model);
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Devices, MenkoVariantE2E, ::testing::Values(std::pair{2, 2}, std::pair{3, 3}),
                         [](const auto &info) { return "Device" + std::to_string(info.param.first); });

// F2 on model 4 opens the free-text window beside the retail screen, which stays
// modal; the lines typed there and OK reach the device as free text, and the
// screen sells on afterwards.
TEST_F(ProgramE2E, FreeTextTypedBesideTheRetailScreenIsPrinted) {
  ASSERT_NO_FATAL_FAILURE(prepareShop(4));
  ASSERT_NO_FATAL_FAILURE(startDevice(4));
  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();

  TForm2 &kasa = p.form2();
  TFrmFreeText &tekst = p.freeText();
  RetailSale &sale = p.retail();
  auto idle = [&] { return retailIdle(p); };
  bool shown = false, printed = false, closedAfterOk = false, soldAfter = false;
  QString shot;
  inRetailScreen(p, "2222", [&] {
    QTest::keyClick(kasa.windowHandle(), Qt::Key_F2);
    shown = testsupport::waitFor([&] { return QApplication::activeWindow() == &tekst; }, 5000);
    if (!shown)
      return;
    typeInto(tekst.windowHandle(), "HVALA NA POSETI");
    QTest::keyClick(tekst.windowHandle(), Qt::Key_Return);
    typeInto(tekst.windowHandle(), "Dodjite opet");
    const QString file = dir.filePath("slobodan-tekst.png");
    if (kasa.grab().save(dir.filePath("kasa-f2.png")) && tekst.grab().save(file))
      shot = file;
    clickOn(tekst.BtnOK);
    closedAfterOk = !tekst.isVisible();
    printed = testsupport::waitFor([&] { return !journal("text").isEmpty() && idle(); }, 10000);
    // The screen goes on with the next customer.
    kasa.edtUnos->setText("13");
    kasa.handleKey(Qt::Key_Return, Qt::NoModifier);
    if (testsupport::waitFor(idle, 10000)) {
      kasa.handleKey(Qt::Key_Return, Qt::NoModifier); // total and close
      soldAfter =
          testsupport::waitFor([&] { return sale.sledeciRed == 1 && !journal("receipt").isEmpty(); }, 15000);
    }
  });
  p.pocetna().BtnProdesk->click();

  EXPECT_TRUE(shown);
  EXPECT_TRUE(closedAfterOk);
  ASSERT_TRUE(printed) << unexpected.join("\n").toStdString();
  const QJsonArray lines = journal("text").first().value("lines").toArray();
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0].toObject().value("text").toString().trimmed(), "HVALA NA POSETI");
  EXPECT_EQ(lines[1].toObject().value("text").toString().trimmed(), "Dodjite opet");
  EXPECT_FALSE(lines[0].toObject().value("bold").toBool());
  EXPECT_TRUE(soldAfter);
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();
  if (qEnvironmentVariableIsSet("KASA_SCREENSHOT_DIR") && !shot.isEmpty()) {
    const QDir out(qEnvironmentVariable("KASA_SCREENSHOT_DIR"));
    QFile::copy(shot, out.filePath("slobodan-tekst.png"));
    QFile::copy(dir.filePath("kasa-f2.png"), out.filePath("kasa-f2.png"));
  }
}

// Dravo over TCP: the configuration's OK returns at once, and the rest of the
// step runs when the connection answers after the pause: the device check passes
// and closes the window.
TEST_F(ProgramE2E, ConfigurationOkOverTcpGoesOnWhenTheDeviceAnswers) {
  ASSERT_NO_FATAL_FAILURE(prepareShop(4, [](SetKonfiguracija &k) {
    k.konekcija = 1;
    k.IP = QStringLiteral("127.0.0.1");
  }));
  ASSERT_NO_FATAL_FAILURE(startDevice(4, {"--tcp", "127.0.0.1:0"}));
  ASSERT_NE(tcpPort(), 0);
  Program p(dir.path());
  p.setDeviceTcpPort(tcpPort());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();

  bool stillOpenAfterOk = false, gaveUp = false;
  QTimer giveUp;
  giveUp.setSingleShot(true);
  QObject::connect(&giveUp, &QTimer::timeout, [&] {
    gaveUp = true;
    p.konf().BitBtn2->click();
  });
  when(
      &p, [&] { return p.konf().isVisible(); },
      [&] {
        p.konf().edtDuzina->setText("32");
        clickOn(p.konf().BitBtn1);
        stillOpenAfterOk = p.konf().isVisible();
        giveUp.start(15000);
      });
  p.BtnKonfihuracijaClick();

  EXPECT_TRUE(stillOpenAfterOk);
  EXPECT_FALSE(gaveUp); // the check's success closed the window
  EXPECT_EQ(KonfiguracijaStore::load(dir.path()).record.Duzina, 32);
  EXPECT_TRUE(testsupport::waitFor([&] { return p.pocetna().BtnProdesk->isEnabled(); }, 15000));
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();
}

} // namespace
