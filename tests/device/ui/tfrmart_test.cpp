// The device article window offscreen over the real loops and fiscal-sim's device in
// the test process, on virtual time.
#include "device/ui/tfrmart.h"
#include "engine/engineharness.h"
#include "engine/simdevice.h"

#include "device/articlemirrormodel.h"
#include "engine/articlesync.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace enginetest;

namespace {

struct WindowFixture {
  explicit WindowFixture(int model)
      : sim(model, clock), mirrorModel(mirror),
        tester(&mirrorModel, QAbstractItemModelTester::FailureReportingMode::Fatal) {
    link.Model = model;
    link.IBFM = QStringLiteral("123450");
    engine = std::make_unique<TransactionEngine>(link, clock);
    engine->setWire(&sim);
    engine->setPrompt(&prompt);
    engine->seedSendSeq(10);
    sim.attach(engine.get());
    sync = std::make_unique<ArticleSync>(*engine, link, clock, mirrorModel, path());
    sync->setPrompt(&prompt);
    window = std::make_unique<TfrmArt>(*sync, mirrorModel);
    window->setMirrorPath(path());
  }
  QString path() const { return dir.filePath(QStringLiteral("artikli.dat")); }
  QStringList enabledButtons() const {
    QStringList on;
    for (QPushButton *b : window->buttons())
      if (b->isEnabled())
        on << b->objectName();
    return on;
  }
  bool hourglass() const {
    return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
  }
  void runUntil(const std::function<bool()> &done) {
    for (int i = 0; i < 100000 && !done(); ++i)
      clock.advance(1);
  }

  QTemporaryDir dir;
  LinkSettings link;
  VirtualScheduler clock;
  SimDevice sim;
  ScriptedPrompt prompt;
  ArticleMirror mirror;
  ArticleMirrorModel mirrorModel;
  QAbstractItemModelTester tester;
  std::unique_ptr<TransactionEngine> engine;
  std::unique_ptr<ArticleSync> sync;
  std::unique_ptr<TfrmArt> window;
};

const QStringList kAllButtons = {"BtnPromeni",   "BtnPonisti", "BtnWrite",     "BtnKasaRead", "BtnKasaWrite",
                                 "BtnKWriteAll", "BtnKEmpty",  "BtnFileWrite", "BtnFileRead", "BtnSync"};

// While a loop runs every button is off and the pointer is the hourglass; at its end
// the buttons come back, the pointer is restored and LblCount is emptied.
TEST(TfrmArt, ButtonsAndHourglassFollowTheLoop) {
  for (const char *which : {"BtnKasaRead", "BtnKWriteAll", "BtnKEmpty"}) {
    SCOPED_TRACE(which);
    WindowFixture f(1);
    f.sim.program(0, QStringLiteral("PROBA"), 1, 0);
    f.sim.program(12, QStringLiteral("KAFA"), 80, 2, QStringLiteral("8600000000017"));
    f.sim.program(13, QStringLiteral("Чај од нане"), 60, 1);
    f.mirrorModel.insertArticle({QString(), 12, QString(), QStringLiteral("KAFA"), 80, 2});
    f.window->show();
    EXPECT_EQ(f.window->windowTitle(), QStringLiteral("Artikli"));
    EXPECT_EQ(f.enabledButtons(), kAllButtons);
    f.window->findChild<QPushButton *>(QLatin1String(which))->click();
    EXPECT_TRUE(f.enabledButtons().isEmpty());
    EXPECT_TRUE(f.hourglass());
    f.clock.advance(50);
    EXPECT_FALSE(f.window->LblCount->text().isEmpty()); // the article being worked on
    f.runUntil([&] { return !f.sync->running() && f.window->BtnKasaRead->isEnabled(); });
    EXPECT_EQ(f.enabledButtons(), kAllButtons);
    EXPECT_FALSE(f.hourglass());
    EXPECT_EQ(f.window->LblCount->text(), QString());
    if (QString::fromLatin1(which) == "BtnKasaRead") {
      ASSERT_EQ(f.window->grid->model()->rowCount(), 3);
      EXPECT_EQ(f.window->grid->model()->index(2, 3).data().toString(), QStringLiteral("Чај од нане"));
      const QString shot = qEnvironmentVariable("KASA_SCREENSHOT_DIR");
      if (!shot.isEmpty())
        f.window->grab().save(shot + "/tfrmart.png");
    }
    f.window->close();
  }
}

// Esc during a read: the window closes, the loop ends at its next reply, and the rows
// read so far are in artikli.dat.
TEST(TfrmArt, EscDuringAReadKeepsWhatWasRead) {
  WindowFixture f(4);
  for (int n = 1; n <= 30; ++n)
    f.sim.program(n, QStringLiteral("ART %1").arg(n), n, 1);
  f.window->show();
  QApplication::setActiveWindow(f.window.get());
  f.window->BtnKasaRead->click();
  f.runUntil([&] { return f.mirror.count() >= 5; });
  QTest::keyClick(f.window.get(), Qt::Key_Escape);
  EXPECT_FALSE(f.window->isVisible());
  EXPECT_TRUE(f.sync->prekidRada());
  EXPECT_FALSE(f.hourglass());
  f.runUntil([&] { return !f.sync->running(); });
  const int rows = f.mirror.count();
  EXPECT_LT(rows, 30);
  ArticleMirror saved;
  ASSERT_TRUE(saved.load(f.path()));
  EXPECT_EQ(saved.count(), rows);
}

// The file buttons through the window: the name proposed, written, read back; the
// grid's edit list for the tax group; "Otkaz" drops unsaved edits.
TEST(TfrmArt, FileButtonsAndCancel) {
  WindowFixture f(1);
  f.mirrorModel.insertArticle({QString(), 12, QString(), QStringLiteral("KAFA"), 80, 2});
  f.window->show();
  QStringList proposed;
  const QString file = f.dir.filePath(QStringLiteral("artbon.txt"));
  f.window->chooseFile = [&](bool, const QString &name) {
    proposed << name;
    return file;
  };
  f.window->BtnFileWrite->click();
  EXPECT_EQ(proposed, QStringList{"ARTBON_123450.TXT"});
  EXPECT_EQ(f.prompt.log, QStringList{"message|Порука|Завршен упис података.."});
  f.window->BtnWrite->click(); // artikli.dat with KAFA
  f.mirrorModel.clearAll();
  f.window->BtnFileRead->click();
  ASSERT_EQ(f.mirror.count(), 1);
  EXPECT_EQ(f.mirror.at(0).NAZIV, QStringLiteral("KAFA"));

  f.mirrorModel.setData(f.mirrorModel.index(0, ArticleMirrorModel::NAZIV), QStringLiteral("IZMENA"));
  f.window->BtnPonisti->click();
  EXPECT_FALSE(f.window->isVisible());
  EXPECT_EQ(f.mirror.at(0).NAZIV, QStringLiteral("KAFA"));
}

} // namespace
