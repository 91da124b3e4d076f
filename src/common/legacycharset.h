#pragma once

#include <QByteArray>
#include <QString>

// The single-byte text of the old data files and of the fiscal devices:
// ASCII with the Serbian Latin letters in the ten 7-bit national positions
// (@ Ž, [ Š, \ Đ, ] Ć, ^ Č, ` ž, { š, | đ, } ć, ~ č) and code page 1251 above
// 0x7F. Characters it cannot hold become '?'.
namespace LegacyCharset {

QByteArray fromUnicode(const QString &text);
QString toUnicode(const QByteArray &bytes);

// One character each way; '?' for a character with no byte.
char toByte(QChar c);
QChar toChar(unsigned char b);

} // namespace LegacyCharset
