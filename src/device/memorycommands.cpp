#include "device/memorycommands.h"

#include "device/devicetext.h"
#include "device/framecodec.h"

using namespace FrameCodec;

namespace {
constexpr int kNameBytes = 36;
constexpr int kNameBytesFamily4 = 32;

// Writes bytes into a payload at a payload index (frame offset minus the payload start).
void put(QByteArray &payload, int index, QByteArrayView bytes) {
  for (qsizetype i = 0; i < bytes.size() && index + i < payload.size(); ++i)
    payload[index + i] = bytes[i];
}
} // namespace

DeviceCommand MemoryCommands::UpisArtikla(const DeviceArticleWrite &a) const {
  // Names are cut to the field: a longer one would run into the barcode and the price.
  if (family() == 1) {
    QByteArray p(56, '\0'); // frame offsets 9..64
    put(p, 0, LE16(a.broj));
    const QByteArray name = DeviceText::nameToDevice(a.naziv, m_model).left(kNameBytes);
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
  if (m_model == 2) {
    if (a.cena < 0) {
      DeviceCommand refused;
      refused.error = QStringLiteral("Greska u podacima");
      refused.errorTitle = QStringLiteral("Greska!!!");
      refused.closesServiceOnError = true;
      return refused;
    }
    QByteArray p(52, '\0'); // frame offsets 3..54
    put(p, 0, BE16(a.broj));
    put(p, 2, DeviceText::nameToDevice(a.naziv, m_model).left(kNameBytes));
    put(p, 40, price(a.cena));
    p[44] = static_cast<char>(a.poreskaGrupa);
    put(p, 45, barcodeLeft(a.barkod));
    return make(shortFrame(0x85, p), CopyKind::ServiceShortCopy, 0, true, 0x85, true);
  }
  if (m_model == 3) {
    QByteArray p(54, '\0'); // frame offsets 9..62
    put(p, 0, LE16(a.broj));
    const QByteArray name = DeviceText::nameToDevice(a.naziv, m_model).left(kNameBytes);
    put(p, 2, name.left(18));
    put(p, 21, name.mid(18));
    p[41] = static_cast<char>(a.poreskaGrupa);
    put(p, 42, Suma(a.cena));
    put(p, 47, barcodeLeft(a.barkod));
    return make(longFrame(0x15, p), CopyKind::ServiceAndReceiptCopy, 0, true, 0x20);
  }
  QByteArray p(48, '\0'); // frame offsets 9..56
  put(p, 0, LE16(a.broj));
  put(p, 2, barcodeRight(a.barkod));
  put(p, 9, DeviceText::nameToDevice(a.naziv, m_model).left(kNameBytesFamily4));
  put(p, 42, price(a.cena));
  p[46] = static_cast<char>(a.poreskaGrupa);
  p[47] = 0x01;
  return make(longFrame(0x13, p), CopyKind::ServiceCopy, 0, true, 0x20);
}

DeviceCommand MemoryCommands::CitanjeArtikla(int n, int articleCounter) const {
  if (family() == 1)
    return make(longFrame(0x73, LE16(n)), CopyKind::ServiceCopy, 0, true, 0x73);
  if (m_model == 2)
    return make(shortFrame(0x80, BE16(articleCounter + 1)), CopyKind::ServiceShortCopy, 0, true, 0x80, true);
  if (m_model == 3)
    return make(longFrame(0x14, LE16(n)), CopyKind::ServiceCopy, 0, true, 0x16);
  return make(shortFrame(0x82, LE16(n)), CopyKind::ServiceCopy, 0, true, 0x84, true);
}

DeviceCommand MemoryCommands::CitanjeArtiklaMenko() const {
  // Sent while the variant is still being found out, so any family-2 model builds it.
  if (family() != 2)
    return {};
  return make(longFrame(0x14, LE16(1)), CopyKind::ServiceCopy, 0, true, 0x16);
}

DeviceCommand MemoryCommands::CitajSledeci() const {
  if (family() != 4)
    return {};
  return make(shortFrame(0x84, {}), CopyKind::ServiceCopy, 0, true, 0x84, true);
}

DeviceCommand MemoryCommands::IsprazniStampac(int first, int last) const {
  if (family() != 4)
    return {};
  return make(longFrame(0x0F, LE16(first) + LE16(last)), CopyKind::ServiceCopy, 0, true, 0x20);
}

DeviceCommand MemoryCommands::CitanjeOperatera(int n) const {
  const QByteArray number(1, static_cast<char>(n));
  if (family() == 1)
    return make(longFrame(0x75, number), CopyKind::ServiceCopy, 0, true, 0x75);
  if (family() == 4)
    return make(shortFrame(0x90, number), CopyKind::ServiceCopy, 0, true, 0x90, true);
  return {};
}

DeviceCommand MemoryCommands::CitanjeStopa(int n) const {
  if (family() == 1)
    return make(longFrame(0x6B, QByteArray(1, static_cast<char>(n))), CopyKind::ServiceCopy, 0, true, 0x6B);
  if (family() == 4)
    return make(shortFrame(0x70, {}), CopyKind::ServiceCopy, 0, true, 0x70, true);
  return {};
}

DeviceCommand MemoryCommands::PrijavaZaArtikle(const QDateTime &now) const {
  if (family() != 2)
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
  return make(longFrameWith(familyByte(m_model), 0x01, 0x01, p), CopyKind::ServiceCopy, 0, true, 0x20);
}

DeviceCommand MemoryCommands::OtvoriServis() const {
  if (family() != 2)
    return {};
  const char payload[] = {0x02, 0x11};
  return make(shortFrame(0x00, QByteArrayView(payload, 2)), CopyKind::ServiceShortCopy, 0, true, 0x00, true);
}

DeviceCommand MemoryCommands::InfoServis() const {
  if (family() != 2)
    return {};
  return make(shortFrame(0x20, {}), CopyKind::ServiceShortCopy, 0, true, 0x20, true);
}

DeviceCommand MemoryCommands::ZatvoriServis() const {
  if (family() != 2)
    return {};
  return make(shortFrame(0x10, {}), CopyKind::ServiceShortCopy, 0, true, 0x10, true);
}
