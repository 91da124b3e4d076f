#include "device/deviceprofile.h"

#include <gtest/gtest.h>

namespace {

// The per-model facts of the device documentation, one row per model.
TEST(DeviceProfile, EachModelHasItsFamilyRangesAndMemory) {
  const struct {
    int model;
    Family family;
    Dialect dialect;
    int firstOperator, lastOperator;
    int firstArticle, lastArticle, capacity;
    int nameBytes;
    int fileLineWithDuzina36; // number + barcode 13 + name + price 9 + code 13 + group 2
    bool drawer, tcp;
  } cases[] = {
      {1, Family::One, Dialect::A, 0, 24, 0, 3999, 4000, 36, 77, true, false},
      {2, Family::Two, Dialect::B, 0, 15, 1, 3000, 3000, 36, 77, false, false},
      {3, Family::Two, Dialect::B, 0, 15, 1, 3000, 3000, 36, 77, false, false},
      {4, Family::Four, Dialect::C, 1, 64, 1, 60000, 60000, 32, 78, true, true},
      {5, Family::One, Dialect::A, 0, 24, 0, 11999, 12000, 36, 78, true, false},
  };
  for (const auto &c : cases) {
    const DeviceProfile &p = DeviceProfile::of(c.model);
    SCOPED_TRACE(c.model);
    EXPECT_EQ(p.model, c.model);
    EXPECT_EQ(p.family, c.family);
    EXPECT_EQ(p.familyByte, quint8(c.family));
    EXPECT_EQ(p.dialect, c.dialect);
    EXPECT_EQ(p.firstOperator, c.firstOperator);
    EXPECT_EQ(p.lastOperator, c.lastOperator);
    EXPECT_EQ(p.firstArticle, c.firstArticle);
    EXPECT_EQ(p.lastArticle, c.lastArticle);
    EXPECT_EQ(p.articleCapacity, c.capacity);
    EXPECT_EQ(p.nameBytes, c.nameBytes);
    EXPECT_EQ(p.articleFileNumberWidth + 13 + 36 + 9 + 13 + 2, c.fileLineWithDuzina36);
    EXPECT_EQ(p.hasDrawer, c.drawer);
    EXPECT_EQ(p.reachableOverTcp, c.tcp);
    // Only family 1 ends the receipt by itself; family 2's closing books the cash.
    EXPECT_EQ(p.deviceClosesReceipt, c.family == Family::One);
    EXPECT_EQ(p.closingBooksCash, c.family == Family::Two);
  }
}

TEST(DeviceProfile, Model1NeverUsesArticle704) {
  const DeviceProfile &taliro = DeviceProfile::of(1);
  EXPECT_EQ(taliro.articleAfter(703), 705);
  EXPECT_EQ(taliro.articleAfter(704), 705);
  EXPECT_FALSE(taliro.usesArticle(704));
  EXPECT_TRUE(taliro.usesArticle(0));
  EXPECT_FALSE(taliro.usesArticle(4000));
  for (int model : {2, 3, 4, 5}) {
    EXPECT_EQ(DeviceProfile::of(model).articleAfter(703), 704) << model;
    EXPECT_FALSE(DeviceProfile::of(model).usesArticle(0) && model != 5) << model;
  }
}

TEST(DeviceProfile, AnUnknownModelIsTreatedAsModel1) {
  for (int model : {0, 6, -1})
    EXPECT_EQ(&DeviceProfile::of(model), &DeviceProfile::of(1)) << model;
}

} // namespace
