#include "data/konfiguracija.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

constexpr int kFormatVersion = 1;

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
    {"Memo", &SetKonfiguracija::Memo, 0, 1},         {"brojKopija", &SetKonfiguracija::brojKopija, 1, 999},
    {"Obuka", &SetKonfiguracija::Obuka, 0, 1},
};
const TextField kTextFields[] = {
    {"IBFM", &SetKonfiguracija::IBFM, 20},
    {"putanjaBaza", &SetKonfiguracija::putanjaBaza, 100},
    {"IP", &SetKonfiguracija::IP, 20},
    {"PrviRedTekst", &SetKonfiguracija::PrviRedTekst, 20},
    {"DrugiRedTekst", &SetKonfiguracija::DrugiRedTekst, 20},
    {"putanjaKopija", &SetKonfiguracija::putanjaKopija, 200},
    {"StampacNarudzbina", &SetKonfiguracija::StampacNarudzbina, 100},
};

bool intValid(const IntField &f, int v) {
  return v >= f.lo && v <= f.hi;
}

bool textValid(const TextField &f, const QString &v) {
  if (v.size() > f.maxLength)
    return false;
  // The register number travels in every device frame.
  return f.member != &SetKonfiguracija::IBFM || (!v.isEmpty() && digitsOnly(v));
}

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
    if (!intValid(f, this->*f.member))
      bad << QString::fromLatin1(f.name);
  for (const auto &f : kTextFields)
    if (!textValid(f, this->*f.member))
      bad << QString::fromLatin1(f.name);
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

QStringList KonfiguracijaStore::differences(const SetKonfiguracija &before, const SetKonfiguracija &after) {
  QStringList out;
  for (const auto &f : kIntFields)
    if (before.*f.member != after.*f.member)
      out << QStringLiteral("%1: %2 -> %3")
                 .arg(QString::fromLatin1(f.name))
                 .arg(before.*f.member)
                 .arg(after.*f.member);
  for (const auto &f : kTextFields)
    if (before.*f.member != after.*f.member)
      out << QStringLiteral("%1: \"%2\" -> \"%3\"")
                 .arg(QString::fromLatin1(f.name), before.*f.member, after.*f.member);
  return out;
}

KonfiguracijaStore::LoadResult KonfiguracijaStore::fromJson(const QByteArray &json) {
  LoadResult result;
  QJsonParseError pe;
  const QJsonDocument doc = QJsonDocument::fromJson(json, &pe);
  if (pe.error != QJsonParseError::NoError || !doc.isObject()) {
    result.error = QStringLiteral("Datoteka konfiguracije je ostecena (%1).").arg(pe.errorString());
    return result;
  }
  const QJsonObject o = doc.object();
  const int format = o.value(QStringLiteral("format")).toInt(0);
  if (format < 1 || format > kFormatVersion) {
    result.error = QStringLiteral("Datoteka konfiguracije ima nepoznat format (%1).").arg(format);
    return result;
  }
  // A field that cannot be used keeps its default; the others are the shop's.
  SetKonfiguracija &r = result.record;
  QStringList bad;
  for (const auto &f : kIntFields) {
    const QJsonValue v = o.value(QString::fromLatin1(f.name));
    if (v.isUndefined())
      continue;
    if (v.isDouble() && v.toDouble() == static_cast<double>(v.toInt()) && intValid(f, v.toInt()))
      r.*f.member = v.toInt();
    else
      bad << QString::fromLatin1(f.name);
  }
  for (const auto &f : kTextFields) {
    const QJsonValue v = o.value(QString::fromLatin1(f.name));
    if (v.isUndefined())
      continue;
    if (v.isString() && textValid(f, v.toString()))
      r.*f.member = v.toString();
    else
      bad << QString::fromLatin1(f.name);
  }
  result.fromFile = true;
  if (!bad.isEmpty())
    result.error = QStringLiteral("Datoteka konfiguracije ima neispravna polja: %1. Za njih se koriste "
                                  "podrazumevane vrednosti.")
                       .arg(bad.join(QStringLiteral(", ")));
  return result;
}

KonfiguracijaStore::LoadResult KonfiguracijaStore::load(const QString &directory) {
  QFile f(QDir(directory).filePath(QString::fromLatin1(kFileName)));
  if (!f.exists())
    return {};
  if (!f.open(QIODevice::ReadOnly)) {
    LoadResult result;
    result.error = QStringLiteral("Datoteka konfiguracije se ne moze procitati: %1").arg(f.errorString());
    return result;
  }
  LoadResult result = fromJson(f.readAll());
  if (!result.fromFile)
    result.error += QStringLiteral(" Koriste se podrazumevana podesavanja.");
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
