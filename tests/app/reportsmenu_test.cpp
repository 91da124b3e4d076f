#include "engine/engineharness.h"
#include "reports/bandedreport.h"
#include "reports/ui/tform6.h"
#include "reports/ui/tfrmizvestaji.h"
#include "reports/ui/tfrmpromet.h"

#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace enginetest;

constexpr quint8 kIzvestaj = 0x08, kStatus = 0x0D, kFmInfo = 0x0E;

quint32 le32(const QByteArray &f, int at) {
  return quint8(f[at]) | quint32(quint8(f[at + 1])) << 8 | quint32(quint8(f[at + 2])) << 16 |
         quint32(quint8(f[at + 3])) << 24;
}

// The reports menu on a real engine with a scripted model-4 device.
class ReportsMenu : public ::testing::Test {
protected:
  ReportsMenu() : h(4) {
    menu.setModel(4);
    menu.setDatabase(&h.db);
    menu.hooks.poruka = [this](const QString &title, const QString &text) { shown << title + " / " + text; };
    menu.PrijavaOperatera = [this](int op) { h.engine->PrijavaOperatera(op); };
    menu.Izvestaj = [this](int type, const QString &from, const QString &to) {
      h.engine->Izvestaj(type, from, to);
    };
  }
  // Shows the menu (operator 1 logs in) and lets the device accept the log-in.
  void showMenu() {
    menu.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&menu));
    h.settle();
    ASSERT_EQ(h.sentCount(), 1);
    EXPECT_EQ(h.lastCode(), 0x01);
    EXPECT_EQ(quint8(h.last()[9]), 1) << "operator 1";
    h.feed(reply::ack4(0x01));
  }
  Harness h;
  TfrmIzvestaji menu;
  QStringList shown;
};

TEST_F(ReportsMenu, WidthAndPanelsFollowTheModel) {
  menu.setModel(1);
  EXPECT_EQ(menu.width(), 230);
  EXPECT_FALSE(menu.Panel1->isEnabled());
  EXPECT_FALSE(menu.Panel2->isEnabled());
  menu.fiscalReport(0); // nothing can start one
  EXPECT_EQ(h.sentCount(), 0);
  menu.setModel(4);
  EXPECT_EQ(menu.width(), 580);
  EXPECT_EQ(menu.height(), 500);
  EXPECT_TRUE(menu.Panel1->isEnabled());
  EXPECT_TRUE(menu.BtnOperateri->isEnabled());
}

