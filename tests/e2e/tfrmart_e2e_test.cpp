// The device article window in the real program, offscreen, against fiscal-sim: the
// main menu's "KO&NFIGURISANJE KASE" opens it modally over the menu, a read fills the
// grid while the buttons wait, and Esc closes it with the mirror saved.
#include "app/tfrmpocetna.h"
#include "device/ui/tfrmart.h"
#include "shopfixture.h"

#include <QTableView>
#include <QTest>

namespace {

using e2e::when;

class TfrmArtE2E : public ::testing::Test, protected e2e::ShopFixture {};

void clickOn(QWidget *button) {
  QTest::mouseClick(button->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                    button->mapTo(button->window(), button->rect().center()));
}

TEST_F(TfrmArtE2E, MainMenuOpensTheWindowAndAReadFillsIt) {
  ASSERT_NO_FATAL_FAILURE(prepareShop(1));
  {
    QFile more(dir.filePath("device-articles.txt"));
    ASSERT_TRUE(more.open(QIODevice::Append));
    more.write("12;Чај од нане;60.00;1;\n");
  }
  ASSERT_NO_FATAL_FAILURE(startDevice(1));
  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();

  bool modalOverMenu = false, syncHidden = false, waited = false, hourglass = false, finished = false;
  bool closedByEsc = false, cursorBack = false;
  int rows = -1;
  QString count = QStringLiteral("x");
  logInThen(p, "2222", [&] {
    when(
        &p, [&] { return p.frmArt().isVisible(); },
        [&] {
          TfrmArt &w = p.frmArt();
          modalOverMenu = QApplication::activeModalWidget() == &w && p.glavna().isVisible();
          syncHidden = !w.BtnSync->isVisible();
          clickOn(w.BtnKasaRead);
          waited = !w.BtnKasaRead->isEnabled() && !w.BtnPromeni->isEnabled() && !w.BtnKEmpty->isEnabled();
          hourglass =
              QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
          finished = testsupport::waitFor([&] { return w.BtnKasaRead->isEnabled(); }, 30000);
          rows = w.grid->model()->rowCount();
          count = w.LblCount->text();
          cursorBack = QApplication::overrideCursor() == nullptr;
          const QString shots = qEnvironmentVariable("KASA_SCREENSHOT_DIR");
          if (!shots.isEmpty())
            w.grab().save(shots + "/tfrmart-program.png");
          QTest::keyClick(w.windowHandle(), Qt::Key_Escape);
          closedByEsc = !w.isVisible();
          p.glavna().close();
        });
    clickOn(p.glavna().BtnPos);
  });
  p.pocetna().BtnProdesk->click();

  EXPECT_TRUE(modalOverMenu);
  EXPECT_TRUE(syncHidden); // model 4 only
  EXPECT_TRUE(waited);
  EXPECT_TRUE(hourglass);
  ASSERT_TRUE(finished);
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(count, QString());
  EXPECT_TRUE(cursorBack);
  EXPECT_TRUE(closedByEsc);
  ArticleMirror saved;
  ASSERT_TRUE(saved.load(dir.filePath("artikli.dat")));
  ASSERT_EQ(saved.count(), 2);
  EXPECT_EQ(saved.at(1).NAZIV, QStringLiteral("Чај од нане"));
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();
}

} // namespace
