#include "device/framecodec.h"

#include "common/rounding.h"

#include <algorithm>
#include <cmath>

namespace FrameCodec {
namespace {

qint64 roundHalfEven(double v) {
  // Beyond qint64 the conversion is undefined; no field takes such a value anyway.
  if (!std::isfinite(v) || std::fabs(v) >= 9.0e18)
    return 0;
  // The default floating-point mode rounds ties to even.
  return static_cast<qint64>(std::nearbyint(v));
}

} // namespace

quint8 CRC1(int lastIndex, QByteArrayView frame) {
  quint8 sum = 0;
  const int end = std::min<qsizetype>(lastIndex, frame.size() - 1);
  for (int i = 0; i <= end; ++i)
    sum = static_cast<quint8>(sum + static_cast<quint8>(frame[i]));
  return sum;
}

quint8 CRC2(int lastIndex, QByteArrayView frame) {
  quint8 x = 0;
  const int end = std::min<qsizetype>(lastIndex, frame.size() - 1);
  for (int i = 0; i <= end; ++i)
    x ^= static_cast<quint8>(frame[i]);
  return x;
}

QByteArray FabrickiBrojToBCD(const QString &ibfm) {
  const QString six = ibfm.rightJustified(6, QLatin1Char(' '), false).left(6);
  QByteArray out(3, '\0');
  for (int i = 0; i < 3; ++i) {
    const int hi = six.at(2 * i).unicode() & 0x0F;
    const int lo = six.at(2 * i + 1).unicode() & 0x0F;
    out[i] = static_cast<char>((hi << 4) | lo);
  }
  return out;
}

QByteArray LE16(quint32 value) {
  QByteArray out(2, '\0');
  out[0] = static_cast<char>(value & 0xFF);
  out[1] = static_cast<char>((value >> 8) & 0xFF);
  return out;
}

QByteArray BE16(quint32 value) {
  QByteArray out(2, '\0');
  out[0] = static_cast<char>((value >> 8) & 0xFF);
  out[1] = static_cast<char>(value & 0xFF);
  return out;
}

QByteArray LE32(qint64 value) {
  const auto v = static_cast<quint32>(value);
  QByteArray out(4, '\0');
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

QByteArray quantity(double q) {
  return LE32(roundHalfEven(std::fabs(q) * 1000.0));
}

QByteArray price(double p) {
  return LE32(roundHalfEven(p * 100.0));
}

qint64 paraOf(double amount) {
  if (!std::isfinite(amount))
    return 0;
  // Through the decimal text, so 123.45 is 12345 para and not 12344.99...
  return roundHalfEven(decimalText15(amount).toDouble() * 100.0);
}

QByteArray quantity(Quantity q) {
  return LE32(q.abs().units());
}

QByteArray price(Money p) {
  return LE32(p.units());
}

QByteArray Suma(double amount) {
  return Suma(Money::fromUnits(paraOf(amount)));
}

QByteArray Suma(Money amount) {
  const qint64 v = amount.units();
  QByteArray out = LE32(v / 100);
  out.append(static_cast<char>(static_cast<quint8>(v % 100)));
  return out;
}

void Suma(double amount, int p, QByteArray &frame) {
  if (p < -1)
    return;
  if (frame.size() < p + 6)
    frame.resize(p + 6, '\0');
  const QByteArray bytes = Suma(amount);
  for (int i = 0; i < 5; ++i)
    frame[p + 1 + i] = bytes[i];
}

namespace {
QByteArray packNibbles(const quint8 (&nibbles)[14]) {
  QByteArray out(7, '\0');
  for (int i = 0; i < 7; ++i)
    out[i] = static_cast<char>((nibbles[2 * i] << 4) | nibbles[2 * i + 1]);
  return out;
}
} // namespace

QByteArray BarkodToBCD(const QString &barcode) {
  const QString text = barcode.rightJustified(14, QLatin1Char(' '), true);
  quint8 nibbles[14];
  for (int i = 0; i < 14; ++i) {
    const QChar c = text.at(i);
    nibbles[i] = c == QLatin1Char(' ') ? 0x0F : static_cast<quint8>(c.unicode() & 0x0F);
  }
  return packNibbles(nibbles);
}

QByteArray BarkodToBCDLeft(const QString &barcode) {
  quint8 nibbles[14];
  for (auto &n : nibbles)
    n = 0x0F;
  const int count = std::min<qsizetype>(14, barcode.size());
  for (int i = 0; i < count; ++i)
    nibbles[i] = static_cast<quint8>(barcode.at(i).unicode() & 0x0F);
  return packNibbles(nibbles);
}

bool isNoBarcode(const QString &barcode) {
  return barcode.trimmed() == QLatin1String("0000000000000");
}

QByteArray barcodeRight(const QString &barcode) {
  return isNoBarcode(barcode) ? QByteArray(7, '\xFF') : BarkodToBCD(barcode);
}

QByteArray barcodeLeft(const QString &barcode) {
  return isNoBarcode(barcode) ? QByteArray(7, '\xFF') : BarkodToBCDLeft(barcode);
}

QString BCDToBarkod(QByteArrayView sevenBytes) {
  QString digits;
  const int count = std::min<qsizetype>(7, sevenBytes.size());
  for (int i = 0; i < count; ++i) {
    const auto b = static_cast<quint8>(sevenBytes[i]);
    for (const int n : {b >> 4, b & 0x0F})
      if (n <= 9)
        digits.append(QChar(u'0' + n));
  }
  if (digits.size() > 13)
    digits.remove(0, 1);
  return digits;
}

QByteArray fixedText(QByteArrayView text, int width) {
  width = std::max(0, width);
  QByteArray out = text.first(std::min<qsizetype>(width, text.size())).toByteArray();
  out.resize(width, '\0');
  return out;
}

int StoredFrameLength(QByteArrayView copy) {
  for (int i = std::min<qsizetype>(WorkAreaSize, copy.size()) - 1; i >= 0; --i)
    if (copy[i] != '\0')
      return i + 1;
  return 0;
}

QByteArray workArea(QByteArrayView frame) {
  QByteArray out = frame.first(std::min<qsizetype>(WorkAreaSize, frame.size())).toByteArray();
  out.resize(WorkAreaSize, '\0');
  return out;
}

QByteArray longFrame(quint8 family, quint8 link, const QString &ibfm, quint8 sequence, quint8 code,
                     QByteArrayView payload) {
  const QByteArrayView body = payload.first(std::min<qsizetype>(MaxLongPayload, payload.size()));
  QByteArray f;
  f.reserve(body.size() + LongOverhead);
  f.append(static_cast<char>(LongStart));
  f.append(static_cast<char>(family));
  f.append(static_cast<char>(link));
  f.append(FabrickiBrojToBCD(ibfm));
  f.append(static_cast<char>(sequence));
  f.append(static_cast<char>(code));
  f.append(static_cast<char>(body.size()));
  f.append(body);
  const int last = 8 + static_cast<int>(body.size());
  const quint8 c1 = CRC1(last, f);
  const quint8 c2 = CRC2(last, f);
  f.append(static_cast<char>(c1));
  f.append(static_cast<char>(c2));
  f.append(static_cast<char>(Terminator));
  return f;
}

QByteArray shortFrame(quint8 code, QByteArrayView payload) {
  const QByteArrayView body = payload.first(std::min<qsizetype>(255, payload.size()));
  QByteArray f;
  f.append(static_cast<char>(ShortStart));
  f.append(static_cast<char>(code));
  f.append(static_cast<char>(body.size()));
  f.append(body);
  f.append(static_cast<char>(Terminator));
  return f;
}

quint8 byteAt(QByteArrayView frame, int offset) {
  return offset >= 0 && offset < frame.size() ? static_cast<quint8>(frame[offset]) : 0;
}

int sequenceByte(QByteArrayView frame) {
  return frame.size() > 7 && byteAt(frame, 0) == LongStart ? byteAt(frame, 6) : -1;
}

quint32 readLE16(QByteArrayView frame, int offset) {
  return byteAt(frame, offset) | (quint32(byteAt(frame, offset + 1)) << 8);
}

quint32 readBE16(QByteArrayView frame, int offset) {
  return (quint32(byteAt(frame, offset)) << 8) | byteAt(frame, offset + 1);
}

qint32 readLE32(QByteArrayView frame, int offset) {
  quint32 v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | byteAt(frame, offset + i);
  return static_cast<qint32>(v);
}

quint32 readBE32(QByteArrayView frame, int offset) {
  quint32 v = 0;
  for (int i = 0; i < 4; ++i)
    v = (v << 8) | byteAt(frame, offset + i);
  return v;
}

} // namespace FrameCodec
