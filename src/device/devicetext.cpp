#include "device/devicetext.h"

#include "common/legacycharset.h"
#include "device/deviceprofile.h"
#include "device/framecodec.h"

#include <array>
#include <utility>

namespace DeviceText {
namespace {

using Table = std::array<quint8, 256>;

// Program byte -> device byte. The device's Cyrillic is code page 1251 moved down by
// 0x40, with the six Serbian letters in the places of the Russian ones Serbian lacks.
constexpr std::pair<quint8, quint8> kSingles[] = {
    {0x40, 0x5F}, {0x5B, 0x5E}, {0x5C, 0x5B}, {0x5D, 0x5C}, {0x5E, 0x5D}, {0x60, 0x7F}, {0x7B, 0x7E},
    {0x7C, 0x7B}, {0x7D, 0x7C}, {0x7E, 0x7D}, {0x80, 0x9A}, {0x8A, 0x9F}, {0x8C, 0x9E}, {0x8E, 0x9C},
    {0x8F, 0x99}, {0x90, 0xBA}, {0x9A, 0xBF}, {0x9C, 0xBE}, {0x9E, 0xBC}, {0x9F, 0xB9}, {0xA3, 0x89},
    {0xB9, 0x60}, {0xBC, 0xA9}, {0xDB, 0x9B}, {0xDD, 0x9D}, {0xFB, 0xBB}, {0xFD, 0xBD},
};
constexpr std::pair<quint8, quint8> kShiftedRanges[] = {
    {0xC0, 0xC8}, {0xCA, 0xD8}, {0xE0, 0xE8}, {0xEA, 0xF8}};

struct Tables {
  Table encode{};
  Table decode{};
  Tables() {
    for (int i = 0; i < 256; ++i)
      encode[i] = decode[i] = static_cast<quint8>(i);
    auto map = [this](quint8 program, quint8 device) {
      encode[program] = device;
      decode[device] = program;
    };
    for (const auto &[program, device] : kSingles)
      map(program, device);
    for (const auto &[first, last] : kShiftedRanges)
      for (int b = first; b <= last; ++b)
        map(static_cast<quint8>(b), static_cast<quint8>(b - 0x40));
  }
};

const Tables &tables() {
  static const Tables t;
  return t;
}

QByteArray translate(QByteArrayView text, const Table &table) {
  QByteArray out(text.size(), '\0');
  for (qsizetype i = 0; i < text.size(); ++i)
    out[i] = static_cast<char>(table[static_cast<quint8>(text[i])]);
  return out;
}

} // namespace

QByteArray kodiraj(QByteArrayView text) {
  return translate(text, tables().encode);
}

QByteArray dekodiraj(QByteArrayView text) {
  return translate(text, tables().decode);
}

bool convertsOnWrite(int model) {
  return DeviceProfile::of(model).namesConvertedOnWrite;
}

bool convertsOnRead(int model) {
  return DeviceProfile::of(model).namesConvertedOnRead;
}

QByteArray nameToDevice(const QString &name, int model) {
  const QByteArray legacy = LegacyCharset::fromUnicode(name);
  return convertsOnWrite(model) ? kodiraj(legacy) : legacy;
}

QString nameFromDevice(QByteArrayView bytes, int model) {
  return LegacyCharset::toUnicode(convertsOnRead(model) ? dekodiraj(bytes) : bytes.toByteArray());
}

QByteArray fixedLegacyText(const QString &text, int width) {
  return FrameCodec::fixedText(LegacyCharset::fromUnicode(text), width);
}

} // namespace DeviceText
