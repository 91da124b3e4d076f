#include "app/program.h"
#include "app/tdialog.h"
#include "app/tdialogmain.h"
#include "app/tfrmpocetna.h"
#include "app/tuputstvo.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The program's start without a device: every window that pops up is noted and closed.
class ProgramStart : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    // COM1 is something that is not a serial port, whatever the machine has.
    QFile com(dir.filePath("COM1"));
    ASSERT_TRUE(com.open(QIODevice::WriteOnly));
  }
  void TearDown() override { QDir::setCurrent(old); }

  void watch(Program &p) {
    auto *t = new QTimer(&p);
    t->setInterval(20);
    QObject::connect(t, &QTimer::timeout, [this, &p] {
      if (p.uputstvo().isVisible()) {
        shown << "Uputstvo";
        p.uputstvo().BitBtn1->click();
      }
      if (p.dialogMain().isVisible()) {
        shown << p.dialogMain().Naslov->text() + " / " + p.dialogMain().tekst->toPlainText();
        p.dialogMain().Button1->click();
      }
      if (p.dialog().isVisible()) {
        shown << p.dialog().Naslov->text() + " / " + p.dialog().tekst->toPlainText();
        for (QPushButton *b : p.dialog().findChildren<QPushButton *>()) {
          if (b->isVisible()) {
            b->click();
            break;
          }
        }
      }
    });
    t->start();
  }

  QTemporaryDir dir;
  QString old;
  QStringList shown;
};

TEST_F(ProgramStart, FirstStartWithoutDeviceOffersOnlyTheConfiguration) {
  Program p(dir.path());
  watch(p);
  p.start();
  EXPECT_EQ(shown, QStringList{"Uputstvo"});
  EXPECT_TRUE(QFile::exists(dir.filePath("kasa.db"))); // the database was opened first
  EXPECT_FALSE(p.pocetna().BtnProdesk->isEnabled());
  EXPECT_TRUE(p.pocetna().BtnKonfihuracija->isEnabled());
  EXPECT_EQ(p.pocetna().windowTitle(), "Prodesk v5.7.1");
  EXPECT_EQ(p.uputstvo().windowTitle(), "Prodesk v5.7.1");
  EXPECT_FALSE(QFile::exists(dir.filePath("Konfiguracija.dat")));
}

TEST_F(ProgramStart, ConfigurationOkSavesThenReportsThePortAndStartsAgain) {
  Program p(dir.path());
  watch(p);
  p.start();
  shown.clear();
  bool okDone = false;
  testsupport::when(
      &p, [&] { return p.konf().isVisible(); },
      [&] {
        p.konf().EdtBroj->setText("123450");
        p.konf().reVlasnik->setPlainText("Radnja\nBeograd");
        p.konf().BitBtn1->click(); // OK: saved, database re-opened, the port refuses
        okDone = true;
        p.konf().BitBtn2->click(); // OTKAZ
      });
  p.BtnKonfihuracijaClick();
  EXPECT_TRUE(okDone);
  // The OK step's port message, then the start-up sequence again on closing.
  EXPECT_EQ(shown, (QStringList{"Greska / Port nije otvoren! Proverite kablove.", "Uputstvo"}));
  const auto loaded = KonfiguracijaStore::load(dir.path());
  EXPECT_TRUE(loaded.fromFile);
  EXPECT_EQ(loaded.record.IBFM, "123450");
  EXPECT_EQ(p.konf().EdtBroj->text(), "123450"); // reloaded from the saved record
  EXPECT_FALSE(p.pocetna().BtnProdesk->isEnabled());
}

} // namespace
