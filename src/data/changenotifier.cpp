#include "data/changenotifier.h"

#include "data/database.h"

#include <utility>

namespace {
// Notifications go to every connection of the database; the shop's tables are those of
// its schema, so the channel is the schema's (another shop, or a test, on the same
// server hears nothing of it).
const QString kChannel = QStringLiteral("kasa_promene_");
} // namespace

ChangeNotifier::ChangeNotifier(QObject *parent) : QObject(parent) {}

ChangeNotifier::~ChangeNotifier() {
  stop();
}

DbResult<> ChangeNotifier::announce(Database &db, const QString &table) {
  if (db.kind() != DatabaseKind::PostgreSQL)
    return {};
  return db.exec(QStringLiteral("SELECT pg_notify(:kanal || current_schema(), :tabela)"),
                 {{QStringLiteral("kanal"), kChannel}, {QStringLiteral("tabela"), table.toUpper()}});
}

bool ChangeNotifier::listen(Database &db) {
  stop();
  if (!db.isOpen() || db.kind() != DatabaseKind::PostgreSQL)
    return true;
  const auto schema = db.scalar(QStringLiteral("SELECT current_schema()"));
  if (!schema)
    return false;
  const QString channel = kChannel + schema->toString();
  QSqlDriver *driver = db.connection().driver();
  if (!driver->subscribeToNotification(channel))
    return false;
  m_db = &db;
  m_driver = driver;
  m_channel = channel;
  connect(driver, &QSqlDriver::notification, this,
          [this](const QString &name, QSqlDriver::NotificationSource source, const QVariant &payload) {
            // This till shows its own changes already.
            if (name == m_channel && source != QSqlDriver::SelfSource)
              emit tableChanged(payload.toString().toUpper());
          });
  // The driver goes with the connection: let go of it first.
  m_watch = db.watchClose([this] { stop(); });
  return true;
}

void ChangeNotifier::stop() {
  if (!m_driver)
    return;
  disconnect(m_driver, nullptr, this, nullptr);
  m_driver->unsubscribeFromNotification(m_channel);
  m_driver = nullptr;
  std::exchange(m_db, nullptr)->unwatchClose(std::exchange(m_watch, 0));
}
