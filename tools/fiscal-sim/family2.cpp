// Family 2 (models 2 and 3, Menko): acknowledgement 0x20 whose 0xFF means
// accepted; the receipt closes on the closing command. Model 2 serves its
// article memory with short frames inside a service bracket, model 3 also
// with long frames after a log-in.
#include "fiscaldevice.h"

namespace sim {

namespace {
constexpr int kMaxLines = 1000;
constexpr qint64 kMaxAmount = 9999999999;
} // namespace

QByteArray FiscalDevice::reply20(const Frame &f, bool ok) const {
  QByteArray p(2, '\0');
  p[0] = ok ? char(0xFF) : '\0';
  return longReply(f, 0x20, p);
}

QByteArray FiscalDevice::article3Reply(const Frame &f, int number) const {
  QByteArray p(54, '\0');
  codec::putLe16(p, 0, quint16(number));
  const auto it = articles.constFind(number);
  if (it == articles.constEnd()) {
    const QByteArray none = codec::barcodeLeft(QString());
    for (int i = 0; i < 7; ++i)
      p[47 + i] = none[i];
    return longReply(f, 0x16, p);
  }
  const QByteArray first = it->name.left(18);
  const QByteArray second = it->name.mid(18, 18);
  for (int i = 0; i < first.size(); ++i)
    p[2 + i] = first[i];
  for (int i = 0; i < second.size(); ++i)
    p[21 + i] = second[i];
  p[41] = char(it->taxGroup);
  codec::putSplitAmount(p, 42, it->price);
  const QByteArray bc = codec::barcodeLeft(it->barcode);
  for (int i = 0; i < 7; ++i)
    p[47 + i] = bc[i];
  return longReply(f, 0x16, p);
}

QByteArray FiscalDevice::article2Short(int number) const {
  QByteArray p(52, '\0');
  codec::putBe16(p, 0, quint16(number));
  const auto it = articles.constFind(number);
  const QByteArray bc = codec::barcodeLeft(it == articles.constEnd() ? QString() : it->barcode);
  for (int i = 0; i < 7; ++i)
    p[45 + i] = bc[i];
  if (it != articles.constEnd()) {
    const QByteArray name = it->name.left(36);
    for (int i = 0; i < name.size(); ++i)
      p[2 + i] = name[i];
    codec::putLe32(p, 40, quint32(it->price));
    p[44] = char(it->taxGroup);
  }
  return codec::shortFrame(0x80, p);
}

QByteArray FiscalDevice::infoShort() const {
  QByteArray p(80, '\0');
  const QByteArray id = (m_model == 4 ? QByteArrayLiteral("DRAVO ") : QByteArrayLiteral("MENKO ")) +
                        m_register.toLatin1().left(10);
  for (int i = 0; i < id.size(); ++i)
    p[i] = id[i];
  codec::putLe16(p, 20, quint16(dailyReportsStored));
  codec::putLe32(p, 22, lastFiscalNumber);
  p[76] = fiscalised ? char(0xCC) : '\0';
  return codec::shortFrame(0x20, p);
}

FiscalDevice::Outcome FiscalDevice::family2(const Frame &f) {
  Outcome out;
  out.executed = true;
  const QByteArray &p = f.payload;
  auto answer = [&](bool ok) {
    out.reply = reply20(f, ok);
    return out;
  };
  const bool receiptCommand = f.code == 0x03 || f.code == 0x04 || f.code == 0x09 || f.code == 0x0B;
  if (receiptCommand && (!fiscalised || paperOut || dailyReportRequired || m_serviceOpen || m_operator == 0))
    return answer(false);

  switch (f.code) {
  case 0x01: // log-in: operator, date, time
    if (p.size() < 25 || !fiscalised || paperOut)
      return answer(false);
    m_operator = quint8(p[0]);
    if (!m_receipt.isOpen())
      m_receipt.operatorNumber = m_operator;
    return answer(true);
  case 0x03:
  case 0x04: {
    if (p.size() < 18)
      return answer(false);
    const int number = codec::le16(p, 0);
    const qint64 qty = codec::le32(p, 9);
    const auto it = articles.constFind(number);
    if (it == articles.constEnd() || !taxGroupDefined(it->taxGroup) || qty <= 0 || it->price <= 0 ||
        amountTooLarge(it->price, qty) || m_receipt.lines.size() >= kMaxLines)
      return answer(false);
    const bool isVoid = f.code == 0x04;
    if (isVoid && m_receipt.soldQuantity(number) < qty)
      return answer(false);
    if (!m_receipt.isOpen())
      m_receipt.operatorNumber = m_operator;
    m_receipt.lines.append(lineFor(*it, qty, isVoid));
    return answer(true);
  }
  case 0x09: {
    if (p.size() < 49 || !m_receipt.isOpen())
      return answer(false);
    const int type = quint8(p[0]);
    const qint64 amount = codec::splitAmount(p, 44);
    if (type > 2 || amount > kMaxAmount)
      return answer(false);
    m_receipt.payments.append(Payment{type, amount});
    return answer(true);
  }
  case 0x0B: { // close: what is still unpaid is cash
    if (!m_receipt.isOpen())
      return answer(false);
    const qint64 rest = m_receipt.total() - m_receipt.paid();
    if (rest > 0)
      m_receipt.payments.append(Payment{0, rest});
    closeReceipt();
    return answer(true);
  }
  case 0x18: { // fiscal memory check: the answer itself is what counts
    QByteArray r(8, '\0');
    codec::putLe16(r, 0, quint16(dailyReportsStored));
    codec::putLe32(r, 2, lastFiscalNumber);
    r[6] = fiscalised ? char(0xCC) : '\0';
    out.reply = longReply(f, 0x19, r);
    return out;
  }
  case 0x14: { // model 3: read an article
    const int number = codec::le16(p, 0);
    if (m_model != 3 || m_operator == 0 || p.size() < 2 || number < 1 || number > 3000)
      return answer(false);
    out.reply = article3Reply(f, number);
    return out;
  }
  case 0x15: { // model 3: write an article
    if (m_model != 3 || m_operator == 0 || p.size() < 54)
      return answer(false);
    Article a;
    a.number = codec::le16(p, 0);
    a.name = codec::fixedText(p, 2, 18) + codec::fixedText(p, 21, 18);
    a.taxGroup = quint8(p[41]);
    a.price = codec::splitAmount(p, 42);
    a.barcode = codec::bcdToBarcode(p, 47);
    return answer(storeArticle(a));
  }
  default:
    out.executed = false;
    return answer(false);
  }
}

FiscalDevice::Outcome FiscalDevice::family2Short(const Frame &f) {
  Outcome out;
  out.executed = true;
  const QByteArray &p = f.payload;
  switch (f.code) {
  case 0x00: // open the article service
    if (p != QByteArray::fromHex("0211")) {
      out.executed = false;
      out.rejected = QStringLiteral("service opening with payload %1").arg(codec::toHex(p));
      return out;
    }
    // With a daily report outstanding the service opens limited: reads and
    // new articles only.
    m_serviceOpen = true;
    out.reply = codec::shortFrame(reportOutstanding() ? 0xFD : 0x00, {});
    return out;
  case 0x20:
    out.reply = infoShort();
    return out;
  case 0x10:
    m_serviceOpen = false;
    out.reply = codec::shortFrame(0x10, {});
    return out;
  case 0x80: {
    if (!m_serviceOpen || p.size() < 2) {
      out.executed = false;
      out.rejected = QStringLiteral("article read outside the service");
      return out;
    }
    out.reply = article2Short(codec::be16(p, 0));
    return out;
  }
  case 0x85: {
    if (!m_serviceOpen || p.size() < 52) {
      out.executed = false;
      out.rejected = QStringLiteral("article write outside the service");
      return out;
    }
    Article a;
    a.number = codec::be16(p, 0);
    a.name = codec::fixedText(p, 2, 36);
    a.price = codec::le32(p, 40);
    a.taxGroup = quint8(p[44]);
    a.barcode = codec::bcdToBarcode(p, 45);
    storeArticle(a);
    QByteArray r(2, '\0');
    codec::putBe16(r, 0, quint16(a.number));
    out.reply = codec::shortFrame(0x85, r);
    return out;
  }
  default:
    out.executed = false;
    out.rejected = QStringLiteral("unknown short frame %1").arg(f.code, 2, 16, QLatin1Char('0'));
    return out;
  }
}

} // namespace sim
