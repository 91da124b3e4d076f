#include "device/barcodereader.h"

BarcodeReader::BarcodeReader(QObject *parent) : QObject(parent) {
  m_port.setBaudRate(SerialPortLink::PeripheralBaudRate);
  connect(&m_port, &Link::received, this, &BarcodeReader::feed);
}

bool BarcodeReader::open(int portNumber, const QString &workingDir) {
  reset();
  return m_port.openPeripheral(portNumber, workingDir);
}

void BarcodeReader::close() {
  m_port.close();
  reset();
}

void BarcodeReader::feed(const QByteArray &bytes) {
  // Byte by byte, so that two scans in one read stay two codes.
  for (const char byte : bytes) {
    const bool ended = byte == '\r' || byte == '\n';
    if (m_overlong) {
      // The rest of a scan too long to trust goes up to its line end.
      m_overlong = !ended;
      continue;
    }
    m_scan[m_fill++] = byte;
    if (ended && m_fill >= 3) {
      QString code;
      for (int i = 0; i < m_fill; ++i)
        if (m_scan[i] >= '0' && m_scan[i] <= '9')
          code.append(QLatin1Char(m_scan[i]));
      clear();
      // Terminators and prefixes alone are no scan.
      if (!code.isEmpty())
        emit codeRead(code);
    } else if (m_fill == ScanBufferSize) {
      // No line end within the buffer: not a scan we can trust, start over.
      clear();
      m_overlong = true;
    }
  }
}
