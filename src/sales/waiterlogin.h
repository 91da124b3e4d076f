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
    QString code; // setting a code: the new code, trimmed
    bool allRights() const { return waiter.admin || serviceCode; }
  };

  explicit WaiterLogin(Database &db) : m_db(&db) {}

  static QString caption(Mode m);
  static QString prompt(Mode m);

  // "OK" of the login or the change of waiter (untrimmed entry compared exactly).
  Result check(Window w, const QString &entry) const;
  // Setting a code from the code lists: the entry trimmed, at most 7 characters. The
  // code-list window stores it through its checks (no other waiter may have it).
  static Result newCode(const QString &entry);
  // True while no waiter is an administrator: the service code is accepted.
  bool serviceCodeOffered() const;

private:
  Result checkCode(Window w, const QString &entry) const;
  // A DNEVNIK row of the log-in: what happened, and any note.
  void journal(const QString &what, const QString &tail) const;

  Database *m_db;
};
