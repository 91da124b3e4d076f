#include "device/framedescription.h"

#include "device/deviceerrors.h"
#include "device/deviceprofile.h"
#include "device/framecodec.h"
#include "device/replyparser.h"

namespace FrameDescription {

namespace {

struct Name {
  quint8 code;
  const char *name;
};

// Long-frame commands per family; models 1 and 5 differ in their sale and payment codes.
constexpr Name kFamily1[] = {
    {0x01, "Prijava"},     {0x29, "OtvoriFioku"},      {0x7F, "CitanjeFM"},    {0x73, "CitanjeArtikla"},
    {0x74, "UpisArtikla"}, {0x75, "CitanjeOperatera"}, {0x6B, "CitanjeStopa"},
};
constexpr Name kModel1[] = {{0x0B, "ProdajaArt"}, {0x0C, "ProdajaArt storno"}, {0x15, "Placanje"}};
constexpr Name kModel5[] = {{0x05, "ProdajaArt"}, {0x06, "ProdajaArt storno"}, {0x13, "Placanje"}};
constexpr Name kFamily2[] = {
    {0x01, "Prijava"},    {0x03, "ProdajaArt"},     {0x04, "ProdajaArt storno"}, {0x09, "Placanje"},
    {0x0B, "KrajRacuna"}, {0x18, "CitanjeFMMenko"}, {0x14, "CitanjeArtikla"},    {0x15, "UpisArtikla"},
};
constexpr Name kFamily2Short[] = {
    {0x00, "OtvoriServis"}, {0x20, "InfoServis"},    {0x80, "CitanjeArtikla"},
    {0x85, "UpisArtikla"},  {0x10, "ZatvoriServis"},
};
constexpr Name kFamily4[] = {
    {0x01, "Prijava"},         {0x03, "ProdajaArt"},     {0x04, "PonistiArt"},    {0x09, "Placanje"},
    {0x0B, "KrajRacuna"},      {0x0C, "StornirajRacun"}, {0x15, "OtvoriFioku"},   {0x0D, "GetStatus"},
    {0x0E, "GetFMInfo"},       {0x08, "Izvestaj"},       {0x12, "IsprazniTotal"}, {0x07, "FreeTextBegin"},
    {0x05, "FreeTextPrint"},   {0x06, "FreeTextEnd"},    {0x1D, "LcdShow"},       {0x13, "UpisArtikla"},
    {0x0F, "IsprazniStampac"},
};
constexpr Name kFamily4Short[] = {
    {0x60, "DatumVreme"},     {0x20, "Info"},         {0x70, "CitanjeStopa"},
    {0x82, "CitanjeArtikla"}, {0x84, "CitajSledeci"}, {0x90, "CitanjeOperatera"},
};

template <size_t N> const char *find(const Name (&table)[N], quint8 code) {
  for (const Name &n : table)
    if (n.code == code)
      return n.name;
  return nullptr;
}

QString codeText(int code) {
  return QStringLiteral("0x") + QString::number(code, 16).rightJustified(2, QLatin1Char('0')).toUpper();
}

QString unknown(int code) {
  return QStringLiteral("komanda ") + codeText(code);
}

bool isLongFrame(QByteArrayView f) {
  return f.size() >= 12 && quint8(f[0]) == FrameCodec::LongStart;
}
bool isShortFrame(QByteArrayView f) {
  return f.size() >= 4 && quint8(f[0]) == FrameCodec::ShortStart;
}

QString accepted() {
  return QStringLiteral("prihvaceno");
}
QString refused(const QString &why) {
  return why.isEmpty() ? QStringLiteral("odbijeno") : QStringLiteral("odbijeno: ") + why;
}

QString family1Reply(int model, QByteArrayView f) {
  switch (quint8(f[7])) {
  case 0x1F: {
    const auto ack = ReplyParser::family1Ack(f);
    return ack.refused ? refused(DeviceErrors::reasonText(model, ack.reason)) : accepted();
  }
  case 0x1C:
    return QStringLiteral("racun zatvoren, fiskalni broj %1").arg(ReplyParser::fiscalReceiptNumber1C(f));
  case 0x7F:
    return ReplyParser::fiscalisedFrom7F(f) ? QStringLiteral("kasa je fiskalizovana")
                                            : DeviceErrors::notFiscalisedText();
  case 0x73: {
    const auto a = ReplyParser::articleFamily1(f);
    return a.naziv.isEmpty() ? QStringLiteral("artikal %1: prazno").arg(a.broj)
                             : QStringLiteral("artikal %1: %2").arg(a.broj).arg(a.naziv);
  }
  case 0x74:
    return QStringLiteral("upis artikla potvrdjen");
  case 0x75: {
    const auto o = ReplyParser::operatorFamily1(f);
    return o.empty ? QStringLiteral("operater %1: prazno").arg(o.broj)
                   : QStringLiteral("operater %1: %2").arg(o.broj).arg(o.naziv);
  }
  case 0x6B: {
    const auto t = ReplyParser::taxRateFamily1(f);
    return t.defined ? QStringLiteral("stopa %1: %2").arg(t.index).arg(t.hundredths / 100.0, 0, 'f', 2)
                     : QStringLiteral("stopa %1: nije definisana").arg(t.index);
  }
  }
  return QStringLiteral("odgovor ") + codeText(quint8(f[7]));
}

QString family2Reply(int model, QByteArrayView f) {
  if (isShortFrame(f)) {
    switch (quint8(f[1])) {
    case 0x00:
      return QStringLiteral("servis otvoren");
    case 0xFD:
      return DeviceErrors::dailyReportOutstandingText();
    case 0x10:
      return QStringLiteral("servis zatvoren");
    case 0x20:
      return ReplyParser::fiscalisedFromInfo(f) ? QStringLiteral("kasa je fiskalizovana")
                                                : DeviceErrors::notFiscalisedText();
    case 0x80: {
      const auto a = ReplyParser::articleModel2(f);
      return a.naziv.isEmpty() ? QStringLiteral("artikal %1: prazno").arg(a.broj)
                               : QStringLiteral("artikal %1: %2").arg(a.broj).arg(a.naziv);
    }
    case 0x85:
      return QStringLiteral("upis artikla potvrdjen");
    }
    return QStringLiteral("kratak odgovor ") + codeText(quint8(f[1]));
  }
  switch (quint8(f[7])) {
  case 0x20:
    return ReplyParser::family2Ack(f).accepted() ? accepted() : refused(DeviceErrors::family2RefusalText());
  case 0x19:
    return QStringLiteral("fiskalna memorija procitana");
  case 0x16: {
    const auto a = ReplyParser::articleModel3(f);
    return a.naziv.isEmpty() ? QStringLiteral("artikal %1: prazno").arg(a.broj)
                             : QStringLiteral("artikal %1: %2").arg(a.broj).arg(a.naziv);
  }
  }
  (void)model;
  return QStringLiteral("odgovor ") + codeText(quint8(f[7]));
}

QString family4Reply(QByteArrayView f) {
  if (isShortFrame(f)) {
    switch (quint8(f[1])) {
    case 0xF5:
      return QStringLiteral("obavestenje: ") + DeviceErrors::noticeText(ReplyParser::noticeCode(f));
    case 0x20:
      return ReplyParser::fiscalisedFromInfo(f) ? QStringLiteral("kasa je fiskalizovana")
                                                : DeviceErrors::notFiscalisedText();
    case 0x60:
      return QStringLiteral("vreme kase ") +
             ReplyParser::deviceClock(f).toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case 0x84: {
      const auto a = ReplyParser::articleFamily4(f);
      return a.broj == 0 ? QStringLiteral("nema daljih artikala")
                         : QStringLiteral("artikal %1: %2").arg(a.broj).arg(a.naziv);
    }
    case 0x90: {
      const auto o = ReplyParser::operatorFamily4(f);
      return o.empty ? QStringLiteral("operater %1: prazno").arg(o.broj)
                     : QStringLiteral("operater %1: %2").arg(o.broj).arg(o.naziv);
    }
    case 0x70:
      return QStringLiteral("poreske stope");
    }
    return QStringLiteral("kratak odgovor ") + codeText(quint8(f[1]));
  }
  if (quint8(f[7]) == 0x21)
    return QStringLiteral("preostalo dnevnih izvestaja: %1").arg(ReplyParser::fmInfo(f).remaining());
  if (!ReplyParser::isFamily4Ack(f))
    return QStringLiteral("odgovor ") + codeText(quint8(f[7]));
  const auto ack = ReplyParser::family4Ack(f);
  QByteArray probe(12, '\0');
  probe[0] = char(FrameCodec::LongStart);
  probe[1] = char(0x04);
  probe[7] = char(ack.answered);
  const QString answered = QStringLiteral(" (na ") + commandName(4, probe) + QLatin1Char(')');
  if (!ack.accepted())
    return refused(ack.paperOut() ? DeviceErrors::paperOutText()
                                  : DeviceErrors::DekodirajGresku(ack.errorWord).trimmed()) +
           answered;
  if (ack.answered == 0x0D)
    return QStringLiteral("stanje kase %1").arg(ack.stateOrClass) + answered;
  return accepted() + answered;
}

} // namespace

QString commandName(int model, QByteArrayView f) {
  const DeviceProfile &device = DeviceProfile::of(model);
  if (isShortFrame(f)) {
    const quint8 code = quint8(f[1]);
    const char *name = device.family == Family::Two    ? find(kFamily2Short, code)
                       : device.family == Family::Four ? find(kFamily4Short, code)
                                                       : nullptr;
    return name ? QString::fromLatin1(name) : unknown(code);
  }
  if (!isLongFrame(f))
    return QStringLiteral("nepotpun okvir");
  const quint8 family = quint8(f[1]);
  const quint8 code = quint8(f[7]);
  const char *name = nullptr;
  switch (family) {
  case 0x01:
    name = find(kFamily1, code);
    if (!name)
      name = model == 5 ? find(kModel5, code) : find(kModel1, code);
    break;
  case 0x02:
    name = find(kFamily2, code);
    break;
  case 0x04:
    name = find(kFamily4, code);
    break;
  case 0x05:
    name = code == 0x1F ? "IzlazPrinter" : nullptr;
    break;
  }
  return name ? QString::fromLatin1(name) : unknown(code);
}

QString replyMeaning(int model, QByteArrayView f) {
  if (!isLongFrame(f) && !isShortFrame(f))
    return QStringLiteral("nepotpun okvir");
  switch (DeviceProfile::of(model).family) {
  case Family::One:
    return isLongFrame(f) ? family1Reply(model, f)
                          : QStringLiteral("kratak odgovor ") + codeText(quint8(f[1]));
  case Family::Two:
    return family2Reply(model, f);
  case Family::Four:
    return family4Reply(f);
  }
  return QString();
}

QString hex(int model, QByteArrayView f) {
  // A family-1 operator reply carries the operator's numeric code at offsets 29 to 32.
  const bool operatorReply =
      DeviceProfile::of(model).family == Family::One && isLongFrame(f) && quint8(f[7]) == 0x75;
  QString out;
  out.reserve(f.size() * 3);
  for (qsizetype i = 0; i < f.size(); ++i) {
    if (i)
      out += QLatin1Char(' ');
    if (operatorReply && i >= 29 && i <= 32)
      out += QLatin1String("**");
    else
      out += QStringLiteral("%1").arg(quint8(f[i]), 2, 16, QLatin1Char('0')).toUpper();
  }
  return out;
}

} // namespace FrameDescription
