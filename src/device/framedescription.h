#pragma once

#include <QByteArrayView>
#include <QString>

// Frames put into words for the device log that support reads: which command a
// frame of the program carries, what a reply of the device says, and the bytes
// in hex with the fields that must not leave the shop masked.
namespace FrameDescription {

// The operation's name ("Prijava", "ProdajaArt", "Placanje", ...) of a frame the
// program sends to a device of the model; "komanda 0xNN" for one it does not know.
QString commandName(int model, QByteArrayView frame);

// What a reply of a device of the model says: accepted, refused with the reason
// the program shows, the receipt closed with its fiscal number, a notice, ...
QString replyMeaning(int model, QByteArrayView frame);

// The bytes as upper-case hex pairs separated by spaces. An operator's numeric
// code in a family-1 operator reply is shown as "**" pairs.
QString hex(int model, QByteArrayView frame);

} // namespace FrameDescription
