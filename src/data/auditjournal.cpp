#include "data/auditjournal.h"

#include "data/database.h"

#include <QCryptographicHash>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// The till has one person logged in at a time, whichever screen acts.
QString &currentWaiter() {
  static QString who;
  return who;
}

void addField(QByteArray &out, const QString &value) {
  const QByteArray bytes = value.toUtf8();
  out += QByteArray::number(bytes.size());
  out += ':';
  out += bytes;
}

} // namespace

QString AuditJournal::actionName(AuditAction action) {
  switch (action) {
  case AuditAction::Login:
    return QStringLiteral("PRIJAVA");
  case AuditAction::LineVoid:
    return QStringLiteral("STORNO STAVKE");
  case AuditAction::ReceiptStorno:
    return QStringLiteral("STORNO RACUNA");
  case AuditAction::DrawerOpen:
    return QStringLiteral("FIOKA");
  case AuditAction::PriceChange:
    return QStringLiteral("CENA");
  case AuditAction::ArticleTakeOver:
    return QStringLiteral("PREUZIMANJE");
  case AuditAction::Import:
    return QStringLiteral("UVOZ");
  case AuditAction::Configuration:
    return QStringLiteral("KONFIGURACIJA");
  }
  return {};
}

void AuditJournal::setWaiter(int rbr, const QString &naziv) {
  currentWaiter() = QStringLiteral("%1 %2").arg(rbr).arg(naziv.trimmed()).trimmed().left(40);
}

void AuditJournal::clearWaiter() {
  currentWaiter().clear();
}

QString AuditJournal::waiter() {
  return currentWaiter();
}

QString AuditJournal::rowHash(const QString &previous, const AuditRow &row) {
  QByteArray bytes;
  addField(bytes, previous);
  addField(bytes, QString::number(row.rbr));
  addField(bytes, row.vreme);
  addField(bytes, row.konobar);
  addField(bytes, row.radnja);
  addField(bytes, row.opis);
  return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

DbResult<> AuditJournal::append(AuditAction action, const QString &opis, const QDateTime &when) {
  AuditRow row;
  row.vreme = (when.isValid() ? when : QDateTime::currentDateTime()).toString(kTimeFormat);
  row.konobar = waiter();
  row.radnja = actionName(action);
  row.opis = opis.left(kOpisLength);
  return m_db.inTransaction([&]() -> DbResult<> {
    // Two tills appending at once would read the same last row; the second waits here
    // for the first one's commit instead of failing its sale on the duplicate number.
    if (m_db.kind() == DatabaseKind::PostgreSQL)
      DB_TRY(m_db.exec(QStringLiteral("LOCK TABLE dnevnik IN EXCLUSIVE MODE")));
    const auto last =
        m_db.rows(m_db.firstRows(QStringLiteral("SELECT rbr, hes FROM dnevnik ORDER BY rbr DESC"), 1));
    if (!last)
      return last.failure();
    QString previous;
    row.rbr = 1;
    if (!last->isEmpty()) {
      row.rbr = last->first().value(0).toInt() + 1;
      previous = last->first().value(1).toString();
    }
    row.hes = rowHash(previous, row);
    return m_db.exec(QStringLiteral("INSERT INTO dnevnik (rbr, vreme, konobar, radnja, opis, hes) "
                                    "VALUES (:rbr, :vreme, :konobar, :radnja, :opis, :hes)"),
                     {{QStringLiteral("rbr"), row.rbr},
                      {QStringLiteral("vreme"), row.vreme},
                      {QStringLiteral("konobar"), row.konobar},
                      {QStringLiteral("radnja"), row.radnja},
                      {QStringLiteral("opis"), row.opis},
                      {QStringLiteral("hes"), row.hes}});
  });
}

DbResult<QList<AuditRow>> AuditJournal::rows() {
  auto q =
      m_db.query(QStringLiteral("SELECT rbr, vreme, konobar, radnja, opis, hes FROM dnevnik ORDER BY rbr"));
  if (!q)
    return q.failure();
  QList<AuditRow> out;
  while (q->next()) {
    AuditRow r;
    r.rbr = q->value(0).toInt();
    r.vreme = q->value(1).toString();
    r.konobar = q->value(2).toString();
    r.radnja = q->value(3).toString();
    r.opis = q->value(4).toString();
    r.hes = q->value(5).toString();
    out.append(r);
  }
  return out;
}

AuditCheck AuditJournal::check() {
  AuditCheck c;
  const auto all = rows();
  if (!all) {
    c.reason = all.error();
    return c;
  }
  QString previous;
  for (const AuditRow &r : *all) {
    const int expected = c.rows + 1;
    if (r.rbr != expected) {
      c.brokenRow = r.rbr;
      c.reason = r.rbr > expected ? QStringLiteral("nedostaje red %1").arg(expected)
                                  : QStringLiteral("neispravan redni broj");
      return c;
    }
    if (rowHash(previous, r) != r.hes) {
      c.brokenRow = r.rbr;
      c.reason = QStringLiteral("hes ne odgovara sadrzaju reda ni prethodnom redu");
      return c;
    }
    previous = r.hes;
    c.lastHash = r.hes;
    ++c.rows;
  }
  c.ok = true;
  return c;
}
