#include "data/konfiguracija.h"
#include "data/ui/tfrmkonf.h"
#include "data/ui/tfrmmemorandum.h"
#include "data/vlasnik.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The program's side of the OK step, recorded; each step's outcome is set by the test.
struct RecordingHost : KonfHost {
  QStringList log;
  bool dbOk = true;
  LinkResult link = LinkResult::Ok;
  LinkResult barcode = LinkResult::Ok;
  LinkResult terminal = LinkResult::Ok;
  SetKonfiguracija refreshed;
  void message(const QString &t, const QString &x) override { log << "msg " + t + " / " + x; }
  void deviceMessage(const QString &t, const QString &x) override { log << "dev " + t + " / " + x; }
  void clearCheckFlags() override { log << "clear"; }
  void refreshLink(const SetKonfiguracija &r) override {
    refreshed = r;
    log << "link copies";
  }
  bool openDatabase(const SetKonfiguracija &) override {
    log << "db";
    return dbOk;
  }
  void openDeviceLink(const SetKonfiguracija &, LinkDone done) override {
    log << "device";
    if (answerLater)
      waiting.push_back(std::move(done));
    else
      done(link, QString());
  }
  // A TCP link: the answer comes after the OK step has returned.
  bool answerLater = false;
  std::vector<LinkDone> waiting;
  LinkResult openBarcodePort(const SetKonfiguracija &, QString *) override {
    log << "barcode";
    return barcode;
  }
  LinkResult openCardTerminalPort(const SetKonfiguracija &, QString *) override {
    log << "terminal";
    return terminal;
  }
  void startDeviceCheck(const SetKonfiguracija &r) override {
    log << QStringLiteral("check %1").arg(r.Model);
  }
  QStringList changes; // what each OK handed over for the audit journal
  void configurationChanged(const QStringList &differences) override { changes << differences.join("; "); }
};

class TFrmKonfTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    konf.setHost(&host);
    konf.setWorkingDirectory(dir.path());
    SetKonfiguracija r;
    r.putanjaBaza = dir.path();
    konf.loadRecord(r);
  }
  bool fileWritten() const { return QFile::exists(dir.filePath("Konfiguracija.dat")); }

  QTemporaryDir dir;
  RecordingHost host;
  TFrmKonf konf;
};

