#pragma once

#include "device/link.h"

#include <QSerialPort>
#include <QString>

// A serial port on the event loop: 8 data bits, no parity, 1 stop bit, no
// flow control, DTR and RTS held inactive where the port allows it.
class SerialPortLink : public Link {
  Q_OBJECT
public:
  static constexpr int DeviceBaudRate = 57600;
  static constexpr int PeripheralBaudRate = 9600; // barcode reader, card terminal

  explicit SerialPortLink(QObject *parent = nullptr);
  ~SerialPortLink() override;

  // "COM" + the configured number; 0, blank or anything not a positive
  // number keeps "COM1".
  static QString comName(const QString &portNumber);
  static QString comName(int portNumber);
  // Where "COMn" lives: an entry COMn in workingDir (typically a link to a
  // tty or pty) wins, otherwise /dev/ttyS{n-1}. Other names pass unchanged.
  static QString resolve(const QString &name, const QString &workingDir);

  // name as "COMn" or a device path; resolved against workingDir at open().
  void setPortName(const QString &name, const QString &workingDir = QString());
  QString portName() const { return m_name; }
  // The path open() uses (or used).
  QString systemPath() const;
  void setBaudRate(int baud) { m_baud = baud; }
  int baudRate() const { return m_baud; }

  void open(OpenDone done = {}) override;
  // A serial port opens at once: the outcome, without a callback.
  bool openNow();
  // Peripheral ports (barcode reader, card terminal): 0 means not used and
  // closes the port; otherwise opens COMn at once. True unless opening failed.
  bool openPeripheral(int portNumber, const QString &workingDir);
  void close() override;
  bool isOpen() const override;
  qint64 bytesWaiting() const override;
  bool write(const QByteArray &bytes) override;

private:
  void onReadyRead();
  void onError(QSerialPort::SerialPortError error);

  QSerialPort m_port;
  QString m_name = QStringLiteral("COM1");
  QString m_workingDir;
  int m_baud = DeviceBaudRate;
  bool m_settingLines = false;
};
