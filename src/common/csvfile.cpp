#include "common/csvfile.h"

#include "common/legacycharset.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace CsvFile {

bool readLines(const QString &path, QStringList *lines, QString *error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = file.errorString();
    return false;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    *error = file.errorString();
    return false;
  }
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (utf8.hasError())
    text = LegacyCharset::toUnicode(bytes);
  else if (text.startsWith(QChar(0xFEFF)))
    text.remove(0, 1);
  lines->clear();
  qsizetype start = 0;
  while (start < text.size()) {
    qsizetype end = text.indexOf(QLatin1Char('\n'), start);
    if (end < 0)
      end = text.size();
    qsizetype stop = end;
    if (stop > start && text.at(stop - 1) == QLatin1Char('\r'))
      --stop;
    lines->append(text.mid(start, stop - start));
    start = end + 1;
  }
  return true;
}

bool writeLines(const QString &path, const QStringList &lines, QString *error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    *error = file.errorString();
    return false;
  }
  QByteArray bytes;
  for (const QString &line : lines) {
    bytes += line.toUtf8();
    bytes += "\r\n";
  }
  if (file.write(bytes) != bytes.size() || !file.commit()) {
    *error = file.errorString();
    return false;
  }
  return true;
}

QString quoted(const QString &text) {
  QString t = text;
  t.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + t + QLatin1Char('"');
}

} // namespace CsvFile
