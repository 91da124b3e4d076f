#include "data/vlasnik.h"

#include "common/legacycharset.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

QString decode(const QByteArray &bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(bytes);
  if (utf8.hasError())
    text = LegacyCharset::toUnicode(bytes);
  if (text.startsWith(QChar(0xFEFF)))
    text.remove(0, 1);
  return text;
}

QStringList splitLines(const QString &text) {
  QString t = text;
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QStringList lines = t.split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.last().isEmpty())
    lines.removeLast(); // the terminator of the last line is not a line
  return lines;
}

bool readBytes(const QString &directory, QByteArray *bytes, QString *error) {
  QFile f(QDir(directory).filePath(QString::fromLatin1(Vlasnik::kFileName)));
  if (!f.open(QIODevice::ReadOnly)) {
    if (error)
      *error = QStringLiteral("Datoteka %1 se ne moze otvoriti: %2").arg(f.fileName(), f.errorString());
    return false;
  }
  *bytes = f.readAll();
  if (error)
    error->clear();
  return true;
}

} // namespace

QString Vlasnik::placeName() const {
  for (auto it = lines.crbegin(); it != lines.crend(); ++it)
    if (!it->trimmed().isEmpty())
      return *it;
  return QString();
}

QStringList Vlasnik::ownerBlock() const {
  QStringList block = lines;
  if (!block.isEmpty())
    block.removeLast();
  return block;
}

QStringList Vlasnik::linesToWrite(const QString &ownerBox) {
  const QStringList box = splitLines(ownerBox);
  QStringList out;
  if (box.isEmpty() || box.first().isEmpty())
    return out;
  for (const QString &line : box) {
    out << line;
    if (line.isEmpty())
      return out;
  }
  out << QString();
  return out;
}

Vlasnik Vlasnik::parse(const QByteArray &bytes) {
  Vlasnik v;
  for (const QString &line : splitLines(decode(bytes))) {
    if (line.isEmpty())
      break;
    v.lines << line;
  }
  return v;
}

Vlasnik Vlasnik::read(const QString &directory, QString *error) {
  QByteArray bytes;
  if (!readBytes(directory, &bytes, error))
    return Vlasnik{};
  return parse(bytes);
}

QString Vlasnik::readText(const QString &directory, QString *error) {
  QByteArray bytes;
  if (!readBytes(directory, &bytes, error))
    return QString();
  return decode(bytes);
}

bool Vlasnik::write(const QString &directory, const QString &ownerBox, QString *error) {
  QByteArray out;
  for (const QString &line : linesToWrite(ownerBox))
    out += line.toUtf8() + "\r\n";
  QSaveFile f(QDir(directory).filePath(QString::fromLatin1(kFileName)));
  if (!f.open(QIODevice::WriteOnly) || f.write(out) < 0 || !f.commit()) {
    if (error)
      *error = QStringLiteral("Datoteka %1 nije upisana: %2").arg(f.fileName(), f.errorString());
    return false;
  }
  return true;
}