TEST_F(ReportsMenu, EveryFiscalButtonChecksItsFieldsAndSendsItsReport) {
  ASSERT_NO_FATAL_FAILURE(showMenu());
  struct Case {
    QPushButton *button;
    const char *od, *doText;
    int type;            // -1: refused, nothing sent
    qint64 from, to;     // sent numbers (-1: not checked)
    const char *message; // the refusal shown
    const char *odAfter, *doAfter;
  } const cases[] = {
      {menu.BtnDnevni, "", "", 0, 0, 0, nullptr, "", ""},
      {menu.BitBtn6, "12", "13", 1, 0, 0, nullptr, "12", "13"},
      {menu.BtnPeriodicni, "01.03.2024", "31.03.2024", 2, -1, -1, nullptr, "01.03.2024", "31.03.2024"},
      {menu.BtnPeriodicni, "01.03.2024", "", -1, 0, 0, "Greska / Morate uneti pocetni i krajnji datum!",
       nullptr, nullptr},
      {menu.BtnArtikliFlash, "007", "60000", 3, 7, 60000, nullptr, "7", "60000"},
      {menu.BtnArtikliFlash, "abc", "5", -1, 0, 0, "Greska / Losa vrednost ulaznog parametra!", nullptr,
       nullptr},
      {menu.BtnArtikliFlash, "1", "60001", -1, 0, 0,
       "Greska / Vrednost parametra mora biti izmedju 1 i 60000!", nullptr, nullptr},
      {menu.BtnArtikliFlash, "", "5", -1, 0, 0, "Greska / Morate uneti pocetni i krajnji broj artikla!",
       nullptr, nullptr},
      {menu.BtnOdeljenja, "0", "5", -1, 0, 0, "Greska / Vrednost parametra mora biti izmedju 1 i 16!",
       nullptr, nullptr},
      {menu.BtnOdeljenja, "3", "17", -1, 0, 0, "Greska / Vrednost parametra mora biti izmedju 1 i 16!",
       nullptr, nullptr},
      {menu.BtnOdeljenja, "1", "16", 4, 1, 16, nullptr, "1", "16"},
      {menu.BtnOdeljenja, "4", " ", -1, 0, 0, "Greska / Morate uneti pocetni i krajnji broj odeljenja!",
       nullptr, nullptr},
      {menu.BtnOperateri, "1", "64", 5, 1, 64, nullptr, "1", "64"},
      {menu.BtnOperateri, "2", "65", -1, 0, 0, "Greska / Vrednost parametra mora biti izmedju 1 i 64!",
       nullptr, nullptr},
      {menu.BtnOperateri, "", "", -1, 0, 0, "Greska / Morate uneti pocetni i krajnji broj kasira!", nullptr,
       nullptr},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.button->text().toStdString() << " " << c.od << " " << c.doText);
    menu.EdtOd->setText(QString::fromLatin1(c.od));
    menu.EdtDo->setText(QString::fromLatin1(c.doText));
    shown.clear();
    const int before = h.sentCount();
    QTest::mouseClick(c.button, Qt::LeftButton);
    h.settle();
    if (c.type < 0) {
      EXPECT_EQ(h.sentCount(), before);
      EXPECT_EQ(shown, QStringList{QString::fromLatin1(c.message)});
      continue;
    }
    EXPECT_TRUE(shown.isEmpty()) << shown.join("\n").toStdString();
    ASSERT_EQ(h.sentCount(), before + 1);
    const QByteArray f = h.last();
    EXPECT_EQ(h.lastCode(), kIzvestaj);
    EXPECT_EQ(quint8(f[9]), c.type);
    if (c.from >= 0) {
      EXPECT_EQ(le32(f, 10), quint32(c.from));
      EXPECT_EQ(le32(f, 14), quint32(c.to));
    }
    EXPECT_EQ(menu.EdtOd->text(), QString::fromLatin1(c.odAfter));
    EXPECT_EQ(menu.EdtDo->text(), QString::fromLatin1(c.doAfter));
    // The device prints it; the engine asks for the status when the report is done.
    h.feed(reply::ack4(kIzvestaj));
    h.clock.advance(5000);
    ASSERT_EQ(h.lastCode(), kStatus);
    h.feed(reply::ack4(kStatus, true, 1));
    if (c.type == 0) {
      EXPECT_EQ(h.lastCode(), kFmInfo) << "the daily report is followed by the fiscal memory information";
      h.feed(reply::longFrame(4, 0x21, QByteArray("\x07\0\0\0\0\0\x05\0", 8)));
    } else if (c.type == 3) {
      EXPECT_EQ(h.lastCode(), 0x12) << "the report by articles clears the article totals";
      h.feed(reply::ack4(0x12));
    }
    EXPECT_FALSE(h.engine->awaitingReply());
  }
  EXPECT_TRUE(h.prompt.log.isEmpty()) << h.prompt.log.join("\n").toStdString();
}

TEST_F(ReportsMenu, APeriodicReportWithTextThatIsNoDateIsRefusedByTheCommand) {
  ASSERT_NO_FATAL_FAILURE(showMenu());
  menu.EdtOd->setText("prvi mart");
  menu.EdtDo->setText("31.03.2024");
  QTest::mouseClick(menu.BtnPeriodicni, Qt::LeftButton);
  h.settle();
  EXPECT_EQ(h.sentCount(), 1) << "nothing after the log-in";
  ASSERT_EQ(h.prompt.log.size(), 1);
  EXPECT_TRUE(h.prompt.log[0].startsWith(
      "device|Greska|Losa vrednost ulaznog parametra! Datum mora biti u formatu kao "))
      << h.prompt.log[0].toStdString();
}

