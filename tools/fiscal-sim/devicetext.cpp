#include "devicetext.h"

#include <array>

namespace sim::devicetext {

namespace {

// Code page 1251, 0x80 to 0xBF (0x98 is unassigned).
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

struct National {
  char byte;
  char16_t letter;
};
constexpr std::array<National, 10> kNational = {{{'@', u'Ž'},
                                                 {'[', u'Š'},
                                                 {'\\', u'Đ'},
                                                 {']', u'Ć'},
                                                 {'^', u'Č'},
                                                 {'`', u'ž'},
                                                 {'{', u'š'},
                                                 {'|', u'đ'},
                                                 {'}', u'ć'},
                                                 {'~', u'č'}}};

char16_t decodeByte(quint8 b) {
  for (const auto &n : kNational)
    if (quint8(n.byte) == b)
      return n.letter;
  if (b < 0x80)
    return char16_t(b);
  if (b < 0xC0)
    return kHigh[b - 0x80];
  return char16_t(0x0410 + (b - 0xC0));
}

// Program byte -> family-1 device byte; 0 where the byte passes unchanged.
std::array<quint8, 256> buildEncodeTable() {
  std::array<quint8, 256> t{};
  const std::pair<int, int> fixed[] = {
      {0x40, 0x5F}, {0x5B, 0x5E}, {0x5C, 0x5B}, {0x5D, 0x5C}, {0x5E, 0x5D}, {0x60, 0x7F}, {0x7B, 0x7E},
      {0x7C, 0x7B}, {0x7D, 0x7C}, {0x7E, 0x7D}, {0x80, 0x9A}, {0x8A, 0x9F}, {0x8C, 0x9E}, {0x8E, 0x9C},
      {0x8F, 0x99}, {0x90, 0xBA}, {0x9A, 0xBF}, {0x9C, 0xBE}, {0x9E, 0xBC}, {0x9F, 0xB9}, {0xA3, 0x89},
      {0xB9, 0x60}, {0xBC, 0xA9}, {0xDB, 0x9B}, {0xDD, 0x9D}, {0xFB, 0xBB}, {0xFD, 0xBD}};
  for (auto [from, to] : fixed)
    t[from] = quint8(to);
  for (int b = 0xC0; b <= 0xC8; ++b)
    t[b] = quint8(b - 0x40);
  for (int b = 0xCA; b <= 0xD8; ++b)
    t[b] = quint8(b - 0x40);
  for (int b = 0xE0; b <= 0xE8; ++b)
    t[b] = quint8(b - 0x40);
  for (int b = 0xEA; b <= 0xF8; ++b)
    t[b] = quint8(b - 0x40);
  return t;
}

const std::array<quint8, 256> &encodeTable() {
  static const auto t = buildEncodeTable();
  return t;
}

const std::array<int, 256> &decodeTable() {
  static const auto t = [] {
    std::array<int, 256> d;
    d.fill(-1);
    const auto &e = encodeTable();
    for (int b = 0; b < 256; ++b)
      if (e[b] != 0)
        d[e[b]] = b;
    return d;
  }();
  return t;
}

} // namespace

QByteArray toProgramBytes(const QString &text) {
  QByteArray out;
  out.reserve(text.size());
  for (QChar c : text) {
    const char16_t u = c.unicode();
    int found = -1;
    for (const auto &n : kNational)
      if (n.letter == u)
        found = quint8(n.byte);
    if (found < 0 && u < 0x80 && u != '@' && u != '[' && u != '\\' && u != ']' && u != '^' && u != '`' &&
        u != '{' && u != '|' && u != '}' && u != '~')
      found = u;
    if (found < 0 && u >= 0x0410 && u <= 0x044F)
      found = 0xC0 + (u - 0x0410);
    for (int i = 0; found < 0 && i < 64; ++i)
      if (kHigh[i] == u && u != 0xFFFD)
        found = 0x80 + i;
    out += char(found < 0 ? '?' : found);
  }
  return out;
}

QString fromProgramBytes(const QByteArray &bytes) {
  QString s;
  s.reserve(bytes.size());
  for (char b : bytes)
    s += QChar(decodeByte(quint8(b)));
  return s;
}

QByteArray toFamily1(const QByteArray &programBytes) {
  QByteArray out = programBytes;
  const auto &t = encodeTable();
  for (auto &b : out)
    if (t[quint8(b)] != 0)
      b = char(t[quint8(b)]);
  return out;
}

QByteArray fromFamily1(const QByteArray &deviceBytes) {
  QByteArray out = deviceBytes;
  const auto &t = decodeTable();
  for (auto &b : out)
    if (t[quint8(b)] >= 0)
      b = char(t[quint8(b)]);
  return out;
}

} // namespace sim::devicetext
