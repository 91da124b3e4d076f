#include "common/textfields.h"

bool Is_Number(const QString &text) {
  const QString t = text.trimmed();
  for (QChar c : t)
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
      return false;
  return true;
}

QString CSVGet(const QString &line, int n, QChar sep) {
  int field = 1;
  bool inQuotes = false;
  QString collected;
  for (QChar c : line) {
    if (c == QLatin1Char('"')) {
      inQuotes = !inQuotes;
    } else if (c == sep && !inQuotes) {
      if (field == n)
        break;
      ++field;
      continue;
    }
    if (field == n)
      collected.append(c);
  }
  if (field != n)
    return QString();
  if (collected.size() >= 2 && collected.startsWith(QLatin1Char('"')) &&
      collected.endsWith(QLatin1Char('"'))) {
    collected = collected.mid(1, collected.size() - 2);
    if (collected.size() > 1)
      collected.replace(QStringLiteral("\"\""), QStringLiteral("\""));
  }
  return collected;
}
