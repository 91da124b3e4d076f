#include "device/devicecommands.h"

#include "common/localetext.h"
#include "common/textfields.h"
#include "device/devicetext.h"
#include "device/framecodec.h"

using namespace FrameCodec;

namespace {
constexpr quint8 kAck1 = 0x1F;
constexpr quint8 kAck2 = 0x20;
constexpr quint8 kAck4 = 0x20; // family 4 answers with 0x20, 0x22, 0x23 or 0x25

QByteArray bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (int v : values)
    out.append(static_cast<char>(v));
  return out;
}

QByteArray zeros(int n) {
  return QByteArray(n, '\0');
}
} // namespace

quint16 DeviceCommands::dateWord(const QDate &date) {
  return static_cast<quint16>((date.year() % 128) * 512 + date.month() * 32 + date.day());
}

QString DeviceCommands::voidKey(const SaleLine &line) {
  if (Is_Number(line.sifra))
    return line.sifra;
  return QString::number(line.sifraUKasi).rightJustified(13, QLatin1Char(' '));
}

qint32 DeviceCommands::reportDate(const QDate &date) {
  return (date.year() % 100) * 10000 + date.month() * 100 + date.day();
}

QString DeviceCommands::badDateText(const QDate &today) {
  return QStringLiteral("Losa vrednost ulaznog parametra! Datum mora biti u formatu kao ") +
         LocaleText::date(today);
}

DeviceCommand DeviceCommands::Prijava(const LoginStep &step) const {
  const auto op = static_cast<char>(step.operater);
  switch (profile().family) {
  case Family::One: {
    QByteArray p(1, op);
    p += LE16(dateWord(step.datum));
    p += bytes({step.vreme.hour(), step.vreme.minute()});
    return make(longFrame(0x01, p), CopyKind::ReceiptCopy, 0, false, kAck1);
  }
  case Family::Two: {
    QByteArray p(1, op);
    p += bytes({0x64, 0x64});
    p += zeros(17);
    p += bytes({step.datum.year() & 0xFF, step.datum.month(), step.datum.day(), step.vreme.hour(),
                step.vreme.minute()});
    return make(longFrame(0x01, p), CopyKind::ReceiptCopy, 0, false, kAck2);
  }
  case Family::Four:
    break;
  }
  return make(longFrame(0x01, QByteArray(1, op)), CopyKind::ReceiptCopy, 0, true, kAck4);
}

DeviceCommand DeviceCommands::PrijavaOperatera(int operater, const QDateTime &now) const {
  if (profile().family == Family::Two)
    return Prijava(LoginStep{1, now.date(), now.time()});
  if (profile().family == Family::Four)
    return make(longFrame(0x01, QByteArray(1, static_cast<char>(operater))), CopyKind::ServiceCopy, 0, true,
                kAck4);
  return {};
}

DeviceCommand DeviceCommands::ProdajaArt(const SaleLine &line) const {
  const quint8 code = line.storno ? profile().voidCode : profile().saleCode;
  switch (profile().family) {
  case Family::One: {
    QByteArray p = zeros(7);
    p += LE16(line.sifraUKasi);
    p += quantity(line.kolicina);
    return make(longFrame(code, p), CopyKind::ReceiptCopy, 50, false, kAck1);
  }
  case Family::Two: {
    QByteArray p = LE16(line.sifraUKasi);
    p += zeros(7);
    p += quantity(line.kolicina);
    p += zeros(5);
    return make(longFrame(code, p), CopyKind::ReceiptCopy, 50, false, kAck2);
  }
  case Family::Four:
    break;
  }
  if (line.storno)
    return PonistiArt(line);
  QByteArray p = LE16(line.sifraUKasi);
  p += barcodeRight(line.barkod);
  p += quantity(line.kolicina);
  p += DeviceText::fixedLegacyText(line.naziv, 32);
  p += zeros(1);
  p += price(line.cena);
  p += bytes({line.poreskaGrupa, 0x01});
  return make(longFrame(code, p), CopyKind::ReceiptCopy, 300, true, kAck4);
}

DeviceCommand DeviceCommands::PonistiArt(const SaleLine &line) const {
  if (profile().family != Family::Four)
    return {};
  QByteArray p = LE16(line.sifraUKasi);
  p += barcodeRight(voidKey(line));
  p += quantity(line.kolicina);
  p += price(line.cena);
  p += bytes({0x01});
  return make(longFrame(profile().voidCode, p), CopyKind::ReceiptCopy, 100, true, kAck4);
}

DeviceCommand DeviceCommands::Placanje(const PaymentStep &payment) const {
  const quint8 code = profile().paymentCode;
  QByteArray p(1, static_cast<char>(payment.nacinPlacanja));
  switch (profile().family) {
  case Family::One:
    p += zeros(1);
    p += Suma(payment.iznosPlacanja);
    return make(longFrame(code, p), CopyKind::ReceiptCopy, 50, false, kAck1);
  case Family::Two:
    p += zeros(43);
    p += Suma(payment.iznosPlacanja);
    return make(longFrame(code, p), CopyKind::ReceiptCopy, 50, false, kAck2);
  case Family::Four:
    break;
  }
  p += Suma(payment.iznosPlacanja);
  return make(longFrame(code, p), CopyKind::ReceiptCopy, 0, true, kAck4);
}

