#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Text at the device boundary. Program text is Unicode; the devices take the legacy
// single-byte charset, and family 1 (and model 3 when reading) its own variant of it.
namespace DeviceText {

// Legacy bytes to family 1's device set, byte for byte (length unchanged).
QByteArray kodiraj(QByteArrayView text);
// Family 1's device set back to legacy bytes, byte for byte; the exact inverse of kodiraj.
QByteArray dekodiraj(QByteArrayView text);

// Whether names travel through kodiraj/dekodiraj: writes to family 1; reads from family 1 and model 3.
bool convertsOnWrite(int model);
bool convertsOnRead(int model);

// A name as the model stores it: legacy charset, then kodiraj for family 1.
QByteArray nameToDevice(const QString &name, int model);
// A name read back: dekodiraj for family 1 and model 3, then the legacy charset to Unicode.
QString nameFromDevice(QByteArrayView bytes, int model);
// Receipt, free and display texts: legacy charset byte for byte, cut to width and zero-filled.
QByteArray fixedLegacyText(const QString &text, int width);

} // namespace DeviceText
