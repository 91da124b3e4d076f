#include "device/linkcontroller.h"

LinkController::LinkController(Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_scheduler(scheduler), m_tcp(scheduler) {
  m_serial.setBaudRate(SerialPortLink::DeviceBaudRate);
  const auto entry = [this](const QByteArray &bytes) {
    m_queue.push(bytes, [this](const QByteArray &chunk) { emit received(chunk); });
  };
  connect(&m_serial, &Link::received, this, entry);
  connect(&m_tcp, &Link::received, this, entry);
  connect(&m_serial, &Link::dropped, this, &LinkController::onDropped);
  connect(&m_tcp, &Link::dropped, this, &LinkController::onDropped);
}

LinkController::~LinkController() = default;

bool LinkController::writeTo(Link &link, const QByteArray &frame, int count) {
  // Never past the end of the frame, whatever count says.
  const QByteArray bytes = frame.left(qBound(0, count, int(frame.size())));
  if (link.write(bytes)) {
    m_error.clear();
    return true;
  }
  m_error = link.errorString();
  return false;
}

bool LinkController::Write_(const QByteArray &frame, int count) {
  if (m_konekcija == Tcp)
    return writeTo(m_tcp, frame, count);
  return writeTo(m_serial, frame, count);
}

bool LinkController::writeSerial(const QByteArray &frame, int count) {
  return writeTo(m_serial, frame, count);
}

bool LinkController::writeFrame(const QByteArray &frame, int count) {
  return DeviceProfile::of(m_settings->Model).family == Family::Four ? Write_(frame, count)
                                                                     : writeSerial(frame, count);
}

QString LinkController::devicePortName() const {
  return m_devicePath.isEmpty() ? SerialPortLink::comName(m_settings->Port) : m_devicePath;
}

bool LinkController::openSerial() {
  m_serial.setPortName(devicePortName(), m_workingDir);
  const bool ok = m_serial.openNow();
  m_error = ok ? QString() : m_serial.errorString();
  return ok;
}

void LinkController::cancelPendingOpen() {
  m_scheduler.cancel(m_pause);
  m_pause = 0;
  m_scheduler.cancel(m_reconnect);
  m_reconnect = 0;
  ++m_attempt; // answers to an older attempt are ignored
  if (m_tcp.isConnecting())
    m_tcp.close();
  if (auto done = std::exchange(m_pendingDone, {}))
    done(false);
}

void LinkController::onDropped(const QString &reason) {
  emit dropped(reason);
  scheduleReconnect();
}

// A cashier mid-receipt cannot reopen the link: the program keeps trying, and the
// watchdog's resend goes out on the link once it is back.
void LinkController::scheduleReconnect() {
  if (m_reconnect != 0 || openUnderWay())
    return;
  m_reconnect = m_scheduler.schedule(ReconnectPauseMs, this, [this] {
    m_reconnect = 0;
    reconnect();
  });
}

void LinkController::reconnect() {
  if (isDeviceOpen() || openUnderWay())
    return;
  if (!usesTcp()) {
    if (openSerial())
      emit reopened();
    else
      scheduleReconnect();
    return;
  }
  if (m_tcp.isConnecting())
    return;
  const quint64 attempt = m_attempt;
  m_tcp.open([this, attempt](bool ok) {
    if (attempt != m_attempt)
      return; // an open or a close of the program's own came in between
    if (ok)
      emit reopened();
    else
      scheduleReconnect();
  });
}

void LinkController::connectTcpAfterPause(std::function<void(bool)> done) {
  cancelPendingOpen();
  m_pendingDone = std::move(done);
  const quint64 attempt = m_attempt;
  m_pause = m_scheduler.schedule(PauseBeforeConnectMs, this, [this, attempt] {
    m_pause = 0;
    m_tcp.open([this, attempt](bool ok) {
      if (attempt != m_attempt)
        return;
      m_error = ok ? QString() : m_tcp.errorString();
      if (auto done = std::exchange(m_pendingDone, {}))
        done(ok);
    });
  });
}

void LinkController::openDevice(std::function<void(bool)> done) {
  if (!usesTcp()) {
    cancelPendingOpen();
    m_tcp.close();
    // Reopening an open port on the same path would throw away bytes already
    // on their way; a changed port number means a new path.
    const bool same =
        m_serial.isOpen() && m_serial.systemPath() == SerialPortLink::resolve(devicePortName(), m_workingDir);
    const bool ok = same || openSerial();
    if (done)
      done(ok);
    return;
  }
  // Only one link carries the device.
  m_serial.close();
  m_tcp.close();
  connectTcpAfterPause(std::move(done));
}

bool LinkController::openBarcodeReader() {
  return m_barcode.open(m_barKodPort, m_workingDir);
}

bool LinkController::openCardTerminal() {
  return m_terminal.open(m_eftPos, m_workingDir);
}

void LinkController::openForArticleWindow(std::function<void(std::optional<LinkMessage>)> done) {
  if (!usesTcp()) {
    const bool ok = m_serial.isOpen() || openSerial();
    if (done)
      done(ok ? std::nullopt : std::optional(LinkMessage::portOpenFailed()));
    return;
  }
  if (m_tcp.isOpen()) {
    if (done)
      done(std::nullopt);
    return;
  }
  connectTcpAfterPause([done](bool ok) {
    if (done)
      done(ok ? std::nullopt : std::optional(LinkMessage::connectFailed()));
  });
}

std::optional<LinkMessage> LinkController::openForLinkFormButton() {
  if (m_settings->IBFM.trimmed().isEmpty())
    return LinkMessage::parametersMissing();
  if (!m_serial.isOpen() && !openSerial())
    return LinkMessage::portOpenFailed();
  return std::nullopt;
}

void LinkController::closeForConfiguration() {
  m_scheduler.cancel(m_reconnect);
  m_reconnect = 0;
  m_serial.close();
  m_barcode.close();
}

void LinkController::closeAtExit() {
  cancelPendingOpen();
  m_tcp.close();
  m_serial.close();
  m_barcode.close();
  m_terminal.close();
}
