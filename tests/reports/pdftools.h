#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Reads produced PDF files back with poppler's tools, as a user's viewer would.
namespace pdftools {

inline QString run(const QString &program, const QStringList &args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(30000) || p.exitCode() != 0)
    return QStringLiteral("<%1 failed: %2>").arg(program, QString::fromLocal8Bit(p.readAllStandardError()));
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of the file, laid out as on the page; pages separated by form feeds.
inline QString text(const QString &pdf) {
  return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}
inline QString fonts(const QString &pdf) {
  return run(QStringLiteral("pdffonts"), {pdf});
}
inline QString info(const QString &pdf) {
  return run(QStringLiteral("pdfinfo"), {pdf});
}
inline int pages(const QString &pdf) {
  for (const QString &line : info(pdf).split(QLatin1Char('\n')))
    if (line.startsWith(QLatin1String("Pages:")))
      return line.mid(6).trimmed().toInt();
  return -1;
}

} // namespace pdftools