TEST_F(TFrmKonfTest, RefusalsStopBeforeAnythingIsWritten) {
  struct Case {
    const char *name;
    std::function<void(TFrmKonf &)> edit;
    const char *message;
  } cases[] = {
      {"register with a letter", [](TFrmKonf &k) { k.EdtBroj->setText("12a4"); },
       "msg GRESKA! / Broj kase mora biti numericki!"},
      {"empty register", [](TFrmKonf &k) { k.EdtBroj->setText(""); },
       "dev GRESKA! / Svi parametri moraju biti definisani!"},
      {"empty name length", [](TFrmKonf &k) { k.edtDuzina->setText(""); },
       "dev GRESKA! / Svi parametri moraju biti definisani!"},
      {"empty database directory", [](TFrmKonf &k) { k.EdtBaza->setText(""); },
       "dev GRESKA! / Svi parametri moraju biti definisani!"},
      {"TCP without address",
       [](TFrmKonf &k) {
         k.CBModel->setCurrentIndex(2);
         k.rbIP->setChecked(true);
         k.edtIP->setText("  ");
       },
       "msg Greska / Morate uneti IP adresu!"},
      {"name length not a number", [](TFrmKonf &k) { k.edtDuzina->setText("3x"); },
       "msg GRESKA! / Neispravna vrednost: Duzina za naziv"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    SetKonfiguracija r;
    r.putanjaBaza = dir.path();
    konf.loadRecord(r);
    host.log.clear();
    c.edit(konf);
    EXPECT_FALSE(konf.okStep());
    EXPECT_EQ(host.log, (QStringList{"clear", QString::fromLatin1(c.message)}));
    EXPECT_FALSE(fileWritten());
    EXPECT_FALSE(QFile::exists(dir.filePath("vlasnik.ini")));
  }
}

TEST_F(TFrmKonfTest, AcceptedStepsInOrderAndTheRecordSaved) {
  konf.CBModel->setCurrentIndex(2); // Dravo
  konf.rbIP->setChecked(true);
  konf.edtIP->setText(" 127.0.0.1 ");
  konf.EdtBroj->setText("12345");
  konf.cbBCPort->setCurrentIndex(3);
  konf.cbPos->setCurrentIndex(2);
  konf.cbFioka->setCurrentIndex(1);
  konf.cb2red->setCurrentIndex(1);
  konf.edt2red->setText("HVALA");
  konf.cb1red->setCurrentIndex(1);
  konf.edt1red->setText("DOBRODOSLI");
  konf.cb1red->setCurrentIndex(0); // "NE KORISTI SE" empties the text
  konf.reVlasnik->setPlainText("Radnja Test\nUlica 1\nBeograd\n\nne pise se");
  konf.cbObuka->setChecked(true);
  EXPECT_TRUE(konf.okStep());
  EXPECT_EQ(host.log,
            (QStringList{"clear", "link copies", "db", "device", "barcode", "terminal", "check 4"}));
  EXPECT_EQ(host.refreshed.Model, 4);

  const auto loaded = KonfiguracijaStore::load(dir.path());
  ASSERT_TRUE(loaded.fromFile) << loaded.error.toStdString();
  const SetKonfiguracija &r = loaded.record;
  EXPECT_EQ(r.Model, 4);
  EXPECT_EQ(r.konekcija, 1);
  EXPECT_EQ(r.IP, "127.0.0.1");
  EXPECT_EQ(r.IBFM, "12345");
  EXPECT_EQ(r.BarKodPort, 3);
  EXPECT_EQ(r.EFTPos, 2);
  EXPECT_EQ(r.Fioka, 2);
  EXPECT_EQ(r.PrviRed, 0);
  EXPECT_EQ(r.PrviRedTekst, "");
  EXPECT_EQ(r.DrugiRed, 1);
  EXPECT_EQ(r.DrugiRedTekst, "HVALA");
  EXPECT_EQ(r.Obuka, 1);
  EXPECT_EQ(host.refreshed.Obuka, 1);
  EXPECT_EQ(Vlasnik::read(dir.path()).lines, (QStringList{"Radnja Test", "Ulica 1", "Beograd"}));

  // "DATUM I VREME" stores no text even when the box still holds some.
  konf.cb2red->setCurrentIndex(2);
  EXPECT_TRUE(konf.okStep());
  EXPECT_EQ(KonfiguracijaStore::load(dir.path()).record.DrugiRed, 2);
  EXPECT_EQ(KonfiguracijaStore::load(dir.path()).record.DrugiRedTekst, "");

  // Each OK that changed something names it once; an OK that changed nothing names nothing.
  EXPECT_EQ(host.changes.size(), 2);
  EXPECT_TRUE(host.changes.at(0).startsWith("Model: 1 -> 4; ")) << host.changes.at(0).toStdString();
  EXPECT_TRUE(host.changes.at(0).endsWith("; vlasnik.ini")) << host.changes.at(0).toStdString();
  EXPECT_EQ(host.changes.at(1), "DrugiRed: 1 -> 2; DrugiRedTekst: \"HVALA\" -> \"\"");
  EXPECT_TRUE(konf.okStep());
  EXPECT_EQ(host.changes.size(), 2);
}

TEST_F(TFrmKonfTest, FailuresAfterTheSaveKeepTheRecord) {
  struct Case {
    const char *name;
    std::function<void(RecordingHost &)> setup;
    int barKod, eft;
    const char *last;
  } cases[] = {
      {"database", [](RecordingHost &h) { h.dbOk = false; }, 0, 0,
       "msg GRESKA / Problem u otvaranju baze.Proverite konfiguraciju putanje"},
      {"serial port", [](RecordingHost &h) { h.link = KonfHost::LinkResult::NotOpen; }, 0, 0,
       "dev Greska / Port nije otvoren! Proverite kablove."},
      {"barcode port", [](RecordingHost &h) { h.barcode = KonfHost::LinkResult::NotOpen; }, 1, 0,
       "dev Greska / Port za Bar-kod citac nije otvoren! Proverite kablove."},
      {"terminal port", [](RecordingHost &h) { h.terminal = KonfHost::LinkResult::Failed; }, 0, 4,
       "dev Greska / Port za EFT Pos terminal nije otvoren! Proverite kablove."},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    host = RecordingHost{};
    c.setup(host);
    QFile::remove(dir.filePath("Konfiguracija.dat"));
    konf.cbBCPort->setCurrentIndex(c.barKod);
    konf.cbPos->setCurrentIndex(c.eft);
    EXPECT_FALSE(konf.okStep());
    EXPECT_EQ(host.log.last(), c.last);
    EXPECT_FALSE(host.log.contains("check 1"));
    EXPECT_TRUE(fileWritten());
  }

  // A TCP failure has its own text.
  host = RecordingHost{};
  host.link = KonfHost::LinkResult::Failed;
  konf.CBModel->setCurrentIndex(2);
  konf.rbIP->setChecked(true);
  konf.edtIP->setText("127.0.0.1");
  EXPECT_FALSE(konf.okStep());
  EXPECT_EQ(host.log.last(), "dev GRESKA / Problem u uspostavljanju konekcije! Proverite kablove");
}

// The TCP link answers after the pause and the connect, when the OK step has long
// returned; what the rest of the step needs travels with it (the sanitizer build
// catches a continuation that reaches back into the step's frame).
TEST_F(TFrmKonfTest, TcpLinkAnsweringAfterTheStepReturned) {
  using R = KonfHost::LinkResult;
  struct Case {
    const char *name;
    std::function<void(TFrmKonf &)> meanwhile; // before the first answer
    R answer;
    QStringList after; // log after the first answer
  } cases[] = {
      {"connected", [](TFrmKonf &) {}, R::Ok, {"terminal", "check 4"}},
      {"refused",
       [](TFrmKonf &) {},
       R::Failed,
       {"dev GRESKA / Problem u uspostavljanju konekcije! Proverite kablove"}},
      {"window closed with OTKAZ", [](TFrmKonf &k) { k.BitBtn2->click(); }, R::Ok, {}},
      {"replaced by a second OK", [](TFrmKonf &k) { EXPECT_TRUE(k.okStep()); }, R::Failed, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    host = RecordingHost{};
    host.answerLater = true;
    konf.CBModel->setCurrentIndex(2);
    konf.rbIP->setChecked(true);
    konf.edtIP->setText("127.0.0.1");
    konf.cbPos->setCurrentIndex(1);
    QList<bool> finished;
    const auto conn =
        QObject::connect(&konf, &TFrmKonf::okStepFinished, [&](bool check) { finished << check; });
    EXPECT_TRUE(konf.okStep());
    EXPECT_EQ(host.log, (QStringList{"clear", "link copies", "db", "device"}));
    EXPECT_TRUE(finished.isEmpty());
    c.meanwhile(konf);
    host.log.clear();
    host.waiting.front()(c.answer, QString());
    EXPECT_EQ(host.log, c.after);
    if (host.waiting.size() > 1) { // the second OK's own answer still counts
      host.log.clear();
      host.waiting.back()(R::Ok, QString());
      EXPECT_EQ(host.log, (QStringList{"terminal", "check 4"}));
    }
    QObject::disconnect(conn);
  }

  // The window is gone before the answer: nothing is touched.
  host = RecordingHost{};
  host.answerLater = true;
  auto *gone = new TFrmKonf;
  gone->setHost(&host);
  gone->setWorkingDirectory(dir.path());
  SetKonfiguracija r;
  r.putanjaBaza = dir.path();
  gone->loadRecord(r);
  EXPECT_TRUE(gone->okStep());
  delete gone;
  host.log.clear();
  host.waiting.front()(R::Ok, QString());
  EXPECT_TRUE(host.log.isEmpty());
}

// Opened as the start window opens it: the cursor on the model list, and Enter
// is the OK step, never the letterhead chooser.
TEST_F(TFrmKonfTest, OpensWithTheFocusOnTheModelAndEnterMeansOk) {
  QStringList seen;
  // Whatever window Enter opens is noted and closed.
  QTimer closer;
  closer.setSingleShot(true);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (QWidget *m = QApplication::activeModalWidget(); m && m != &konf) {
      seen << m->windowTitle();
      m->close();
    }
  });
  QTimer::singleShot(0, &konf, [&] {
    testsupport::waitFor([&] { return QApplication::activeWindow() == &konf; }, 2000);
    QWidget *focus = QApplication::focusWidget();
    seen << (focus ? focus->objectName() : QString());
    host.log.clear();
    closer.start(300);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(focus ? focus : &konf, &enter);
    konf.BitBtn2->click();
  });
  konf.exec();
  EXPECT_EQ(seen, QStringList{"CBModel"});
  EXPECT_EQ(host.log, (QStringList{"clear", "link copies", "db", "device", "check 1"})); // the OK step
}

