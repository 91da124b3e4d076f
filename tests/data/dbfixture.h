#pragma once

#include "data/database.h"
#include "data/recordmessages.h"
#include "data/recordrules.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

#include <memory>

enum class Engine { SQLite, PostgreSQL };

inline std::string engineName(const ::testing::TestParamInfo<Engine> &info) {
  return info.param == Engine::SQLite ? "SQLite" : "PostgreSQL";
}

// Remembers what the record checks showed, in order.
struct RecordedMessages : RecordMessages {
  struct Shown {
    QString form; // "show" or "warning"
    QString title;
    QString text;
    int openTransactions = 0; // when it was shown: a modal message must find none
  };
  QList<Shown> shown;
  int beeps = 0;
  void show(const QString &title, const QString &text) override {
    shown.append({"show", title, text, Database::openTransactions()});
  }
  void warning(const QString &text) override {
    shown.append({"warning", QString(), text, Database::openTransactions()});
  }
  void beep() override { ++beeps; }
  QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
  void clear() {
    shown.clear();
    beeps = 0;
  }
};

// A throwaway database of the chosen engine: an SQLite file in a temporary
// directory, or a PostgreSQL schema of its own on the cluster named by
// KASA_PG_CONN (skipped without it).
class PgScratch {
public:
  static QString conn() { return qEnvironmentVariable("KASA_PG_CONN"); }
  PgScratch() : m_schema(QStringLiteral("t_") + QUuid::createUuid().toString(QUuid::Id128).left(16)) {}
  bool create() { return admin(QStringLiteral("CREATE SCHEMA %1").arg(m_schema)); }
  void drop() { admin(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(m_schema)); }
  QString connectionText() const { return conn() + QStringLiteral(" options=-csearch_path=") + m_schema; }
  QString schema() const { return m_schema; }

private:
  bool admin(const QString &sql) {
    bool ok = false;
    {
      // The facade would lay tables into the public schema; a plain connection only runs sql.
      QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pgadmin"));
      for (const QString &pair : conn().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString key = pair.section(QLatin1Char('='), 0, 0), value = pair.section(QLatin1Char('='), 1);
        if (key == QLatin1String("host"))
          db.setHostName(value);
        else if (key == QLatin1String("port"))
          db.setPort(value.toInt());
        else if (key == QLatin1String("dbname"))
          db.setDatabaseName(value);
        else if (key == QLatin1String("user"))
          db.setUserName(value);
      }
      if (db.open()) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SET client_min_messages TO warning"));
        ok = q.exec(sql);
        db.close();
      }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("pgadmin"));
    return ok;
  }
  QString m_schema;
};

class DbTest : public ::testing::TestWithParam<Engine> {
protected:
  void SetUp() override {
    if (GetParam() == Engine::PostgreSQL) {
      if (PgScratch::conn().isEmpty())
        GTEST_SKIP() << "KASA_PG_CONN is not set (scripts/pg-cluster start provides it)";
      m_pg = std::make_unique<PgScratch>();
      ASSERT_TRUE(m_pg->create());
    }
    ASSERT_TRUE(reopen()) << db.lastError().toStdString();
    rules = std::make_unique<RecordRules>(db, messages);
    seed();
  }
  // A suite's own rows; runs only when the database is there (not for a skipped engine).
  virtual void seed() {}
  void TearDown() override {
    rules.reset();
    db.close();
    if (m_pg)
      m_pg->drop();
  }
  // Opens (again) the same database through the facade.
  bool reopen() {
    if (GetParam() == Engine::PostgreSQL)
      return db.open(3, m_pg->connectionText());
    return db.open(1, m_dir.path());
  }
  int tipBaze() const { return GetParam() == Engine::PostgreSQL ? 3 : 1; }
  QString where() const { return GetParam() == Engine::PostgreSQL ? m_pg->connectionText() : m_dir.path(); }
  int count(const QString &sql, const QVariantMap &binds = {}) {
    const auto n = db.scalar(sql, binds);
    EXPECT_TRUE(n) << sql.toStdString() << ": " << n.error().toStdString();
    return n ? n->toInt() : -1;
  }
  // The rows of a query; a failure fails the test and gives no rows.
  QSqlQuery rows(const QString &sql, const QVariantMap &binds = {}) {
    auto q = db.query(sql, binds);
    EXPECT_TRUE(q) << sql.toStdString() << ": " << q.error().toStdString();
    if (!q)
      return QSqlQuery();
    return std::move(*q);
  }

  // Inserts a row through the rules; fields are name/value pairs.
  bool insert(const QString &table, const QVariantMap &fields) {
    QSqlRecord row = RecordRules::emptyRecord(table);
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
      row.setValue(it.key(), it.value());
    return rules->insert(table, row);
  }
  bool addArticle(const QString &sifra, const QString &naziv, double cena = 10, int stopa = 1,
                  double lager = 5) {
    return insert("ARTIKLI",
                  {{"sifra", sifra}, {"naziv", naziv}, {"cena", cena}, {"stopa", stopa}, {"lager", lager}});
  }

  QTemporaryDir m_dir;
  std::unique_ptr<PgScratch> m_pg;
  Database db;
  RecordedMessages messages;
  std::unique_ptr<RecordRules> rules;
};

#define KASA_BOTH_ENGINES(Suite)                                                                             \
  INSTANTIATE_TEST_SUITE_P(Engines, Suite, ::testing::Values(Engine::SQLite, Engine::PostgreSQL), engineName)
