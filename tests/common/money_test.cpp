#include "common/localetext.h"
#include "common/money.h"
#include "common/rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

template <int D> void PrintTo(const Fixed<D> &f, std::ostream *os) {
  *os << f.text().toStdString();
}

namespace {

Quantity qty(qint64 thousandths) {
  return Quantity::fromUnits(thousandths);
}
Money para(qint64 p) {
  return Money::fromUnits(p);
}

struct AmountCase {
  qint64 q;       // thousandths
  qint64 p;       // para
  qint64 rounded; // para
  qint64 truncated;
};

class LineAmount : public ::testing::TestWithParam<AmountCase> {};

TEST_P(LineAmount, RoundsHalfAwayOrCutsTowardsZero) {
  const AmountCase c = GetParam();
  EXPECT_EQ(roundedAmount(qty(c.q), para(c.p)), para(c.rounded)) << c.q << " x " << c.p;
  EXPECT_EQ(truncatedAmount(qty(c.q), para(c.p)), para(c.truncated)) << c.q << " x " << c.p;
}

INSTANTIATE_TEST_SUITE_P(
    Edges, LineAmount,
    ::testing::Values(AmountCase{3000, 115, 345, 345},    // 1,15 x 3: 3,4499999... in doubles
                      AmountCase{375, 250, 94, 93},       // 0,375 x 2,50 = 0,9375
                      AmountCase{-375, 250, -94, -93},    // a void line: the same away from / towards zero
                      AmountCase{500, 1, 1, 0},           // exactly half a para
                      AmountCase{-500, 1, -1, 0},         // half a para, negative
                      AmountCase{499, 1, 0, 0},           // just under the half
                      AmountCase{1001, 250, 250, 250},    // 2,5025
                      AmountCase{1, 500, 1, 0},           // 0,005
                      AmountCase{3333, 3000, 9999, 9999}, // quantity from 100 at 30,00
                      AmountCase{0, 12345, 0, 0}, AmountCase{1000, -250, -250, -250}, // a negative price
                      AmountCase{12345000, 99999, 1234487655, 1234487655}));

// The amount rules give what MyRound and the old integer cut gave on doubles, for every
// quantity and price the screens can show.
TEST(LineAmount, AgreesWithTheDecimalTextRulesOverAGrid) {
  for (qint64 q = -2003; q <= 25000; q += 37) {
    for (qint64 p = 1; p <= 100000; p += 997) {
      const double qd = q / 1000.0, pd = p / 100.0;
      ASSERT_EQ(roundedAmount(qty(q), para(p)), Money(MyRound(2, qd * pd))) << qd << " x " << pd;
      const qint64 P = std::llround(MyTrunc(2, pd) * 100.0), Q = std::llround(MyTrunc(3, qd) * 1000.0);
      ASSERT_EQ(truncatedAmount(qty(q), para(p)), para(P * Q / 1000)) << qd << " x " << pd;
    }
  }
}

TEST(QuantityFor, RoundsToTheThousandthAndRefusesAZeroPrice) {
  EXPECT_EQ(quantityFor(para(10000), para(3000)), qty(3333));
  EXPECT_EQ(quantityFor(para(20000), para(3000)), qty(6667));
  EXPECT_EQ(quantityFor(para(1), para(800)), qty(1)); // 0,00125
  EXPECT_EQ(quantityFor(para(-1), para(800)), qty(-1));
  EXPECT_EQ(quantityFor(para(100), para(-300)), qty(-333));
  EXPECT_EQ(quantityFor(para(100), para(0)), std::nullopt);
  for (qint64 a = 1; a < 50000; a += 113)
    for (qint64 p = 1; p < 20000; p += 331)
      ASSERT_EQ(quantityFor(para(a), para(p)), Quantity(MyRound(3, (a / 100.0) / (p / 100.0))))
          << a << "/" << p;
}

struct ParseCase {
  const char *text;
  std::optional<qint64> money; // para
  std::optional<qint64> quantity;
};

class ParseTyped : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTyped, ReadsEitherSeparatorAndRefusesAnythingElse) {
  const ParseCase c = GetParam();
  const auto m = Money::parse(QString::fromUtf8(c.text));
  const auto q = Quantity::parse(QString::fromUtf8(c.text));
  EXPECT_EQ(m ? std::optional<qint64>(m->units()) : std::nullopt, c.money) << c.text;
  EXPECT_EQ(q ? std::optional<qint64>(q->units()) : std::nullopt, c.quantity) << c.text;
}

