#include "app/program.h"
#include "app/tdialog.h"
#include "app/tdialogmain.h"
#include "app/tfrmpocetna.h"
#include "app/tuputstvo.h"
#include "data/auditjournal.h"
#include "data/dbfwriter.h"
#include "data/ui/importreportdialog.h"
#include "sales/retailsale.h"
#include "support/testsupport.h"

#include <QComboBox>

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
      if (p.importReport().isVisible()) {
        shown << p.importReport().windowTitle();
        report = p.importReport().tekst->toPlainText();
        if (!shotTaken) {
          shotTaken = true;
          p.importReport().grab().save(
              QDir(qEnvironmentVariable("KASA_SHOTS", QDir::tempPath())).filePath("importreport.png"));
        }
        p.importReport().BtnOk->click();
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
  QString report;
  bool shotTaken = false;
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
  // The change is journaled in the database the saved record opened.
  const auto journal = AuditJournal(p.database()).rows();
  ASSERT_TRUE(journal);
  ASSERT_EQ(journal->size(), 1);
  EXPECT_EQ(journal->first().radnja, "KONFIGURACIJA");
  EXPECT_EQ(journal->first().opis, "IBFM: \"000000\" -> \"123450\"; vlasnik.ini");
}

// Choosing DBF with the older program's tables offers to move them into kasa.db; when they came
// over, the configuration is saved with the SQLite kind and the program works on the new database.
TEST_F(ProgramStart, DbfDirectoryIsImportedAndTheKindSwitched) {
  const QString old = dir.filePath("stari");
  ASSERT_TRUE(QDir().mkpath(old));
  {
    DbfWriter t(old + "/KONOBARI.DBF",
                {{"RBR", 'N', 4}, {"SIFKONOB", 'C', 7}, {"NAZIV", 'C', 30}, {"ADMIN", 'L', 1}});
    t.row({1, "1111", "Đorđe", true});
    t.row({2, "2222", "Ана", false});
    t.row({77, "7777", "Van opsega", false});
  }
  Program p(dir.path());
  watch(p);
  p.start();
  shown.clear();
  testsupport::when(
      &p, [&] { return p.konf().isVisible(); },
      [&] {
        p.konf().EdtBroj->setText("123450");
        p.konf().EdtBaza->setText(old);
        p.konf().cbTipBaze->setCurrentIndex(1); // DBF
        p.konf().BitBtn1->click();
        p.konf().BitBtn2->click();
      });
  p.BtnKonfihuracijaClick();
  ASSERT_GE(shown.size(), 2);
  EXPECT_TRUE(
      shown.at(0).startsWith("Obavestenje! / Pronadjeni su podaci starog programa: DBF tabele u folderu"))
      << shown.at(0).toStdString();
  EXPECT_EQ(shown.at(1), "Uvoz podataka");
  EXPECT_TRUE(report.contains("KONOBARI: procitano 3, preneto 2, odbijeno 1")) << report.toStdString();
  EXPECT_EQ(KonfiguracijaStore::load(dir.path()).record.TipBaze, 1);
  EXPECT_EQ(p.konf().cbTipBaze->currentIndex(), 0);
  EXPECT_EQ(p.database().sqliteFile(), QDir(old).filePath("kasa.db"));
  EXPECT_EQ(p.database().scalar("SELECT COUNT(*) FROM konobari").value_or(-1).toInt(), 2);
  // The import and the configuration change that followed it, in that order.
  QStringList kinds;
  for (const AuditRow &r : AuditJournal(p.database()).rows().value_or({}))
    kinds << r.radnja;
  EXPECT_EQ(kinds, (QStringList{"UVOZ", "KONFIGURACIJA"}));
  EXPECT_TRUE(AuditJournal(p.database()).check().ok);
}

// A backup asked for in the main menu says where it went, in a message and in the status line.
TEST_F(ProgramStart, BackupOnDemandReportsWhereItWent) {
  Program p(dir.path());
  watch(p);
  p.start();
  shown.clear();
  p.backupDatabase(true);
  ASSERT_TRUE(testsupport::waitFor([&] { return !shown.isEmpty(); }));
  EXPECT_TRUE(shown.first().startsWith("Obavestenje! / Rezervna kopija baze je napravljena: " +
                                       QDir::toNativeSeparators(dir.filePath("kopije/kasa-"))))
      << shown.first().toStdString();
  EXPECT_TRUE(p.retail().edtStatus().startsWith("Rezervna kopija baze je napravljena"));
  EXPECT_EQ(QDir(dir.filePath("kopije")).entryList(QDir::Files).size(), 1);

  // Program end makes one more.
  p.FormClose();
  EXPECT_EQ(QDir(dir.filePath("kopije")).entryList(QDir::Files).size(), 2);
}

// A backup folder that cannot be written is named in the sale screen's status line; no window
// stops the cashier.
TEST_F(ProgramStart, UnwritableBackupFolderShowsInTheStatusLine) {
  QFile blocker(dir.filePath("datoteka"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  SetKonfiguracija rec;
  rec.putanjaBaza = dir.path();
  rec.putanjaKopija = "datoteka/kopije";
  ASSERT_TRUE(KonfiguracijaStore::save(dir.path(), rec));
  Program p(dir.path());
  watch(p);
  p.start();
  shown.clear();
  p.backupDatabase(false);
  ASSERT_TRUE(testsupport::waitFor([&] { return !p.retail().edtStatus().isEmpty(); }));
  EXPECT_EQ(p.retail().edtStatus(), "Rezervna kopija baze nije napravljena: u folder " +
                                        QDir::toNativeSeparators(dir.filePath("datoteka/kopije")) +
                                        " ne moze da se pise!");
  EXPECT_TRUE(shown.isEmpty()) << shown.join(", ").toStdString();
}

} // namespace
