#include "common/rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

struct RoundCase {
  int digits;
  double value;
  double expected;
};

class MyRoundTest : public ::testing::TestWithParam<RoundCase> {};

TEST_P(MyRoundTest, RoundsHalfAwayFromZeroOnDecimalText) {
  const RoundCase c = GetParam();
  EXPECT_DOUBLE_EQ(MyRound(c.digits, c.value), c.expected) << c.digits << " " << c.value;
}

INSTANTIATE_TEST_SUITE_P(Examples, MyRoundTest,
                         ::testing::Values(RoundCase{2, 2.675, 2.68}, // binary form just below the half
                                           RoundCase{2, 1.005, 1.01}, // same
                                           RoundCase{2, 2.5, 2.5},    // fewer decimals than asked
                                           RoundCase{3, 1.23449, 1.234}, RoundCase{2, -12.345, -12.35},
                                           RoundCase{2, -0.005, -0.01}, RoundCase{2, 7, 7},
                                           RoundCase{-2, 2.675, 2.68}, // sign of digits ignored
                                           RoundCase{0, 2.5, 3}, RoundCase{0, -2.5, -3},
                                           RoundCase{2, 9.995, 10.0}, // carry into the integer part
                                           RoundCase{2, 99999.995, 100000.0},
                                           RoundCase{2, 1234567890.125, 1234567890.13},
                                           RoundCase{3, 0.0005, 0.001},
                                           RoundCase{2, 0.00001, 0.0}, // tiny values are not left unchanged
                                           RoundCase{2, 0.1 + 0.2, 0.3}, RoundCase{3, 12.3456789, 12.346}));

TEST(MyTrunc, CutsTowardsZero) {
  EXPECT_DOUBLE_EQ(MyTrunc(2, 2.679), 2.67);
  EXPECT_DOUBLE_EQ(MyTrunc(2, -2.679), -2.67);
  EXPECT_DOUBLE_EQ(MyTrunc(2, 1.1 * 3), 3.3); // 3.3000000000000003 must not become 3.29
  EXPECT_DOUBLE_EQ(MyTrunc(2, 5), 5);
}

TEST(DecimalText15, HasNoExponentAndFifteenDigits) {
  EXPECT_EQ(decimalText15(2.675), "2.675");
  EXPECT_EQ(decimalText15(-0.0001), "-0.0001");
  EXPECT_EQ(decimalText15(1e20), "100000000000000000000");
  EXPECT_EQ(decimalText15(0.1 + 0.2), "0.3");
  EXPECT_EQ(decimalText15(7), "7");
}

TEST(WholePartWidth, CountsSignAndDigitsAndRefusesWhatNoIntegerHolds) {
  EXPECT_EQ(wholePartWidth(9999999.99), 7);
  EXPECT_EQ(wholePartWidth(-12.5), 3);
  EXPECT_EQ(wholePartWidth(0.4), 1);
  const int wider = std::numeric_limits<int>::max();
  EXPECT_EQ(wholePartWidth(2e76), wider);
  EXPECT_EQ(wholePartWidth(-9.3e18), wider);
  EXPECT_EQ(wholePartWidth(std::numeric_limits<double>::infinity()), wider);
  EXPECT_EQ(wholePartWidth(std::nan("")), wider);
}
