// The start window worked from the keyboard alone, through the window system:
// its two buttons share the mnemonic K, so Alt+K moves between them and Enter
// presses the one that has the focus.
#include "app/tfrmpocetna.h"

#include <QApplication>
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

} // namespace
