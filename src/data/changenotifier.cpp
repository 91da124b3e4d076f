#include "data/changenotifier.h"

#include "data/database.h"

#include <utility>

namespace {
const QString kChannel = QStringLiteral("kasa_promene");
} // namespace

ChangeNotifier::ChangeNotifier(QObject *parent) : QObject(parent) {}

ChangeNotifier::~ChangeNotifier() {
  stop();
}

DbResult<> ChangeNotifier::announce(Database &db, const QString &table) {
  if (db.kind() != DatabaseKind::PostgreSQL)
    return {};
  return db.exec(QStringLiteral("SELECT pg_notify(:kanal, :tabela)"),
                 {{QStringLiteral("kanal"), kChannel}, {QStringLiteral("tabela"), table.toUpper()}});
}

bool ChangeNotifier::listen(Database &db) {
  stop();
  if (!db.isOpen() || db.kind() != DatabaseKind::PostgreSQL)
    return true;
  QSqlDriver *driver = db.connection().driver();
  if (!driver->subscribeToNotification(kChannel))
    return false;
  m_db = &db;
  m_driver = driver;
  connect(driver, &QSqlDriver::notification, this,
          [this](const QString &name, QSqlDriver::NotificationSource source, const QVariant &payload) {
            // This till shows its own changes already.
            if (name == kChannel && source != QSqlDriver::SelfSource)
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
  m_driver->unsubscribeFromNotification(kChannel);
  m_driver = nullptr;
  std::exchange(m_db, nullptr)->unwatchClose(std::exchange(m_watch, 0));
}
