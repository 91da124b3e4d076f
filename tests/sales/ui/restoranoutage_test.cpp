// The restaurant window in the real window stack (offscreen) while a paid table's
// bookkeeping waits in the step journal for the server: the status line says so, the
// paid line is gone from the table's grid and its total, and the table cannot be paid
// again; once the journal is written the status line clears and the table shows what
// the database holds.
#include "engine/stepjournal.h"
#include "sales/restaurantfixture.h"
#include "sales/ui/tfrmrestoran.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using restauranttest::Restaurant;

namespace {

// The step a till wrote to its journal when the server went away after table 5's receipt:
// its line 1 leaves the table, then the table is freed when empty.
PendingStep tableStep() {
  PendingStep s;
  s.id = QStringLiteral("3f0c0d53-0b4e-4f3a-9a53-0f5e8e1d7a11");
  s.racun = QStringLiteral("1c9f1a7e-5d0b-4a4b-8f43-6c1f2b3d4e55");
  s.key.id = {QDate::currentDate().year(), 1};
  s.key.datum = QDate::currentDate();
  s.key.vreme = QTime(12, 30);
  s.key.sifoper = 2;
  s.key.brstola = 5;
  s.key.restoran = true;
  StepPart off;
  off.kind = StepKind::TableLinesOff;
  off.sto = 5;
  off.lines = {{1, QStringLiteral("1"), Quantity(2.0), Money(200.0)}};
  StepPart freed;
  freed.kind = StepKind::TableFreed;
  freed.sto = 5;
  s.parts = {off, freed};
  return s;
}

TEST(TfrmRestoranOutage, StatusLinePaidLinesGoneAndTheTableRefusedUntilTheJournalIsWritten) {
  Restaurant r(1);
  r.order(5, "1", 2, 1);
  r.order(5, "2", 1, 1);
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(StepJournal(dir.path()).append(tableStep()));
  r.h.engine->setStepJournalDir(dir.path()); // as at a start with the server still away

  TfrmRestoran form(*r.sale);
  form.applyModel(1);
  r.sale->showWaiter(2);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(form.edtStatusRest->text(), "BAZA NEDOSTUPNA - koraka na cekanju: 1");
  EXPECT_TRUE(form.edtStatusRest->isVisible());
  EXPECT_EQ(r.sale->trenutniSto(), 5);
  EXPECT_EQ(form.DBGridStoStavke->model()->rowCount(), 1) << "the paid line is gone here already";
  EXPECT_EQ(form.lblUkupno->text(), "150,00");

  // Enter on the empty entry line settles: refused with the reason, nothing to the device.
  form.edtUnosRest->clear();
  QTest::keyClick(form.edtUnosRest, Qt::Key_Return);
  EXPECT_EQ(r.h.prompt.log.filter("message|"),
            QStringList{"message|GRESKA|" + TransactionEngine::tableSettlingText(5)});
  EXPECT_TRUE(form.edtUnosRest->isEnabled());
  EXPECT_EQ(r.device.journal().size(), 0);

  // The journal is written (the replay's turn comes): the line leaves in the database, the
  // other stays and keeps the table open, and the window shows it without the outage.
  r.h.clock.advance(TransactionEngine::ReplayMs);
  EXPECT_EQ(r.h.engine->waitingSteps(), 0);
  EXPECT_EQ(r.rows("SELECT rbr, sifra FROM stost WHERE brstola=5"), QStringList{"2|2"});
  EXPECT_EQ(r.row("SELECT sifkonob FROM stolovi WHERE brstola=5"), "2");
  EXPECT_EQ(form.edtStatusRest->text(), QString());
  EXPECT_EQ(form.DBGridStoStavke->model()->rowCount(), 1);
  EXPECT_EQ(form.lblUkupno->text(), "150,00");
  r.sale->requestClose();
}

} // namespace
