#include "framecodec.h"

#include <QList>

namespace sim::codec {

quint8 sum8(const QByteArray &bytes, int last) {
  quint32 s = 0;
  for (int i = 0; i <= last && i < bytes.size(); ++i)
    s += quint8(bytes[i]);
  return quint8(s & 0xFF);
}

quint8 xor8(const QByteArray &bytes, int last) {
  quint8 x = 0;
  for (int i = 0; i <= last && i < bytes.size(); ++i)
    x ^= quint8(bytes[i]);
  return x;
}

QByteArray longFrame(quint8 family, quint8 link, const QByteArray &registerBcd, quint8 sequence, quint8 code,
                     const QByteArray &payload) {
  const int n = int(qMin<qsizetype>(payload.size(), kMaxLongPayload));
  QByteArray f(n + 12, '\0');
  f[0] = char(0xAA);
  f[1] = char(family);
  f[2] = char(link);
  for (int i = 0; i < 3; ++i)
    f[3 + i] = i < registerBcd.size() ? registerBcd[i] : '\0';
  f[6] = char(sequence);
  f[7] = char(code);
  f[8] = char(n);
  for (int i = 0; i < n; ++i)
    f[9 + i] = payload[i];
  f[9 + n] = char(sum8(f, 8 + n));
  f[10 + n] = char(xor8(f, 8 + n));
  f[11 + n] = 0x0D;
  return f;
}

QByteArray shortFrame(quint8 code, const QByteArray &payload) {
  const int n = int(qMin<qsizetype>(payload.size(), 255));
  QByteArray f(n + 4, '\0');
  f[0] = 0x5F;
  f[1] = char(code);
  f[2] = char(n);
  for (int i = 0; i < n; ++i)
    f[3 + i] = payload[i];
  f[3 + n] = 0x0D;
  return f;
}

QByteArray registerToBcd(const QString &text) {
  QString t = text.left(6);
  t = t.rightJustified(6, QLatin1Char(' '));
  QByteArray out(3, '\0');
  for (int i = 0; i < 3; ++i) {
    const int hi = t[2 * i].unicode() & 0x0F;
    const int lo = t[2 * i + 1].unicode() & 0x0F;
    out[i] = char((hi << 4) | lo);
  }
  return out;
}

QString bcdToRegister(const QByteArray &bcd) {
  QString s;
  for (int i = 0; i < 3 && i < bcd.size(); ++i) {
    s += QString::number((quint8(bcd[i]) >> 4) & 0x0F, 16);
    s += QString::number(quint8(bcd[i]) & 0x0F, 16);
  }
  return s.toUpper();
}

static quint8 byteAt(const QByteArray &b, int i) {
  return i >= 0 && i < b.size() ? quint8(b[i]) : 0;
}

quint16 le16(const QByteArray &b, int o) {
  return quint16(byteAt(b, o) | (byteAt(b, o + 1) << 8));
}
quint16 be16(const QByteArray &b, int o) {
  return quint16((byteAt(b, o) << 8) | byteAt(b, o + 1));
}
quint32 le32(const QByteArray &b, int o) {
  return quint32(byteAt(b, o)) | (quint32(byteAt(b, o + 1)) << 8) | (quint32(byteAt(b, o + 2)) << 16) |
         (quint32(byteAt(b, o + 3)) << 24);
}

static void put(QByteArray &b, int o, quint8 v) {
  if (o >= 0 && o < b.size())
    b[o] = char(v);
}

void putLe16(QByteArray &b, int o, quint16 v) {
  put(b, o, v & 0xFF);
  put(b, o + 1, v >> 8);
}
void putBe16(QByteArray &b, int o, quint16 v) {
  put(b, o, v >> 8);
  put(b, o + 1, v & 0xFF);
}
void putLe32(QByteArray &b, int o, quint32 v) {
  for (int i = 0; i < 4; ++i)
    put(b, o + i, (v >> (8 * i)) & 0xFF);
}
void putBe32(QByteArray &b, int o, quint32 v) {
  for (int i = 0; i < 4; ++i)
    put(b, o + i, (v >> (8 * (3 - i))) & 0xFF);
}

qint64 splitAmount(const QByteArray &b, int o) {
  return qint64(le32(b, o)) * 100 + byteAt(b, o + 4);
}

void putSplitAmount(QByteArray &b, int o, qint64 hundredths) {
  if (hundredths < 0)
    hundredths = 0;
  putLe32(b, o, quint32(hundredths / 100));
  put(b, o + 4, quint8(hundredths % 100));
}

QString bcdToBarcode(const QByteArray &b, int o) {
  QString s;
  for (int i = 0; i < 7; ++i) {
    const quint8 v = byteAt(b, o + i);
    for (int nib : {v >> 4, v & 0x0F})
      if (nib <= 9)
        s += QChar(u'0' + nib);
  }
  if (s.size() > 13)
    s.remove(0, 1);
  return s;
}

static QByteArray packNibbles(const QList<int> &nibbles) {
  QByteArray out(7, '\0');
  for (int i = 0; i < 7; ++i)
    out[i] = char((nibbles[2 * i] << 4) | nibbles[2 * i + 1]);
  return out;
}

QByteArray barcodeRight(const QString &digits) {
  QList<int> n(14, 0xF);
  const QString d = digits.right(14);
  const int start = 14 - int(d.size());
  for (int i = 0; i < d.size(); ++i)
    n[start + i] = d[i] == QLatin1Char(' ') ? 0xF : (d[i].unicode() & 0x0F);
  return packNibbles(n);
}

QByteArray barcodeLeft(const QString &digits) {
  QList<int> n(14, 0xF);
  const QString d = digits.left(14);
  for (int i = 0; i < d.size(); ++i)
    n[i] = d[i].unicode() & 0x0F;
  return packNibbles(n);
}

QByteArray fixedText(const QByteArray &b, int o, int width, bool dropFF) {
  QByteArray out;
  for (int i = 0; i < width; ++i) {
    const quint8 v = byteAt(b, o + i);
    if (v == 0)
      break;
    if (v > 31 && !(dropFF && v == 0xFF))
      out += char(v);
  }
  return out;
}

QByteArray fromHex(const QString &spaced) {
  QString t = spaced;
  t.remove(QLatin1Char(' '));
  return QByteArray::fromHex(t.toLatin1());
}

QString toHex(const QByteArray &bytes) {
  return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace sim::codec

namespace sim {

void FrameReceiver::feed(const QByteArray &bytes) {
  m_buffer += bytes;
}

void FrameReceiver::drop(int count, Problem why) {
  count = int(qMin<qsizetype>(count, m_buffer.size()));
  m_buffer.remove(0, count);
  m_dropped += count;
  m_lastProblem = why;
}

bool FrameReceiver::next(Frame &frame) {
  for (;;) {
    // Skip what cannot start a frame.
    int start = 0;
    while (start < m_buffer.size() && quint8(m_buffer[start]) != 0xAA && quint8(m_buffer[start]) != 0x5F)
      ++start;
    if (start > 0)
      drop(start, Problem::Garbage);
    if (m_buffer.isEmpty())
      return false;

    if (quint8(m_buffer[0]) == 0xAA) {
      if (m_buffer.size() < 9)
        return false;
      const int n = quint8(m_buffer[8]);
      if (n > codec::kMaxLongPayload) {
        drop(1, Problem::BadLength);
        continue;
      }
      const int total = n + 12;
      if (m_buffer.size() < total)
        return false;
      const QByteArray f = m_buffer.left(total);
      if (quint8(f[total - 1]) != 0x0D) {
        drop(1, Problem::BadTerminator);
        continue;
      }
      if (quint8(f[9 + n]) != codec::sum8(f, 8 + n) || quint8(f[10 + n]) != codec::xor8(f, 8 + n)) {
        drop(1, Problem::BadChecksum);
        continue;
      }
      m_buffer.remove(0, total);
      frame = Frame{};
      frame.kind = Frame::Long;
      frame.bytes = f;
      frame.family = quint8(f[1]);
      frame.link = quint8(f[2]);
      frame.registerBcd = f.mid(3, 3);
      frame.sequence = quint8(f[6]);
      frame.code = quint8(f[7]);
      frame.payload = f.mid(9, n);
      return true;
    }

    // Short frame.
    if (m_buffer.size() < 3)
      return false;
    const int n = quint8(m_buffer[2]);
    const int total = n + 4;
    if (m_buffer.size() < total)
      return false;
    const QByteArray f = m_buffer.left(total);
    if (quint8(f[total - 1]) != 0x0D) {
      drop(1, Problem::BadTerminator);
      continue;
    }
    m_buffer.remove(0, total);
    frame = Frame{};
    frame.kind = Frame::Short;
    frame.bytes = f;
    frame.code = quint8(f[1]);
    frame.payload = f.mid(3, n);
    return true;
  }
}

} // namespace sim
