#include "engine/stepjournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <unistd.h>

namespace {

const char *const kParts[] = {"prodaja", "placanje",  "zatvaranjeA",   "zatvaranjeB", "zatvaranjeC",
                              "zavrsen", "storniran", "stavkeSaStola", "stoSlobodan", "turaZatvorena"};

bool isTablePart(StepKind k) {
  return k == StepKind::TableLinesOff || k == StepKind::TableFreed || k == StepKind::RoundClosed;
}

QString kindName(StepKind k) {
  return QString::fromLatin1(kParts[int(k)]);
}

std::optional<StepKind> kindOf(const QString &name) {
  for (int i = 0; i < int(std::size(kParts)); ++i)
    if (name == QLatin1String(kParts[i]))
      return StepKind(i);
  return std::nullopt;
}

// Amounts as their whole units: a record gives back exactly what was confirmed.
QJsonObject stepJson(const Racun &r) {
  return {{"operacija", r.operacija},
          {"operater", r.operater},
          {"storno", r.storno},
          {"sifraUKasi", r.sifraUKasi},
          {"sifra", r.sifra},
          {"barkod", r.barkod},
          {"kolicina", QString::number(r.kolicina.units())},
          {"cena", QString::number(r.cena.units())},
          {"nacinPlacanja", r.nacinPlacanja},
          {"iznosPlacanja", QString::number(r.iznosPlacanja.units())},
          {"naziv", r.naziv},
          {"poreskaGrupa", r.poreskaGrupa},
          {"iznos", QString::number(r.iznos.units())},
          {"rbrStavke", r.rbrStavke},
          {"ostatak", QString::number(r.ostatak.units())},
          {"tipKartice", r.tipKartice},
          {"brojKartice", r.brojKartice},
          {"brojTransakcije", r.brojTransakcije}};
}

Racun stepFrom(const QJsonObject &o) {
  const auto units = [&o](const char *key) { return o.value(QLatin1String(key)).toString().toLongLong(); };
  Racun r;
  r.operacija = o.value(QLatin1String("operacija")).toInt();
  r.operater = quint8(o.value(QLatin1String("operater")).toInt());
  r.storno = quint8(o.value(QLatin1String("storno")).toInt());
  r.sifraUKasi = o.value(QLatin1String("sifraUKasi")).toInt();
  r.sifra = o.value(QLatin1String("sifra")).toString();
  r.barkod = o.value(QLatin1String("barkod")).toString();
  r.kolicina = Quantity::fromUnits(units("kolicina"));
  r.cena = Money::fromUnits(units("cena"));
  r.nacinPlacanja = o.value(QLatin1String("nacinPlacanja")).toInt();
  r.iznosPlacanja = Money::fromUnits(units("iznosPlacanja"));
  r.naziv = o.value(QLatin1String("naziv")).toString();
  r.poreskaGrupa = o.value(QLatin1String("poreskaGrupa")).toInt();
  r.iznos = Money::fromUnits(units("iznos"));
  r.rbrStavke = o.value(QLatin1String("rbrStavke")).toInt();
  r.ostatak = Money::fromUnits(units("ostatak"));
  r.tipKartice = o.value(QLatin1String("tipKartice")).toString();
  r.brojKartice = o.value(QLatin1String("brojKartice")).toString();
  r.brojTransakcije = o.value(QLatin1String("brojTransakcije")).toString();
  return r;
}

QJsonObject tablePartJson(const StepPart &p) {
  QJsonArray lines;
  for (const PaidTableLine &l : p.lines)
    lines.append(QJsonObject{{"rbr", l.rbr},
                             {"sifra", l.sifra},
                             {"kolicina", QString::number(l.kolicina.units())},
                             {"iznos", QString::number(l.iznos.units())}});
  return {{"vrsta", kindName(p.kind)}, {"sto", p.sto}, {"stavke", lines}, {"tura", p.tura}};
}

// Nothing when a part names no table or a line no number: a replay would take off the wrong one.
std::optional<StepPart> tablePartFrom(StepKind kind, const QJsonObject &o) {
  StepPart p;
  p.kind = kind;
  p.sto = o.value(QLatin1String("sto")).toInt();
  p.tura = o.value(QLatin1String("tura")).toInt();
  if (p.sto <= 0 || !o.value(QLatin1String("stavke")).isArray())
    return std::nullopt;
  for (const QJsonValue &v : o.value(QLatin1String("stavke")).toArray()) {
    const QJsonObject l = v.toObject();
    PaidTableLine line;
    line.rbr = l.value(QLatin1String("rbr")).toInt();
    line.sifra = l.value(QLatin1String("sifra")).toString();
    line.kolicina = Quantity::fromUnits(l.value(QLatin1String("kolicina")).toString().toLongLong());
    line.iznos = Money::fromUnits(l.value(QLatin1String("iznos")).toString().toLongLong());
    if (line.rbr <= 0)
      return std::nullopt;
    p.lines.append(line);
  }
  return p;
}

bool syncFile(QFile &f) {
  return f.flush() && ::fsync(f.handle()) == 0;
}

// A new or renamed entry is durable only once its directory is.
bool syncDir(const QString &dir) {
  const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
  if (fd < 0)
    return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

} // namespace

QByteArray PendingStep::toJson() const {
  QJsonArray parts;
  for (const StepPart &p : this->parts) {
    if (isTablePart(p.kind)) {
      parts.append(tablePartJson(p));
      continue;
    }
    QJsonObject o{{"vrsta", kindName(p.kind)}, {"korak", stepJson(p.step)}};
    if (p.brfisis)
      o.insert(QStringLiteral("brfisis"), qint64(*p.brfisis));
    parts.append(o);
  }
  QJsonObject o{{"id", id},
                {"racun", racun},
                {"broj", key.id.broj},
                {"godina", key.id.godina},
                {"upisan", key.stored},
                {"datum", key.datum.toString(Qt::ISODate)},
                {"vreme", key.vreme.toString(QStringLiteral("HH:mm:ss"))},
                {"sifoper", key.sifoper},
                {"brstola", key.brstola},
                {"restoran", key.restoran},
                {"delovi", parts}};
  if (!key.kasa.isEmpty())
    o.insert(QStringLiteral("kasa"), key.kasa);
  return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<PendingStep> PendingStep::fromJson(const QByteArray &line) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject())
    return std::nullopt;
  const QJsonObject o = doc.object();
  PendingStep s;
  s.id = o.value(QLatin1String("id")).toString();
  s.racun = o.value(QLatin1String("racun")).toString();
  s.key.id.broj = o.value(QLatin1String("broj")).toInt();
  s.key.id.godina = o.value(QLatin1String("godina")).toInt();
  s.key.stored = o.value(QLatin1String("upisan")).toBool();
  s.key.datum = QDate::fromString(o.value(QLatin1String("datum")).toString(), Qt::ISODate);
  s.key.vreme = QTime::fromString(o.value(QLatin1String("vreme")).toString(), QStringLiteral("HH:mm:ss"));
  s.key.sifoper = o.value(QLatin1String("sifoper")).toInt();
  s.key.brstola = o.value(QLatin1String("brstola")).toInt();
  s.key.restoran = o.value(QLatin1String("restoran")).toBool();
  s.key.kasa = o.value(QLatin1String("kasa")).toString();
  if (s.id.isEmpty() || s.racun.isEmpty() || !s.key.datum.isValid() || !s.key.vreme.isValid() ||
      !o.value(QLatin1String("delovi")).isArray())
    return std::nullopt;
  for (const QJsonValue &v : o.value(QLatin1String("delovi")).toArray()) {
    const QJsonObject p = v.toObject();
    const auto kind = kindOf(p.value(QLatin1String("vrsta")).toString());
    if (!kind)
      return std::nullopt;
    if (isTablePart(*kind)) {
      const auto part = tablePartFrom(*kind, p);
      if (!part)
        return std::nullopt;
      s.parts.append(*part);
      continue;
    }
    StepPart part;
    part.kind = *kind;
    part.step = stepFrom(p.value(QLatin1String("korak")).toObject());
    if (p.contains(QLatin1String("brfisis")))
      part.brfisis = quint32(p.value(QLatin1String("brfisis")).toInteger());
    s.parts.append(part);
  }
  return s;
}

