#pragma once

#include <QByteArray>

// Where the engine's frames go: the open serial port or TCP connection. The link
// object implements it; replies come back through TransactionEngine::onBytesReceived.
class DeviceWire {
public:
  virtual ~DeviceWire() = default;
  virtual void write(const QByteArray &frame) = 0;
};
