#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Byte-level pieces of the device protocol as the device sees them: the two
// frame shapes, the number packings and a receiver that cuts frames out of a
// byte stream. Written from the protocol tables alone.
namespace sim {

struct Frame {
  enum Kind { Long, Short };
  Kind kind = Long;
  QByteArray bytes; // the whole frame as received
  // Long frames only.
  quint8 family = 0;
  quint8 link = 0;
  QByteArray registerBcd; // 3 bytes
  quint8 sequence = 0;
  // Both shapes.
  quint8 code = 0;
  QByteArray payload;

  quint8 at(int offset) const { return offset < bytes.size() ? quint8(bytes[offset]) : 0; }
};

namespace codec {

inline constexpr int kMaxLongPayload = 239;

quint8 sum8(const QByteArray &bytes, int last);
quint8 xor8(const QByteArray &bytes, int last);

QByteArray longFrame(quint8 family, quint8 link, const QByteArray &registerBcd, quint8 sequence, quint8 code,
                     const QByteArray &payload);
QByteArray shortFrame(quint8 code, const QByteArray &payload);

// Register number text -> 3 packed BCD bytes (left-padded with spaces, low
// nibble of each of the first six characters).
QByteArray registerToBcd(const QString &text);
QString bcdToRegister(const QByteArray &bcd);

quint16 le16(const QByteArray &b, int offset);
quint16 be16(const QByteArray &b, int offset);
quint32 le32(const QByteArray &b, int offset);
void putLe16(QByteArray &b, int offset, quint16 v);
void putBe16(QByteArray &b, int offset, quint16 v);
void putLe32(QByteArray &b, int offset, quint32 v);
void putBe32(QByteArray &b, int offset, quint32 v);

// Split amount: LE32 whole units followed by one byte of hundredths.
qint64 splitAmount(const QByteArray &b, int offset);
void putSplitAmount(QByteArray &b, int offset, qint64 hundredths);

// Barcodes travel as 14 nibbles; 0xA..0xF nibbles are padding.
QString bcdToBarcode(const QByteArray &b, int offset);
QByteArray barcodeRight(const QString &digits); // FF..FF when empty
QByteArray barcodeLeft(const QString &digits);  // FF..FF when empty

// Bytes of a fixed text field up to the first zero, keeping only bytes above 31.
QByteArray fixedText(const QByteArray &b, int offset, int width, bool dropFF = false);

QByteArray fromHex(const QString &spaced);
QString toHex(const QByteArray &bytes);

} // namespace codec

// Cuts frames out of a byte stream. Bytes that cannot start a frame are
// skipped; a frame whose terminator or checksums are wrong is dropped one byte
// at a time so that a good frame behind it is still found.
class FrameReceiver {
public:
  enum class Problem { None, Garbage, BadLength, BadTerminator, BadChecksum };

  void feed(const QByteArray &bytes);
  // Next complete frame, if any. Problems met on the way are counted.
  bool next(Frame &frame);
  bool hasPartial() const { return !m_buffer.isEmpty(); }
  void clear() { m_buffer.clear(); }
  int droppedBytes() const { return m_dropped; }
  Problem lastProblem() const { return m_lastProblem; }

  // Longest frame either shape can have; a buffer never grows past this while
  // waiting for one frame.
  static constexpr int kMaxFrame = codec::kMaxLongPayload + 12;

private:
  void drop(int count, Problem why);

  QByteArray m_buffer;
  int m_dropped = 0;
  Problem m_lastProblem = Problem::None;
};

} // namespace sim
