#include "data/codelisttablemodel.h"
#include "data/dbfixture.h"
#include "data/ui/recordgrid.h"
#include "data/ui/tfrmsifarnici.h"
#include "support/testsupport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

class TfrmSifarniciTest : public DbTest {
protected:
  void seed() override {
    ASSERT_TRUE(insert("MESTO", {{"sifmesto", "BG"}, {"naziv", "Beograd"}, {"ptt", "11000"}}));
    ASSERT_TRUE(insert("MESTO", {{"sifmesto", "NS"}, {"naziv", "Novi Sad"}, {"ptt", "21000"}}));
    for (const auto &[code, name] :
         {std::pair{"P1", "Kokos doo"}, {"P2", "Mleko AD"}, {"P3", "Pekara Ana"}, {"P4", "Kosta i sin"}})
      ASSERT_TRUE(insert("PARTNER", {{"sifpartner", code}, {"naziv", name}, {"sifmesto", "BG"}}));
    ASSERT_TRUE(insert("KONOBARI", {{"rbr", 1}, {"sifkonob", "1111"}, {"naziv", "Ana"}, {"admin", true}}));
    ASSERT_TRUE(insert("KONOBARI", {{"rbr", 2}, {"sifkonob", "2222"}, {"naziv", "Bora"}}));
    ASSERT_TRUE(insert("STOLOVI", {{"brstola", 1}, {"naziv", "Sto 1"}}));
    ASSERT_TRUE(insert("GRUPA", {{"sifgrupa", "PIC"}, {"naziv", "Pice"}}));
    ASSERT_TRUE(db.exec("INSERT INTO porstope (stopa, iznos) VALUES (0, 20), (1, 10)"));
    window = std::make_unique<TfrmSifarnici>(db, *rules);
    window->host.message = [this](const QString &title, const QString &text, bool) {
      shown << title + " / " + text;
      return true;
    };
    window->host.warningBox = [this](const QString &text) { shown << "warning / " + text; };
    window->host.chooseFile = [this](bool, const QString &proposed) {
      proposals << proposed;
      return file;
    };
  }
  void TearDown() override {
    window.reset();
    DbTest::TearDown();
  }
  // Runs act inside the window's modal loop once it is the active modal window.
  void whenShown(std::function<void()> act) {
    QTimer::singleShot(20000, window.get(), [w = window.get()] { w->hide(); });
    testsupport::when(
        window.get(),
        [this] {
          return window->isVisible() && QApplication::activeModalWidget() == window.get() &&
                 window->isActiveWindow();
        },
        std::move(act));
  }
  CodeListTableModel *partners() { return window->grid("PARTNER")->model(); }
  QStringList partnerNames() {
    QStringList out;
    for (int r = 0; r < partners()->rowCount(); ++r)
      out << partners()->value(r, "naziv").toString().trimmed();
    return out;
  }
  QList<QPushButton *> editButtons() {
    return {window->BtnPartnerCSV, window->BtnMestoCSV,     window->BtnOperaterCSV, window->BtnStoloviCSV,
            window->BtnCSVGrupe,   window->BtnSetPass,      window->BtnOperaterRead, window->BtnPorezRead,
            window->BtnDefault};
  }
  // Which of the edit buttons and navigator insert/delete show on their tab.
  QString visibleOnTabs() {
    QString out;
    for (int tab = 0; tab < window->pageSifarnici->count(); ++tab) {
      window->pageSifarnici->setCurrentIndex(tab);
      for (QPushButton *b : editButtons())
        if (b->isVisible())
          out += b->objectName() + " ";
      for (QToolButton *t : window->pageSifarnici->currentWidget()->findChildren<QToolButton *>())
        if (t->isVisible() && (t->objectName() == "navInsert" || t->objectName() == "navDelete"))
          out += t->objectName() + " ";
    }
    window->pageSifarnici->setCurrentIndex(0);
    return out.trimmed();
  }

  QStringList shown, proposals;
  QString file;
  std::unique_ptr<TfrmSifarnici> window;
};
KASA_BOTH_ENGINES(TfrmSifarniciTest);

