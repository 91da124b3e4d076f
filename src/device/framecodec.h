#pragma once

#include "common/money.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

// Byte-level building blocks of the device frames: the two checksums, the packed
// register number, the little/big-endian integers, quantities, prices, split
// amounts and the two barcode packings. Everything is pure; nothing talks to a port.
namespace FrameCodec {

constexpr quint8 LongStart = 0xAA;
constexpr quint8 ShortStart = 0x5F;
constexpr quint8 Terminator = 0x0D;
// The zero-filled work area a frame is built in and stored from for resending.
constexpr int WorkAreaSize = 251;
// Bytes of a long frame around its payload (start .. length, two checksums, end).
constexpr int LongOverhead = 12;
constexpr int ShortOverhead = 4;
constexpr int MaxLongPayload = 239;

// Sum of frame bytes 0..lastIndex modulo 256 (a lastIndex past the end stops at the end).
quint8 CRC1(int lastIndex, QByteArrayView frame);
// Exclusive OR of frame bytes 0..lastIndex.
quint8 CRC2(int lastIndex, QByteArrayView frame);

// Register number as 3 packed BCD bytes: text left-padded with spaces to 6, first 6 characters, low nibbles.
QByteArray FabrickiBrojToBCD(const QString &ibfm);

// Unsigned 16-bit, low byte first.
QByteArray LE16(quint32 value);
// Unsigned 16-bit, high byte first.
QByteArray BE16(quint32 value);
// 32-bit two's complement, low byte first.
QByteArray LE32(qint64 value);

// Quantity field: |q| * 1000 rounded half to even, LE32 (a void never carries a sign).
QByteArray quantity(double q);
// Price field: p * 100 rounded half to even, LE32.
QByteArray price(double p);
// Whole para of an amount: the amount's decimal text parsed back, * 100, rounded half to even.
qint64 paraOf(double amount);
// Split amount: whole dinars LE32 followed by one byte of para (5 bytes).
QByteArray Suma(double amount);
// Writes Suma(amount) at frame offsets p+1..p+5, growing the frame with zeros when shorter.
void Suma(double amount, int p, QByteArray &frame);

// The same fields from exact values (no rounding left to do).
QByteArray quantity(Quantity q);
QByteArray price(Money p);
QByteArray Suma(Money amount);

// Barcode right-aligned: 14 characters (cut or left-padded with spaces), space -> nibble F, others low
// nibble.
QByteArray BarkodToBCD(const QString &barcode);
// Barcode left-aligned: 14 nibbles preset to F, filled from the left with the low nibbles of the characters.
QByteArray BarkodToBCDLeft(const QString &barcode);
// True when the trimmed barcode is "0000000000000": such a barcode is sent as seven 0xFF bytes.
bool isNoBarcode(const QString &barcode);
// BarkodToBCD, or seven 0xFF for the no-barcode value.
QByteArray barcodeRight(const QString &barcode);
// BarkodToBCDLeft, or seven 0xFF for the no-barcode value.
QByteArray barcodeLeft(const QString &barcode);
// Barcode from 7 packed bytes: digits 0-9 in order, nibbles A-F skipped, a 14th digit drops the first.
QString BCDToBarkod(QByteArrayView sevenBytes);

// Text bytes cut to width and zero-filled to width.
QByteArray fixedText(QByteArrayView text, int width);

// Length of a frame stored in a zero-filled work area: index of its last non-zero byte (from 250 down) + 1.
int StoredFrameLength(QByteArrayView copy);
// The frame placed in a zero-filled work area of WorkAreaSize bytes (as the watchdog copies keep it).
QByteArray workArea(QByteArrayView frame);

// A whole long frame: AA, family, link, register, sequence, code, N, payload, CRC1, CRC2, 0D.
QByteArray longFrame(quint8 family, quint8 link, const QString &ibfm, quint8 sequence, quint8 code,
                     QByteArrayView payload);
// A whole short frame: 5F, code, N, payload, 0D.
QByteArray shortFrame(quint8 code, QByteArrayView payload);

// Reading helpers: a byte outside the frame reads as 0, so a short reply never reads past its end.
quint8 byteAt(QByteArrayView frame, int offset);
// The sequence byte of a long frame (offset 6); -1 for a short frame or a piece too short to hold it.
int sequenceByte(QByteArrayView frame);
quint32 readLE16(QByteArrayView frame, int offset);
quint32 readBE16(QByteArrayView frame, int offset);
qint32 readLE32(QByteArrayView frame, int offset);
quint32 readBE32(QByteArrayView frame, int offset);

} // namespace FrameCodec
