#include "data/statements.h"

#include <QStringList>

namespace Statements {

QString inList(const QString &prefix, int count) {
  QStringList names;
  for (int i = 0; i < qMax(1, count); ++i)
    names << QStringLiteral(":%1%2").arg(prefix).arg(i);
  return QStringLiteral("IN (%1)").arg(names.join(QLatin1Char(',')));
}

QString QSumaStavke(int count) {
  return QStringLiteral("select sum(iznos) As suma from stost where brstola=:broj and rbr ") +
         inList(QStringLiteral("r"), count);
}

QString DeleteTableLines(int count) {
  return QStringLiteral("DELETE FROM STOST WHERE BRSTOLA=:broj AND RBR ") +
         inList(QStringLiteral("r"), count);
}

} // namespace Statements
