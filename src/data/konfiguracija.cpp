#include "data/konfiguracija.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

constexpr int kFormatVersion = 1;

bool inRange(int v, int lo, int hi) {
  return v >= lo && v <= hi;
}

bool digitsOnly(const QString &s) {
  for (QChar c : s)
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
      return false;
  return true;
}

struct IntField {
  const char *name;
  int SetKonfiguracija::*member;
  int lo, hi;
};
struct TextField {
  const char *name;
  QString SetKonfiguracija::*member;
  int maxLength;
};

// Stored order of the record.
const IntField kIntFields[] = {
    {"Duzina", &SetKonfiguracija::Duzina, 1, 255},   {"Port", &SetKonfiguracija::Port, 1, 8},
    {"Model", &SetKonfiguracija::Model, 1, 5},       {"Fioka", &SetKonfiguracija::Fioka, 1, 2},
    {"TipBaze", &SetKonfiguracija::TipBaze, 1, 3},   {"BarKodPort", &SetKonfiguracija::BarKodPort, 0, 8},
    {"pdv", &SetKonfiguracija::pdv, 1, 2},           {"konekcija", &SetKonfiguracija::konekcija, 0, 1},
    {"EFTPos", &SetKonfiguracija::EFTPos, 0, 8},     {"PrviRed", &SetKonfiguracija::PrviRed, 0, 1},
    {"DrugiRed", &SetKonfiguracija::DrugiRed, 0, 2}, {"Zaokruzi", &SetKonfiguracija::Zaokruzi, 0, 1},
    {"Memo", &SetKonfiguracija::Memo, 0, 1},
};
const TextField kTextFields[] = {
    {"IBFM", &SetKonfiguracija::IBFM, 20},
    {"putanjaBaza", &SetKonfiguracija::putanjaBaza, 100},
    {"IP", &SetKonfiguracija::IP, 20},
    {"PrviRedTekst", &SetKonfiguracija::PrviRedTekst, 20},
    {"DrugiRedTekst", &SetKonfiguracija::DrugiRedTekst, 20},
};

} // namespace

LinkSettings SetKonfiguracija::linkSettings() const {
  LinkSettings s;
  s.Model = Model;
  s.IBFM = IBFM;
  s.Port = QString::number(Port);
  s.Duzina = Duzina;
  return s;
}

QStringList SetKonfiguracija::invalidFields() const {
  QStringList bad;
  for (const auto &f : kIntFields)
    if (!inRange(this->*f.member, f.lo, f.hi))
      bad << QString::fromLatin1(f.name);
  for (const auto &f : kTextFields)
    if ((this->*f.member).size() > f.maxLength)
      bad << QString::fromLatin1(f.name);
  if (IBFM.isEmpty() || !digitsOnly(IBFM))
    bad << QStringLiteral("IBFM");
  bad.removeDuplicates();
  return bad;
}

QByteArray KonfiguracijaStore::toJson(const SetKonfiguracija &r) {
  QJsonObject o;
  o.insert(QStringLiteral("format"), kFormatVersion);
  for (const auto &f : kIntFields)
    o.insert(QString::fromLatin1(f.name), r.*f.member);
  for (const auto &f : kTextFields)
    o.insert(QString::fromLatin1(f.name), r.*f.member);
  return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

SetKonfiguracija KonfiguracijaStore::fromJson(const QByteArray &json, QString *error) {
  SetKonfiguracija r;
  QJsonParseError pe;
  const QJsonDocument doc = QJsonDocument::fromJson(json, &pe);
  auto fail = [&](const QString &why) {
    if (error)
      *error = why;
    return SetKonfiguracija{};
  };
  if (pe.error != QJsonParseError::NoError || !doc.isObject())
    return fail(QStringLiteral("Datoteka konfiguracije je ostecena (%1).").arg(pe.errorString()));
  const QJsonObject o = doc.object();
  const int format = o.value(QStringLiteral("format")).toInt(0);
  if (format < 1 || format > kFormatVersion)
    return fail(QStringLiteral("Datoteka konfiguracije ima nepoznat format (%1).").arg(format));
  for (const auto &f : kIntFields) {
    const QJsonValue v = o.value(QString::fromLatin1(f.name));
    if (v.isUndefined())
      continue;
    if (!v.isDouble() || v.toDouble() != static_cast<double>(v.toInt()))
      return fail(
          QStringLiteral("Datoteka konfiguracije je ostecena (polje %1).").arg(QString::fromLatin1(f.name)));
    r.*f.member = v.toInt();
  }
  for (const auto &f : kTextFields) {
    const QJsonValue v = o.value(QString::fromLatin1(f.name));
    if (v.isUndefined())
      continue;
    if (!v.isString())
      return fail(
          QStringLiteral("Datoteka konfiguracije je ostecena (polje %1).").arg(QString::fromLatin1(f.name)));
    r.*f.member = v.toString();
  }
  const QStringList bad = r.invalidFields();
  if (!bad.isEmpty())
    return fail(QStringLiteral("Datoteka konfiguracije ima neispravna polja: %1.")
                    .arg(bad.join(QStringLiteral(", "))));
  if (error)
    error->clear();
  return r;
}

KonfiguracijaStore::LoadResult KonfiguracijaStore::load(const QString &directory) {
  LoadResult result;
  QFile f(QDir(directory).filePath(QString::fromLatin1(kFileName)));
  if (!f.exists())
    return result;
  if (!f.open(QIODevice::ReadOnly)) {
    result.error = QStringLiteral("Datoteka konfiguracije se ne moze procitati: %1").arg(f.errorString());
    return result;
  }
  QString error;
  const SetKonfiguracija r = fromJson(f.readAll(), &error);
  if (!error.isEmpty()) {
    result.error = error + QStringLiteral(" Koriste se podrazumevana podesavanja.");
    return result;
  }
  result.record = r;
  result.fromFile = true;
  return result;
}

bool KonfiguracijaStore::save(const QString &directory, const SetKonfiguracija &record, QString *error) {
  QSaveFile f(QDir(directory).filePath(QString::fromLatin1(kFileName)));
  if (!f.open(QIODevice::WriteOnly) || f.write(toJson(record)) < 0 || !f.commit()) {
    if (error)
      *error = QStringLiteral("Konfiguracija nije sacuvana: %1").arg(f.errorString());
    return false;
  }
  return true;
}
