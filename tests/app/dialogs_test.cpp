#include "app/tdialog.h"
#include "app/tdialogmain.h"
#include "app/tform5.h"
#include "app/tglavna.h"
#include "app/tuputstvo.h"
#include "app/windowprompt.h"
#include "data/database.h"
#include "device/deviceprofile.h"
#include "sales/ui/waitercodedialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs act() once the modal window is up. The polling dies with scope (the caller's
// frame), so an act that never ran cannot fire later into a dead frame.
void whenShown(QDialog &d, std::function<void()> act, QObject *scope = nullptr) {
  QObject *context = scope ? scope : &d;
  QTimer::singleShot(0, context, [&d, act, context] {
    if (!d.isVisible()) {
      whenShown(d, act, context);
      return;
    }
    act();
  });
}

void pressKey(QWidget *w, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

TEST(TDialogMainTest, ButtonsPerModeFocusAndEscape) {
  TDialogMain d;
  struct Case {
    bool question;
    bool pressOk;
    bool otkazVisible;
    int okLeft;
    int potvrda;
  } cases[] = {{false, true, false, 152, 1}, {true, true, true, 103, 1}, {true, false, true, 103, 0}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.question);
    bool otkazVisible = false, focusOnOk = false, survivedEscape = false;
    int okLeft = 0;
    whenShown(d, [&] {
      otkazVisible = d.Button2->isVisible();
      okLeft = d.Button1->x();
      focusOnOk = QApplication::focusWidget() == d.Button1 || d.focusWidget() == d.Button1;
      pressKey(&d, Qt::Key_Escape);
      survivedEscape = d.isVisible();
      (c.pressOk ? d.Button1 : d.Button2)->click();
    });
    const bool answer = c.question ? d.pitaj("PREKID", "Pitanje?") : (d.poruka("GRESKA", "Poruka"), true);
    EXPECT_EQ(otkazVisible, c.otkazVisible);
    EXPECT_EQ(okLeft, c.okLeft);
    EXPECT_TRUE(focusOnOk);
    EXPECT_TRUE(survivedEscape);
    EXPECT_EQ(d.potvrda, c.potvrda);
    EXPECT_EQ(answer, c.potvrda == 1);
    EXPECT_FALSE(d.pitanje); // a message after a question offers only "U redu" again
  }
  EXPECT_EQ(d.Naslov->text(), "PREKID");
  EXPECT_EQ(d.size(), QSize(386, 137));

  // A question closed any other way reads as "Otkaz".
  whenShown(d, [&] { d.done(QDialog::Rejected); });
  EXPECT_FALSE(d.pitaj("PREKID", "?"));
}

TEST(TUputstvoTest, Instructions) {
  TUputstvo u;
  const QStringList lines = u.Memo1->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 8);
  EXPECT_EQ(lines[0], "KORACI PRE PRVOG POKRETANJA PROGRAMA \"PRODESK\":");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[7], "3.   Fiskalna kasa koju ste povezali mora biti fiskalizovana.");
  EXPECT_EQ(u.BitBtn1->text(), "U redu");
  whenShown(u, [&] { u.BitBtn1->click(); });
  EXPECT_EQ(u.exec(), QDialog::Accepted);
}

