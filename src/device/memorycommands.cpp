#include "device/memorycommands.h"

#include "device/devicetext.h"
#include "device/framecodec.h"

using namespace FrameCodec;

namespace {
// Writes bytes into a payload at a payload index (frame offset minus the payload start).
void put(QByteArray &payload, int index, QByteArrayView bytes) {
  for (qsizetype i = 0; i < bytes.size() && index + i < payload.size(); ++i)
    payload[index + i] = bytes[i];
}
} // namespace

DeviceCommand MemoryCommands::UpisArtikla(const DeviceArticleWrite &a) const {
  // Names are cut to the field: a longer one would run into the barcode and the price.
  const QByteArray name = DeviceText::nameToDevice(a.naziv, model()).left(profile().nameBytes);
  switch (profile().articleMemory) {
  case ArticleMemory::LongFrames: {
    QByteArray p(56, '\0'); // frame offsets 9..64
    put(p, 0, LE16(a.broj));
    if (name.isEmpty())
      put(p, 2, QByteArray(37, '\xFF'));
    else
      put(p, 2, name);
    p[38] = '\xFF';
    put(p, 39, barcodeRight(a.barkod));
    p[46] = static_cast<char>(a.poreskaGrupa);
    p[47] = 0x01;
    put(p, 48, price(a.cena));
    return make(longFrame(0x74, p), CopyKind::ServiceAndReceiptCopy, 0, true, 0x74);
  }
  case ArticleMemory::ShortFrameService: {
    if (a.cena < 0) {
      DeviceCommand refused;
      refused.error = QStringLiteral("Greska u podacima");
      refused.errorTitle = QStringLiteral("Greska!!!");
      refused.closesServiceOnError = true;
      return refused;
    }
    QByteArray p(52, '\0'); // frame offsets 3..54
    put(p, 0, BE16(a.broj));
    put(p, 2, name);
    put(p, 40, price(a.cena));
    p[44] = static_cast<char>(a.poreskaGrupa);
    put(p, 45, barcodeLeft(a.barkod));
    return make(shortFrame(0x85, p), CopyKind::ServiceShortCopy, 0, true, 0x85, true);
  }
  case ArticleMemory::LongFramesLoggedIn: {
    QByteArray p(54, '\0'); // frame offsets 9..62
    put(p, 0, LE16(a.broj));
    put(p, 2, name.left(18));
    put(p, 21, name.mid(18));
    p[41] = static_cast<char>(a.poreskaGrupa);
    put(p, 42, Suma(a.cena));
    put(p, 47, barcodeLeft(a.barkod));
    return make(longFrame(0x15, p), CopyKind::ServiceAndReceiptCopy, 0, true, 0x20);
  }
  case ArticleMemory::Family4:
    break;
  }
  QByteArray p(48, '\0'); // frame offsets 9..56
  put(p, 0, LE16(a.broj));
  put(p, 2, barcodeRight(a.barkod));
  put(p, 9, name);
  put(p, 42, price(a.cena));
  p[46] = static_cast<char>(a.poreskaGrupa);
  p[47] = 0x01;
  return make(longFrame(0x13, p), CopyKind::ServiceCopy, 0, true, 0x20);
}

DeviceCommand MemoryCommands::CitanjeArtikla(int n, int articleCounter) const {
  switch (profile().articleMemory) {
  case ArticleMemory::LongFrames:
    return make(longFrame(0x73, LE16(n)), CopyKind::ServiceCopy, 0, true, 0x73);
  case ArticleMemory::ShortFrameService:
    return make(shortFrame(0x80, BE16(articleCounter + 1)), CopyKind::ServiceShortCopy, 0, true, 0x80, true);
  case ArticleMemory::LongFramesLoggedIn:
    return make(longFrame(0x14, LE16(n)), CopyKind::ServiceCopy, 0, true, 0x16);
  case ArticleMemory::Family4:
    break;
  }
  return make(shortFrame(0x82, LE16(n)), CopyKind::ServiceCopy, 0, true, 0x84, true);
}

DeviceCommand MemoryCommands::CitanjeArtiklaMenko() const {
  // Sent while the variant is still being found out, so any family-2 model builds it.
  if (profile().family != Family::Two)
    return {};
  return make(longFrame(0x14, LE16(1)), CopyKind::ServiceCopy, 0, true, 0x16);
}

DeviceCommand MemoryCommands::CitajSledeci() const {
  if (profile().articleMemory != ArticleMemory::Family4)
    return {};
  return make(shortFrame(0x84, {}), CopyKind::ServiceCopy, 0, true, 0x84, true);
}

DeviceCommand MemoryCommands::IsprazniStampac(int first, int last) const {
  if (profile().articleMemory != ArticleMemory::Family4)
    return {};
  return make(longFrame(0x0F, LE16(first) + LE16(last)), CopyKind::ServiceCopy, 0, true, 0x20);
}

DeviceCommand MemoryCommands::CitanjeOperatera(int n) const {
  const QByteArray number(1, static_cast<char>(n));
  switch (profile().family) {
  case Family::One:
    return make(longFrame(0x75, number), CopyKind::ServiceCopy, 0, true, 0x75);
  case Family::Four:
    return make(shortFrame(0x90, number), CopyKind::ServiceCopy, 0, true, 0x90, true);
  case Family::Two:
    break;
  }
  return {};
}

DeviceCommand MemoryCommands::CitanjeStopa(int n) const {
  switch (profile().family) {
  case Family::One:
    return make(longFrame(0x6B, QByteArray(1, static_cast<char>(n))), CopyKind::ServiceCopy, 0, true, 0x6B);
  case Family::Four:
    return make(shortFrame(0x70, {}), CopyKind::ServiceCopy, 0, true, 0x70, true);
  case Family::Two:
    break;
  }
  return {};
}

DeviceCommand MemoryCommands::PrijavaZaArtikle(const QDateTime &now) const {
  if (profile().family != Family::Two)
    return {};
  QByteArray p(25, '\0');
  p[0] = 0x01;
  p[1] = 0x64;
  p[2] = 0x64;
  p[20] = static_cast<char>(now.date().year() & 0xFF);
  p[21] = static_cast<char>(now.date().month());
  p[22] = static_cast<char>(now.date().day());
  p[23] = static_cast<char>(now.time().hour());
  p[24] = static_cast<char>(now.time().minute());
  return make(longFrameWith(profile().familyByte, 0x01, 0x01, p), CopyKind::ServiceCopy, 0, true, 0x20);
}

DeviceCommand MemoryCommands::OtvoriServis() const {
  if (profile().family != Family::Two)
    return {};
  const char payload[] = {0x02, 0x11};
  return make(shortFrame(0x00, QByteArrayView(payload, 2)), CopyKind::ServiceShortCopy, 0, true, 0x00, true);
}

DeviceCommand MemoryCommands::InfoServis() const {
  if (profile().family != Family::Two)
    return {};
  return make(shortFrame(0x20, {}), CopyKind::ServiceShortCopy, 0, true, 0x20, true);
}

DeviceCommand MemoryCommands::ZatvoriServis() const {
  if (profile().family != Family::Two)
    return {};
  return make(shortFrame(0x10, {}), CopyKind::ServiceShortCopy, 0, true, 0x10, true);
}
