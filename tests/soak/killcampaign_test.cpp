// A short kill campaign per model: the program killed mid-receipt, started again, its
// unfinished receipt settled with the device, and the database checked against the device
// journal each time. Not one check may find them apart.
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#ifdef SOAK_EXE
namespace {

struct Campaign {
  int model;
  int kills;
};

class KillCampaign : public ::testing::TestWithParam<Campaign> {};

TEST_P(KillCampaign, EveryRestartAgreesWithTheDevice) {
  const Campaign c = GetParam();
  const QString model = QString::number(c.model);
  QProcess p;
  p.start(QStringLiteral(SOAK_EXE),
          {"--kill", QString::number(c.kills), "--models", model, "--seed", "3", "--max-delay", "1500"});
  ASSERT_TRUE(p.waitForFinished(180000));
  const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
  const auto m = QRegularExpression("kill model " + model +
                                    ": kills (\\d+), restarts checked (\\d+), inconsistencies (\\d+), "
                                    "stuck (\\d+); device receipts (\\d+), cancelled (\\d+)")
                     .match(out);
  ASSERT_TRUE(m.hasMatch()) << out.toStdString();
  // Every kill was followed by a start that recovered and was checked.
  EXPECT_EQ(m.captured(1).toInt(), c.kills) << out.toStdString();
  EXPECT_EQ(m.captured(2).toInt(), c.kills + 1) << out.toStdString();
  EXPECT_EQ(m.captured(4).toInt(), 0) << out.toStdString();
  EXPECT_EQ(m.captured(3).toInt(), 0) << out.toStdString();
  // Something was sold between the kills, so the checks compared real receipts.
  EXPECT_GT(m.captured(5).toInt() + m.captured(6).toInt(), 0) << out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Models, KillCampaign,
                         ::testing::Values(Campaign{1, 8}, Campaign{2, 8}, Campaign{4, 8}, Campaign{3, 4},
                                           Campaign{5, 4}),
                         [](const ::testing::TestParamInfo<Campaign> &i) {
                           return "model" + std::to_string(i.param.model);
                         });

} // namespace
#endif
