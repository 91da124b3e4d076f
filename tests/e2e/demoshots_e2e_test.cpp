// The pictures a newcomer sees first (scripts/demo --shot, the README): the start
// window, the main menu and the retail screen in the middle of a sale, taken from
// the real program selling one receipt on fiscal-sim by itself.
#include "app/tfrmpocetna.h"
#include "app/tglavna.h"
#include "sales/ui/tform2.h"
#include "shopfixture.h"

#include <QImage>

namespace {

using e2e::when;

class DemoShots : public ::testing::Test, protected e2e::ShopFixture {
protected:
  // KASA_SCREENSHOT_DIR when set (scripts/demo --shot), else the test's own folder.
  QString save(QWidget &window, const QString &name) {
    const QString out = qEnvironmentVariableIsSet("KASA_SCREENSHOT_DIR")
                            ? QDir(qEnvironmentVariable("KASA_SCREENSHOT_DIR")).filePath(name)
                            : dir.filePath(name);
    return window.grab().save(out) ? out : QString();
  }
};

TEST_F(DemoShots, StartWindowMainMenuAndRetailScreenMidSale) {
  ASSERT_NO_FATAL_FAILURE(prepareShop(4));
  ASSERT_NO_FATAL_FAILURE(startDevice(4));
  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();
  const QString start = save(p.pocetna(), "pocetna.png");

  TForm2 &kasa = p.form2();
  QString menu, retail, total;
  bool closed = false;
  logInThen(p, "1111", [&] {
    menu = save(p.glavna(), "glavni-meni.png");
    p.glavna().Kasa->click();
  });
  when(
      &p, [&] { return kasa.isVisible() && retailIdle(p); },
      [&] {
        for (const char *entry : {"1", "13"}) {
          kasa.edtUnos->setText(QString::fromLatin1(entry));
          kasa.handleKey(Qt::Key_Return, Qt::NoModifier);
          if (!testsupport::waitFor([&] { return retailIdle(p); }, 10000))
            break;
        }
        total = kasa.lblUkupno->text();
        retail = save(kasa, "kasa.png");
        kasa.handleKey(Qt::Key_Return, Qt::NoModifier); // total and close in cash
        closed = testsupport::waitFor(
            [&] { return p.retail().sledeciRed == 1 && !journal("receipt").isEmpty(); }, 15000);
        kasa.close();
        when(
            &p, [&] { return !kasa.isVisible() && p.glavna().isVisible(); }, [&] { p.glavna().close(); });
      });
  p.pocetna().BtnProdesk->click();

  EXPECT_EQ(total, "185,00"); // Kafa espresso 120,00 and Hleb beli 65,00 on the screen shot
  EXPECT_TRUE(closed) << unexpected.join("\n").toStdString();
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();
  const struct {
    QString file;
    QSize size;
  } shots[] = {{start, p.pocetna().size()}, {menu, p.glavna().size()}, {retail, kasa.size()}};
  for (const auto &s : shots) {
    ASSERT_FALSE(s.file.isEmpty());
    const QImage image(s.file);
    EXPECT_EQ(image.size(), s.size) << s.file.toStdString();
  }
}

} // namespace