TEST(TDialogTest, ModesShowTheirButtonsAndKeepTheLastChoice) {
  TDialog d;
  struct Case {
    UserPrompt::Mode mode;
    int model;
    bool showZaustavi;
    QPushButton *TDialog::*press;
    QStringList visible;
    int izbor;
    bool odgovor;
  } cases[] = {
      {UserPrompt::Mode::Notice, 1, false, &TDialog::BtnOK, {"OK"}, 1, false},
      {UserPrompt::Mode::Error, 1, false, &TDialog::BtnRepeat, {"Nastavi", "Ponovi"}, 3, false},
      {UserPrompt::Mode::Error, 1, true, &TDialog::BtnErrStop, {"Nastavi", "Zaustavi", "Ponovi"}, 2, false},
      {UserPrompt::Mode::Error, 4, false, &TDialog::BtnErrOk, {"Nastavi", "Zaustavi", "Ponovi"}, 1, false},
      {UserPrompt::Mode::Question, 4, false, &TDialog::Button1, {"U redu", "Otkaz"}, 1, true},
      {UserPrompt::Mode::Notice, 1, false, &TDialog::BtnOK, {"OK"}, 1, false}, // "OK" changes no choice
  };
  for (const Case &c : cases) {
    d.alwaysOffersZaustavi = DeviceProfile::of(c.model).alwaysOffersZaustavi;
    QStringList visible;
    whenShown(d, [&] {
      for (QPushButton *b : d.findChildren<QPushButton *>())
        if (b->isVisible())
          visible << b->text();
      (d.*c.press)->click();
    });
    UserPrompt::DeviceError req{"Greska!", "Tekst", c.mode, c.showZaustavi};
    if (c.mode == UserPrompt::Mode::Error && c.model == 4)
      req.showZaustavi = true;
    const auto answer = d.ask(req);
    std::sort(visible.begin(), visible.end());
    QStringList expected = c.visible;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(visible, expected);
    EXPECT_EQ(answer.izborGreske, c.izbor);
    EXPECT_EQ(answer.odgovor, c.odgovor);
  }
}

TEST(TForm5Test, ButtonsAsTheCallerSetsThem) {
  TForm5 f;
  UserPrompt::UnfinishedReceipt req;
  req.tekst = "Poslednji racun u programu nije zavrsen. Izaberite neku opciju za nastavak rada!";
  req.rows = {{"1", "Hleb", "     2,000", "     30,00"}};
  req.buttons = {"Zatvori racun", "Storniraj racun"};
  bool third = true;
  whenShown(f, [&] {
    third = f.BitBtn3->isVisible();
    f.BitBtn2->click();
  });
  EXPECT_EQ(f.ask(req), 2);
  EXPECT_FALSE(third);
  EXPECT_EQ(f.sgRacun->rowCount(), 1);

  req.buttons << "Nastavi dalje";
  whenShown(f, [&] {
    third = f.BitBtn3->isVisible();
    f.BitBtn3->click();
  });
  EXPECT_EQ(f.ask(req), 3);
  EXPECT_TRUE(third);
}

TEST(TGlavnaTest, RightsOfAdministratorsAndOthers) {
  TGlavna g;
  // Without their windows the buttons stay disabled whatever the rights.
  g.setRights(true, true);
  EXPECT_FALSE(g.Artikli->isEnabled());
  EXPECT_FALSE(g.BtnRestoran->isEnabled());
  auto none = [] {};
  g.KasaClick = g.ArtikliClick = g.BtnPosClick = g.BtnSifarnikClick = g.BtnRestoranClick = g.BitBtn1Click =
      none;
  struct Case {
    bool admin, proverena;
    bool kasa, artikli, sifarnik, ostali;
  } cases[] = {{true, true, true, true, true, true},
               {false, true, true, false, false, true},
               {false, false, false, false, false, true}};
  for (const Case &c : cases) {
    g.setRights(c.admin, c.proverena);
    EXPECT_EQ(g.Kasa->isEnabled(), c.kasa);
    EXPECT_EQ(g.Artikli->isEnabled(), c.artikli);
    EXPECT_EQ(g.BtnSifarnik->isEnabled(), c.sifarnik);
    EXPECT_EQ(g.BtnRestoran->isEnabled(), c.ostali);
    EXPECT_EQ(g.BitBtn1->isEnabled(), c.ostali);
    EXPECT_EQ(g.BtnPos->isEnabled(), c.ostali);
  }
}

