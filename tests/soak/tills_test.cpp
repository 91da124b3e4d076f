// Several tills on one PostgreSQL database: eight engine processes, each with its own
// fiscal-sim and its own cashier, sell retail receipts at the same time. Receipt, line
// and payment numbers must not collide (no receipt gets another till's lines), every
// device journal matches the receipts of its till, and the stock is the start minus
// all sales. KASA_TILLS_RECEIPTS sets the receipts per till (25 by default).
#include "data/database.h"
#include "data/dbfixture.h"
#include "journalcheck.h"
#include "soakrun.h"
#include "support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

const char *const kRole = "KASA_TILL_SOAK"; // "model,cashier,receipts,dir": this process is one till
const char *const kConn = "KASA_TILL_CONN";
const char *const kGo = "KASA_TILL_GO"; // every till is ready: start selling when it exists
const char *const kTestName = "SeveralTills.EightEnginesSellingAtOnceShareTheNumbers";

// Its device's models, two of each: every dialect takes numbers against the others.
constexpr int kModels[] = {1, 2, 4, 5, 1, 2, 4, 5};
constexpr int kTills = int(std::size(kModels));

int receiptsPerTill() {
  const int n = qEnvironmentVariableIntValue("KASA_TILLS_RECEIPTS");
  return n > 0 ? n : 25;
}

// One till: the soak's receipts without faults against the shared database. Prints
// what it did; exits 0 when every receipt was completed.
void runTill() {
  const QStringList role = qEnvironmentVariable(kRole).split(QLatin1Char(','));
  ASSERT_EQ(role.size(), 4);
  SoakOptions o;
  o.model = role[0].toInt();
  o.cashier = role[1].toInt();
  o.receipts = role[2].toInt();
  o.workDir = role[3];
  o.database = qEnvironmentVariable(kConn);
  o.faultRate = 0;
  o.seed = unsigned(o.cashier);
  std::printf("READY %d\n", o.cashier);
  std::fflush(stdout);
  ASSERT_TRUE(testsupport::waitFor([] { return QFile::exists(qEnvironmentVariable(kGo)); }, 60000, 1));
  const SoakResult r = runSoak(o);
  QStringList choices;
  for (const auto &[k, v] : r.choices)
    if (k != QLatin1String("enter notice"))
      choices << QStringLiteral("%1=%2").arg(k).arg(v);
  std::printf("TILL %d model %d: receipts %d, completed %d, stuck %d, numbers taken again %d; %s\n",
              o.cashier, o.model, r.receipts, r.completed, r.stuck, Database::duplicateKeyRetries(),
              qPrintable(choices.join(QStringLiteral(", "))));
  for (const QString &p : r.check.problems)
    std::printf("  ! %s\n", qPrintable(p));
  std::fflush(stdout);
  EXPECT_TRUE(r.passed());
  EXPECT_TRUE(choices.isEmpty()) << "no dialog but the closing notice is expected";
}

QList<QJsonObject> journalOf(const QString &dir) {
  QList<QJsonObject> docs;
  QFile f(dir + QStringLiteral("/journal.jsonl"));
  if (f.open(QIODevice::ReadOnly))
    for (const QByteArray &l : f.readAll().split('\n'))
      if (!l.isEmpty())
        docs << QJsonDocument::fromJson(l).object();
  return docs;
}

QVariant scalar(Database &db, const QString &sql) {
  const auto v = db.scalar(sql);
  EXPECT_TRUE(v) << sql.toStdString() << ": " << v.error().toStdString();
  return v.value_or(QVariant());
}

