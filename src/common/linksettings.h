#pragma once

#include <QString>

// The device link's working copies of four configuration fields, refreshed at
// start-up and by every accepted configuration change; the device code reads
// these, never the configuration record itself.
struct LinkSettings {
  int Model = 1;                           // 1..5; 3 is set only when a Menko variant is detected
  QString IBFM = QStringLiteral("000000"); // register number, decimal digits
  QString Port = QStringLiteral("1");      // serial port number as text, "1" = COM1
  int Duzina = 36;                         // article name length in the device's memory
};
