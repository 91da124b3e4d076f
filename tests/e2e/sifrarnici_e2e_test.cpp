// "&SIFRARNICI" of the real program, offscreen, against fiscal-sim: the window is modal
// over the main menu, the code window sets a waiter's code over it without showing it,
// the device reads fill the waiters and tax rates, and Esc closes it again.
#include "app/tfrmpocetna.h"
#include "data/codelisttablemodel.h"
#include "data/ui/recordgrid.h"
#include "data/ui/tfrmsifarnici.h"
#include "engine/articlesync.h"
#include "engine/codelistsync.h"
#include "shopfixture.h"

#include <QTabWidget>
#include <QTableView>
#include <QTest>

namespace {

using e2e::when;

class SifrarniciE2E : public ::testing::TestWithParam<int>, protected e2e::ShopFixture {};

void clickOn(QWidget *button) {
  QTest::mouseClick(button->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                    button->mapTo(button->window(), button->rect().center()));
}

TEST_P(SifrarniciE2E, MainMenuCodeWindowAndDeviceReads) {
  const int model = GetParam();
  ASSERT_NO_FATAL_FAILURE(prepareShop(model));
  ASSERT_NO_FATAL_FAILURE(startDevice(model));
  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();
  TfrmSifarnici &w = p.sifarnici();
  bool modalOverMenu = false, searchFocused = false, enterKept = false;
  QString caption, prompt, offered;
  QLineEdit::EchoMode echo = QLineEdit::Normal;
  bool readBusy = false;
  int codeStored = -1;
  QStringList waitersRead, ratesRead;
  logInThen(p, "1111", [&] {
    EXPECT_TRUE(p.glavna().BtnSifarnik->isEnabled());
    clickOn(p.glavna().BtnSifarnik);
  });
  when(
      &p, [&] { return w.isVisible() && w.isActiveWindow(); },
      [&] {
        modalOverMenu = QApplication::activeModalWidget() == &w && w.isModal();
        searchFocused = QApplication::focusWidget() == w.EdtTraziPartner;
        QTest::keyClick(w.windowHandle(), Qt::Key_Return); // in the search box: nothing closes
        enterKept = w.isVisible();
        w.pageSifarnici->setCurrentIndex(2);
        w.grid("KONOBARI")->setCurrentRow(1); // Ana Kasirka, 2222
        clickOn(w.BtnSetPass);
      });
  when(
      &p, [&] { return p.form4().isVisible() && p.form4().isActiveWindow(); },
      [&] {
        caption = p.form4().windowTitle();
        prompt = p.form4().Label1->text();
        offered = p.form4().medtsifra->text();
        echo = p.form4().medtsifra->echoMode();
        p.form4().medtsifra->clear();
        for (QChar c : QString(" 4545 "))
          QTest::keyClick(p.form4().windowHandle(), c.toLatin1());
        QTest::keyClick(p.form4().windowHandle(), Qt::Key_Return);
        when(
            &p, [&] { return !p.form4().isVisible() && w.isActiveWindow(); },
            [&] {
              codeStored = p.database()
                               .scalar("SELECT COUNT(*) FROM konobari WHERE rbr=2 AND sifkonob='4545'")
                               .value_or(-1)
                               .toInt();
              clickOn(w.BtnOperaterRead);
              readBusy = !w.BtnOperaterRead->isEnabled();
              when(
                  &p,
                  [&] { return w.BtnOperaterRead->isEnabled() && !p.articleSync().codeLists().running(); },
                  [&] {
                    CodeListTableModel *m = w.grid("KONOBARI")->model();
                    for (int r = 0; r < m->rowCount(); ++r)
                      waitersRead << m->value(r, "rbr").toString() + " " +
                                         m->value(r, "naziv").toString().trimmed();
                    w.pageSifarnici->setCurrentIndex(4);
                    clickOn(w.BtnPorezRead);
                    when(
                        &p,
                        [&] { return w.BtnPorezRead->isEnabled() && !p.articleSync().codeLists().running(); },
                        [&] {
                          CodeListTableModel *r = w.grid("PORSTOPE")->model();
                          for (int i = 0; i < r->rowCount(); ++i)
                            ratesRead << r->index(i, 1).data().toString();
                          QTest::keyClick(w.windowHandle(), Qt::Key_Escape);
                          when(
                              &p, [&] { return !w.isVisible() && p.glavna().isActiveWindow(); },
                              [&] { p.glavna().close(); });
                        });
                  });
            });
      });
  p.pocetna().BtnProdesk->click();
  EXPECT_TRUE(modalOverMenu);
  EXPECT_TRUE(searchFocused);
  EXPECT_TRUE(enterKept);
  EXPECT_EQ(caption, "Operateri");
  EXPECT_EQ(prompt, "Unesite lozinku");
  EXPECT_EQ(offered, "2222");
  EXPECT_EQ(echo, QLineEdit::Password) << "the code is never shown";
  EXPECT_EQ(codeStored, 1) << "stored trimmed";
  EXPECT_TRUE(readBusy);
  // The device's operators by their numbers: a family-1 device counts from 0 (its
  // administrator), model 4 from 1.
  QStringList onDevice;
  for (int n = model == 4 ? 1 : 0; n <= 3; ++n)
    onDevice << QStringLiteral("%1 OPERATER %1").arg(n);
  EXPECT_EQ(waitersRead, onDevice);
  EXPECT_EQ(p.database()
                .scalar("SELECT MIN(rbr) || '/' || COUNT(*) FROM konobari WHERE admin=" +
                        p.database().booleanLiteral(true))
                .value_or(QVariant())
                .toString(),
            QStringLiteral("%1/1").arg(model == 4 ? 1 : 0))
      << "the device's administrator, and only it";
  EXPECT_EQ(ratesRead,
            QStringList({"20,00", "10,00", "0,00", "8,00", "0,00", "0,00", "0,00", "0,00", "0,00"}));
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();
  // The read replaced the waiters: the device names its operators by number.
  EXPECT_EQ(p.database().scalar("SELECT COUNT(*) FROM konobari WHERE sifkonob='4545'").value_or(-1).toInt(),
            0);
}

INSTANTIATE_TEST_SUITE_P(Models, SifrarniciE2E, ::testing::Values(4, 1, 5),
                         [](const ::testing::TestParamInfo<int> &i) {
                           return "Model" + std::to_string(i.param);
                         });

} // namespace