DeviceCommand DeviceCommands::KrajRacuna() const {
  if (profile().deviceClosesReceipt)
    return {};
  return make(longFrame(0x0B, {}), CopyKind::ReceiptCopy, 0, true, kAck2);
}

DeviceCommand DeviceCommands::StornirajRacun() const {
  if (!profile().cancelsOpenReceipt)
    return {};
  return make(longFrame(0x0C, {}), CopyKind::ReceiptCopy, 0, true, kAck4);
}

DeviceCommand DeviceCommands::OtvoriFioku() const {
  if (!profile().hasDrawer)
    return {};
  if (profile().family == Family::One)
    return make(longFrame(0x29, {}), CopyKind::None, 0, false, kAck1);
  return make(longFrame(0x15, bytes({0x64, 0x00})), CopyKind::None, 0, true, kAck4);
}

DeviceCommand DeviceCommands::GetStatus() const {
  if (profile().family != Family::Four)
    return {};
  return make(longFrame(0x0D, {}), CopyKind::ServiceCopy, 0, true, kAck4);
}

DeviceCommand DeviceCommands::GetFMInfo() const {
  if (profile().family != Family::Four)
    return {};
  return make(longFrame(0x0E, bytes({0x07, 0x00, 0x00})), CopyKind::ServiceCopy, 0, true, 0x21);
}

DeviceCommand DeviceCommands::CitanjeFM() const {
  if (profile().family != Family::One)
    return {};
  DeviceCommand c = make(longFrame(0x7F, bytes({0x00, 0x00})), CopyKind::None, 0, false, 0x7F);
  c.armsTimer = true; // the timer runs, but there is no copy to resend
  return c;
}

DeviceCommand DeviceCommands::CitanjeFMMenko() const {
  if (profile().family != Family::Two)
    return {};
  return make(longFrame(0x18, {}), CopyKind::ReceiptCopy, 0, false, 0x19);
}

DeviceCommand DeviceCommands::Izvestaj(int type, const QString &from, const QString &to,
                                       const QDate &today) const {
  if (!profile().hasFiscalReports)
    return {};
  qint64 a = 0;
  qint64 b = 0;
  if (type == Periodicni) {
    const QDate d1 = LocaleText::toDate(from.trimmed());
    const QDate d2 = LocaleText::toDate(to.trimmed());
    if (!d1.isValid() || !d2.isValid()) {
      DeviceCommand refused;
      refused.error = badDateText(today);
      refused.errorTitle = QStringLiteral("Greska");
      return refused;
    }
    a = reportDate(d1);
    b = reportDate(d2);
  } else if (type >= PoArtiklima) {
    a = from.trimmed().toLongLong();
    b = to.trimmed().toLongLong();
  }
  QByteArray p(1, static_cast<char>(type));
  p += LE32(a);
  p += LE32(b);
  return make(longFrame(0x08, p), CopyKind::ServiceCopy, 0, true, kAck4);
}

DeviceCommand DeviceCommands::IsprazniTotal() const {
  if (!profile().hasFiscalReports)
    return {};
  return make(longFrame(0x12, {}), CopyKind::ServiceCopy, 0, true, kAck4);
}

DeviceCommand DeviceCommands::FreeTextBegin() const {
  if (!profile().hasFreeText)
    return {};
  return make(longFrame(0x07, {}), CopyKind::ServiceCopy, 0, true, kAck4);
}

DeviceCommand DeviceCommands::FreeTextPrint(const QString &text, quint8 attribute) const {
  if (!profile().hasFreeText)
    return {};
  QByteArray p(1, static_cast<char>(attribute));
  p += DeviceText::fixedLegacyText(text, 32);
  return make(longFrame(0x05, p), CopyKind::ServiceCopy, 100, true, kAck4);
}

DeviceCommand DeviceCommands::FreeTextEnd() const {
  if (!profile().hasFreeText)
    return {};
  return make(longFrame(0x06, {}), CopyKind::ServiceCopy, 0, true, kAck4);
}

DeviceCommand DeviceCommands::LcdShow(const QString &text, int line) const {
  if (!profile().hasCustomerDisplay)
    return {};
  QByteArray p(1, static_cast<char>(line));
  if (line != 2)
    p += DeviceText::fixedLegacyText(text, 20);
  return make(longFrame(0x1D, p), CopyKind::ServiceCopy, 0, true, kAck4);
}

DeviceCommand DeviceCommands::IzlazPrinter() const {
  if (!profile().leavesPrinterModeOnExit)
    return {};
  return make(longFrameWith(0x05, m_seq, 0x1F, {}), CopyKind::None, 0, false, 0);
}

DeviceCommand DeviceCommands::DatumVreme() const {
  if (profile().family != Family::Four)
    return {};
  return make(shortFrame(0x60, {}), CopyKind::ServiceCopy, 0, true, 0x60, true);
}

DeviceCommand DeviceCommands::Info() const {
  if (profile().family != Family::Four)
    return {};
  return make(shortFrame(0x20, {}), CopyKind::ServiceCopy, 0, true, 0x20, true);
}
