#include "device/devicetext.h"

#include <gtest/gtest.h>

#include <set>

using namespace DeviceText;

namespace {
QByteArray hex(const char *text) {
  return QByteArray::fromHex(QByteArray(text));
}
QByteArray one(int b) {
  return QByteArray(1, static_cast<char>(b));
}
// The conversion table, program byte -> device byte, row by row.
std::vector<std::pair<int, int>> table() {
  std::vector<std::pair<int, int>> rows = {
      {0x40, 0x5F}, {0x5B, 0x5E}, {0x5C, 0x5B}, {0x5D, 0x5C}, {0x5E, 0x5D}, {0x60, 0x7F}, {0x7B, 0x7E},
      {0x7C, 0x7B}, {0x7D, 0x7C}, {0x7E, 0x7D}, {0x80, 0x9A}, {0x8A, 0x9F}, {0x8C, 0x9E}, {0x8E, 0x9C},
      {0x8F, 0x99}, {0x90, 0xBA}, {0x9A, 0xBF}, {0x9C, 0xBE}, {0x9E, 0xBC}, {0x9F, 0xB9}, {0xA3, 0x89},
      {0xB9, 0x60}, {0xBC, 0xA9}, {0xDB, 0x9B}, {0xDD, 0x9D}, {0xFB, 0xBB}, {0xFD, 0xBD}};
  for (const auto &[first, last] : {std::pair{0xC0, 0xC8}, {0xCA, 0xD8}, {0xE0, 0xE8}, {0xEA, 0xF8}})
    for (int b = first; b <= last; ++b)
      rows.emplace_back(b, b - 0x40);
  return rows;
}
} // namespace

TEST(DeviceText, DocumentedExamples) {
  const struct {
    const char *what;
    QByteArray got;
    QByteArray expected;
  } cases[] = {
      {"kodiraj ŠAH", kodiraj(hex("5B 41 48")), hex("5E 41 48")},
      {"dekodiraj ŠAH", dekodiraj(hex("5E 41 48")), hex("5B 41 48")},
      {"device 5B is one byte 5C", dekodiraj(hex("5B")), hex("5C")},
      {"Љиљана", kodiraj(hex("8A E8 9A E0 ED E0")), hex("9F A8 BF A0 AD A0")},
      {"Й is written as is", kodiraj(hex("C9")), hex("C9")},
      {"Й is read as is", dekodiraj(hex("C9")), hex("C9")},
      {"empty stays empty", kodiraj({}), QByteArray()},
      {"empty stays empty back", dekodiraj({}), QByteArray()},
      {"Unicode name to family 1", nameToDevice(QStringLiteral("Љиљана"), 1), hex("9F A8 BF A0 AD A0")},
      {"Unicode name to model 5", nameToDevice(QStringLiteral("Šljiva"), 5), hex("5E 6C 6A 69 76 61")},
      {"model 4 names byte for byte", nameToDevice(QStringLiteral("Љиљана"), 4), hex("8A E8 9A E0 ED E0")},
      {"model 3 names written as is", nameToDevice(QStringLiteral("Šljiva"), 3), hex("5B 6C 6A 69 76 61")},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.got.toHex(' '), c.expected.toHex(' ')) << c.what;

  EXPECT_EQ(nameFromDevice(hex("9F A8 BF A0 AD A0"), 1), QStringLiteral("Љиљана"));
  EXPECT_EQ(nameFromDevice(hex("5E 41 48"), 3), QStringLiteral("ŠAH"));
  EXPECT_EQ(nameFromDevice(hex("5E 41 48"), 2), QStringLiteral("ČAH")); // model 2 reads byte for byte
  EXPECT_EQ(nameFromDevice(hex("5B 41 48"), 4), QStringLiteral("ŠAH"));
}

TEST(DeviceText, EveryTableRowBothWays) {
  for (const auto &[program, device] : table()) {
    EXPECT_EQ(kodiraj(one(program)), one(device)) << std::hex << program;
    EXPECT_EQ(dekodiraj(one(device)), one(program)) << std::hex << device;
  }
  // The device's block 0x80-0xBF is covered entirely.
  for (int b = 0x80; b <= 0xBF; ++b)
    EXPECT_EQ(kodiraj(dekodiraj(one(b))), one(b)) << std::hex << b;
}

TEST(DeviceText, BytesOutsideTheTablePassUnchanged) {
  std::set<int> inTable;
  for (const auto &[program, device] : table()) {
    inTable.insert(program);
    inTable.insert(device);
  }
  QByteArray plain;
  for (int b = 0; b < 256; ++b)
    if (!inTable.count(b))
      plain.append(static_cast<char>(b));
  // Digits, Latin letters, space and the other punctuation among them.
  EXPECT_TRUE(plain.contains("0123456789"));
  EXPECT_TRUE(plain.contains("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
  EXPECT_TRUE(plain.contains("abcdefghijklmnopqrstuvwxyz"));
  EXPECT_EQ(kodiraj(plain), plain);
  EXPECT_EQ(dekodiraj(plain), plain);
  // Й Щ Ъ Ь Ю Я, their small letters, Ё and ё are not converted.
  const QByteArray russian = hex("C9 D9 DA DC DE DF E9 F9 FA FC FE FF A8 B8");
  EXPECT_EQ(kodiraj(russian), russian);
  // Lengths never change.
  QByteArray all;
  for (int b = 0; b < 256; ++b)
    all.append(static_cast<char>(b));
  EXPECT_EQ(kodiraj(all).size(), 256);
  EXPECT_EQ(dekodiraj(all).size(), 256);
}

TEST(DeviceText, FixedTextsAreCutAndZeroFilled) {
  EXPECT_EQ(fixedLegacyText(QStringLiteral("ABC"), 5), QByteArray("ABC\0\0", 5));
  EXPECT_EQ(fixedLegacyText(QStringLiteral("ABCDEFG"), 5), QByteArray("ABCDE"));
  EXPECT_EQ(fixedLegacyText(QStringLiteral("čaj"), 4), QByteArray("~aj\0", 4));
  EXPECT_EQ(fixedLegacyText(QString(), 2), QByteArray(2, '\0'));
}
