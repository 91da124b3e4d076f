#include "engine/linkwire.h"

#include "device/link.h"
#include "engine/transactionengine.h"

void LinkWire::attach(Link *link, TransactionEngine *engine) {
  if (m_link && m_engine)
    QObject::disconnect(m_link, &Link::received, m_engine, &TransactionEngine::onBytesReceived);
  m_link = link;
  m_engine = engine;
  if (m_link && m_engine) {
    QObject::connect(m_link, &Link::received, m_engine, &TransactionEngine::onBytesReceived);
    m_engine->setWire(this);
  }
}

void LinkWire::write(const QByteArray &frame) {
  // A closed link refuses; the watchdog then handles the missing reply.
  if (m_link)
    m_link->write(frame);
}