TEST(SeveralTills, EightEnginesSellingAtOnceShareTheNumbers) {
  if (qEnvironmentVariableIsSet(kRole)) {
    runTill();
    return;
  }
  if (PgScratch::conn().isEmpty())
    GTEST_SKIP() << "KASA_PG_CONN is not set (scripts/pg-cluster start provides it)";
  PgScratch pg;
  ASSERT_TRUE(pg.create());
  Database db;
  ASSERT_TRUE(db.open(int(DatabaseKind::PostgreSQL), pg.connectionText())) << db.lastError().toStdString();
  std::map<QString, double> startStock;
  ASSERT_TRUE(seedSoakShop(db, startStock));

  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const QString go = tmp.filePath(QStringLiteral("go"));
  const int receipts = receiptsPerTill();
  QProcess tills[kTills];
  QByteArray out[kTills];
  for (int i = 0; i < kTills; ++i) {
    const QString dir = tmp.filePath(QStringLiteral("till%1").arg(i + 1));
    ASSERT_TRUE(QDir().mkpath(dir));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kRole, QStringLiteral("%1,%2,%3,%4").arg(kModels[i]).arg(i + 1).arg(receipts).arg(dir));
    env.insert(kConn, pg.connectionText());
    env.insert(kGo, go);
    tills[i].setProcessEnvironment(env);
    tills[i].setProcessChannelMode(QProcess::MergedChannels);
    tills[i].start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + kTestName});
  }
  const auto readAll = [&] {
    for (int i = 0; i < kTills; ++i)
      out[i] += tills[i].readAll();
  };
  const bool ready = testsupport::waitFor(
      [&] {
        readAll();
        for (const QByteArray &o : out)
          if (!o.contains("READY"))
            return false;
        return true;
      },
      60000, 20);
  QFile(go).open(QIODevice::WriteOnly);
  QElapsedTimer took;
  took.start();
  // A receipt takes well under a second even with eight tills on two cores.
  const int allowedMs = 60000 + receipts * 2000;
  testsupport::waitFor(
      [&] {
        readAll();
        for (const QProcess &p : tills)
          if (p.state() != QProcess::NotRunning)
            return false;
        return true;
      },
      allowedMs, 50);
  const qint64 ms = took.elapsed();
  for (int i = 0; i < kTills; ++i) {
    if (tills[i].state() != QProcess::NotRunning) {
      tills[i].kill();
      tills[i].waitForFinished(5000);
    }
  }
  readAll();
  ASSERT_TRUE(ready);
  QString summary;
  for (int i = 0; i < kTills; ++i) {
    const auto m = QRegularExpression(QStringLiteral("TILL [^\\n]*")).match(QString::fromUtf8(out[i]));
    summary += (m.hasMatch() ? m.captured(0) : QStringLiteral("till %1: no result").arg(i + 1)) + '\n';
    EXPECT_EQ(tills[i].exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tills[i].exitCode(), 0) << out[i].toStdString();
  }

  // Each device against the receipts of its cashier, the stock against all sales.
  JournalCheck all;
  for (int i = 0; i < kTills; ++i) {
    const JournalCheck c = checkJournal(journalOf(tmp.filePath(QStringLiteral("till%1").arg(i + 1))),
                                        db.connection(), startStock, kModels[i] != 2, i + 1);
    EXPECT_TRUE(c.passed()) << "till " << i + 1 << ": " << c.problems.join("; ").toStdString();
    EXPECT_EQ(c.journalReceipts, receipts) << "till " << i + 1;
    all.journalReceipts += c.journalReceipts;
    all.journalLines += c.journalLines;
    all.databaseLines += c.databaseLines;
    all.stockErrors = c.stockErrors;
  }
  const int total = kTills * receipts;
  // Numbers handed out without a gap or a second holder: 1..n for the receipts, and one
  // line or payment number per row.
  EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM racuni").toInt(), total);
  EXPECT_EQ(scalar(db, "SELECT MIN(broj) FROM racuni").toInt(), 1);
  EXPECT_EQ(scalar(db, "SELECT MAX(broj) FROM racuni").toInt(), total);
  EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM racuni WHERE status <> 1").toInt(), 0);
  EXPECT_EQ(scalar(db, "SELECT COUNT(DISTINCT sifoper) FROM racuni").toInt(), kTills);
  const int lines = scalar(db, "SELECT COUNT(*) FROM prodato").toInt();
  EXPECT_EQ(lines, all.journalLines);
  EXPECT_EQ(scalar(db, "SELECT MAX(rbr) - MIN(rbr) + 1 FROM prodato").toInt(), lines);
  // Every line belongs to a receipt, and every receipt's payments are numbered 1..n.
  EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM prodato p WHERE NOT EXISTS (SELECT 1 FROM racuni r WHERE "
                       "r.godina = p.godina AND r.broj = p.brrac)")
                .toInt(),
            0);
  EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM (SELECT godina, broj FROM rate GROUP BY godina, broj "
                       "HAVING MIN(rbr) <> 1 OR MAX(rbr) <> COUNT(*)) AS g")
                .toInt(),
            0);
  const int payments = scalar(db, "SELECT COUNT(*) FROM rate").toInt();
  std::printf("%d tills x %d receipts in %.1f s: %d receipts, %d lines, %d payments; journals %d receipts "
              "/ %d lines; stock errors %d\n%s",
              kTills, receipts, double(ms) / 1000, scalar(db, "SELECT COUNT(*) FROM racuni").toInt(), lines,
              payments, all.journalReceipts, all.journalLines, all.stockErrors, qPrintable(summary));
  db.close();
  pg.drop();
}

} // namespace
