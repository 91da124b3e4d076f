#pragma once

#include <QByteArray>
#include <QString>

// Which stored copy a command is kept in for the reply watchdog to resend.
enum class CopyKind {
  None,                 // not kept, the watchdog is not armed (see armsTimer)
  ReceiptCopy,          // receipt commands
  ServiceCopy,          // reading, programming, report and display commands
  ServiceShortCopy,     // model 2's short frames, sent as text on the serial port
  ServiceAndReceiptCopy // article writes of family 1 and model 3: kept in both
};

// What to send for one device operation. Building it does nothing else: the
// engine stores the copy, arms the watchdog, waits pauseMs and writes the bytes.
struct DeviceCommand {
  QByteArray bytes; // the exact frame; empty = nothing to send for this model
  CopyKind copy = CopyKind::None;
  int pauseMs = 0;           // wait before writing
  bool emptiesRxBuf = false; // empty the receive buffer before writing
  bool armsTimer = false;    // arm the reply watchdog (true whenever copy != None)
  quint8 replyCode = 0; // reply code awaited (family 4 long: any of 0x20/22/23/25, matched by answered code)
  bool shortReply = false; // the awaited reply is a short frame
  // When set, nothing is sent and the engine shows this text under errorTitle.
  QString error;
  QString errorTitle;
  // After showing the error the engine closes model 2's article service.
  bool closesServiceOnError = false;

  bool isEmpty() const { return bytes.isEmpty(); }
  // The zero-filled 251-byte work area the watchdog copy keeps (bytes at its start).
  QByteArray storedCopy() const;
};
