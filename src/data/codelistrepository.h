#pragma once

#include "data/dbresult.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QSqlRecord>
#include <QString>

#include <optional>

class Database;

// A waiter or operator (KONOBARI) as the log-in knows them.
struct Waiter {
  int rbr = 1; // the operator number in the device
  QString naziv;
  bool admin = false;
};

// KONOBARI, PARTNER, MESTO, STOLOVI, GRUPA and PORSTOPE: what the log-in, the sale
// screens and the code-list window read and write of the code lists (the window's
// grids edit them through the record rules).
class CodeListRepository {
public:
  explicit CodeListRepository(Database &db) : m_db(db) {}

  // The waiter whose personal code is exactly code (not trimmed, letter case counts).
  DbResult<std::optional<Waiter>> waiterByCode(const QString &code);
  // The waiter with the lowest RBR.
  DbResult<std::optional<Waiter>> firstWaiter();
  DbResult<bool> anyAdministrator();
  DbResult<int> administratorCount();
  DbResult<> setWaiterCode(int rbr, const QString &code);

  // --- whole tables, for the imports and reads of the code-list window ---
  // True for the tables this repository keeps.
  static bool keeps(const QString &table);
  DbResult<> removeAll(const QString &table);
  // Writes a checked new row with its defaults in place.
  DbResult<> insertRow(const QString &table, QSqlRecord row);
  // Tables with order lines (STOST), and the waiter (RBR) of every table that has one.
  DbResult<QSet<int>> tablesWithLines();
  DbResult<QMap<int, int>> tableOwners();
  // GRUPA's and MESTO's codes and names, by code.
  DbResult<QList<QSqlRecord>> groups();
  DbResult<QList<QSqlRecord>> places();

private:
  DbResult<std::optional<Waiter>> waiter(const QString &sql, const QVariantMap &binds);

  Database &m_db;
};
