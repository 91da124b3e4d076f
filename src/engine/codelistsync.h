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
class CodeListSync : public QObject, public ServiceReplyHandler {
  Q_OBJECT
public:
  CodeListSync(TransactionEngine &engine, LinkSettings &link, Database &db, RecordRules &rules,
               QObject *parent = nullptr);
  ~CodeListSync() override;

  void setPrompt(UserPrompt *prompt) { m_prompt = prompt; }

  void citanjeOperatera(); // the waiters' "Citanje iz kase"
  void citanjeStopa();     // the tax rates' "Citanje iz kase"
  bool running() const { return m_reading != Reading::None; }

  // --- ServiceReplyHandler ---
  bool claimsServiceReply(const QByteArray &frame) const override;
  void handleServiceReply(const QByteArray &frame) override;

signals:
  void operatorButtonEnabled(bool on);
  void taxButtonEnabled(bool on);

private:
  enum class Reading { None, Operators, TaxRates };
  MemoryCommands commands() const;
  void ask(int n);
  void onOperator(const QByteArray &frame);
  void onTaxRates(const QByteArray &frame);
  void finish();
  void givenUp();
  void buttonEnabled(bool on);

  TransactionEngine &m_engine;
  LinkSettings &m_link;
  Database &m_db;
  RecordRules &m_rules;
  UserPrompt *m_prompt = nullptr;

  Reading m_reading = Reading::None;
  bool m_family4 = false; // the model the reading began with
  int m_first = 0, m_last = 0;
  int m_asked = 0;
  QList<QSqlRecord> m_rows;
};
