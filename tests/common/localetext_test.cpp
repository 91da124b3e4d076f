#include "common/localetext.h"

#include <gtest/gtest.h>

class LocaleTextTest : public ::testing::Test {
protected:
  void SetUp() override { LocaleText::setConventions(LocaleConventions::serbianLatin()); }
  void TearDown() override { LocaleText::setConventions(LocaleConventions::serbianLatin()); }
};

TEST_F(LocaleTextTest, SerbianDefaults) {
  EXPECT_EQ(LocaleText::money(1234.5), "1234,50");
  EXPECT_EQ(LocaleText::money(2.675), "2,68");
  EXPECT_EQ(LocaleText::money(-0.001), "0,00");
  EXPECT_EQ(LocaleText::quantity(0.5), "0,500");
  EXPECT_EQ(LocaleText::quantity(1.23449), "1,234");
  EXPECT_EQ(LocaleText::listSeparator(), QLatin1Char(';'));
  EXPECT_EQ(LocaleText::date(QDate(2026, 3, 7)), "07.03.2026");
  EXPECT_EQ(LocaleText::toDate("7.3.2026"), QDate(2026, 3, 7));
  EXPECT_FALSE(LocaleText::toDate("32.1.2026").isValid());
}

TEST_F(LocaleTextTest, ReadsTypedNumbers) {
  bool ok = false;
  EXPECT_DOUBLE_EQ(LocaleText::toNumber(" 12,5 ", &ok), 12.5);
  EXPECT_TRUE(ok);
  EXPECT_DOUBLE_EQ(LocaleText::toNumber("12.5", &ok), 12.5);
  EXPECT_TRUE(ok);
  EXPECT_DOUBLE_EQ(LocaleText::toNumber("-3", &ok), -3);
  EXPECT_TRUE(ok);
  for (const char *bad : {"", "abc", "1,2,3", "1e5", "--1", "-", "12a", "inf", "nan", "1 000"}) {
    LocaleText::toNumber(QString::fromLatin1(bad), &ok);
    EXPECT_FALSE(ok) << bad;
  }
}

TEST_F(LocaleTextTest, OtherConventionsFromOnePlace) {
  LocaleConventions c;
  c.decimalSeparator = QLatin1Char('.');
  c.listSeparator = QLatin1Char(',');
  c.shortDateFormat = QStringLiteral("yyyy-MM-dd");
  LocaleText::setConventions(c);
  EXPECT_EQ(LocaleText::money(3.1), "3.10");
  EXPECT_EQ(LocaleText::date(QDate(2026, 12, 9)), "2026-12-09");
  bool ok = false;
  EXPECT_DOUBLE_EQ(LocaleText::toNumber("3.25", &ok), 3.25);
  EXPECT_TRUE(ok);
}
