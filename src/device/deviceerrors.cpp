#include "device/deviceerrors.h"

#include <array>

namespace DeviceErrors {
namespace {

const std::array<const char *, 32> kBits = {
    " Greska u fiskalnoj memoriji",
    " Greska u vremenu",
    " Greska u fiskalnom vremenu",
    " Nema papira u fiskalnom stampacu",
    " Visoka temperatura glave fiskalnog stampaca",
    " Prekoracenje u broju dnevnih izvestaja",
    " Prekoracenje u broju resetovanju RAM-a",
    " Rezervisano",
    " Pogresna komanda",
    " Nedefinisana poreska stopa/odeljenje",
    " Nedefinisan artikal",
    " Broj artikla je 0 ili veci od 60000",
    " Cena ili kolicina je 0",
    " Iznos za cenu, kolicinu ili placanje je veci od dozvoljenog",
    " Prekoracenje u dnevnom totalu",
    " Prekoracenje u baferu prodatih stavki ili stavki za placanje (max 10)",
    " Prekoracenje u broju prodatih/storniranih stavki u jednom fiskalnom isecku (max 1000)",
    " Prekoracenje u storniranju",
    " Problem kod storniranja (nije pronadjen artikal)",
    " Problem kod ponistenja",
    " Problem kod zaokruzivanja kolicine (format nije dobar)",
    " Prekoracenje u iznosu za placanje",
    " Pogresna vrsta placanja",
    " Iznos za placanje cekom ili karticom je veci od ukupnog iznosa za placanje",
    " Moguca promena (suma iznosa za placanje je veca ili jednaka od ukupnog iznosa za placanje",
    " Fiskalni stampac nije u odgovarajucem statusu za izvrsenje zadate operacije",
    " Pogresan parametar",
    " Prekoracenje u bazi artikala - ukupan iznos",
    " Prekoracenje u bazi artikala - jedan artikal",
    " Prekoracenje kolicine u bazi artikala",
    " Problem prilikom prodaje ili upisa artikla",
    " Prekoracenje u broju razlicitih artikala u bazi artikala",
};

struct Notice {
  int code;
  const char *text;
};
const Notice kNotices[] = {
    {10, "Greska sata"},
    {11, "Fiskalni sat - datum je manji od poslednjeg fiskalnog datuma."},
    {12, "Mora da bude uradjen dnevni izvestaj."},
    {13, "Greska fiskalne memorije."},
    {14, "Fiskalizacija je vec uradjena."},
    {15, "Nema poreskog broja, prvi bajt je 0."},
    {16, "Pogresan parametar"},
    {17, "Servisni dzamper nije stavljen."},
    {18, "Pogresno vreme."},
    {30, "Novi datum je manji od poslednjeg fisklanog datuma."},
    {31, "Promena je vec jednom izvrsena."},
    {40, "Fiskalna memorija je puna - poreske stope."},
    {41, "Fiskalna memorija je puna - blokovi"},
    {42, "Fiskalna memorija je puna - reseti"},
    {50, "Brisanje baze artikala u toku - nije dozvoljeno"},
    {60, "Vec je upisan"},
    {70, "Nove poreske stope imaju istu vrednost kao stare."},
};

const char *kGeneralModel1 = "Doslo je do greske prilikom prodaje.Izaberite neku opciju za nastavak rada.";
const char *kGeneralModel5 = "Doslo je do greske prilikom prodaje. Izaberite neku opciju za nastavak rada.";
const char *kChoose = ". Izaberite neku opciju za nastavak rada.";

} // namespace

QString errorBitText(int bit) {
  return bit >= 0 && bit < 32 ? QString::fromLatin1(kBits[bit]) : QString();
}

QString DekodirajGresku(quint32 errorWord) {
  QString text;
  for (int n = 0; n < 32; ++n)
    if (errorWord & (quint32(1) << n))
      text += QLatin1Char('/') + errorBitText(n) + QLatin1Char('(') + QString::number(n) + QLatin1Char(')');
  return text;
}

QString DekodirajGresku(quint8 b11, quint8 b12, quint8 b13, quint8 b14) {
  return DekodirajGresku((quint32(b11) << 24) | (quint32(b12) << 16) | (quint32(b13) << 8) | b14);
}

QString noticeText(int code) {
  for (const auto &n : kNotices)
    if (n.code == code)
      return QString::fromLatin1(n.text);
  return QStringLiteral("Stampac trenutno nije u mogucnosti da izvrsi zadatu operaciju.");
}

QString reasonText(int model, int reason) {
  if (reason == 0x40)
    return family1PaperText();
  if (model != 5)
    return QString::fromLatin1(kGeneralModel1);
  switch (reason) {
  case 0x08:
    return QStringLiteral("Doslo je do prepunjenja po racunima.Izaberite neku opciju za nastavak rada.");
  case 0x02:
    return QStringLiteral(
        "Kolicina ili iznos je izvan dozvoljenog opsega.Izaberite neku opciju za nastavak rada.");
  case 0x10:
    return QStringLiteral("Morate prvo odstampati dnevni izvestaj.Izaberite neku opciju za nastavak rada.");
  default:
    return QString::fromLatin1(kGeneralModel5);
  }
}

QString drawerRefusalText(int model) {
  if (model == 5)
    return QStringLiteral(
        "Doslo je do greske prilikom izvrsavanja komande. Izaberite neku opciju za nastavak rada.");
  return QString::fromLatin1(kGeneralModel1);
}

QString family2RefusalText() {
  return QString::fromLatin1(kGeneralModel1);
}

QString greskaSentence(const QString &decoded) {
  return QStringLiteral("Doslo je do greske ") + decoded + QLatin1String(kChoose);
}

QString greskaProdajeSentence(const QString &decoded) {
  return QStringLiteral("Doslo je do greske prilikom prodaje") + decoded + QLatin1String(kChoose);
}

QString greskaKomandeSentence(int answeredCode, const QString &decoded) {
  return QStringLiteral("Doslo je do greske prilikom izvrsenja komande(") + QString::number(answeredCode) +
         QStringLiteral(") ") + decoded;
}

QString notFiscalisedText() {
  return QStringLiteral("Kasa nije fiskalizovana.Dalji rad je onemogucen!");
}

QString family2LoginFailedText() {
  return QStringLiteral("Provera da li je kasa fiskalizovana nije uspela. Prebacite kasu u SETUP rezim i "
                        "startujte program ponovo!");
}

QString dailyReportOutstandingText() {
  return QStringLiteral("Nije uradjen dnevni izvestaj.Ogranicene mogucnosti!!");
}

QString emptyingNeedsDailyReportText() {
  return QStringLiteral("Morate prvo uraditi dnevni izvestaj da bi ispraznili kasu!");
}

QString remainingDailyReportsText(int remaining) {
  return QStringLiteral("Broj preostalih dnevnih izvestaja je ") + QString::number(remaining) +
         QLatin1Char('!');
}

QString paperOutText() {
  return QStringLiteral("Nema papira! Namestite papir u fiskalnom stampacu i pritisnite taster ON na "
                        "fiskalnom stampacu!");
}

QString family1PaperText() {
  return QStringLiteral("Namestite papir i pritisnite OK.");
}

} // namespace DeviceErrors