TEST_F(ReportsMenu, ARefusedOrUnansweredReportGoesThroughTheEnginesFailurePaths) {
  ASSERT_NO_FATAL_FAILURE(showMenu());
  // Refused: the device names its error and the report is over.
  QTest::mouseClick(menu.BtnDnevni, Qt::LeftButton);
  h.settle();
  ASSERT_EQ(h.lastCode(), kIzvestaj);
  h.feed(reply::ack4(kIzvestaj, false, 1, 1u << 5));
  ASSERT_EQ(h.prompt.log.size(), 1);
  EXPECT_TRUE(h.prompt.log[0].startsWith("device|")) << h.prompt.log[0].toStdString();
  EXPECT_TRUE(h.prompt.log[0].contains("Doslo je do greske")) << h.prompt.log[0].toStdString();
  EXPECT_FALSE(h.engine->awaitingReply());

  // Silent: the watchdog sends the same frame again, then asks the operator.
  h.prompt.log.clear();
  QTest::mouseClick(menu.BitBtn6, Qt::LeftButton);
  h.settle();
  const QByteArray sent = h.last();
  const int count = h.sentCount();
  h.clock.advance(TransactionEngine::WatchdogMs);
  EXPECT_EQ(h.sentCount(), count + 1);
  EXPECT_EQ(h.last(), sent);
  for (int i = 0; i < 5 && h.prompt.log.isEmpty(); ++i)
    h.clock.advance(TransactionEngine::WatchdogMs);
  EXPECT_FALSE(h.prompt.log.isEmpty()) << "the operator is asked after the resends";
}

TEST_F(ReportsMenu, DatedButtonsOpenTheTurnoverWindowWithTheirFields) {
  const struct {
    QPushButton *button;
    int kind;
    bool twoDates;
  } cases[] = {
      {menu.BtnPromet, 1, false}, {menu.BtnPresekStanja, 2, false}, {menu.BitBtn1, 3, true},
      {menu.BitBtn3, 4, false},   {menu.BitBtn2, 5, true},          {menu.BitBtn4, 6, false},
      {menu.BitBtn5, 7, true},    {menu.BtnKnjigaKuh, 8, false},    {menu.BtnKnjigaBar, 9, false},
      {menu.BitBtn7, 10, true},
  };
  TfrmPromet &promet = menu.promet();
  for (const auto &c : cases) {
    bool checked = false;
    testsupport::when(
        &menu, [&] { return promet.isVisible(); },
        [&] {
          checked = true;
          EXPECT_EQ(menu.vrstaIzvestaja(), c.kind);
          EXPECT_EQ(promet.edtDatumOD->isVisible(), c.twoDates) << c.kind;
          EXPECT_EQ(promet.edtDatumPrometa->x(), c.twoDates ? 136 : 72) << c.kind;
          EXPECT_EQ(QApplication::focusWidget(), c.twoDates ? promet.edtDatumOD : promet.edtDatumPrometa);
          if (qEnvironmentVariableIsSet("KASA_SCREENSHOT_DIR") && (c.kind == 1 || c.kind == 3))
            promet.grab().save(QStringLiteral("%1/promet-%2.png")
                                   .arg(qEnvironmentVariable("KASA_SCREENSHOT_DIR"))
                                   .arg(c.kind));
          QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        },
        5000);
    c.button->click();
    EXPECT_TRUE(checked) << c.kind;
  }
}