StepJournal::StepJournal(const QString &dir)
    : m_dir(QFileInfo(dir).absoluteFilePath()), m_path(QDir(m_dir).filePath(fileName())),
      m_conflicts(QDir(m_dir).filePath(conflictsFileName())) {}

bool StepJournal::load(int *badLines) {
  m_steps.clear();
  if (badLines)
    *badLines = 0;
  QFile f(m_path);
  if (!f.exists())
    return true;
  if (!f.open(QIODevice::ReadOnly)) {
    m_error = f.errorString();
    return false;
  }
  const QByteArray all = f.readAll();
  f.close();
  QList<QByteArray> bad;
  for (const QByteArray &line : all.split('\n')) {
    if (line.trimmed().isEmpty())
      continue;
    if (const auto step = PendingStep::fromJson(line))
      m_steps.append(*step);
    else
      bad.append(line);
  }
  if (bad.isEmpty())
    return true;
  // Kept first, then the file without them: a crash in between leaves them in both.
  for (const QByteArray &line : bad) {
    const QJsonObject o{{"razlog", QStringLiteral("neispravan zapis")}, {"tekst", QString::fromUtf8(line)}};
    if (!appendTo(m_conflicts, QJsonDocument(o).toJson(QJsonDocument::Compact)))
      return false;
  }
  if (badLines)
    *badLines = int(bad.size());
  return rewrite();
}

