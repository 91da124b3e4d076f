#pragma once

#include "engine/engineharness.h"
#include "engine/simdevice.h"
#include "support/testsupport.h"

#include <QSqlQuery>
#include <QSqlRecord>

// The real engine and database wired to fiscal-sim's device in-process, with virtual
// time: what the retail and restaurant screens' models are tested on. The device holds
// the two articles of the mirror (KAFA 10, ESPRESSO 11).
namespace salestest {

using namespace enginetest;

class SimTill {
public:
  explicit SimTill(int model) : h(model), device(model, h.clock) {
    testsupport::pinLocale();
    h.engine->setWire(&device);
    device.attach(h.engine.get());
    device.program(10, QStringLiteral("KAFA"), 100, 2);
    device.program(11, QStringLiteral("ESPRESSO"), 150, 2);
  }

  QString row(const QString &sql) { return h.scalar(sql).toString(); }
  // The rows of a query, columns joined by '|'; a failed query gives "ERROR <sql>".
  QStringList rows(const QString &sql) {
    QStringList out;
    QSqlQuery q(h.db.connection());
    if (!q.exec(sql))
      return {QStringLiteral("ERROR ") + sql};
    while (q.next()) {
      QStringList cols;
      for (int i = 0; i < q.record().count(); ++i) {
        const QVariant v = q.value(i);
        cols << (v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'g', 12) : v.toString());
      }
      out << cols.join(QLatin1Char('|'));
    }
    return out;
  }

  Harness h;
  SimDevice device;
};

} // namespace salestest
