#include "app/tfrmpocetna.h"
#include "e2e/shopfixture.h"
#include "reports/ui/tfrmizvestaji.h"
#include "sales/retailsale.h"

#include <QJsonArray>

namespace {

using namespace e2e;

class ReportsE2E : public ::testing::Test, public ShopFixture {};

// The daily closing from the reports menu reaches the Dravo: it prints the daily
// report, stores it in its fiscal memory (the count goes from 5 to 6) and the
// program is idle again afterwards.
TEST_F(ReportsE2E, DailyReportFromTheMenuIsStoredByTheDevice) {
  ASSERT_NO_FATAL_FAILURE(prepareShop(4));
  ASSERT_NO_FATAL_FAILURE(startDevice(4, {"--daily-reports", "5"}));
  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();

  TfrmIzvestaji &menu = p.izvestaji();
  auto idle = [&] { return !p.engine().awaitingReply() && !p.engine().busy(); };
  bool wide = false, printed = false;
  logInThen(p, "2222", [&p] { p.glavna().BitBtn1->click(); });
  when(
      &p, [&] { return menu.isVisible() && idle(); },
      [&] {
        wide = menu.width() == 580 && menu.Panel1->isEnabled();
        if (qEnvironmentVariableIsSet("KASA_SCREENSHOT_DIR"))
          menu.grab().save(QDir(qEnvironmentVariable("KASA_SCREENSHOT_DIR")).filePath("izvestaji.png"));
        menu.BtnDnevni->click();
        printed = testsupport::waitFor([&] { return !journal("report").isEmpty() && idle(); }, 20000);
        menu.close();
        when(
            &p, [&p] { return p.glavna().isVisible(); }, [&p] { p.glavna().close(); });
      });
  p.pocetna().BtnProdesk->click();

  EXPECT_TRUE(wide);
  ASSERT_TRUE(printed) << unexpected.join("\n").toStdString();
  const QList<QJsonObject> reports = journal("report");
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(reports[0].value("name").toString(), "DNEVNI");
  EXPECT_EQ(reports[0].value("reportType").toInt(), 0);
  EXPECT_EQ(reports[0].value("reportNumber").toInt(), 6);
  // The daily closing is followed by a backup of the database, checked and named by its time.
  const QDir kopije(dir.filePath("kopije"));
  EXPECT_TRUE(
      testsupport::waitFor([&] { return !kopije.entryList({"kasa-*.db"}, QDir::Files).isEmpty(); }, 10000));
  EXPECT_TRUE(p.retail().edtStatus().startsWith("Rezervna kopija baze je napravljena"))
      << p.retail().edtStatus().toStdString();
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();
}

} // namespace
