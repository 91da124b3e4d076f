// A short kill campaign: the program killed mid-receipt on model 4 (whose recovery asks the
// device), started again, and the database checked against the device journal each time.
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#ifdef SOAK_EXE
TEST(KillCampaign, FiveKillsOnModelFour) {
  QProcess p;
  p.start(QStringLiteral(SOAK_EXE), {"--kill", "5", "--models", "4", "--seed", "3", "--max-delay", "1500"});
  ASSERT_TRUE(p.waitForFinished(120000));
  const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
  const auto m =
      QRegularExpression("kill model 4: kills (\\d+), restarts checked (\\d+), inconsistencies (\\d+), "
                         "stuck (\\d+); device receipts (\\d+), cancelled (\\d+)")
          .match(out);
  ASSERT_TRUE(m.hasMatch()) << out.toStdString();
  // Every kill was followed by a start that recovered and was checked.
  EXPECT_EQ(m.captured(1).toInt(), 5) << out.toStdString();
  EXPECT_EQ(m.captured(2).toInt(), 6) << out.toStdString();
  EXPECT_EQ(m.captured(4).toInt(), 0) << out.toStdString();
  // A kill between the device's closing and its booking leaves the choice without the device's
  // answer (about one kill in a hundred on this model): more than one in five is a fault.
  EXPECT_LE(m.captured(3).toInt(), 1) << out.toStdString();
  // Something was sold between the kills, so the checks compared real receipts.
  EXPECT_GT(m.captured(5).toInt() + m.captured(6).toInt(), 0) << out.toStdString();
}
#endif
