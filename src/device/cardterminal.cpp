#include "device/cardterminal.h"

#include "common/money.h"

#include <cstring>

namespace {

// A text field of a result: blanks and control bytes trimmed, at most 30 characters.
QString field(const char *data, int length) {
  int begin = 0, end = length;
  while (begin < end && static_cast<unsigned char>(data[begin]) <= 0x20)
    ++begin;
  while (end > begin && static_cast<unsigned char>(data[end - 1]) <= 0x20)
    --end;
  return QString::fromLatin1(data + begin, end - begin).left(30);
}

} // namespace

CardTerminal::CardTerminal(QObject *parent) : QObject(parent) {
  m_port.setBaudRate(SerialPortLink::PeripheralBaudRate);
  connect(&m_port, &Link::received, this, &CardTerminal::feed);
}

bool CardTerminal::open(int portNumber, const QString &workingDir) {
  empty();
  return m_port.openPeripheral(portNumber, workingDir);
}

void CardTerminal::close() {
  m_port.close();
  empty();
}

void CardTerminal::empty() {
  m_len = 0;
  std::memset(m_buf, 0, sizeof m_buf);
}

bool CardTerminal::writeToTerminal(const QByteArray &bytes) {
  return m_port.write(bytes);
}

QByteArray CardTerminal::DodajLRC(const QByteArray &message) {
  char lrc = 0x7F;
  for (const char byte : message)
    lrc ^= byte;
  return message + QByteArray(1, lrc);
}

QByteArray CardTerminal::acknowledgement() {
  return DodajLRC(QByteArray().append(ACK).append(ETX));
}

QByteArray CardTerminal::negativeAcknowledgement() {
  return DodajLRC(QByteArray().append(NAK).append(ETX));
}

std::optional<QByteArray> CardTerminal::amountMessage(const QByteArray &header, qint64 para) {
  if (header.size() != HeaderLength || para < 0 || para > MaxAmountPara)
    return std::nullopt;
  QByteArray m;
  m.reserve(57);
  m.append(STX);
  m.append(header);
  m.append('I');
  m.append(QByteArray::number(para).rightJustified(8, '0'));
  m.append("0123456789M0123456789012345678901234");
  m.append(ETX);
  return DodajLRC(m);
}

std::optional<qint64> CardTerminal::amountInPara(const QString &fieldText) {
  // Exact para: 0,29 is 29 para, not 28.
  const auto amount = Money::parse(fieldText);
  if (!amount)
    return std::nullopt;
  return amount->units();
}

bool CardTerminal::sendAmount(const QByteArray &header, qint64 para) {
  const auto message = amountMessage(header, para);
  if (!message)
    return false;
  return writeToTerminal(*message);
}

void CardTerminal::feed(const QByteArray &bytes) {
  if (bytes.isEmpty())
    return;
  if (m_len + bytes.size() > BufferSize) {
    // More than any message can hold without one completing: start over
    // rather than write past the buffer.
    empty();
    if (bytes.size() > BufferSize)
      return;
  }
  std::memcpy(m_buf + m_len, bytes.constData(), bytes.size());
  m_len += bytes.size();

  const char first = m_buf[0];
  if (first != STX && first != ACK && first != NAK) {
    empty();
    return;
  }
  if (first == STX && m_len == AmountRequestLength && m_buf[10] == 'I' && m_buf[11] == ETX) {
    const QByteArray header(m_buf + 1, HeaderLength);
    empty();
    writeToTerminal(acknowledgement());
    emit amountRequested(header);
    return;
  }
  if (first == STX && m_len >= MinResultLength && m_buf[10] == 'E' && m_buf[m_len - 2] == ETX) {
    Result r;
    r.code = QString::fromLatin1(m_buf + 11, 3);
    r.cardNumber = field(m_buf + 14, 19);
    r.reference = field(m_buf + 42, 6);
    r.cardType = field(m_buf + 58, 16);
    empty();
    writeToTerminal(acknowledgement());
    emit resultReceived(r);
    return;
  }
  if (m_len == 3) {
    const QByteArray three(m_buf, 3);
    if (three == acknowledgement()) {
      empty();
      emit transactionStarted();
    } else if (three == negativeAcknowledgement()) {
      empty();
      emit transactionFailed();
    }
  }
}