// The code entry against a real database.
class WaiterCodeTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(db.openInMemory()) << db.lastError().toStdString();
    main = std::make_unique<TDialogMain>();
    device = std::make_unique<TDialog>();
    f5 = std::make_unique<TForm5>();
    upu = std::make_unique<TUputstvo>();
    prompt = std::make_unique<WindowPrompt>(*main, *device, *f5, *upu);
  }
  void addWaiter(int rbr, const QString &code, bool admin) {
    ASSERT_TRUE(db.exec("INSERT INTO KONOBARI (RBR, SIFKONOB, NAZIV, ADMIN) VALUES (:r, :s, :n, :a)",
                        {{"r", rbr},
                         {"s", code},
                         {"n", QStringLiteral("Konobar %1").arg(rbr)},
                         {"a", db.booleanValue(admin)}}))
        << db.lastError().toStdString();
  }
  // Types code, presses Enter; returns the accepted result or the message shown.
  QString login(TForm3 &f, const QString &code) {
    QString shown;
    QObject scope;
    whenShown(
        f,
        [&] {
          f.medtsifra->setText(code);
          whenShown(
              *main,
              [&] {
                shown = main->Naslov->text() + " / " + main->tekst->toPlainText();
                main->Button1->click();
                f.BitBtn2->click();
              },
              &scope);
          pressKey(f.medtsifra, Qt::Key_Return);
        },
        &scope);
    const bool ok = f.run(WaiterLogin::Mode::Operator);
    if (ok)
      return f.result().serviceCode
                 ? "service"
                 : QStringLiteral("rbr %1 admin %2").arg(f.result().waiter.rbr).arg(f.result().allRights());
    return shown;
  }

  Database db;
  std::unique_ptr<TDialogMain> main;
  std::unique_ptr<TDialog> device;
  std::unique_ptr<TForm5> f5;
  std::unique_ptr<TUputstvo> upu;
  std::unique_ptr<WindowPrompt> prompt;
};

TEST_F(WaiterCodeTest, LoginAndTheServiceCode) {
  TForm3 f(db, *prompt);
  // Fresh database: the built-in code lets the first administrator be set up.
  EXPECT_EQ(login(f, WaiterLogin::kServiceCode), "service");
  addWaiter(2, "1111", false);
  EXPECT_EQ(login(f, WaiterLogin::kServiceCode), "service");
  addWaiter(5, "9999", true);
  struct Case {
    const char *code;
    const char *result;
  } cases[] = {
      {"1111", "rbr 2 admin 0"},
      {"9999", "rbr 5 admin 1"},
      {"1111 ", "Greska / Uneli ste pogresnu sifru!"}, // the entry is compared untrimmed
      {"", "Greska / Morate uneti sifru!"},
      {WaiterLogin::kServiceCode, "Greska / Uneli ste pogresnu sifru!"}, // gone once an administrator exists
      {"' OR 1=1 --", "Greska / Uneli ste pogresnu sifru!"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(login(f, QString::fromLatin1(c.code)), c.result) << c.code;
}

TEST_F(WaiterCodeTest, ChangeOfWaiterAndSettingCodes) {
  addWaiter(3, "333", false);
  WaiterLogin login(db);
  EXPECT_EQ(login.check(WaiterLogin::Window::ChangeWaiter, "").error, "Morate uneti sifru konobara!");
  EXPECT_EQ(login.check(WaiterLogin::Window::ChangeWaiter, WaiterLogin::kServiceCode).error,
            "Uneli ste pogresnu sifru!");
  EXPECT_EQ(WaiterLogin::newCode("12345678").error, "Maksimalna dozvoljena duzina je 7 karaktera!");
  EXPECT_FALSE(WaiterLogin::newCode("12345678").ok);
  // Stored trimmed, by the code-list window through its checks.
  EXPECT_EQ(WaiterLogin::newCode(" 7654321 ").code, "7654321");
  EXPECT_TRUE(WaiterLogin::newCode(" 7654321 ").ok);
  EXPECT_EQ(WaiterLogin::caption(WaiterLogin::Mode::Restaurant), "Konobari");
  EXPECT_EQ(WaiterLogin::prompt(WaiterLogin::Mode::Restaurant), "Unesite lozinku konobara");
  EXPECT_EQ(WaiterLogin::prompt(WaiterLogin::Mode::SetCode), "Unesite lozinku");
}

} // namespace
