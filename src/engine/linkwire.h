#pragma once

#include "engine/devicewire.h"

class Link;
class TransactionEngine;

// Puts the engine on a device link: frames go out through the link, received
// bytes come back into the engine in arrival order.
class LinkWire : public DeviceWire {
public:
  LinkWire() = default;
  // Connects link and engine both ways; a later call replaces the link (reconfiguration).
  void attach(Link *link, TransactionEngine *engine);
  Link *link() const { return m_link; }
  void write(const QByteArray &frame) override;

private:
  Link *m_link = nullptr;
  TransactionEngine *m_engine = nullptr;
};