TEST_F(TFrmKonfTest, ModelCapabilities) {
  konf.CBModel->setCurrentIndex(0); // Taliro
  konf.rbIP->click();
  EXPECT_TRUE(konf.rbCom->isChecked());
  EXPECT_EQ(host.log.last(),
            "msg Greska / Izabrani model fiskalnog uredjaja ne podrzava ovu funkcionalnost!");

  konf.CBModel->setCurrentIndex(2); // Dravo
  konf.rbIP->click();
  EXPECT_TRUE(konf.rbIP->isChecked());
  konf.CBModel->setCurrentIndex(3); // away from Dravo: back to the serial port
  EXPECT_TRUE(konf.rbCom->isChecked());

  konf.CBModel->setCurrentIndex(0);
  EXPECT_TRUE(konf.cbZaokruzi->isEnabled());
  konf.cbZaokruzi->setChecked(true);
  konf.CBModel->setCurrentIndex(1); // Menko: rounding off and unavailable
  EXPECT_FALSE(konf.cbZaokruzi->isEnabled());
  EXPECT_FALSE(konf.cbZaokruzi->isChecked());
  EXPECT_TRUE(konf.okStep());
  EXPECT_EQ(KonfiguracijaStore::load(dir.path()).record.Zaokruzi, 0);
}