constexpr std::nullopt_t no = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseTyped,
    ::testing::Values(ParseCase{"1,5", 150, 1500}, ParseCase{"1.5", 150, 1500},
                      ParseCase{" 12,345 ", 1235, 12345}, ParseCase{"2,675", 268, 2675},
                      ParseCase{"-12,345", -1235, -12345}, ParseCase{"-0,005", -1, -5},
                      ParseCase{"0,0049", 0, 5}, ParseCase{"+3", 300, 3000}, ParseCase{"5,", 500, 5000},
                      ParseCase{",5", 50, 500}, ParseCase{"007", 700, 7000},
                      ParseCase{"9999999999999,99", 999999999999999, no}, ParseCase{"10000000000000", no, no},
                      ParseCase{"999999999999", 99999999999900, 999999999999000},
                      ParseCase{"99999999999999999999999", no, no}, ParseCase{"", no, no},
                      ParseCase{"   ", no, no}, ParseCase{"-", no, no}, ParseCase{",", no, no},
                      ParseCase{"abc", no, no}, ParseCase{"1,2,3", no, no}, ParseCase{"1.2,3", no, no},
                      ParseCase{"1 000", no, no}, ParseCase{"1e3", no, no}, ParseCase{"--1", no, no},
                      ParseCase{"1-", no, no}, ParseCase{"\xd9\xa1", no, no} /* an Arabic-Indic one */));

TEST(ParseTyped, APointLocaleTakesNoComma) {
  const LocaleConventions saved = LocaleText::conventions();
  LocaleConventions point;
  point.decimalSeparator = QLatin1Char('.');
  LocaleText::setConventions(point);
  EXPECT_EQ(Money::parse("1.25"), para(125));
  EXPECT_EQ(Money::parse("1,25"), std::nullopt);
  EXPECT_EQ(Money(-1234.5).text(), "-1234.50");
  LocaleText::setConventions(saved);
}

TEST(FixedText, AllDecimalsInTheLocaleFormat) {
  EXPECT_EQ(para(0).text(), "0,00");
  EXPECT_EQ(para(-1).text(), "-0,01");
  EXPECT_EQ(para(123456).text(), "1234,56");
  EXPECT_EQ(qty(1000).text(), "1,000");
  EXPECT_EQ(qty(-375).text(), "-0,375");
  // The same texts LocaleText gives for the doubles.
  for (qint64 p = -100000; p <= 100000; p += 7)
    ASSERT_EQ(para(p).text(), LocaleText::money(p / 100.0)) << p;
}

TEST(FixedFromDouble, TakesTheDecimalTextAsMyRoundDoes) {
  EXPECT_EQ(Money::fromDouble(2.675), para(268));
  EXPECT_EQ(Money::fromDouble(1.005), para(101));
  EXPECT_EQ(Money::fromDouble(-12.345), para(-1235));
  EXPECT_EQ(Money::fromDouble(0.1 + 0.2), para(30));
  EXPECT_EQ(Quantity::fromDouble(1.23449), qty(1234));
  EXPECT_EQ(Money::fromDouble(std::nan("")), std::nullopt);
  EXPECT_EQ(Money::fromDouble(1e20), std::nullopt);
  EXPECT_EQ(Money(std::numeric_limits<double>::infinity()), Money());
}

// What is bound for a column is the double MyRound gave before, so stored values do not change.
TEST(FixedDatabase, BindsTheSameDoubleAndReadsNumbersAndDecimalText) {
  for (qint64 p = -100000; p <= 100000; p += 3)
    ASSERT_EQ(para(p).toDatabase().toDouble(), MyRound(4, p / 100.0)) << p;
  EXPECT_EQ(Money::fromDatabase(QVariant()), Money());
  EXPECT_EQ(Money::fromDatabase(QVariant(QStringLiteral("12.3400"))), para(1234));
  EXPECT_EQ(Money::fromDatabase(QVariant(1.15)), para(115));
  EXPECT_EQ(Money::fromDatabase(QVariant(3)), para(300));
  EXPECT_EQ(Quantity::fromDatabase(QVariant(QStringLiteral("-0.3750"))), qty(-375));
}

