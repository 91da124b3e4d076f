#include "device/devicecommands.h"
#include "device/framecodec.h"
#include "device/framedescription.h"

#include <gtest/gtest.h>

using namespace FrameDescription;

namespace {
QByteArray fromHex(const char *text) {
  return QByteArray::fromHex(QByteArray(text));
}
QByteArray longReply(quint8 family, quint8 code, const QByteArray &payload) {
  return FrameCodec::longFrame(family, family == 0x04 ? 0x01 : 0x11, QStringLiteral("123450"), 0, code,
                               payload);
}
} // namespace

// The names come from the frames the program really builds, for every family.
TEST(FrameDescription, CommandNamesOfTheBuiltFrames) {
  LoginStep login{2, QDate(2026, 3, 4), QTime(10, 30)};
  SaleLine line;
  line.sifraUKasi = 10;
  line.sifra = QStringLiteral("1");
  line.naziv = QStringLiteral("KAFA");
  line.kolicina = Quantity(1.0);
  line.cena = Money(100.0);
  line.poreskaGrupa = 2;
  SaleLine storno = line;
  storno.storno = true;
  const PaymentStep cash{0, Money(100.0)};
  for (int model : {1, 2, 4, 5}) {
    const DeviceCommands c(model, QStringLiteral("123450"), 7);
    const struct {
      QByteArray frame;
      const char *name;
    } cases[] = {
        {c.Prijava(login).bytes, "Prijava"},
        {c.ProdajaArt(line).bytes, "ProdajaArt"},
        {c.Placanje(cash).bytes, "Placanje"},
    };
    for (const auto &k : cases)
      EXPECT_EQ(commandName(model, k.frame), QLatin1String(k.name)) << "model " << model;
    if (model == 4) {
      EXPECT_EQ(commandName(model, c.ProdajaArt(storno).bytes), QStringLiteral("PonistiArt"));
      EXPECT_EQ(commandName(model, c.KrajRacuna().bytes), QStringLiteral("KrajRacuna"));
      EXPECT_EQ(commandName(model, c.GetStatus().bytes), QStringLiteral("GetStatus"));
      EXPECT_EQ(commandName(model, c.OtvoriFioku().bytes), QStringLiteral("OtvoriFioku"));
    } else if (model == 2) {
      EXPECT_EQ(commandName(model, c.KrajRacuna().bytes), QStringLiteral("KrajRacuna"));
      EXPECT_EQ(commandName(model, c.ProdajaArt(storno).bytes), QStringLiteral("ProdajaArt storno"));
    } else {
      EXPECT_EQ(commandName(model, c.CitanjeFM().bytes), QStringLiteral("CitanjeFM"));
      EXPECT_EQ(commandName(model, c.ProdajaArt(storno).bytes), QStringLiteral("ProdajaArt storno"));
    }
  }
  EXPECT_EQ(commandName(4, longReply(0x04, 0x77, {})), QStringLiteral("komanda 0x77"));
  EXPECT_EQ(commandName(4, fromHex("AA 04")), QStringLiteral("nepotpun okvir"));
}

TEST(FrameDescription, ReplyMeanings) {
  QByteArray closed(6, '\0');
  closed[5] = char(42);
  QByteArray ack4(16, '\0');
  ack4[0] = char(0xFF);
  ack4[6] = char(0x03);
  QByteArray refused4 = ack4;
  refused4[0] = 0;
  refused4[5] = char(0x01); // an error bit the device names
  const struct {
    const char *what;
    int model;
    QByteArray frame;
    QString starts;
  } cases[] = {
      {"family 1 accepted", 1, longReply(0x01, 0x1F, fromHex("0000")), QStringLiteral("prihvaceno")},
      {"family 1 refused with a reason", 1, longReply(0x01, 0x1F, fromHex("FF01")),
       QStringLiteral("odbijeno: ")},
      {"family 1 receipt closed", 1, longReply(0x01, 0x1C, closed),
       QStringLiteral("racun zatvoren, fiskalni broj 42")},
      {"family 2 accepted", 2, longReply(0x02, 0x20, fromHex("FF")), QStringLiteral("prihvaceno")},
      {"family 2 refused", 2, longReply(0x02, 0x20, fromHex("00")), QStringLiteral("odbijeno")},
      {"family 4 accepted, answering the sale", 4, longReply(0x04, 0x20, ack4),
       QStringLiteral("prihvaceno (na ProdajaArt)")},
      {"family 4 refused", 4, longReply(0x04, 0x20, refused4), QStringLiteral("odbijeno")},
      {"family 4 notice", 4, FrameCodec::shortFrame(0xF5, fromHex("01")), QStringLiteral("obavestenje: ")},
      {"garbage", 4, fromHex("AA 04 00"), QStringLiteral("nepotpun okvir")},
  };
  for (const auto &c : cases)
    EXPECT_TRUE(replyMeaning(c.model, c.frame).startsWith(c.starts))
        << c.what << ": " << replyMeaning(c.model, c.frame).toStdString();
  EXPECT_TRUE(replyMeaning(4, longReply(0x04, 0x20, refused4)).endsWith(QStringLiteral("(na ProdajaArt)")));
}

// A device operator's numeric code (family 1, offsets 29 to 32) never reaches the log.
TEST(FrameDescription, HexMasksTheOperatorCodeOnly) {
  QByteArray payload(24, '\0');
  payload[0] = 3;
  payload.replace(1, 4, "PERA");
  payload.replace(20, 4, fromHex("39300000"));
  const QByteArray reply = longReply(0x01, 0x75, payload);
  const QString text = FrameDescription::hex(1, reply);
  const QStringList pairs = text.split(QLatin1Char(' '));
  ASSERT_EQ(pairs.size(), reply.size());
  for (int i = 0; i < pairs.size(); ++i) {
    if (i >= 29 && i <= 32)
      EXPECT_EQ(pairs[i], QStringLiteral("**")) << i;
    else
      EXPECT_EQ(pairs[i].toUInt(nullptr, 16), quint8(reply[i])) << i;
  }
  EXPECT_FALSE(text.contains(QStringLiteral("39 30")));
  // The same bytes in another reply are shown as they are.
  EXPECT_FALSE(FrameDescription::hex(1, longReply(0x01, 0x73, payload)).contains(QStringLiteral("**")));
  EXPECT_EQ(FrameDescription::hex(4, fromHex("5F 20 00 0D")), QStringLiteral("5F 20 00 0D"));
}