TEST_P(TfrmSifarniciTest, PickModeHandsBackThePartnerCode) {
  QString buttons;
  QStringList filtered, filteredMore;
  int rowOnKos = -1;
  bool focusInSearch = false, onPartners = false, rowsSelected = false;
  whenShown([&] {
    new QAbstractItemModelTester(partners(), QAbstractItemModelTester::FailureReportingMode::Fatal, partners());
    focusInSearch = QApplication::focusWidget() == window->EdtTraziPartner;
    onPartners = window->pageSifarnici->currentIndex() == 0;
    buttons = visibleOnTabs();
    rowsSelected = window->DBGridPartner->selectionBehavior() == QAbstractItemView::SelectRows &&
                   window->DBGridPartner->editTriggers() == QAbstractItemView::NoEditTriggers;
    QTest::keyClicks(window->EdtTraziPartner, "ko");
    filtered = partnerNames();
    QTest::keyClicks(window->EdtTraziPartner, "s"); // the cursor on the first name beginning so
    filteredMore = partnerNames();
    rowOnKos = window->grid("PARTNER")->currentRow();
    QTest::keyClick(window->EdtTraziPartner, Qt::Key_Up);
    QTest::keyClick(window->EdtTraziPartner, Qt::Key_Down);
    QTest::keyClick(window->EdtTraziPartner, Qt::Key_Return);
  });
  const auto code = window->pickPartner();
  EXPECT_TRUE(focusInSearch);
  EXPECT_TRUE(onPartners);
  EXPECT_TRUE(rowsSelected);
  EXPECT_EQ(buttons, "") << "pick mode: nothing that edits";
  EXPECT_EQ(filtered, QStringList({"Kokos doo", "Mleko AD", "Kosta i sin"}));
  EXPECT_EQ(filteredMore, QStringList({"Kokos doo", "Kosta i sin"}));
  EXPECT_EQ(rowOnKos, 1);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, "P4");
  EXPECT_TRUE(window->handBack().isEmpty());

  // A double click picks too; Esc picks nothing, with the search box empty again.
  bool emptied = false;
  whenShown([&] {
    emptied = window->EdtTraziPartner->text().isEmpty();
    const QRect cell = window->DBGridPartner->visualRect(partners()->index(1, 1));
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {},
                       window->DBGridPartner->viewport()->mapTo(window.get(), cell.center()));
  });
  EXPECT_EQ(window->pickPartner().value_or("?"), "P2");
  EXPECT_TRUE(emptied);
  whenShown([&] { QTest::keyClick(window->DBGridPartner, Qt::Key_Escape); });
  EXPECT_FALSE(window->pickPartner().has_value());
  EXPECT_TRUE(shown.isEmpty()) << shown.join("; ").toStdString();
}

TEST_P(TfrmSifarniciTest, EditModeShowsItsButtonsAndHidesTheCodes) {
  QString buttons;
  bool codesHidden = false, enterKeepsOpen = false;
  whenShown([&] {
    buttons = visibleOnTabs();
    codesHidden = window->DBGridKonobari->isColumnHidden(1) && window->DBGridStolovi->isColumnHidden(2);
    QTest::keyClick(window->EdtTraziPartner, Qt::Key_Return);
    enterKeepsOpen = window->isVisible();
    QTest::keyClick(window->EdtTraziPartner, Qt::Key_Escape);
  });
  window->maintain();
  EXPECT_EQ(buttons, "BtnPartnerCSV navInsert navDelete BtnMestoCSV navInsert navDelete BtnOperaterCSV BtnSetPass "
                     "BtnOperaterRead navInsert navDelete BtnStoloviCSV navInsert navDelete BtnCSVGrupe "
                     "BtnPorezRead BtnDefault navInsert navDelete");
  EXPECT_TRUE(codesHidden);
  EXPECT_TRUE(enterKeepsOpen);
  EXPECT_FALSE(window->isVisible());
}

