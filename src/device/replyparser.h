#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

// Reading the device's replies. Every parser takes one whole frame as ReplyReceiver
// hands it out; a field beyond the declared payload reads as zero, so a short reply is
// never read past its end and its checksums or terminator are never taken for data.
namespace ReplyParser {

// A long frame with this reply code: byte 0 is 0xAA, byte 7 the code, byte 8 + 12
// the frame's length and its last byte 0x0D.
bool isLong(QByteArrayView frame, quint8 code);
// A short frame with this code: 0x5F, byte 1 the code, byte 2 + 4 the length, last byte 0x0D.
bool isShort(QByteArrayView frame, quint8 code);
// Any of family 4's acknowledgement codes 0x20, 0x22, 0x23, 0x25 as a long frame.
bool isFamily4Ack(QByteArrayView frame);
// The reply code: byte 7 of a long frame, byte 1 of a short one; -1 for neither.
int replyCode(QByteArrayView frame);

// Family 1 acknowledgement 0x1F.
struct Family1Ack {
  bool refused = false; // offset 9 = 0xFF
  quint8 reason = 0;    // offset 10 (when refused)
};
Family1Ack family1Ack(QByteArrayView frame);

// Family 1 receipt closed (0x1C): the fiscal receipt number, offsets 11-14 big-endian.
quint32 fiscalReceiptNumber1C(QByteArrayView frame);

// Family 1 fiscal memory reply 0x7F: fiscalised unless offsets 20-37 are all 0xFF.
bool fiscalisedFrom7F(QByteArrayView frame);

// Family 2 acknowledgement 0x20: the status byte (offset 9); 0xFF = accepted on model 2.
struct Family2Ack {
  quint8 status = 0;
  bool accepted() const { return status == 0xFF; }
};
Family2Ack family2Ack(QByteArrayView frame);

// Family 4 acknowledgement (0x20, 0x22, 0x23, 0x25).
struct Family4Ack {
  quint8 code = 0;                    // reply code
  quint8 status = 0;                  // offset 9; 0xFF = accepted
  quint8 stateOrClass = 0;            // offset 10: device state (status reply) or error class (refusal)
  std::array<quint8, 4> errorBytes{}; // offsets 11-14 as received
  quint32 errorWord = 0;              // the same, big-endian: bit n = error n
  quint8 answered = 0;                // offset 15: command code answered
  quint32 receiptNumber = 0;          // offsets 21-24, little-endian (status reply)
  // Sale or void line answered with 0x20/0x22: device article number (16-17) and flags (24).
  bool hasArticle = false;
  quint16 articleNumber = 0;
  quint8 articleFlags = 0;

  bool accepted() const { return status == 0xFF; }
  // Refused with offset 14 exactly 0x08: paper out.
  bool paperOut() const { return !accepted() && errorBytes[3] == 0x08; }
};
Family4Ack family4Ack(QByteArrayView frame);

// Family 4 reply 0x21 (fiscal memory information).
struct FMInfo {
  quint8 infoType = 0;     // offset 9 (7 asked for)
  quint16 storedDaily = 0; // offsets 15-16
  int remaining() const { return 3000 - storedDaily; }
};
FMInfo fmInfo(QByteArrayView frame);

// Short reply 0x60: the device's date and time (offsets 3 s, 4 min, 5 h, 7 day, 8 month, 9 year-1900).
struct DeviceClock {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  QDateTime toDateTime() const; // invalid when the fields make no date
};
DeviceClock deviceClock(QByteArrayView frame);

// Short reply 0x20: fiscalised when offset 79 is 0xCC (a shorter reply is not).
bool fiscalisedFromInfo(QByteArrayView frame);

// Short reply 0xF5: the notice code at offset 5.
quint8 noticeCode(QByteArrayView frame);

// An article read from the device's memory.
struct DeviceArticle {
  int broj = 0;
  QString naziv; // empty = not an article
  double cena = 0;
  int poreskaGrupa = 0;
  QString barkod;
};
// Family 1 long reply 0x73.
DeviceArticle articleFamily1(QByteArrayView frame);
// Model 2 short reply 0x80.
DeviceArticle articleModel2(QByteArrayView frame);
// Model 3 long reply 0x16.
DeviceArticle articleModel3(QByteArrayView frame);
// Family 4 short reply 0x84 (number 0 = no further article).
DeviceArticle articleFamily4(QByteArrayView frame);
// Dispatches on the model: 1/5 -> 0x73, 2 -> 0x80, 3 -> 0x16, 4 -> 0x84.
DeviceArticle article(int model, QByteArrayView frame);

// An operator slot.
struct DeviceOperator {
  int broj = 0;
  QString naziv;
  qint32 sifra = 0; // numeric code (family 1)
  bool empty = false;
};
// Family 1 long reply 0x75.
DeviceOperator operatorFamily1(QByteArrayView frame);
// Family 4 short reply 0x90.
DeviceOperator operatorFamily4(QByteArrayView frame);

// A tax rate in hundredths of a per cent; undefined rates are reported as 0.
struct DeviceTaxRate {
  int index = 0;
  int hundredths = 0;
  bool defined = false;
};
// Family 1 long reply 0x6B.
DeviceTaxRate taxRateFamily1(QByteArrayView frame);
// Family 4 short reply 0x70: nine rates, indexes 0-8.
std::array<DeviceTaxRate, 9> taxRatesFamily4(QByteArrayView frame);

// Model 2 service replies.
bool serviceOpened(QByteArrayView frame);          // short 0x00
bool dailyReportOutstanding(QByteArrayView frame); // short 0xFD
bool serviceClosed(QByteArrayView frame);          // exactly 5F 10 00 0D

// An article write acknowledged: family 1 long 0x74, model 2 short 0x85,
// model 3 long 0x20, family 4 acknowledgement answering 0x13.
bool articleWriteAck(int model, QByteArrayView frame);

} // namespace ReplyParser
