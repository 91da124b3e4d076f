// Two tills of one restaurant: two program processes, each with its own device and
// working directory, on one PostgreSQL database. Both waiters type the same free table
// and press F8 at the same moment; exactly one gets it, the other reads "STO NIJE SLOBODAN".
#include "app/tfrmpocetna.h"
#include "data/dbfixture.h"
#include "sales/restaurantsale.h"
#include "sales/ui/tfrmrestoran.h"
#include "shopfixture.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QTest>

namespace {

using e2e::when;

const char *const kRole = "KASA_TILL_ROLE"; // the waiter's code: this process is one till
const char *const kConn = "KASA_TILL_CONN"; // the shared database
const char *const kGo = "KASA_TILL_GO";     // both tills are ready: press F8 when it exists

class RestaurantTills : public ::testing::Test, protected e2e::ShopFixture {};

// One till: logs its waiter in, opens the restaurant screen, says it is ready, waits for
// the signal and opens table 2. Prints what it got.
void runTill() {
  const QString code = qEnvironmentVariable(kRole);
  const QString conn = qEnvironmentVariable(kConn);
  const QString go = qEnvironmentVariable(kGo);
  struct Till : e2e::ShopFixture {
  } till;
  ASSERT_NO_FATAL_FAILURE(till.prepareShop(1, [&](SetKonfiguracija &r) {
    r.TipBaze = 3;
    r.putanjaBaza = conn;
  }));
  ASSERT_NO_FATAL_FAILURE(till.startDevice(1));
  Program p(till.dir.path());
  ASSERT_TRUE(till.startProgram(p)) << till.unexpected.join("\n").toStdString();
  TfrmRestoran &w = p.restoran();
  QString result;
  till.logInThen(p, code, [&p] { p.glavna().BtnRestoran->click(); });
  when(
      &p, [&] { return w.isVisible() && w.edtUnosRest->isEnabled() && !p.engine().awaitingReply(); },
      [&] {
        std::printf("READY %s\n", qPrintable(code));
        std::fflush(stdout);
        const bool started = testsupport::waitFor([&] { return QFile::exists(go); }, 30000, 1);
        QTest::keyClicks(w.edtUnosRest, "2");
        QTest::keyClick(w.edtUnosRest, Qt::Key_F8);
        result = QStringLiteral("%1 sto=%2 status=%3")
                     .arg(started ? "F8" : "late")
                     .arg(p.restaurant().trenutniSto())
                     .arg(w.edtStatusRest->text());
        w.close();
        when(
            &p, [&] { return !w.isVisible() && p.glavna().isVisible(); }, [&p] { p.glavna().close(); });
      });
  p.pocetna().BtnProdesk->click();
  std::printf("TILL %s %s\n", qPrintable(code), qPrintable(result));
  std::fflush(stdout);
  EXPECT_TRUE(till.unexpected.isEmpty()) << till.unexpected.join("\n").toStdString();
}

TEST_F(RestaurantTills, TwoProgramsOpeningTheSameFreeTableOneWins) {
  if (qEnvironmentVariableIsSet(kRole)) {
    runTill();
    return;
  }
  if (PgScratch::conn().isEmpty())
    GTEST_SKIP() << "KASA_PG_CONN is not set (scripts/pg-cluster start provides it)";
  PgScratch pg;
  ASSERT_TRUE(pg.create());
  ASSERT_NO_FATAL_FAILURE(loadDemoData(3, pg.connectionText()));
  ASSERT_TRUE(dir.isValid());
  const QString go = dir.filePath("go");

  // Ana (2222) and Marko (3333), each a program of its own.
  QProcess tills[2];
  const char *codes[2] = {"2222", "3333"};
  for (int i = 0; i < 2; ++i) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kRole, codes[i]);
    env.insert(kConn, pg.connectionText());
    env.insert(kGo, go);
    tills[i].setProcessEnvironment(env);
    tills[i].setProcessChannelMode(QProcess::MergedChannels);
    tills[i].start(QCoreApplication::applicationFilePath(),
                   {"--gtest_filter=RestaurantTills.TwoProgramsOpeningTheSameFreeTableOneWins"});
  }
  QByteArray out[2];
  const bool ready = testsupport::waitFor(
      [&] {
        for (int i = 0; i < 2; ++i)
          out[i] += tills[i].readAll();
        return out[0].contains("READY") && out[1].contains("READY");
      },
      60000, 20);
  QFile(go).open(QIODevice::WriteOnly);
  for (int i = 0; i < 2; ++i) {
    tills[i].waitForFinished(60000);
    out[i] += tills[i].readAll();
  }
  ASSERT_TRUE(ready) << out[0].toStdString() << out[1].toStdString();

  QStringList results;
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(tills[i].exitCode(), 0) << out[i].toStdString();
    const auto m = QRegularExpression(QStringLiteral("TILL (\\d+) (.*)")).match(QString::fromUtf8(out[i]));
    results << (m.hasMatch() ? m.captured(2).trimmed() : QStringLiteral("no result"));
  }
  const QString won = "F8 sto=2 status=", lost = "F8 sto=0 status=STO NIJE SLOBODAN";
  EXPECT_TRUE((results == QStringList{won, lost}) || (results == QStringList{lost, won}))
      << results.join(" | ").toStdString() << "\n"
      << out[0].toStdString() << out[1].toStdString();

  Database db;
  ASSERT_TRUE(db.open(3, pg.connectionText()));
  const auto holder = db.scalar("SELECT sifkonob FROM stolovi WHERE brstola = 2");
  ASSERT_TRUE(holder);
  EXPECT_EQ(holder->toInt(), results.value(0) == won ? 2 : 3);
  db.close();
  pg.drop();
}

} // namespace
