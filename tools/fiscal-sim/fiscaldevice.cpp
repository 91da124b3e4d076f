#include "fiscaldevice.h"

#include "devicetext.h"

#include <QJsonArray>

namespace sim {

qint64 Receipt::total() const {
  qint64 t = 0;
  for (const auto &l : lines)
    t += l.amount;
  return t;
}

qint64 Receipt::paid() const {
  qint64 p = 0;
  for (const auto &pay : payments)
    p += pay.amount;
  return p;
}

qint64 Receipt::soldQuantity(int article) const {
  qint64 q = 0;
  for (const auto &l : lines)
    if (l.article == article)
      q += l.quantity;
  return q;
}

FiscalDevice::FiscalDevice(int model, const QString &registerNumber)
    : m_model(model), m_register(registerNumber), m_registerBcd(codec::registerToBcd(registerNumber)) {
  taxRates = {2000, 1000, 0, 800, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
  // The administrator's slot (operator 0 of family 1, 1 of model 4) and two more.
  for (int i = firstOperator(); i <= 3; ++i)
    setOperator(i, QStringLiteral("OPERATER %1").arg(i), quint32(1000 + i));
}

void FiscalDevice::setOperator(int n, const QString &name, quint32 code) {
  if (name.isEmpty()) {
    operators.remove(n);
    operatorCodes.remove(n);
    return;
  }
  operators.insert(n, nameBytes(name));
  operatorCodes.insert(n, code);
}

int FiscalDevice::firstArticle() const {
  return family() == 1 ? 0 : 1;
}

int FiscalDevice::lastArticle() const {
  switch (m_model) {
  case 1:
    return 3999;
  case 5:
    return 11999;
  case 4:
    return 60000;
  default:
    return 3000;
  }
}

bool FiscalDevice::validArticleNumber(int n) const {
  if (m_model == 1 && n == 704)
    return false; // reserved slot of this model
  return n >= firstArticle() && n <= lastArticle();
}

QString FiscalDevice::nameText(const QByteArray &deviceBytes) const {
  return devicetext::fromProgramBytes(family() == 1 ? devicetext::fromFamily1(deviceBytes) : deviceBytes);
}

QByteArray FiscalDevice::nameBytes(const QString &text) const {
  const QByteArray program = devicetext::toProgramBytes(text).left(nameLength());
  return family() == 1 ? devicetext::toFamily1(program) : program;
}

bool FiscalDevice::addressedToMe(const Frame &frame, QString *why) const {
  auto fail = [&](const QString &text) {
    if (why)
      *why = text;
    return false;
  };
  if (frame.kind == Frame::Short) {
    if (family() == 1)
      return fail(QStringLiteral("short frame on a family-1 device"));
    return true;
  }
  const quint8 expectedFamily = quint8(family());
  const quint8 expectedLink = family() == 4 ? 0x01 : 0x11;
  const bool printerExit = m_model == 5 && frame.family == 0x05 && frame.code == 0x1F;
  if (frame.family != expectedFamily && !printerExit)
    return fail(QStringLiteral("family byte %1").arg(frame.family));
  if (frame.link != expectedLink)
    return fail(QStringLiteral("link byte %1").arg(frame.link));
  if (frame.registerBcd != m_registerBcd)
    return fail(QStringLiteral("register %1").arg(codec::bcdToRegister(frame.registerBcd)));
  return true;
}

FiscalDevice::Outcome FiscalDevice::handle(const Frame &frame) {
  Outcome out;
  if (!addressedToMe(frame, &out.rejected))
    return out;
  switch (family()) {
  case 1:
    return family1(frame);
  case 2:
    return frame.kind == Frame::Short ? family2Short(frame) : family2(frame);
  default:
    return frame.kind == Frame::Short ? family4Short(frame) : family4(frame);
  }
}

QByteArray FiscalDevice::longReply(const Frame &f, quint8 code, const QByteArray &payload) const {
  return codec::longFrame(quint8(family()), family() == 4 ? 0x01 : 0x11, m_registerBcd, f.sequence, code,
                          payload);
}

QByteArray FiscalDevice::refusalFor(const Frame &f, const Refusal &r) const {
  if (f.kind == Frame::Short || (m_model == 5 && f.family == 0x05))
    return {};
  switch (family()) {
  case 1:
    return reply1F(f, false, r.reason);
  case 2:
    return reply20(f, false);
  default:
    return ack4(f, (f.code == 0x03 || f.code == 0x04) ? 0x22 : 0x25, false, r.errorClass, r.errorBits);
  }
}

QByteArray FiscalDevice::noticeFrame(const Frame &f, int code) const {
  if (family() != 4)
    return {};
  QByteArray p(3, '\0');
  p[0] = char(f.code);
  p[2] = char(code);
  return codec::shortFrame(0xF5, p);
}

bool FiscalDevice::taxGroupDefined(int g) const {
  return g >= 0 && g < taxRates.size() && taxRates[g] >= 0 && taxRates[g] <= 9999;
}

bool FiscalDevice::amountTooLarge(qint64 price, qint64 thousandths) {
  // Both come from 32-bit fields; their product can pass 63 bits.
  constexpr qint64 kMaxAmount = 9999999999; // hundredths
  return static_cast<__int128>(price) * thousandths / 1000 > kMaxAmount;
}

ReceiptLine FiscalDevice::lineFor(const Article &a, qint64 qty, bool isVoid) const {
  ReceiptLine l;
  l.article = a.number;
  l.name = a.name;
  l.price = a.price;
  l.taxGroup = a.taxGroup;
  l.isVoid = isVoid;
  l.quantity = isVoid ? -qty : qty;
  // Half a para and more rounds away from zero.
  const qint64 raw = a.price * qty;
  const qint64 amount = (raw + 500) / 1000;
  l.amount = isVoid ? -amount : amount;
  return l;
}

bool FiscalDevice::storeArticle(const Article &a) {
  if (!validArticleNumber(a.number))
    return false;
  const auto it = articles.constFind(a.number);
  const bool exists = it != articles.constEnd();
  if (exists && reportOutstanding() && (a.name.isEmpty() || a.name != it->name || a.taxGroup != it->taxGroup))
    return false; // names, tax groups and emptying wait for the daily report
  if (a.name.isEmpty())
    articles.remove(a.number);
  else
    articles.insert(a.number, a);
  return true;
}

void FiscalDevice::journal(QJsonObject doc) {
  doc.insert(QStringLiteral("model"), m_model);
  doc.insert(QStringLiteral("register"), m_register);
  doc.insert(QStringLiteral("document"), ++m_documentNumber);
  doc.insert(QStringLiteral("time"), QDateTime::currentDateTime().toString(Qt::ISODate));
  m_anyDocument = true;
  if (m_journal)
    m_journal(doc);
}

static double money(qint64 hundredths) {
  return double(hundredths) / 100.0;
}

QJsonObject FiscalDevice::receiptJson(const Receipt &r) const {
  QJsonArray lines;
  for (const auto &l : r.lines) {
    lines.append(QJsonObject{{QStringLiteral("article"), l.article},
                             {QStringLiteral("name"), nameText(l.name)},
                             {QStringLiteral("quantity"), double(l.quantity) / 1000.0},
                             {QStringLiteral("price"), money(l.price)},
                             {QStringLiteral("amount"), money(l.amount)},
                             {QStringLiteral("taxGroup"), l.taxGroup},
                             {QStringLiteral("void"), l.isVoid}});
  }
  QJsonArray payments;
  for (const auto &p : r.payments)
    payments.append(
        QJsonObject{{QStringLiteral("type"), p.type}, {QStringLiteral("amount"), money(p.amount)}});
  return QJsonObject{{QStringLiteral("operator"), r.operatorNumber},
                     {QStringLiteral("lines"), lines},
                     {QStringLiteral("payments"), payments},
                     {QStringLiteral("total"), money(r.total())},
                     {QStringLiteral("paid"), money(r.paid())},
                     {QStringLiteral("change"), money(qMax<qint64>(0, r.paid() - r.total()))}};
}

void FiscalDevice::closeReceipt() {
  ++lastFiscalNumber;
  ++m_receiptsSinceReport;
  for (const auto &l : m_receipt.lines)
    m_dayTotals[l.taxGroup] += l.amount;
  QJsonObject doc = receiptJson(m_receipt);
  doc.insert(QStringLiteral("type"), QStringLiteral("receipt"));
  doc.insert(QStringLiteral("fiscalNumber"), qint64(lastFiscalNumber));
  m_receipt = Receipt{};
  journal(doc);
}

void FiscalDevice::cancelReceipt() {
  QJsonObject doc = receiptJson(m_receipt);
  doc.insert(QStringLiteral("type"), QStringLiteral("storno"));
  m_receipt = Receipt{};
  journal(doc);
}

void FiscalDevice::dailyReport(const QString &how) {
  ++dailyReportsStored;
  QJsonObject totals;
  qint64 sum = 0;
  for (auto it = m_dayTotals.cbegin(); it != m_dayTotals.cend(); ++it) {
    totals.insert(QString::number(it.key()), money(it.value()));
    sum += it.value();
  }
  journal(QJsonObject{{QStringLiteral("type"), QStringLiteral("report")},
                      {QStringLiteral("reportType"), 0},
                      {QStringLiteral("name"), QStringLiteral("DNEVNI")},
                      {QStringLiteral("via"), how},
                      {QStringLiteral("reportNumber"), dailyReportsStored},
                      {QStringLiteral("receipts"), m_receiptsSinceReport},
                      {QStringLiteral("taxGroupTotals"), totals},
                      {QStringLiteral("total"), money(sum)}});
  m_dayTotals.clear();
  m_receiptsSinceReport = 0;
  forceReportOutstanding = false;
  dailyReportRequired = false;
}

int FiscalDevice::deviceState() const {
  if (m_freeTextOpen)
    return m_freeText.isEmpty() ? 30 : 31;
  if (m_receipt.isOpen()) {
    if (m_receipt.payments.isEmpty())
      return 2;
    return m_receipt.paid() >= m_receipt.total() ? 4 : 3;
  }
  return m_anyDocument ? 1 : 0;
}

QJsonArray FiscalDevice::articlesJson() const {
  QJsonArray arr;
  for (const auto &a : articles)
    arr.append(QJsonObject{{QStringLiteral("number"), a.number},
                           {QStringLiteral("name"), nameText(a.name)},
                           {QStringLiteral("price"), money(a.price)},
                           {QStringLiteral("taxGroup"), a.taxGroup},
                           {QStringLiteral("barcode"), a.barcode}});
  return arr;
}

bool FiscalDevice::setArticleFromJson(const QJsonObject &o, QString *error) {
  QString ignored;
  if (!error)
    error = &ignored;
  Article a;
  a.number = o.value(QStringLiteral("number")).toInt(-1);
  if (!validArticleNumber(a.number)) {
    *error = QStringLiteral("article number out of range %1..%2").arg(firstArticle()).arg(lastArticle());
    return false;
  }
  a.name = nameBytes(o.value(QStringLiteral("name")).toString().trimmed());
  a.price = qRound64(o.value(QStringLiteral("price")).toDouble() * 100.0);
  a.taxGroup = o.value(QStringLiteral("taxGroup")).toInt();
  a.barcode = o.value(QStringLiteral("barcode")).toString().trimmed();
  if (a.price < 0 || a.taxGroup < 0 || a.taxGroup > 8) {
    *error = QStringLiteral("price must not be negative and the tax group must be 0..8");
    return false;
  }
  for (QChar c : a.barcode)
    if (!c.isDigit() || a.barcode.size() > 14) {
      *error = QStringLiteral("barcode must be at most 14 digits");
      return false;
    }
  // Preloading is the service technician's job: no daily-report restriction.
  if (a.name.isEmpty())
    articles.remove(a.number);
  else
    articles.insert(a.number, a);
  return true;
}

QJsonObject FiscalDevice::stateJson() const {
  QJsonArray rates;
  for (int r : taxRates)
    rates.append(r);
  QJsonObject ops, codes;
  for (auto it = operators.cbegin(); it != operators.cend(); ++it) {
    ops.insert(QString::number(it.key()), nameText(it.value()));
    codes.insert(QString::number(it.key()), qint64(operatorCodes.value(it.key())));
  }
  QJsonObject receipt = receiptJson(m_receipt);
  receipt.insert(QStringLiteral("open"), m_receipt.isOpen());
  return QJsonObject{{QStringLiteral("model"), m_model},
                     {QStringLiteral("family"), family()},
                     {QStringLiteral("register"), m_register},
                     {QStringLiteral("fiscalised"), fiscalised},
                     {QStringLiteral("paperOut"), paperOut},
                     {QStringLiteral("deviceState"), deviceState()},
                     {QStringLiteral("operator"), m_operator},
                     {QStringLiteral("serviceOpen"), m_serviceOpen},
                     {QStringLiteral("lastFiscalNumber"), qint64(lastFiscalNumber)},
                     {QStringLiteral("dailyReportsStored"), dailyReportsStored},
                     {QStringLiteral("dailyReportOutstanding"), reportOutstanding()},
                     {QStringLiteral("dailyReportRequired"), dailyReportRequired},
                     {QStringLiteral("receiptsSinceReport"), m_receiptsSinceReport},
                     {QStringLiteral("documents"), m_documentNumber},
                     {QStringLiteral("articleCount"), int(articles.size())},
                     {QStringLiteral("taxRates"), rates},
                     {QStringLiteral("operators"), ops},
                     {QStringLiteral("operatorCodes"), codes},
                     {QStringLiteral("drawerOpenings"), drawerOpenings},
                     {QStringLiteral("display"), QJsonArray{lcdLines[0], lcdLines[1]}},
                     {QStringLiteral("fiscalPrinterMode"), fiscalPrinterMode},
                     {QStringLiteral("freeTextOpen"), m_freeTextOpen},
                     {QStringLiteral("receipt"), receipt}};
}

} // namespace sim
