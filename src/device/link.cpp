#include "device/link.h"

#include <utility>

void ReceiveQueue::push(const QByteArray &bytes, const Receiver &receiver) {
  m_waiting.append(bytes);
  if (m_delivering)
    return;
  struct Busy {
    bool &flag;
    explicit Busy(bool &f) : flag(f) { flag = true; }
    ~Busy() { flag = false; }
  } busy(m_delivering);
  while (!m_waiting.isEmpty()) {
    const QByteArray chunk = std::exchange(m_waiting, QByteArray());
    if (receiver)
      receiver(chunk);
  }
}

void Link::deliver(const QByteArray &bytes) {
  if (bytes.isEmpty())
    return;
  m_queue.push(bytes, [this](const QByteArray &chunk) { emit received(chunk); });
}