TEST(FixedSums, ManyLinesAddUpExactlyWhereDoublesDrift) {
  Money total;
  double drifting = 0;
  for (int i = 0; i < 10000; ++i) {
    total += Money(0.01);
    drifting += 0.01;
  }
  EXPECT_EQ(total, para(10000));
  EXPECT_NE(drifting, 100.0); // what the old sums did
  Quantity kg;
  for (int i = 0; i < 3; ++i)
    kg += Quantity(0.1);
  EXPECT_EQ(kg, qty(300));
  EXPECT_NE(0.1 + 0.1 + 0.1, 0.3);
  EXPECT_EQ(para(345) - para(115) - para(115) - para(115), Money());
}

TEST(FixedOverflow, ProductsOutOfRangeAreRefusedAndSumsSaturate) {
  const Money most = Money::fromUnits(Money::kMaxUnits);
  EXPECT_EQ(roundedAmount(Quantity::fromUnits(Quantity::kMaxUnits), most), std::nullopt);
  EXPECT_EQ(truncatedAmount(qty(2000), most), std::nullopt);
  EXPECT_EQ(roundedAmount(qty(1000), most), most);
  EXPECT_EQ(quantityFor(most, para(1)), std::nullopt);
  const Money top = Money::fromUnits(std::numeric_limits<qint64>::max());
  EXPECT_EQ(top + para(1), top);
  EXPECT_EQ(-top - para(5), Money::fromUnits(std::numeric_limits<qint64>::min()));
}

} // namespace

namespace {

struct SplitCase {
  qint64 gross; // para
  double rate;  // percent
  qint64 base;
  qint64 tax;
};

class GrossSplitAtRate : public ::testing::TestWithParam<SplitCase> {};

TEST_P(GrossSplitAtRate, BaseRoundedOnceAndTaxTheRest) {
  const SplitCase c = GetParam();
  const auto split = splitGross(para(c.gross), c.rate);
  ASSERT_TRUE(split) << c.gross << " at " << c.rate;
  EXPECT_EQ(split->base, para(c.base)) << c.gross << " at " << c.rate;
  EXPECT_EQ(split->tax, para(c.tax)) << c.gross << " at " << c.rate;
  EXPECT_EQ(split->base + split->tax, para(c.gross));
}

INSTANTIATE_TEST_SUITE_P(Rates, GrossSplitAtRate,
                         ::testing::Values(SplitCase{12000, 20, 10000, 2000}, // 120,00 at 20 %
                                           SplitCase{30, 20, 25,
                                                     5}, // 0,30: three lines of 0,10 would give 0,24 + 0,06
                                           SplitCase{1000, 10, 909, 91}, // 9,0909...
                                           SplitCase{1, 100, 1, 0},      // half a para of base goes up
                                           SplitCase{-1, 100, -1, 0},    // and a void's away from zero
                                           SplitCase{-12000, 20, -10000, -2000},
                                           SplitCase{10850, 8.5, 10000, 850}, // a rate with decimals
                                           SplitCase{777, 0, 777, 0}, SplitCase{0, 20, 0, 0},
                                           SplitCase{99999999999999, 20, 83333333333333, 16666666666666}));

TEST(GrossSplitAtRate, PerGroupAddsUpWherePerLineDrifts) {
  // Seven lines of 0,10 at 20 %: each line's base rounds to 0,08, seven make 0,56,
  // and the taxes 0,14; the group's gross 0,70 gives 0,58 + 0,12.
  Money lineBases, lineTaxes, gross;
  for (int i = 0; i < 7; ++i) {
    const auto one = splitGross(para(10), 20);
    ASSERT_TRUE(one);
    lineBases += one->base;
    lineTaxes += one->tax;
    gross += para(10);
  }
  const auto group = splitGross(gross, 20);
  ASSERT_TRUE(group);
  EXPECT_EQ(group->base, para(58));
  EXPECT_EQ(group->tax, para(12));
  EXPECT_NE(lineBases, group->base); // the per-line sum is off by a para or more
  EXPECT_EQ(lineBases + lineTaxes, gross);
}

TEST(GrossSplitAtRate, RefusesARateThatLeavesNoBase) {
  EXPECT_FALSE(splitGross(para(100), -100));
  EXPECT_FALSE(splitGross(para(100), std::nan("")));
  EXPECT_TRUE(splitGross(para(100), -50));
}

} // namespace