TEST_F(TFrmKonfTest, RecordIntoControlsKeepsControlsForUnknownCodes) {
  SetKonfiguracija r;
  r.Model = 5;
  r.Port = 3;
  r.BarKodPort = 2;
  r.putanjaBaza = "/tmp/baza";
  konf.loadRecord(r);
  EXPECT_EQ(konf.CBModel->currentText(), "Selvio");
  EXPECT_EQ(konf.CBPort->currentText(), "COM3");
  EXPECT_EQ(konf.cbBCPort->currentText(), "COM2");
  r.Port = 42; // no such entry: the control keeps COM3
  konf.loadRecord(r);
  EXPECT_EQ(konf.CBPort->currentText(), "COM3");
}

TEST_F(TFrmKonfTest, OrderTicketsGoToThePreviewUnlessAPrinterIsNamed) {
  SetKonfiguracija r;
  konf.loadRecord(r);
  EXPECT_EQ(konf.cbStampacNar->currentText(), "PREGLED PRE STAMPE");
  EXPECT_EQ(konf.recordFromControls().StampacNarudzbina, "");
  // A printer not installed yet can be typed; it is kept as typed.
  r.StampacNarudzbina = "Kuhinja";
  konf.loadRecord(r);
  EXPECT_EQ(konf.cbStampacNar->currentText(), "Kuhinja");
  EXPECT_EQ(konf.recordFromControls().StampacNarudzbina, "Kuhinja");
  if (const QString shots = qEnvironmentVariable("KASA_SCREENSHOT_DIR"); !shots.isEmpty())
    konf.grab().save(shots + "/tfrmkonf.png");
  konf.cbStampacNar->setCurrentIndex(0);
  EXPECT_EQ(konf.recordFromControls().StampacNarudzbina, "");
}

TEST(TfrmMemorandumTest, CopiesOnlyTheLetterheadIntoTheDatabaseDirectory) {
  QTemporaryDir source, target;
  QFile f(source.filePath("memo.jpg"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("JPEGDATA");
  f.close();
  QFile other(source.filePath("slika.jpg"));
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.close();

  TfrmMemorandum m;
  m.selectDirectory(source.path());
  EXPECT_EQ(m.files->count(), 1);
  m.setTargetDirectory(target.path());
  EXPECT_TRUE(m.copySelected());
  QFile copied(target.filePath("memo.jpg"));
  ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
  EXPECT_EQ(copied.readAll(), "JPEGDATA");

  // Nothing selected or no target: nothing happens, silently.
  m.selectDirectory(target.path() + "/missing");
  EXPECT_FALSE(m.copySelected());
}

} // namespace
