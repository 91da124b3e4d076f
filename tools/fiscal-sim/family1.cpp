// Family 1 (models 1 Taliro and 5 Selvio): acknowledgement 0x1F with a reason
// byte; the device closes the receipt itself (0x1C) once payments cover it.
#include "devicetext.h"
#include "fiscaldevice.h"

namespace sim {

namespace {
constexpr int kReasonGeneral = 0x01;
constexpr int kReasonRange = 0x02;
constexpr int kReasonOverflow = 0x08;
constexpr int kReasonDailyReport = 0x10;
constexpr int kReasonPaper = 0x40;
constexpr int kMaxLines = 1000;
constexpr qint64 kMaxAmount = 9999999999; // hundredths
} // namespace

QByteArray FiscalDevice::reply1F(const Frame &f, bool ok, int reason) const {
  QByteArray p(2, '\0');
  p[0] = ok ? '\0' : char(0xFF);
  p[1] = ok ? '\0' : char(reason);
  return longReply(f, 0x1F, p);
}

QByteArray FiscalDevice::article1Reply(const Frame &f, int number) const {
  QByteArray p(56, '\0');
  codec::putLe16(p, 0, quint16(number));
  const auto it = articles.constFind(number);
  if (it == articles.constEnd()) {
    for (int i = 2; i <= 38; ++i) // name and its end mark
      p[i] = char(0xFF);
    const QByteArray none = codec::barcodeRight(QString());
    for (int i = 0; i < 7; ++i)
      p[39 + i] = none[i];
    p[47] = 0x01;
    return longReply(f, 0x73, p);
  }
  const QByteArray name = it->name.left(36);
  for (int i = 0; i < name.size(); ++i)
    p[2 + i] = name[i];
  p[38] = char(0xFF);
  const QByteArray bc = codec::barcodeRight(it->barcode);
  for (int i = 0; i < 7; ++i)
    p[39 + i] = bc[i];
  p[46] = char(it->taxGroup);
  p[47] = 0x01;
  codec::putLe32(p, 48, quint32(it->price));
  return longReply(f, 0x73, p);
}

FiscalDevice::Outcome FiscalDevice::family1(const Frame &f) {
  Outcome out;
  out.executed = true;
  const QByteArray &p = f.payload;
  const int sale = m_model == 5 ? 0x05 : 0x0B;
  const int voidCode = m_model == 5 ? 0x06 : 0x0C;
  const int payment = m_model == 5 ? 0x13 : 0x15;

  if (m_model == 5 && f.family == 0x05 && f.code == 0x1F) {
    fiscalPrinterMode = false; // no reply is awaited
    return out;
  }
  auto refuse = [&](int reason) {
    out.reply = reply1F(f, false, reason);
    return out;
  };
  const bool receiptCommand = f.code == 0x01 || f.code == sale || f.code == voidCode || f.code == payment;
  if (receiptCommand) {
    if (!fiscalised)
      return refuse(kReasonGeneral);
    if (paperOut)
      return refuse(kReasonPaper);
    if (dailyReportRequired)
      return refuse(kReasonDailyReport);
  }

  if (f.code == 0x01) { // log-in: operator, date, time
    if (p.size() < 5)
      return refuse(kReasonGeneral);
    m_operator = quint8(p[0]);
    if (!m_receipt.isOpen())
      m_receipt.operatorNumber = m_operator;
    out.reply = reply1F(f, true);
    return out;
  }
  if (f.code == sale || f.code == voidCode) {
    if (p.size() < 13 || m_operator == 0)
      return refuse(kReasonGeneral);
    const int number = codec::le16(p, 7);
    const qint64 qty = codec::le32(p, 9);
    const auto it = articles.constFind(number);
    if (it == articles.constEnd() || !validArticleNumber(number) || !taxGroupDefined(it->taxGroup))
      return refuse(kReasonGeneral);
    if (qty <= 0 || it->price <= 0 || amountTooLarge(it->price, qty))
      return refuse(kReasonRange);
    if (m_receipt.lines.size() >= kMaxLines)
      return refuse(kReasonOverflow);
    const bool isVoid = f.code == voidCode;
    if (isVoid && m_receipt.soldQuantity(number) < qty)
      return refuse(kReasonGeneral);
    if (!m_receipt.isOpen())
      m_receipt.operatorNumber = m_operator;
    m_receipt.lines.append(lineFor(*it, qty, isVoid));
    out.reply = reply1F(f, true);
    return out;
  }
  if (f.code == payment) {
    if (p.size() < 7 || !m_receipt.isOpen())
      return refuse(kReasonGeneral);
    const int type = quint8(p[0]);
    const qint64 amount = codec::splitAmount(p, 2);
    if (type > 2)
      return refuse(kReasonGeneral);
    if (amount > kMaxAmount)
      return refuse(kReasonRange);
    m_receipt.payments.append(Payment{type, amount});
    if (m_receipt.paid() < m_receipt.total()) {
      out.reply = reply1F(f, true);
      return out;
    }
    closeReceipt();
    QByteArray r(6, '\0');
    codec::putBe32(r, 2, lastFiscalNumber);
    out.reply = longReply(f, 0x1C, r);
    return out;
  }
  switch (f.code) {
  case 0x29: // cash drawer
    ++drawerOpenings;
    out.reply = reply1F(f, true);
    return out;
  case 0x7F: { // fiscal memory check
    QByteArray r(32, '\0');
    const QByteArray reg = m_register.toLatin1().left(11);
    for (int i = 0; i < reg.size(); ++i)
      r[i] = reg[i];
    for (int i = 11; i <= 28; ++i)
      r[i] = fiscalised ? char('0' + (i % 10)) : char(0xFF);
    out.reply = longReply(f, 0x7F, r);
    return out;
  }
  case 0x73: { // read an article
    const int number = codec::le16(p, 0);
    if (p.size() < 2 || number < firstArticle() || number > lastArticle())
      return refuse(kReasonRange);
    out.reply = article1Reply(f, number);
    return out;
  }
  case 0x74: { // write an article
    if (p.size() < 56)
      return refuse(kReasonGeneral);
    Article a;
    a.number = codec::le16(p, 0);
    if (quint8(p[2]) != 0xFF)
      a.name = codec::fixedText(p, 2, 36, true);
    a.barcode = codec::bcdToBarcode(p, 39);
    a.taxGroup = quint8(p[46]) & 0x0F;
    a.price = codec::le32(p, 48);
    const bool stored = storeArticle(a);
    QByteArray r(3, '\0');
    codec::putLe16(r, 0, quint16(a.number));
    r[2] = stored ? '\0' : char(0xFF);
    out.reply = longReply(f, 0x74, r);
    return out;
  }
  case 0x75: { // read an operator
    const int n = p.isEmpty() ? -1 : quint8(p[0]);
    if (n < 0 || n > 24)
      return refuse(kReasonRange);
    QByteArray r(24, '\0');
    r[0] = char(n);
    const auto it = operators.constFind(n);
    if (it == operators.constEnd()) {
      for (int i = 1; i <= 18; ++i)
        r[i] = char(0xFF);
    } else {
      const QByteArray name = it->left(18);
      for (int i = 0; i < name.size(); ++i)
        r[1 + i] = name[i];
      codec::putLe32(r, 20, operatorCodes.value(n));
    }
    out.reply = longReply(f, 0x75, r);
    return out;
  }
  case 0x6B: { // read a tax rate
    const int n = p.isEmpty() ? -1 : quint8(p[0]);
    if (n < 0 || n > 8)
      return refuse(kReasonRange);
    QByteArray r(5, '\0');
    r[0] = char(n);
    codec::putLe16(r, 3, taxGroupDefined(n) ? quint16(taxRates[n]) : quint16(0xFFFF));
    out.reply = longReply(f, 0x6B, r);
    return out;
  }
  default:
    out.executed = false;
    return refuse(kReasonGeneral);
  }
}

} // namespace sim