TEST_P(TfrmSifarniciTest, LookUpAndCheckBoxLieOverTheirCells) {
  bool lookUpOver = false, lookUpHidden = false, boxOver = false, boxTicked = true;
  whenShown([&] {
    QTableView *grid = window->DBGridPartner;
    grid->setFocus();
    const QModelIndex place = partners()->index(0, partners()->column("sifmesto"));
    grid->setCurrentIndex(place);
    const QRect cell = grid->visualRect(place);
    lookUpOver = window->DBLookupComboBox1->isVisible() && window->DBLookupComboBox1->geometry() == cell &&
                 window->DBLookupComboBox1->currentText() == "BG";
    window->DBLookupComboBox1->setCurrentIndex(1);
    emit window->DBLookupComboBox1->activated(1); // NS
    grid->setCurrentIndex(partners()->index(0, 1));
    lookUpHidden = !window->DBLookupComboBox1->isVisible();

    window->pageSifarnici->setCurrentIndex(2);
    QTableView *waiters = window->DBGridKonobari;
    CodeListTableModel *m = window->grid("KONOBARI")->model();
    waiters->setFocus();
    const QModelIndex bora = m->index(1, m->column("admin"));
    waiters->setCurrentIndex(bora);
    boxOver = window->CheckBox1->isVisible() && window->CheckBox1->geometry() == waiters->visualRect(bora);
    boxTicked = window->CheckBox1->isChecked();
    // Typed on the cell and passed on to the box, which then gets the release too.
    QTest::keyClick(window->windowHandle(), Qt::Key_Space);
    EXPECT_EQ(m->index(1, m->column("admin")).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    window->close();
  });
  window->maintain();
  EXPECT_TRUE(lookUpOver);
  EXPECT_TRUE(lookUpHidden);
  EXPECT_TRUE(boxOver);
  EXPECT_FALSE(boxTicked);
  EXPECT_EQ(count("SELECT COUNT(*) FROM partner WHERE sifmesto='NS'"), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM konobari WHERE rbr=2 AND admin=" + db.booleanLiteral(true)), 1);
  EXPECT_TRUE(shown.isEmpty()) << shown.join("; ").toStdString();
}

TEST_P(TfrmSifarniciTest, ClosingWithoutAnAdministratorIsRefused) {
  ASSERT_TRUE(db.exec("UPDATE konobari SET admin=" + db.booleanLiteral(false)));
  int closeAttempts = 0;
  whenShown([&] {
    window->close();
    closeAttempts += window->isVisible() ? 1 : 0;
    QTest::keyClick(window->EdtTraziPartner, Qt::Key_Escape);
    closeAttempts += window->isVisible() ? 1 : 0;
    // Ticking one waiter lets it close.
    window->pageSifarnici->setCurrentIndex(2);
    window->grid("KONOBARI")->model()->setValue(0, "admin", true);
    window->close();
  });
  window->maintain();
  EXPECT_EQ(closeAttempts, 2);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(shown, QStringList({"warning / Bar jedan operater/konobar mora da bude administrator!",
                                "warning / Bar jedan operater/konobar mora da bude administrator!"}));
  EXPECT_EQ(count("SELECT COUNT(*) FROM konobari WHERE admin=" + db.booleanLiteral(true)), 1);
}

TEST_P(TfrmSifarniciTest, ImportsCodesAndDefaultsThroughTheButtons) {
  file = m_dir.filePath("Grupe.CSV");
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("HR;Hrana\r\nPIC;Pice\r\n");
  }
  QStringList groups;
  QString codeOffered;
  window->askCode = [&](const QString &current) -> std::optional<QString> {
    codeOffered = current;
    return QString("2222"); // Bora's: refused
  };
  whenShown([&] {
    window->pageSifarnici->setCurrentIndex(4);
    window->BtnCSVGrupe->click();
    for (int r = 0; r < window->grid("GRUPA")->model()->rowCount(); ++r)
      groups << window->grid("GRUPA")->model()->value(r, "sifgrupa").toString().trimmed();
    window->BtnDefault->click();
    window->pageSifarnici->setCurrentIndex(2);
    window->grid("KONOBARI")->setCurrentRow(0);
    window->BtnSetPassClick();
    window->askCode = [](const QString &) -> std::optional<QString> { return QString("9876"); };
    window->BtnSetPassClick();
    window->close();
  });
  window->maintain();
  EXPECT_EQ(proposals, QStringList{"Grupe.CSV"});
  EXPECT_EQ(groups, QStringList({"HR", "PIC"}));
  EXPECT_EQ(count("SELECT COUNT(*) FROM porstope WHERE iznos=0"), 9);
  EXPECT_EQ(codeOffered, "1111");
  EXPECT_EQ(count("SELECT COUNT(*) FROM konobari WHERE rbr=1 AND sifkonob='9876'"), 1);
  EXPECT_EQ(messages.shown.size(), 1);
  EXPECT_EQ(messages.lastText(), "Konobar/Operater sa tom sifrom vec postoji!");
}

// The window as a user meets it, for the eye (build/sifrarnici*.png).
TEST_P(TfrmSifarniciTest, RendersItsTabs) {
  if (GetParam() != Engine::SQLite)
    GTEST_SKIP() << "one picture is enough";
  QImage partnersTab, waitersTab, ratesTab;
  whenShown([&] {
    window->DBGridPartner->setCurrentIndex(partners()->index(0, partners()->column("sifmesto")));
    partnersTab = window->grab().toImage();
    window->pageSifarnici->setCurrentIndex(2);
    CodeListTableModel *m = window->grid("KONOBARI")->model();
    window->DBGridKonobari->setFocus();
    window->DBGridKonobari->setCurrentIndex(m->index(0, m->column("admin")));
    waitersTab = window->grab().toImage();
    window->pageSifarnici->setCurrentIndex(4);
    ratesTab = window->grab().toImage();
    window->close();
  });
  window->maintain();
  ASSERT_FALSE(partnersTab.isNull());
  EXPECT_EQ(partnersTab.size(), QSize(760, 470));
  const QString out = qEnvironmentVariable("KASA_PNG_DIR", QDir::tempPath());
  partnersTab.save(out + "/sifrarnici-partneri.png");
  waitersTab.save(out + "/sifrarnici-konobari.png");
  ratesTab.save(out + "/sifrarnici-stope.png");
}

} // namespace
