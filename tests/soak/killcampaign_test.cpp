// A short kill campaign: the program killed mid-receipt on model 4 (whose recovery asks the
// device), started again, and the database checked against the device journal each time.
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#ifdef SOAK_EXE
TEST(KillCampaign, FiveKillsOnModelFourLeaveWholeReceipts) {
  QProcess p;
  p.start(QStringLiteral(SOAK_EXE), {"--kill", "5", "--models", "4", "--seed", "3", "--max-delay", "1500"});
  ASSERT_TRUE(p.waitForFinished(120000));
  const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
  EXPECT_EQ(p.exitCode(), 0) << out.toStdString();
  EXPECT_TRUE(out.contains("kill model 4: kills 5, restarts checked 6, inconsistencies 0, stuck 0;"))
      << out.toStdString();
  // Something was sold between the kills, so the checks compared real receipts.
  const auto m = QRegularExpression("device receipts (\\d+), cancelled (\\d+)").match(out);
  ASSERT_TRUE(m.hasMatch()) << out.toStdString();
  EXPECT_GT(m.captured(1).toInt() + m.captured(2).toInt(), 0) << out.toStdString();
}
#endif
