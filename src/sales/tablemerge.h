#pragma once

#include <QString>

class Database;
class UserPrompt;

// TfrmSpajanje's model: all lines of one table move onto another, after the receiving
// table's lines and rounds, and the first table is freed. Tables of two waiters need
// both waiters' codes.
class TableMerge {
public:
  TableMerge(Database &db, UserPrompt &prompt) : m_db(db), m_prompt(prompt) {}

  QString edtSto1; // "NARUDZBINE SA STOLA": the table whose lines move
  QString edtSto2; // "PREBACI NA STO": the table that receives them
  QString meKon1;  // "KONOBAR 1": the first table's waiter code
  QString meKon2;  // "KONOBAR 2"

  // When shown: all four fields empty.
  void clear();
  // "SPOJI STOLOVE": true when the tables were merged (the window closes); otherwise
  // the reason was shown and nothing changed.
  bool spojiStolove();

private:
  bool refuse(const QString &text);

  Database &m_db;
  UserPrompt &m_prompt;
};
