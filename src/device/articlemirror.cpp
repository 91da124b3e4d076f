#include "device/articlemirror.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace {
const char *const kFormat = "kasa-artikli";
const int kVersion = 1;
} // namespace

int ArticleMirror::insert(const MirrorArticle &row) {
  auto it = std::upper_bound(m_rows.begin(), m_rows.end(), row.SIFRA,
                             [](int sifra, const MirrorArticle &r) { return sifra < r.SIFRA; });
  const int index = int(it - m_rows.begin());
  m_rows.insert(index, row);
  return index;
}

int ArticleMirror::update(int index, const MirrorArticle &row) {
  if (index < 0 || index >= m_rows.size())
    return -1;
  if (m_rows[index].SIFRA == row.SIFRA) {
    m_rows[index] = row;
    return index;
  }
  m_rows.removeAt(index);
  return insert(row);
}

void ArticleMirror::removeAt(int index) {
  if (index >= 0 && index < m_rows.size())
    m_rows.removeAt(index);
}

int ArticleMirror::indexOfSifra(int sifra) const {
  auto it = std::lower_bound(m_rows.begin(), m_rows.end(), sifra,
                             [](const MirrorArticle &r, int s) { return r.SIFRA < s; });
  if (it == m_rows.end() || it->SIFRA != sifra)
    return -1;
  return int(it - m_rows.begin());
}

bool ArticleMirror::save(const QString &path) {
  QJsonArray rows;
  for (const MirrorArticle &r : m_rows) {
    QJsonObject o;
    o[QStringLiteral("KSIFRA")] = r.KSIFRA;
    o[QStringLiteral("SIFRA")] = r.SIFRA;
    o[QStringLiteral("BARKOD")] = r.BARKOD;
    o[QStringLiteral("NAZIV")] = r.NAZIV;
    o[QStringLiteral("CENA")] = r.CENA;
    o[QStringLiteral("PORESKA_GRUPA")] = r.PORESKA_GRUPA;
    rows.append(o);
  }
  QJsonObject root;
  root[QStringLiteral("format")] = QString::fromLatin1(kFormat);
  root[QStringLiteral("version")] = kVersion;
  root[QStringLiteral("rows")] = rows;

  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    m_error = QStringLiteral("Ne mogu da upisem fajl %1: %2").arg(path, file.errorString());
    return false;
  }
  file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
  if (!file.commit()) {
    m_error = QStringLiteral("Ne mogu da upisem fajl %1: %2").arg(path, file.errorString());
    return false;
  }
  m_error.clear();
  return true;
}

bool ArticleMirror::load(const QString &path) {
  m_rows.clear();
  m_error.clear();
  QFile file(path);
  if (!file.exists())
    return true;
  const QString damaged =
      QStringLiteral("Fajl %1 je ostecen. Lokalna baza artikala je prazna; uradite citanje iz kase.");
  if (!file.open(QIODevice::ReadOnly)) {
    m_error = QStringLiteral("Ne mogu da procitam fajl %1: %2").arg(path, file.errorString());
    return false;
  }
  QJsonParseError err;
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &err);
  const QJsonObject root = doc.object();
  if (err.error != QJsonParseError::NoError || !doc.isObject() ||
      root.value(QStringLiteral("format")).toString() != QLatin1String(kFormat) ||
      root.value(QStringLiteral("version")).toInt() != kVersion ||
      !root.value(QStringLiteral("rows")).isArray()) {
    m_error = damaged.arg(path);
    return false;
  }
  QList<MirrorArticle> loaded;
  for (const QJsonValue &v : root.value(QStringLiteral("rows")).toArray()) {
    const QJsonObject o = v.toObject();
    const QJsonValue sifra = o.value(QStringLiteral("SIFRA"));
    const QJsonValue cena = o.value(QStringLiteral("CENA"));
    const QJsonValue grupa = o.value(QStringLiteral("PORESKA_GRUPA"));
    if (!v.isObject() || !sifra.isDouble() || !cena.isDouble() || !grupa.isDouble()) {
      m_error = damaged.arg(path);
      return false;
    }
    MirrorArticle r;
    r.KSIFRA = o.value(QStringLiteral("KSIFRA")).toString();
    r.SIFRA = sifra.toInt();
    r.BARKOD = o.value(QStringLiteral("BARKOD")).toString();
    r.NAZIV = o.value(QStringLiteral("NAZIV")).toString();
    r.CENA = cena.toDouble();
    r.PORESKA_GRUPA = grupa.toInt();
    loaded.append(r);
  }
  // An edited file may be out of order; the mirror is always ordered by SIFRA.
  std::stable_sort(loaded.begin(), loaded.end(),
                   [](const MirrorArticle &a, const MirrorArticle &b) { return a.SIFRA < b.SIFRA; });
  m_rows = loaded;
  return true;
}
