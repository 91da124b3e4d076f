#pragma once

#include "data/dbresult.h"

#include <QString>

#include <optional>

class Database;

// A waiter or operator (KONOBARI) as the log-in knows them.
struct Waiter {
  int rbr = 1; // the operator number in the device
  QString naziv;
  bool admin = false;
};

// KONOBARI, PARTNER, MESTO, GRUPA and PORSTOPE: what the log-in and the sale
// screens read and write of the code lists (the code-list windows edit them
// through the record rules).
class CodeListRepository {
public:
  explicit CodeListRepository(Database &db) : m_db(db) {}

  // The waiter whose personal code is exactly code (not trimmed, letter case counts).
  DbResult<std::optional<Waiter>> waiterByCode(const QString &code);
  // The waiter with the lowest RBR.
  DbResult<std::optional<Waiter>> firstWaiter();
  DbResult<bool> anyAdministrator();
  DbResult<> setWaiterCode(int rbr, const QString &code);

private:
  DbResult<std::optional<Waiter>> waiter(const QString &sql, const QVariantMap &binds);

  Database &m_db;
};