bool StepJournal::appendTo(const QString &path, const QByteArray &line) {
  QFile f(path);
  const bool created = !f.exists();
  // A line torn by a crash must not swallow the record that follows it.
  QByteArray out;
  if (!created && f.open(QIODevice::ReadOnly)) {
    if (f.size() > 0 && f.seek(f.size() - 1) && f.read(1) != "\n")
      out += '\n';
    f.close();
  }
  out += line + '\n';
  if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
    m_error = f.errorString();
    return false;
  }
  if (f.write(out) != out.size() || !syncFile(f) || (created && !syncDir(m_dir))) {
    m_error = f.errorString();
    return false;
  }
  return true;
}

bool StepJournal::append(const PendingStep &step) {
  if (!appendTo(m_path, step.toJson()))
    return false;
  m_steps.append(step);
  return true;
}

bool StepJournal::rewrite() {
  if (m_steps.isEmpty()) {
    if (!QFile::remove(m_path) && QFile::exists(m_path)) {
      m_error = QStringLiteral("%1 cannot be removed").arg(m_path);
      return false;
    }
    return syncDir(m_dir);
  }
  const QString temp = m_path + QStringLiteral(".novi");
  QFile f(temp);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    m_error = f.errorString();
    return false;
  }
  QByteArray out;
  for (const PendingStep &s : std::as_const(m_steps))
    out += s.toJson() + '\n';
  if (f.write(out) != out.size() || !syncFile(f)) {
    m_error = f.errorString();
    return false;
  }
  f.close();
  if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(m_path).constData()) != 0) {
    m_error = QStringLiteral("%1 cannot replace %2").arg(temp, m_path);
    return false;
  }
  return syncDir(m_dir);
}

bool StepJournal::takeFirst(int broj) {
  if (m_steps.isEmpty())
    return true;
  const PendingStep done = m_steps.takeFirst();
  if (broj > 0)
    for (PendingStep &s : m_steps)
      if (s.racun == done.racun && !s.key.stored) {
        s.key.id.broj = broj;
        s.key.stored = true;
      }
  return rewrite();
}

bool StepJournal::moveFirstToConflicts(const QString &reason) {
  if (m_steps.isEmpty())
    return true;
  QJsonObject o{{"razlog", reason}};
  o.insert(QStringLiteral("korak"), QJsonDocument::fromJson(m_steps.first().toJson()).object());
  if (!appendTo(m_conflicts, QJsonDocument(o).toJson(QJsonDocument::Compact)))
    return false;
  return takeFirst(0);
}

bool StepJournal::keepPartlyWritten(const PendingStep &step, const QString &reason) {
  QFile f(m_conflicts);
  if (f.exists()) {
    if (!f.open(QIODevice::ReadOnly)) {
      m_error = f.errorString();
      return false;
    }
    for (const QByteArray &line : f.readAll().split('\n')) {
      const QJsonObject o = QJsonDocument::fromJson(line).object();
      if (o.value(QLatin1String("delimicno")).toBool() &&
          o.value(QLatin1String("korak")).toObject().value(QLatin1String("id")).toString() == step.id)
        return true;
    }
    f.close();
  }
  QJsonObject o{{"razlog", reason}, {"delimicno", true}};
  o.insert(QStringLiteral("korak"), QJsonDocument::fromJson(step.toJson()).object());
  return appendTo(m_conflicts, QJsonDocument(o).toJson(QJsonDocument::Compact));
}
