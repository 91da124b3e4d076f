#include "device/deviceerrors.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace DeviceErrors;

TEST(DeviceErrors, ErrorBitsBecomeOneLine) {
  const struct {
    quint8 b[4];
    const char *text;
  } cases[] = {
      {{0x00, 0x00, 0x00, 0x08}, "/ Nema papira u fiskalnom stampacu(3)"},
      {{0x00, 0x00, 0x04, 0x00}, "/ Nedefinisan artikal(10)"},
      {{0x80, 0x00, 0x00, 0x01},
       "/ Greska u fiskalnoj memoriji(0)/ Prekoracenje u broju razlicitih artikala u bazi artikala(31)"},
      {{0x00, 0x00, 0x00, 0x00}, ""},
      {{0x01, 0x00, 0x00, 0x00},
       "/ Moguca promena (suma iznosa za placanje je veca ili jednaka od ukupnog iznosa za placanje(24)"},
      {{0x00, 0x81, 0x80, 0x00},
       "/ Prekoracenje u baferu prodatih stavki ili stavki za placanje (max 10)(15)/ Prekoracenje u broju "
       "prodatih/storniranih stavki u jednom fiskalnom isecku (max 1000)(16)/ Iznos za placanje cekom ili "
       "karticom je veci od ukupnog iznosa za placanje(23)"},
      {{0x00, 0x00, 0x00, 0xC0}, "/ Prekoracenje u broju resetovanju RAM-a(6)/ Rezervisano(7)"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(DekodirajGresku(c.b[0], c.b[1], c.b[2], c.b[3]), QString::fromLatin1(c.text)) << c.text;

  // All 32 bits: every text starts with a space, all are different, numbers rise.
  const QString all = DekodirajGresku(0xFF, 0xFF, 0xFF, 0xFF);
  int last = -1;
  QStringList seen;
  for (int n = 0; n < 32; ++n) {
    const QString t = errorBitText(n);
    ASSERT_TRUE(t.startsWith(QLatin1Char(' '))) << n;
    ASSERT_FALSE(seen.contains(t)) << n;
    seen << t;
    const int at =
        all.indexOf(QLatin1Char('/') + t + QLatin1Char('(') + QString::number(n) + QLatin1Char(')'));
    ASSERT_GT(at, last) << n;
    last = at;
  }
  EXPECT_TRUE(errorBitText(32).isEmpty());
  EXPECT_TRUE(errorBitText(-1).isEmpty());
}

TEST(DeviceErrors, SentencesAroundTheDecodedBits) {
  EXPECT_EQ(greskaSentence(QString()),
            QStringLiteral("Doslo je do greske . Izaberite neku opciju za nastavak rada."));
  EXPECT_EQ(
      greskaProdajeSentence(QStringLiteral("/ Nedefinisan artikal(10)")),
      QStringLiteral("Doslo je do greske prilikom prodaje/ Nedefinisan artikal(10). Izaberite neku opciju "
                     "za nastavak rada."));
  EXPECT_EQ(greskaKomandeSentence(21, QStringLiteral("/ Pogresna komanda(8)")),
            QStringLiteral("Doslo je do greske prilikom izvrsenja komande(21) / Pogresna komanda(8)"));
}

TEST(DeviceErrors, NoticeTextsWithTheCatchAll) {
  const struct {
    int code;
    const char *text;
  } cases[] = {
      {10, "Greska sata"},
      {30, "Novi datum je manji od poslednjeg fisklanog datuma."},
      {70, "Nove poreske stope imaju istu vrednost kao stare."},
      {19, "Stampac trenutno nije u mogucnosti da izvrsi zadatu operaciju."},
      {0, "Stampac trenutno nije u mogucnosti da izvrsi zadatu operaciju."},
      {255, "Stampac trenutno nije u mogucnosti da izvrsi zadatu operaciju."},
  };
  for (const auto &c : cases)
    EXPECT_EQ(noticeText(c.code), QString::fromLatin1(c.text)) << c.code;
}

TEST(DeviceErrors, ReasonTextsOfModels1And5) {
  const QString general1 =
      QStringLiteral("Doslo je do greske prilikom prodaje.Izaberite neku opciju za nastavak rada.");
  const QString general5 =
      QStringLiteral("Doslo je do greske prilikom prodaje. Izaberite neku opciju za nastavak rada.");
  const struct {
    int model;
    int reason;
    QString text;
  } cases[] = {
      {1, 0x40, QStringLiteral("Namestite papir i pritisnite OK.")},
      {5, 0x40, QStringLiteral("Namestite papir i pritisnite OK.")},
      {1, 0x08, general1},
      {1, 0x02, general1},
      {1, 0x10, general1},
      {1, 0x01, general1},
      {5, 0x08,
       QStringLiteral("Doslo je do prepunjenja po racunima.Izaberite neku opciju za nastavak rada.")},
      {5, 0x02,
       QStringLiteral(
           "Kolicina ili iznos je izvan dozvoljenog opsega.Izaberite neku opciju za nastavak rada.")},
      {5, 0x10,
       QStringLiteral("Morate prvo odstampati dnevni izvestaj.Izaberite neku opciju za nastavak rada.")},
      {5, 0x01, general5},
  };
  for (const auto &c : cases)
    EXPECT_EQ(reasonText(c.model, c.reason), c.text) << c.model << " " << c.reason;
  EXPECT_EQ(drawerRefusalText(1), general1);
  EXPECT_EQ(drawerRefusalText(5),
            QStringLiteral(
                "Doslo je do greske prilikom izvrsavanja komande. Izaberite neku opciju za nastavak rada."));
  EXPECT_EQ(family2RefusalText(), general1);
}

TEST(DeviceErrors, RemainingDailyReports) {
  EXPECT_EQ(remainingDailyReportsText(40), QStringLiteral("Broj preostalih dnevnih izvestaja je 40!"));
}
