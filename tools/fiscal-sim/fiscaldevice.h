#pragma once

#include "framecodec.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>

namespace sim {

struct Article {
  int number = 0;
  QByteArray name;  // in the device's own bytes
  qint64 price = 0; // hundredths
  int taxGroup = 0;
  QString barcode; // digits; empty = none
};

struct ReceiptLine {
  int article = 0;
  QByteArray name;
  qint64 quantity = 0; // thousandths; negative for a void line
  qint64 price = 0;
  qint64 amount = 0; // hundredths, signed
  int taxGroup = 0;
  bool isVoid = false;
};

struct Payment {
  int type = 0; // 0 cash, 1 cheque, 2 card
  qint64 amount = 0;
};

struct Receipt {
  QList<ReceiptLine> lines;
  QList<Payment> payments;
  int operatorNumber = 0;
  bool isOpen() const { return !lines.isEmpty(); }
  qint64 total() const;
  qint64 paid() const;
  qint64 soldQuantity(int article) const;
};

// A refusal to give instead of executing the next command; which fields count
// depends on the family.
struct Refusal {
  int reason = 0x01;     // family 1 reason byte
  int errorClass = 1;    // family 4
  quint32 errorBits = 0; // family 4
};

// One fiscal device: its memories, counters and the open receipt, and the
// rules of its command family. It turns one received frame into the bytes of
// its reply (empty when it stays silent). Faults and transports are outside.
class FiscalDevice {
public:
  FiscalDevice(int model, const QString &registerNumber);

  int model() const { return m_model; }
  int family() const { return m_model == 4 ? 4 : (m_model == 2 || m_model == 3) ? 2 : 1; }
  QString registerNumber() const { return m_register; }

  struct Outcome {
    QByteArray reply;
    bool executed = false;
    QString rejected; // why a frame was not taken (wrong register, wrong family, ...)
  };
  Outcome handle(const Frame &frame);

  // The reply a refusal of this frame gets; empty if the command has no
  // acknowledgement to refuse with (short queries, the printer-mode exit).
  QByteArray refusalFor(const Frame &frame, const Refusal &refusal) const;
  // Family 4's notice frame; empty for the other families.
  QByteArray noticeFrame(const Frame &frame, int code) const;
  bool addressedToMe(const Frame &frame, QString *why = nullptr) const;

  // Documents printed: receipts, stornos, reports, free texts.
  void setJournalSink(std::function<void(const QJsonObject &)> sink) { m_journal = std::move(sink); }

  // State shared with the control channel.
  bool fiscalised = true;
  bool paperOut = false;
  bool dailyReportRequired = false; // the device blocks sales until a daily report
  bool forceReportOutstanding = false;
  int dailyReportsStored = 0;
  quint32 lastFiscalNumber = 0;
  QList<int> busyStates; // answers for the next status requests (family 4)
  QMap<int, Article> articles;
  QMap<int, QByteArray> operators; // number -> name in device bytes
  QMap<int, quint32> operatorCodes; // number -> the operator's numeric code (family 1 reports it)
  QList<int> taxRates;             // hundredths of a per cent; > 9999 undefined
  QString lcdLines[2];
  int drawerOpenings = 0;
  bool fiscalPrinterMode = true; // model 5

  const Receipt &receipt() const { return m_receipt; }
  bool serviceOpen() const { return m_serviceOpen; }
  int deviceState() const;
  bool reportOutstanding() const { return forceReportOutstanding || m_receiptsSinceReport > 0; }
  int loggedOperator() const { return m_operator; }

  int firstArticle() const;
  int lastArticle() const;
  // The operator numbers the model keeps: family 1 0..24 (0 the administrator), model 4 1..64.
  int firstOperator() const { return family() == 4 ? 1 : 0; }
  int lastOperator() const { return family() == 4 ? 64 : family() == 1 ? 24 : 15; }
  void setOperator(int n, const QString &name, quint32 code);
  int nameLength() const { return m_model == 4 ? 32 : 36; }
  bool validArticleNumber(int n) const;

  QString nameText(const QByteArray &deviceBytes) const;
  QByteArray nameBytes(const QString &text) const;

  // Stores an article as the device would after a write; false if the device
  // keeps its old memory (number out of range, or a change it does not allow
  // while a daily report is outstanding).
  bool storeArticle(const Article &a);
  void dailyReport(const QString &how);

  QJsonObject stateJson() const;
  QJsonObject receiptJson(const Receipt &r) const;
  QJsonArray articlesJson() const;
  bool setArticleFromJson(const QJsonObject &o, QString *error);

private:
  // Families.
  Outcome family1(const Frame &f);
  Outcome family2(const Frame &f);
  Outcome family2Short(const Frame &f);
  Outcome family4(const Frame &f);
  Outcome family4Short(const Frame &f);

  QByteArray reply1F(const Frame &f, bool ok, int reason = 0) const;
  QByteArray reply20(const Frame &f, bool ok) const;
  QByteArray ack4(const Frame &f, quint8 code, bool ok, int stateOrClass, quint32 bits, int article = 0,
                  int flags = 0) const;
  QByteArray refuse4(const Frame &f, int errorClass, quint32 bit) const;
  QByteArray longReply(const Frame &f, quint8 code, const QByteArray &payload) const;

  QByteArray article1Reply(const Frame &f, int number) const;
  QByteArray article3Reply(const Frame &f, int number) const;
  QByteArray article2Short(int number) const;
  QByteArray article4Short(int number) const;
  QByteArray infoShort() const;

  bool taxGroupDefined(int g) const;
  static bool amountTooLarge(qint64 price, qint64 thousandths);
  ReceiptLine lineFor(const Article &a, qint64 qty, bool isVoid) const;
  void closeReceipt();
  void cancelReceipt();
  void journal(QJsonObject doc);

  int m_model;
  QString m_register;
  QByteArray m_registerBcd;
  Receipt m_receipt;
  int m_operator = 0; // 0 = nobody logged in since power-on
  bool m_anyDocument = false;
  bool m_serviceOpen = false;
  int m_receiptsSinceReport = 0;
  QMap<int, qint64> m_dayTotals; // tax group -> hundredths since the last daily report
  int m_documentNumber = 0;
  // Free-text document of family 4.
  bool m_freeTextOpen = false;
  QList<QPair<QString, bool>> m_freeText;
  // Family 4's article walk (short queries 0x82 / 0x84).
  int m_readCursor = 0;
  std::function<void(const QJsonObject &)> m_journal;
};

} // namespace sim