TEST_F(ReportsMenu, EnterInTheDateFieldPrintsTheReport) {
  ASSERT_TRUE(
      h.db.exec("INSERT INTO prodato (rbr, brrac, datum, sifra, naziv, cena, storno, stopa, prodato, iznos, "
                "godina) VALUES (1, 1, '2008-03-05', '1', 'KAFA', 100, 0, 2, 2, 200, 2008)"));
  std::shared_ptr<BandedReport> report;
  menu.hooks.showReport = [&](std::shared_ptr<BandedReport> r) { report = std::move(r); };
  TfrmPromet &promet = menu.promet();
  testsupport::when(
      &menu, [&] { return promet.isVisible(); },
      [&] {
        QTest::keyClicks(promet.edtDatumPrometa, "31022008");
        QTest::keyClick(promet.edtDatumPrometa, Qt::Key_Return);
        EXPECT_EQ(shown, QStringList{"Greska / Losa vrednost ili los format datuma!"});
        EXPECT_TRUE(promet.isVisible());
        promet.edtDatumPrometa->clear();
        QTest::keyClicks(promet.edtDatumPrometa, "05032008");
        QTest::keyClick(promet.edtDatumPrometa, Qt::Key_Enter);
      },
      5000);
  menu.BtnPromet->click();
  EXPECT_FALSE(promet.isVisible()) << "the window closes as its report is shown";
  ASSERT_TRUE(report);
  EXPECT_EQ(report->title, "Promet na dan: 05.03.2008");
  EXPECT_EQ(report->detail(0).join("|"), "1||1|KAFA|100,00|2,000|200,00");
}

TEST_F(ReportsMenu, BestSellerWindowStartsPreparedAndEnterWalksItsFields) {
  TForm6 &form = menu.form6();
  QStringList focusOrder;
  testsupport::when(
      &menu, [&] { return form.isVisible(); },
      [&] {
        EXPECT_EQ(form.Edit1->text(), "10");
        EXPECT_EQ(form.ComboBox1->currentText(), "Po kolicini");
        EXPECT_EQ(form.size(), QSize(380, 250));
        if (qEnvironmentVariableIsSet("KASA_SCREENSHOT_DIR"))
          form.grab().save(qEnvironmentVariable("KASA_SCREENSHOT_DIR") + QStringLiteral("/form6.png"));
        for (int i = 0; i < 5; ++i) {
          focusOrder << QApplication::focusWidget()->objectName();
          QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        form.Edit1->setText("1a");
        form.BtnStampaj->click();
        EXPECT_EQ(shown, QStringList{"Greska / Broj najprodavanijih artikala mora da bude ceo broj!"});
        form.reject();
      },
      5000);
  menu.BitBtn8->click();
  EXPECT_EQ(focusOrder, (QStringList{"Edit1", "edtDatumOD", "edtDatumPrometa", "ComboBox1", "BtnStampaj"}));
}

TEST_F(ReportsMenu, TurnoverCsvIsWrittenWholeOrNotAtAll) {
  ASSERT_TRUE(
      h.db.exec("INSERT INTO prodato (rbr, brrac, datum, sifra, barkod, naziv, cena, storno, stopa, prodato, "
                "iznos, godina) VALUES (1, 7, '2008-03-05', '1', '860', 'KAFA \"X\"', 100, 0, 2, 1.5, 150, "
                "2008)"));
  QTemporaryDir dir;
  const QString path = dir.filePath("Promet.CSV");
  TfrmPromet &promet = menu.promet();
  promet.askCsvPath = [path] { return path; };
  int beeps = 0;
  menu.hooks.beep = [&beeps] { ++beeps; };
  promet.prepare(11);
  promet.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&promet));
  QTest::keyClicks(promet.edtDatumOD, "05032008");
  QTest::keyClicks(promet.edtDatumPrometa, "05032008");
  QTest::keyClick(promet.edtDatumPrometa, Qt::Key_Return);
  EXPECT_EQ(shown, QStringList{"Obavestenje! / Uspesan upis"});
  EXPECT_FALSE(promet.isVisible());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "1;7;\"05.03.2008\";\"1\";\"KAFA \"\"X\"\"\";\"860\";100;2;0;150;1,5\r\n");
  file.close();

  // The database fails halfway: the message, a beep, and the earlier file stays as it was.
  ASSERT_TRUE(h.db.exec("DROP TABLE racuni"));
  shown.clear();
  promet.show();
  QTest::keyClicks(promet.edtDatumOD, "05032008");
  QTest::keyClicks(promet.edtDatumPrometa, "05032008");
  promet.BtnStampajPromet->click();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_TRUE(shown[0].startsWith("GRESKA / Problem u otvaranju baze.Proverite konfiguraciju putanje"))
      << shown[0].toStdString();
  EXPECT_EQ(beeps, 1);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().startsWith("1;7;"));
  promet.reject();
}

} // namespace
