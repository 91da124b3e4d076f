#pragma once

#include "data/codelistrepository.h"

#include <QString>

class Database;

// TForm3 / TForm4: the code a cashier or waiter types (up to 7 characters,
// KONOBARI.SIFKONOB). UI-free: the windows show the captions and messages.
class WaiterLogin {
public:
  enum class Window { Login, ChangeWaiter }; // TForm3, TForm4
  enum class Mode { SetCode, Restaurant, Operator };

  // Built-in service code, accepted by the login only while no waiter is an
  // administrator (a fresh database), so a new install can be set up and no
  // permanent back door remains once an administrator exists.
  static constexpr const char *kServiceCode = "PRODESK";

  struct Result {
    bool ok = false;
    QString error; // title "Greska"; also why the database could not be read
    Waiter waiter;
    bool serviceCode = false;
    bool allRights() const { return waiter.admin || serviceCode; }
  };

  explicit WaiterLogin(Database &db) : m_db(&db) {}

  static QString caption(Mode m);
  static QString prompt(Mode m);

  // "OK" of the login or the change of waiter (untrimmed entry compared exactly).
  Result check(Window w, const QString &entry) const;
  // Setting a code from the code lists: trimmed, at most 7 characters.
  // Returns the error text (or the database's), empty on success (the row of rbr is updated).
  QString setCode(int rbr, const QString &entry) const;
  // True while no waiter is an administrator: the service code is accepted.
  bool serviceCodeOffered() const;

private:
  Database *m_db;
};
