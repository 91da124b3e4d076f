#include "device/serialportlink.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

SerialPortLink::SerialPortLink(QObject *parent) : Link(parent) {
  connect(&m_port, &QSerialPort::readyRead, this, &SerialPortLink::onReadyRead);
  connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPortLink::onError);
}

SerialPortLink::~SerialPortLink() {
  m_port.disconnect(this);
  if (m_port.isOpen())
    m_port.close();
}

QString SerialPortLink::comName(const QString &portNumber) {
  bool ok = false;
  const int n = portNumber.trimmed().toInt(&ok);
  return comName(ok ? n : 0);
}

QString SerialPortLink::comName(int portNumber) {
  return QStringLiteral("COM%1").arg(portNumber >= 1 ? portNumber : 1);
}

QString SerialPortLink::resolve(const QString &name, const QString &workingDir) {
  static const QRegularExpression com(QStringLiteral("^COM([1-9][0-9]*)$"),
                                      QRegularExpression::CaseInsensitiveOption);
  const auto match = com.match(name);
  if (!match.hasMatch())
    return name;
  const QDir dir(workingDir.isEmpty() ? QDir::currentPath() : workingDir);
  const QFileInfo entry(dir.absoluteFilePath(name));
  // A dangling link still names the port the user meant: opening it fails
  // with a message instead of silently driving another port.
  if (entry.exists() || entry.isSymLink())
    return entry.absoluteFilePath();
  return QStringLiteral("/dev/ttyS%1").arg(match.captured(1).toInt() - 1);
}

void SerialPortLink::setPortName(const QString &name, const QString &workingDir) {
  m_name = name.isEmpty() ? comName(0) : name;
  m_workingDir = workingDir;
}

QString SerialPortLink::systemPath() const {
  return resolve(m_name, m_workingDir);
}

void SerialPortLink::open(OpenDone done) {
  const bool ok = openNow();
  if (done)
    done(ok);
}

bool SerialPortLink::openNow() {
  if (m_port.isOpen())
    m_port.close();
  setErrorString(QString());
  m_port.setPortName(systemPath());
  m_port.setReadBufferSize(0); // the receive entry drains it on every readyRead
  bool ok = m_port.open(QIODevice::ReadWrite);
  if (ok) {
    ok = m_port.setBaudRate(m_baud) && m_port.setDataBits(QSerialPort::Data8) &&
         m_port.setParity(QSerialPort::NoParity) && m_port.setStopBits(QSerialPort::OneStop) &&
         m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
      setErrorString(m_port.errorString());
      m_port.close();
    }
  } else {
    setErrorString(m_port.errorString());
  }
  if (ok) {
    // Ptys have no modem lines and refuse; that is expected, not a failure.
    m_settingLines = true;
    m_port.setDataTerminalReady(false);
    m_port.setRequestToSend(false);
    m_settingLines = false;
    m_port.clearError();
  }
  return ok;
}

bool SerialPortLink::openPeripheral(int portNumber, const QString &workingDir) {
  if (portNumber == 0) {
    close();
    return true;
  }
  setPortName(comName(portNumber), workingDir);
  return openNow();
}

void SerialPortLink::close() {
  if (m_port.isOpen())
    m_port.close();
}

qint64 SerialPortLink::bytesWaiting() const {
  return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

bool SerialPortLink::isOpen() const {
  return m_port.isOpen();
}

bool SerialPortLink::write(const QByteArray &bytes) {
  if (!m_port.isOpen()) {
    if (errorString().isEmpty())
      setErrorString(QSerialPort::tr("Device is not open"));
    return false;
  }
  if (bytes.isEmpty())
    return true;
  const qint64 n = m_port.write(bytes);
  if (n != bytes.size()) {
    setErrorString(m_port.errorString());
    return false;
  }
  m_port.flush();
  return true;
}

void SerialPortLink::onReadyRead() {
  // Qt does not signal readyRead again while a receiver is still busy (a
  // prompt spinning the event loop); what came meanwhile is picked up here.
  do
    deliver(m_port.readAll());
  while (m_port.isOpen() && m_port.bytesAvailable() > 0);
}

void SerialPortLink::onError(QSerialPort::SerialPortError error) {
  if (error == QSerialPort::NoError || m_settingLines || !m_port.isOpen())
    return;
  if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
    // The device vanished (USB adapter pulled, pty master closed). The port
    // would report the failed read again and again; close it so that the
    // next write fails cleanly instead of writing into nothing.
    const QString reason = m_port.errorString();
    setErrorString(reason);
    m_port.close();
    emit dropped(reason);
  }
}
