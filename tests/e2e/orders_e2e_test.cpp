// The order window in the real program, offscreen: opened over the main menu for a table
// of the demo shop, a scanner on its own pty port delivering into its entry line, keys
// typed, and the ticket path of the configuration (a printer that is not there: preview).
#include "app/tfrmpocetna.h"
#include "data/tablerepository.h"
#include "device/link_peers.h"
#include "reports/ui/reportpreview.h"
#include "sales/ui/tfrmnarudzbina.h"
#include "shopfixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {

using e2e::when;

class OrdersE2E : public ::testing::Test, protected e2e::ShopFixture {};

TEST_F(OrdersE2E, ScansAndKeysGoIntoTheOrderWindowOverTheMainMenu) {
  PtyPeer scanner;
  ASSERT_TRUE(scanner.valid());
  ASSERT_NO_FATAL_FAILURE(prepareShop(4, [](SetKonfiguracija &r) {
    r.BarKodPort = 3;
    r.StampacNarudzbina = "KUHINJA-NEMA";
  }));
  ASSERT_TRUE(QFile::link(scanner.slavePath(), dir.filePath("COM3")));
  ASSERT_NO_FATAL_FAILURE(startDevice(4));
  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();

  bool opened = false, overMenu = false, scanned = false, typed = false;
  QStringList previews;
  QString status;
  logInThen(p, "3333", [&] {
    when(
        &p, [] { return TfrmNarudzbina::showing() && TfrmNarudzbina::showing()->isActiveWindow(); },
        [&] {
          TfrmNarudzbina &w = *TfrmNarudzbina::showing();
          overMenu = QApplication::activeModalWidget() == &w && p.glavna().isVisible();
          // The scanner ends its code with CR LF: one line, the chocolate.
          scanner.send("8600000000116\r\n");
          scanned = testsupport::waitFor([&] { return w.DBGridTure->model()->rowCount() == 1; });
          QTest::keyClicks(w.edtUnosRest, "7");
          QTest::keyClick(w.edtUnosRest, Qt::Key_Return);
          typed = w.DBGridTure->model()->rowCount() == 2;
          // Tickets: the configured printer is missing, so each is previewed (kitchen only).
          w.cbBar->setChecked(false);
          w.cbGost->setChecked(false);
          when(
              &w, [] { return qobject_cast<ReportPreview *>(QApplication::activeModalWidget()) != nullptr; },
              [&] {
                auto *preview = qobject_cast<ReportPreview *>(QApplication::activeModalWidget());
                previews << QString::number(preview->pageCount());
                status = w.edtStatusRest->text();
                QTest::keyClick(preview, Qt::Key_Escape);
              });
          w.BtnStampa->click();
          QTest::keyClick(w.edtUnosRest, Qt::Key_Escape);
        });
    opened = showNarudzbina(&p.glavna(), 2, Waiter{3, "Marko Konobar", false}, p.orderWindowContext());
    p.glavna().close();
  });
  p.pocetna().BtnProdesk->click();

  EXPECT_TRUE(opened);
  EXPECT_TRUE(overMenu);
  EXPECT_TRUE(scanned);
  EXPECT_TRUE(typed);
  EXPECT_EQ(previews, QStringList{"1"});
  EXPECT_EQ(status, "STAMPAC KUHINJA-NEMA NIJE DOSTUPAN");
  QStringList rows;
  for (const TableLine &l : TableRepository(p.database()).lines(2).value_or({}))
    rows << QStringLiteral("%1:%2:%3:%4").arg(l.rbr).arg(l.sifra, l.kolicina.text()).arg(l.tura);
  EXPECT_EQ(rows, (QStringList{"1:11:1,000:1", "2:7:1,000:1"}));
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();
}

} // namespace
