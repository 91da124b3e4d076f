// The articles window in the real program against fiscal-sim: an article added
// in the window is picked with F5 on the retail screen and sold; the article
// check programs it into the device, and its stock goes down.
#include "app/tfrmpocetna.h"
#include "data/articletablemodel.h"
#include "data/ui/tfrmartmain.h"
#include "device/deviceprofile.h"
#include "sales/ui/tform2.h"
#include "shopfixture.h"

#include <QJsonArray>
#include <QSqlQuery>
#include <QTest>
#include <QToolButton>

namespace {

using e2e::when;

class ArticlesE2E : public ::testing::Test, protected e2e::ShopFixture {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(prepareShop(4));
    ASSERT_NO_FATAL_FAILURE(startDevice(4));
  }
};

TEST_F(ArticlesE2E, AnArticleAddedInTheWindowIsPickedWithF5AndSold) {
  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();
  TfrmArtMain &art = p.artMain();
  TForm2 &kasa = p.form2();
  bool added = false, picked = false, sold = false;

  logInThen(p, "1111", [&] {
    when(
        &p, [&] { return art.isVisible() && !art.pickMode(); },
        [&] {
          art.navInsert->click();
          const int row = art.currentRow();
          ArticleTableModel &m = *art.model();
          added = m.setValue(row, "sifra", "901") && m.setValue(row, "naziv", "Lipov caj") &&
                  m.setValue(row, "cena", "55,50") && m.setValue(row, "stopa", "2") &&
                  m.setValue(row, "lager", "10");
          art.close(); // posts the new row
        });
    p.glavna().Artikli->click();
    when(
        &p, [&] { return kasa.isVisible() && retailIdle(p); },
        [&] {
          when(
              &p, [&] { return art.isVisible() && art.pickMode(); },
              [&] {
                QTest::keyClicks(art.EditTrazi, "lipov");
                QTest::keyClick(art.EditTrazi, Qt::Key_Return);
              });
          kasa.handleKey(Qt::Key_F5, Qt::NoModifier); // the pick, then the code as entered
          picked = testsupport::waitFor([&] { return retailIdle(p) && p.retail().sledeciRed == 2; }, 10000);
          kasa.edtUnos->setText("100");
          kasa.handleKey(Qt::Key_Plus, Qt::KeypadModifier);
          testsupport::waitFor([&] { return retailIdle(p); }, 10000);
          kasa.edtUnos->setText("");
          kasa.handleKey(Qt::Key_Return, Qt::NoModifier);
          sold = testsupport::waitFor([&] { return p.retail().sledeciRed == 1 && retailIdle(p); }, 15000);
          kasa.close();
          when(
              &p, [&] { return !kasa.isVisible() && p.glavna().isVisible(); }, [&] { p.glavna().close(); });
        });
    p.glavna().Kasa->click();
  });
  p.pocetna().BtnProdesk->click();

  EXPECT_TRUE(added);
  EXPECT_TRUE(picked) << kasa.edtStatus->text().toStdString() << " " << unexpected.join(" | ").toStdString();
  EXPECT_TRUE(sold);
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();

  const QList<QJsonObject> receipts = journal("receipt");
  ASSERT_FALSE(receipts.isEmpty());
  const QJsonArray lines = receipts.last().value("lines").toArray();
  ASSERT_EQ(lines.size(), 1);
  EXPECT_EQ(lines.at(0).toObject().value("name").toString(), "Lipov caj");
  EXPECT_DOUBLE_EQ(receipts.last().value("total").toDouble(), 55.5);

  QSqlQuery q(p.database().connection());
  ASSERT_TRUE(q.exec("SELECT LAGER FROM ARTIKLI WHERE SIFRA='901'") && q.next());
  EXPECT_DOUBLE_EQ(q.value(0).toDouble(), 9);
  ASSERT_TRUE(q.exec("SELECT SIFRA, PRODATO FROM PRODATO") && q.next());
  EXPECT_EQ(q.value(0).toString().trimmed(), "901");
}

} // namespace
