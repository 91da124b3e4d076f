#pragma once

#include "device/serialportlink.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

// The EFT card terminal's port and message framing (STX ... ETX + LRC,
// ACK/NAK). The terminal leads; everything written here answers it. The
// terminal collects its messages in a buffer of its own, so that bytes from
// the fiscal device can never spoil a terminal message or the other way round.
class CardTerminal : public QObject {
  Q_OBJECT
public:
  static constexpr char STX = 0x02;
  static constexpr char ETX = 0x03;
  static constexpr char ACK = 0x06;
  static constexpr char NAK = 0x15;
  static constexpr int BufferSize = 260;
  static constexpr int AmountRequestLength = 13;
  static constexpr int MinResultLength = 80;
  static constexpr int HeaderLength = 9;
  static constexpr qint64 MaxAmountPara = 99999999; // eight digits

  struct Result {
    QString code; // "000" = approved
    QString cardNumber;
    QString reference; // transaction reference
    QString cardType;
    bool approved() const { return code == QLatin1String("000"); }
  };

  explicit CardTerminal(QObject *parent = nullptr);

  // portNumber 0 means no terminal: the port stays closed and true is returned.
  bool open(int portNumber, const QString &workingDir = QString());
  void close();
  bool isOpen() const { return m_port.isOpen(); }
  QString errorString() const { return m_port.errorString(); }
  SerialPortLink &port() { return m_port; }

  // The receive entry (EFTComPortRxChar): one call per arrival of bytes.
  void feed(const QByteArray &bytes);
  QByteArray buffered() const { return QByteArray(m_buf, m_len); }

  // Answers an amount request (its 9 header bytes) with the amount in para.
  // False, nothing written, when the amount does not fit eight digits or the
  // port refuses.
  bool sendAmount(const QByteArray &header, qint64 para);

  // DodajLRC: appends the check byte (0x7F XOR every byte) to message.
  static QByteArray DodajLRC(const QByteArray &message);
  static QByteArray acknowledgement();
  static QByteArray negativeAcknowledgement();
  // The 57-byte amount message; nullopt for a negative amount, one over
  // eight digits or a header that is not 9 bytes.
  static std::optional<QByteArray> amountMessage(const QByteArray &header, qint64 para);
  // A card field's text (locale decimal separator) as whole para; nullopt
  // when it is no number.
  static std::optional<qint64> amountInPara(const QString &fieldText);

signals:
  // Already acknowledged; answer with sendAmount() from the handler.
  void amountRequested(const QByteArray &header);
  // The terminal accepted the amount: the transaction is under way.
  void transactionStarted();
  // The terminal refused the amount message.
  void transactionFailed();
  // Already acknowledged.
  void resultReceived(const CardTerminal::Result &result);

private:
  void empty();
  bool writeToTerminal(const QByteArray &bytes);

  SerialPortLink m_port;
  char m_buf[BufferSize] = {};
  int m_len = 0;
};
