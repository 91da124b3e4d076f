// The start window worked from the keyboard alone, through the window system:
// its two buttons share the mnemonic K, so Alt+K moves between them and Enter
// presses the one that has the focus.
#include "app/tfrmpocetna.h"
#include "app/tglavna.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(StartWindowKeys, SharedMnemonicMovesTheFocusAndEnterPresses) {
  TfrmPocetna w;
  QStringList pressed;
  w.BtnProdeskClick = [&] { pressed << "KASA"; };
  w.BtnKonfihuracijaClick = [&] { pressed << "KONFIGURACIJA"; };
  w.BtnProdesk->setEnabled(true);
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  QWindow *win = w.windowHandle();

  QTest::keyClick(win, Qt::Key_K, Qt::AltModifier);
  EXPECT_TRUE(pressed.isEmpty()); // two buttons answer to K: the focus moves, nothing is pressed
  QWidget *first = QApplication::focusWidget();
  ASSERT_TRUE(first == w.BtnProdesk || first == w.BtnKonfihuracija);
  QTest::keyClick(win, Qt::Key_K, Qt::AltModifier);
  QWidget *second = QApplication::focusWidget();
  EXPECT_NE(second, first);
  EXPECT_TRUE(second == w.BtnProdesk || second == w.BtnKonfihuracija);

  w.BtnProdesk->setFocus();
  QTest::keyClick(win, Qt::Key_Return);
  w.BtnKonfihuracija->setFocus();
  QTest::keyClick(win, Qt::Key_Enter, Qt::KeypadModifier);
  QTest::keyClick(win, Qt::Key_Space);
  EXPECT_EQ(pressed, (QStringList{"KASA", "KONFIGURACIJA", "KONFIGURACIJA"}));

  // Tab goes from the first button to the second and back.
  w.BtnProdesk->setFocus();
  QTest::keyClick(win, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), w.BtnKonfihuracija);
  QTest::keyClick(win, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), w.BtnProdesk);
}

// Before the device has answered only the configuration can be chosen: Alt+K
// presses it at once, and Enter on the window does not reach the disabled sale.
TEST(StartWindowKeys, OnlyTheConfigurationWhileTheSaleIsDisabled) {
  TfrmPocetna w;
  QStringList pressed;
  w.BtnProdeskClick = [&] { pressed << "KASA"; };
  w.BtnKonfihuracijaClick = [&] { pressed << "KONFIGURACIJA"; };
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  QTest::keyClick(w.windowHandle(), Qt::Key_K, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !pressed.isEmpty(); }, 2000));
  EXPECT_EQ(pressed, QStringList{"KONFIGURACIJA"});
  EXPECT_EQ(QApplication::focusWidget(), w.BtnKonfihuracija);
  QTest::keyClick(w.windowHandle(), Qt::Key_Return);
  EXPECT_EQ(pressed, (QStringList{"KONFIGURACIJA", "KONFIGURACIJA"}));
}

// The main menu from the keyboard, with and without the training mark: Tab walks
// the buttons top to bottom, a unique mnemonic presses at once, the shared P moves
// between its two buttons, Enter presses the focused one, Escape closes the menu.
TEST(MainMenuKeys, TabMnemonicsEnterAndEscape) {
  for (const bool training : {false, true}) {
    SCOPED_TRACE(training ? "training" : "selling");
    TGlavna g;
    QStringList pressed;
    const auto note = [&pressed](const char *name) { return [&pressed, name] { pressed << name; }; };
    g.KasaClick = note("PRODESK");
    g.ArtikliClick = note("ARTIKLI");
    g.BtnPosClick = note("KONFIGURISANJE");
    g.BtnSifarnikClick = note("SIFRARNICI");
    g.BtnRestoranClick = note("RESTORAN");
    g.BitBtn1Click = note("IZVESTAJI");
    g.BtnKopijaClick = note("KOPIJA");
    g.setRights(true, true);
    g.setTraining(training);
    g.show();
    g.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&g));
    QWindow *win = g.windowHandle();

    const QList<QPushButton *> order{g.Kasa,        g.Artikli, g.BtnPos,   g.BtnSifarnik,
                                     g.BtnRestoran, g.BitBtn1, g.BtnKopija};
    for (QPushButton *b : order) {
      EXPECT_TRUE(g.rect().contains(b->geometry())) << b->objectName().toStdString();
      EXPECT_FALSE(g.lblObuka->isVisibleTo(&g) && g.lblObuka->geometry().intersects(b->geometry()));
    }
    EXPECT_EQ(g.lblObuka->isVisibleTo(&g) && g.rect().contains(g.lblObuka->geometry()), training);

    g.Kasa->setFocus();
    for (int i = 1; i <= order.size(); ++i) {
      QTest::keyClick(win, Qt::Key_Tab);
      EXPECT_EQ(QApplication::focusWidget(), order[i % order.size()]) << i;
    }

    QTest::keyClick(win, Qt::Key_Z, Qt::AltModifier); // the button shows itself pressed, then acts
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pressed.isEmpty(); }, 2000));
    EXPECT_EQ(pressed, QStringList{"IZVESTAJI"});
    pressed.clear();
    QTest::keyClick(win, Qt::Key_P, Qt::AltModifier);
    QWidget *first = QApplication::focusWidget();
    EXPECT_TRUE(first == g.Kasa || first == g.BtnKopija);
    QTest::keyClick(win, Qt::Key_P, Qt::AltModifier);
    QWidget *second = QApplication::focusWidget();
    EXPECT_TRUE(second != first && (second == g.Kasa || second == g.BtnKopija));
    EXPECT_TRUE(pressed.isEmpty());
    g.Kasa->setFocus();
    QTest::keyClick(win, Qt::Key_Return);
    g.BtnKopija->setFocus();
    QTest::keyClick(win, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(pressed, (QStringList{"PRODESK", "KOPIJA"}));

    QTest::keyClick(win, Qt::Key_Escape);
    EXPECT_FALSE(g.isVisible());
    EXPECT_EQ(g.result(), QDialog::Rejected);
  }
}

} // namespace
