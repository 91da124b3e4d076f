// The free-table picker while another till opens and frees tables.
#include "sales/freetablepicker.h"
#include "sales/restaurantfixture.h"
#include "sales/ui/tfrmotvsto.h"

#include <QDir>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString rowsOf(const TfrmOtvSto &w) {
  QStringList out;
  for (int r = 0; r < w.DBGrid1->model()->rowCount(); ++r)
    out << w.DBGrid1->model()->index(r, 0).data().toString();
  return out.join(',');
}

TEST(FreeTableWindow, AnotherTillsOpeningsAndFreeingsShowWhileItIsOpen) {
  restauranttest::Restaurant r(1); // tables 1 to 4 free, 5 Ana's, 6 Marko's
  FreeTablePicker picker(r.h.db);
  TfrmOtvSto w(picker);
  ASSERT_TRUE(picker.load());
  QStringList seen;
  testsupport::when(
      &w, [&] { return w.isVisible(); },
      [&] {
        QTest::keyClicks(w.Edit1, "9");
        w.DBGrid1->setCurrentIndex(w.DBGrid1->model()->index(2, 0)); // table 3
        seen << rowsOf(w);
        // Another till takes table 1 and frees Marko's table 6.
        EXPECT_TRUE(r.h.db.exec("UPDATE stolovi SET sifkonob = 3 WHERE brstola = 1"));
        EXPECT_TRUE(r.h.db.exec("UPDATE stolovi SET sifkonob = -1 WHERE brstola = 6"));
        w.tablesChanged();
        seen << QStringLiteral("%1 current %2 typed %3 focus %4")
                    .arg(rowsOf(w), w.DBGrid1->currentIndex().data().toString(), w.Edit1->text())
                    .arg(w.Edit1->hasFocus());
        w.grab().save(QDir::temp().filePath("slobodni-stolovi-osvezeni.png"));
        // Its table taken as well: the cursor is on the first row.
        EXPECT_TRUE(r.h.db.exec("UPDATE stolovi SET sifkonob = 3 WHERE brstola = 3"));
        w.tablesChanged();
        seen << QStringLiteral("%1 current %2").arg(rowsOf(w), w.DBGrid1->currentIndex().data().toString());
        QTest::keyClick(w.Edit1, Qt::Key_Escape);
      });
  w.exec();
  EXPECT_EQ(seen, (QStringList{"1,2,3,4", "2,3,4,6 current 3 typed 9 focus 1", "2,4,6 current 2"}));
  // Closed: nothing is read.
  EXPECT_TRUE(r.h.db.exec("UPDATE stolovi SET sifkonob = -1 WHERE brstola = 1"));
  w.tablesChanged();
  EXPECT_EQ(rowsOf(w), "2,4,6");
}

} // namespace
