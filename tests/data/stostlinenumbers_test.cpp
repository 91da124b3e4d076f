#include "data/tablerepository.h"
#include "twostations.h"

#include <atomic>

namespace {

class StostLineNumbersTest : public TwoStationsTest {};
KASA_SERVER_ONLY(StostLineNumbersTest);

TableLine cola(int tura = 1) {
  TableLine l;
  l.brstola = 5;
  l.sifra = "1";
  l.naziv = "Coca cola";
  l.cena = Money(100);
  l.kolicina = Quantity(1);
  l.iznos = Money(100);
  l.tura = tura;
  return l;
}

// Two tills add a line to the same table at the same moment: both read the same largest
// line number, the second insert meets the first one's key and takes the next number.
TEST_P(StostLineNumbersTest, TwoTillsAddingAtOnceGetTwoNumbers) {
  // Where the server is asked who waits: inside A's transaction it would answer from
  // the snapshot of its first look.
  Database watch;
  ASSERT_TRUE(watch.open(tipBaze(), this->where())) << watch.lastError().toStdString();
  // Till A: its line 1 written, not yet committed.
  ASSERT_TRUE(db.beginTransaction());
  ASSERT_TRUE(db.exec("INSERT INTO stost (rbr, brstola, sifra, naziv, kolicina, iznos, storno, tura) "
                      "VALUES (1, 5, '2', 'Supa', 1, 200, 0, 1)"));
  // Till B on its own connection in its own thread: it sees no line yet, so it takes 1 too
  // and waits on A's key.
  std::atomic<int> result{-1};
  QString error;
  std::thread tillB = otherStation(
      [&](Database &b) {
        const auto added = TableRepository(b).addLine(cola());
        error = added.error();
        result = added ? 1 : 0;
      },
      error);
  // B is waiting for A's lock once the server says so.
  const bool waiting = someoneWaitsForALock(watch);
  ASSERT_TRUE(db.commitTransaction());
  tillB.join();
  EXPECT_TRUE(waiting);
  EXPECT_EQ(result.load(), 1) << error.toStdString();
  QStringList rows;
  for (const TableLine &l : TableRepository(db).lines(5).value_or({}))
    rows << QStringLiteral("%1:%2").arg(l.rbr).arg(l.sifra);
  EXPECT_EQ(rows, (QStringList{"1:2", "2:1"}));
}

} // namespace
