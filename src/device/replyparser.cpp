#include "device/replyparser.h"

#include "device/deviceprofile.h"
#include "device/devicetext.h"
#include "device/framecodec.h"

using namespace FrameCodec;

namespace ReplyParser {
namespace {

// Seven barcode bytes; missing bytes read as 0xFF (no digit) rather than as zeros.
QString barcodeAt(QByteArrayView frame, int offset) {
  QByteArray seven(7, '\xFF');
  for (int i = 0; i < 7; ++i)
    if (offset + i < frame.size())
      seven[i] = frame[offset + i];
  return BCDToBarkod(seven);
}

// Bytes first..last that are printable (above 31), stopping at a zero byte when asked.
QByteArray printable(QByteArrayView frame, int first, int last, bool stopAtZero, bool skipFF) {
  QByteArray out;
  for (int i = first; i <= last && i < frame.size(); ++i) {
    const quint8 b = byteAt(frame, i);
    if (b == 0 && stopAtZero)
      break;
    if (b > 31 && !(skipFF && b == 0xFF))
      out.append(static_cast<char>(b));
  }
  return out;
}

// The frame up to the end of its payload: checksums and terminator are never read as fields.
QByteArrayView body(QByteArrayView frame) {
  qsizetype end = frame.size();
  if (byteAt(frame, 0) == LongStart && frame.size() > 8)
    end = 9 + byteAt(frame, 8);
  else if (byteAt(frame, 0) == ShortStart && frame.size() > 2)
    end = 3 + byteAt(frame, 2);
  else if (byteAt(frame, 0) == LongStart || byteAt(frame, 0) == ShortStart)
    end = 0;
  return frame.first(std::min(end, frame.size()));
}

} // namespace

bool isLong(QByteArrayView frame, quint8 code) {
  return frame.size() >= LongOverhead && byteAt(frame, 0) == LongStart && byteAt(frame, 7) == code &&
         byteAt(frame, 8) + LongOverhead == frame.size() && byteAt(frame, frame.size() - 1) == Terminator;
}

bool isShort(QByteArrayView frame, quint8 code) {
  return frame.size() >= ShortOverhead && byteAt(frame, 0) == ShortStart && byteAt(frame, 1) == code &&
         byteAt(frame, 2) + ShortOverhead == frame.size() && byteAt(frame, frame.size() - 1) == Terminator;
}

bool isFamily4Ack(QByteArrayView frame) {
  for (const quint8 code : {0x20, 0x22, 0x23, 0x25})
    if (isLong(frame, code))
      return true;
  return false;
}

int replyCode(QByteArrayView frame) {
  if (byteAt(frame, 0) == LongStart && frame.size() > 7)
    return byteAt(frame, 7);
  if (byteAt(frame, 0) == ShortStart && frame.size() > 1)
    return byteAt(frame, 1);
  return -1;
}

Family1Ack family1Ack(QByteArrayView frame) {
  frame = body(frame);
  return {byteAt(frame, 9) == 0xFF, byteAt(frame, 10)};
}

quint32 fiscalReceiptNumber1C(QByteArrayView frame) {
  frame = body(frame);
  return readBE32(frame, 11);
}

bool fiscalisedFrom7F(QByteArrayView frame) {
  frame = body(frame);
  for (int i = 20; i <= 37; ++i)
    if (byteAt(frame, i) != 0xFF)
      return true;
  return false;
}

Family2Ack family2Ack(QByteArrayView frame) {
  frame = body(frame);
  return {byteAt(frame, 9)};
}

Family4Ack family4Ack(QByteArrayView frame) {
  frame = body(frame);
  Family4Ack a;
  a.code = byteAt(frame, 7);
  a.status = byteAt(frame, 9);
  a.stateOrClass = byteAt(frame, 10);
  for (int i = 0; i < 4; ++i)
    a.errorBytes[i] = byteAt(frame, 11 + i);
  a.errorWord = readBE32(frame, 11);
  a.answered = byteAt(frame, 15);
  a.receiptNumber = static_cast<quint32>(readLE32(frame, 21));
  a.hasArticle = (a.code == 0x20 || a.code == 0x22) && (a.answered == 0x03 || a.answered == 0x04);
  if (a.hasArticle) {
    a.articleNumber = static_cast<quint16>(readLE16(frame, 16));
    a.articleFlags = byteAt(frame, 24);
  }
  return a;
}

FMInfo fmInfo(QByteArrayView frame) {
  frame = body(frame);
  return {byteAt(frame, 9), static_cast<quint16>(readLE16(frame, 15))};
}

QDateTime DeviceClock::toDateTime() const {
  const QDate d(year, month, day);
  const QTime t(hour, minute, second);
  if (!d.isValid() || !t.isValid())
    return {};
  return QDateTime(d, t);
}

DeviceClock deviceClock(QByteArrayView frame) {
  frame = body(frame);
  DeviceClock c;
  c.second = byteAt(frame, 3);
  c.minute = byteAt(frame, 4);
  c.hour = byteAt(frame, 5);
  c.day = byteAt(frame, 7);
  c.month = byteAt(frame, 8);
  c.year = byteAt(frame, 9) + 1900;
  return c;
}

bool fiscalisedFromInfo(QByteArrayView frame) {
  frame = body(frame);
  return frame.size() > 79 && byteAt(frame, 79) == 0xCC;
}

quint8 noticeCode(QByteArrayView frame) {
  frame = body(frame);
  return byteAt(frame, 5);
}

DeviceArticle articleFamily1(QByteArrayView frame) {
  frame = body(frame);
  DeviceArticle a;
  a.broj = static_cast<int>(readLE16(frame, 9));
  if (byteAt(frame, 11) != 0xFF)
    a.naziv = DeviceText::nameFromDevice(printable(frame, 11, 46, false, true), 1);
  a.cena = readLE32(frame, 57) / 100.0;
  a.poreskaGrupa = byteAt(frame, 55) & 0x0F;
  a.barkod = barcodeAt(frame, 48);
  return a;
}

DeviceArticle articleModel2(QByteArrayView frame) {
  frame = body(frame);
  DeviceArticle a;
  a.broj = static_cast<int>(readBE16(frame, 3));
  const QByteArray name = printable(frame, 5, 22, true, false) + printable(frame, 23, 40, true, false);
  a.naziv = DeviceText::nameFromDevice(name, 2);
  a.cena = readLE32(frame, 43) / 100.0;
  a.poreskaGrupa = byteAt(frame, 47);
  a.barkod = barcodeAt(frame, 48);
  return a;
}

DeviceArticle articleModel3(QByteArrayView frame) {
  frame = body(frame);
  DeviceArticle a;
  a.broj = static_cast<int>(readLE16(frame, 9));
  const QByteArray name = printable(frame, 11, 28, true, false) + printable(frame, 30, 47, true, false);
  a.naziv = DeviceText::nameFromDevice(name, 3);
  a.cena = readLE32(frame, 51) + byteAt(frame, 55) / 100.0;
  a.poreskaGrupa = byteAt(frame, 50);
  a.barkod = barcodeAt(frame, 56);
  return a;
}

DeviceArticle articleFamily4(QByteArrayView frame) {
  frame = body(frame);
  DeviceArticle a;
  a.broj = static_cast<int>(readLE16(frame, 3));
  a.naziv = DeviceText::nameFromDevice(printable(frame, 5, 37, true, false), 4);
  a.cena = readLE32(frame, 39) / 100.0;
  a.poreskaGrupa = byteAt(frame, 44);
  a.barkod = barcodeAt(frame, 45);
  return a;
}

DeviceArticle article(int model, QByteArrayView frame) {
  switch (DeviceProfile::of(model).articleMemory) {
  case ArticleMemory::ShortFrameService:
    return articleModel2(frame);
  case ArticleMemory::LongFramesLoggedIn:
    return articleModel3(frame);
  case ArticleMemory::Family4:
    return articleFamily4(frame);
  case ArticleMemory::LongFrames:
    break;
  }
  return articleFamily1(frame);
}

DeviceOperator operatorFamily1(QByteArrayView frame) {
  frame = body(frame);
  DeviceOperator o;
  o.broj = byteAt(frame, 9);
  o.empty = byteAt(frame, 10) == 0xFF;
  if (!o.empty)
    o.naziv = DeviceText::nameFromDevice(printable(frame, 10, 27, false, false), 1);
  o.sifra = readLE32(frame, 29);
  return o;
}

DeviceOperator operatorFamily4(QByteArrayView frame) {
  frame = body(frame);
  DeviceOperator o;
  o.broj = byteAt(frame, 3);
  o.empty = byteAt(frame, 4) == 0xFF && byteAt(frame, 5) == 0xFF;
  if (!o.empty) {
    QByteArray name;
    for (int i = 4; i <= 35 && i < frame.size() && byteAt(frame, i) != 0; ++i)
      name.append(static_cast<char>(byteAt(frame, i)));
    o.naziv = DeviceText::nameFromDevice(name, 4);
  }
  return o;
}

DeviceTaxRate taxRateFamily1(QByteArrayView frame) {
  frame = body(frame);
  DeviceTaxRate r;
  r.index = byteAt(frame, 9);
  const quint32 v = readLE16(frame, 12);
  r.defined = v != 0xFFFF;
  r.hundredths = r.defined ? static_cast<int>(v) : 0;
  return r;
}

std::array<DeviceTaxRate, 9> taxRatesFamily4(QByteArrayView frame) {
  frame = body(frame);
  std::array<DeviceTaxRate, 9> rates{};
  for (int i = 0; i < 9; ++i) {
    const quint32 v = readLE16(frame, 3 + 2 * i);
    rates[i].index = i;
    rates[i].defined = v <= 9999;
    rates[i].hundredths = rates[i].defined ? static_cast<int>(v) : 0;
  }
  return rates;
}

bool serviceOpened(QByteArrayView frame) {
  return isShort(frame, 0x00);
}

bool dailyReportOutstanding(QByteArrayView frame) {
  return isShort(frame, 0xFD);
}

bool serviceClosed(QByteArrayView frame) {
  return frame == QByteArrayView("\x5F\x10\x00\x0D", 4);
}

bool articleWriteAck(int model, QByteArrayView frame) {
  switch (DeviceProfile::of(model).articleMemory) {
  case ArticleMemory::ShortFrameService:
    return isShort(frame, 0x85);
  case ArticleMemory::LongFramesLoggedIn:
    return isLong(frame, 0x20);
  case ArticleMemory::Family4:
    return isFamily4Ack(frame) && byteAt(frame, 15) == 0x13;
  case ArticleMemory::LongFrames:
    break;
  }
  return isLong(frame, 0x74);
}

} // namespace ReplyParser
