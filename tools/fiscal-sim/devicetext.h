#pragma once

#include <QByteArray>
#include <QString>

// Name bytes as the devices keep them. The program's single-byte text is ASCII
// with the Serbian Latin letters in the ten 7-bit national positions and code
// page 1251 above 0x7F; family-1 devices shift that once more into a set of
// their own. The simulator stores names in each device's own bytes and turns
// them into Unicode only for the journal and the control channel.
namespace sim::devicetext {

QByteArray toProgramBytes(const QString &text); // unknown characters become '?'
QString fromProgramBytes(const QByteArray &bytes);

QByteArray toFamily1(const QByteArray &programBytes);  // the program's "kodiraj"
QByteArray fromFamily1(const QByteArray &deviceBytes); // the program's "dekodiraj"

} // namespace sim::devicetext
