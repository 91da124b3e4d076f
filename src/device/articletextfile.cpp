#include "device/articletextfile.h"

#include "common/legacycharset.h"
#include "device/deviceprofile.h"

#include <QFile>
#include <QSaveFile>

#include <cmath>

namespace ArticleTextFile {
namespace {
const int kCodeWidth = 13;
const int kPriceWidth = 9;
const int kGroupWidth = 2;

QByteArray zeroPadded(const QString &text, int width) {
  return LegacyCharset::fromUnicode(text.trimmed().rightJustified(width, QLatin1Char('0')));
}

bool isDigits(const QByteArray &field) {
  if (field.isEmpty())
    return false;
  for (char c : field)
    if (c < '0' || c > '9')
      return false;
  return true;
}
} // namespace

QString defaultName(const QString &ibfm) {
  return QStringLiteral("ARTBON_") + ibfm + QStringLiteral(".TXT");
}

int lineWidth(int model, int duzina) {
  return DeviceProfile::of(model).articleFileNumberWidth + kCodeWidth + duzina + kPriceWidth + kCodeWidth +
         kGroupWidth;
}

QByteArray line(const MirrorArticle &row, int model, int duzina) {
  const int numberWidth = DeviceProfile::of(model).articleFileNumberWidth;
  QByteArray out;
  out += zeroPadded(QString::number(row.SIFRA), numberWidth);
  out += zeroPadded(row.BARKOD, kCodeWidth);
  QByteArray name = LegacyCharset::fromUnicode(row.NAZIV.trimmed()).left(duzina);
  out += name + QByteArray(duzina - name.size(), ' ');
  // Whole para: the field holds digits only.
  const double para = std::isfinite(row.CENA) ? std::round(row.CENA * 100) : 0;
  out += zeroPadded(QString::number(qint64(para)), kPriceWidth);
  out += zeroPadded(row.KSIFRA, kCodeWidth);
  const QString group = QString::number(row.PORESKA_GRUPA);
  out += LegacyCharset::fromUnicode(group.size() == 1 ? QStringLiteral("0") + group : group);
  return out;
}

bool write(const QString &path, const QList<MirrorArticle> &rows, int model, int duzina, QString *error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error)
      *error = file.errorString();
    return false;
  }
  for (const MirrorArticle &row : rows)
    file.write(line(row, model, duzina) + "\r\n");
  if (!file.commit()) {
    if (error)
      *error = file.errorString();
    return false;
  }
  return true;
}

ReadResult parse(const QByteArray &content, int model, int duzina) {
  ReadResult result;
  const int numberWidth = DeviceProfile::of(model).articleFileNumberWidth;
  const int width = lineWidth(model, duzina);
  const int skipped = DeviceProfile::of(model).skippedArticle;
  const QList<QByteArray> lines = content.split('\n');
  for (int i = 0; i < lines.size(); ++i) {
    QByteArray l = lines[i];
    if (l.endsWith('\r'))
      l.chop(1);
    if (l.trimmed().isEmpty())
      continue; // the end of the file, or a blank line between rows
    const int lineNo = i + 1;
    auto bad = [&](const QString &why) {
      result.error = QStringLiteral("Greska u liniji %1: %2").arg(lineNo).arg(why);
      result.badLine = lineNo;
      result.rows.clear();
      return result;
    };
    if (l.size() < width)
      return bad(QStringLiteral("linija je kraca od %1 znakova.").arg(width));
    int at = 0;
    auto take = [&](int n) {
      const QByteArray f = l.mid(at, n);
      at += n;
      return f;
    };
    const QByteArray number = take(numberWidth);
    const QByteArray barcode = take(kCodeWidth);
    const QByteArray name = take(duzina);
    const QByteArray price = take(kPriceWidth).trimmed();
    const QByteArray code = take(kCodeWidth);
    const QByteArray group = take(kGroupWidth).trimmed();
    if (!isDigits(number))
      return bad(QStringLiteral("sifra artikla nije broj."));
    if (!isDigits(price))
      return bad(QStringLiteral("cena nije broj."));
    if (!isDigits(group) || group.toInt() > 8)
      return bad(QStringLiteral("poreska grupa nije broj od 0 do 8."));
    const int sifra = number.toInt();
    if (sifra > 32767)
      return bad(QStringLiteral("sifra artikla je veca od 32767."));
    if (sifra == skipped)
      continue;
    MirrorArticle r;
    r.SIFRA = sifra;
    r.BARKOD = LegacyCharset::toUnicode(barcode).trimmed();
    r.NAZIV = LegacyCharset::toUnicode(name).trimmed();
    r.CENA = price.toLongLong() / 100.0;
    r.KSIFRA = LegacyCharset::toUnicode(code).trimmed();
    r.PORESKA_GRUPA = group.toInt();
    result.rows.append(r);
  }
  result.ok = true;
  return result;
}

ReadResult read(const QString &path, int model, int duzina) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ReadResult r;
    r.error = file.errorString();
    return r;
  }
  return parse(file.readAll(), model, duzina);
}

} // namespace ArticleTextFile
