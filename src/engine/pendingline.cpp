#include "engine/pendingline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace PendingLineFile {

QString pathFor(const QString &mirrorPath) {
  if (mirrorPath.isEmpty())
    return {};
  return QFileInfo(mirrorPath).absoluteDir().filePath(QStringLiteral("poslata-stavka.json"));
}

bool write(const QString &path, const PendingLine &l) {
  if (path.isEmpty())
    return false;
  const Racun &s = l.step;
  const QJsonObject o{{QStringLiteral("godina"), l.godina},
                      {QStringLiteral("broj"), l.broj},
                      {QStringLiteral("redova"), l.redova},
                      {QStringLiteral("operater"), int(s.operater)},
                      {QStringLiteral("storno"), int(s.storno)},
                      {QStringLiteral("sifraUKasi"), s.sifraUKasi},
                      {QStringLiteral("sifra"), s.sifra},
                      {QStringLiteral("barkod"), s.barkod},
                      {QStringLiteral("naziv"), s.naziv},
                      {QStringLiteral("kolicina"), QString::number(s.kolicina.units())},
                      {QStringLiteral("cena"), QString::number(s.cena.units())},
                      {QStringLiteral("iznos"), QString::number(s.iznos.units())},
                      {QStringLiteral("poreskaGrupa"), s.poreskaGrupa}};
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly))
    return false;
  f.write(QJsonDocument(o).toJson(QJsonDocument::Compact));
  return f.commit();
}

std::optional<PendingLine> read(const QString &path) {
  if (path.isEmpty())
    return std::nullopt;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly))
    return std::nullopt;
  const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
  if (o.isEmpty())
    return std::nullopt;
  PendingLine l;
  l.godina = o.value(QStringLiteral("godina")).toInt();
  l.broj = o.value(QStringLiteral("broj")).toInt();
  l.redova = o.value(QStringLiteral("redova")).toInt();
  Racun &s = l.step;
  s.operacija = Racun::Prodaja;
  s.operater = quint8(o.value(QStringLiteral("operater")).toInt());
  s.storno = quint8(o.value(QStringLiteral("storno")).toInt());
  s.sifraUKasi = o.value(QStringLiteral("sifraUKasi")).toInt();
  s.sifra = o.value(QStringLiteral("sifra")).toString();
  s.barkod = o.value(QStringLiteral("barkod")).toString();
  s.naziv = o.value(QStringLiteral("naziv")).toString();
  s.kolicina = Quantity::fromUnits(o.value(QStringLiteral("kolicina")).toString().toLongLong());
  s.cena = Money::fromUnits(o.value(QStringLiteral("cena")).toString().toLongLong());
  s.iznos = Money::fromUnits(o.value(QStringLiteral("iznos")).toString().toLongLong());
  s.poreskaGrupa = o.value(QStringLiteral("poreskaGrupa")).toInt();
  return l;
}

void remove(const QString &path) {
  if (!path.isEmpty())
    QFile::remove(path);
}

} // namespace PendingLineFile
