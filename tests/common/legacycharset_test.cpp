#include "common/legacycharset.h"

#include <gtest/gtest.h>

TEST(LegacyCharset, SerbianLatinLettersUseNationalPositions) {
  EXPECT_EQ(LegacyCharset::fromUnicode(QStringLiteral("ŽŠĐĆČžšđćč")), QByteArray("@[\\]^`{|}~"));
  EXPECT_EQ(LegacyCharset::toUnicode("@[\\]^`{|}~"), QStringLiteral("ŽŠĐĆČžšđćč"));
  EXPECT_EQ(LegacyCharset::fromUnicode(QStringLiteral("ŠAH")), QByteArray("[AH"));
}

TEST(LegacyCharset, CyrillicIsCodePage1251) {
  EXPECT_EQ(LegacyCharset::fromUnicode(QStringLiteral("Љиљана")), QByteArray("\x8A\xE8\x9A\xE0\xED\xE0"));
  EXPECT_EQ(LegacyCharset::toUnicode(QByteArray("\x8A\xE8\x9A\xE0\xED\xE0")), QStringLiteral("Љиљана"));
  EXPECT_EQ(LegacyCharset::fromUnicode(QStringLiteral("Ђђ№€")), QByteArray("\x80\x90\xB9\x88"));
}

TEST(LegacyCharset, WhatItCannotHoldBecomesQuestionMark) {
  // The ASCII marks whose positions carry letters, Latin-1 letters and emoji.
  EXPECT_EQ(LegacyCharset::fromUnicode(QStringLiteral("a@b{ä😀")), QByteArray("a?b???"));
  EXPECT_EQ(LegacyCharset::toUnicode(QByteArray("\x98")), QStringLiteral("?"));
}

TEST(LegacyCharset, EveryByteExceptUnassignedRoundTrips) {
  for (int b = 1; b < 256; ++b) {
    if (b == 0x98)
      continue;
    const QByteArray one(1, char(b));
    EXPECT_EQ(LegacyCharset::fromUnicode(LegacyCharset::toUnicode(one)), one) << b;
  }
}
