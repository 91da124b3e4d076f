#include "sales/freetext.h"

#include <QStringList>

QList<FreeTextLine> freeTextLines(const QString &memo, bool bold) {
  constexpr int kTableSize = 256;
  const int width = bold ? 16 : 32;
  QList<FreeTextLine> out;
  const QStringList lines = memo.split(QLatin1Char('\n'));
  for (const QString &raw : lines) {
    QString line = raw;
    if (line.endsWith(QLatin1Char('\r')))
      line.chop(1);
    const QString cut = line.left(width);
    if (cut.trimmed().isEmpty() || out.size() >= kTableSize)
      break;
    out.append({int(out.size()) + 1, cut, 0, bold ? 1 : 0});
  }
  return out;
}
