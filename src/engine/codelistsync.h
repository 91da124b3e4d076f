#pragma once

#include "common/linksettings.h"
#include "device/memorycommands.h"
#include "engine/transactionengine.h"

#include <QList>
#include <QObject>
#include <QSqlRecord>

class Database;
class RecordRules;
class UserPrompt;

// "Citanje iz kase" of the code-list window: the device's operators become the
// waiters (KONOBARI), its tax rates PORSTOPE. One request per reply through the
// engine's service path: a button disables itself when it asks and is enabled by
// every reply, or by the engine giving the command up. What the device answers is
// collected and replaces the table only once the last reply is in and every row
// passes the record checks; otherwise nothing changes and the refusal names the
// operator. Models 2 and 3 have no such reads: the buttons do nothing there.
//
// ArticleSync owns it and is the engine's one service-reply handler: it hands over the
// replies this reading claims, and starts a reading only while no article loop runs.
class CodeListSync : public QObject {
  Q_OBJECT
public:
  CodeListSync(TransactionEngine &engine, LinkSettings &link, QObject *parent = nullptr);

  // Where the readings are stored (none set: a finished reading is dropped).
  void setStore(Database *db, RecordRules *rules) {
    m_db = db;
    m_rules = rules;
  }
  void setPrompt(UserPrompt *prompt) { m_prompt = prompt; }

  bool running() const { return m_reading != Reading::None; }

signals:
  void operatorButtonEnabled(bool on);
  void taxButtonEnabled(bool on);

private:
  friend class ArticleSync;
  void citanjeOperatera(); // the waiters' "Citanje iz kase"
  void citanjeStopa();     // the tax rates' "Citanje iz kase"
  bool claims(const QByteArray &frame) const;
  void handle(const QByteArray &frame);
  // The engine gave the command up: nothing of the reading is stored.
  void givenUp();

  enum class Reading { None, Operators, TaxRates };
  MemoryCommands commands() const;
  void ask(int n);
  void onOperator(const QByteArray &frame);
  void onTaxRates(const QByteArray &frame);
  void finish();
  void buttonEnabled(bool on);

  TransactionEngine &m_engine;
  LinkSettings &m_link;
  Database *m_db = nullptr;
  RecordRules *m_rules = nullptr;
  UserPrompt *m_prompt = nullptr;

  Reading m_reading = Reading::None;
  bool m_family4 = false; // the model the reading began with
  int m_first = 0, m_last = 0;
  int m_asked = 0;
  QList<QSqlRecord> m_rows;
};
