#pragma once

#include "device/serialportlink.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The barcode scanner's port: digits ended by a carriage return or line
// feed. Each complete scan is announced with codeRead(); who takes the code
// (retail entry line, order window, articles window) is the listener's call.
class BarcodeReader : public QObject {
  Q_OBJECT
public:
  static constexpr int ScanBufferSize = 20;

  explicit BarcodeReader(QObject *parent = nullptr);

  // portNumber 0 means no scanner: the port stays closed and true is returned.
  bool open(int portNumber, const QString &workingDir = QString());
  void close();
  bool isOpen() const { return m_port.isOpen(); }
  QString errorString() const { return m_port.errorString(); }
  SerialPortLink &port() { return m_port; }

  // The receive entry (BCComPortRxChar): takes bytes as they come.
  void feed(const QByteArray &bytes);
  void clear() { m_fill = 0; }
  void reset() {
    m_fill = 0;
    m_overlong = false;
  }
  int pending() const { return m_fill; }

signals:
  void codeRead(const QString &code);

private:
  SerialPortLink m_port;
  char m_scan[ScanBufferSize] = {};
  int m_fill = 0;
  bool m_overlong = false; // dropping the rest of a scan that did not fit
};
