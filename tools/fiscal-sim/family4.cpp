// Family 4 (model 4, Dravo): acknowledgements 0x20/0x22/0x23/0x25 carrying
// the answered command, 32 error bits and an error class; queries in short
// frames; the device learns articles from the sale line itself.
#include "fiscaldevice.h"

#include <QDate>
#include <QTime>

namespace sim {

namespace {
constexpr quint32 bit(int n) {
  return quint32(1) << n;
}
constexpr int kMaxLines = 1000;
constexpr int kMaxPayments = 10;
constexpr qint64 kMaxAmount = 9999999999;
constexpr int kFiscalMemoryReports = 3000;
constexpr quint8 kAck = 0x20, kSaleAck = 0x22, kStatusAck = 0x23, kRefusal = 0x25;
const char *const kReportNames[] = {"DNEVNI",       "PRESEK STANJA",  "PERIODICNI",
                                    "PO ARTIKLIMA", "PO ODELJENJIMA", "PO OPERATERIMA"};
} // namespace

QByteArray FiscalDevice::ack4(const Frame &f, quint8 code, bool ok, int stateOrClass, quint32 bits,
                              int article, int flags) const {
  QByteArray p(16, '\0');
  p[0] = ok ? char(0xFF) : '\0';
  p[1] = char(stateOrClass);
  codec::putBe32(p, 2, bits);
  p[6] = char(f.code);
  codec::putLe16(p, 7, quint16(article));
  p[15] = char(flags);
  return longReply(f, code, p);
}

QByteArray FiscalDevice::refuse4(const Frame &f, int errorClass, quint32 bits) const {
  const bool line = f.code == 0x03 || f.code == 0x04;
  return ack4(f, line ? kSaleAck : kRefusal, false, errorClass, bits, line ? codec::le16(f.payload, 0) : 0);
}

QByteArray FiscalDevice::article4Short(int number) const {
  QByteArray p(49, '\0');
  const auto it = articles.constFind(number);
  if (it == articles.constEnd())
    return codec::shortFrame(0x84, p); // number 0: nothing further
  codec::putLe16(p, 0, quint16(number));
  const QByteArray name = it->name.left(32);
  for (int i = 0; i < name.size(); ++i)
    p[2 + i] = name[i];
  codec::putLe32(p, 36, quint32(it->price));
  p[41] = char(it->taxGroup);
  const QByteArray bc = codec::barcodeRight(it->barcode);
  for (int i = 0; i < 7; ++i)
    p[42 + i] = bc[i];
  return codec::shortFrame(0x84, p);
}

FiscalDevice::Outcome FiscalDevice::family4(const Frame &f) {
  Outcome out;
  out.executed = true;
  const QByteArray &p = f.payload;
  auto refuse = [&](int errorClass, quint32 bits) {
    out.reply = refuse4(f, errorClass, bits);
    return out;
  };
  auto ok = [&](int article = 0, int flags = 0) {
    out.reply = ack4(f, (f.code == 0x03 || f.code == 0x04) ? kSaleAck : kAck, true, 0, 0, article, flags);
    return out;
  };
  const int state = deviceState();
  const bool freeTextCommand = f.code == 0x05 || f.code == 0x06 || f.code == 0x07;
  const bool harmless = f.code == 0x0D || f.code == 0x0E || f.code == 0x1D;
  // An open free-text document takes nothing else but its own lines.
  if (m_freeTextOpen && !freeTextCommand && !harmless)
    return refuse(state, bit(25));
  const bool receiptCommand = f.code == 0x03 || f.code == 0x04 || f.code == 0x09 || f.code == 0x0B;
  if (receiptCommand || f.code == 0x08) {
    if (!fiscalised)
      return refuse(1, bit(0));
    if (paperOut)
      return refuse(0, bit(3));
    if (dailyReportRequired && f.code != 0x08) {
      out.reply = noticeFrame(f, 12);
      return out;
    }
  }

  switch (f.code) {
  case 0x01: // operator log-in
    if (m_receipt.isOpen())
      return refuse(state == 2 ? 2 : state, bit(25));
    m_operator = p.isEmpty() ? 0 : quint8(p[0]);
    m_receipt.operatorNumber = m_operator;
    return ok();
  case 0x03: { // sale line: number, barcode, quantity, name, price, tax group
    if (p.size() < 52)
      return refuse(1, bit(26));
    if (m_operator == 0)
      return refuse(1, bit(25));
    if (state == 3 || state == 4)
      return refuse(state, bit(25));
    const int number = codec::le16(p, 0);
    const qint64 qty = codec::le32(p, 9);
    const QByteArray name = codec::fixedText(p, 13, 32);
    const qint64 price = codec::le32(p, 46);
    const int group = quint8(p[50]);
    if (number == 0 || number > 60000)
      return refuse(1, bit(11));
    if (qty == 0 || price == 0)
      return refuse(1, bit(12));
    if (amountTooLarge(price, qty))
      return refuse(1, bit(13));
    if (!taxGroupDefined(group))
      return refuse(1, bit(9));
    if (m_receipt.lines.size() >= kMaxLines)
      return refuse(1, bit(16));
    int flags = 0;
    auto it = articles.find(number);
    if (it == articles.end()) {
      if (name.isEmpty())
        return refuse(1, bit(10));
      Article a;
      a.number = number;
      a.name = name;
      a.price = price;
      a.taxGroup = group;
      a.barcode = codec::bcdToBarcode(p, 2);
      it = articles.insert(number, a);
      flags = 0x07;
    } else if (it->name != name || it->taxGroup != group) {
      return refuse(1, bit(30));
    } else if (it->price != price) {
      it->price = price;
      flags = 0x02;
    }
    if (!m_receipt.isOpen())
      m_receipt.operatorNumber = m_operator;
    m_receipt.lines.append(lineFor(*it, qty, false));
    return ok(number, flags);
  }
  case 0x04: { // void a line: number, void key, quantity, price
    if (p.size() < 18)
      return refuse(1, bit(26));
    if (state == 3 || state == 4)
      return refuse(state, bit(25));
    const int number = codec::le16(p, 0);
    const qint64 qty = codec::le32(p, 9);
    const qint64 price = codec::le32(p, 13);
    if (qty == 0)
      return refuse(1, bit(12));
    if (amountTooLarge(price, qty))
      return refuse(1, bit(13));
    const auto it = articles.constFind(number);
    if (it == articles.constEnd() || !m_receipt.isOpen() || m_receipt.soldQuantity(number) < qty)
      return refuse(1, bit(18));
    Article voided = *it;
    voided.price = price;
    m_receipt.lines.append(lineFor(voided, qty, true));
    return ok(number);
  }
  case 0x09: { // payment: type, split amount
    if (p.size() < 6)
      return refuse(1, bit(26));
    if (!m_receipt.isOpen())
      return refuse(1, bit(25));
    const int type = quint8(p[0]);
    const qint64 amount = codec::splitAmount(p, 1);
    const qint64 rest = m_receipt.total() - m_receipt.paid();
    if (type > 2)
      return refuse(1, bit(22));
    if (state == 4)
      return refuse(4, bit(24));
    if (m_receipt.payments.size() >= kMaxPayments)
      return refuse(1, bit(15));
    if (amount > kMaxAmount)
      return refuse(1, bit(21));
    if (type != 0 && amount > rest)
      return refuse(1, bit(23));
    m_receipt.payments.append(Payment{type, amount});
    return ok();
  }
  case 0x0B: { // close the receipt; what is unpaid is cash
    if (!m_receipt.isOpen())
      return refuse(1, bit(25));
    const qint64 rest = m_receipt.total() - m_receipt.paid();
    if (rest > 0)
      m_receipt.payments.append(Payment{0, rest});
    closeReceipt();
    return ok();
  }
  case 0x0C: // cancel the open receipt
    if (!m_receipt.isOpen())
      return refuse(1, bit(25));
    cancelReceipt();
    return ok();
  case 0x15: // cash drawer
    if (m_receipt.isOpen())
      return refuse(2, bit(25));
    ++drawerOpenings;
    return ok();
  case 0x0D: { // status: state and the last fiscal receipt number
    if (paperOut) {
      out.reply = ack4(f, kStatusAck, false, 0, bit(3));
      return out;
    }
    const int reported = busyStates.isEmpty() ? state : busyStates.takeFirst();
    QByteArray reply = ack4(f, kStatusAck, true, reported, 0);
    codec::putLe32(reply, 21, lastFiscalNumber);
    reply = longReply(f, kStatusAck, reply.mid(9, 16));
    out.reply = reply;
    return out;
  }
  case 0x0E: { // fiscal memory information
    if (p.isEmpty() || quint8(p[0]) != 0x07)
      return refuse(1, bit(26));
    QByteArray r(8, '\0');
    r[0] = 0x07;
    codec::putLe16(r, 6, quint16(dailyReportsStored));
    out.reply = longReply(f, 0x21, r);
    return out;
  }
  case 0x08: { // fiscal report: type, from, to
    if (p.size() < 9)
      return refuse(1, bit(26));
    if (m_receipt.isOpen())
      return refuse(state == 2 ? 2 : state, bit(25));
    const int type = quint8(p[0]);
    const quint32 from = codec::le32(p, 1);
    const quint32 to = codec::le32(p, 5);
    if (type > 5 || (type >= 2 && from > to))
      return refuse(1, bit(26));
    if (type == 0) {
      if (dailyReportsStored >= kFiscalMemoryReports)
        return refuse(1, bit(5));
      dailyReport(QStringLiteral("command"));
    } else {
      journal(QJsonObject{{QStringLiteral("type"), QStringLiteral("report")},
                          {QStringLiteral("reportType"), type},
                          {QStringLiteral("name"), QString::fromLatin1(kReportNames[type])},
                          {QStringLiteral("from"), qint64(from)},
                          {QStringLiteral("to"), qint64(to)}});
    }
    return ok();
  }
  case 0x12: // clear the article totals
    return ok();
  case 0x07: // free text: begin
    if (m_receipt.isOpen())
      return refuse(2, bit(25));
    if (m_freeTextOpen)
      return refuse(state, bit(25));
    m_freeTextOpen = true;
    m_freeText.clear();
    return ok();
  case 0x05: { // free text: one line
    if (!m_freeTextOpen)
      return refuse(1, bit(25));
    if (p.size() < 33)
      return refuse(1, bit(26));
    m_freeText.append({nameText(codec::fixedText(p, 1, 32)), quint8(p[0]) == 1});
    return ok();
  }
  case 0x06: { // free text: end
    if (!m_freeTextOpen)
      return refuse(1, bit(25));
    if (m_freeText.isEmpty())
      return refuse(30, bit(25));
    QJsonArray lines;
    for (const auto &[text, bold] : m_freeText)
      lines.append(QJsonObject{{QStringLiteral("text"), text}, {QStringLiteral("bold"), bold}});
    m_freeTextOpen = false;
    m_freeText.clear();
    journal(QJsonObject{{QStringLiteral("type"), QStringLiteral("text")}, {QStringLiteral("lines"), lines}});
    return ok();
  }
  case 0x1D: { // customer display
    if (p.size() == 1 && quint8(p[0]) == 0x02) {
      lcdLines[0].clear();
      lcdLines[1].clear();
      return ok();
    }
    if (p.size() < 21 || quint8(p[0]) > 1)
      return refuse(1, bit(26));
    lcdLines[quint8(p[0])] = nameText(codec::fixedText(p, 1, 20));
    return ok();
  }
  case 0x13: { // write an article
    if (p.size() < 48)
      return refuse(1, bit(26));
    Article a;
    a.number = codec::le16(p, 0);
    a.barcode = codec::bcdToBarcode(p, 2);
    a.name = codec::fixedText(p, 9, 32);
    a.price = codec::le32(p, 42);
    a.taxGroup = quint8(p[46]);
    if (a.number == 0 || a.number > 60000)
      return refuse(1, bit(11));
    if (!taxGroupDefined(a.taxGroup))
      return refuse(1, bit(9));
    if (!storeArticle(a))
      return refuse(1, bit(30));
    return ok(a.number);
  }
  case 0x0F: { // empty a range of the article memory
    if (p.size() < 4)
      return refuse(1, bit(26));
    const int first = codec::le16(p, 0);
    const int last = codec::le16(p, 2);
    if (first == 0 || first > last || last > 60000)
      return refuse(1, bit(26));
    if (reportOutstanding()) {
      out.reply = noticeFrame(f, 12);
      return out;
    }
    auto it = articles.lowerBound(first);
    while (it != articles.end() && it.key() <= last)
      it = articles.erase(it);
    return ok();
  }
  default:
    out.executed = false;
    return refuse(1, bit(8));
  }
}

FiscalDevice::Outcome FiscalDevice::family4Short(const Frame &f) {
  Outcome out;
  out.executed = true;
  const QByteArray &p = f.payload;
  switch (f.code) {
  case 0x60: { // date and time
    const QDateTime now = QDateTime::currentDateTime();
    QByteArray r(7, '\0');
    r[0] = char(now.time().second());
    r[1] = char(now.time().minute());
    r[2] = char(now.time().hour());
    r[4] = char(now.date().day());
    r[5] = char(now.date().month());
    r[6] = char(now.date().year() - 1900);
    out.reply = codec::shortFrame(0x60, r);
    return out;
  }
  case 0x20:
    out.reply = infoShort();
    return out;
  case 0x70: { // the nine tax rates
    QByteArray r(18, '\0');
    for (int i = 0; i < 9; ++i)
      codec::putLe16(r, 2 * i, quint16(i < taxRates.size() ? qBound(0, taxRates[i], 0xFFFF) : 0xFFFF));
    out.reply = codec::shortFrame(0x70, r);
    return out;
  }
  case 0x82: { // the first stored article from the number given
    const int from = codec::le16(p, 0);
    const auto it = articles.lowerBound(qMax(1, from));
    m_readCursor = it == articles.end() ? 0 : it.key();
    out.reply = article4Short(m_readCursor);
    return out;
  }
  case 0x84: { // the next stored article
    const auto it = m_readCursor == 0 ? articles.end() : articles.upperBound(m_readCursor);
    m_readCursor = it == articles.end() ? 0 : it.key();
    out.reply = article4Short(m_readCursor);
    return out;
  }
  case 0x90: { // an operator
    const int n = p.isEmpty() ? 0 : quint8(p[0]);
    QByteArray r(33, '\0');
    r[0] = char(n);
    const auto it = operators.constFind(n);
    if (it == operators.constEnd() || n < firstOperator() || n > lastOperator()) {
      r[1] = char(0xFF);
      r[2] = char(0xFF);
    } else {
      const QByteArray name = it->left(32);
      for (int i = 0; i < name.size(); ++i)
        r[1 + i] = name[i];
    }
    out.reply = codec::shortFrame(0x90, r);
    return out;
  }
  default:
    out.executed = false;
    out.rejected = QStringLiteral("unknown short frame %1").arg(f.code, 2, 16, QLatin1Char('0'));
    return out;
  }
}

} // namespace sim
